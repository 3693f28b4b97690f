#!/usr/bin/python3
# Soak: the viewer on a private Xvfb under seeded random keys, pointer motion, scrolls, resizes and
# unmaps; it must keep drawing, keep its resident memory flat and end with 0 on Escape.
import argparse
import os
import random
import select
import statistics
import sys
import tempfile
import time

import psutil
from Xlib.display import Display
from Xlib.ext import damage

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from xsession import Viewer, XSession, copy_run_dir  # noqa: E402

KEYS = "w a s d b c l f q x space Return Up F1 Shift_L".split()
SIZES = [(1, 1), (1, 600), (800, 1), (3, 3), (64, 48), (320, 240), (800, 600), (1024, 768)]


# Weighted random actions as xdotool arguments; the pointer also leaves the window.
ACTIONS = {
    lambda r, w: [r.choice(("key", "keydown", "keyup")), r.choice(KEYS)]: 40,
    lambda r, w: ["mousemove", str(r.randrange(1280)), str(r.randrange(1024))]: 40,
    lambda r, w: ["click", r.choice("45")]: 8,  # the wheel
    lambda r, w: ["windowsize", w, *map(str, r.choice(SIZES))]: 10,
    lambda r, w: ["windowunmap", w, "windowmap", w, "windowfocus", w]: 2,
}


def wait_drawn(x, timeout=20):  # the window drawn again: DAMAGE after all older events
    x.sync()
    while x.pending_events():
        x.next_event()
    deadline = time.monotonic() + timeout
    while select.select([x], [], [], max(0.0, deadline - time.monotonic()))[0]:
        while x.pending_events():
            if x.next_event().type == x.extension_event.DamageNotify:
                return
    raise RuntimeError(f"no frame presented within {timeout} s")


def main():
    parser = argparse.ArgumentParser(description="Soaks the viewer under random input.")
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--seconds", type=float, default=600)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    parser.add_argument("--rss-limit-kb", type=int, default=1024, help="negative: report only")
    args = parser.parse_args()
    rng, rss = random.Random(args.seed), []
    with tempfile.TemporaryDirectory() as scratch, XSession(1280, 1024) as session:
        viewer = Viewer(session, copy_run_dir(os.path.abspath(args.build_dir), scratch))
        try:
            window, process = viewer.wait_window(60), psutil.Process(viewer.process.pid)
            x = Display(session.display)
            x.damage_query_version()
            x.create_resource_object("window", int(window)).damage_create(
                damage.DamageReportRawRectangles)
            start = time.monotonic()
            while time.monotonic() - start < args.seconds:
                batch = rng.choices(list(ACTIONS), weights=list(ACTIONS.values()), k=50)
                session.run(["xdotool", *sum((a(rng, window) for a in batch), [])], check=False)
                # Back to a mapped, focused 800 x 600 window with no key held: drawn again?
                session.run(["xdotool", "windowmap", window, "windowsize", window, "800", "600",
                             "windowfocus", window, *[a for k in KEYS for a in ("keyup", k)]])
                wait_drawn(x)
                rss.append((time.monotonic() - start, process.memory_info().rss // 1024))
            status, out = viewer.quit(60), viewer.stdout()
        finally:
            viewer.stop()
    # Resident memory: the last minute's median against the first's after a warm-up (thirds of the
    # rest in short runs). A sanitizer report ends the process, so the exit status shows it.
    end = rss[-1][0]
    warmup, span = min(30.0, end / 3), 60.0 if end >= 180 else end / 3
    first = statistics.median(kb for t, kb in rss if warmup <= t < warmup + span)
    growth = statistics.median(kb for t, kb in rss if t >= end - span) - first
    passed = status == 0 and not out and not 0 <= args.rss_limit_kb < growth
    print(f"soak: seed {args.seed}, {end:.0f} s, RSS {first:.0f} kB then {growth:+.0f} kB, exit "
          f"status {status}, output {out[:500]!r}: " + ("passed" if passed else "FAILED"))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
