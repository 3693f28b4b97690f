// The lowest layer: what each platform's GL and window lack, behind one header. CMake builds
// desktop_platform.cpp, or web_platform.cpp for the browser. Nothing here knows the scene.
#pragma once

#include <string>

struct GLFWwindow;

// Window hints the platform needs beyond the program's own, set just before the window is made:
// macOS gives a 3.3 core context only when it is asked to be forward-compatible.
void addPlatformWindowHints();

// What the current context can do of the calls that differ among platforms.
struct GLFeatures {
    bool polygonMode; // glPolygonMode: WebGL2 has none
    bool pointSize;   // glPointSize: WebGL2 has none
    bool wideLines;   // glLineWidth above 1: a forward-compatible context refuses it
};
// Asked once the context is current; the answer holds for the whole run.
const GLFeatures& glFeatures();

// The shader text this GL compiles: the file as it is on the desktop; in the browser, with its
// version line made GLSL ES 3.00's.
std::string shaderSourceForThisGL(const std::string& source);

// Ends one step of start-up. The browser runs the page, its input and its loading only while the
// program has handed control back, so there the next step starts in a task of its own; the desktop
// goes straight on.
void startUpStepDone();

// Shows the frame just drawn. The browser shows it only once the program hands control back, so
// there this also waits for the browser's next animation frame, and input arrives meanwhile.
void presentFrame(GLFWwindow* window);

// Registers the program's framebuffer-size handler. The desktop hands it to GLFW; the browser
// calls it when the page shows the picture at a new size (see web_platform.cpp).
void setFramebufferSizeHandler(GLFWwindow* window, void (*handler)(GLFWwindow*, int, int));

// Registers the program's cursor handler. The desktop hands it to GLFW; the browser's page reports
// the cursor itself, in the window's units (see web_platform.cpp), and calls it from there.
void setCursorHandler(GLFWwindow* window, void (*handler)(GLFWwindow*, double, double));

// A run file the platform brings after start-up, in place of the one start-up read: the browser's
// page starts the program on small previews of the maps and delivers the exact ones as they
// arrive, one per frame, each passed to `handler` by its path between two frames. The desktop's
// run files are all there at start-up, so it never calls the handler.
void setLateFileHandler(void (*handler)(const char* path));
