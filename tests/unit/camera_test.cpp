// Camera start values, mouse-look rule and scroll clamp, on the global camera.
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "camera/camera_state.h"

namespace {

class CameraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        camera = startCamera();
        firstCursorEvent = true;
        lastCursorX = 400.0f;
        lastCursorY = 300.0f;
    }
};

void expectVec(const glm::vec3& v, float x, float y, float z, float tol = 1e-6f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TEST_F(CameraTest, StartsAtTenLookingDownMinusZWithSinglePrecisionResidues) {
    expectVec(camera.cameraPos, 0, 0, 10);
    // The residues of cos(-90 deg) in single precision, to the bit.
    EXPECT_FLOAT_EQ(camera.cameraFront.x, -4.371139e-8f);
    EXPECT_EQ(camera.cameraFront.y, 0.0f);
    EXPECT_EQ(camera.cameraFront.z, -1.0f);
    EXPECT_EQ(camera.cameraRight.x, 1.0f);
    EXPECT_FLOAT_EQ(camera.cameraRight.z, -4.371139e-8f);
    expectVec(camera.cameraUp, 0, 1, 0);
    EXPECT_EQ(camera.yaw, -90.0f);
    EXPECT_EQ(camera.pitch, 0.0f);
    EXPECT_EQ(camera.zoom, 45.0f);
    // The global record was derived before main, by the same computation.
    EXPECT_EQ(::camera.cameraFront, startCamera().cameraFront);
}

TEST_F(CameraTest, FirstCursorEventOnlyRecordsThePosition) {
    applyMouseLook(731.0f, 12.0f);
    EXPECT_FALSE(firstCursorEvent);
    EXPECT_EQ(camera.yaw, -90.0f);
    EXPECT_EQ(camera.pitch, 0.0f);
    EXPECT_EQ(lastCursorX, 731.0f);
    EXPECT_EQ(lastCursorY, 12.0f);
}

TEST_F(CameraTest, TenUnitsTurnOneDegreeRightAndUp) {
    applyMouseLook(100.0f, 100.0f);
    applyMouseLook(110.0f, 100.0f);
    EXPECT_NEAR(camera.yaw, -89.0f, 1e-5f);
    EXPECT_EQ(camera.pitch, 0.0f);
    EXPECT_GT(camera.cameraFront.x, 0.0f); // turned to the right
    applyMouseLook(110.0f, 90.0f);         // screen y shrinks when the cursor moves up
    EXPECT_NEAR(camera.pitch, 1.0f, 1e-5f);
    EXPECT_GT(camera.cameraFront.y, 0.0f);
    EXPECT_NEAR(glm::length(camera.cameraFront), 1.0f, 1e-6f);
    EXPECT_NEAR(glm::dot(camera.cameraFront, camera.cameraRight), 0.0f, 1e-6f);
}

TEST_F(CameraTest, PitchClampsAtEightyNineAndTurnsBackFromTheClamp) {
    applyMouseLook(0.0f, 0.0f);
    applyMouseLook(0.0f, 5000.0f); // far down: -500 degrees unclamped
    EXPECT_EQ(camera.pitch, -89.0f);
    applyMouseLook(0.0f, 4990.0f); // back up by one degree from the clamp
    EXPECT_NEAR(camera.pitch, -88.0f, 1e-4f);
    applyMouseLook(0.0f, -5000.0f);
    EXPECT_EQ(camera.pitch, 89.0f);
    // Never parallel to world up, so right stays a unit vector.
    EXPECT_NEAR(glm::length(camera.cameraRight), 1.0f, 1e-5f);
}

TEST_F(CameraTest, YawIsNeverWrappedAndTheVectorsRepeat) {
    applyMouseLook(0.0f, 0.0f);
    applyMouseLook(3600.0f, 0.0f); // +360 degrees
    EXPECT_NEAR(camera.yaw, 270.0f, 1e-3f);
    applyMouseLook(-4000.0f, 0.0f); // -760 degrees
    EXPECT_NEAR(camera.yaw, -490.0f, 1e-3f);
    CameraState reference = startCamera();
    reference.yaw = -490.0f + 360.0f;
    deriveCameraVectors(reference);
    expectVec(camera.cameraFront, reference.cameraFront.x, reference.cameraFront.y,
              reference.cameraFront.z, 1e-4f);
}

TEST_F(CameraTest, MovementFollowsFrontAndRightAndOppositeKeysCancel) {
    moveCamera({true, false, false, false}, 2.0f); // 5 units along front
    EXPECT_NEAR(camera.cameraPos.z, 5.0f, 1e-5f);
    moveCamera({false, false, false, true}, 0.4f); // 1 unit along right
    EXPECT_NEAR(camera.cameraPos.x, 1.0f, 1e-6f);
    const glm::vec3 before = camera.cameraPos;
    moveCamera({true, true, true, true}, 0.7f);
    EXPECT_NEAR(glm::distance(camera.cameraPos, before), 0.0f, 1e-6f);
    // Looking up, W climbs.
    camera.pitch = 45.0f;
    deriveCameraVectors(camera);
    moveCamera({true, false, false, false}, 1.0f);
    EXPECT_NEAR(camera.cameraPos.y, 2.5f * 0.70710677f, 1e-5f);
}

TEST_F(CameraTest, ScrollKeepsZoomWithinOneAndFortyFive) {
    applyScroll(10.0f);
    EXPECT_EQ(camera.zoom, 35.0f);
    applyScroll(100.0f);
    EXPECT_EQ(camera.zoom, 1.0f);
    applyScroll(-0.5f);
    EXPECT_EQ(camera.zoom, 1.5f);
    applyScroll(-100.0f);
    EXPECT_EQ(camera.zoom, 45.0f);
}

} // namespace
