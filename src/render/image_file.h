// Image files read from disk for the planet textures: only sound, uncompressed BMP files are
// decoded, to tightly packed RGB rows, top row first. No OpenGL here.
#pragma once

struct RgbImage {
    unsigned char* pixels; // width * height * 3 bytes; null when the file was refused
    int width;
    int height;
};

// Reads the BMP file at `path` once, as far as its header declares, and decodes those bytes if the
// header is sound, neither side exceeds `maxSide` and the file holds every pixel row it declares;
// otherwise returns null pixels and 0 x 0.
RgbImage decodeRgbImage(const char* path, int maxSide);

// Releases the pixels of a decoded image; null pixels are fine.
void freeRgbImage(const RgbImage& image);
