// The browser platform's window-free rules, kept apart from its Emscripten calls so that they are
// tested as plain functions: the shader text WebGL2 compiles, and when the canvas follows the page.
#pragma once

#include <string>

// The source with its version line made GLSL ES 3.00's and a default float precision added; a
// source without a version line is returned as it is, for the compiler to say what is wrong.
std::string glslEsSource(const std::string& source);

// Whether a drawing buffer of `bufferWidth` x `bufferHeight` takes the size the page shows the
// picture at: when that differs and is a picture at all. While the page is being laid out or is
// hidden it shows none (0 across), and the buffer keeps its last size.
bool bufferFollowsShownSize(int shownWidth, int shownHeight, int bufferWidth, int bufferHeight);
