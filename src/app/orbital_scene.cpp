// Pure scene maths: where each body sits and how it is turned at time t.
#include "app/orbital_scene.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

namespace {

constexpr float PI = 3.1415927f;
constexpr float EARTH_TILT = PI / 4;       // 45 degrees about z
constexpr float MOON_ORBIT_TILT = -PI / 4; // the Moon's orbit plane, turned about z
const glm::vec3 Z_AXIS(0, 0, 1);
const glm::vec3 EARTH_SPIN_AXIS = glm::normalize(glm::vec3(1, 1, 0));
const glm::mat4 IDENTITY(1.0f);

} // namespace

BodyModels bodyModelsAt(float t) {
    const glm::mat4 earthTilt = glm::rotate(IDENTITY, EARTH_TILT, Z_AXIS);
    const glm::mat4 earthOrbit =
        glm::translate(IDENTITY, glm::vec3(-6.0f * cosf(t * EARTH_ORBIT_RATE), 0.0f,
                                           3.0f * sinf(t * EARTH_ORBIT_RATE)));
    const glm::mat4 earthSpin = glm::rotate(IDENTITY, t * EARTH_SPIN_RATE, EARTH_SPIN_AXIS);

    BodyModels m;
    m.earth = earthOrbit * earthSpin * earthTilt * glm::scale(IDENTITY, glm::vec3(0.4f));
    m.sun = glm::rotate(IDENTITY, t * SUN_TURN_RATE, glm::vec3(0, 1, 0));
    // The Moon follows the Earth's centre and spin, but not its tilt.
    m.moon = earthOrbit * glm::rotate(IDENTITY, MOON_ORBIT_TILT, Z_AXIS) *
             glm::translate(IDENTITY,
                            glm::vec3(cosf(t * MOON_ORBIT_RATE), 0.0f, sinf(t * MOON_ORBIT_RATE))) *
             earthSpin * glm::scale(IDENTITY, glm::vec3(0.2f));
    return m;
}
