// The frame clock's arithmetic, in double precision until the values a frame needs.
#include "app/frame_clock.h"

#include <cmath>

#include "app/orbital_scene.h"

void FrameTiming::advance(double now) {
    deltaTime = static_cast<float>(now - lastFrame);
    lastFrame = now;
}

float sceneTime(double clock) {
    return static_cast<float>(std::fmod(clock, SCENE_PERIOD));
}
