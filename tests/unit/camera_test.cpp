// The fly camera: start values, the mouse-look rule with its pitch limit, opposite move keys.
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "camera/camera_state.h"

namespace {

class CameraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        camera = startCamera();
        firstCursorEvent = true;
    }
};

void expectNear(const glm::vec3& v, const glm::vec3& want, float tol = 1e-5f) {
    EXPECT_LT(glm::distance(v, want), tol) << v.x << ", " << v.y << ", " << v.z;
}

TEST_F(CameraTest, StartsAtTenLookingDownMinusZWhereOppositeMoveKeysCancel) {
    moveCamera({true, true, true, true}, 0.7f); // each key's own way: the scripted e2e run
    expectNear(camera.cameraPos, {0, 0, 10});
    // cos(-90 degrees) in single precision leaves its residue in front.x and right.z.
    EXPECT_FLOAT_EQ(camera.cameraFront.x, -4.371139e-8f);
    EXPECT_FLOAT_EQ(camera.cameraRight.z, -4.371139e-8f);
    expectNear(camera.cameraFront, {0, 0, -1});
    expectNear(camera.cameraRight, {1, 0, 0});
    expectNear(camera.cameraUp, {0, 1, 0});
}

TEST_F(CameraTest, MouseLookTurnsATenthOfADegreePerUnitWithinThePitchLimit) {
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
