// The bounded read of one shader source file.
#include "render/shader_file.h"

#include <filesystem>
#include <fstream>

std::string readShaderFile(const char* path) {
    // Checked before opening, since opening a FIFO blocks until a writer comes.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw std::ios_base::failure("not a regular file");
    std::ifstream file;
    file.exceptions(std::ifstream::failbit | std::ifstream::badbit);
    file.open(path);
    // At most one byte past the limit, through the stream buffer, to which a short read is no
    // failure.
    std::string text(MAX_SHADER_BYTES + 1, '\0');
    text.resize(static_cast<std::size_t>(file.rdbuf()->sgetn(&text[0], text.size())));
    if (text.size() > MAX_SHADER_BYTES)
        throw std::ios_base::failure("larger than a shader file");
    file.close();
    return text;
}
