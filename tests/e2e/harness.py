# End-to-end harness: the real viewer in a scratch copy of its run directory on a private Xvfb,
# its GL calls read back from an apitrace trace and its pixels from screenshots.
import functools
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
from xsession import Viewer, XSession, copy_run_dir, wait_until  # noqa: E402

BUILD_DIR = os.environ.get("KIVO_BUILD_DIR", os.path.join(HERE, "..", "..", "build"))
# Tracing: apitrace's GL wrapper, found the way `apitrace trace` finds it (the loader expands
# $LIB), preloaded behind glx_redirect.so, which sends GLFW 3.4's own open of libGLX.so.0 to it.
TRACE_PRELOAD = (os.path.join(BUILD_DIR, "tests", "glx_redirect.so") + ":"
                 + os.path.join(os.path.dirname(shutil.which("apitrace") or "/usr/bin/apitrace"),
                                "..", "$LIB", "apitrace", "wrappers", "glxtrace.so"))
NUMBER = r"(?<![\w.&])-?\d+(?:\.\d+)?(?:e[-+]?\d+)?(?![\w.])"


class Run:
    """One viewer run in a scratch run directory, traced or not; its window is up and focused
    inside the `with` block, and everything is cleaned up after it."""

    def __init__(self, session, trace=False, args=(), prepare=None, env=None):
        self.dir = tempfile.mkdtemp(prefix="kivo-e2e-")
        copy_run_dir(BUILD_DIR, self.dir)
        if prepare:
            prepare(self.dir)
        self.trace_path = os.path.join(self.dir, "run.trace")
        if trace:
            env = dict(env or {}, TRACE_FILE=self.trace_path, LD_PRELOAD=TRACE_PRELOAD)
        self.viewer = Viewer(session, self.dir, args=args, env=env)

    def __enter__(self):
        self.viewer.wait_window()
        return self

    def __exit__(self, *exc):
        self.viewer.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    def pixels(self):
        path = os.path.join(self.dir, "shot.ppm")
        self.viewer.screenshot(path, depth=8)
        return Pixels(path)

    def wait_pixels(self, condition, what, timeout=20):
        """Screenshots until `condition(pixels)` holds; returns those pixels."""
        return wait_until(lambda: (lambda p: p if condition(p) else None)(self.pixels()),
                          timeout, interval=0.02, what=what)

    def calls(self):
        """The traced GL and GLX calls, one line each as `apitrace dump` prints them."""
        dump = subprocess.run(["apitrace", "dump", "--call-nos=no", "--color=never",
                               self.trace_path], capture_output=True, text=True, check=True,
                              timeout=300).stdout
        return [line for line in dump.splitlines()
                if re.match(r"gl\w*\(", line) and not line.endswith("// fake")]


class Pixels:
    """A binary PPM screenshot."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+\d+\s", data)
        self.width, self.height = int(head[1]), int(head[2])
        self.data = data[head.end():]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def where(self, predicate, top=0, bottom=None):
        """(x, y, pixel) of each pixel between rows `top` and `bottom` that `predicate` accepts."""
        rows = self.data[3 * top * self.width:3 * (bottom or self.height) * self.width]
        pixels = zip(rows[0::3], rows[1::3], rows[2::3])
        return [(i % self.width, top + i // self.width, p) for i, p in enumerate(pixels)
                if predicate(p)]


@functools.lru_cache(maxsize=None)
def _pattern(pattern):
    parts = re.split(rf"(\*|{NUMBER})", pattern)
    regex = "".join(".*?" if p == "*" else f"({NUMBER})" if re.fullmatch(NUMBER, p)
                    else re.escape(p) for p in parts)
    return re.compile(regex), [float(p) for p in parts if re.fullmatch(NUMBER, p)]


def matches(pattern, line):
    """Whether a dumped call matches a pattern: `*` is any text, numbers agree to 1e-6."""
    regex, numbers = _pattern(pattern)
    found = regex.fullmatch(line)
    return bool(found) and all(abs(float(got) - want) <= 1e-6 * max(1.0, abs(want))
                               for got, want in zip(found.groups(), numbers))


def expected_calls():
    """The sections of expected_calls.txt, each a list of call patterns."""
    sections, name = {}, None
    with open(os.path.join(HERE, "expected_calls.txt")) as f:
        for line in f.read().splitlines():
            if line.startswith("["):
                name = line.strip("[]")
                sections[name] = []
            elif line and not line.startswith("#"):
                sections[name].append(line)
    return sections


class E2ETest(unittest.TestCase):
    """One Xvfb for the whole test class."""

    screen = (1280, 1024)

    @classmethod
    def setUpClass(cls):
        cls.session = XSession(*cls.screen)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def run_viewer(self, **kwargs):
        return Run(self.session, **kwargs)

    def assertCalls(self, patterns, calls, what):
        """Each call matches its pattern, and there are as many calls as patterns."""
        for pattern, call in zip(patterns, calls):
            self.assertTrue(matches(pattern, call), f"{what}: {call!r} is not {pattern!r}")
        self.assertEqual(len(calls), len(patterns), f"{what}: {calls[len(patterns):]}")

    def quit_ok(self, run):
        self.assertEqual(run.viewer.quit(), 0, run.viewer.stderr())
