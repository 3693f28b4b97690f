# The real program on a private Xvfb: a traced scripted run, its picture from solid-colour maps
# culled and not; broken run directories, no display, macOS's context and Weston where GLFW can.
import itertools
import math
import os
import pathlib
import re
import shutil
import statistics
import struct
import subprocess
import tempfile
import time
import unittest

from harness import BUILD_DIR, PREFIX, E2ETest, Run, expected_calls, matches, wait_until

HANDLER_CALLS = ("glEnable(", "glDisable(", "glCullFace(", "glPolygonMode(", "glViewport(")
TEXTURE, READ = "Failed to load texture", "ERROR::SHADER::FILE_NOT_SUCCESFULLY_READ"
VERTEX = "ERROR::SHADER_COMPILATION_ERROR of type: VERTEX"
FRAGMENT = "ERROR::SHADER_COMPILATION_ERROR of type: FRAGMENT"
LINK = "ERROR::PROGRAM_LINKING_ERROR of type: PROGRAM"
BUILD_ERROR = re.compile(r"^(ERROR::\w+ of type: \w+)\n(.*?)\n -- -{51} -- \n", re.M | re.S)
# A sound grey map of two rows, wider than the GL's largest texture (llvmpipe's: 16384): refused
# as a map that could not be loaded.
WIDER_THAN_GL = struct.pack("<2sI4xIIiiHH24x", b"BM", 54 + 6 * 32772, 54, 40, 32772, 2, 1,
                            24).ljust(54 + 6 * 32772, b"\x80")
# Run arguments for a console nothing can be read from: standard output closed (exec keeps the
# viewer's pid, so its status and memory are seen), or a pipe whose reader has gone.
CLOSED_STDOUT = lambda: {"prefix": ("sh", "-c", 'exec "$0" "$@" >&-')}  # noqa: E731


def readerless_pipe():
    read, write = os.pipe()
    os.close(read)
    return {"stdout": write}


# name: ({run directory file: new bytes, or None to remove it},
# lines printed with build errors folded, and Run arguments for the console, if any)
CASES = {
    "fragment shader missing": ({"sphere.fs": None}, [READ, VERTEX, FRAGMENT, LINK]),  # unread
    "vertex shader syntax error": ({"sphere.vs": b"#version 330 core\nnot glsl;\n"},
                                   [VERTEX, LINK]),
    "no res directory": ({"res": None}, [TEXTURE] * 3),
    "the Earth's map wider than the GL allows": (
        {"res/earth.bmp": WIDER_THAN_GL}, [TEXTURE]),
    "stdout closed, the Moon's map missing": ({"res/moon.bmp": None}, [], CLOSED_STDOUT),
    "stdout a pipe without a reader, the Moon's map missing": (
        {"res/moon.bmp": None}, [], readerless_pipe),
}
POSIX_ONLY = ("stdout",)  # words naming the cases skipped under Wine


def replace(run_dir, files):
    for name, content in files.items():
        path = pathlib.Path(run_dir, name)
        shutil.rmtree(path) if path.is_dir() else path.unlink()
        if content is not None:
            path.write_bytes(content)


def values(frame, name):  # the values of each array-valued set of uniform `name` in a frame
    found = re.findall(rf'"{re.escape(name)}"\) = \S+\n\w+\(.*value = \{{([^}}]*)\}}',
                       "\n".join(frame))
    return [[float(v) for v in text.split(",")] for text in found]


def solid_maps(run_dir):
    # The Sun red over blue, 34 pixels wide: rows of 102 bytes, which 4-byte row alignment would
    # skew; the Earth a cyan of 160, below 255 in daylight; the Moon yellow.
    for name, size, *colours in (("sun", "34x8", "xc:red", "xc:blue"), ("moon", "64x32",
                                 "xc:yellow"), ("earth", "64x32", "xc:rgb(0,160,160)")):
        subprocess.run(["convert", "-size", size, *colours, "-append", "-type", "TrueColor",
                        f"BMP3:{run_dir}/res/{name}.bmp"], check=True)


def is_earth(p):
    return p[1] > 60 and p[2] > 60 and p[0] < 40


def is_body(p):  # the Earth (cyan) or the Moon (yellow), never a colour of the Sun
    return is_earth(p) or (p[0] > 60 and p[1] > 60 and p[2] < 40)


