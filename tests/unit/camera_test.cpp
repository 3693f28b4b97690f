// The fly camera: start values, each move key's own way and speed, the mouse-look rule with its
// pitch limit.
#include <glm/geometric.hpp>
#include <gtest/gtest.h>
#include <tuple>

#include "camera/camera_state.h"

namespace {

void expectNear(const glm::vec3& v, const glm::vec3& want, float tol = 1e-5f) {
    EXPECT_LT(glm::distance(v, want), tol) << v.x << ", " << v.y << ", " << v.z;
}

// From the start (at 10 on z, looking down -z), and after turning 90 degrees right and 30 up:
// 0.4 s at 2.5 units a second is one unit along front (W), -front, -right, right; W climbs.
TEST(Camera, EachMoveKeyGoesItsOwnWayAtItsSpeedAndOppositeKeysCancel) {
    camera = startCamera();
    expectNear(camera.cameraFront, {0, 0, -1});
    expectNear(camera.cameraRight, {1, 0, 0});
    expectNear(camera.cameraUp, {0, 1, 0});
    const float s = 0.5f, c = 0.8660254f; // sin and cos of 30 degrees
    const std::tuple<MoveKeys, glm::vec3, glm::vec3> cases[] = {
        {{true, false, false, false}, {0, 0, 9}, {c, s, 10}},
        {{false, true, false, false}, {0, 0, 11}, {-c, -s, 10}},
        {{false, false, true, false}, {-1, 0, 10}, {0, 0, 9}},
        {{false, false, false, true}, {1, 0, 10}, {0, 0, 11}},
        {{true, true, true, true}, {0, 0, 10}, {0, 0, 10}}};
    for (const auto& [keys, start, turned] : cases) {
        camera = startCamera();
        moveCamera(keys, 0.4f);
        expectNear(camera.cameraPos, start);
        camera.yaw = 0.0f;
        camera.pitch = 30.0f;
        updateCameraVectors(camera);
        camera.cameraPos = {0, 0, 10};
        moveCamera(keys, 0.4f);
        expectNear(camera.cameraPos, turned);
    }
}

TEST(Camera, MouseLookTurnsATenthOfADegreePerUnitWithinThePitchLimit) {
    camera = startCamera();
    firstCursorEvent = true;
    applyMouseLook(731.0f, 12.0f); // the first event only records where the cursor is
    applyMouseLook(741.0f, 2.0f);  // 10 right and 10 up
    EXPECT_NEAR(camera.yaw, -89.0f, 1e-5f);
    EXPECT_NEAR(camera.pitch, 1.0f, 1e-5f);
    applyMouseLook(741.0f, 5000.0f);
    EXPECT_EQ(camera.pitch, -89.0f);
    applyMouseLook(741.0f, 4990.0f); // back up one degree from the limit, not from the sum
    EXPECT_NEAR(camera.pitch, -88.0f, 1e-4f);
    applyMouseLook(741.0f, -5000.0f);
    EXPECT_EQ(camera.pitch, 89.0f);
}

} // namespace
