# Start-up and shutdown of the real program: exit values, silence, context and GL call order.
import os
import subprocess
import unittest

from harness import BUILD_DIR, SessionTestCase, uniform_sets


class StartupTest(SessionTestCase):
    def test_normal_run_is_silent_and_orders_startup_and_shutdown(self):
        with self.started() as run:
            self.quit_ok(run)
            self.assertEqual(run.stdout(), "")
            trace = run.trace()

        # A 3.3 core context was asked for.
        create = next(c for c in trace.startup if c.startswith("glXCreateContextAttribsARB"))
        for attribute in ("GLX_CONTEXT_MAJOR_VERSION_ARB, 3", "GLX_CONTEXT_MINOR_VERSION_ARB, 3",
                          "GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB"):
            self.assertIn(attribute, create)

        # The program is made current and its sampler set to unit 0 before the first frame.
        startup = [c for c in trace.startup if not c.startswith("glX")]
        use = next(i for i, c in enumerate(startup) if c.startswith("glUseProgram"))
        sets = uniform_sets(startup[use:])
        self.assertEqual(len(sets), 1)
        self.assertEqual(sets[0][0], "texture1")
        self.assertTrue(sets[0][1].startswith("glUniform1i(") and sets[0][1].endswith("v0 = 0)"))
        self.assertGreater(len(trace.frames), 0)

        # Shutdown: unbind, delete the sphere's vertex array and buffer, then the context goes.
        gl = [c for c in trace.shutdown if not c.startswith("glX")]
        self.assertEqual(gl, ["glBindVertexArray(array = 0)",
                              "glBindBuffer(target = GL_ARRAY_BUFFER, buffer = 0)",
                              "glDeleteVertexArrays(n = 1, arrays = &1)",
                              "glDeleteBuffers(n = 1, buffers = &1)"])
        self.assertTrue(any(c.startswith("glXDestroyContext") for c in trace.shutdown))

    def test_arguments_change_nothing(self):
        with self.started(trace=False, args=("--help", "-f", "nonexistent.cfg")) as run:
            self.quit_ok(run)
            self.assertEqual(run.stdout(), "")


class NoDisplayTest(unittest.TestCase):
    def test_without_a_display_the_context_failure_is_reported(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        result = subprocess.run([os.path.join(BUILD_DIR, "kivo_model")], cwd=BUILD_DIR, env=env,
                                capture_output=True, text=True, timeout=30)
        self.assertEqual(result.stdout, "Failed to Create OpenGL Context\n")
        self.assertEqual(result.returncode, 255)


if __name__ == "__main__":
    unittest.main()
