// The desktop's side of the platform layer: OpenGL 3.3 core has every call the program makes,
// but for wide lines in a forward-compatible context (the only kind macOS gives); on POSIX
// systems, standard streams that cannot swallow a diagnostic or end the program.
#include "platform/platform.h"

#include <GLFW/glfw3.h>

void addPlatformWindowHints() {
#ifdef __APPLE__
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
#endif
}

const GLFeatures& glFeatures() {
    // GLFW knows how the context was made, so no GL call is needed to ask.
    static const GLFeatures features{
        true, true,
        glfwGetWindowAttrib(glfwGetCurrentContext(), GLFW_OPENGL_FORWARD_COMPAT) == GLFW_FALSE};
    return features;
}

std::string shaderSourceForThisGL(const std::string& source) {
    return source;
}

void startUpStepDone() {}

void presentFrame(GLFWwindow* window) {
    glfwSwapBuffers(window);
}

void setFramebufferSizeHandler(GLFWwindow* window, void (*handler)(GLFWwindow*, int, int)) {
    glfwSetFramebufferSizeCallback(window, handler);
}

void setCursorHandler(GLFWwindow* window, void (*handler)(GLFWwindow*, double, double)) {
    glfwSetCursorPosCallback(window, handler);
}

void setLateFileHandler(void (*)(const char*)) {}

// Standard streams made safe before main starts up, on POSIX systems.
#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Runs during static initialisation, so before main's start-up: GLFW's display connection and
// every file opened later take the lowest free descriptor, and a standard stream that came closed
// would hand its number to one of them, so that diagnostics went into the display's protocol
// stream or a file. Each closed one is opened on the null device first. SIGPIPE is ignored so that
// a line written to a pipe whose reader has gone is lost instead of ending the program.
struct SafeStandardStreams {
    SafeStandardStreams() {
        // In ascending order, opening takes the lowest free descriptor: the closed stream's own.
        for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
            if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
                open("/dev/null", O_RDWR);
        std::signal(SIGPIPE, SIG_IGN);
    }
} const safeStandardStreams;

} // namespace
#endif
