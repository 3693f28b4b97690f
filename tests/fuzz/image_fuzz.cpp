// libFuzzer entry: each input becomes a file in a private directory and is decoded as a planet
// image would be, with the side limit of a typical GL implementation.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "render/image_file.h"

static std::filesystem::path directory;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (directory.empty()) {
        char name[] = "/tmp/kivo_fuzz_XXXXXX";
        directory = mkdtemp(name);
        std::atexit([] { std::filesystem::remove_all(directory); });
    }
    const std::string path = directory / "input.bmp";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    freeRgbImage(decodeRgbImage(path.c_str(), 16384));
    return 0;
}
