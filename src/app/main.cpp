// Process entry: opens the window and context, builds the scene, runs the loop, shuts down.
#include <GLFW/glfw3.h>
#include <glad/gl.h>
#include <iostream>

#include "app/frame_loop.h"
#include "camera/camera_state.h"
#include "camera/input_handlers.h"
#include "platform/platform.h"
#include "render/planet_textures.h"
#include "render/shader_program.h"
#include "render/sphere_mesh.h"

int main() {
    // Library, context hints and window.
    glfwInit();
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    addPlatformWindowHints();
    GLFWwindow* window =
        glfwCreateWindow(WINDOW_WIDTH, WINDOW_HEIGHT, "Kivo_model", nullptr, nullptr);
    if (window == nullptr) {
        std::cout << "Failed to Create OpenGL Context" << std::endl;
        glfwTerminate();
        return -1;
    }
    glfwMakeContextCurrent(window);
    if (!gladLoadGL(glfwGetProcAddress)) {
        std::cout << "Failed to initialize GLAD" << std::endl;
        return -1;
    }
    startUpStepDone();

    // Scene resources, handlers, shader program.
    initSceneResources();
    startUpStepDone();
    setFramebufferSizeHandler(window, onFramebufferResize);
    glfwSetKeyCallback(window, onKey);
    setCursorHandler(window, onCursorMove);
    glfwSetScrollCallback(window, onScroll);
    setLateFileHandler(reloadPlanetTexture);
    ShaderProgram program("sphere.vs", "sphere.fs");
    program.activate();
    program.setUniformInt("texture1", 0);
    startUpStepDone();

    runFrameLoop(window, program);

    // Shutdown: the sphere's vertex array and buffer; everything else goes with the context.
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteVertexArrays(1, &sphereVAO);
    glDeleteBuffers(1, &sphereVBO);
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
