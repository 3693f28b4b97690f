// The sphere mesh on the GPU, how it is drawn, and the start-up step that builds all scene
// resources.
#pragma once

#include "render/sphere_geometry.h"

extern unsigned int sphereVAO;
extern unsigned int sphereVBO;

// Generates and uploads the mesh, loads the planet textures and sets the fixed render state.
void initSceneResources();

// Filled or wireframe drawing, for F and L: glPolygonMode where the GL has it; elsewhere the
// sphere draws its edges as lines instead of its triangles.
void setPolygonMode(unsigned int mode);

// Draws the sphere with the vertex array bound: its 2400 triangle indices, or its edges.
void drawSphere();
