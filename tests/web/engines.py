# The browser tests' input and their other two engines behind tools/browsers.py's interface:
# keys, the mouse and a finger; WebKitGTK through Selenium and its WebDriver server, Firefox through
# its own WebDriver BiDi; with Chromium, the engines the tests run in.
import base64
import contextlib
import json
import os
import shutil
import subprocess
import sys
import sysconfig
import tempfile

import websocket
from selenium import webdriver
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.webkitgtk.options import Options as WebKitOptions
from selenium.webdriver.webkitgtk.service import Service as WebKitService

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import browsers  # noqa: E402
from browsers import WINDOW, Browser, BrowserError, SeleniumBrowser, rect  # noqa: E402
from xsession import wait_until  # noqa: E402

# WebDriver's key values for the keys the viewer reads.
KEYS = {"Escape": "\ue00c"} | {c: c for c in "abcdflsw"}


# The keys, the mouse and a finger, over each engine's `key` and `_pointer`, whose steps are
# ("move", x, y) in CSS pixels of the view, ("down",) and ("up",).
class Input:
    def mouse_move(self, x, y):  # to (x, y) CSS pixels from the canvas' top left corner
        box = self.evaluate(rect("#canvas"))
        self._pointer("mouse", [("move", box["x"] + x, box["y"] + y)])

    def touch_drag(self, points):  # a finger down on the canvas at the first, moved, lifted
        box = self.evaluate(rect("#canvas"))
        steps = [("move", box["x"] + x, box["y"] + y) for x, y in points]
        self._pointer("touch", [steps[0], ("down",), *steps[1:], ("up",)])

    def touch_hold(self, selector, down):  # a finger put on the element's middle, or lifted
        box = self.evaluate(rect(selector))
        middle = (box["x"] + box["width"] / 2, box["y"] + box["height"] / 2)
        self._pointer("touch", [("move", *middle), ("down" if down else "up",)])


class SeleniumInput(Input):  # Selenium's actions: Chromium's and WebKitGTK's
    def key(self, name, action="press"):
        builder = ActionBuilder(self.driver, duration=0)
        for half in {"press": ("down", "up"), "down": ("down",), "up": ("up",)}[action]:
            getattr(builder.key_action, f"key_{half}")(KEYS[name])
        builder.perform()

    def _pointer(self, kind, steps):
        builder = ActionBuilder(self.driver, duration=0)
        for kind, *at in steps:
            getattr(builder.pointer_action, "move_to_location" if at else f"pointer_{kind}")(
                *map(round, at))
        builder.perform()


# Chromium with input. A finger goes through the DevTools protocol: chromedriver's touch actions
# lift no finger that an earlier action put down, so a held key could not be let go.
class Chromium(SeleniumInput, browsers.Chromium):
    TOUCH = {"move": "Move", "down": "Start", "up": "End"}  # DevTools' touch events for the steps
    finger, pressed = (), False

    def _pointer(self, kind, steps):
        if kind != "touch":
            return super()._pointer(kind, steps)
        for kind, *at in steps:
            self.finger = at or self.finger
            if kind != "move" or self.pressed:  # a move with no finger down is only a place
                self.pressed = kind != "up"
                self.cdp("Input.dispatchTouchEvent", type=f"touch{self.TOUCH[kind]}",
                         touchPoints=[] if kind == "up" else [dict(zip("xy", self.finger))])


