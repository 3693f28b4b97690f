// The window handlers called directly on a hidden window: GL state, close flag and camera.
#include <GLFW/glfw3.h>
#include <glad/gl.h>
#include <gtest/gtest.h>

#include "camera/camera_state.h"
#include "camera/input_handlers.h"

namespace {

class InputHandlersTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(glfwInit());
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        window = glfwCreateWindow(800, 600, "handlers", nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        glfwMakeContextCurrent(window);
        ASSERT_NE(gladLoadGL(glfwGetProcAddress), 0);
    }
    static void TearDownTestSuite() {
        glfwDestroyWindow(window);
        glfwTerminate();
    }
    void SetUp() override {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glfwSetWindowShouldClose(window, GLFW_FALSE);
    }

    static GLint integer(GLenum name) {
        GLint values[4] = {};
        glGetIntegerv(name, values);
        return values[0];
    }
    static void key(int code, int action) { onKey(window, code, 0, action, 0); }

    static GLFWwindow* window;
};

GLFWwindow* InputHandlersTest::window = nullptr;

// The key table itself is checked end to end from the trace; here, what a trace can't show.
const int ACTIONS[] = {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE};

TEST_F(InputHandlersTest, EscapeSetsTheCloseFlagOnPressAndRelease) {
    key(GLFW_KEY_ESCAPE, GLFW_RELEASE);
    EXPECT_TRUE(glfwWindowShouldClose(window));
    glfwSetWindowShouldClose(window, GLFW_FALSE);
    key(GLFW_KEY_ESCAPE, GLFW_PRESS);
    EXPECT_TRUE(glfwWindowShouldClose(window));
}

TEST_F(InputHandlersTest, OtherKeysChangeNothing) {
    for (int code : {GLFW_KEY_W, GLFW_KEY_A, GLFW_KEY_S, GLFW_KEY_D, GLFW_KEY_Q, GLFW_KEY_SPACE,
                     GLFW_KEY_UNKNOWN, GLFW_KEY_LAST}) {
        for (int action : ACTIONS)
            key(code, action);
    }
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(integer(GL_POLYGON_MODE), GL_FILL);
    EXPECT_FALSE(glfwWindowShouldClose(window));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(InputHandlersTest, ResizeSetsTheViewportIncludingEmpty) {
    GLint viewport[4];
    onFramebufferResize(window, 0, 0);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 0);
    EXPECT_EQ(viewport[3], 0);
    onFramebufferResize(window, 640, 480);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
}

TEST_F(InputHandlersTest, CursorAndScrollReachTheCamera) {
    camera = startCamera();
    firstCursorEvent = true;
    onCursorMove(window, 123.4, 56.7);
    EXPECT_EQ(camera.yaw, -90.0f);
    onCursorMove(window, 133.4, 56.7);
    EXPECT_NEAR(camera.yaw, -89.0f, 1e-4f);
    onScroll(window, 7.0, 2.0); // the horizontal offset is ignored
    EXPECT_EQ(camera.zoom, 43.0f);
}

} // namespace
