// The browser platform's window-free rules: the shader text WebGL2 compiles, and the canvas's
// drawing buffer following the picture as the page shows it.
#include <gtest/gtest.h>

#include "platform/web_rules.h"

namespace {

TEST(WebRules, EsSourceSwapsTheVersionLineKeepingLineNumbers) {
    const std::string es = "#version 300 es\n#line 1\n";
    EXPECT_EQ(glslEsSource("#version 330 core\nvoid main() {}\n"),
              es + "precision highp float;\nvoid main() {}\n");
    EXPECT_EQ(glslEsSource("// a note\n#version 330 core"),
              es + "// a note\nprecision highp float;");
    EXPECT_EQ(glslEsSource("void main() {}\n"), "void main() {}\n");
}

TEST(WebRules, TheBufferTakesANewShownSizeButNeverAnEmptyOne) {
    EXPECT_TRUE(bufferFollowsShownSize(1125, 844, 800, 600));
    EXPECT_TRUE(bufferFollowsShownSize(800, 601, 800, 600));
    EXPECT_FALSE(bufferFollowsShownSize(800, 600, 800, 600));
    EXPECT_FALSE(bufferFollowsShownSize(0, 0, 800, 600)); // hidden, or not laid out yet
    EXPECT_FALSE(bufferFollowsShownSize(0, 600, 800, 600));
    EXPECT_FALSE(bufferFollowsShownSize(800, 0, 800, 600));
}

} // namespace
