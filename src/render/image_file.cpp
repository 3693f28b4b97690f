// The BMP header check and the decode behind it. stb_image is compiled here with its BMP decoder
// only, so a file of any other format (whatever its name) is refused instead of decoded.
#include "render/image_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

#define STBI_ONLY_BMP
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

std::uint32_t little(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// True when the file is an uncompressed BMP of 1 to maxSide pixels each way whose size covers the
// pixel offset plus every row its header declares. stb allocates the whole image from the header
// before it reads a pixel, and fills missing rows with black, so a short file is refused here.
bool isSoundBmp(const char* path, int maxSide) {
    // Only a regular file, checked before opening: opening a FIFO blocks until a writer comes.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream file(path, std::ios::binary);
    unsigned char h[34] = {}; // file header (14), header size (4), core (8) or info (16) fields
    file.read(reinterpret_cast<char*>(h), sizeof h);
    const std::streamsize got = file.gcount();
    if (got < 26 || h[0] != 'B' || h[1] != 'M')
        return false;
    const std::uint32_t offset = little(h + 10, 4), headerSize = little(h + 14, 4);
    std::int64_t width, height;
    std::uint32_t bpp, compression = 0;
    if (headerSize == 12) { // OS/2 core header: unsigned 16-bit sides, always bottom-up
        width = little(h + 18, 2);
        height = little(h + 20, 2);
        bpp = little(h + 24, 2);
        // stb reads a core header's palette four entries short (for 1 bit: none at all) and
        // colours such pixels from uninitialised memory; only 24-bit core files decode right.
        if (bpp != 24)
            return false;
    } else if (headerSize >= 40 && got == 34) {
        width = static_cast<std::int32_t>(little(h + 18, 4));
        height = static_cast<std::int32_t>(little(h + 22, 4)); // negative: top row first
        bpp = little(h + 28, 2);
        compression = little(h + 30, 4);
        if (height < 0)
            height = -height;
    } else {
        return false;
    }
    // Sides first, so the sizes below cannot overflow: at most 32 * maxSide bits a row.
    if (width < 1 || width > maxSide || height < 1 || height > maxSide)
        return false;
    if ((bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) ||
        (compression != 0 && compression != 3) || offset < 14 + std::uint64_t{headerSize})
        return false;
    const std::uint64_t rowSize = (bpp * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    file.clear();
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (!file || size < offset)
        return false;
    return static_cast<std::uint64_t>(height) <=
           static_cast<std::uint64_t>(size - offset) / rowSize;
}

} // namespace

RgbImage decodeRgbImage(const char* path, int maxSide) {
    RgbImage image{nullptr, 0, 0};
    if (!isSoundBmp(path, maxSide))
        return image;
    int width = 0, height = 0, channels = 0;
    image.pixels = stbi_load(path, &width, &height, &channels, 3); // always RGB, whatever the file
    if (image.pixels) {
        image.width = width;
        image.height = height;
    }
    return image;
}

void freeRgbImage(const RgbImage& image) {
    stbi_image_free(image.pixels);
}
