#!/usr/bin/python3
# Soak: the viewer on a private Xvfb under seeded random keys, pointer motion, scrolls, resizes and
# unmaps, watched for death, stalled presentation and resident-memory growth; then Escape.
import argparse, collections, os, random, select, statistics, subprocess, sys, tempfile, time

import psutil
from Xlib.display import Display
from Xlib.ext import damage

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from xsession import Viewer, XSession, XSessionError, copy_run_dir  # noqa: E402

SCREEN, NOMINAL = (1280, 1024), (800, 600)  # a larger screen, so the pointer can leave the window
PROGRAM_KEYS = "w a s d b c l f".split()
OTHER_KEYS = "q e x z 1 space Return Tab BackSpace Up Down Left Right Home F1 Shift_L Control_L"
SIZES = [(1, 1), (1, 2), (2, 1), (1, 600), (800, 1), (3, 3), (16, 16), (64, 48), (320, 240),
         (800, 600), (1024, 768)]
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")
CHECK_EVERY, ACTIONS_PER_CALL, FRAME_TIMEOUT = 3.0, 50, 20.0  # seconds, xdotool actions, seconds


class FrameWatch:
    """DAMAGE on the viewer's window: the X server reports whenever its contents are drawn."""

    def __init__(self, display, window):
        self.x = Display(display)
        self.x.damage_query_version()
        self.damage = self.x.create_resource_object("window", int(window)).damage_create(
            damage.DamageReportNonEmpty)  # one notification per empty-to-drawn change

    def wait_drawn(self):
        """Empties the damage, then returns the seconds until the window is drawn again."""
        self.x.damage_subtract(self.damage)
        subtract = self.x.display.request_serial - 1
        self.x.flush()
        start = time.monotonic()
        while True:
            while self.x.pending_events():  # MappingNotify (from xdotool) comes here too
                event = self.x.next_event()
                # Events carry the number of the last of our requests the server had read: only
                # those from the subtract on report drawing made after it.
                if (getattr(event, "damage", None) == self.damage
                        and (event.sequence_number - subtract) & 0xFFFF < 0x8000):
                    return time.monotonic() - start
            left = start + FRAME_TIMEOUT - time.monotonic()
            if left <= 0 or not select.select([self.x], [], [], left)[0]:
                raise XSessionError(f"no frame presented within {FRAME_TIMEOUT:.0f} s")


def random_input(rng, window, held, counts):
    """xdotool arguments for one random action; keys held down are kept in `held`."""
    roll = rng.random()
    if roll < 0.45:
        key = rng.choice(PROGRAM_KEYS if rng.random() < 0.7 else OTHER_KEYS.split())
        tap = rng.random() < 0.3 or len(held) >= 5
        kind = "keyup" if key in held else "key" if tap else "keydown"
        if kind != "key":
            held.symmetric_difference_update({key})  # keydown adds the key, keyup takes it away
        args = [kind, "--delay", "0", key]
    elif roll < 0.85:
        kind, size = "motion", NOMINAL if rng.random() < 0.75 else SCREEN  # SCREEN: also outside
        args = ["mousemove", str(rng.randrange(size[0])), str(rng.randrange(size[1]))]
    elif roll < 0.92:
        kind, args = "scroll", ["click", rng.choice("45")]
    elif roll < 0.99:
        kind, size = "resize", rng.choice(SIZES)
        if rng.random() < 0.2:
            size = (rng.randint(1, 1024), rng.randint(1, 768))
        args = ["windowsize", window, str(size[0]), str(size[1])]
    else:  # the nearest X has to a zero-sized window: gone for a moment, then back with focus
        kind = "unmap"
        args = ["windowunmap", window, "sleep", f"{rng.uniform(0.02, 0.2):.3f}", "windowmap",
                window, "windowfocus", window]
    counts[kind] += 1
    return args + (["sleep", f"{rng.uniform(0.002, 0.03):.3f}"] if rng.random() < 0.5 else [])


