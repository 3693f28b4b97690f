#!/usr/bin/python3
# Headless Chromium in a private profile, driven over the DevTools protocol on a pipe: opens a
# page, sends keys and mouse moves, reads the page and its console, takes screenshots. Shared by
# the browser tests and `make web-screenshot`, which saves a picture of the page (the CLI below).
import argparse
import base64
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import wait_until  # noqa: E402

# Software WebGL2 (SwiftShader behind ANGLE), nothing that reaches the network, no first-run UI.
FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--disable-extensions", "--mute-audio",
         "--hide-scrollbars", "--remote-debugging-pipe"]
# DOM key values, codes and key codes for the keys the viewer reads.
KEYS = {"Escape": ("Escape", 27)} | {c: (f"Key{c.upper()}", ord(c.upper())) for c in "abcdflsw"}


class ChromiumError(RuntimeError):
    pass


class Chromium:
    """One browser with one page, sized `width` x `height` CSS pixels at scale 1."""

    def __init__(self, url, width=1000, height=800, flags=(), timeout=60):
        self.profile = tempfile.mkdtemp(prefix="kivo-chromium-")
        self.timeout, self.next_id, self.buffer, self.events = timeout, 0, b"", []
        commands, self.to_browser = os.pipe()  # the browser reads commands on its fd 3
        self.from_browser, replies = os.pipe()  # and writes replies and events on its fd 4

        def own_fds():
            os.dup2(commands, 3)
            os.dup2(replies, 4)

        self.process = subprocess.Popen(
            ["chromium", *FLAGS, *flags, f"--user-data-dir={self.profile}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=own_fds, pass_fds=(3, 4))
        os.close(commands)
        os.close(replies)
        try:
            target = self.call("Target.createTarget", url="about:blank")["targetId"]
            self.session = self.call("Target.attachToTarget", targetId=target,
                                     flatten=True)["sessionId"]
            self.call("Runtime.enable", session=self.session)
            self.call("Page.enable", session=self.session)
            self.call("Emulation.setDeviceMetricsOverride", session=self.session, width=width,
                      height=height, deviceScaleFactor=1, mobile=False)
            loaded = len(self.events)
            self.call("Page.navigate", session=self.session, url=url)
            self.wait_event("Page.loadEventFired", since=loaded)
        except BaseException:
            self.close()
            raise

    # The protocol: one JSON message per NUL-terminated chunk, each way.
    def call(self, method, session=None, **params):
        """Sends one command and returns its result; events that arrive meanwhile are kept."""
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            reply = self._receive(deadline, method)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise ChromiumError(f"{method}: {reply['error'].get('message')}")
                return reply["result"]
            self.events.append(reply)

    def wait_event(self, method, since=0):
        """Waits for an event named `method`, the first after the first `since` events kept."""
        deadline = time.monotonic() + self.timeout
        while True:
            for event in self.events[since:]:
                if event.get("method") == method:
                    return event["params"]
            since = len(self.events)
            self.events.append(self._receive(deadline, method))

    def _receive(self, deadline, what):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.from_browser], [], [], left)[0]:
                raise ChromiumError(f"no reply to {what} within {self.timeout}s")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise ChromiumError(f"the browser closed the pipe during {what}")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def page(self, method, **params):
        return self.call(method, session=self.session, **params)

    # Reading the page.
    def evaluate(self, expression):
        """The value of a JavaScript expression in the page; promises are awaited."""
        result = self.page("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise ChromiumError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def wait_for(self, condition, timeout=30, what=None):
        """Polls `condition` (a function, or a JavaScript expression) until it gives a truthy
        value, and returns that value; raises after `timeout` seconds."""
        poll = condition if callable(condition) else lambda: self.evaluate(condition)
        return wait_until(poll, timeout, what=what or condition)

    def console(self):
        """Everything the page has written to the console so far, one string per call."""
        self.evaluate("0")  # a round trip, so that every event sent before it has arrived
        calls = [e["params"] for e in self.events if e.get("method") == "Runtime.consoleAPICalled"]
        return [" ".join(str(arg.get("value", arg.get("description"))) for arg in call["args"])
                for call in calls]

    def screenshot(self, selector="canvas"):
        """PNG bytes of the element that `selector` picks, as it is on the screen."""
        box = self.evaluate(f"(({{x, y, width, height}}) => ({{x, y, width, height}}))"
                            f"(document.querySelector('{selector}').getBoundingClientRect())")
        shot = self.page("Page.captureScreenshot", format="png", clip=dict(box, scale=1))
        return base64.b64decode(shot["data"])

    # Input, as the user's keyboard and mouse would send it.
    def key(self, name, action="press"):
        """Presses and releases a key; `action` "down" or "up" does only that half."""
        code, key_code = KEYS[name]
        for kind in {"press": ("rawKeyDown", "keyUp"), "down": ("rawKeyDown",),
                     "up": ("keyUp",)}[action]:
            self.page("Input.dispatchKeyEvent", type=kind, key=name, code=code,
                      windowsVirtualKeyCode=key_code, nativeVirtualKeyCode=key_code)

    def mouse_move(self, x, y):
        self.page("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)

    def close(self):
        if self.profile is None:
            return
        if self.process.poll() is None:
            try:
                os.write(self.to_browser, json.dumps({"id": 0, "method": "Browser.close"})
                         .encode() + b"\0")
                self.process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)
        self.profile = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def main():
    parser = argparse.ArgumentParser(
        description="Saves a PNG of a page's element after the page has run a few seconds.")
    parser.add_argument("page", help="a file path or URL")
    parser.add_argument("png")
    parser.add_argument("--selector", default="body", help="the element to show (default: body)")
    parser.add_argument("--seconds", type=float, default=3.0)
    args = parser.parse_args()
    url = args.page if "://" in args.page else "file://" + os.path.abspath(args.page)
    with Chromium(url) as browser:
        time.sleep(args.seconds)  # let the page animate before the picture is taken
        with open(args.png, "wb") as f:
            f.write(browser.screenshot(args.selector))
        print("\n".join(browser.console()))
    print(f"screenshot: {args.png}")


if __name__ == "__main__":
    sys.exit(main())
