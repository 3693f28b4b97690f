// Sphere fragment stage: the texture lit by one attenuated point light, or shown as is on the emitter.
#version 330 core
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

in vec3 fragPos;
in vec3 normal;
in vec2 texCoord;
flat in int emitter;

uniform sampler2D texture1;
uniform Light light;
uniform vec3 viewPos;
uniform float shininess;

out vec4 fragColor;

void main() {
    vec3 base = texture(texture1, texCoord).rgb;
    if (emitter == 1) {
        fragColor = vec4(base, 1.0);
        return;
    }
    vec3 n = normalize(normal);
    vec3 toLight = light.position - fragPos;
    float dist = length(toLight);
    toLight /= dist;
    float attenuation = 1.0 / (light.constant + light.linear * dist + light.quadratic * dist * dist);

    float diffuse = max(dot(n, toLight), 0.0);
    vec3 halfway = normalize(toLight + normalize(viewPos - fragPos));
    float specular = diffuse > 0.0 ? pow(max(dot(n, halfway), 0.0), shininess) : 0.0;

    vec3 lit = light.ambient * base + attenuation * (light.diffuse * diffuse * base + light.specular * specular);
    fragColor = vec4(lit, 1.0);
}
