# End-to-end harness: the real viewer in a scratch copy of its run directory on a private Xvfb,
# its GL calls read back from an apitrace trace and its pixels from screenshots.
import fnmatch
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
from xsession import Viewer, XSession, copy_run_dir, wait_until  # noqa: E402,F401

BUILD_DIR = os.environ.get("KIVO_BUILD_DIR", os.path.join(HERE, "..", "..", "build"))
# Tracing: Debian's apitrace GL wrapper (the loader expands $LIB), preloaded behind
# glx_redirect.so, which sends GLFW 3.4's own open of libGLX.so.0 to it.
TRACE_PRELOAD = f"{BUILD_DIR}/tests/glx_redirect.so:/usr/$LIB/apitrace/wrappers/glxtrace.so"
# The Windows build's run directory holds kivo_model.exe instead, run under Wine.
EXE, PREFIX = (("kivo_model.exe", ("wine",)) if os.path.exists(f"{BUILD_DIR}/kivo_model.exe")
               else ("kivo_model", ()))
NUMBER = r"(?<![\w.&])-?\d+(?:\.\d+)?(?:e[-+]?\d+)?(?![\w.])"


# One viewer in a scratch run directory, traced or not, cleaned up after the `with` block; a
# `prefix` command runs it, `stdout` is a descriptor for its standard output (see Viewer).
class Run:
    def __init__(self, session, trace=False, args=(), prepare=None, env=None, prefix=(),
                 stdout=None):
        self.session, self.dir = session, tempfile.mkdtemp(prefix="kivo-e2e-")
        copy_run_dir(BUILD_DIR, self.dir, EXE)
        if prepare:
            prepare(self.dir)
        self.trace = os.path.join(self.dir, "run.trace")
        if trace:
            env = dict(env or {}, TRACE_FILE=self.trace, LD_PRELOAD=TRACE_PRELOAD)
        self.viewer = Viewer(session, self.dir, f"./{EXE}", args=args, prefix=prefix + PREFIX,
                             env=env, stdout=stdout)
        self.on_x = "WAYLAND_DISPLAY" not in (env or {})

    def __enter__(self):
        if self.on_x:  # its window up and focused
            self.viewer.wait_window()
        return self

    def __exit__(self, *exc):
        self.viewer.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    def pixels(self, window="root"):  # a screenshot of a window or the screen, as RGB
        path = os.path.join(self.dir, "shot.ppm")
        self.session.run(["import", "-window", window, "-depth", "8", path])
        return Image.open(path).convert("RGB")

    def wait_sun(self):  # the window's centre lit: the Sun drawn
        wait_until(lambda: max(self.pixels(self.viewer.window).getpixel((400, 300))) > 40, 20,
                   what="the Sun drawn")

    def calls(self):  # the traced GL and GLX calls, one line each as `apitrace dump` prints them
        dump = subprocess.run(["apitrace", "dump", "--call-nos=no", "--color=never", self.trace],
                              capture_output=True, text=True, check=True, timeout=300).stdout
        return [line for line in dump.splitlines()
                if re.match(r"gl\w*\(", line) and not line.endswith("// fake")]


def rounded(text):  # numbers to six significant digits, however apitrace prints them
    return re.sub(NUMBER, lambda number: f"{float(number[0]) + 0:.6g}", text)


def matches(pattern, call):  # a dumped call against a pattern, in which `*` is any text
    return fnmatch.fnmatchcase(rounded(call), rounded(pattern))


def expected_calls():  # the sections of expected_calls.txt: name -> call patterns
    with open(os.path.join(HERE, "expected_calls.txt")) as f:
        sections = re.split(r"^\[(\w+)\]\n", f.read(), flags=re.M)
    return {name: [line for line in body.splitlines() if line and not line.startswith("#")]
            for name, body in zip(sections[1::2], sections[2::2])}


class E2ETest(unittest.TestCase):  # one Xvfb for the whole test class
    screen = (1280, 1024)

    @classmethod
    def setUpClass(cls):
        cls.session = XSession(*cls.screen)
        cls.addClassCleanup(cls.session.close)
        cls.session.run(["xdotool", "mousemove", *map(str, cls.screen)])  # off every window

    def assertCalls(self, patterns, calls, what):  # each call its pattern, as many as patterns
        for pattern, call in zip(patterns, calls):
            self.assertTrue(matches(pattern, call), f"{what}: {call!r} is not {pattern!r}")
        self.assertEqual(len(calls), len(patterns), f"{what}: {calls[len(patterns):]}")

    def quit_ok(self, run, out=""):  # exit status 0 on Escape; then the output `out`, unless None
        self.assertEqual(run.viewer.quit(), 0, run.viewer.stderr())
        if out is not None:
            self.assertEqual(run.viewer.stdout(), out)
