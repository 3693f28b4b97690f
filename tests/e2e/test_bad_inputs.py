# Broken run directories: empty or missing shader files, no res/, a shader path that is a
# directory. The window still comes up, the exact messages are printed, Escape exits 0.
import os
import shutil
import unittest

from harness import (FRAGMENT_FAILED, LINK_FAILED, READ_FAILED, SEPARATOR, TEXTURE_FAILED,
                     VERTEX_FAILED, SessionTestCase, error_heads)


class BadInputsTest(SessionTestCase):
    def run_broken(self, prepare):
        """Runs the viewer on a run directory altered by `prepare`; returns its stdout."""
        with self.started(trace=False, prepare=prepare) as run:
            self.assertTrue(run.viewer.running())
            self.quit_ok(run)
            return run.stdout()

    def test_empty_vertex_file_fails_vertex_compile_and_link_only(self):
        def empty_vertex(d):
            open(os.path.join(d, "sphere.vs"), "w").close()

        out = self.run_broken(empty_vertex)
        lines = out.splitlines()
        # An empty file reads without error: only the compile of "" and the link fail.
        self.assertNotIn(READ_FAILED, out)
        self.assertEqual(lines[0], VERTEX_FAILED)
        self.assertEqual(error_heads(lines), [VERTEX_FAILED, LINK_FAILED])
        self.assertEqual(lines.count(SEPARATOR), 2)
        self.assertEqual(lines[-1], SEPARATOR)

    def test_both_shader_files_missing_reports_one_read_then_all_three(self):
        def remove_shaders(d):
            os.remove(os.path.join(d, "sphere.vs"))
            os.remove(os.path.join(d, "sphere.fs"))

        out = self.run_broken(remove_shaders)
        lines = out.splitlines()
        self.assertEqual(lines[0], READ_FAILED)
        self.assertEqual(out.count(READ_FAILED), 1)
        self.assertEqual(error_heads(lines), [VERTEX_FAILED, FRAGMENT_FAILED, LINK_FAILED])
        self.assertEqual(lines.count(SEPARATOR), 3)
        self.assertEqual(lines[-1], SEPARATOR)

    def test_missing_res_directory_reports_three_texture_failures(self):
        out = self.run_broken(lambda d: shutil.rmtree(os.path.join(d, "res")))
        # One line per planet image and nothing else: the shaders are intact.
        self.assertEqual(out, (TEXTURE_FAILED + "\n") * 3)

    def test_fragment_path_that_is_a_directory_fails_fragment_compile_and_link(self):
        def fragment_directory(d):
            os.remove(os.path.join(d, "sphere.fs"))
            os.mkdir(os.path.join(d, "sphere.fs"))

        out = self.run_broken(fragment_directory)
        lines = out.splitlines()
        # Opening a directory succeeds on Linux and reading it yields nothing without setting
        # the file stream's error bits, so no read message: the fragment stage compiles "".
        self.assertNotIn(READ_FAILED, out)
        self.assertEqual(lines[0], FRAGMENT_FAILED)
        self.assertEqual(error_heads(lines), [FRAGMENT_FAILED, LINK_FAILED])
        self.assertEqual(lines.count(SEPARATOR), 2)
        self.assertEqual(lines[-1], SEPARATOR)


if __name__ == "__main__":
    unittest.main()
