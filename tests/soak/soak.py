#!/usr/bin/env python3
# Soak: the viewer on a private Xvfb under seeded random keys, pointer motion and resizes,
# watched for death, stalled presentation and resident-memory growth; then a clean Escape exit.
import argparse
import os
import random
import select
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from xsession import Viewer, XSession, XSessionError, copy_run_dir, wait_until  # noqa: E402

SCREEN = (1280, 1024)  # larger than the window, so the pointer can leave it
NOMINAL = (800, 600)
PROGRAM_KEYS = ["w", "a", "s", "d", "b", "c", "l", "f"]
OTHER_KEYS = ["q", "e", "x", "z", "1", "space", "Return", "Tab", "BackSpace", "Up", "Down",
              "Left", "Right", "Home", "F1", "Shift_L", "Control_L"]  # no Alt: no server combos
SIZES = [(1, 1), (1, 2), (2, 1), (1, 600), (800, 1), (3, 3), (16, 16), (64, 48), (320, 240),
         (800, 600), (1024, 768)]
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


class SoakFailure(Exception):
    pass


class DamageWatch:
    """Presentation probe: a raw X connection with a DAMAGE object on the viewer's window.
    The X server reports each time the window's contents are drawn, whatever they show."""

    def __init__(self, display, window):
        number = display.lstrip(":").split(".")[0]
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(20)
        self.sock.connect(f"/tmp/.X11-unix/X{number}")
        self.seq = 0
        self.notify_code = None  # known once the extension is queried
        self.notify_seq = []  # request sequence number carried by each unread notification
        self.errors = 0
        # Connection set-up, little-endian, no authorisation (the private Xvfb has none).
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        extra = self._read(struct.unpack_from("<H", head, 6)[0] * 4)
        if head[0] != 1:
            raise SoakFailure("the X server refused the probe's connection")
        id_base, id_mask = struct.unpack_from("<II", extra, 4)
        name = b"DAMAGE"
        pad = (-len(name)) % 4
        reply = self._call(struct.pack("<BxHHxx", 98, 2 + (len(name) + pad) // 4, len(name))
                           + name + bytes(pad))
        if not reply[8]:
            raise SoakFailure("the X server has no DAMAGE extension")
        self.opcode, self.notify_code = reply[9], reply[10]
        self._call(struct.pack("<BBHII", self.opcode, 0, 3, 1, 1))  # QueryVersion 1.1
        self.damage = id_base | (1 & id_mask)
        # DamageCreate at level NonEmpty: one notification per empty-to-drawn change.
        self._send(struct.pack("<BBHIIBxxx", self.opcode, 1, 4, self.damage, int(window), 3))

    def _read(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise SoakFailure("the X server closed the probe's connection")
            data += chunk
        return data

    def _packet(self):
        head = self._read(32)
        if head[0] == 1:  # a reply: 32 bytes plus its length in 4-byte units
            return head + self._read(struct.unpack_from("<I", head, 4)[0] * 4)
        if head[0] & 0x7F == self.notify_code:
            self.notify_seq.append(struct.unpack_from("<H", head, 2)[0])
        elif head[0] == 0:
            self.errors += 1
        return head

    def _send(self, request):
        self.sock.sendall(request)
        self.seq = (self.seq + 1) & 0xFFFF

    def _call(self, request):
        """Sends a request and returns its reply, counting the events read before it."""
        self._send(request)
        while True:
            packet = self._packet()
            if packet[0] == 1 and struct.unpack_from("<H", packet, 2)[0] == self.seq:
                return packet
            if packet[0] == 0 and struct.unpack_from("<H", packet, 2)[0] == self.seq:
                raise SoakFailure(f"X error {packet[1]} from the probe's request")

    def _drain(self, timeout):
        while select.select([self.sock], [], [], timeout)[0]:
            self._packet()
            timeout = 0

    def wait_drawn(self, timeout):
        """Empties the damage, then waits until the window is drawn again; returns seconds."""
        self._drain(0)
        self.notify_seq.clear()
        self._send(struct.pack("<BBHIII", self.opcode, 3, 4, self.damage, 0, 0))  # Subtract
        subtract = self.seq
        start = time.monotonic()
        # An event carries the number of the last request the server had read when it was
        # made: only those numbered from the subtract on are drawings made after it.
        while not any((seq - subtract) & 0xFFFF < 0x8000 for seq in self.notify_seq):
            left = start + timeout - time.monotonic()
            if left <= 0:
                raise SoakFailure(f"no frame presented within {timeout:.0f}s")
            self._drain(left)
        return time.monotonic() - start

    def close(self):
        self.sock.close()


def viewer_pid(pid, name="kivo_model"):
    """The viewer's own PID, looking through wrappers (a prefix that forks) if there are any."""
    pending = [pid]
    while pending:
        current = pending.pop(0)
        try:
            if os.path.basename(os.readlink(f"/proc/{current}/exe")) == name:
                return current
            for task in os.listdir(f"/proc/{current}/task"):
                with open(f"/proc/{current}/task/{task}/children") as f:
                    pending += [int(child) for child in f.read().split()]
        except OSError:
            continue
    return None


def process_state(pid):
    """`state X, cpu N s` of a process, for failure reports."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        return f"state {fields[0]}, cpu {(int(fields[11]) + int(fields[12])) / ticks:.1f} s"
    except OSError:
        return "gone"


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    raise SoakFailure("the viewer's process is gone (no VmRSS)")


class RandomInput:
    """Turns a seeded random.Random into batches of chained xdotool commands."""

    def __init__(self, rng, window):
        self.rng = rng
        self.window = window
        self.held = set()
        self.size = NOMINAL
        self.counts = dict(keydown=0, keyup=0, tap=0, motion=0, outside=0, scroll=0, resize=0,
                           unmap=0)

    def _key(self):
        r = self.rng
        key = r.choice(PROGRAM_KEYS) if r.random() < 0.7 else r.choice(OTHER_KEYS)
        if key in self.held:
            self.held.discard(key)
            self.counts["keyup"] += 1
            return ["keyup", "--delay", "0", key]
        if r.random() < 0.3 or len(self.held) >= 5:
            self.counts["tap"] += 1
            return ["key", "--delay", "0", key]
        self.held.add(key)
        self.counts["keydown"] += 1
        return ["keydown", "--delay", "0", key]

    def _motion(self):
        r = self.rng
        if r.random() < 0.25:
            x, y = r.randrange(SCREEN[0]), r.randrange(SCREEN[1])
            if x >= self.size[0] or y >= self.size[1]:
                self.counts["outside"] += 1
        else:
            x, y = r.randrange(self.size[0]), r.randrange(self.size[1])
        self.counts["motion"] += 1
        return ["mousemove", str(x), str(y)]

    def _resize(self):
        r = self.rng
        if r.random() < 0.2:
            self.size = (r.randint(1, 1024), r.randint(1, 768))
        else:
            self.size = r.choice(SIZES)
        self.counts["resize"] += 1
        return ["windowsize", self.window, str(self.size[0]), str(self.size[1])]

    def _unmap(self):
        # The nearest X has to a zero-sized window: unmapped for a moment, then back with focus.
        self.counts["unmap"] += 1
        return ["windowunmap", self.window, "sleep", f"{self.rng.uniform(0.02, 0.2):.3f}",
                "windowmap", self.window, "windowfocus", self.window]

    def batch(self, actions):
        r = self.rng
        args = []
        for _ in range(actions):
            roll = r.random()
            if roll < 0.45:
                args += self._key()
            elif roll < 0.85:
                args += self._motion()
            elif roll < 0.92:
                self.counts["scroll"] += 1
                args += ["click", r.choice(["4", "5"])]
            elif roll < 0.99:
                args += self._resize()
            else:
                args += self._unmap()
            if r.random() < 0.5:
                args += ["sleep", f"{r.uniform(0.002, 0.03):.3f}"]
        return args

    def release_all(self):
        args = []
        for key in sorted(self.held):
            args += ["keyup", "--delay", "0", key]
            self.counts["keyup"] += 1
        self.held.clear()
        return args

    def events(self):
        return sum(self.counts.values()) - self.counts["outside"]  # outside: a kind of motion


def compare_windows(samples):
    """(first, last) RSS sample lists: the first and last minute after a warm-up, or the first
    and last third of the rest for runs under three minutes."""
    end = samples[-1][0]
    warmup = min(30.0, end / 3)
    span = 60.0 if end >= 180 else (end - warmup) / 3
    first = [kb for t, kb in samples if warmup <= t < warmup + span]
    last = [kb for t, kb in samples if t >= end - span]
    return first, last


def soak(args):
    rng = random.Random(args.seed)
    scratch = tempfile.mkdtemp(prefix="kivo-soak-")
    copy_run_dir(args.build_dir, scratch)
    samples = []   # (seconds since the input started, VmRSS kB)
    waits = []     # seconds until a frame was presented, per sample
    session = viewer = damage = pid = None
    try:
        session = XSession(*SCREEN)
        viewer = Viewer(session, scratch)
        window = viewer.wait_window(timeout=60)
        pid = wait_until(lambda: viewer_pid(viewer.process.pid), 10, what="the viewer's PID")
        damage = DamageWatch(session.display, window)
        feed = RandomInput(rng, window)

        def check(elapsed):
            if not viewer.running():
                raise SoakFailure(f"viewer died with status {viewer.process.returncode}")
            # Same state at every sample: mapped, nominal size, focused; then a fresh frame.
            viewer.xdotool("windowmap", window, "windowsize", window, *map(str, NOMINAL),
                           "windowfocus", window)
            feed.size = NOMINAL
            # Two frames: the second is drawn with buffers of the nominal size.
            waits.append(damage.wait_drawn(args.frame_timeout))
            waits.append(damage.wait_drawn(args.frame_timeout))
            samples.append((elapsed, rss_kb(pid)))

        start = time.monotonic()
        check(0.0)
        next_sample = args.interval
        batches = 0
        while True:
            elapsed = time.monotonic() - start
            if elapsed >= args.seconds:
                break
            if elapsed >= next_sample:
                check(elapsed)
                next_sample += args.interval
            viewer.session.run(["xdotool", *feed.batch(args.batch)], timeout=30, check=False)
            batches += 1
        check(time.monotonic() - start)

        # Clean end: nothing held, window normal and focused, then Escape.
        release = feed.release_all()
        if release:
            viewer.xdotool(*release)
        viewer.xdotool("windowmap", window, "windowsize", window, *map(str, NOMINAL))
        viewer.wait_window(timeout=30)
        status = viewer.quit(timeout=args.exit_timeout)
        duration = time.monotonic() - start

        first, last = compare_windows(samples)
        growth = statistics.median(last) - statistics.median(first)
        out, err = viewer.stdout(), viewer.stderr()
        print(f"soak: seed {args.seed}, {duration:.0f}s, {batches} xdotool batches, "
              f"{feed.events()} input events ({feed.events() / duration:.0f}/s)")
        print("soak: events " + ", ".join(f"{k} {v}" for k, v in feed.counts.items()))
        print(f"soak: {len(samples)} samples every {args.interval}s; each saw two fresh frames "
              f"presented ({len(waits)} in all, slowest wait {max(waits) * 1000:.0f} ms, "
              f"median {statistics.median(waits) * 1000:.0f} ms)")
        rss = [kb for _, kb in samples]
        print(f"soak: VmRSS kB min {min(rss)} max {max(rss)}; first window median "
              f"{statistics.median(first):.0f} ({len(first)} samples), last window median "
              f"{statistics.median(last):.0f} ({len(last)} samples), growth {growth:+.0f} kB "
              f"(limit {args.rss_limit_kb if args.rss_limit_kb >= 0 else 'none'})")
        minutes = {}
        for t, kb in samples:
            minutes.setdefault(int(t // 60), []).append(kb)
        print("soak: VmRSS median kB per minute: "
              + " ".join(f"{statistics.median(v):.0f}" for _, v in sorted(minutes.items())))
        print(f"soak: exit status {status}")
        if err.strip():
            print("soak: viewer stderr (tail):\n" + err[-2000:])
        problems = []
        if status != 0:
            problems.append(f"exit status {status}, expected 0")
        if out:
            problems.append(f"unexpected standard output: {out[:500]!r}")
        if any(mark in err for mark in SANITIZER_MARKS):
            problems.append("sanitizer report on standard error")
        if args.rss_limit_kb >= 0 and growth > args.rss_limit_kb:
            problems.append(f"resident memory grew by {growth:.0f} kB")
        if problems:
            raise SoakFailure("; ".join(problems))
    except (SoakFailure, XSessionError, subprocess.TimeoutExpired) as error:
        print(f"soak: FAILED: {error}")
        if samples:
            print("soak: samples (s, kB): " + " ".join(f"{t:.0f}:{kb}" for t, kb in samples))
        if pid is not None:
            print(f"soak: viewer process: {process_state(pid)}")
        if viewer is not None:
            viewer.stop()
            print(f"soak: viewer stdout (tail): {viewer.stdout()[-2000:]!r}")
            print(f"soak: viewer stderr (tail):\n{viewer.stderr()[-4000:]}")
        return 1
    finally:
        if damage is not None:
            damage.close()
        if viewer is not None:
            viewer.stop()
        if session is not None:
            session.close()
        shutil.rmtree(scratch, ignore_errors=True)
    print("soak: PASSED")
    return 0


def main():
    parser = argparse.ArgumentParser(
        description="Soaks the viewer under random input; exit 0 when it held up.")
    parser.add_argument("--build-dir", required=True, help="run directory with kivo_model")
    parser.add_argument("--seconds", type=float, default=600, help="length of the random input")
    parser.add_argument("--seed", type=int, default=None, help="random seed (default: time)")
    parser.add_argument("--interval", type=float, default=3.0, help="seconds between samples")
    parser.add_argument("--batch", type=int, default=50, help="input actions per xdotool call")
    parser.add_argument("--rss-limit-kb", type=int, default=1024,
                        help="allowed growth of the median VmRSS, first window to last "
                             "(negative: report only)")
    parser.add_argument("--frame-timeout", type=float, default=20.0)
    parser.add_argument("--exit-timeout", type=float, default=60.0)
    args = parser.parse_args()
    if args.seed is None:
        args.seed = int(time.time())
    args.build_dir = os.path.abspath(args.build_dir)
    print(f"soak: seed {args.seed}, {args.seconds:.0f}s on {args.build_dir}", flush=True)
    return soak(args)


if __name__ == "__main__":
    sys.exit(main())
