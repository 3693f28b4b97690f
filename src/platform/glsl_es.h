// GLSL 3.30 core sources as GLSL ES 3.00, which WebGL2 compiles: plain text work, no GL here.
#pragma once

#include <string>

// The source with its version line made GLSL ES 3.00's and a default float precision added; a
// source without a version line is returned as it is, for the compiler to say what is wrong.
std::string glslEsSource(const std::string& source);
