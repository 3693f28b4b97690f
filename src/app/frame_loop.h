// The frame loop: timing, movement, lighting and the three body draws, until the window closes.
#pragma once

struct GLFWwindow;
class ShaderProgram;

void runFrameLoop(GLFWwindow* window, const ShaderProgram& program);
