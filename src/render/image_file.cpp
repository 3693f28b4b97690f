// The BMP header check and the decode behind it, both on the same bytes, read once. stb_image is
// compiled here with its BMP decoder only, so a file of any other format (whatever its name) is
// refused instead of decoded.
#include "render/image_file.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#define STBI_ONLY_BMP
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

// File header (14), header size (4), then the core (8) or info (16) fields that the check reads.
constexpr std::size_t HEADER_BYTES = 34;
// Headers, palette and bit masks come before the pixels; a file that puts them further away is
// refused rather than read that far (stb refuses more than 1 KiB past the header in any case).
constexpr std::uint32_t MAX_PIXEL_OFFSET = 1 << 16;

std::uint32_t little(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// The bytes an uncompressed BMP of 1 to maxSide pixels each way needs: its pixel offset plus every
// row its header declares; 0 for any other header. stb allocates the whole image from the header
// before it reads a pixel, and fills missing rows with black, so a short file is refused by this.
std::uint64_t soundBmpSize(const unsigned char* h, std::streamsize got, int maxSide) {
    if (got < 26 || h[0] != 'B' || h[1] != 'M')
        return 0;
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
            return 0;
    } else if (headerSize >= 40 && got == HEADER_BYTES) {
        width = static_cast<std::int32_t>(little(h + 18, 4));
        height = static_cast<std::int32_t>(little(h + 22, 4)); // negative: top row first
        bpp = little(h + 28, 2);
        compression = little(h + 30, 4);
        if (height < 0)
            height = -height;
    } else {
        return 0;
    }
    // Sides first, so the sizes below cannot overflow: at most 32 * maxSide bits a row.
    if (width < 1 || width > maxSide || height < 1 || height > maxSide)
        return 0;
    if ((bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) ||
        (compression != 0 && compression != 3) || offset < 14 + std::uint64_t{headerSize} ||
        offset > MAX_PIXEL_OFFSET)
        return 0;
    const std::uint64_t rowSize = (bpp * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    return offset + rowSize * static_cast<std::uint64_t>(height);
}

} // namespace

RgbImage decodeRgbImage(const char* path, int maxSide) {
    RgbImage image{nullptr, 0, 0};
    // Only a regular file, checked before opening: opening a FIFO blocks until a writer comes.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return image;
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes(HEADER_BYTES);
    file.read(reinterpret_cast<char*>(bytes.data()), HEADER_BYTES);
    const std::streamsize got = file.gcount();
    const std::uint64_t size = soundBmpSize(bytes.data(), got, maxSide);
    file.clear();
    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();
    if (size == 0 || size > INT_MAX || !file || static_cast<std::uint64_t>(fileSize) < size)
        return image;
    // The rest of what the header declares, and no more: the decode sees only checked bytes.
    bytes.resize(size);
    if (size > static_cast<std::uint64_t>(got)) {
        file.seekg(got);
        file.read(reinterpret_cast<char*>(bytes.data()) + got, size - got);
        if (static_cast<std::uint64_t>(file.gcount()) != size - got)
            return image; // the file shrank since its size was read
    }
    int width = 0, height = 0, channels = 0;
    // Always RGB, whatever the file.
    image.pixels =
        stbi_load_from_memory(bytes.data(), static_cast<int>(size), &width, &height, &channels, 3);
    if (image.pixels) {
        image.width = width;
        image.height = height;
    }
    return image;
}

void freeRgbImage(const RgbImage& image) {
    stbi_image_free(image.pixels);
}