# WebKitGTK's MiniBrowser through WebKitWebDriver, with a window on `session` (an XSession); it
# pretends no touch screen. Its driver has no console log, and MiniBrowser under automation writes
# none to its output, so a recorder installed into the page right after each load collects the
# console calls and uncaught errors from then on.
class WebKit(SeleniumInput, SeleniumBrowser):
    console_since_start = False
    MINIBROWSER = f"/usr/lib/{sysconfig.get_config_var('MULTIARCH')}/webkit2gtk-4.1/MiniBrowser"
    RECORDER = """(() => { if (window.kivoConsole) return; const lines = window.kivoConsole = [];
        for (const kind of ["log", "info", "warn", "error", "debug"]) { const call = console[kind];
            console[kind] = (...a) => { lines.push(a.join(" ")); call.apply(console, a); }; }
        addEventListener("error", (e) => lines.push(`Uncaught ${e.message}`));
        addEventListener("unhandledrejection", (e) => lines.push(`Unhandled ${e.reason}`)); })()"""

    def __init__(self, url, session, ratio=1, webgl="webgl2", touch=False, viewport=WINDOW):
        if webgl == "webgl1":
            raise BrowserError("WebKitGTK cannot switch WebGL2 off alone")
        options = WebKitOptions()
        for legacy in ("platform", "version"):  # keys WebDriver no longer knows; Selenium warns
            options.capabilities.pop(legacy, None)
        options.binary_location = self.MINIBROWSER
        for flag in ["--automation", f"--enable-webgl={'false' if webgl == 'none' else 'true'}"]:
            options.add_argument(flag)
        self.service = WebKitService("/usr/bin/WebKitWebDriver",
                                     env=dict(session.env, GDK_SCALE=str(ratio)))
        self.service.start()
        self.session, self.log = session, []
        try:
            self.driver = webdriver.Remote(self.service.service_url, options=options)
            self.driver.set_window_rect(0, 0, WINDOW[0] + 40, WINDOW[1] + 120)
            self.open(url)
            if viewport != WINDOW:
                self.resize(*viewport)
        except BaseException:
            self.close()
            raise

    def open(self, url):
        super().open(url)
        self._evaluate(self.RECORDER)

    def resize(self, width, height):  # the window, for such a view as far as MiniBrowser allows
        frame = self.evaluate("[outerWidth - innerWidth, outerHeight - innerHeight]")
        self.driver.set_window_rect(0, 0, width + frame[0], height + frame[1])

    # The element as the X server shows it. WebKitWebDriver's own screenshot copies a WebGL canvas
    # while the next frame is being drawn into it, a half-drawn scene.
    def screenshot(self, selector="#canvas"):
        box = self.evaluate(f"(r => [r.x + screenX, r.y + screenY + outerHeight - innerHeight,"
                            f" r.width, r.height].map(v => Math.round(v * devicePixelRatio)))"
                            f"({rect(selector)})")
        return subprocess.run(["import", "-window", "root", "-crop",
                               "{2}x{3}+{0}+{1}".format(*box), "png:-"], env=self.session.env,
                              capture_output=True, check=True, timeout=30).stdout

    def console(self):
        lines = self.evaluate("window.kivoConsole && kivoConsole.splice(0)")
        if lines is None:  # the page was loaded again: a new recorder from here on
            self._evaluate(self.RECORDER)
        self.log += lines or []
        return list(self.log)

    def close(self):
        if getattr(self, "driver", None):
            self.driver.quit()
        self.service.stop()


