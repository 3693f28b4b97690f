// Sphere fragment stage: the texture colour under the light the vertex stage worked out.
#version 330 core
in vec2 texCoord;
in vec3 colourScale;
in vec3 colourAdd;

uniform sampler2D texture1;

out vec4 fragColor;

void main() {
    fragColor = vec4(texture(texture1, texCoord).rgb * colourScale + colourAdd, 1.0);
}
