#version 330 core
// Sphere fragment stage: lights every pixel, so the line between day and night follows the
// sphere, not its triangles: the texture colour under ambient, diffuse and specular light.
in vec2 texCoord;
in vec3 normal;
in vec3 toLight;
in vec3 halfway;
in float attenuation;
flat in float selfLit;

struct Light {
    vec3 position;
    vec3 direction;
    vec3 ambient;
    vec3 diffuse;
    vec3 specular;
    float constant;
    float linear;
    float quadratic;
};

uniform sampler2D texture1;
uniform Light light;
uniform float shininess;

out vec4 fragColor;

void main() {
    vec3 colour = texture(texture1, texCoord).rgb;
    // Across a triangle the normal turns by up to 20 degrees, so it needs its length back; the
    // light and halfway directions turn by a few degrees at most and stay unit length to 1e-3.
    vec3 n = normalize(normal);
    float diffuse = max(dot(n, toLight), 0.0);
    float specular = diffuse > 0.0 ? pow(max(dot(n, halfway), 0.0), shininess) : 0.0;
    vec3 lit = colour * (light.ambient + attenuation * diffuse * light.diffuse) +
               attenuation * specular * light.specular;
    fragColor = vec4(mix(lit, colour, selfLit), 1.0);
}
