// Runs frame after frame: clock, keys, clear, uniforms, Earth, Sun, Moon, present, events.
#include "app/frame_loop.h"

#include <GLFW/glfw3.h>
#include <glad/gl.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/frame_clock.h"
#include "app/orbital_scene.h"
#include "camera/camera_state.h"
#include "platform/platform.h"
#include "render/planet_textures.h"
#include "render/shader_program.h"
#include "render/sphere_mesh.h"

namespace {

FrameTiming frameTiming;

bool keyDown(GLFWwindow* window, int key) {
    return glfwGetKey(window, key) == GLFW_PRESS;
}

// Escape asks to close (the frame still runs to its end); W, S, A, D move the camera.
void processKeys(GLFWwindow* window) {
    if (keyDown(window, GLFW_KEY_ESCAPE))
        glfwSetWindowShouldClose(window, GLFW_TRUE);
    MoveKeys keys;
    keys.forward = keyDown(window, GLFW_KEY_W);
    keys.back = keyDown(window, GLFW_KEY_S);
    keys.left = keyDown(window, GLFW_KEY_A);
    keys.right = keyDown(window, GLFW_KEY_D);
    moveCamera(keys, frameTiming.deltaTime);
}

void setLightUniforms(const ShaderProgram& program) {
    program.setUniformVec3("light.position", glm::vec3(0.0f)); // the Sun's centre
    program.setUniformVec3("light.direction", camera.cameraFront);
    program.setUniformVec3("viewPos", camera.cameraPos);
    program.setUniformVec3("light.ambient", 0.5f, 0.5f, 0.5f);
    program.setUniformVec3("light.diffuse", 1.0f, 1.0f, 1.0f);
    program.setUniformVec3("light.specular", 0.05f, 0.05f, 0.05f);
    program.setUniformFloat("light.constant", 1.0f);
    program.setUniformFloat("light.linear", 0.045f);
    program.setUniformFloat("light.quadratic", 0.0075f);
    program.setUniformFloat("shininess", 2.0f);
}

void bindBodyTexture(unsigned int texture) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
}

void setCameraMatrices(const ShaderProgram& program, const glm::mat4& projection,
                       const glm::mat4& view) {
    program.setUniformMat4("projection", projection);
    program.setUniformMat4("view", view);
}

} // namespace

void runFrameLoop(GLFWwindow* window, const ShaderProgram& program) {
    // Fixed for the whole run: a resize stretches the picture instead of changing the aspect.
    const glm::mat4 projection = glm::perspective(
        glm::radians(60.0f), static_cast<float>(WINDOW_WIDTH) / WINDOW_HEIGHT, 0.1f, 100.0f);

    while (!glfwWindowShouldClose(window)) {
        // Timing and input.
        frameTiming.advance(glfwGetTime());
        processKeys(window);

        // Clear, then the per-frame light and eye uniforms.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        program.activate();
        setLightUniforms(program);

        // Deliberate, not a copy-paste slip: every body sets "projection" and "view" again, and the
        // Earth and the Moon (not the Sun) bind the vertex array again. This is the frame's fixed
        // call sequence, which the traced end-to-end run compares call for call.
        // Earth; its clock reading is the animation time of all three bodies.
        bindBodyTexture(earthTexture);
        const glm::mat4 view =
            glm::lookAt(camera.cameraPos, camera.cameraPos + camera.cameraFront, camera.cameraUp);
        setCameraMatrices(program, projection, view);
        const float t = sceneTime(glfwGetTime());
        glBindVertexArray(sphereVAO);
        const BodyModels models = bodyModelsAt(t);
        program.setUniformMat4("model", models.earth);
        drawSphere();

        // Sun.
        bindBodyTexture(sunTexture);
        setCameraMatrices(program, projection, view);
        program.setUniformMat4("model", models.sun);
        drawSphere();

        // Moon.
        bindBodyTexture(moonTexture);
        setCameraMatrices(program, projection, view);
        glBindVertexArray(sphereVAO);
        program.setUniformMat4("model", models.moon);
        drawSphere();

        // Present, then let the handlers run (in the browser, they run while it shows the frame).
        presentFrame(window);
        glfwPollEvents();
    }
}
