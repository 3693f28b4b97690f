// The bodies' model matrices and the projection, against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "app/orbital_scene.h"

namespace {

const glm::vec3 SPIN_AXIS = glm::normalize(glm::vec3(1, 1, 0));

void expectColumns(const glm::mat4& m, const float (&expected)[16], float tol = 1e-6f) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(m[c][r], expected[c * 4 + r], tol) << "column " << c << " row " << r;
}

glm::vec3 centre(const glm::mat4& m) {
    return glm::vec3(m[3]);
}

TEST(OrbitalScene, ProjectionHasTheFixedSixtyDegreeElements) {
    const glm::mat4 p = sceneProjection(tanf(FIELD_OF_VIEW_HALF));
    const float expected[16] = {1.2990381f, 0, 0,          0,  0, 1.7320509f, 0,           0,
                                0,          0, -1.002002f, -1, 0, 0,          -0.2002002f, 0};
    expectColumns(p, expected);
    // Same as glm's own right-handed, -1..1 perspective.
    expectColumns(glm::perspective(2 * FIELD_OF_VIEW_HALF, VIEW_ASPECT, NEAR_PLANE, FAR_PLANE),
                  expected);
}

TEST(OrbitalScene, BodiesAtTimeZero) {
    const BodyModels m = bodyModelsAt(0.0f, SPIN_AXIS);
    const float earth[16] = {0.2828427f, 0.2828427f, 0,    0, -0.2828427f, 0.2828427f, 0, 0,
                             0,          0,          0.4f, 0, -6,          0,          0, 1};
    const float moon[16] = {0.1414214f, -0.1414214f, 0,    0, 0.1414214f, 0.1414214f,  0, 0,
                            0,          0,           0.2f, 0, -5.292893f, -0.7071068f, 0, 1};
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectColumns(m.earth, earth);
    expectColumns(m.moon, moon);
    expectColumns(m.sun, identity);
}

TEST(OrbitalScene, BodiesAfterOneSecondTwoAndNine) {
    const BodyModels one = bodyModelsAt(1.0f, SPIN_AXIS);
    const float earth[16] = {0.2828427f, 0.2828427f, 0,         0, 0.2828427f, -0.2828427f,
                             0,          0,          0,         0, -0.4f,      0,
                             -4.242641f, 0,          2.121320f, 1};
    expectColumns(one.earth, earth, 2e-6f);
    const glm::vec3 moonAtOne = centre(one.moon);
    EXPECT_NEAR(moonAtOne.x, -4.949747f, 1e-5f);
    EXPECT_NEAR(moonAtOne.y, 0.7071068f, 1e-5f);
    EXPECT_NEAR(moonAtOne.z, 2.121320f, 1e-5f);

    const BodyModels two = bodyModelsAt(2.0f, SPIN_AXIS);
    EXPECT_NEAR(glm::distance(centre(two.earth), glm::vec3(0, 0, 3)), 0.0f, 1e-5f);
    const glm::vec3 offset = centre(two.moon) - centre(two.earth);
    EXPECT_NEAR(offset.x, 0.7071068f, 1e-5f);
    EXPECT_NEAR(offset.y, -0.7071068f, 1e-5f);
    EXPECT_NEAR(centre(bodyModelsAt(4.0f, SPIN_AXIS).earth).x, 6.0f, 1e-5f);

    // A quarter turn of the Sun: +x goes to -z and +z to +x.
    const glm::mat4 sun = bodyModelsAt(9.0f, SPIN_AXIS).sun;
    const glm::vec3 x = glm::vec3(sun * glm::vec4(1, 0, 0, 0));
    const glm::vec3 z = glm::vec3(sun * glm::vec4(0, 0, 1, 0));
    EXPECT_NEAR(glm::distance(x, glm::vec3(0, 0, -1)), 0.0f, 1e-5f);
    EXPECT_NEAR(glm::distance(z, glm::vec3(1, 0, 0)), 0.0f, 1e-5f);
}

TEST(OrbitalScene, BodiesNeverIntersectOverTwoMinutes) {
    for (float t = 0.0f; t < 120.0f; t += 0.01f) {
        const BodyModels m = bodyModelsAt(t, SPIN_AXIS);
        const float sunToEarth = glm::length(centre(m.earth));
        ASSERT_GE(sunToEarth, 3.0f - 1e-5f) << "t = " << t;
        ASSERT_LE(sunToEarth, 6.0f + 1e-5f) << "t = " << t;
        ASSERT_NEAR(glm::distance(centre(m.moon), centre(m.earth)), 1.0f, 1e-5f) << "t = " << t;
        // Uniform scales: every column of the upper 3x3 keeps the body's radius.
        ASSERT_NEAR(glm::length(glm::vec3(m.earth[1])), 0.4f, 1e-5f);
        ASSERT_NEAR(glm::length(glm::vec3(m.moon[2])), 0.2f, 1e-5f);
    }
}

} // namespace
