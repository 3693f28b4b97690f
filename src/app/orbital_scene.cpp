// Pure scene maths: the fixed projection and each body's placement as a function of time.
#include "app/orbital_scene.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

namespace {

constexpr float QUARTER_TURN_HALF = 0.7853982f; // 45 degrees
constexpr float PI = 3.1415927f;
constexpr float SUN_TURN_RATE = 0.17453292f; // radians per second
const glm::mat4 IDENTITY(1.0f);

} // namespace

glm::mat4 sceneProjection(float tanHalf) {
    glm::mat4 p(0.0f);
    p[0][0] = 1.0f / (tanHalf * VIEW_ASPECT);
    p[1][1] = 1.0f / tanHalf;
    p[2][2] = -(FAR_PLANE + NEAR_PLANE) / (FAR_PLANE - NEAR_PLANE);
    p[2][3] = -1.0f;
    p[3][2] = -(2.0f * FAR_PLANE * NEAR_PLANE) / (FAR_PLANE - NEAR_PLANE);
    return p;
}

BodyModels bodyModelsAt(float t, const glm::vec3& earthSpinAxis) {
    const glm::mat4 earthTilt = glm::rotate(IDENTITY, QUARTER_TURN_HALF, glm::vec3(0, 0, 1));
    const glm::mat4 earthOrbit =
        glm::translate(IDENTITY, glm::vec3(-6.0f * cosf(t * QUARTER_TURN_HALF), 0.0f,
                                           3.0f * sinf(t * QUARTER_TURN_HALF)));
    const glm::mat4 earthSpin =
        glm::rotate(IDENTITY, (t * -20.0f) * QUARTER_TURN_HALF, earthSpinAxis);

    BodyModels m;
    m.earth = earthOrbit * earthSpin * earthTilt * glm::scale(IDENTITY, glm::vec3(0.4f));
    m.sun = glm::rotate(IDENTITY, t * SUN_TURN_RATE, glm::vec3(0, 1, 0));
    m.moon = earthOrbit * glm::rotate(IDENTITY, -QUARTER_TURN_HALF, glm::vec3(0, 0, 1)) *
             glm::translate(IDENTITY, glm::vec3(cosf(t * PI), 0.0f, sinf(t * PI))) * earthSpin *
             glm::scale(IDENTITY, glm::vec3(0.2f));
    return m;
}
