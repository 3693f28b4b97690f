# Window input on the real program with real X events: resize, keys, mouse look, wireframe.
import math

from harness import HEIGHT, WIDTH, SessionTestCase, matrix, uniform_sets, view_angles

HANDLER_CALLS = ("glEnable", "glDisable", "glCullFace", "glPolygonMode", "glViewport")
CULL_ON = ["glEnable(cap = GL_CULL_FACE)", "glCullFace(mode = GL_BACK)"]
CULL_OFF = ["glDisable(cap = GL_CULL_FACE)"]
LINES = ["glPolygonMode(face = GL_FRONT_AND_BACK, mode = GL_LINE)"]
FILLED = ["glPolygonMode(face = GL_FRONT_AND_BACK, mode = GL_FILL)"]


def handler_calls(trace):
    """The GL calls the handlers made: those of their kinds inside the frame loop."""
    return [c for frame in trace.frames for c in frame if c.startswith(HANDLER_CALLS)]


def views(trace):
    return [matrix(line) for frame in trace.frames
            for name, line in uniform_sets(frame) if name == "view"][::3]


def in_sun_disc(pixels, radius=40):
    """Pixels within `radius` of the window's centre, where the Sun sits at start."""
    cx, cy = WIDTH // 2, HEIGHT // 2
    return [pixels.at(x, y) for y in range(cy - radius, cy + radius)
            for x in range(cx - radius, cx + radius) if (x - cx) ** 2 + (y - cy) ** 2 < radius ** 2]


def black_in_sun(pixels):
    return sum(1 for p in in_sun_disc(pixels) if max(p) < 10)


class KeysAndResizeTest(SessionTestCase):
    def test_resize_sets_the_viewport_and_keeps_the_aspect(self):
        with self.started() as run:
            run.wait_scene()
            run.viewer.xdotool("windowsize", "--sync", run.viewer.window, "640", "480")
            run.wait_pixels(lambda p: (p.width, p.height) == (640, 480), what="a 640 x 480 window")
            run.viewer.xdotool("windowsize", "--sync", run.viewer.window, "800", "600")
            run.wait_pixels(lambda p: (p.width, p.height) == (800, 600), what="an 800 x 600 window")
            run.wait_scene()
            self.quit_ok(run)
            trace = run.trace()
        self.assertEqual([c for c in handler_calls(trace) if c.startswith("glViewport")],
                         ["glViewport(x = 0, y = 0, width = 640, height = 480)",
                          "glViewport(x = 0, y = 0, width = 800, height = 600)"])
        projections = {line for frame in trace.frames for name, line in uniform_sets(frame)
                       if name == "projection"}
        self.assertEqual(len(projections), 1)  # the aspect stays 800/600 through the resize
        self.assertAlmostEqual(1.7320509 / matrix(projections.pop())[0][0], 1.3333334, places=6)

    def test_keys_make_their_gl_calls_and_others_none(self):
        with self.started() as run:
            run.wait_scene()
            run.viewer.key("b", "c", "l", "f", "w", "a", "s", "d", "q", "x", "Return", "space")
            run.viewer.xdotool("keydown", "l", "sleep", "1.5", "keyup", "l")
            run.viewer.key("c", "b")
            run.wait_scene()
            self.quit_ok(run)
            calls = handler_calls(run.trace())
        # Press and release each carry out the key's action.
        expected_taps = CULL_ON * 2 + CULL_OFF * 2 + LINES * 2 + FILLED * 2
        self.assertEqual(calls[:len(expected_taps)], expected_taps)
        held = calls[len(expected_taps):-6]
        # Held down, L repeats its one call: press, auto-repeats, release.
        self.assertGreaterEqual(len(held), 4)
        self.assertEqual(set(held), set(LINES))
        # C then B: culling off, then back-face culling restored.
        self.assertEqual(calls[-6:], CULL_OFF * 2 + CULL_ON * 2)

    def test_wireframe_opens_gaps_in_the_sun_and_filled_closes_them(self):
        with self.started(trace=False) as run:
            filled = run.wait_scene()
            self.assertEqual(black_in_sun(filled), 0)
            run.viewer.key("l")
            wire = run.wait_pixels(lambda p: black_in_sun(p) > 0, what="gaps between the lines")
            # The lines are wide, so the gaps are few.
            self.assertLess(black_in_sun(wire), len(in_sun_disc(wire)) // 2)
            run.viewer.key("f")
            run.wait_pixels(lambda p: black_in_sun(p) == 0, what="a filled Sun again")
            self.quit_ok(run)


class MouseLookTest(SessionTestCase):
    # Taller than the window, so the resting pointer (the screen's centre) lies outside it and
    # the first cursor event is the test's own.
    screen = (1280, 1600)

    def test_mouse_turns_by_a_tenth_of_a_degree_per_unit_and_pitch_clamps(self):
        with self.started() as run:
            run.wait_scene()
            window = run.viewer.window
            # One xdotool call: the pointer must not snap back between the moves.
            run.viewer.xdotool(
                "mousemove", "100", "100", "sleep", "0.4",
                "mousemove", "200", "100", "sleep", "0.4",  # 100 right: +10 degrees of yaw
                "mousemove", "200", "0", "sleep", "0.4",  # 100 up: +10 degrees of pitch
                "windowsize", "--sync", window, "800", "1590", "sleep", "0.4",
                "mousemove", "200", "1589", "sleep", "0.4",  # far down: clamped at -89
                "mousemove", "200", "1489", "sleep", "0.4")  # 100 up from the clamp
            self.quit_ok(run)
            trace = run.trace()
        angles = []
        for view in views(trace):
            yaw, pitch = view_angles(view)
            if not angles or math.dist(angles[-1], (yaw, pitch)) > 1e-3:
                angles.append((yaw, pitch))
        expected = [(-90, 0), (-80, 0), (-80, 10), (-80, -89), (-80, -79)]
        self.assertGreaterEqual(len(angles), len(expected), angles)
        for (yaw, pitch), (want_yaw, want_pitch) in zip(angles, expected):
            self.assertAlmostEqual(yaw, want_yaw, delta=2e-3, msg=angles)
            self.assertAlmostEqual(pitch, want_pitch, delta=2e-3, msg=angles)


if __name__ == "__main__":
    import unittest
    unittest.main()
