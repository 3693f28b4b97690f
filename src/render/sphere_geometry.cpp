// Sphere vertex and index generation, in single precision.
#include "render/sphere_geometry.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace {
constexpr float PI = 3.1415927f;
constexpr unsigned int ROW_LENGTH = SPHERE_SECTORS + 1;
} // namespace

void appendSphereVertices(std::vector<float>& vertices) {
    for (int i = 0; i <= SPHERE_STACKS; ++i) {
        const float v = static_cast<float>(i) / SPHERE_STACKS;
        const float theta = v * PI;
        const float sinTheta = sinf(theta);
        const float cosTheta = cosf(theta);
        for (int j = 0; j <= SPHERE_SECTORS; ++j) {
            const float u = static_cast<float>(j) / SPHERE_SECTORS;
            const float phi = (u + u) * PI;
            vertices.insert(vertices.end(),
                            {cosf(phi) * sinTheta, cosTheta, sinf(phi) * sinTheta, u, v});
        }
    }
}

void appendSphereIndices(std::vector<unsigned int>& indices) {
    for (unsigned int i = 0; i < SPHERE_STACKS; ++i) {
        for (unsigned int j = 0; j < SPHERE_SECTORS; ++j) {
            const unsigned int k1 = i * ROW_LENGTH + j;
            const unsigned int k2 = k1 + ROW_LENGTH;
            indices.insert(indices.end(), {k1, k2, k2 + 1, k1, k2 + 1, k1 + 1});
        }
    }
}

void appendSphereEdges(std::vector<unsigned int>& edges) {
    std::vector<unsigned int> triangles;
    appendSphereIndices(triangles);
    std::set<std::pair<unsigned int, unsigned int>> unique;
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3)
        for (std::size_t k = 0; k < 3; ++k)
            unique.insert(std::minmax(triangles[t + k], triangles[t + (k + 1) % 3]));
    for (const auto& [a, b] : unique)
        edges.insert(edges.end(), {a, b});
}
