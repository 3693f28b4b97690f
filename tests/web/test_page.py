# The page in Chromium, Firefox and WebKitGTK (KIVO_WEB_ENGINES picks, KIVO_WEB_PAGE sets the page):
# the scene, its exact maps, turn, flight, wireframe, a lost context, Escape; the site from a
# subfolder; ratio 2; no WebGL; a phone upright and sideways; in Chromium also a tablet and three
# more screens, touch, previews then exact maps on slow links, cut pages, virtual time, the site
# installed and offline; and tools/web-page on a map WebP cannot hold.
import base64
import functools
import http.server
import io
import json
import math
import os
import pathlib
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import unittest

from PIL import Image, ImageChops, ImageStat

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path[:0] = [os.path.join(ROOT, "tools"), os.path.dirname(os.path.abspath(__file__))]
from engines import ENGINES as DRIVERS  # noqa: E402
from xsession import XSession  # noqa: E402

PAGE = os.path.abspath(os.environ.get("KIVO_WEB_PAGE") or f"{ROOT}/build-web/index.html")
ENGINES = os.environ.get("KIVO_WEB_ENGINES", "chromium firefox webkit").replace(",", " ").split()
# The maps the page carries, from its table of contents (tools/web-page writes it from the build's
# list of run files), and the Sun's texels.
MAPS = [file["name"] for file in json.loads(re.search(
    rb'<script type="application/json" id="contents">(.*?)</script>',
    pathlib.Path(PAGE).read_bytes()).group(1)) if file.get("stage") == "exact"]
SUN_TEXELS = Image.open(os.path.join(ROOT, next(m for m in MAPS if "sun" in m))).convert(
    "RGB").getdata()
CONTROLS = ("W, A, S, D and the mouse fly the camera; B, C, L, F change the drawing; Escape "
            "ends the viewer.")
PREVIEWS = ("The page came without all of its exact maps, so the viewer shows their previews: "
            "reload it for the exact maps.")
LOST = "The GPU context was lost; the viewer starts again when the browser restores it."
NO_CONTEXT = "Failed to Create OpenGL Context"
FOCAL = 300 / math.tan(math.radians(30))  # CSS pixels: the projection's 60 degrees over 600 px
PHONE, TABLET = (390, 844), (768, 1024)  # CSS pixels, upright
# The layout: the canvas' buffer and CSS size, whether the buffer is that size in device pixels,
# the visible viewport and its zoom, whether the page scrolls sideways and its pointer is coarse,
# and the boxes of the picture and the keys shown.
LAYOUT = """((c, html, r = c.getBoundingClientRect(), ratio = devicePixelRatio) => ({
    buffer: [c.width, c.height], size: [r.width, r.height], drawn: Math.abs(r.width * ratio -
    c.width) <= 1 && Math.abs(r.height * ratio - c.height) <= 1, view: [visualViewport.width,
    visualViewport.height, visualViewport.scale], wide: html.scrollWidth > html.clientWidth,
    coarse: matchMedia('(pointer: coarse)').matches, boxes: Array.from(html.querySelectorAll(
    '#canvas, .keys button'), b => [b.dataset.key || 'picture', ...(r => [r.left, r.top, r.right,
    r.bottom])(b.getBoundingClientRect())]).filter(k => k[3] > k[1])}))(
    document.getElementById('canvas'), document.documentElement)"""
# Each change of the status line, with its time since the navigation began; the longest task.
# The program's clock (Emscripten's GLFW reads performance.now) stands at kivoClock ms, from 0 at
# the start, and follows the real one once that is null.
RECORDER = """window.kivoLines = []; const kivoNow = performance.now.bind(performance);
window.kivoClock = 0; performance.now = () => kivoClock ?? kivoNow(); new MutationObserver(() => {
    const line = document.getElementById("status")?.textContent;
    if (line && line != kivoLines.at(-1)?.[1]) kivoLines.push([kivoNow(), line]);
}).observe(document, {subtree: true, childList: true, characterData: true}); kivoTasks = [];
new PerformanceObserver(l => kivoTasks.push(...l.getEntries().map(e => [e.startTime,
    e.duration]))).observe({type: "longtask", buffered: true});"""
# Links (bytes a second, round trip in ms, CPU slowdown): Lighthouse's mobile profile, and faster.
LINKS = {"1.6 Mbit/s": (200000, 150, 4), "10 Mbit/s": (1250000, 40, 1)}
session = None  # the Xvfb that Firefox and WebKit draw their windows on
SITE = "a/b/"  # where the site's copy is served, below the server's root


