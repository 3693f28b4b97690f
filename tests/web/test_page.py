# The browser page in headless Chromium: the scene as drawn, the view flown with W and the mouse,
# wireframe and fill, Escape, and not one line of output on the way; without WebGL2, the reason.
import io
import os
import statistics
import sys
import unittest

from PIL import Image

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools"))
from chromium import Chromium  # noqa: E402

PAGE = os.path.abspath(os.path.join(ROOT, "build-web", "index.html"))
SUN_TEXELS = Image.open(os.path.join(ROOT, "res/sun.bmp")).convert("RGB").getdata()


def is_sun(p):
    return p[0] > 150 and p[0] - p[2] > 80


def sun_disc(shot):  # the Sun's pixel count, its centre, and the share of black around the centre
    points = [(i % 800, i // 800) for i, p in enumerate(shot.getdata()) if is_sun(p)]
    x, y = (statistics.median(c) for c in zip(*points)) if points else (0, 0)
    square = shot.crop((x - 20, y - 20, x + 21, y + 21))  # between a wireframe's lines, black
    return len(points), (x, y), sum(max(p) < 8 for p in square.getdata()) / 41 ** 2, square


def ending(page):  # the status line, the output under the canvas and the console, at the end
    status = page.wait_for("(s => s.includes('ended') && s)(document.getElementById('status')"
                           ".textContent)", what="the end")
    return status, page.evaluate("document.getElementById('output').textContent"), page.console()


class PageTest(unittest.TestCase):
    def test_scene_view_wireframe_and_escape(self):
        with Chromium(f"file://{PAGE}") as page:
            def shot():
                return Image.open(io.BytesIO(page.screenshot())).convert("RGB")

            def earth_beside_the_sun():  # its oceans (blue, day or night) and their mean x
                image = shot()
                ocean = [(i % 800, p[2]) for i, p in enumerate(image.getdata()) if p[2] > p[0] + 15]
                cx = statistics.mean(x for x, _ in ocean) if len(ocean) > 300 else 400
                return abs(cx - 400) > 230 and (image, ocean, cx)

            # The Sun at its map's own colours, the Earth's day side toward it.
            image, ocean, cx = page.wait_for(earth_beside_the_sun, what="the Earth beside the Sun")
            count, centre, filled, square = sun_disc(image)
            for channel, texels in zip(square.split(), zip(*SUN_TEXELS)):
                self.assertAlmostEqual(statistics.median(channel.getdata()),
                                       statistics.median(texels), delta=12)
            toward = [b for x, b in ocean if (x - cx) * (400 - cx) > 0]
            away = [b for x, b in ocean if (x - cx) * (400 - cx) < 0]
            self.assertGreater(statistics.mean(toward), 1.25 * statistics.mean(away))

            # 100 pixels right turn the view 10 degrees right; W flies toward the Sun.
            page.mouse_move(400, 300)  # the first cursor event only records the place
            page.mouse_move(500, 300)
            page.key("w", "down")
            disc = page.wait_for(lambda: (d := sun_disc(shot()))[0] > 2 * count and d, what="W")
            page.key("w", "up")
            self.assertLess(disc[1][0], centre[0] - 50)
            page.key("l")
            page.wait_for(lambda: sun_disc(shot())[2] > 0.3, what="the wireframe")
            page.key("f")
            page.wait_for(lambda: sun_disc(shot())[2] < 0.02, what="filled spheres")

            page.key("Escape")
            self.assertEqual(ending(page), ("The viewer has ended (exit status 0).", "", []))

    def test_without_webgl2_the_page_says_so_below_the_canvas_and_in_the_console(self):
        with Chromium(f"file://{PAGE}", flags=["--disable-webgl2"]) as page:
            line = "Failed to Create OpenGL Context"
            self.assertEqual(ending(page),
                             ("The viewer has ended (exit status -1).", line + "\n", [line]))