# Firefox ESR with a window on `session` (an XSession; headless Firefox has no WebGL here), in a
# private profile, driven over its WebDriver BiDi socket with python3-websocket. A touch screen is
# its preferences' coarse pointer and touch events.
class Firefox(Input, Browser):
    PREFS = {"webgl2": {}, "webgl1": {"webgl.enable-webgl2": False},
             "none": {"webgl.disabled": True}}
    TOUCH = {"ui.primaryPointerCapabilities": 1, "ui.allPointerCapabilities": 1,
             "dom.w3c_touch_events.enabled": 1}

    def __init__(self, url, session, ratio=1, webgl="webgl2", touch=False, viewport=WINDOW,
                 timeout=60):
        self.timeout, self.next_id, self.events, self.socket = timeout, 0, [], None
        self.profile = tempfile.mkdtemp(prefix="kivo-firefox-")
        prefs = {"layout.css.devPixelsPerPx": str(ratio), **self.PREFS[webgl],
                 **(self.TOUCH if touch else {})}
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            f.writelines("user_pref(%s, %s);\n" % tuple(map(json.dumps, p)) for p in prefs.items())
        self.errors = open(os.path.join(self.profile, "stderr.txt"), "w+")
        self.process = subprocess.Popen(
            ["firefox-esr", "--profile", self.profile, "--no-remote", "--new-instance",
             "--remote-debugging-port=0", "about:blank"], env=session.env,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.errors)
        try:
            address = wait_until(self._address, timeout, what="Firefox's WebDriver BiDi socket")
            # Firefox refuses a handshake that names an origin.
            self.socket = websocket.create_connection(f"{address}/session", timeout=timeout,
                                                      suppress_origin=True)
            self.call("session.new", capabilities={})
            self.call("session.subscribe", events=["log.entryAdded"])
            self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
            self.resize(*viewport)
            self.call("browsingContext.navigate", context=self.context, url=url, wait="complete")
        except BaseException:
            self.close()
            raise

    def _address(self):
        if self.process.poll() is not None:
            raise BrowserError(f"Firefox exited with {self.process.returncode}")
        self.errors.seek(0)
        return next((line.split()[-1] for line in self.errors
                     if line.startswith("WebDriver BiDi listening on ")), None)

    # The protocol: one JSON message per WebSocket message; replies carry the command's id. One
    # command sent, its result returned; events that arrive meanwhile are kept.
    def call(self, method, **params):
        self.next_id += 1
        try:
            self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
            while (reply := json.loads(self.socket.recv())).get("id") != self.next_id:
                self.events.append(reply)
        except websocket.WebSocketTimeoutException:
            raise BrowserError(f"no answer from Firefox within {self.timeout}s") from None
        if reply.get("type") == "error":
            raise BrowserError(f"{method}: {reply.get('error')}: {reply.get('message')}")
        return reply["result"]

    def resize(self, width, height):
        self.call("browsingContext.setViewport", context=self.context,
                  viewport={"width": width, "height": height})

    def _evaluate(self, expression):
        result = self.call("script.evaluate", expression=expression, awaitPromise=True,
                           target={"context": self.context})
        if result["type"] != "success":
            raise BrowserError(f"{expression}: {result.get('exceptionDetails', {}).get('text')}")
        return result["result"].get("value")

    def console(self):  # the page's console calls and uncaught errors so far, one string each
        self.evaluate("0")  # a round trip: every earlier event is in
        return [e["params"]["text"] for e in self.events if e.get("method") == "log.entryAdded"]

    def key(self, name, action="press"):
        halves = {"press": ("keyDown", "keyUp"), "down": ("keyDown",), "up": ("keyUp",)}[action]
        self.call("input.performActions", context=self.context, actions=[{
            "type": "key", "id": "keyboard",
            "actions": [{"type": half, "value": KEYS[name]} for half in halves]}])

    def _pointer(self, kind, steps):
        actions = [{"type": "pointerMove", "x": round(s[1]), "y": round(s[2]), "duration": 0}
                   if s[0] == "move" else {"type": f"pointer{s[0].title()}", "button": 0}
                   for s in steps]
        self.call("input.performActions", context=self.context, actions=[{
            "type": "pointer", "id": kind, "parameters": {"pointerType": kind},
            "actions": actions}])

    def screenshot(self, selector="#canvas"):
        shot = self.call("browsingContext.captureScreenshot", context=self.context,
                         clip=dict(self.evaluate(rect(selector)), type="box"))
        return base64.b64decode(shot["data"])

    def close(self):
        if self.profile is None:
            return
        if self.socket is not None:
            with contextlib.suppress(Exception):  # it may close the socket before it answers
                self.call("browser.close")
            self.socket.close()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.errors.close()
        shutil.rmtree(self.profile, ignore_errors=True)
        self.profile = None


ENGINES = {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}
