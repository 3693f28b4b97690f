// Shader files: the bounded read of regular files only, and the text WebGL2 compiles.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ios>
#include <sys/stat.h>

#include "platform/glsl_es.h"
#include "render/shader_file.h"

namespace {

bool readable(const std::string& path) {
    try {
        readShaderFile(path.c_str());
        return true;
    } catch (const std::ios_base::failure&) {
        return false;
    }
}

TEST(ShaderFile, ReadsRegularFilesUpToTheLimitAndRefusesAllElseWithoutBlocking) {
    const std::string dir = ::testing::TempDir() + "shader_file_test/";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "a_directory");
    const std::string largest(MAX_SHADER_BYTES, 'x');
    std::ofstream(dir + "largest", std::ios::binary) << largest;
    EXPECT_EQ(readShaderFile((dir + "largest").c_str()), largest);
    std::ofstream(dir + "one_more", std::ios::binary) << largest << 'x';
    // Sparse: 256 MiB that read as zeros and take no disk.
    std::ofstream(dir + "huge");
    std::filesystem::resize_file(dir + "huge", 256u << 20);
    ASSERT_EQ(mkfifo((dir + "fifo").c_str(), 0600), 0); // opening it would wait for a writer
    for (const char* name : {"missing", "a_directory", "one_more", "huge", "fifo"})
        EXPECT_FALSE(readable(dir + name)) << name;
    EXPECT_FALSE(readable("/proc/kallsyms")); // megabytes, though its size says 0
}

TEST(ShaderFile, EsSourceSwapsTheVersionLineKeepingLineNumbers) {
    const std::string es = "#version 300 es\n#line 1\n";
    EXPECT_EQ(glslEsSource("#version 330 core\nvoid main() {}\n"),
              es + "precision highp float;\nvoid main() {}\n");
    EXPECT_EQ(glslEsSource("// a note\n#version 330 core"),
              es + "// a note\nprecision highp float;");
    EXPECT_EQ(glslEsSource("void main() {}\n"), "void main() {}\n");
}

} // namespace
