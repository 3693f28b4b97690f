// The fly camera: start values, mouse-look rule with its pitch limit, movement and scroll.
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

void expectNear(const glm::vec3& v, const glm::vec3& want, float tol = 1e-6f) {
    EXPECT_NEAR(glm::distance(v, want), 0.0f, tol) << v.x << ", " << v.y << ", " << v.z;
}

TEST_F(CameraTest, StartsAtTenLookingDownMinusZ) {
    expectNear(camera.cameraPos, {0, 0, 10});
    // cos(-90 degrees) in single precision leaves its residue in front.x and right.z.
    EXPECT_FLOAT_EQ(camera.cameraFront.x, -4.371139e-8f);
    expectNear(camera.cameraFront, {0, 0, -1});
    EXPECT_FLOAT_EQ(camera.cameraRight.z, -4.371139e-8f);
    expectNear(camera.cameraRight, {1, 0, 0});
    expectNear(camera.cameraUp, {0, 1, 0});
    EXPECT_EQ(camera.zoom, 45.0f);
}

TEST_F(CameraTest, MouseLookTurnsATenthOfADegreePerUnitWithinThePitchLimit) {
    applyMouseLook(731.0f, 12.0f); // the first event only records where the cursor is
    EXPECT_EQ(camera.yaw, -90.0f);
    EXPECT_EQ(camera.pitch, 0.0f);
    applyMouseLook(741.0f, 12.0f);
    EXPECT_NEAR(camera.yaw, -89.0f, 1e-5f);
    EXPECT_GT(camera.cameraFront.x, 0.0f); // turned right
    applyMouseLook(741.0f, 2.0f);          // the cursor moved up
    EXPECT_NEAR(camera.pitch, 1.0f, 1e-5f);
    EXPECT_GT(camera.cameraFront.y, 0.0f);
    expectNear(camera.cameraUp, glm::cross(camera.cameraRight, camera.cameraFront));

    applyMouseLook(741.0f, 5000.0f);
    EXPECT_EQ(camera.pitch, -89.0f);
    applyMouseLook(741.0f, 4990.0f); // back up one degree from the limit, not from the sum
    EXPECT_NEAR(camera.pitch, -88.0f, 1e-4f);
    applyMouseLook(741.0f, -5000.0f);
    EXPECT_EQ(camera.pitch, 89.0f);
    EXPECT_NEAR(glm::length(camera.cameraRight), 1.0f, 1e-5f);

    const glm::vec3 front = camera.cameraFront;
    applyMouseLook(741.0f + 3600.0f, -5000.0f); // a full turn: yaw is not wrapped
    EXPECT_NEAR(camera.yaw, -89.0f + 360.0f, 1e-3f);
    expectNear(camera.cameraFront, front, 1e-4f);
}

TEST_F(CameraTest, MovesAlongFrontAndRightAtTwoAndAHalfUnitsPerSecond) {
    moveCamera({true, false, false, false}, 2.0f);
    expectNear(camera.cameraPos, {0, 0, 5}, 1e-5f);
    moveCamera({false, false, false, true}, 0.4f);
    expectNear(camera.cameraPos, {1, 0, 5}, 1e-5f);
    moveCamera({true, true, true, true}, 0.7f); // opposite keys cancel
    expectNear(camera.cameraPos, {1, 0, 5}, 1e-5f);
    camera.pitch = 45.0f; // looking up, W climbs
    updateCameraVectors(camera);
    moveCamera({true, false, false, false}, 1.0f);
    EXPECT_NEAR(camera.cameraPos.y, 2.5f * 0.70710677f, 1e-5f);
}

TEST_F(CameraTest, ScrollKeepsZoomWithinOneAndFortyFive) {
    applyScroll(10.0f);
    EXPECT_EQ(camera.zoom, 35.0f);
    applyScroll(100.0f);
    EXPECT_EQ(camera.zoom, 1.0f);
    applyScroll(-100.0f);
    EXPECT_EQ(camera.zoom, 45.0f);
}

} // namespace
