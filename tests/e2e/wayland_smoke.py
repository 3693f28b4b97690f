# Smoke run on a Wayland compositor, Weston nested in the private Xvfb (registered only where GLFW
# speaks Wayland): the viewer opens its window there, draws the Sun and ends with 0 on Escape.
import os
import subprocess
import tempfile
import unittest

from harness import BUILD_DIR, E2ETest, Pixels, wait_until


class WaylandSmokeTest(E2ETest):
    def test_runs_on_a_nested_weston(self):
        runtime = tempfile.mkdtemp(prefix="kivo-wl-")
        env = dict(self.session.env, XDG_RUNTIME_DIR=runtime)
        weston = subprocess.Popen(["weston", "--backend=x11", "--socket=kivo", "--width=1024",
                                   "--height=768"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            output = wait_until(lambda: self.session.run(
                ["xdotool", "search", "--onlyvisible", "--class", "weston"], check=False).split(),
                30, what="Weston's window")[0]
            del env["DISPLAY"]
            viewer = subprocess.Popen(["./kivo_model"], cwd=BUILD_DIR, stdout=subprocess.PIPE,
                                      text=True, env=dict(env, WAYLAND_DISPLAY="kivo"))
            shot = os.path.join(runtime, "root.ppm")

            def sun_shown():  # the Sun's orange disc, inside Weston's output
                self.session.run(["import", "-window", "root", "-depth", "8", shot])
                return len(Pixels(shot).where(lambda p: p[0] > 150 and p[0] - p[2] > 80)) > 2000

            wait_until(sun_shown, 30, what="the Sun on Weston's output")
            self.session.run(["xdotool", "windowfocus", "--sync", output, "key", "Escape"])
            self.assertEqual(viewer.communicate(timeout=30), ("", None))
            self.assertEqual(viewer.returncode, 0)
        finally:
            weston.terminate()
            weston.wait(10)


if __name__ == "__main__":
    unittest.main()
