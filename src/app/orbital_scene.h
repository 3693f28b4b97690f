// The scene's motion: each body's model matrix as a fixed function of the animation time.
#pragma once

#include <glm/mat4x4.hpp>

// How fast each body turns, in radians a second (pi in single precision), and the period after
// which all of them repeat. A body added to the scene needs a whole number of its turns in
// SCENE_PERIOD, which the unit tests check for every body.
constexpr float EARTH_ORBIT_RATE = 3.1415927f / 4;      // one lap in 8 s
constexpr float EARTH_SPIN_RATE = -20 * 3.1415927f / 4; // 2.5 turns a second, the negative way
constexpr float MOON_ORBIT_RATE = 3.1415927f;           // one lap around the Earth in 2 s
constexpr float SUN_TURN_RATE = 3.1415927f / 18;        // 10 degrees a second: 36 s a turn
constexpr double SCENE_PERIOD = 72.0;                   // 9 laps, 180 spins, 36 laps, 2 turns

struct BodyModels {
    glm::mat4 earth;
    glm::mat4 sun;
    glm::mat4 moon;
};

// Model matrices of Earth, Sun and Moon at animation time t (seconds).
BodyModels bodyModelsAt(float t);
