# A private virtual X display (Xvfb) and the viewer running on it, driven with xdotool.
# Shared by `make run`'s headless path, the end-to-end tests, the benchmark and the soak.
import os
import select
import shutil
import signal
import subprocess
import time

WINDOW_TITLE = "Kivo_model"


class XSessionError(RuntimeError):
    pass


def wait_until(condition, timeout, interval=0.05, what="condition"):
    """Polls `condition` until it returns a truthy value; raises after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise XSessionError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


class XSession:
    """Xvfb on a free display number, found with -displayfd; ended on close."""

    def __init__(self, width=1280, height=1024, timeout=20):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        try:
            deadline = time.monotonic() + timeout
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_fd], [], [], left)[0]:
                    raise XSessionError("Xvfb did not report a display number")
                chunk = os.read(read_fd, 16)
                if not chunk:
                    raise XSessionError("Xvfb exited before reporting a display number")
                number += chunk
        except BaseException:
            self.close()
            raise
        finally:
            os.close(read_fd)
        self.display = ":" + number.decode().strip()
        self.windows = set()  # the viewers' windows found so far
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        # GLFW 3.4 tries Wayland first unless the session says X11; it would take a compositor
        # found in XDG_RUNTIME_DIR over this display, or print why it found none.
        self.env["XDG_SESSION_TYPE"] = "x11"

    def run(self, args, timeout=20, check=True):
        """Runs a helper command (xdotool, import) on this display and returns its stdout."""
        result = subprocess.run(args, env=self.env, capture_output=True, text=True,
                                timeout=timeout)
        if check and result.returncode != 0:
            raise XSessionError(f"{args[0]} failed ({result.returncode}): {result.stderr.strip()}")
        return result.stdout

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Viewer:
    """One run of the viewer on an XSession, with its standard output captured to a file, or
    given the descriptor `stdout` instead (closed here once handed over)."""

    def __init__(self, session, run_dir, binary="./kivo_model", args=(), prefix=(), env=None,
                 stdout_path=None, stdout=None):
        self.session = session
        self.run_dir = run_dir
        self.stdout_path = stdout_path or os.path.join(run_dir, "stdout.txt")
        self.stderr_path = self.stdout_path + ".err"
        self.window = None
        self.max_rss_kb = None  # peak resident size, known once wait_exit or stop reaped it
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = subprocess.Popen(
                [*prefix, binary, *args], cwd=run_dir, env=dict(session.env, **(env or {})),
                stdin=subprocess.DEVNULL, stdout=out if stdout is None else stdout, stderr=err)
        if stdout is not None:
            os.close(stdout)

    # Window discovery and focus.
    def wait_window(self, timeout=30):
        """Waits until the viewer's window is visible and holds the keyboard focus."""
        def find():
            if not self.running():
                raise XSessionError(f"viewer exited early with {self.process.returncode}")
            out = self.session.run(["xdotool", "search", "--onlyvisible", "--name",
                                    f"^{WINDOW_TITLE}$"], check=False)
            # Several viewers may share the display: take a window no other viewer has taken.
            return next((w for w in out.split() if w not in self.session.windows), None)
        self.window = wait_until(find, timeout, what="the viewer's window")
        self.session.windows.add(self.window)
        # Focusing a window that is not yet mapped fails: retry until it takes.
        def focus():
            self.session.run(["xdotool", "windowfocus", "--sync", self.window], check=False,
                             timeout=5)
            out = self.session.run(["xdotool", "getwindowfocus"], check=False)
            return out.strip() == self.window
        wait_until(focus, timeout, interval=0.1, what="keyboard focus on the window")
        return self.window

    # Input.
    def key(self, *names, delay_ms=30):
        self.session.run(["xdotool", "key", "--delay", str(delay_ms), *names])

    def keydown(self, name):
        self.session.run(["xdotool", "keydown", name])

    def xdotool(self, *args):
        return self.session.run(["xdotool", *args])

    def screenshot(self, path, depth=None):
        """Saves the window's contents; the format follows the file name's extension."""
        options = ["-depth", str(depth)] if depth else []
        self.session.run(["import", "-window", self.window, *options, path], timeout=30)
        return path

    # Ending the run.
    def running(self):
        return self._reap(0) is None

    # Popen's poll and wait reap without the resource usage: every check goes through here.
    def _reap(self, timeout):
        """Reaps the process with wait4, which also reports its peak RSS; returns the exit status,
        or None if it still runs after `timeout` seconds."""
        deadline = time.monotonic() + timeout
        while self.process.returncode is None:
            pid, status, usage = os.wait4(self.process.pid, os.WNOHANG)
            if pid:
                self.process.returncode = os.waitstatus_to_exitcode(status)
                self.max_rss_kb = usage.ru_maxrss
            elif time.monotonic() >= deadline:
                return None
            else:
                time.sleep(0.02)
        return self.process.returncode

    def wait_exit(self, timeout=30):
        status = self._reap(timeout)
        if status is None:
            raise XSessionError(f"viewer still running after {timeout}s")
        return status

    def quit(self, timeout=30):
        """Holds Escape until the program exits and returns the exit status: a program that only
        polls the key once per frame could miss a quick tap on a loaded machine."""
        if not self.running():
            return self.wait_exit(timeout)
        if self.window:
            self.session.run(["xdotool", "windowfocus", "--sync", self.window], check=False)
        self.keydown("Escape")
        try:
            return self.wait_exit(timeout)
        finally:
            self.session.run(["xdotool", "keyup", "Escape"], check=False)

    def stop(self):
        """Makes sure the process is gone; SIGTERM first so a tracer can flush its file."""
        self.session.windows.discard(self.window)  # a later window may reuse its id
        # os.kill, not Popen's signal methods: those poll.
        if self._reap(0) is None:
            os.kill(self.process.pid, signal.SIGTERM)
            if self._reap(15) is None:
                os.kill(self.process.pid, signal.SIGKILL)
                self._reap(float("inf"))

    def stdout(self):
        with open(self.stdout_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()


def copy_run_dir(build_dir, scratch, binary="kivo_model"):
    """Copies the run directory (binary, shaders, images) into `scratch` for a test to alter."""
    os.makedirs(scratch, exist_ok=True)
    for name in (binary, "sphere.vs", "sphere.fs"):
        shutil.copy2(os.path.join(build_dir, name), scratch)
    shutil.copytree(os.path.join(build_dir, "res"), os.path.join(scratch, "res"),
                    dirs_exist_ok=True)
    return scratch