@functools.cache
def served():  # the URL of a private static server (its `folder`), the site's copy in SITE;
    # while its `cut` is set, it answers nothing, as if the network were gone
    folder, cut = tempfile.mkdtemp(prefix="kivo-web-"), threading.Event()
    shutil.copytree(os.path.join(os.path.dirname(PAGE), "site"), os.path.join(folder, SITE))
    base = http.server.SimpleHTTPRequestHandler
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(type(
        "Quiet", (base,), {"log_message": lambda *_: 0,
                           "handle": lambda self: cut.is_set() or base.handle(self)}),
        directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    unittest.addModuleCleanup(lambda: (server.shutdown(), server.server_close(),
                                       shutil.rmtree(folder)))
    return type("URL", (str,), {"folder": folder, "cut": cut})(
        f"http://127.0.0.1:{server.server_port}/")


def setUpModule():
    global session
    if set(ENGINES) - {"chromium", "firefox", "webkit"} or not ENGINES:
        raise ValueError(f"KIVO_WEB_ENGINES names no engine or an unknown one: {ENGINES}")
    if {"firefox", "webkit"} & set(ENGINES):
        session = XSession(2400, 2000)  # room for a window at ratio 2
        unittest.addModuleCleanup(session.close)


def shot(page):  # the canvas as shown, in 800 x 600 window units whatever its size and ratio
    return Image.open(io.BytesIO(page.screenshot())).convert("RGB").resize((800, 600), Image.BOX)


def sun_disc(image):  # the Sun's pixel count, its centre, and the share of black around the centre
    points = [(i % 800, i // 800) for i, p in enumerate(image.getdata())
              if p[0] > 150 and p[0] - p[2] > 80]
    x, y = (statistics.median(c) for c in zip(*points)) if points else (0, 0)
    # Again without the Earth's deserts, whose colours pass for the Sun's: only near the disc.
    reach = 1.5 * math.sqrt(len(points) / math.pi)
    points = [(u, v) for u, v in points if math.hypot(u - x, v - y) < reach]
    x, y = (statistics.median(c) for c in zip(*points)) if points else (0, 0)
    square = image.crop((x - 20, y - 20, x + 21, y + 21))  # between a wireframe's lines, black
    return len(points), (x, y), sum(max(p) < 8 for p in square.getdata()) / 41 ** 2, square


def oceans(image):  # the Earth's oceans (blue, day or night): each pixel's x and blue;
    # their mean x, 0 out of view
    found = [(i % 800, p[2]) for i, p in enumerate(image.getdata()) if p[2] > p[0] + 15]
    return found, statistics.mean(x for x, _ in found) if len(found) > 100 else 0


def sizes(page):  # the canvas' drawing buffer and the size of its CSS box
    return (lambda layout: layout["buffer"] + layout["size"])(page.evaluate(LAYOUT))


def status(page, element="status"):
    return page.evaluate(f"document.getElementById('{element}').textContent")


# Every check, run by one subclass per engine. `webgl_off` names the engine's ways of running
# without WebGL: "none" at all, "webgl1" with WebGL2 alone switched off. `wire_gaps` is the black
# share around the Sun's centre in wireframe: 1 px lines leave most of it black. `phone_ratio` is
# the pixel ratio its phone runs at.
class Checks:
    engine, webgl_off, wire_gaps, phone_ratio = None, (), 0.3, 2

    # The viewer's end: its status line, and the lines `printed` all there is under the canvas and
    # in the console (in WebKitGTK: the console since load, which ends with them).
    def assert_ending(self, page, line, printed):
        end = page.wait_for(lambda: (s := status(page)) and ("ended" in s or "stopped" in s) and s,
                            what="the end")
        self.assertEqual((end, status(page, "output")), (line, "".join(f"{p}\n" for p in printed)))
        console = page.console()
        self.assertEqual(console, printed if page.console_since_start else
                         printed[len(printed) - len(console):])

    # The page as this screen shows it: not zoomed out, no sideways scrolling; the picture 4:3, at
    # most 800 x 600, drawn at its shown size in device pixels; touch keys on a coarse pointer
    # only, at least 44 px, all under the picture or the movement keys left of it and the others
    # right; the picture and the keys reach the room's end one way, and keys above 44 px leave the
    # picture no larger; all on the screen and apart from each other.
    def assert_fits(self, page):
        page.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")
        layout = page.wait_for(f"(l => l.drawn && l)({LAYOUT})", what="the buffer as shown")
        (width, height, zoom), (picture, *keys) = layout["view"], layout["boxes"]
        across, tall = picture[3] - picture[1], picture[4] - picture[2]
        self.assertEqual((zoom, layout["wide"], len(keys)), (1, False, 9 * layout["coarse"]))
        self.assertAlmostEqual(across / tall, 4 / 3, delta=0.01)
        under = all(top >= picture[4] for _, _, top, _, _ in keys)
        beside = all(right <= picture[1] if name in "wasd" else left >= picture[3]
                     for name, left, _, right, _ in keys)
        self.assertTrue(under or beside)
        ends = [max(box[i] for box in layout["boxes"]) for i in (3, 4)]
        self.assertTrue(across == 800 or width - 20 < ends[0] or height - 20 < ends[1], layout)
        for i, (name, left, top, right, bottom) in enumerate(layout["boxes"]):
            self.assertTrue(0 <= left and 0 <= top and right <= width and bottom <= height, name)
            self.assertTrue(name == "picture" or 44 <= min(right - left, bottom - top) and (
                min(right - left, bottom - top) < 45 or across == 800 or
                (picture[3] > width - 20 if under else picture[4] > height - 20)), name)
            for other, *box in layout["boxes"][i + 1:]:
                self.assertGreaterEqual(max(box[0] - right, left - box[2], box[1] - bottom,
                                            top - box[3]), 4, (name, other))

    def open(self, url=f"file://{PAGE}", **options):
        return DRIVERS[self.engine](url, session=session, **options)

    # The exact maps on screen (the status line the controls alone), the Sun at its map's colours,
    # the Earth beside it, day side toward it; the Sun's disc. The Moon passing in front of the
    # Earth's lit side can hide it in a frame, so the day side is waited for (a lighting fault
    # never shows it).
    def scene(self, page):
        def earth_beside_the_sun():  # a picture with the Earth's oceans brighter toward the Sun
            image = shot(page)
            ocean, cx = oceans(image)
            toward = [b for x, b in ocean if (x - cx) * (400 - cx) > 0] or [0]
            away = [b for x, b in ocean if (x - cx) * (400 - cx) < 0] or [1]
            return len(ocean) > 300 and abs(cx - 400) > 230 and statistics.mean(
                toward) > 1.25 * statistics.mean(away) and image

        page.wait_for(lambda: (status(page) or "").endswith("ends the viewer."),
                      what="the exact maps on screen, nothing else said")
        image = page.wait_for(earth_beside_the_sun, what="the Earth beside the Sun, lit toward it")
        disc = sun_disc(image)
        for channel, texels in zip(disc[3].split(), zip(*SUN_TEXELS)):
            self.assertAlmostEqual(statistics.median(channel.getdata()),
                                   statistics.median(texels), delta=12)
        return disc

    # `move` turns the view 10 degrees right (100 window units of rightward motion): the Sun's
    # image, an ellipse off the axis, centred where the projection puts it. Frames where the Earth
    # or the Moon covers or touches the Sun (its pixel count changes) are passed over.
    def turn(self, page, disc, move):
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
        near = page.wait_for(lambda: (d := sun_disc(shot(page)))[0] > 2 * disc[0] and d, what="W")
        hold(False)
        self.assertLess(near[1][0], disc[1][0] - 10)

    # The scene with the mouse at the picture's middle, whose first event only records the place
    # (and puts any stray one there), then 100 window units to the right; both discs.
    def mouse_turn(self, page):
        width = sizes(page)[2]
        page.mouse_move(width / 2, width * 3 / 8)
        start = self.scene(page)
        return start, self.turn(page, start, lambda: page.mouse_move(width * 5 / 8, width * 3 / 8))

    def test_scene_view_maps_wireframe_lost_context_and_escape(self):
        with self.open() as page:
            start, turned = self.mouse_turn(page)
            self.assertEqual(sizes(page), [800, 600, 800, 600])  # the desktop's page, as it was
            self.assert_fits(page)
            self.assertTrue(MAPS)
            for name in MAPS:  # the decoded maps
                self.assertEqual(base64.b64decode(page.evaluate(
                    f"btoa(Array.from(Module.FS.readFile('{name}'), b => String.fromCharCode(b))"
                    ".join(''))")), pathlib.Path(ROOT, name).read_bytes(), name)
            self.fly(page, turned, lambda down: page.key("w", "down" if down else "up"))
            page.key("l")
            page.wait_for(lambda: sun_disc(shot(page))[2] > self.wire_gaps, what="the wireframe")
            page.key("f")
            page.wait_for(lambda: sun_disc(shot(page))[2] < 0.02, what="filled spheres")
            # A lost and restored context: the viewer starts afresh, the camera back at its start,
            # the Sun as first seen (in a frame where nothing covers it).
            page.evaluate("(window.kivoLoss = document.getElementById('canvas')"
                          ".getContext('webgl2').getExtension('WEBGL_lose_context')).loseContext()")
            page.wait_for(lambda: status(page) == LOST, what="the lost line")
            page.evaluate("kivoLoss.restoreContext()")
            again = page.wait_for(lambda: status(page) == CONTROLS and abs(
                (d := sun_disc(shot(page)))[0] - start[0]) < 0.02 * start[0] and d,
                what="drawing again")
            self.assertLess(math.dist(again[1], start[1]), 4)
            if self.engine == "chromium":  # the file from disk links nothing that would fail
                page.cdp("Page.getInstallabilityErrors")  # fetches a linked manifest, if any
                self.assertEqual(page.console() + page.failed, [])
            self.assertEqual(page.console(), [])
            page.key("Escape")
            self.assert_ending(page, "The viewer has ended (exit status 0).", [])

    # On the engine's first window, then as a phone: upright, then turned sideways.
    def test_turn_by_the_picture_then_a_phone_upright_and_sideways(self):
        with self.open(touch=True, ratio=self.phone_ratio) as page:
            self.mouse_turn(page)
            for screen in (PHONE, PHONE[::-1]):
                page.resize(*screen)
                self.assert_fits(page)

    # In Chromium the site also installs as an app, and once its worker has kept its files, it
    # draws again with the server cut off.
    def test_site_from_a_subfolder(self):
        url = served() + SITE
        with self.open(url) as page:
            for visit in ("first", "offline")[:1 + (self.engine == "chromium")]:
                self.scene(page)
                self.assertEqual(page.console(), [])
                if visit == "first" and self.engine == "chromium":
                    self.assertEqual(page.cdp("Page.getInstallabilityErrors"),
                                     {"installabilityErrors": []})
                    page.wait_for("navigator.serviceWorker.getRegistration().then(r => "
                                  "r?.active?.state == 'activated')", what="the worker")
                    served().cut.set()
                    self.addCleanup(served().cut.clear)
                    page.open(url)

    def test_without_webgl_the_page_says_so_below_the_canvas_and_in_the_console(self):
        for webgl in self.webgl_off:
            with self.subTest(webgl=webgl), self.open(webgl=webgl) as page:
                self.assert_ending(page, "The viewer has ended (exit status -1).", [NO_CONTEXT])
                self.assertEqual(sizes(page)[2:], [800, 600])


# tools/web-page on a map 16384 pixels wide, more than WebP holds: carried as it is, its preview
# made all the same, in both the single file and the site.
class WebPageToolTest(unittest.TestCase):
    def test_a_map_webp_cannot_hold_travels_as_it_is(self):
        with tempfile.TemporaryDirectory() as folder:
            wide = struct.pack("<2sIIIIiiHHIIiiII", b"BM", 54 + 2 * 49152, 0, 54, 40, 16384, 2,
                               1, 24, 0, 0, 0, 0, 0, 0) + bytes(range(256)) * 384
            for name, data in (("map.bmp", wide), ("p.js", b"0"), ("p.wasm", b"\0asm"),
                               ("shell.html", b"<!-- CONTENTS -->")):
                pathlib.Path(folder, name).write_bytes(data)
            subprocess.run([f"{ROOT}/tools/web-page", f"{folder}/shell.html", f"{folder}/i.html",
                            "--site", f"{folder}/site", "--program", f"{folder}/p.js", "--root",
                            folder, "map.bmp"], check=True, capture_output=True)
            page = pathlib.Path(folder, "i.html").read_text()
            table = json.loads(re.search(r'id="contents">(.*?)</script>', page).group(1))
            self.assertEqual([(f["stage"], "image" in f) for f in table[2:]],
                             [("preview", True), ("exact", False)])
            self.assertEqual(base64.b64decode("".join(re.findall(
                r'data-file="3">([^<]*)', page))), wide)
            self.assertEqual(pathlib.Path(folder, "site", json.loads(re.search(
                r'id="contents">(.*?)</script>', pathlib.Path(folder, "site", "index.html")
                .read_text()).group(1))[3]["href"]).read_bytes(), wide)


@unittest.skipUnless("chromium" in ENGINES, "KIVO_WEB_ENGINES leaves Chromium out")
class ChromiumTest(Checks, unittest.TestCase):
    engine, webgl_off, phone_ratio = "chromium", ("none", "webgl1"), 3

    def test_tablet_by_touch_turns_by_the_picture_and_the_keys_act(self):
        with self.open(touch=True, ratio=2, viewport=TABLET) as page:
            for screen in (TABLET[::-1], (640, 360), (280, 653), TABLET):  # sideways, small, narrow
                page.resize(*screen)
                self.assert_fits(page)
            # What the audit reads: the viewport, a description, an icon inside the page, the
            # picture an image with a name, a polite status line, each key named for its letter.
            self.assertEqual(page.evaluate("""Array.from(document.querySelectorAll('meta[name],'
                + 'link, canvas, button, #status'), e => e.content?.slice(0, 22) || e.href?.slice(
                0, 5) || [e.role, e.ariaLive, e.ariaLabel?.split(',')[0].slice(0, 7)].join())"""),
                ["width=device-width, in", "The Sun, the Earth and", "data:", "img,,The Sun",
                 *(f",,{key}" for key in "WASDBCLF"), ",,Esc", "status,polite,"])
            start = self.scene(page)
            # A drag across the whole picture turns the view 80 degrees; each drag turns by its
            # own motion, so one back across 7/8 of it, from far away, leaves 10.
            w = sizes(page)[2]
            turned = self.turn(page, start, lambda: (
                page.touch_drag([(0.5, 100), (w / 2, 100), (w + 0.5, 100)]),
                page.touch_drag([(w - 0.5, 400), (w / 2, 400), (w / 8 - 0.5, 400)])))
            self.fly(page, turned, lambda down: page.touch_hold("[data-key=w]", down))
            for down in (True, False):
                page.touch_hold("[data-key=Escape]", down)
            self.assert_ending(page, "The viewer has ended (exit status 0).", [])

    # Served from 127.0.0.1 through Chromium's throttling (the times are printed, not checked):
    # the single file and the site start on the previews while the status line counts the exact
    # maps in; on the slow link the site's then replace the previews in the running viewer, which
    # keeps its clock, camera, C's and L's states and its one start. A page cut inside the exact
    # maps runs on the previews and says so, one cut inside the program says to reload (both on
    # the faster link).
    def test_slow_link_previews_then_exact_maps_and_cut_pages(self):
        data, url = pathlib.Path(PAGE).read_bytes(), served()
        starts = [data.find(b'data-file="%d"' % i) for i in range(7)]  # script, wasm, ..., maps
        for name, end in (("whole", len(data)), ("wasm", starts[1] + 99), ("maps", starts[6] + 99)):
            pathlib.Path(url.folder, name + ".html").write_bytes(data[:end])
        with self.open("about:blank") as page:
            page.cdp("Network.enable")
            page.cdp("Network.setCacheDisabled", cacheDisabled=True)
            page.cdp("Network.setBypassServiceWorker", bypass=True)  # the site's, once it has one
            page.cdp("Page.addScriptToEvaluateOnNewDocument", source=RECORDER)
            for (link, (rate, trip, slowdown)), where in [(link, where) for link in LINKS.items()
                                                          for where in ("whole.html", SITE)]:
                page.cdp("Network.emulateNetworkConditions", offline=False, latency=trip,
                         downloadThroughput=rate, uploadThroughput=rate)
                page.cdp("Emulation.setCPUThrottlingRate", rate=slowdown)
                page.open(url + where)
                first = page.wait_for(f"kivoLines.find(l => l[1].startsWith({CONTROLS!r}))",
                                      timeout=60, what=f"the first frame at {link}")
                # The site's page has loaded (page.open returns) well before its exact maps.
                swap = rate == LINKS["1.6 Mbit/s"][0] and where == SITE
                if rate == LINKS["1.6 Mbit/s"][0]:
                    self.assertIn("The exact maps: ", first[1])  # not yet all of them
                if swap:
                    # On the previews: the view turned, the scene 4 s on (the Earth half a lap
                    # round, into the view), C's culling off and L's wireframe.
                    page.mouse_move(400, 300)
                    page.mouse_move(500, 300)
                    page.evaluate("kivoClock = 4000")
                    page.key("c")
                    page.key("l")
                    before = page.wait_for(lambda: (d := sun_disc(i := shot(page)))[2] > 0.3 and d[
                        1][0] < 370 and (cx := oceans(i)[1]) and (d, cx),
                        what="the wireframe, turned, the Earth in view")
                    self.assertIn("%", status(page))  # all that before the last exact map
                lines = page.wait_for(f"kivoLines.at(-1)[1] == {CONTROLS!r} && kivoLines",
                                      timeout=90, what=f"the exact maps at {link}")
                if swap:
                    # On the exact maps: the same view, wireframe and Earth (a clock started
                    # again would be at 0); F fills the spheres, and B's culling then changes the
                    # picture, so C's held; C brings it back; the clock, let go, moves the Earth.
                    after = page.wait_for(lambda: (d := sun_disc(i := shot(page)))[2] > 0.3 and (
                        d, oceans(i)[1]), what="the wireframe")
                    self.assertLess(math.dist(before[0][1], after[0][1]), 2)
                    self.assertAlmostEqual(before[1], after[1], delta=3)
                    page.key("f")
                    filled = page.wait_for(lambda: sun_disc(i := shot(page))[2] < 0.02 and i,
                                           what="F")
                    for key, same in (("b", False), ("c", True)):
                        page.key(key)
                        page.wait_for(lambda: (sum(ImageStat.Stat(ImageChops.difference(
                            shot(page), filled)).mean) < 0.15) == same, what=key)
                    page.evaluate("kivoClock = null")
                    page.wait_for(lambda: abs(oceans(shot(page))[1] - after[1]) > 20,
                                  what="the Earth moving on")
                    self.assertEqual([s for _, s in lines].count("Starting the viewer..."), 1)
                last_byte, longest = page.evaluate(
                    "[Math.max(...performance.getEntries().map(e => e.responseEnd || 0)), "
                    "Math.max(0, ...kivoTasks.map(t => t[1]))]")
                print(f"\n{link}, {where}: first frame {first[0] / 1000:.1f} s, exact maps on "
                      f"screen {lines[-1][0] / 1000:.1f} s ({(lines[-1][0] - last_byte) / 1000:.1f}"
                      f" s after the last byte), longest task {longest:.0f} ms", file=sys.stderr)
            for cut in ("wasm", "maps"):
                page.open(f"{url}{cut}.html")
                page.wait_for(lambda: (s := status(page)) and (
                    s == f"{CONTROLS} {PREVIEWS}" and sun_disc(shot(page))[0] > 1000
                    if cut == "maps" else "incomplete" in s and "reload" in s), what=cut)

    # Headless Chromium's virtual time, as crawlers and link previews render a page, delivers no
    # animation frame: the file from disk still shows its first frame.
    def test_virtual_time_screenshot_draws_the_sun(self):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["chromium", "--headless", "--no-sandbox", "--use-angle=swiftshader",
                            "--enable-unsafe-swiftshader", f"--user-data-dir={folder}",
                            "--window-size=1000,800", "--virtual-time-budget=8000",
                            f"--screenshot={folder}/shot.png", f"file://{PAGE}"],
                           capture_output=True, timeout=120, check=True)
            image = Image.open(f"{folder}/shot.png").convert("RGB").crop((15, 15, 815, 615))
            self.assertGreater(sun_disc(image)[0], 5000)


@unittest.skipUnless("firefox" in ENGINES, "KIVO_WEB_ENGINES leaves Firefox out")
class FirefoxTest(Checks, unittest.TestCase):
    engine, webgl_off = "firefox", ("none", "webgl1")


@unittest.skipUnless("webkit" in ENGINES, "KIVO_WEB_ENGINES leaves WebKitGTK out")
class WebKitTest(Checks, unittest.TestCase):
    # WebKitGTK cannot switch WebGL2 off alone; its lines are as wide as glLineWidth(5) asks.
    engine, webgl_off, wire_gaps = "webkit", ("none",), 0.04
