// The fly camera's global state and its update rules; pure arithmetic, no window needed.
#include "camera/camera_state.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <glm/trigonometric.hpp>

namespace {

constexpr float PITCH_LIMIT = 89.0f;
constexpr float ZOOM_MIN = 1.0f;
constexpr float ZOOM_MAX = 45.0f;

} // namespace

CameraState startCamera() {
    CameraState c{};
    c.cameraPos = {0.0f, 0.0f, 10.0f};
    c.worldUp = {0.0f, 1.0f, 0.0f};
    c.yaw = -90.0f;
    c.pitch = 0.0f;
    c.moveSpeed = 2.5f;
    c.lookSensitivity = 0.1f;
    c.zoom = 45.0f;
    updateCameraVectors(c);
    return c;
}

// Derived during static initialisation, so the first frame already has a consistent camera.
CameraState camera = startCamera();
bool firstCursorEvent = true;
float lastCursorX = WINDOW_WIDTH / 2.0f;
float lastCursorY = WINDOW_HEIGHT / 2.0f;

void updateCameraVectors(CameraState& c) {
    const float y = glm::radians(c.yaw);
    const float p = glm::radians(c.pitch);
    const glm::vec3 f{cosf(y) * cosf(p), sinf(p), sinf(y) * cosf(p)};
    c.cameraFront = glm::normalize(f);
    c.cameraRight = glm::normalize(glm::cross(c.cameraFront, c.worldUp));
    c.cameraUp = glm::normalize(glm::cross(c.cameraRight, c.cameraFront));
}

void applyMouseLook(float x, float y) {
    if (firstCursorEvent) {
        firstCursorEvent = false;
        lastCursorX = x;
        lastCursorY = y;
    }
    const float dx = x - lastCursorX;
    const float dy = lastCursorY - y; // screen y grows downward; looking up is positive
    lastCursorX = x;
    lastCursorY = y;

    camera.yaw += dx * camera.lookSensitivity;
    camera.pitch += dy * camera.lookSensitivity;
    if (camera.pitch > PITCH_LIMIT)
        camera.pitch = PITCH_LIMIT;
    else if (camera.pitch < -PITCH_LIMIT)
        camera.pitch = -PITCH_LIMIT;

    updateCameraVectors(camera);
}

void moveCamera(const MoveKeys& keys, float deltaTime) {
    const float step = camera.moveSpeed * deltaTime;
    if (keys.forward)
        camera.cameraPos += step * camera.cameraFront;
    if (keys.back)
        camera.cameraPos -= step * camera.cameraFront;
    if (keys.left)
        camera.cameraPos -= step * camera.cameraRight;
    if (keys.right)
        camera.cameraPos += step * camera.cameraRight;
}

void applyScroll(float yOffset) {
    camera.zoom -= yOffset;
    if (camera.zoom < ZOOM_MIN)
        camera.zoom = ZOOM_MIN;
    else if (camera.zoom > ZOOM_MAX)
        camera.zoom = ZOOM_MAX;
}
