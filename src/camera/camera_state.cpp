// The fly camera's global state and its update rules; pure arithmetic, no window needed.
#include "camera/camera_state.h"

#include <cmath>

namespace {

constexpr float DEGREES_TO_RADIANS = 0.017453292f;
constexpr float PITCH_LIMIT = 89.0f;
constexpr float ZOOM_MIN = 1.0f;
constexpr float ZOOM_MAX = 45.0f;

// Single-precision normalize: v times 1 / sqrt(v.v).
glm::vec3 normalized(const glm::vec3& v) {
    return v * (1.0f / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
}

glm::vec3 crossed(const glm::vec3& a, const glm::vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

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
    deriveCameraVectors(c);
    return c;
}

// Derived during static initialisation, so the first frame already has a consistent camera.
CameraState camera = startCamera();
bool firstCursorEvent = true;
float lastCursorX = 400.0f;
float lastCursorY = 300.0f;

void deriveCameraVectors(CameraState& c) {
    const float y = c.yaw * DEGREES_TO_RADIANS;
    const float p = c.pitch * DEGREES_TO_RADIANS;
    const glm::vec3 f{cosf(y) * cosf(p), sinf(p), sinf(y) * cosf(p)};
    c.cameraFront = normalized(f);
    c.cameraRight = normalized(crossed(c.cameraFront, c.worldUp));
    c.cameraUp = normalized(crossed(c.cameraRight, c.cameraFront));
}

void updateCameraVectors() {
    deriveCameraVectors(camera);
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

    updateCameraVectors();
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
