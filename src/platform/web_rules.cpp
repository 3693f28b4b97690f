// The browser platform's window-free rules: the GLSL ES version-line swap, the canvas's resize.
#include "platform/web_rules.h"

#include <algorithm>

namespace {

// GLSL ES takes its version only on the very first line, and needs a default float precision
// for the fragment stage; highp in both stages, so the uniforms they share agree.
constexpr const char* ES_HEADER = "#version 300 es\n#line 1\n";
constexpr const char* ES_PRECISION = "precision highp float;";

} // namespace

// The version line is swapped for the precision statement in place, and the ES version goes
// first with a #line, so the compiler's messages keep the file's line numbers.
std::string glslEsSource(const std::string& source) {
    std::size_t line = 0;
    while (line < source.size() && source.compare(line, 8, "#version") != 0) {
        line = source.find('\n', line);
        line = line == std::string::npos ? source.size() : line + 1;
    }
    if (line == source.size())
        return source;
    const std::size_t end = std::min(source.find('\n', line), source.size());
    return ES_HEADER + source.substr(0, line) + ES_PRECISION + source.substr(end);
}

bool bufferFollowsShownSize(int shownWidth, int shownHeight, int bufferWidth, int bufferHeight) {
    return shownWidth > 0 && shownHeight > 0 &&
           (shownWidth != bufferWidth || shownHeight != bufferHeight);
}
