// The image-file check and decode: exact pixels; broken, oversized, foreign and irregular files
// refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "render/image_file.h"

namespace {

// `value` as `bytes` little-endian bytes.
std::string le(unsigned value, int bytes) {
    return bytes ? static_cast<char>(value) + le(value >> 8, bytes - 1) : "";
}

// A BMP with a 40-byte header, 24 bits a pixel unless said; the pixel rows are given in file order.
std::string bmp(int width, int height, const std::string& rows, int bits = 24) {
    return "BM" + le(54 + rows.size(), 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(width, 4) +
           le(height, 4) + le(1, 2) + le(bits, 2) + le(0, 24) + rows;
}

// Writes `bytes` (if any) to the file, then decodes it: "WxH:" and the RGB bytes, or "" when the
// file is refused. A relative name is one of the test's own files, kept in the temporary folder.
std::string decode(std::string path, int maxSide, const std::string& bytes = "") {
    if (path[0] != '/')
        path = ::testing::TempDir() + path;
    if (!bytes.empty())
        std::ofstream(path, std::ios::binary) << bytes;
    const RgbImage image = decodeRgbImage(path.c_str(), maxSide);
    std::string out;
    if (image.pixels)
        out = std::to_string(image.width) + "x" + std::to_string(image.height) + ":" +
              std::string(reinterpret_cast<char*>(image.pixels), 3 * image.width * image.height);
    freeRgbImage(image);
    return out;
}

long peakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(ImageFile, DecodesOddWidthTopRowFirstEitherRowOrder) {
    // 3 x 2: bottom row blue, green, red; top row grey levels; rows padded to 12 bytes.
    const std::string bottom("\xff\0\0\0\xff\0\0\0\xff\0\0\0", 12);
    const std::string top("\1\1\1\2\2\2\3\3\3\0\0\0", 12);
    const std::string rgb("3x2:\1\1\1\2\2\2\3\3\3\0\0\xff\0\xff\0\xff\0\0", 22);
    EXPECT_EQ(decode("bottom_up.bmp", 16, bmp(3, 2, bottom + top)), rgb);
    EXPECT_EQ(decode("top_down.bmp", 16, bmp(3, -2, top + bottom)), rgb);
    EXPECT_EQ(decode("bgra.bmp", 16, bmp(2, 1, "\3\2\1\xff\6\5\4\xff", 32)), "2x1:\1\2\3\4\5\6");
}

TEST(ImageFile, RefusesBrokenAndOversizedFiles) {
    const std::string good = bmp(3, 2, std::string(24, '\7'));
    const std::string tall = bmp(2, 20000, std::string(8 * 20000, '\7'));
    const std::string wide = bmp(20000, 2, std::string(60000 * 2, '\7'));
    ASSERT_NE(decode("good.bmp", 16, good), "");
    ASSERT_EQ(decode("tall.bmp", 20000, tall).size(), 8 + 3 * 2 * 20000u); // "2x20000:" first
    ASSERT_EQ(decode("wide.bmp", 20000, wide).size(), 8 + 3 * 20000 * 2u);
    EXPECT_TRUE(decode("cut_header.bmp", 16, good.substr(0, 30)).empty());
    EXPECT_TRUE(decode("cut_pixels.bmp", 16, good.substr(0, good.size() - 1)).empty());
    // A header that claims 768 MiB of pixels and holds none is refused before any is allocated.
    const long before = peakKb();
    EXPECT_TRUE(decode("claims_more.bmp", 16384, bmp(16384, 16384, "")).empty());
    EXPECT_LT(peakKb() - before, 64 << 10);
    const std::string core1 = le(32, 4) + le(12, 4) + le(13, 2) + le(7, 2) + le(1, 2) + le(1, 2);
    EXPECT_TRUE(decode("core_1bit.bmp", 16, "BM" + le(60, 8) + core1 + std::string(34, 1)).empty());
    EXPECT_TRUE(decode("tall.bmp", 19999).empty());
    EXPECT_TRUE(decode("wide.bmp", 19999).empty());
}

// Other formats under a .bmp name (each of these once hung or overran a full stb_image), and
// anything but a regular file, refused without being decoded or waited on.
TEST(ImageFile, RefusesOtherFormatsAndFilesThatAreNotRegular) {
    for (const auto& entry : std::filesystem::directory_iterator(KIVO_HOSTILE_IMAGES))
        EXPECT_TRUE(decode(entry.path().string(), 16384).empty()) << entry.path();
    const std::string fifo = ::testing::TempDir() + "fifo.bmp";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(decode(fifo, 16).empty());
    EXPECT_TRUE(decode(::testing::TempDir(), 16).empty());
    EXPECT_TRUE(decode("missing.bmp", 16).empty());
}

} // namespace
