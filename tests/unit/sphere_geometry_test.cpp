// The generated sphere: sizes, landmark vertices, the seam, index order and winding.
#include <algorithm>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include "render/sphere_geometry.h"

namespace {

struct Sphere {
    std::vector<float> vertices;
    std::vector<unsigned int> indices;
    Sphere() {
        appendSphereVertices(vertices);
        appendSphereIndices(indices);
    }
    glm::vec3 position(unsigned int k) const { return glm::make_vec3(&vertices[5 * k]); }
    void expectVertex(unsigned int k, glm::vec3 p, float u, float v) const {
        EXPECT_NEAR(glm::distance(position(k), p), 0.0f, 1e-6f) << "vertex " << k;
        EXPECT_NEAR(vertices[5 * k + 3], u, 1e-6f) << "vertex " << k;
        EXPECT_NEAR(vertices[5 * k + 4], v, 1e-6f) << "vertex " << k;
    }
};

TEST(SphereGeometry, SizesLandmarksAndIndexOrder) {
    const Sphere s;
    ASSERT_EQ(s.vertices.size(), 2205u);
    ASSERT_EQ(s.indices.size(), static_cast<size_t>(SPHERE_INDEX_COUNT));
    s.expectVertex(0, {0, 1, 0}, 0, 0);
    s.expectVertex(20, {0, 1, 0}, 1, 0);
    s.expectVertex(210, {1, 0, 0}, 0, 0.5f);
    s.expectVertex(215, {0, 0, 1}, 0.25f, 0.5f);
    s.expectVertex(440, {0, -1, 0}, 1, 1);
    const std::vector<unsigned int> first = {0, 21, 22, 0, 22, 1, 1, 22, 23, 1, 23, 2};
    const std::vector<unsigned int> last = {418, 439, 440, 418, 440, 419};
    EXPECT_EQ(std::vector<unsigned int>(s.indices.begin(), s.indices.begin() + 12), first);
    EXPECT_EQ(std::vector<unsigned int>(s.indices.end() - 6, s.indices.end()), last);
}

TEST(SphereGeometry, UnitRadiusSeamColumnAndClockwiseTriangles) {
    const Sphere s;
    for (unsigned int k = 0; k < 441; ++k) {
        ASSERT_NEAR(glm::length(s.position(k)), 1.0f, 1e-6f) << "vertex " << k;
        if (k % 21 == 20) { // the seam repeats the row's first position with u = 1
            EXPECT_NEAR(glm::distance(s.position(k), s.position(k - 20)), 0.0f, 1e-6f);
            EXPECT_EQ(s.vertices[5 * k + 3] - s.vertices[5 * (k - 20) + 3], 1.0f);
        }
    }
    int degenerate = 0, north = 0;
    ASSERT_LE(*std::max_element(s.indices.begin(), s.indices.end()), 440u);
    for (size_t i = 0; i < s.indices.size(); i += 3) {
        const glm::vec3 a = s.position(s.indices[i]);
        const glm::vec3 b = s.position(s.indices[i + 1]);
        const glm::vec3 c = s.position(s.indices[i + 2]);
        const glm::vec3 n = glm::cross(b - a, c - a);
        if (glm::length(n) < 1e-6f) {
            ++degenerate;
            north += a.y > 0 ? 1 : 0;
        } else { // the right-hand normal points inward: clockwise seen from outside
            EXPECT_LT(glm::dot(n, a + b + c), 0.0f) << "triangle " << i / 3;
        }
    }
    EXPECT_EQ(degenerate, 40);
    EXPECT_EQ(north, 20);
}

} // namespace
