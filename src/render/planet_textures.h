// The three planet textures, made once from the images under res/.
#pragma once

extern unsigned int earthTexture;
extern unsigned int sunTexture;
extern unsigned int moonTexture;

// Creates the earth, sun and moon textures in that order; a failed image leaves an empty texture.
void loadPlanetTextures();
