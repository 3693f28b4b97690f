# The orbital scene on the real program: per-frame GL calls, matrices, movement and pixels.
import math
import os
import re

from harness import (HEIGHT, WIDTH, SessionTestCase, centroid, floats, matrix, project,
                     solid_bmp, uniform_sets)

LIGHT_UNIFORMS = [
    ("light.position", "glUniform3fv", [0, 0, 0]),
    ("light.direction", "glUniform3fv", None),  # the camera's front
    ("viewPos", "glUniform3fv", None),  # the camera's position
    ("light.ambient", "glUniform3f", [0.5, 0.5, 0.5]),
    ("light.diffuse", "glUniform3f", [1, 1, 1]),
    ("light.specular", "glUniform3f", [0.05, 0.05, 0.05]),
    ("light.constant", "glUniform1f", [1]),
    ("light.linear", "glUniform1f", [0.045]),
    ("light.quadratic", "glUniform1f", [0.0075]),
    ("shininess", "glUniform1f", [2]),
]
BODY_UNIFORMS = ["projection", "view", "model"] * 3
PROJECTION = [[1.2990381, 0, 0, 0], [0, 1.7320509, 0, 0], [0, 0, -1.002002, -1],
              [0, 0, -0.2002002, 0]]


def setter_values(line):
    """The numbers a uniform setter passes, whichever form it has."""
    if "value = {" in line:
        return floats(line)
    return [float(v) for v in re.findall(r"v\d = ([-\d.e+]+)", line)]


def body_matrices(frame):
    """(projection, view, model) for Earth, Sun and Moon in a frame."""
    sets = [(name, line) for name, line in uniform_sets(frame) if name in BODY_UNIFORMS]
    mats = [matrix(line) for _, line in sets]
    return [mats[0:3], mats[3:6], mats[6:9]]


def animation_time(earth_model):
    """The frame's animation time from the Earth's centre, (-6 cos wt, 0, 3 sin wt)."""
    x, z = earth_model[3][0], earth_model[3][2]
    angle = math.atan2(z / 3, -x / 6) % (2 * math.pi)
    return angle / 0.7853982


def unwrap(times, period=8.0):
    out, offset = [], 0.0
    for i, t in enumerate(times):
        if i and t + offset < out[-1] - period / 2:
            offset += period
        out.append(t + offset)
    return out


def close(a, b, tol=1e-6):
    return all(abs(x - y) <= tol * max(1.0, abs(y)) for x, y in zip(a, b)) and len(a) == len(b)


