// The scene's motion: each body's model matrix as a fixed function of the animation time.
#pragma once

#include <glm/mat4x4.hpp>

struct BodyModels {
    glm::mat4 earth;
    glm::mat4 sun;
    glm::mat4 moon;
};

// Model matrices of Earth, Sun and Moon at animation time t (seconds).
BodyModels bodyModelsAt(float t);
