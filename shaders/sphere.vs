// Sphere vertex stage: places the vertex and lights it once here, so each pixel only samples.
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
uniform vec3 viewPos;
uniform float shininess;

out vec2 texCoord;
out vec3 colourScale; // multiplies the texture colour
out vec3 colourAdd;   // the specular highlight, added on top

void main() {
    vec4 world = model * vec4(aPos, 1.0);
    texCoord = aTexCoord;
    gl_Position = projection * view * world;

    // The body whose sphere holds the light is its source: it shines with its own colour.
    vec3 centre = model[3].xyz;
    float radius = length(model[0].xyz);
    if (distance(light.position, centre) < radius) {
        colourScale = vec3(1.0);
        colourAdd = vec3(0.0);
        return;
    }

    // The unit sphere's position is its outward normal; model holds no shear. With back-face
    // culling the far half is what gets drawn, seen through the near half: light the point the
    // viewer's ray meets first, the drawn point mirrored across the plane through the centre
    // perpendicular to the ray. Points of the near half keep their own normal.
    vec3 normal = normalize(mat3(model) * aPos);
    vec3 ray = normalize(world.xyz - viewPos);
    if (dot(normal, ray) > 0.0)
        normal = reflect(normal, ray);
    vec3 surface = centre + radius * normal;

    vec3 toLight = light.position - surface;
    float dist = length(toLight);
    toLight /= dist;
    float attenuation = 1.0 / (light.constant + light.linear * dist + light.quadratic * dist * dist);
    float diffuse = max(dot(normal, toLight), 0.0);
    vec3 halfway = normalize(toLight + normalize(viewPos - surface));
    float specular = diffuse > 0.0 ? pow(max(dot(normal, halfway), 0.0), shininess) : 0.0;

    colourScale = light.ambient + attenuation * diffuse * light.diffuse;
    colourAdd = attenuation * specular * light.specular;
}
