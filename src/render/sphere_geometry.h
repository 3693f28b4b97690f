// The unit UV sphere's vertex and index data, generated on the CPU.
#pragma once

#include <vector>

constexpr int SPHERE_SECTORS = 20;
constexpr int SPHERE_STACKS = 20;
constexpr int SPHERE_INDEX_COUNT = SPHERE_STACKS * SPHERE_SECTORS * 6;
constexpr int SPHERE_FLOATS_PER_VERTEX = 5; // x, y, z, u, v

// Appends the 441 vertices (row by row from the north pole, a seam column at u = 1).
void appendSphereVertices(std::vector<float>& vertices);
// Appends the 2400 indices, two clockwise-from-outside triangles per quad.
void appendSphereIndices(std::vector<unsigned int>& indices);
// Appends every edge of those triangles once, as index pairs for GL_LINES: the wireframe where
// the GL has no polygon mode.
void appendSphereEdges(std::vector<unsigned int>& edges);
