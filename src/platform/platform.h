// The few places where the desktop's OpenGL 3.3 core and the browser's WebGL2 differ, behind one
// header: CMake builds desktop_platform.cpp, or web_platform.cpp for the browser.
#pragma once

#include <glad/gl.h>
#include <string>

struct GLFWwindow;

// The shader text this GL compiles: the file as it is on the desktop; in the browser, with its
// version line made GLSL ES 3.00's.
std::string shaderSourceForThisGL(const std::string& source);

// glPointSize where the GL has it; WebGL2 has none.
void setPointSize(float size);

// Filled or wireframe drawing, for F and L: glPolygonMode on the desktop; in the browser, which
// has no polygon mode, the choice drawSphereWireframe acts on.
void setPolygonMode(GLenum mode);

// In the browser's wireframe, draws the bound sphere's triangle edges as lines and returns true;
// otherwise (and always on the desktop) draws nothing and returns false.
bool drawSphereWireframe();

// Shows the frame just drawn. The browser shows it only once the program hands control back, so
// there this also waits for the browser's next animation frame, and input arrives meanwhile.
void presentFrame(GLFWwindow* window);
