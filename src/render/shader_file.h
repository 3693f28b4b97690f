// Shader source files as the program reads them: bounded, regular files only. No OpenGL here.
#pragma once

#include <cstddef>
#include <string>

// Our shaders are a few kilobytes; a larger file is taken as unreadable, so that no file (a huge
// text, or a /proc file whose size says 0) can make the read unbounded.
constexpr std::size_t MAX_SHADER_BYTES = 1 << 20;

// The whole text of one regular file of at most MAX_SHADER_BYTES. Anything else (missing, not a
// regular file, larger, or failing to open) throws std::ios_base::failure.
std::string readShaderFile(const char* path);
