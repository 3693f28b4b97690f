# The picture of the real program with solid-colour maps: the Sun at its texture's full colour with
# the image's top row at its north pole, and the Earth lit where the Sun puts day and night, with
# back-face culling on (the start-up state) and off.
import os
import statistics
import subprocess
import time
import unittest

from harness import E2ETest, Pixels

TOP, BOTTOM = 255, 345  # the rows examined: the Earth's path across the window and the Sun's probes


def solid_maps(run_dir):
    res = os.path.join(run_dir, "res")
    # 34 pixels wide: rows of 102 bytes, which OpenGL's default 4-byte row alignment would skew.
    subprocess.run(["convert", "-size", "34x8", "xc:red", "-size", "34x8", "xc:blue", "-append",
                    "-type", "TrueColor", "BMP3:" + os.path.join(res, "sun.bmp")], check=True)
    for name, colour in (("earth", "cyan"), ("moon", "yellow")):
        subprocess.run(["convert", "-size", "64x32", "xc:" + colour, "-type", "TrueColor",
                        "BMP3:" + os.path.join(res, name + ".bmp")], check=True)


def is_earth(p):
    return p[1] > 60 and p[2] > 60 and p[0] < 40


def is_moon(p):
    return p[0] > 60 and p[1] > 60 and p[2] < 40


class PictureTest(E2ETest):
    screen = (1600, 700)  # two windows side by side

    def test_sun_colours_and_the_earths_day_and_night(self):
        self.session.run(["xdotool", "mousemove", "0", "699"])  # away from both windows
        with self.run_viewer(prepare=solid_maps) as culled, \
                self.run_viewer(prepare=solid_maps) as unculled:
            unculled.viewer.key("c")
            unculled.viewer.xdotool("windowmove", "--sync", unculled.viewer.window, "800", "0")
            seen = {(left, moment): False for left in (0, 800)
                    for moment in ("sun", "beside", "front")}
            path = os.path.join(culled.dir, "root.ppm")
            deadline = time.monotonic() + 30
            while not all(seen.values()) and time.monotonic() < deadline:
                self.check(seen, path)
            self.assertTrue(all(seen.values()), seen)
            self.quit_ok(culled)
            self.quit_ok(unculled)

    def check(self, seen, path):
        self.session.run(["import", "-window", "root", "-depth", "8", path])
        pixels = Pixels(path)
        bodies = pixels.where(lambda p: is_earth(p) or is_moon(p), TOP, BOTTOM)
        for left in (0, 800):
            if max(pixels.at(left + 400, 300)) < 40:
                continue  # no frame drawn yet
            if not [x for x, _, _ in bodies if abs(x - left - 400) < 70]:
                # The Sun at full colour: red from the image's top half, blue from its bottom.
                for dy in (15, 25, 35):
                    self.assertEqual(pixels.at(left + 400, 300 - dy), (255, 0, 0), (left, dy))
                    self.assertEqual(pixels.at(left + 400, 300 + dy), (0, 0, 255), (left, dy))
                seen[(left, "sun")] = True
            earth = [(x - left, p[1]) for x, _, p in bodies
                     if is_earth(p) and left <= x < left + 800]
            if not earth:
                continue
            cx = sum(x for x, _ in earth) / len(earth)
            if len(earth) > 1500 and abs(cx - 400) > 200:
                # Nearer than the Sun and beside it, about half lit: the half toward it brighter.
                near = [g for x, g in earth if (x - cx) * (400 - cx) > 0]
                far = [g for x, g in earth if (x - cx) * (400 - cx) < 0]
                self.assertGreater(statistics.mean(near), statistics.mean(far) + 30, left)
                seen[(left, "beside")] = True
            elif len(earth) > 1500 and abs(cx - 400) < 110:
                # Between the camera and the Sun: at most a tenth of the visible disc is in
                # daylight, so the median pixel has the ambient half of the map's 255.
                self.assertAlmostEqual(statistics.median(g for _, g in earth), 127.5, delta=10,
                                       msg=left)
                seen[(left, "front")] = True


if __name__ == "__main__":
    unittest.main()
