// The desktop's side of the platform layer: OpenGL 3.3 core has every call the program makes,
// but for wide lines in a forward-compatible context (the only kind macOS gives).
#include "platform/platform.h"

#include <GLFW/glfw3.h>

void addPlatformWindowHints() {
#ifdef __APPLE__
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
#endif
}

const GLFeatures& glFeatures() {
    // GLFW knows how the context was made, so no GL call is needed to ask.
    static const GLFeatures features{
        true, true,
        glfwGetWindowAttrib(glfwGetCurrentContext(), GLFW_OPENGL_FORWARD_COMPAT) == GLFW_FALSE};
    return features;
}

std::string shaderSourceForThisGL(const std::string& source) {
    return source;
}

void presentFrame(GLFWwindow* window) {
    glfwSwapBuffers(window);
}
