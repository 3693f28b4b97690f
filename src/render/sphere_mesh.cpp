// Uploads the sphere into one vertex array, then loads textures and sets the render state; draws
// it filled or as a wireframe.
#include "render/sphere_mesh.h"

#include <glad/gl.h>
#include <vector>

#include "platform/platform.h"
#include "render/planet_textures.h"

unsigned int sphereVAO = 0;
unsigned int sphereVBO = 0;

namespace {

// Filled once at start-up and kept for the whole run; nothing reads them after the upload.
std::vector<float> sphereVertices;
std::vector<unsigned int> sphereIndices;
unsigned int sphereEBO = 0;

// Only where the GL has no polygon mode: the edges' own element buffer, and whether L chose them.
unsigned int sphereEdgeEBO = 0;
GLsizei sphereEdgeIndexCount = 0;
bool drawEdges = false;

constexpr GLsizei VERTEX_STRIDE = SPHERE_FLOATS_PER_VERTEX * sizeof(float);

// The wireframe's edges for a GL without polygon mode; the vertex array keeps its triangles.
void uploadSphereEdges() {
    std::vector<unsigned int> edges;
    appendSphereEdges(edges);
    sphereEdgeIndexCount = static_cast<GLsizei>(edges.size());
    glGenBuffers(1, &sphereEdgeEBO);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sphereEdgeEBO);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, edges.size() * sizeof(unsigned int), edges.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sphereEBO);
}

void uploadSphere() {
    glGenVertexArrays(1, &sphereVAO);
    glGenBuffers(1, &sphereVBO);
    glBindVertexArray(sphereVAO);
    glBindBuffer(GL_ARRAY_BUFFER, sphereVBO);
    glBufferData(GL_ARRAY_BUFFER, sphereVertices.size() * sizeof(float), sphereVertices.data(),
                 GL_STATIC_DRAW);
    glGenBuffers(1, &sphereEBO);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sphereEBO); // recorded by the bound vertex array
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sphereIndices.size() * sizeof(unsigned int),
                 sphereIndices.data(), GL_STATIC_DRAW);
    if (!glFeatures().polygonMode)
        uploadSphereEdges();
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, VERTEX_STRIDE, (void*)0);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, VERTEX_STRIDE, (void*)(3 * sizeof(float)));
    glEnableVertexAttribArray(1);
    // Nothing is unbound: the frame loop and shutdown rely on these bindings staying.
}

// Culling the back faces draws each sphere's far half, as its triangles run clockwise seen from
// outside; the vertex shader lights the near point for it (docs/architecture.md, "The far half").
void setRenderState() {
    const GLFeatures& gl = glFeatures();
    if (gl.pointSize)
        glPointSize(15.0f);
    if (gl.wideLines)
        glLineWidth(5.0f);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
}

} // namespace

void initSceneResources() {
    appendSphereVertices(sphereVertices);
    appendSphereIndices(sphereIndices);
    uploadSphere();
    loadPlanetTextures();
    setRenderState();
}

void setPolygonMode(unsigned int mode) {
    if (glFeatures().polygonMode)
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    else
        drawEdges = mode == GL_LINE;
}

void drawSphere() {
    if (!drawEdges) {
        glDrawElements(GL_TRIANGLES, SPHERE_INDEX_COUNT, GL_UNSIGNED_INT, 0);
        return;
    }
    // Culling does not apply to lines: every edge shows, the far ones too.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sphereEdgeEBO);
    glDrawElements(GL_LINES, sphereEdgeIndexCount, GL_UNSIGNED_INT, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, sphereEBO);
}
