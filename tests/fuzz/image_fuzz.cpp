// libFuzzer entry: each input is written to a file in the working directory and decoded as a
// planet image would be, with the side limit of a typical GL implementation.
#include <cstdint>
#include <fstream>

#include "render/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream("fuzz-input.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    freeRgbImage(decodeRgbImage("fuzz-input.bmp", 16384));
    return 0;
}
