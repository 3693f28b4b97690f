// The sphere mesh on the GPU, and the start-up step that builds all scene resources.
#pragma once

#include "render/sphere_geometry.h"

extern unsigned int sphereVAO;
extern unsigned int sphereVBO;

// Generates and uploads the mesh, loads the planet textures and sets the fixed render state.
void initSceneResources();
