// Benchmark baseline: the same 800x600 OpenGL 3.3 core window as the viewer, but each frame
// only clears colour and depth, swaps and polls events, until Escape or close.
#include <GLFW/glfw3.h>
#include <cstdio>
#include <cstdlib>
#include <glad/gl.h>

int main() {
    if (!glfwInit())
        return 1;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    GLFWwindow* window = glfwCreateWindow(800, 600, "Kivo_model", nullptr, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "baseline: no OpenGL 3.3 core window\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    if (!gladLoadGL(glfwGetProcAddress)) {
        std::fprintf(stderr, "baseline: cannot load OpenGL\n");
        glfwTerminate();
        return 1;
    }
    // The benchmark asks for the renderer this way (glxinfo may not be installed).
    if (std::getenv("KIVO_PRINT_RENDERER") != nullptr) {
        std::printf("GL_RENDERER=%s\nGL_VERSION=%s\n",
                    reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                    reinterpret_cast<const char*>(glGetString(GL_VERSION)));
        std::fflush(stdout);
    }

    while (!glfwWindowShouldClose(window)) {
        // Same key check as the viewer's loop: polled state, not a callback.
        if (glfwGetKey(window, GLFW_KEY_ESCAPE) == GLFW_PRESS)
            glfwSetWindowShouldClose(window, GLFW_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glfwSwapBuffers(window);
        glfwPollEvents();
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
