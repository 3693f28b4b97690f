// Makes the three planet textures and uploads each image that decodes as RGB with mipmaps.
#include "render/planet_textures.h"

#include <glad/gl.h>
#include <iostream>

#include "render/image_file.h"

unsigned int earthTexture = 0;
unsigned int sunTexture = 0;
unsigned int moonTexture = 0;

namespace {

// Makes one texture, then fills it from `path` if the image decodes and fits the GL's limit.
void loadTexture(unsigned int& texture, const char* path, GLint maxSize) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    // The file's header is checked before its pixels are read, so no oversized or truncated
    // image is ever held in memory.
    const RgbImage image = decodeRgbImage(path, maxSize);
    if (image.pixels) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, image.pixels);
        glGenerateMipmap(GL_TEXTURE_2D);
    } else {
        std::cout << "Failed to load texture" << std::endl;
    }
    freeRgbImage(image);
}

} // namespace

void loadPlanetTextures() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    // Decoded rows are tightly packed RGB, so any width needs byte alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    loadTexture(earthTexture, "res/earth.bmp", maxSize);
    loadTexture(sunTexture, "res/sun.bmp", maxSize);
    loadTexture(moonTexture, "res/moon.bmp", maxSize);
}
