# One scripted, traced run of the real program: its GL calls against expected_calls.txt, and what
# the mouse, a held W, the keys, a resize, arguments and Escape do to them.
import math
import re
import unittest

from harness import E2ETest, expected_calls, matches

HANDLER_CALLS = ("glEnable(", "glDisable(", "glCullFace(", "glPolygonMode(", "glViewport(")


def uniforms(frame):
    """name -> the values of each of its array-valued sets in a frame, in order."""
    found, name = {}, None
    for call in frame:
        name = (re.findall(r'name = "([^"]+)"', call) or [name])[0]
        values = re.search(r"value = \{([^}]*)\}", call)
        if values:
            found.setdefault(name, []).append([float(v) for v in values[1].split(",")])
    return found


def animation_time(earth):
    """A frame's animation time (mod 8 s) from the Earth's centre, (-6 cos wt, 0, 3 sin wt)."""
    return math.atan2(earth[14] / 3, -earth[12] / 6) % (2 * math.pi) / (math.pi / 4)


class ScriptedRunTest(E2ETest):
    def test_scripted_run(self):
        self.session.run(["xdotool", "mousemove", "1200", "1000"])  # off the window to begin
        with self.run_viewer(trace=True, args=("--help", "-f", "missing.cfg")) as run:
            run.wait_pixels(lambda p: max(p.at(400, 300)) > 40, "the Sun drawn")
            viewer = run.viewer
            # The first cursor event only records the position; then 100 right, then 100 up.
            viewer.xdotool("mousemove", "100", "100", "sleep", "0.2", "mousemove", "200", "100",
                           "sleep", "0.2", "mousemove", "200", "0", "sleep", "0.2")
            viewer.xdotool("keydown", "w", "sleep", "1", "keyup", "w")
            viewer.key("b", "c", "l", "f", "q", "x", "Return", "space")
            viewer.xdotool("windowsize", "--sync", viewer.window, "640", "480")
            self.quit_ok(run)
            self.assertEqual(viewer.stdout(), "")
            calls = run.calls()

        expected = expected_calls()
        begin = next(i for i, c in enumerate(calls) if c.startswith("glGenVertexArrays("))
        first = next(i for i, c in enumerate(calls) if c.startswith("glClearColor("))
        self.assertTrue(any(matches(expected["context"][0], c) for c in calls[:begin]))
        self.assertCalls(expected["startup"], calls[begin:first], "start-up")

        # Frames end at each swap; the handlers run after it, before the next frame starts.
        frames, handled = [[]], []
        for call in calls[first:]:
            if call.startswith("glXSwapBuffers("):
                frames.append([])
            elif not frames[-1] and call.startswith(HANDLER_CALLS):
                handled.append(call)
            else:
                frames[-1].append(call)
        shutdown = frames.pop()
        for number, frame in enumerate(frames):
            self.assertCalls(expected["frame"], frame, f"frame {number}")
        self.assertCalls(expected["shutdown"], shutdown, "shutdown")
        self.assertCalls(expected["handlers"], handled, "handlers")

        # Each view looks from viewPos along light.direction, the camera's front; the Earth,
        # the Sun and the Moon are drawn with their own sizes, the Sun at the centre and the
        # Moon one unit from the Earth.
        values = [{k: v[0] for k, v in uniforms(frame).items()} for frame in frames]
        for frame, v in zip(frames, values):
            view, eye, front = v["view"], v["viewPos"], v["light.direction"]
            for row in range(3):
                moved = sum(view[4 * c + row] * eye[c] for c in range(3)) + view[12 + row]
                self.assertAlmostEqual(moved, 0, delta=1e-4)
                self.assertAlmostEqual(view[4 * row + 2], -front[row], delta=1e-6)
            earth, sun, moon = uniforms(frame)["model"]
            self.assertEqual([round(math.hypot(*m[:3]), 5) for m in (earth, sun, moon)],
                             [0.4, 1, 0.2])
            self.assertEqual(sun[12:15], [0, 0, 0])
            self.assertAlmostEqual(math.dist(earth[12:15], moon[12:15]), 1, delta=1e-5)

        # The mouse turned the view by 10 degrees right, then 10 up, and in no other way.
        turns = []
        for v in values:
            x, y, z = v["light.direction"]
            angle = (round(math.degrees(math.atan2(z, x)), 2), round(math.degrees(math.asin(y)), 2))
            if not turns or turns[-1] != angle:
                turns.append(angle)
        self.assertEqual(turns, [(-90, 0), (-80, 0), (-80, 10)])

        # Held W moved the eye along the front at 2.5 units per second of the scene's clock.
        eyes = [v["viewPos"] for v in values]
        self.assertEqual(eyes[0], [0, 0, 10])
        moving = [k for k in range(1, len(eyes)) if eyes[k] != eyes[k - 1]]
        start, end = moving[0] - 1, moving[-1]
        times = [animation_time(v["model"]) for v in values[start:end + 1]]
        elapsed = sum((b - a) % 8 for a, b in zip(times, times[1:]))
        longest = max((b - a) % 8 for a, b in zip(times, times[1:]))
        self.assertGreater(elapsed, 0.5)
        self.assertAlmostEqual(math.dist(eyes[start], eyes[end]), 2.5 * elapsed,
                               delta=2.5 * longest + 1e-3)
        step = [b - a for a, b in zip(eyes[start], eyes[end])]
        for s, f in zip(step, values[end]["light.direction"]):
            self.assertAlmostEqual(s / math.dist(eyes[start], eyes[end]), f, delta=1e-4)


if __name__ == "__main__":
    unittest.main()
