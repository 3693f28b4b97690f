// Shader files: the bounded read of regular files only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ios>
#include <sys/stat.h>

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

} // namespace
