// The generated sphere: sizes, landmark vertices, the seam, index range and winding.
#include <gtest/gtest.h>

#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

#include "render/sphere_geometry.h"

namespace {

struct Sphere {
    std::vector<float> vertices;
    std::vector<unsigned int> indices;
    Sphere() {
        appendSphereVertices(vertices);
        appendSphereIndices(indices);
    }
    glm::vec3 position(unsigned int k) const {
        return {vertices[5 * k], vertices[5 * k + 1], vertices[5 * k + 2]};
    }
    void expectVertex(unsigned int k, glm::vec3 p, float u, float v) const {
        EXPECT_NEAR(vertices[5 * k], p.x, 1e-6f) << "vertex " << k;
        EXPECT_NEAR(vertices[5 * k + 1], p.y, 1e-6f) << "vertex " << k;
        EXPECT_NEAR(vertices[5 * k + 2], p.z, 1e-6f) << "vertex " << k;
        EXPECT_NEAR(vertices[5 * k + 3], u, 1e-6f) << "vertex " << k;
        EXPECT_NEAR(vertices[5 * k + 4], v, 1e-6f) << "vertex " << k;
    }
};

TEST(SphereGeometry, SizesAndLandmarkVertices) {
    const Sphere s;
    ASSERT_EQ(s.vertices.size(), 2205u);
    ASSERT_EQ(s.indices.size(), static_cast<size_t>(SPHERE_INDEX_COUNT));
    EXPECT_EQ(s.vertices.size() * sizeof(float), 8820u);
    EXPECT_EQ(s.indices.size() * sizeof(unsigned int), 9600u);

    s.expectVertex(0, {0, 1, 0}, 0, 0);
    s.expectVertex(20, {0, 1, 0}, 1, 0);
    s.expectVertex(210, {1, 0, 0}, 0, 0.5f);
    s.expectVertex(215, {0, 0, 1}, 0.25f, 0.5f);
    s.expectVertex(440, {0, -1, 0}, 1, 1);

    const unsigned int first[12] = {0, 21, 22, 0, 22, 1, 1, 22, 23, 1, 23, 2};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(s.indices[i], first[i]) << "index " << i;
    const unsigned int last[6] = {418, 439, 440, 418, 440, 419};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.indices[2394 + i], last[i]);
}

TEST(SphereGeometry, SeamColumnRepeatsPositionWithUOne) {
    const Sphere s;
    for (unsigned int row = 0; row <= 20; ++row) {
        const unsigned int first = row * 21, last = first + 20;
        EXPECT_NEAR(glm::distance(s.position(first), s.position(last)), 0.0f, 1e-6f);
        EXPECT_EQ(s.vertices[5 * first + 3], 0.0f);
        EXPECT_EQ(s.vertices[5 * last + 3], 1.0f);
        for (unsigned int k = first; k <= last; ++k)
            ASSERT_NEAR(glm::length(s.position(k)), 1.0f, 1e-6f);
    }
}

TEST(SphereGeometry, TrianglesAreClockwiseFromOutsideWithFortyDegenerate) {
    const Sphere s;
    int degenerate = 0, northDegenerate = 0;
    for (size_t i = 0; i < s.indices.size(); i += 3) {
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(s.indices[i + c], 440u);
        const glm::vec3 a = s.position(s.indices[i]);
        const glm::vec3 b = s.position(s.indices[i + 1]);
        const glm::vec3 c = s.position(s.indices[i + 2]);
        const glm::vec3 n = glm::cross(b - a, c - a);
        if (glm::length(n) < 1e-6f) {
            ++degenerate;
            northDegenerate += a.y > 0 ? 1 : 0;
            continue;
        }
        // The right-hand normal points toward the centre: clockwise seen from outside.
        EXPECT_LT(glm::dot(n, a + b + c), 0.0f) << "triangle " << i / 3;
    }
    EXPECT_EQ(degenerate, 40);
    EXPECT_EQ(northDegenerate, 20);
}

} // namespace
