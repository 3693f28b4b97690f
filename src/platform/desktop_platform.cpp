// The desktop's side of the platform layer: OpenGL 3.3 core has every call the program makes.
#include "platform/platform.h"

#include <GLFW/glfw3.h>

std::string shaderSourceForThisGL(const std::string& source) {
    return source;
}

void setPointSize(float size) {
    glPointSize(size);
}

void setPolygonMode(GLenum mode) {
    glPolygonMode(GL_FRONT_AND_BACK, mode);
}

bool drawSphereWireframe() {
    return false; // the polygon mode draws the edges
}

void presentFrame(GLFWwindow* window) {
    glfwSwapBuffers(window);
}
