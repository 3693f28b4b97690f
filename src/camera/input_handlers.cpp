// Turns window events into viewport, culling, polygon-mode, close and camera changes.
#include "camera/input_handlers.h"

#include <GLFW/glfw3.h>
#include <glad/gl.h>

#include "camera/camera_state.h"
#include "render/sphere_mesh.h"

void onFramebufferResize(GLFWwindow*, int width, int height) {
    glViewport(0, 0, width, height);
}

// Acts on the key code alone: press, repeat and release each carry out the action.
void onKey(GLFWwindow* window, int key, int, int, int) {
    switch (key) {
    case GLFW_KEY_B:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    case GLFW_KEY_C:
        glDisable(GL_CULL_FACE);
        break;
    case GLFW_KEY_F:
        setPolygonMode(GL_FILL);
        break;
    case GLFW_KEY_L:
        setPolygonMode(GL_LINE);
        break;
    case GLFW_KEY_ESCAPE:
        glfwSetWindowShouldClose(window, GLFW_TRUE);
        break;
    default:
        break;
    }
}

void onCursorMove(GLFWwindow*, double x, double y) {
    applyMouseLook(static_cast<float>(x), static_cast<float>(y));
}

void onScroll(GLFWwindow*, double, double yOffset) {
    applyScroll(static_cast<float>(yOffset));
}
