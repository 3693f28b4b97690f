# Broken run directories: the window still comes up, exactly the expected lines are printed, memory
# stays modest and Escape ends the run with 0. Without a display: the context failure and -1.
import os
import re
import shutil
import subprocess
import unittest

from harness import BUILD_DIR, HERE, E2ETest

TEXTURE = "Failed to load texture"
READ = "ERROR::SHADER::FILE_NOT_SUCCESFULLY_READ"
VERTEX = "ERROR::SHADER_COMPILATION_ERROR of type: VERTEX"
FRAGMENT = "ERROR::SHADER_COMPILATION_ERROR of type: FRAGMENT"
LINK = "ERROR::PROGRAM_LINKING_ERROR of type: PROGRAM"
BUILD_ERROR = re.compile(r"^(ERROR::\w+ of type: \w+)\n(.*?)\n -- -{51} -- \n", re.M | re.S)
# A 24-bit BMP header that declares 16384 x 16384 pixels and holds none of them.
EMPTY_GIANT = (b"BM" + (54).to_bytes(4, "little") + bytes(4) + (54).to_bytes(4, "little")
               + (40).to_bytes(4, "little") + (16384).to_bytes(4, "little") * 2
               + (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(24))


def images(**contents):
    """Replaces res/NAME.bmp with a sample from tests/data/hostile (a name) or with bytes."""
    def prepare(run_dir):
        for name, content in contents.items():
            path = os.path.join(run_dir, "res", name + ".bmp")
            if isinstance(content, str):
                shutil.copy(os.path.join(HERE, "..", "data", "hostile", content), path)
            else:
                with open(path, "wb") as f:
                    f.write(content)
    return prepare


def cut(name, size):
    with open(os.path.join(BUILD_DIR, "res", name + ".bmp"), "rb") as f:
        return f.read(size)


def append_to(name, text):
    def prepare(run_dir):
        with open(os.path.join(run_dir, name), "a") as f:
            f.write(text)
    return prepare


# name: (how the run directory is broken, the lines expected, each build error's log folded away)
CASES = {
    "fragment shader missing": (lambda d: os.remove(os.path.join(d, "sphere.fs")),
                                [READ, VERTEX, FRAGMENT, LINK]),
    "vertex shader syntax error": (append_to("sphere.vs", "\nnot glsl;\n"), [VERTEX, LINK]),
    "no res directory": (lambda d: shutil.rmtree(os.path.join(d, "res")), [TEXTURE] * 3),
    "PIC, HDR and 16-bit PGM under .bmp names": (images(
        earth="pic-null-deref.bmp", sun="hdr-endless-loop.bmp", moon="pgm16-overread.bmp"),
        [TEXTURE] * 3),
    "JPEG, a header without its pixels, a BMP cut short": (images(
        earth="jpeg-undefined-huffman.bmp", sun=EMPTY_GIANT, moon=cut("moon", 3000)),
        [TEXTURE] * 3),
}


class BadInputsTest(E2ETest):
    def test_broken_run_directories(self):
        for name, (prepare, expected) in CASES.items():
            with self.subTest(name), self.run_viewer(prepare=prepare) as run:
                self.quit_ok(run)
                out = run.viewer.stdout()
                self.assertEqual(BUILD_ERROR.sub(r"\1\n", out).splitlines(), expected, out)
                for head, log in BUILD_ERROR.findall(out):
                    self.assertTrue(log.strip(), f"{head} without the driver's log")
                self.assertLess(run.viewer.max_rss_kb, 400_000)

    def test_without_a_display_the_context_failure_ends_the_run(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        result = subprocess.run(["./kivo_model"], cwd=BUILD_DIR, env=env, capture_output=True,
                                text=True, timeout=30)
        self.assertEqual((result.stdout, result.returncode),
                         ("Failed to Create OpenGL Context\n", 255))


if __name__ == "__main__":
    unittest.main()
