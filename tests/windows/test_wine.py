# The Windows build under Wine on a private Xvfb (make test-windows, with the broken run
# directories of the Linux suite): the picture, W and the mouse, a quiet Escape; and the .exe's
# resources and the zip, as Windows and its users see them.
import os
import re
import struct
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

from harness import BUILD_DIR, E2ETest, Run, wait_until
import test_viewer

WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"  # Microsoft's supportedOS id


class ResourcesTest(unittest.TestCase):
    def test_resources_and_zip(self):
        exe = os.path.join(BUILD_DIR, "kivo_model.exe")
        with open(os.path.join(BUILD_DIR, "CMakeCache.txt")) as cache:
            version = re.search(r"^CMAKE_PROJECT_VERSION:\w+=(.+)$", cache.read(), re.M)[1]

        def resource(kind, *raw):  # its bytes; wrestool rebuilds an icon group into an .ico file
            return subprocess.run(["wrestool", "-x", *raw, f"--type={kind}", exe],
                                  capture_output=True, check=True).stdout
        listing = subprocess.run(["wrestool", "-l", exe], capture_output=True, text=True).stdout
        # icon images, the icon group, the version information, the manifest
        self.assertLessEqual({"3", "14", "16", "24"}, set(re.findall(r"--type=(\d+)", listing)))
        # A console program (subsystem 3), so that its diagnostics reach its console: the field
        # lies 68 bytes into the optional header, after "PE\0\0" and the 20-byte file header.
        with open(exe, "rb") as f:
            pe = f.read(4096)
        subsystem = struct.unpack_from("<I", pe, 60)[0] + 4 + 20 + 68
        self.assertEqual(struct.unpack_from("<H", pe, subsystem)[0], 3)
        # The icon group holds every size rendered.
        ico = resource(14)
        widths = sorted(ico[6 + 16 * i] or 256 for i in range(struct.unpack_from("<H", ico, 4)[0]))
        self.assertEqual(widths, sorted(int(n[:-4]) for n in os.listdir(f"{BUILD_DIR}/icons")))
        # The version: the fixed numbers Explorer shows and the strings, in UTF-16.
        info = resource(16, "--raw")
        fixed = struct.unpack_from("<4I", info, info.index(struct.pack("<I", 0xFEEF04BD)))
        major, minor, patch = map(int, version.split("."))
        self.assertEqual(fixed[2:], ((major << 16) | minor, patch << 16))
        text = info.decode("utf-16-le", "replace")
        for key in ("ProductVersion", "FileVersion"):
            self.assertRegex(text, f"{key}\0+{re.escape(version)}\0")
        self.assertRegex(text, "LegalCopyright\0+[^\0]*MIT")
        # The manifest is well-formed XML (Windows refuses to start a program whose manifest is
        # not) and asks for per-monitor DPI awareness v2, UTF-8 and Windows 10.
        values = {e.tag.split("}")[1]: (e.text, e.get("Id"))
                  for e in ElementTree.fromstring(resource(24, "--raw")).iter()}
        self.assertEqual(values["dpiAwareness"][0], "PerMonitorV2")
        self.assertEqual(values["activeCodePage"][0], "UTF-8")
        self.assertEqual(values["supportedOS"][1], WINDOWS_10)
        # The zip, named with the version, holds the licence beside the README and the program.
        with zipfile.ZipFile(f"{BUILD_DIR}/kivo_model-{version}-windows.zip") as z:
            self.assertLessEqual({"kivo_model/kivo_model.exe", "kivo_model/README.txt",
                                  "kivo_model/LICENSE.txt"}, set(z.namelist()))


class WineTest(E2ETest):
    check_picture = test_viewer.ViewerTest.check_picture

    def test_scene_view_keys_and_escape(self):
        with Run(self.session, prepare=test_viewer.solid_maps) as run:
            viewer, seen = run.viewer, {(0, "sun"): False, (0, "beside"): False}
            red = lambda *xys: [p == (255, 0, 0)  # the Sun's red, all points from one screenshot
                                for p in map(run.pixels(viewer.window).getpixel, xys)]
            wait_until(lambda: self.check_picture(run.pixels(viewer.window), seen)
                       or all(seen.values()), 30, what="the Sun and the Earth's day side")
            # The pointer's first place is only recorded. Held W brings the Sun nearer: 60 pixels
            # above its centre is red. 100 pixels right turn the view 10 degrees right, and the
            # Sun's centre 92 pixels left.
            viewer.xdotool("mousemove", "--window", viewer.window, "100", "100", "keydown", "w")
            wait_until(lambda: red((400, 240)) == [True], 20, what="the Sun nearer")
            viewer.xdotool("keyup", "w", "mousemove", "--window", viewer.window, "200", "100")
            wait_until(lambda: red((308, 285), (420, 285)) == [True, False], 20, what="the turn")
            self.quit_ok(run)
