// The browser's side of the platform layer: WebGL2 (OpenGL ES 3.0 and GLSL ES 3.00) in place of
// OpenGL 3.3 core, a start-up and a frame loop that hand control back to the browser between steps
// and after every frame, the window as the page shows it (its size and its cursor), and the maps
// that arrive after start-up.
#include "platform/platform.h"

#include <GLFW/glfw3.h>
#include <algorithm>
#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/web_rules.h"

namespace {

// Resolves on the browser's next animation frame, which shows what was drawn before it; then the
// page hears that a frame was shown.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
    await new Promise(requestAnimationFrame);
    if (Module.onFrameShown)
        Module.onFrameShown();
});

// Resumes in a new task, once the browser has run what waited meanwhile.
EM_ASYNC_JS(void, yieldToBrowser, (),
            { await new Promise(function(resume) { setTimeout(resume, 0); }); });

// The drawing buffer the page asks for (axis 0 its width, 1 its height): the canvas's shown size
// in device pixels.
EM_JS(int, pageBufferSide, (int axis), { return Module.drawingBufferSize()[axis]; });

// A new shown size is a resized window: the canvas's drawing buffer takes it, and the program's
// framebuffer-size handler sets the viewport. The canvas is sized through html5.h, not through
// glfwSetWindowSize: Emscripten 3.1.6's GLFW goes full screen instead when the size asked equals
// the screen's, which a page at its device pixels may well ask. So GLFW keeps the window's first
// size, which nothing reads, and gets no framebuffer-size handler of its own.
constexpr const char* CANVAS = "#canvas"; // the shell's canvas
void (*framebufferSizeHandler)(GLFWwindow*, int, int) = nullptr;
void followShownSize(GLFWwindow* window) {
    const int width = pageBufferSide(0), height = pageBufferSide(1);
    int bufferWidth = 0, bufferHeight = 0;
    emscripten_get_canvas_element_size(CANVAS, &bufferWidth, &bufferHeight);
    if (bufferFollowsShownSize(width, height, bufferWidth, bufferHeight)) {
        emscripten_set_canvas_element_size(CANVAS, width, height);
        if (framebufferSizeHandler != nullptr)
            framebufferSizeHandler(window, width, height);
    }
}

// Emscripten's GLFW reports the cursor in drawing-buffer pixels, which would turn the view faster
// the more pixels the picture has. The page reports it in the window's own units instead (its
// width across the picture whatever its shown size, as the build tells the page) through
// movePageCursor; GLFW gets no handler.
GLFWwindow* cursorWindow = nullptr;
void (*cursorHandler)(GLFWwindow*, double, double) = nullptr;

// The page's next map that has arrived whole since the last frame, written to the program's files
// and its path put in `path`; false when there is none (Module.takeLateFile in web/shell.html).
EM_JS(bool, takeLateFile, (char* path, int size), {
    const name = Module.takeLateFile ? Module.takeLateFile() : "";
    stringToUTF8(name, path, size);
    return name.length > 0;
});
void (*lateFileHandler)(const char*) = nullptr;

} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void movePageCursor(double x, double y) {
    if (cursorHandler != nullptr)
        cursorHandler(cursorWindow, x, y);
}

void setFramebufferSizeHandler(GLFWwindow*, void (*handler)(GLFWwindow*, int, int)) {
    framebufferSizeHandler = handler;
}

void setCursorHandler(GLFWwindow* window, void (*handler)(GLFWwindow*, double, double)) {
    cursorWindow = window;
    cursorHandler = handler;
}

void setLateFileHandler(void (*handler)(const char*)) {
    lateFileHandler = handler;
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

// Start-up in several tasks, so that none of them keeps a key or the page's loading waiting for
// all of it.
void startUpStepDone() {
    yieldToBrowser();
}

// One late file a frame, so that no frame waits for more than one map's upload.
void presentFrame(GLFWwindow* window) {
    glfwSwapBuffers(window);
    waitForAnimationFrame();
    followShownSize(window);
    char path[256];
    if (lateFileHandler != nullptr && takeLateFile(path, sizeof path))
        lateFileHandler(path);
}
