// The frame probe's camera beside a body, from the scene's own motion (C linkage, for the probe).
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The view matrix (column-major) and eye of a camera `distance` units on +z of the centre of
// `body` (0 the Earth, 1 the Sun, 2 the Moon) at GLFW clock reading `clock`, looking along -z with +y up.
void probe_view_from(int body, float distance, double clock, float view[16], float eye[3]);

#ifdef __cplusplus
}
#endif