def soak(args, session, viewer, process, samples):
    """Random input for args.seconds, checked every few seconds: (seconds, RSS kB) into samples."""
    rng, held, counts, waits = random.Random(args.seed), set(), collections.Counter(), []
    window = viewer.wait_window(timeout=60)
    frames, start = FrameWatch(session.display, window), time.monotonic()

    def check():
        if not viewer.running():
            raise XSessionError(f"viewer died with status {viewer.process.returncode}")
        # Each check: mapped, nominal size, focused; the second frame is drawn at that size.
        viewer.xdotool("windowmap", window, "windowsize", window, *map(str, NOMINAL),
                       "windowfocus", window)
        waits.extend(frames.wait_drawn() for _ in range(2))
        samples.append((time.monotonic() - start, process.memory_info().rss // 1024))

    check()
    while time.monotonic() - start < args.seconds:
        if time.monotonic() - start >= samples[-1][0] + CHECK_EVERY:
            check()
        batch = [random_input(rng, window, held, counts) for _ in range(ACTIONS_PER_CALL)]
        session.run(["xdotool", *sum(batch, [])], timeout=30, check=False)
    check()
    print(f"soak: seed {args.seed}, {samples[-1][0]:.0f} s, {sum(counts.values())} actions: "
          + ", ".join(f"{kind} {n}" for kind, n in sorted(counts.items())))
    print(f"soak: {len(waits)} fresh frames seen, the slowest after {max(waits) * 1e3:.0f} ms")
    if held:
        viewer.xdotool(*[arg for key in sorted(held) for arg in ("keyup", key)])
    viewer.wait_window(timeout=30)


def main():
    parser = argparse.ArgumentParser(description="Soaks the viewer under random input.")
    parser.add_argument("--build-dir", required=True, help="run directory with kivo_model")
    parser.add_argument("--seconds", type=float, default=600, help="length of the random input")
    parser.add_argument("--seed", type=int, default=int(time.time()), help="default: the time")
    parser.add_argument("--rss-limit-kb", type=int, default=1024, help="negative: report only")
    args = parser.parse_args()
    print(f"soak: seed {args.seed}, {args.seconds:.0f} s on {args.build_dir}", flush=True)
    with tempfile.TemporaryDirectory(prefix="kivo-soak-") as scratch, XSession(*SCREEN) as session:
        viewer = Viewer(session, copy_run_dir(os.path.abspath(args.build_dir), scratch))
        process, samples = psutil.Process(viewer.process.pid), []
        try:
            soak(args, session, viewer, process, samples)
            status = viewer.quit(timeout=60)
        except (XSessionError, psutil.Error, subprocess.TimeoutExpired) as error:
            if viewer.running():
                print(f"soak: viewer {process.status()}, {sum(process.cpu_times()[:2]):.1f} s CPU")
            viewer.stop()
            print(f"soak: RSS kB at seconds: {' '.join(f'{t:.0f}:{kb}' for t, kb in samples)}\n"
                  f"soak: viewer stderr:\n{viewer.stderr()[-4000:]}\nsoak: FAILED: {error}")
            return 1
        finally:
            viewer.stop()
        out, err = viewer.stdout(), viewer.stderr()
    # Memory: first and last minute after a warm-up (thirds of the rest in runs under 3 minutes).
    end, rss = samples[-1][0], [kb for _, kb in samples]
    warmup = min(30.0, end / 3)
    span = 60.0 if end >= 180 else (end - warmup) / 3
    first = statistics.median(kb for t, kb in samples if warmup <= t < warmup + span)
    growth = statistics.median(kb for t, kb in samples if t >= end - span) - first
    minutes = collections.defaultdict(list)
    for t, kb in samples:
        minutes[int(t // 60)].append(kb)
    print(f"soak: RSS kB {min(rss)} to {max(rss)}, medians per minute "
          f"{' '.join(f'{statistics.median(m):.0f}' for m in minutes.values())}; first window "
          f"{first:.0f}, growth {growth:+.0f}; exit status {status}")
    problems = [text for bad, text in [
        (status != 0, f"exit status {status}, expected 0"),
        (out, f"unexpected standard output: {out[:500]!r}"),
        (any(m in err for m in SANITIZER_MARKS), f"sanitizer report on stderr:\n{err[-4000:]}"),
        (0 <= args.rss_limit_kb < growth, f"RSS grew {growth:.0f} kB, over {args.rss_limit_kb}"),
    ] if bad]
    print("soak: " + ("FAILED: " + "; ".join(problems) if problems else "PASSED"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