class SceneTest(SessionTestCase):
    def test_every_frame_sets_its_uniforms_binds_and_draws_in_order(self):
        with self.started() as run:
            run.wait_scene()
            self.quit_ok(run)
            trace = run.trace()
        self.assertGreater(len(trace.frames), 3)
        textures = None
        for number, frame in enumerate(trace.frames):
            names = [call.split("(", 1)[0] for call in frame if not call.startswith(
                ("glGetUniformLocation", "glUniform"))]
            self.assertEqual(names, [
                "glClearColor", "glClear", "glUseProgram",
                "glActiveTexture", "glBindTexture", "glBindVertexArray", "glDrawElements",
                "glActiveTexture", "glBindTexture", "glDrawElements",
                "glActiveTexture", "glBindTexture", "glBindVertexArray", "glDrawElements"],
                f"frame {number}")
            self.assertEqual(frame[0], "glClearColor(red = 0, green = 0, blue = 0, alpha = 1)")
            self.assertEqual(frame[1], "glClear(mask = GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)")
            draws = [c for c in frame if c.startswith("glDrawElements")]
            self.assertEqual(set(draws), {"glDrawElements(mode = GL_TRIANGLES, count = 2400, "
                                          "type = GL_UNSIGNED_INT, indices = NULL)"})
            self.assertEqual({c for c in frame if c.startswith("glActiveTexture")},
                             {"glActiveTexture(texture = GL_TEXTURE0)"})
            bound = [c for c in frame if c.startswith("glBindTexture")]
            textures = textures or bound
            self.assertEqual(bound, textures)  # Earth, Sun, Moon: the same three every frame

            sets = uniform_sets(frame)
            self.assertEqual(len(sets), 19)
            self.assertEqual([name for name, _ in sets],
                             [u[0] for u in LIGHT_UNIFORMS] + BODY_UNIFORMS)
            for (name, line), (_, setter, value) in zip(sets, LIGHT_UNIFORMS):
                self.assertTrue(line.startswith(setter + "("), line)
                if value is not None:
                    self.assertTrue(close(setter_values(line), value), line)
            for body in body_matrices(frame):
                self.assertTrue(close(sum(body[0], []), sum(PROJECTION, [])), body[0])
        self.assertEqual(textures, [f"glBindTexture(target = GL_TEXTURE_2D, texture = {n})"
                                    for n in (1, 2, 3)])

        # The first frame looks from (0, 0, 10) toward (0, 0, 9) with +y up.
        first = trace.frames[0]
        view = body_matrices(first)[0][1]
        self.assertTrue(close(sum(view, []), [1, 0, 4.371139e-08, 0, 0, 1, 0, 0,
                                              -4.371139e-08, 0, 1, 0, 4.371139e-07, 0, -10, 1]),
                        view)
        eye = dict(uniform_sets(first))
        self.assertTrue(close(setter_values(eye["viewPos"]), [0, 0, 10]))
        self.assertTrue(close(setter_values(eye["light.direction"]), [-4.371139e-08, 0, -1]))

    def test_holding_w_moves_the_eye_toward_minus_z_at_two_and_a_half_per_second(self):
        with self.started() as run:
            run.wait_scene()
            run.viewer.xdotool("keydown", "w", "sleep", "1", "keyup", "w")
            self.quit_ok(run)
            trace = run.trace()
        times, eyes = [], []
        for frame in trace.frames:
            earth, _, _ = body_matrices(frame)
            times.append(animation_time(earth[2]))
            eyes.append(setter_values(dict(uniform_sets(frame))["viewPos"]))
        times = unwrap(times)
        moved = [k for k in range(1, len(eyes)) if eyes[k][2] < eyes[k - 1][2]]
        self.assertTrue(moved, "W moved nothing")
        first, last = moved[0], moved[-1]
        self.assertEqual(moved, list(range(first, last + 1)), "movement was not continuous")
        for eye in eyes:
            self.assertAlmostEqual(eye[0], 0, places=5)
            self.assertAlmostEqual(eye[1], 0, places=5)
        distance = eyes[first - 1][2] - eyes[last][2]
        elapsed = times[last] - times[first - 1]
        self.assertGreater(elapsed, 0.5)
        # Each frame moves by 2.5 times the time between the starts of two frames; the animation
        # time is read later in the same frame, so the two spans differ by less than one frame.
        longest_frame = max(b - a for a, b in zip(times, times[1:]))
        self.assertAlmostEqual(distance, 2.5 * elapsed, delta=2.5 * longest_frame + 1e-3)

    def test_sun_shines_at_full_colour_and_bodies_sit_where_their_matrices_put_them(self):
        sun, earth, moon = (200, 150, 50), (0, 255, 0), (255, 0, 255)

        def solid_bodies(d):
            solid_bmp(os.path.join(d, "res", "sun.bmp"), sun)
            solid_bmp(os.path.join(d, "res", "earth.bmp"), earth)
            solid_bmp(os.path.join(d, "res", "moon.bmp"), moon)

        def is_earth(p):
            return p[1] > 60 and p[0] < 40 and p[2] < 40

        def is_moon(p):
            return p[0] > 60 and p[2] > 60 and p[1] < 40 and abs(p[0] - p[2]) < 12

        def clear_view(p):
            """Both small bodies whole and clear of the Sun, each other and the window's edges."""
            earth_px, moon_px = p.where(is_earth), p.where(is_moon)
            if len(earth_px) < 300 or len(moon_px) < 60:
                return False
            e, m = centroid(earth_px), centroid(moon_px)
            radii = math.sqrt(len(earth_px) / math.pi) + math.sqrt(len(moon_px) / math.pi)
            inside = all(30 < c[0] < WIDTH - 30 and 30 < c[1] < HEIGHT - 30 for c in (e, m))
            sun_clear = all(math.dist(c, (WIDTH / 2, HEIGHT / 2)) > 90 for c in (e, m))
            return inside and sun_clear and math.dist(e, m) > radii + 4

        with self.started(prepare=solid_bodies) as run:
            pixels = run.wait_pixels(clear_view, what="Earth and Moon in clear view")
            self.quit_ok(run)
            trace = run.trace()

        # The Sun emits: its texture colour at full strength, not the ambient half.
        centre = pixels.at(WIDTH // 2, HEIGHT // 2)
        for got, want in zip(centre, sun):
            self.assertLessEqual(abs(got - want), 3, centre)

        # The picture on screen is one of the traced frames: some frame's matrices must project
        # both bodies onto what the picture shows. A sphere's outline centroid lies within a
        # pixel or two of its projected centre.
        earth_at = centroid(pixels.where(is_earth))
        moon_at = centroid(pixels.where(is_moon))
        misses = []
        for frame in trace.frames:
            bodies = body_matrices(frame)
            misses.append((math.dist(project(*bodies[0]), earth_at),
                           math.dist(project(*bodies[2]), moon_at)))
        best = min(misses, key=lambda m: max(m))
        self.assertLess(max(best), 3.0, (earth_at, moon_at, best))


if __name__ == "__main__":
    import unittest
    unittest.main()
