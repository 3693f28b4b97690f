# The page in Chromium, Firefox and WebKitGTK (KIVO_WEB_ENGINES picks, KIVO_WEB_PAGE sets the page):
# the scene, its maps, turn, flight, wireframe, a lost context, Escape; ratio 2; no WebGL; touch.
import base64
import io
import math
import os
import pathlib
import statistics
import sys
import unittest

from PIL import Image

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path[:0] = [os.path.join(ROOT, "tools"), os.path.dirname(os.path.abspath(__file__))]
from browsers import open_page  # noqa: E402
from xsession import XSession  # noqa: E402

PAGE = os.path.abspath(os.environ.get("KIVO_WEB_PAGE") or f"{ROOT}/build-web/index.html")
ENGINES = os.environ.get("KIVO_WEB_ENGINES", "chromium firefox webkit").replace(",", " ").split()
SUN_TEXELS = Image.open(os.path.join(ROOT, "res/sun.bmp")).convert("RGB").getdata()
CONTROLS = ("W, A, S, D and the mouse fly the camera; B, C, L, F change the drawing; Escape "
            "ends the viewer.")
LOST = "The GPU context was lost; the viewer starts again when the browser restores it."
NO_CONTEXT = "Failed to Create OpenGL Context"
FOCAL = 300 / math.tan(math.radians(30))  # CSS pixels: the projection's 60 degrees over 600 px
session = None  # the Xvfb that Firefox and WebKit draw their windows on


def setUpModule():
    global session
    if set(ENGINES) - {"chromium", "firefox", "webkit"} or not ENGINES:
        raise ValueError(f"KIVO_WEB_ENGINES names no engine or an unknown one: {ENGINES}")
    if {"firefox", "webkit"} & set(ENGINES):
        session = XSession(2400, 2000)  # room for a window at ratio 2
        unittest.addModuleCleanup(session.close)


def is_sun(p):
    return p[0] > 150 and p[0] - p[2] > 80


def shot(page):  # the canvas as shown, in CSS pixels whatever the ratio
    image = Image.open(io.BytesIO(page.screenshot())).convert("RGB")
    return image.resize((800, 600), Image.BOX) if image.size != (800, 600) else image


