#version 330 core
// Sphere vertex stage: places the vertex and works out, at the point the viewer sees, the light
// inputs from which the fragment stage lights every pixel.
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
uniform vec3 viewPos;

out vec2 texCoord;
// The light inputs change smoothly over the sphere: interpolated they lose next to nothing, and
// worked out once a vertex they keep light on every pixel affordable on a software rasteriser.
out vec3 normal;
out vec3 toLight;
out vec3 halfway;
out float attenuation;
flat out float selfLit; // 1 for the body whose sphere holds the light, else 0

void main() {
    vec4 world = model * vec4(aPos, 1.0);
    texCoord = aTexCoord;
    gl_Position = projection * view * world;

    // The body whose sphere holds the light is its source: it shines with its own colour.
    vec3 centre = model[3].xyz;
    float radius = length(model[0].xyz);
    selfLit = distance(light.position, centre) < radius ? 1.0 : 0.0;

    // The unit sphere's position is its outward normal; model holds no shear. With back-face
    // culling the far half is what gets drawn, seen through the near half: light the point the
    // viewer's ray meets first, the drawn point mirrored across the plane through the centre
    // perpendicular to the ray. Points of the near half keep their own normal. The winding and
    // the culling this relies on: docs/architecture.md, "The far half".
    normal = normalize(mat3(model) * aPos);
    vec3 ray = normalize(world.xyz - viewPos);
    if (dot(normal, ray) > 0.0)
        normal = reflect(normal, ray);
    vec3 surface = centre + radius * normal;

    toLight = light.position - surface;
    float dist = length(toLight);
    toLight /= dist;
    attenuation = 1.0 / (light.constant + light.linear * dist + light.quadratic * dist * dist);
    halfway = normalize(toLight + normalize(viewPos - surface));
}
