// The browser's side of the platform layer: WebGL2 (OpenGL ES 3.0 and GLSL ES 3.00) in place of
// OpenGL 3.3 core, a frame loop that hands control back to the browser after every frame, and the
// window as the page shows it: its size and its cursor.
#include "platform/platform.h"

#include <GLFW/glfw3.h>
#include <algorithm>
#include <emscripten.h>

#include "platform/glsl_es.h"

namespace {

// Resolves on the browser's next animation frame, which shows what was drawn before it; then the
// page hears that a frame was shown.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
    await new Promise(requestAnimationFrame);
    if (Module.onFrameShown)
        Module.onFrameShown();
});

// The drawing buffer the page asks for (axis 0 its width, 1 its height): the canvas's shown size
// in device pixels.
EM_JS(int, pageBufferSide, (int axis), { return Module.drawingBufferSize()[axis]; });

// A new shown size is a resized window: GLFW sizes the canvas's drawing buffer to it and calls
// the program's framebuffer-size handler, which sets the viewport.
void followShownSize(GLFWwindow* window) {
    const int width = pageBufferSide(0), height = pageBufferSide(1);
    int bufferWidth = 0, bufferHeight = 0;
    glfwGetFramebufferSize(window, &bufferWidth, &bufferHeight);
    if (width > 0 && height > 0 && (width != bufferWidth || height != bufferHeight))
        glfwSetWindowSize(window, width, height);
}

// Emscripten's GLFW reports the cursor in drawing-buffer pixels, which would turn the view faster
// the more pixels the picture has. The page reports it in the window's own units instead, 800
// across the picture whatever its shown size, so the program's cursor handler is taken from GLFW
// at the first frame and called from movePageCursor.
GLFWwindow* cursorWindow = nullptr;
GLFWcursorposfun cursorHandler = nullptr;

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void movePageCursor(double x, double y) {
    if (cursorHandler != nullptr)
        cursorHandler(cursorWindow, x, y);
}

std::string shaderSourceForThisGL(const std::string& source) {
    return glslEsSource(source);
}

void addPlatformWindowHints() {}

// WebGL2 has neither glPolygonMode nor glPointSize (GLAD leaves their pointers null); its
// glLineWidth takes any width and draws what the browser allows.
const GLFeatures& glFeatures() {
    static const GLFeatures features{false, false, true};
    return features;
}

void presentFrame(GLFWwindow* window) {
    if (cursorWindow == nullptr) {
        cursorWindow = window;
        cursorHandler = glfwSetCursorPosCallback(window, nullptr);
    }
    glfwSwapBuffers(window);
    waitForAnimationFrame();
    followShownSize(window);
}
