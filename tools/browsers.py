#!/usr/bin/python3
# A browser behind one small interface, and headless Chromium through Selenium and chromedriver:
# what tools/web-screenshot takes its pictures with. The browser tests add input, and Firefox and
# WebKitGTK behind the same interface (tests/web/engines.py).
import contextlib
import json
import os
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service as ChromeService

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import wait_until  # noqa: E402

WINDOW = (1000, 800)  # CSS pixels of viewport: the 800 x 600 canvas, its margin and the lines


class BrowserError(RuntimeError):
    pass


def rect(selector):  # JavaScript for the CSS box of the element `selector` picks
    return (f"(({{x, y, width, height}}) => ({{x, y, width, height}}))"
            f"(document.querySelector({json.dumps(selector)}).getBoundingClientRect())")


# One engine with one page open. `ratio` is the device pixel ratio it runs at; `webgl` is "webgl2"
# (all of it), "webgl1" (WebGL2 switched off) or "none"; `touch` asks for a touch screen (a coarse
# pointer) where the engine can pretend one; `viewport` is the CSS size of its view, which
# resize() changes as a phone turned sideways would.
class Browser(contextlib.AbstractContextManager):
    console_since_start = True  # whether console() sees the page's lines from its first

    # The JSON-able value of a JavaScript expression in the page; promises are awaited.
    def evaluate(self, expression):
        text = self._evaluate(f"Promise.resolve({expression}).then(v => JSON.stringify(v ?? null))")
        return json.loads(text)

    # Polls `condition` (a function, or a JavaScript expression) until it gives a truthy value,
    # and returns it; raises after `timeout` seconds. A page that is reloading between two polls
    # only delays the answer.
    def wait_for(self, condition, timeout=30, what=None):
        last = []

        def poll():
            try:
                return condition() if callable(condition) else self.evaluate(condition)
            except BrowserError as error:
                last[:] = [error]
        try:
            return wait_until(poll, timeout, what=what or condition)
        except Exception as error:
            raise BrowserError(f"{error}; last error: {last[0] if last else None}") from None

    def __exit__(self, *exc):
        self.close()


class SeleniumBrowser(Browser):  # what Chromium and WebKitGTK share: Selenium's WebDriver

    def open(self, url):
        self.driver.set_script_timeout(30)
        self.driver.get(url)

    def _evaluate(self, expression):
        try:
            return self.driver.execute_script(f"return {expression}")
        except Exception as error:  # Selenium's own exception types, or the connection's
            raise BrowserError(f"{expression}: {error}") from None

    def screenshot(self, selector="#canvas"):  # PNG of the element as shown, device pixels
        return self.driver.find_element("css selector", selector).screenshot_as_png


# Headless Chromium through chromedriver, software WebGL2 (SwiftShader behind ANGLE), in a private
# profile. With a `viewport` it emulates a device of that size (a mobile one, if `touch`) from the
# first load; `cdp` sends a DevTools command.
class Chromium(SeleniumBrowser):
    FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
             "--enable-unsafe-swiftshader", "--no-first-run", "--no-default-browser-check",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-extensions", "--mute-audio", "--hide-scrollbars"]
    WEBGL = {"webgl2": [], "webgl1": ["--disable-webgl2"], "none": ["--disable-3d-apis"]}

    def __init__(self, url, ratio=1, webgl="webgl2", touch=False, viewport=None, session=None):
        self.log, self.failed = [], []
        self.ratio, self.touch = ratio, touch
        # Chromium leaves its singleton socket's folder behind in TMPDIR: a private one goes.
        self.tmp = tempfile.mkdtemp(prefix="kivo-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in [*self.FLAGS, *self.WEBGL[webgl], f"--force-device-scale-factor={ratio}",
                     "--window-size={},{}".format(*WINDOW)]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=ChromeService(
            "/usr/bin/chromedriver", env=dict(os.environ, TMPDIR=self.tmp)), options=options)
        try:
            if touch:
                self.cdp("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=1)
            if viewport:
                self.resize(*viewport)
            self.open(url)
        except BaseException:
            self.close()
            raise

    def cdp(self, method, **params):
        return self.driver.execute_cdp_cmd(method, params)

    def resize(self, width, height):  # the emulated screen, upright or sideways as its shape
        side = ("portrait", 0) if height > width else ("landscape", 90)
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height,
                 mobile=self.touch, deviceScaleFactor=self.ratio,
                 screenOrientation={"type": f"{side[0]}Primary", "angle": side[1]})

    # The page's console calls and its uncaught errors so far, one string each. chromedriver
    # writes a call as "URL LINE:COLUMN ARGS", a string argument in JSON quotes. The engine's
    # notes of failed requests go to `failed`.
    def console(self):
        for entry in self.driver.get_log("browser"):
            if entry["source"] == "network":
                self.failed.append(entry["message"])
            if entry["source"] not in ("console-api", "javascript"):
                continue  # the engine's own notes (network, WebGL warnings) are not the page's
            text = entry["message"].split(" ", 2)[-1]
            with contextlib.suppress(ValueError):
                text = json.loads(text) if text.startswith('"') else text
            self.log.append(text)
        return list(self.log)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.tmp, ignore_errors=True)
