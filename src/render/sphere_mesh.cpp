// Uploads the sphere into one vertex array, then loads textures and sets the render state.
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

constexpr GLsizei VERTEX_STRIDE = SPHERE_FLOATS_PER_VERTEX * sizeof(float);

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
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, VERTEX_STRIDE, (void*)0);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, VERTEX_STRIDE, (void*)(3 * sizeof(float)));
    glEnableVertexAttribArray(1);
    // Nothing is unbound: the frame loop and shutdown rely on these bindings staying.
}

void setRenderState() {
    setPointSize(15.0f);
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
