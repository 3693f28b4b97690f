// The frame loop: timing, movement, lighting and the three body draws, until the window closes.
#pragma once

struct GLFWwindow;
class ShaderProgram;

struct FrameTiming {
    float deltaTime; // seconds between this frame's start and the previous one's
    float lastFrame; // clock value at the previous frame's start
};

extern FrameTiming frameTiming;

void runFrameLoop(GLFWwindow* window, const ShaderProgram& program);
