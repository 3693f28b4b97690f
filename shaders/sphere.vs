// Sphere vertex stage: world position, normal and texture coordinate; flags the light-enclosing body.
#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec2 aTexCoord;

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

uniform mat4 projection;
uniform mat4 view;
uniform mat4 model;
uniform Light light;

out vec3 fragPos;
out vec3 normal;
out vec2 texCoord;
flat out int emitter;

void main() {
    vec4 world = model * vec4(aPos, 1.0);
    fragPos = world.xyz;
    // The unit sphere's position is its outward normal; model holds no shear.
    normal = mat3(model) * aPos;
    texCoord = aTexCoord;
    // The body whose sphere holds the light is the light's source and shines by itself.
    vec3 centre = model[3].xyz;
    float radius = length(model[0].xyz);
    emitter = distance(light.position, centre) < radius ? 1 : 0;
    gl_Position = projection * view * world;
}
