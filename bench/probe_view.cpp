// The frame probe's camera beside a body: placed by the program's own sceneTime and bodyModelsAt,
// so that it follows the body exactly where the program draws it.
#include "probe_view.h"

#include <cstring>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "app/frame_clock.h"
#include "app/orbital_scene.h"

void probe_view_from(int body, float distance, double clock, float view[16], float eye[3]) {
    const BodyModels models = bodyModelsAt(sceneTime(clock));
    const glm::mat4& model = body == 0 ? models.earth : body == 1 ? models.sun : models.moon;
    const glm::vec3 centre(model[3]);
    const glm::vec3 from = centre + glm::vec3(0.0f, 0.0f, distance);
    std::memcpy(view, glm::value_ptr(glm::lookAt(from, centre, glm::vec3(0.0f, 1.0f, 0.0f))),
                16 * sizeof(float));
    std::memcpy(eye, glm::value_ptr(from), 3 * sizeof(float));
}
