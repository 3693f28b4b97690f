// The bodies' model matrices at chosen times, against values worked out by hand.
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "app/frame_clock.h"
#include "app/orbital_scene.h"

namespace {

void expectColumns(const glm::mat4& m, const glm::mat4& want, float tol = 2e-6f) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(m[c][r], want[c][r], tol) << "column " << c << " row " << r;
}

void expectNear(const glm::vec3& v, const glm::vec3& want) {
    EXPECT_NEAR(glm::distance(v, want), 0.0f, 1e-5f) << v.x << ", " << v.y << ", " << v.z;
}

TEST(OrbitalScene, BodiesAtChosenTimes) {
    const BodyModels zero = bodyModelsAt(0.0f); // only the Earth's tilt and scale, at (-6, 0, 0)
    expectColumns(zero.earth, {0.2828427f, 0.2828427f, 0, 0, -0.2828427f, 0.2828427f, 0, 0, 0, 0,
                               0.4f, 0, -6, 0, 0, 1});
    expectColumns(zero.moon, {0.1414214f, -0.1414214f, 0, 0, 0.1414214f, 0.1414214f, 0, 0, 0, 0,
                              0.2f, 0, -5.292893f, -0.7071068f, 0, 1});
    expectColumns(zero.sun, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});

    // After 1 s the spin has made 2.5 turns: a half turn about (1, 1, 0).
    const BodyModels one = bodyModelsAt(1.0f);
    expectColumns(one.earth,
                  {0.2828427f, 0.2828427f, 0, 0, 0.2828427f, -0.2828427f, 0, 0, 0, 0, -0.4f, 0,
                   -4.242641f, 0, 2.121320f, 1},
                  1e-5f);
    expectNear(glm::vec3(one.moon[3]), {-4.949747f, 0.7071068f, 2.121320f});

    const BodyModels two = bodyModelsAt(2.0f);
    expectNear(glm::vec3(two.earth[3]), {0, 0, 3});
    expectNear(glm::vec3(two.moon[3]) - glm::vec3(two.earth[3]), {0.7071068f, -0.7071068f, 0});

    const glm::mat4 sun = bodyModelsAt(9.0f).sun; // a quarter turn: +x to -z, +z to +x
    expectNear(glm::vec3(sun * glm::vec4(1, 0, 0, 0)), {0, 0, -1});
    expectNear(glm::vec3(sun * glm::vec4(0, 0, 1, 0)), {1, 0, 0});
}

// The scene clock wraps by a period in which every body repeats: each body's model across the
// wraps at 72 and 144 s as unwrapped, nothing changed in the first period, steady 1 ms steps a
// day and 50 s in.
TEST(FrameClock, SceneRepeatsAndStepsStaySteadyAfterADay) {
    for (const double c : {0.3, 45.1, 71.9, 108.3, 155.9}) {
        const BodyModels wrapped = bodyModelsAt(sceneTime(c)), plain = bodyModelsAt(float(c));
        expectColumns(wrapped.earth, plain.earth, 1e-3f);
        expectColumns(wrapped.moon, plain.moon, 1e-3f);
        expectColumns(wrapped.sun, plain.sun, 1e-3f);
        if (c < SCENE_PERIOD) {
            EXPECT_EQ(sceneTime(c), float(c));
        }
    }
    FrameTiming timing{0.0f, 86450.0}; // float seconds there step by 7.8 ms
    for (double now = 86450.001; now < 86450.1; now += 0.001) {
        timing.advance(now);
        EXPECT_NEAR(timing.deltaTime, 0.001f, 1e-7f);
        EXPECT_NEAR(sceneTime(now) - sceneTime(now - 0.001), 0.001f, 1e-5f);
    }
}

} // namespace
