// The three planet textures, made once from the images under res/.
#pragma once

extern unsigned int earthTexture;
extern unsigned int sunTexture;
extern unsigned int moonTexture;

// Creates the earth, sun and moon textures in that order; a failed image leaves an empty texture.
void loadPlanetTextures();

// Fills the texture whose map is at `path` from that file again, through the same upload; the
// texture keeps its name, parameters and image if the file fails. Any other path is ignored.
void reloadPlanetTexture(const char* path);