def sun_disc(image):  # the Sun's pixel count, its centre, and the share of black around the centre
    points = [(i % 800, i // 800) for i, p in enumerate(image.getdata()) if is_sun(p)]
    x, y = (statistics.median(c) for c in zip(*points)) if points else (0, 0)
    # Again without the Earth's deserts, whose colours pass for the Sun's: only near the disc.
    reach = 1.5 * math.sqrt(len(points) / math.pi)
    points = [(u, v) for u, v in points if math.hypot(u - x, v - y) < reach]
    x, y = (statistics.median(c) for c in zip(*points)) if points else (0, 0)
    square = image.crop((x - 20, y - 20, x + 21, y + 21))  # between a wireframe's lines, black
    return len(points), (x, y), sum(max(p) < 8 for p in square.getdata()) / 41 ** 2, square


def sizes(page):  # the canvas' drawing buffer and its CSS box
    return page.evaluate("(c => [c.width, c.height, c.getBoundingClientRect().width,"
                         " c.getBoundingClientRect().height])(document.getElementById('canvas'))")


def status(page):
    return page.evaluate("document.getElementById('status').textContent")


class Checks:
    """Every check, run by one subclass per engine. `webgl_off` names the engine's ways of running
    without WebGL: "none" at all, "webgl1" with WebGL2 alone switched off. `wire_gaps` is the
    black share around the Sun's centre in wireframe: 1 px lines leave most of it black."""

    engine, webgl_off, wire_gaps = None, (), 0.3

    def assert_ending(self, page, line, printed):
        """The viewer's end: its status line, and the lines `printed` all there is under the canvas
        and in the console (in WebKitGTK: the console since load, which ends with them)."""
        end = page.wait_for(lambda: (s := status(page)) and ("ended" in s or "stopped" in s) and s,
                            what="the end")
        output = page.evaluate("document.getElementById('output').textContent")
        self.assertEqual((end, output), (line, "".join(f"{p}\n" for p in printed)))
        console = page.console()
        self.assertEqual(console, printed if page.console_since_start else
                         printed[len(printed) - len(console):])

    def open(self, **options):
        return open_page(self.engine, f"file://{PAGE}", session, **options)

    def scene(self, page):  # the Sun's colours, the Earth beside it, day side toward it; the disc
        def earth_beside_the_sun():  # its oceans (blue, day or night) and their mean x
            image = shot(page)
            ocean = [(i % 800, p[2]) for i, p in enumerate(image.getdata()) if p[2] > p[0] + 15]
            cx = statistics.mean(x for x, _ in ocean) if len(ocean) > 300 else 400
            return abs(cx - 400) > 230 and (image, ocean, cx)

        image, ocean, cx = page.wait_for(earth_beside_the_sun, what="the Earth beside the Sun")
        disc = sun_disc(image)
        for channel, texels in zip(disc[3].split(), zip(*SUN_TEXELS)):
            self.assertAlmostEqual(statistics.median(channel.getdata()),
                                   statistics.median(texels), delta=12)
        toward = [b for x, b in ocean if (x - cx) * (400 - cx) > 0]
        away = [b for x, b in ocean if (x - cx) * (400 - cx) < 0]
        self.assertGreater(statistics.mean(toward), 1.25 * statistics.mean(away))
        return disc

    def turn(self, page, disc, move):
        """`move` sends 100 CSS pixels of rightward motion: the view turns 10 degrees right, the
        Sun's image, an ellipse off the axis, centred where the projection puts it. Frames where the
        Earth or the Moon covers or touches the Sun (its pixel count changes) are passed over."""
        x, count = disc[1][0], disc[0]
        sin_half = math.sin(math.atan(math.sqrt(count / math.pi) / FOCAL))  # the Sun's size
        yaw = math.radians(10)
        squeeze = math.cos(yaw) ** 2 - sin_half ** 2
        expected = x - FOCAL * math.sin(yaw) * math.cos(yaw) / squeeze
        area = count * (1 - sin_half ** 2) ** 1.5 / squeeze ** 1.5
        move()
        turned = page.wait_for(lambda: (d := sun_disc(shot(page)))[1][0] < x - 30 and abs(
            d[0] - area) < 0.02 * area and d, what="the view turned, the Sun clear")
        self.assertAlmostEqual(turned[1][0], expected, delta=3)
        return turned

    def fly(self, page, disc, hold):  # W from `hold(True)` to `hold(False)`: toward the Sun
        hold(True)
        try:
            near = page.wait_for(lambda: (d := sun_disc(shot(page)))[0] > 2 * disc[0] and d,
                                 what="W")
        finally:
            hold(False)
        self.assertLess(near[1][0], disc[1][0] - 10)

    def mouse_turn(self, page, start):  # the first cursor event only records the place
        return self.turn(page, start, lambda: [page.mouse_move(x, 300) for x in (400, 500)])

    def test_scene_view_maps_wireframe_lost_context_and_escape(self):
        with self.open() as page:
            start = self.scene(page)
            with self.subTest("the buffer and the box at ratio 1"):
                self.assertEqual(sizes(page), [800, 600, 800, 600])
            with self.subTest("no touch keys on a fine pointer"):
                self.assertTrue(page.evaluate("(k => !k || getComputedStyle(k).display == 'none')"
                                              "(document.getElementById('touch-keys'))"))
            with self.subTest("the decoded maps"):
                for name in ("res/earth.bmp", "res/sun.bmp", "res/moon.bmp"):
                    self.assertEqual(base64.b64decode(page.evaluate(
                        f"btoa(Array.from(Module.FS.readFile('{name}'), b => String.fromCharCode(b)"
                        ").join(''))")), pathlib.Path(ROOT, name).read_bytes(), name)

            turned = self.mouse_turn(page, start)
            self.fly(page, turned, lambda down: page.key("w", "down" if down else "up"))
            page.key("l")
            page.wait_for(lambda: sun_disc(shot(page))[2] > self.wire_gaps, what="the wireframe")
            page.key("f")
            page.wait_for(lambda: sun_disc(shot(page))[2] < 0.02, what="filled spheres")

            with self.subTest("a lost and restored context"):
                page.evaluate("(window.kivoLoss = document.getElementById('canvas')"
                              ".getContext('webgl2').getExtension('WEBGL_lose_context'))"
                              ".loseContext()")
                page.wait_for(lambda: status(page) == LOST, what="the lost line")
                page.evaluate("kivoLoss.restoreContext()")
                # The viewer starts afresh: the camera back at its start, the Sun as first seen
                # (in a frame where nothing covers it).
                again = page.wait_for(lambda: status(page) == CONTROLS and abs(
                    (d := sun_disc(shot(page)))[0] - start[0]) < 0.02 * start[0] and d,
                    what="drawing again")
                for axis in (0, 1):
                    self.assertAlmostEqual(again[1][axis], start[1][axis], delta=3)
                self.assertEqual(page.console(), [])

            page.key("Escape")
            self.assert_ending(page, "The viewer has ended (exit status 0).", [])

    def test_ratio_2_doubles_the_buffer_not_the_turn(self):
        with self.open(ratio=2) as page:
            start = self.scene(page)
            with self.subTest("the buffer and the box at ratio 2"):
                self.assertEqual(sizes(page), [1600, 1200, 800, 600])
            self.mouse_turn(page, start)

    def test_without_webgl_the_page_says_so_below_the_canvas_and_in_the_console(self):
        for webgl in self.webgl_off:
            with self.subTest(webgl=webgl), self.open(webgl=webgl) as page:
                self.assert_ending(page, "The viewer has ended (exit status -1).", [NO_CONTEXT])
                self.assertEqual(sizes(page)[2:], [800, 600])


@unittest.skipUnless("chromium" in ENGINES, "KIVO_WEB_ENGINES leaves Chromium out")
class ChromiumTest(Checks, unittest.TestCase):
    engine, webgl_off = "chromium", ("none", "webgl1")

    def test_touch_drag_turns_the_view_and_the_keys_act(self):
        with self.open(touch=True) as page:
            start = self.scene(page)
            keys = page.evaluate("Array.from(document.querySelectorAll('#touch-keys button'),"
                                 " b => b.offsetWidth > 0 && b.dataset.key)")
            self.assertCountEqual(keys, [*"wasdbclf", "Escape"])
            # Each drag turns by its own motion, the first one included: a new touch far from
            # where the last one ended does not jump the view.
            turned = self.turn(page, start, lambda: (
                page.touch_drag([(200, 450), (225, 450), (250, 450)]),
                page.touch_drag([(600, 100), (625, 100), (650, 100)])))
            self.fly(page, turned,
                     lambda down: page.touch_hold('#touch-keys button[data-key="w"]', down))
            page.touch_hold('#touch-keys button[data-key="Escape"]', True)
            page.touch_hold('#touch-keys button[data-key="Escape"]', False)
            self.assert_ending(page, "The viewer has ended (exit status 0).", [])


@unittest.skipUnless("firefox" in ENGINES, "KIVO_WEB_ENGINES leaves Firefox out")
class FirefoxTest(Checks, unittest.TestCase):
    engine, webgl_off = "firefox", ("none", "webgl1")


@unittest.skipUnless("webkit" in ENGINES, "KIVO_WEB_ENGINES leaves WebKitGTK out")
class WebKitTest(Checks, unittest.TestCase):
    # WebKitGTK cannot switch WebGL2 off alone; its lines are as wide as glLineWidth(5) asks.
    engine, webgl_off, wire_gaps = "webkit", ("none",), 0.04
