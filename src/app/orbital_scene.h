// The scene's fixed numbers and its motion: projection, view and the three bodies at time t.
#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

constexpr float FIELD_OF_VIEW_HALF = 0.5235988f; // half of 60 degrees, radians
constexpr float VIEW_ASPECT = 800.0f / 600.0f;   // fixed: a resize stretches the picture
constexpr float NEAR_PLANE = 0.1f;
constexpr float FAR_PLANE = 100.0f;

struct BodyModels {
    glm::mat4 earth;
    glm::mat4 sun;
    glm::mat4 moon;
};

// Right-handed perspective with clip depth -1..1, from the tangent of half the field of view.
glm::mat4 sceneProjection(float tanHalf);
// Model matrices of Earth, Sun and Moon at animation time t (seconds).
BodyModels bodyModelsAt(float t, const glm::vec3& earthSpinAxis);
