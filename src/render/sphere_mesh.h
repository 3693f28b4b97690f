// The sphere mesh on the GPU, and the start-up step that builds all scene resources.
#pragma once

#include <vector>

#include "render/sphere_geometry.h"

extern std::vector<float> sphereVertices;
extern std::vector<unsigned int> sphereIndices;
extern unsigned int sphereVAO;
extern unsigned int sphereVBO;
extern unsigned int sphereEBO;

// Generates and uploads the mesh, loads the planet textures and sets the fixed render state.
void initSceneResources();
