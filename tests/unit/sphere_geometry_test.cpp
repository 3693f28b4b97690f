// The generated sphere: sizes, landmark vertices, the seam, the winding and the edge list.
#include <algorithm>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>
#include <set>

#include "render/sphere_geometry.h"

namespace {

struct Sphere : ::testing::Test {
    std::vector<float> vertices;
    std::vector<unsigned int> indices;
    void SetUp() override {
        appendSphereVertices(vertices);
        appendSphereIndices(indices);
    }
    glm::vec3 position(unsigned int k) const { return glm::make_vec3(&vertices[5 * k]); }
    glm::vec2 uv(unsigned int k) const { return glm::make_vec2(&vertices[5 * k + 3]); }
};

TEST_F(Sphere, SizesAndLandmarks) {
    ASSERT_EQ(vertices.size(), 2205u);
    ASSERT_EQ(indices.size(), static_cast<size_t>(SPHERE_INDEX_COUNT));
    // Vertex k: position, then texture coordinate; the poles are +Y at v = 0 and -Y at v = 1.
    const std::vector<std::tuple<int, glm::vec3, glm::vec2>> landmarks = {
        {0, {0, 1, 0}, {0, 0}},
        {20, {0, 1, 0}, {1, 0}},
        {210, {1, 0, 0}, {0, 0.5f}},
        {215, {0, 0, 1}, {0.25f, 0.5f}},
        {440, {0, -1, 0}, {1, 1}}};
    for (const auto& [k, p, t] : landmarks) {
        EXPECT_LT(glm::distance(position(k), p), 1e-6f) << "vertex " << k;
        EXPECT_LT(glm::distance(uv(k), t), 1e-6f) << "vertex " << k;
    }
}

TEST_F(Sphere, UnitRadiusSeamAndClockwiseTriangles) {
    for (unsigned int k = 0; k < 441; ++k) {
        ASSERT_NEAR(glm::length(position(k)), 1.0f, 1e-6f) << "vertex " << k;
        if (k % 21 == 20) { // the seam repeats the row's first position with u = 1
            EXPECT_LT(glm::distance(position(k), position(k - 20)), 1e-6f) << "vertex " << k;
            EXPECT_EQ(uv(k).x - uv(k - 20).x, 1.0f) << "vertex " << k;
        }
    }
    ASSERT_LE(*std::max_element(indices.begin(), indices.end()), 440u);
    int degenerate = 0;
    for (size_t i = 0; i < indices.size(); i += 3) {
        const glm::vec3 a = position(indices[i]), b = position(indices[i + 1]),
                        c = position(indices[i + 2]);
        const glm::vec3 n = glm::cross(b - a, c - a);
        if (glm::length(n) < 1e-6f) // two corners on a pole
            ++degenerate;
        else // the right-hand normal points inward: clockwise seen from outside
            EXPECT_LT(glm::dot(n, a + b + c), 0.0f) << "triangle " << i / 3;
    }
    EXPECT_EQ(degenerate, 40);
}

// The wireframe's lines: each side of every triangle, and nothing else, exactly once. A 20 x 20
// grid of quads split once each has 21 * 20 + 20 * 21 + 400 sides.
TEST_F(Sphere, EdgesAreEveryTriangleSideOnce) {
    std::vector<unsigned int> edges;
    appendSphereEdges(edges);
    std::set<std::pair<unsigned int, unsigned int>> pairs;
    for (size_t i = 0; i + 1 < edges.size(); i += 2)
        pairs.insert(std::minmax(edges[i], edges[i + 1]));
    ASSERT_EQ(edges.size(), 2u * 1240u);
    EXPECT_EQ(pairs.size(), 1240u);
    for (size_t i = 0; i < indices.size(); ++i) {
        const unsigned int a = indices[i], b = indices[i % 3 == 2 ? i - 2 : i + 1];
        EXPECT_TRUE(pairs.count(std::minmax(a, b))) << "triangle " << i / 3;
    }
}

} // namespace
