// Makes the three planet textures and uploads each image that decodes as RGB with mipmaps; a map
// that comes again later (the page's exact map after its preview) goes through the same upload.
#include "render/planet_textures.h"

#include <cstring>
#include <glad/gl.h>
#include <iostream>

#include "render/image_file.h"

unsigned int earthTexture = 0;
unsigned int sunTexture = 0;
unsigned int moonTexture = 0;

namespace {

struct PlanetMap {
    unsigned int& texture;
    const char* path;
};
const PlanetMap MAPS[] = {
    {earthTexture, "res/earth.bmp"}, {sunTexture, "res/sun.bmp"}, {moonTexture, "res/moon.bmp"}};

// Fills the bound texture from `path` if the image decodes and fits the GL's limit. The file's
// header is checked before its pixels are read, so no oversized or truncated image is ever held
// in memory. A failed image leaves the texture as it was.
void uploadImage(const char* path, GLint maxSize) {
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

// Makes one texture, then fills it from `path`.
void loadTexture(unsigned int& texture, const char* path, GLint maxSize) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    uploadImage(path, maxSize);
}

GLint maxTextureSize() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    return maxSize;
}

} // namespace

void loadPlanetTextures() {
    const GLint maxSize = maxTextureSize();
    // Decoded rows are tightly packed RGB, so any width needs byte alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const PlanetMap& map : MAPS)
        loadTexture(map.texture, map.path, maxSize);
}

void reloadPlanetTexture(const char* path) {
    for (const PlanetMap& map : MAPS)
        if (std::strcmp(map.path, path) == 0) {
            glBindTexture(GL_TEXTURE_2D, map.texture);
            uploadImage(path, maxTextureSize());
        }
}
