# The browser page in Chromium, Firefox and WebKitGTK, one set of checks for all three: the scene
# as drawn, the view turned and flown, wireframe and fill, Escape and a quiet console; without
# WebGL2, the reason.
# KIVO_WEB_ENGINES picks engines (default all three), KIVO_WEB_PAGE another page to test.
import io
import math
import os
import statistics
import sys
import unittest

from PIL import Image

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools"))
from browsers import open_page  # noqa: E402
from xsession import XSession  # noqa: E402

PAGE = os.path.abspath(os.environ.get("KIVO_WEB_PAGE") or os.path.join(ROOT, "build-web",
                                                                        "index.html"))
ENGINES = os.environ.get("KIVO_WEB_ENGINES", "chromium firefox webkit").replace(",", " ").split()
SUN_TEXELS = Image.open(os.path.join(ROOT, "res/sun.bmp")).convert("RGB").getdata()
NO_CONTEXT = "Failed to Create OpenGL Context"
FOCAL = 300 / math.tan(math.radians(30))  # CSS pixels: the projection's 60 degrees over 600 px
session = None  # the Xvfb that Firefox and WebKit draw their windows on


def setUpModule():
    global session
    if {"firefox", "webkit"} & set(ENGINES):
        session = XSession(2400, 2000)  # room for a window at ratio 2


def tearDownModule():
    if session:
        session.close()


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


def status(page):
    return page.evaluate("document.getElementById('status').textContent")


def ending(page):  # the status line, the output under the canvas and the console, at the end
    line = page.wait_for(lambda: (s := status(page)) and ("ended" in s or "stopped" in s) and s,
                         what="the end")
    return line, page.evaluate("document.getElementById('output').textContent"), page.console()


class Checks:
    """Every check, run by one subclass per engine. `webgl_off` names the engine's ways of running
    without WebGL: "none" at all, "webgl1" with WebGL2 alone switched off. `wire_gaps` is the
    black share around the Sun's centre in wireframe: 1 px lines leave most of it black."""

    engine, webgl_off, wire_gaps = None, (), 0.3

    def open(self, **options):
        return open_page(self.engine, f"file://{PAGE}", session, **options)

    def scene(self, page):
        """Waits for the Earth beside the Sun; checks the Sun's colours and the Earth's day side
        toward it; returns the Sun's disc."""
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
        """`move` sends 100 CSS pixels of rightward motion; checks that the view turned 10 degrees
        right: the Sun's centre moves left as far as the projection puts it. Returns the disc."""
        x = disc[1][0]
        half = math.atan(math.sqrt(disc[0] / math.pi) / FOCAL)  # the Sun's angular radius
        yaw = math.radians(10)
        expected = x - FOCAL * (math.tan(yaw + half) + math.tan(yaw - half)) / 2
        move()
        turned = page.wait_for(lambda: (d := sun_disc(shot(page)))[1][0] < x - 30 and d,
                               what="the view turned")
        self.assertAlmostEqual(turned[1][0], expected, delta=3)
        return turned

    def fly(self, page, disc, hold):
        """`hold(True)` starts and `hold(False)` ends W; checks that the view flew toward the Sun
        along its turned direction."""
        hold(True)
        try:
            near = page.wait_for(lambda: (d := sun_disc(shot(page)))[0] > 2 * disc[0] and d,
                                 what="W")
        finally:
            hold(False)
        self.assertLess(near[1][0], disc[1][0] - 10)

    def test_scene_view_wireframe_and_escape(self):
        with self.open() as page:
            start = self.scene(page)

            def mouse():
                page.mouse_move(400, 300)  # the first cursor event only records the place
                page.mouse_move(500, 300)
            turned = self.turn(page, start, mouse)
            self.fly(page, turned, lambda down: page.key("w", "down" if down else "up"))
            page.key("l")
            page.wait_for(lambda: sun_disc(shot(page))[2] > self.wire_gaps, what="the wireframe")
            page.key("f")
            page.wait_for(lambda: sun_disc(shot(page))[2] < 0.02, what="filled spheres")

            page.key("Escape")
            self.assertEqual(ending(page), ("The viewer has ended (exit status 0).", "", []))

    def test_without_webgl2_the_page_says_so_below_the_canvas_and_in_the_console(self):
        for webgl in self.webgl_off:
            with self.subTest(webgl=webgl), self.open(webgl=webgl) as page:
                self.assertEqual(ending(page), ("The viewer has ended (exit status -1).",
                                                NO_CONTEXT + "\n", [NO_CONTEXT]))


@unittest.skipUnless("chromium" in ENGINES, "KIVO_WEB_ENGINES leaves Chromium out")
class ChromiumTest(Checks, unittest.TestCase):
    engine, webgl_off = "chromium", ("webgl1",)


@unittest.skipUnless("firefox" in ENGINES, "KIVO_WEB_ENGINES leaves Firefox out")
class FirefoxTest(Checks, unittest.TestCase):
    engine, webgl_off = "firefox", ("webgl1",)


@unittest.skipUnless("webkit" in ENGINES, "KIVO_WEB_ENGINES leaves WebKitGTK out")
class WebKitTest(Checks, unittest.TestCase):
    # WebKitGTK cannot switch WebGL2 off alone; its lines are as wide as glLineWidth(5) asks.
    engine, webgl_off, wire_gaps = "webkit", ("none",), 0.04
