// The browser's side of the platform layer: WebGL2 (OpenGL ES 3.0 and GLSL ES 3.00) in place of
// OpenGL 3.3 core, and a frame loop that hands control back to the browser after every frame.
#include "platform/platform.h"

#include <GLFW/glfw3.h>
#include <algorithm>
#include <emscripten.h>
#include <set>
#include <utility>
#include <vector>

#include "render/sphere_geometry.h"

namespace {

// GLSL ES takes its version only on the very first line, and needs a default float precision
// for the fragment stage; highp in both stages, so the uniforms they share agree.
constexpr const char* ES_HEADER = "#version 300 es\n#line 1\n";
constexpr const char* ES_PRECISION = "precision highp float;";

bool wireframe = false; // L sets it and F clears it: WebGL2 has no glPolygonMode
GLuint edgeBuffer = 0;  // the sphere's edges, made on the first wireframe frame
GLsizei edgeIndexCount = 0;

// Every edge of the sphere's triangles once, as index pairs for GL_LINES.
std::vector<unsigned int> sphereEdges() {
    std::vector<unsigned int> triangles;
    appendSphereIndices(triangles);
    std::set<std::pair<unsigned int, unsigned int>> edges;
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3)
        for (std::size_t k = 0; k < 3; ++k)
            edges.insert(std::minmax(triangles[t + k], triangles[t + (k + 1) % 3]));
    std::vector<unsigned int> pairs;
    for (const auto& [a, b] : edges)
        pairs.insert(pairs.end(), {a, b});
    return pairs;
}

// Resolves on the browser's next animation frame, which shows what was drawn before it; then the
// page hears that a frame was shown.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
    await new Promise(requestAnimationFrame);
    if (Module.onFrameShown)
        Module.onFrameShown();
});

} // namespace

// The version line is swapped for the precision statement in place, and the ES version goes
// first with a #line, so the compiler's messages keep the file's line numbers.
std::string shaderSourceForThisGL(const std::string& source) {
    std::size_t line = 0;
    while (line < source.size() && source.compare(line, 8, "#version") != 0) {
        line = source.find('\n', line);
        line = line == std::string::npos ? source.size() : line + 1;
    }
    if (line == source.size())
        return source; // no version to swap: the compiler says what is wrong
    const std::size_t end = std::min(source.find('\n', line), source.size());
    return ES_HEADER + source.substr(0, line) + ES_PRECISION + source.substr(end);
}

// WebGL2 has no glPointSize, and GLAD leaves its pointer null: points take their size from the
// vertex shader there.
void setPointSize(float) {}

void setPolygonMode(GLenum mode) {
    wireframe = mode == GL_LINE;
}

bool drawSphereWireframe() {
    if (!wireframe)
        return false;
    // The edges get an element buffer of their own; the bound vertex array gets its triangles'
    // buffer back after the draw.
    GLint triangleBuffer = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &triangleBuffer);
    if (edgeBuffer == 0) {
        const std::vector<unsigned int> edges = sphereEdges();
        edgeIndexCount = static_cast<GLsizei>(edges.size());
        glGenBuffers(1, &edgeBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, edgeBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, edges.size() * sizeof(unsigned int), edges.data(),
                     GL_STATIC_DRAW);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, edgeBuffer);
    glDrawElements(GL_LINES, edgeIndexCount, GL_UNSIGNED_INT, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, triangleBuffer);
    return true;
}

void presentFrame(GLFWwindow* window) {
    glfwSwapBuffers(window);
    waitForAnimationFrame();
}
