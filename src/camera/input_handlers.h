// The window's event handlers: resize, keys, cursor motion and scroll.
#pragma once

struct GLFWwindow;

void onFramebufferResize(GLFWwindow* window, int width, int height);
void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
void onCursorMove(GLFWwindow* window, double x, double y);
void onScroll(GLFWwindow* window, double xOffset, double yOffset);
