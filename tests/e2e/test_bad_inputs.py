# Broken run directories: missing, empty, invalid or directory shader files, no res/. The window
# still comes up, the exact messages are printed, Escape exits 0.
import os
import shutil
import unittest

from harness import (FRAGMENT_FAILED, LINK_FAILED, READ_FAILED, SEPARATOR, TEXTURE_FAILED,
                     VERTEX_FAILED, SessionTestCase, error_heads)


def remove(*names):
    return lambda d: [os.remove(os.path.join(d, name)) for name in names]


def empty(name):
    return lambda d: open(os.path.join(d, name), "w").close()


def append_garbage(name):
    def write(d):
        with open(os.path.join(d, name), "a") as f:
            f.write("\nthis is not glsl;\n")
    return write


def make_directory(name):
    return lambda d: (os.remove(os.path.join(d, name)), os.mkdir(os.path.join(d, name)))


# Broken shader files: (how to break them, the read message expected, the build errors in order).
# A failed read empties both sources, so both stages and the link fail. An empty file, and a
# path that is a directory (Linux opens it; the failed copy only marks the in-memory stream,
# which throws nothing), read without a message and compile from an empty source.
SHADER_CASES = {
    "fragment file missing": (remove("sphere.fs"), True,
                              [VERTEX_FAILED, FRAGMENT_FAILED, LINK_FAILED]),
    "both files missing": (remove("sphere.vs", "sphere.fs"), True,
                           [VERTEX_FAILED, FRAGMENT_FAILED, LINK_FAILED]),
    "vertex syntax error": (append_garbage("sphere.vs"), False, [VERTEX_FAILED, LINK_FAILED]),
    "empty vertex file": (empty("sphere.vs"), False, [VERTEX_FAILED, LINK_FAILED]),
    "fragment path is a directory": (make_directory("sphere.fs"), False,
                                     [FRAGMENT_FAILED, LINK_FAILED]),
}


class BadInputsTest(SessionTestCase):
    def run_broken(self, prepare):
        """Runs the viewer on a run directory altered by `prepare`; returns its stdout."""
        with self.started(trace=False, prepare=prepare) as run:
            self.assertTrue(run.viewer.running())
            self.quit_ok(run)
            return run.stdout()

    def test_broken_shader_files_are_reported_and_the_window_runs_on(self):
        for name, (prepare, read_fails, heads) in SHADER_CASES.items():
            with self.subTest(name):
                lines = self.run_broken(prepare).splitlines()
                reads = [READ_FAILED] if read_fails else []
                self.assertEqual([line for line in lines if line == READ_FAILED], reads)
                self.assertEqual(lines[0], (reads + heads)[0])
                self.assertEqual(error_heads(lines), heads)
                # Each error: its head, the driver's log, then the separator line.
                self.assertEqual(lines.count(SEPARATOR), len(heads))
                self.assertEqual(lines[-1], SEPARATOR)
                self.assertGreater(lines.index(SEPARATOR), lines.index(heads[0]) + 1)

    def test_missing_res_directory_reports_three_texture_failures(self):
        out = self.run_broken(lambda d: shutil.rmtree(os.path.join(d, "res")))
        # One line per planet image and nothing else: the shaders are intact.
        self.assertEqual(out, (TEXTURE_FAILED + "\n") * 3)


if __name__ == "__main__":
    unittest.main()
