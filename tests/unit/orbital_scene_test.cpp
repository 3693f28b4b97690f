// The bodies' model matrices at chosen times, against values worked out by hand.
#include <algorithm>
#include <array>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include "app/frame_clock.h"
#include "app/orbital_scene.h"

namespace {

void expectColumns(const glm::mat4& m, const std::array<float, 16>& want, float tol = 2e-6f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i / 4][i % 4], want[i], tol) << "column " << i / 4 << " row " << i % 4;
}

std::array<float, 16> columns(const glm::mat4& m) {
    std::array<float, 16> values;
    std::copy_n(glm::value_ptr(m), 16, values.begin());
    return values;
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

// The scene clock wraps by the scene's period: the same models a period or a day later, nothing
// changed in the first period, and steady 1 ms steps after a day of running.
TEST(FrameClock, SceneRepeatsAndStepsStaySteadyAfterADay) {
    for (const double t : {0.3, 9.0, 71.9}) {
        EXPECT_EQ(sceneTime(t), static_cast<float>(t));
        const BodyModels first = bodyModelsAt(sceneTime(t));
        for (const double later : {t + SCENE_PERIOD, t + 1201 * SCENE_PERIOD}) {
            const BodyModels again = bodyModelsAt(sceneTime(later));
            expectColumns(again.earth, columns(first.earth));
            expectColumns(again.moon, columns(first.moon));
        }
    }
    FrameTiming timing;
    const double day = 86450.0; // a day and 50 s: float seconds there step by 7.8 ms
    for (int k = 0; k <= 100; ++k) {
        timing.advance(day + k * 0.001);
        if (k > 0) {
            EXPECT_NEAR(timing.deltaTime, 0.001f, 1e-7f) << k;
            EXPECT_NEAR(sceneTime(day + k * 0.001) - sceneTime(day + (k - 1) * 0.001), 0.001f,
                        1e-5f)
                << k;
        }
    }
}

} // namespace
