# End-to-end harness: runs the real viewer on a private Xvfb in a scratch copy of its run
# directory, records its GL calls with apitrace, and reads them and its pixels back.
import contextlib
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
from xsession import Viewer, XSession, XSessionError, copy_run_dir, wait_until  # noqa: E402,F401

BUILD_DIR = os.path.abspath(os.environ.get("KIVO_BUILD_DIR", os.path.join(HERE, "..", "..",
                                                                          "build")))
WIDTH, HEIGHT = 800, 600
# Tracing: apitrace's GL wrapper, found the way `apitrace trace` finds it (the loader expands
# $LIB), preloaded behind glx_redirect.so, which sends GLFW 3.4's own open of libGLX.so.0 to it.
TRACE_PRELOAD = (os.path.join(BUILD_DIR, "tests", "glx_redirect.so") + ":"
                 + os.path.join(os.path.dirname(shutil.which("apitrace") or "/usr/bin/apitrace"),
                                "..", "$LIB", "apitrace", "wrappers", "glxtrace.so"))

# The program's own diagnostic lines.
SEPARATOR = " -- --------------------------------------------------- -- "
READ_FAILED = "ERROR::SHADER::FILE_NOT_SUCCESFULLY_READ"
VERTEX_FAILED = "ERROR::SHADER_COMPILATION_ERROR of type: VERTEX"
FRAGMENT_FAILED = "ERROR::SHADER_COMPILATION_ERROR of type: FRAGMENT"
LINK_FAILED = "ERROR::PROGRAM_LINKING_ERROR of type: PROGRAM"
TEXTURE_FAILED = "Failed to load texture"


def error_heads(lines):
    """The first line of each shader or program build error, in order."""
    return [line for line in lines if line.startswith("ERROR::") and "of type: " in line]


class ViewerRun:
    """One viewer run: scratch directory, optional trace, always cleaned up."""

    def __init__(self, session, trace=True, args=(), prepare=None, env=None):
        self.scratch = tempfile.mkdtemp(prefix="kivo-e2e-")
        copy_run_dir(BUILD_DIR, self.scratch)
        if prepare:
            prepare(self.scratch)
        self.trace_path = os.path.join(self.scratch, "run.trace") if trace else None
        if trace:
            env = dict(env or {}, TRACE_FILE=self.trace_path, LD_PRELOAD=TRACE_PRELOAD)
        self.viewer = Viewer(session, self.scratch, args=args, env=env)
        self._trace = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.viewer.stop()
        shutil.rmtree(self.scratch, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.scratch, *parts)

    def stdout(self):
        return self.viewer.stdout()

    def trace(self):
        """The run's GL calls; only complete once the viewer has exited."""
        if self._trace is None:
            self._trace = Trace(self.trace_path)
        return self._trace

    def pixels(self):
        """A screenshot of the window as a Pixels grid."""
        path = self.path("shot.ppm")
        self.viewer.screenshot(path, depth=8)
        return Pixels(path)

    def wait_pixels(self, condition, timeout=20, what="the expected picture"):
        """Screenshots until `condition(pixels)` holds; returns those pixels."""
        return wait_until(lambda: (lambda p: p if condition(p) else None)(self.pixels()),
                          timeout, interval=0.1, what=what)

    def wait_scene(self, timeout=20):
        """Waits until a frame with the Sun at the window's centre has been presented."""
        return self.wait_pixels(lambda p: max(p.at(WIDTH // 2, HEIGHT // 2)) > 40, timeout,
                                what="a presented frame")


class Trace:
    """apitrace's dump of a run, as call lines and frames split at each buffer swap."""

    def __init__(self, path):
        dump = subprocess.run(["apitrace", "dump", "--call-nos=no", "--color=never", path],
                              capture_output=True, text=True, check=True, timeout=300).stdout
        self.calls = [line for line in dump.splitlines() if re.match(r"^(gl|glX)\w*\(", line)]
        # GLFW clears and swaps once while creating the window: the program's first frame
        # starts at its first glClearColor.
        first = next(i for i, c in enumerate(self.calls) if c.startswith("glClearColor("))
        self.startup = self.calls[:first]
        self.frames = []
        current = []
        for line in self.calls[first:]:
            if line.startswith("glXSwapBuffers"):
                self.frames.append(current)
                current = []
            else:
                current.append(line)
        self.shutdown = current



def floats(line):
    """The floats of a call's `value = {...}` argument."""
    match = re.search(r"value = \{([^}]*)\}", line)
    return [float(x) for x in match.group(1).split(",")]


def uniform_sets(frame):
    """(name, setter line) for each uniform set in a frame, in call order."""
    result = []
    name = None
    for line in frame:
        if line.startswith("glGetUniformLocation"):
            name = re.search(r'name = "([^"]*)"', line).group(1)
        elif line.startswith("glUniform"):
            result.append((name, line))
            name = None
    return result


def matrix(line):
    """A glUniformMatrix4fv line as a list of four columns."""
    v = floats(line)
    return [v[0:4], v[4:8], v[8:12], v[12:16]]


def mat_vec(m, v):
    return [sum(m[c][r] * v[c] for c in range(4)) for r in range(4)]


def project(projection, view, model, point=(0.0, 0.0, 0.0)):
    """Window pixel (x, y from the top-left) of a model-space point."""
    world = mat_vec(model, [*point, 1.0])
    clip = mat_vec(projection, mat_vec(view, world))
    x, y = clip[0] / clip[3], clip[1] / clip[3]
    return (x + 1) / 2 * WIDTH, (1 - y) / 2 * HEIGHT


def view_angles(view):
    """(yaw, pitch) in degrees of a lookAt view matrix: its third row is -front."""
    front = (-view[0][2], -view[1][2], -view[2][2])
    return (math.degrees(math.atan2(front[2], front[0])),
            math.degrees(math.asin(max(-1.0, min(1.0, front[1])))))


class Pixels:
    """A binary PPM screenshot."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        self.width, self.height = int(header.group(1)), int(header.group(2))
        self.data = data[header.end():]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def where(self, predicate):
        return [(x, y) for y in range(self.height) for x in range(self.width)
                if predicate(self.at(x, y))]


def centroid(points):
    return (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))


def write_bmp(path, width, height, pixel):
    """A 24-bit bottom-up BMP whose colour at (x, y from the top) is pixel(x, y)."""
    row_size = (3 * width + 3) // 4 * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + bytes(row_size - len(row)))
    body = b"".join(rows)
    header = (b"BM" + (54 + len(body)).to_bytes(4, "little") + bytes(4)
              + (54).to_bytes(4, "little") + (40).to_bytes(4, "little")
              + width.to_bytes(4, "little", signed=True) + height.to_bytes(4, "little", signed=True)
              + (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(4)
              + len(body).to_bytes(4, "little") + bytes(16))
    with open(path, "wb") as f:
        f.write(header + body)


def solid_bmp(path, rgb, width=64, height=32):
    write_bmp(path, width, height, lambda x, y: rgb)


class SessionTestCase(unittest.TestCase):
    """One Xvfb for the whole test class."""

    screen = (1280, 1024)

    @classmethod
    def setUpClass(cls):
        cls.session = XSession(*cls.screen)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def run_viewer(self, **kwargs):
        return ViewerRun(self.session, **kwargs)

    @contextlib.contextmanager
    def started(self, **kwargs):
        """A viewer run whose window is up and focused."""
        with self.run_viewer(**kwargs) as run:
            run.viewer.wait_window()
            yield run

    def quit_ok(self, run):
        self.assertEqual(run.viewer.quit(), 0, run.viewer.stderr())
