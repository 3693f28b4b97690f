// The one fly camera: its record, the cursor-tracking globals and the rules that move and turn it.
#pragma once

#include <glm/vec3.hpp>

// The window the camera looks through, as it opens, in screen units. The projection keeps its
// aspect whatever size the window takes later, and the cursor is taken to start at its centre.
constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;

struct CameraState {
    glm::vec3 cameraPos;
    glm::vec3 cameraFront;
    glm::vec3 cameraUp;
    glm::vec3 cameraRight;
    glm::vec3 worldUp;
    float yaw;             // degrees; never wrapped
    float pitch;           // degrees; kept within [-89, 89] by the mouse-look rule
    float moveSpeed;       // world units per second
    float lookSensitivity; // degrees per unit of cursor motion
    float zoom;            // kept by the scroll wheel; read by nothing
};

// Which movement keys are held this frame.
struct MoveKeys {
    bool forward; // W
    bool back;    // S
    bool left;    // A
    bool right;   // D
};

extern CameraState camera;
extern bool firstCursorEvent;
extern float lastCursorX;
extern float lastCursorY;

// The record as it stands before the first frame, with its derived vectors.
CameraState startCamera();
// Recomputes front, right and up of `c` from its yaw, pitch and world up.
void updateCameraVectors(CameraState& c);
// Turns the global camera by one cursor event at (x, y), window coordinates.
void applyMouseLook(float x, float y);
// Moves the global camera along its stored front and right vectors by moveSpeed * deltaTime.
void moveCamera(const MoveKeys& keys, float deltaTime);
// Moves the global zoom by one wheel event's vertical offset.
void applyScroll(float yOffset);