def earth_from_disc(disc, focal=300 * 3 ** 0.5, eye_to_sun=10, earth_radius=0.4):
    # The Earth's disc (x, y, pixel) as seen from the start, looking at the Sun: its centre's x off
    # the window's middle, its radius in pixels, the Sun's distance to the Earth's Sun-facing point
    # and whether that point is in view.
    xs, ys = [x for x, *_ in disc], [y for _, y, _ in disc]
    offset, radius = (min(xs) + max(xs) + 1) / 2 - 400, (max(ys) - min(ys) + 1) / 2
    cos_off_axis = focal / math.hypot(offset, focal)
    to_earth = earth_radius * math.hypot(radius, offset, focal) / radius  # the eye to its centre
    sun_to_earth = math.sqrt(eye_to_sun ** 2 - 2 * eye_to_sun * to_earth * cos_off_axis +
                             to_earth ** 2)  # by the law of cosines
    facing = (to_earth - eye_to_sun * cos_off_axis) / sun_to_earth > 0.1
    return offset, radius, sun_to_earth - earth_radius, facing


class ViewerTest(E2ETest):
    screen = (1600, 700)  # two windows side by side

    def test_scripted_run(self):
        with Run(self.session, trace=True, args=("--help", "-f", "missing.cfg")) as run:
            viewer = run.viewer
            run.wait_sun()
            # The first cursor event only records the position; then 100 right, then 100 up.
            viewer.xdotool(*"""mousemove 100 100 sleep 0.2 mousemove 200 100 sleep 0.2
                mousemove 200 0 sleep 0.2 keydown w sleep 1 keyup w keydown d sleep 0.3 keyup d
                keydown s sleep 0.3 keyup s keydown a sleep 0.3 keyup a
                key --delay 30 b c l f q x Return space windowsize --sync""".split(),
                           viewer.window, "640", "480")
            self.quit_ok(run)
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
        self.assertCalls(expected["shutdown"], frames.pop(), "shutdown")
        self.assertCalls(expected["handlers"], handled, "handlers")
        # Each frame's calls; its view looks along the camera's front, the Moon one unit from Earth.
        for number, frame in enumerate(frames):
            self.assertCalls(expected["frame"], frame, f"frame {number}")
            (view, *_), (front,), (earth, _, moon) = (values(frame, uniform) for uniform in
                                                       ("view", "light.direction", "model"))
            self.assertLess(math.dist(view[2:11:4], [-f for f in front]), 1e-5)
            self.assertAlmostEqual(math.dist(earth[12:15], moon[12:15]), 1, delta=1e-5)
        # The mouse turned the view 10 degrees right, then 10 up, and in no other way.
        turns = [(round(math.degrees(math.atan2(z, x)), 2), round(math.degrees(math.asin(y)), 2))
                 for x, y, z in (values(frame, "light.direction")[0] for frame in frames)]
        self.assertEqual([turn for turn, _ in itertools.groupby(turns)],
                         [(-90, 0), (-80, 0), (-80, 10)])
        # Held W, D, S, A moved the eye along front, right, -front, -right in turn (their speed
        # is the camera's unit test's). Each step is named by the way it is nearest.
        eyes = [values(frame, "viewPos")[0] for frame in frames]
        x, y, z = values(frames[-1], "light.direction")[0]
        right = (-z / math.hypot(x, z), 0, x / math.hypot(x, z))
        ways = {"w": (x, y, z), "s": (-x, -y, -z), "d": right, "a": [-c for c in right]}
        steps = [min(ways, key=lambda k: math.dist(ways[k], [q - p for p, q in zip(a, b)]))
                 for a, b in zip(eyes, eyes[1:]) if a != b]
        self.assertEqual("".join(key for key, _ in itertools.groupby(steps)), "wdsa")

    def test_sun_colours_and_the_earths_day_and_night(self):
        with Run(self.session, prepare=solid_maps) as culled, \
                Run(self.session, prepare=solid_maps) as unculled:
            unculled.viewer.key("c")
            unculled.viewer.xdotool("windowmove", "--sync", unculled.viewer.window, "800", "0")
            seen = {(left, what): False for left in (0, 800) for what in ("sun", "beside", "front")}
            deadline = time.monotonic() + 30
            while not all(seen.values()) and time.monotonic() < deadline:
                self.check_picture(culled.pixels(), seen)
            self.assertTrue(all(seen.values()), seen)
            self.quit_ok(culled)
            self.quit_ok(unculled)

    def check_picture(self, pixels, seen):
        band = pixels.crop((0, 255, 1600, 345))  # the Earth's path, and the Sun's probes
        bodies = [(i % 1600, i // 1600, p) for i, p in enumerate(band.getdata()) if is_body(p)]
        for left in {left for left, _ in seen}:  # the windows asked about
            if max(pixels.getpixel((left + 400, 300))) < 40:
                continue  # not drawn yet
            if not [x for x, *_ in bodies if abs(x - left - 400) < 70]:
                # The Sun at full colour: red from the image's top half, blue from its bottom.
                for dy in (15, 25, 35):
                    self.assertEqual(pixels.getpixel((left + 400, 300 - dy)), (255, 0, 0), dy)
                    self.assertEqual(pixels.getpixel((left + 400, 300 + dy)), (0, 0, 255), dy)
                seen[(left, "sun")] = True
            earth = [(x - left, y, p) for x, y, p in bodies if is_earth(p) and 0 <= x - left < 800]
            cx = statistics.mean(x for x, *_ in earth) if earth else 0
            if len(earth) > 1500 and abs(cx - 400) > 230:
                # Beside the Sun and nearer. With its Sun-facing point in view, no Moon near, that
                # point less the specular light red shows has half the map's 160 plus all of it
                # attenuated over its distance from the Sun, which the disc's place and size give.
                offset, radius, sun, facing = earth_from_disc(earth)
                if facing and not [1 for x, y, p in bodies if not is_earth(p) and
                                   math.hypot(x - left - 400 - offset, y - 45) < radius + 3]:
                    self.assertAlmostEqual(max(p[1] - p[0] for *_, p in earth), 80 + 160 / (
                        1 + 0.045 * sun + 0.0075 * sun * sun), delta=3, msg=left)
                    seen[(left, "beside")] = True
            elif len(earth) > 1500 and abs(cx - 400) < 110:
                # Between the camera and the Sun: at most a tenth of the visible disc is in
                # daylight, so the median pixel has the ambient half of the map's 160.
                median = statistics.median(p[1] for *_, p in earth)
                self.assertAlmostEqual(median, 80, delta=10, msg=left)
                seen[(left, "front")] = True


class EnvironmentsTest(E2ETest):
    # Each one prints its lines, draws the Sun where its map and the shaders are sound, ends on
    # Escape and stays in bounded memory.
    def test_broken_run_directories(self):
        for name, (files, expected, *console) in CASES.items():
            with self.subTest(name):
                if PREFIX and any(word in name for word in POSIX_ONLY):
                    self.skipTest("POSIX only")
                with Run(self.session, prepare=lambda run_dir: replace(run_dir, files),
                         **(console[0]() if console else {})) as run:
                    if set(expected) <= {TEXTURE} and not files.keys() & {"res", "res/sun.bmp"}:
                        run.wait_sun()
                    self.quit_ok(run, None)
                    out = run.viewer.stdout()
                    self.assertEqual(BUILD_ERROR.sub(r"\1\n", out).splitlines(), expected, out)
                    for head, log in BUILD_ERROR.findall(out):
                        self.assertTrue(log.strip(), f"{head} without the driver's log")
                    self.assertLess(run.viewer.max_rss_kb, 400_000)

    def test_a_forward_compatible_context_as_macos_gives_draws_without_gl_errors(self):
        env = dict(LD_PRELOAD=f"{BUILD_DIR}/tests/forward_compat.so", MESA_DEBUG="1")
        with Run(self.session, env=env) as run:
            run.wait_sun()
            self.quit_ok(run)
            self.assertEqual(run.viewer.stderr(), "")

    # Ended before anything looks at it: the harness still learns its status and peak memory.
    def test_without_a_display_the_context_failure_ends_the_run(self):
        with Run(self.session, env=dict(DISPLAY="", WAYLAND_DISPLAY="")) as run:
            wait_until(lambda: not run.viewer.running(), 20, what="the run's end")
            self.assertEqual((run.viewer.wait_exit(0), run.viewer.stdout()),
                             (255, "Failed to Create OpenGL Context\n"))
            self.assertIsInstance(run.viewer.max_rss_kb, int)

    @unittest.skipUnless(os.environ.get("KIVO_GLFW_WAYLAND"), "this GLFW has no Wayland")
    def test_runs_on_a_nested_weston(self):
        runtime = tempfile.mkdtemp(prefix="kivo-wl-")
        weston = subprocess.Popen(
            ["weston", "--backend=x11", "--socket=kivo", "--width=1024", "--height=768"],
            env=dict(self.session.env, XDG_RUNTIME_DIR=runtime), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.addCleanup(weston.wait, 10)  # cleanups run last first: terminate, then wait
        self.addCleanup(weston.terminate)
        output = wait_until(lambda: self.session.run(
            ["xdotool", "search", "--onlyvisible", "--class", "weston"], check=False).split(),
            30, what="Weston's window")[0]
        self.session.run(["xdotool", "windowfocus", "--sync", output])  # keys go through it
        wayland = dict(DISPLAY="", WAYLAND_DISPLAY="kivo", XDG_RUNTIME_DIR=runtime,
                       XDG_SESSION_TYPE="wayland")
        with Run(self.session, env=wayland) as run:
            wait_until(lambda: sum(r > 150 and r - b > 80  # the Sun's orange disc
                                   for r, _, b in run.pixels().getdata()) > 2000,
                       30, what="the Sun on Weston's output")
            self.quit_ok(run)
