// The frame clock: GLFW's double-precision seconds turned into the single-precision time step and
// scene time of a frame, both exact however long the program has run.
#pragma once

// Seconds between the starts of this frame and the previous one; the previous start itself is
// kept in double precision, so the step stays exact after days of running.
struct FrameTiming {
    float deltaTime = 0.0f;
    double lastFrame = 0.0;

    // Takes the clock reading at the start of a frame.
    void advance(double now);
};

// Animation time for a clock reading: wrapped by the scene's period (SCENE_PERIOD) before it
// becomes single precision, so the bodies move as smoothly after a day as in the first minute.
float sceneTime(double clock);
