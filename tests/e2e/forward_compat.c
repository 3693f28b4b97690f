/* Preloaded by one end-to-end run: every window GLFW makes gets the forward-compatible hint, as
   the only 3.3 core context macOS gives has it, so that Linux shows how the viewer fares there. */
#define _GNU_SOURCE
#include <GLFW/glfw3.h>
#include <dlfcn.h>

typedef GLFWwindow* (*CreateWindow)(int, int, const char*, GLFWmonitor*, GLFWwindow*);

GLFWwindow* glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                             GLFWwindow* share) {
    CreateWindow next = (CreateWindow)dlsym(RTLD_NEXT, "glfwCreateWindow");
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    return next(width, height, title, monitor, share);
}
