#!/usr/bin/env python3
# `make bench`: frame rate, start-up time and peak memory of the viewer against a clear-and-swap
# baseline, measured from outside (LD_PRELOAD probe, GNU time) on a private Xvfb.
import argparse
import datetime
import math
import os
import platform
import re
import shutil
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
from xsession import Viewer, XSession, XSessionError  # noqa: E402

GNU_TIME = "/usr/bin/time"

# Targets, all against the baseline measured in the same pair of runs.
MIN_FPS_RATIO = 0.72
MAX_STARTUP_EXTRA_MS = 100.0
MAX_RSS_EXTRA_MB = 40.0
MAX_P99_OVER_MEDIAN = 2.5


class BenchError(RuntimeError):
    pass


def percentile(values, fraction):
    """Nearest-rank percentile of a non-empty list."""
    ordered = sorted(values)
    rank = max(1, min(len(ordered), math.ceil(fraction * len(ordered))))
    return ordered[rank - 1]


def read_frame_log(path):
    """The probe's file: its constructor time, the process CPU time at the first frame and one
    swap timestamp per line, all in seconds."""
    fields = {}
    stamps = []
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                if line[:1].isdigit():
                    stamps.append(int(line) / 1e9)
                elif line.strip():
                    key, value = line.split()
                    fields[key] = int(value) / 1e9
    return fields.get("start"), fields.get("cpu_first"), stamps


def read_gnu_time(path):
    """Peak RSS (kB) and exit status from `/usr/bin/time -v -o path`."""
    rss_kb = status = None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("Maximum resident set size (kbytes):"):
                rss_kb = int(line.rsplit(":", 1)[1])
            elif line.startswith("Exit status:"):
                status = int(line.rsplit(":", 1)[1])
    return rss_kb, status


class Run:
    """One measured run of a program: launch, fixed measuring time, Escape, parse the logs."""

    def __init__(self, label, stats):
        self.label = label
        self.__dict__.update(stats)


def run_once(session, label, binary, run_dir, probe, seconds, warmup, scratch, index, env_extra):
    tag = f"{label}-{index}"
    frame_log = os.path.join(scratch, tag + ".frames")
    time_log = os.path.join(scratch, tag + ".time")
    env = {"LD_PRELOAD": probe, "KIVO_FRAME_LOG": frame_log}
    # A sanitizer build refuses a preloaded library ahead of its runtime; Mesa's allocations
    # left at exit are not the program's leaks.
    asan = os.environ.get("ASAN_OPTIONS") or "detect_leaks=0"
    env["ASAN_OPTIONS"] = asan + ":verify_asan_link_order=0"
    env.update(env_extra)
    # Same clock as the probe: CPython's monotonic clock is CLOCK_MONOTONIC on Linux.
    launch = time.monotonic()
    viewer = Viewer(session, run_dir, binary=binary, prefix=(GNU_TIME, "-v", "-o", time_log),
                    env=env, stdout_path=os.path.join(scratch, tag + ".out"))
    try:
        # A fixed-length measuring run with no X clients polling; then end it with Escape.
        end = launch + seconds
        while time.monotonic() < end:
            if not viewer.running():
                raise BenchError(f"{tag}: exited early with status {viewer.process.returncode}"
                                 f"\n{viewer.stderr()[-2000:]}")
            time.sleep(min(0.25, max(0.0, end - time.monotonic())))
        viewer.wait_window(timeout=60)
        status = viewer.quit(timeout=60)
    except XSessionError as error:
        raise BenchError(f"{tag}: {error}\n{viewer.stderr()[-2000:]}") from error
    finally:
        viewer.stop()
    if status != 0:
        raise BenchError(f"{tag}: exit status {status}\n{viewer.stderr()[-2000:]}")
    rss_kb, time_status = read_gnu_time(time_log)
    if rss_kb is None or time_status != 0:
        raise BenchError(f"{tag}: GNU time reported status {time_status}, RSS {rss_kb}")
    ctor, cpu_first, stamps = read_frame_log(frame_log)
    if len(stamps) < 2:
        raise BenchError(f"{tag}: {len(stamps)} frame(s) presented, at least 2 needed")

    # Frame-time statistics: skip the first `warmup` seconds, stop at the end of measuring.
    window = [t for t in stamps if stamps[0] + warmup <= t <= end]
    used_all = len(window) < 3
    if used_all:
        window = stamps
    intervals = [b - a for a, b in zip(window, window[1:])]
    fps = (len(window) - 1) / (window[-1] - window[0])
    stats = {
        "fps": fps,
        "frames": len(stamps),
        "startup_ms": (stamps[0] - launch) * 1000.0,
        "ctor_startup_ms": (stamps[0] - ctor) * 1000.0 if ctor else float("nan"),
        "startup_cpu_ms": cpu_first * 1000.0 if cpu_first else float("nan"),
        "rss_mb": rss_kb / 1024.0,
        "median_ms": statistics.median(intervals) * 1000.0,
        "p99_ms": percentile(intervals, 0.99) * 1000.0,
        "used_all_frames": used_all,
        "stdout": viewer.stdout(),
    }
    return Run(label, stats)


def summary(values):
    return statistics.median(values), min(values), max(values)


def fmt(triple, unit="", digits=2):
    med, lo, hi = triple
    return f"{med:.{digits}f}{unit} ({lo:.{digits}f} to {hi:.{digits}f})"


def loadavg():
    try:
        with open("/proc/loadavg") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "unknown"


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def main():
    parser = argparse.ArgumentParser(
        description="Viewer against a clear-and-swap baseline: FPS, start-up, peak RSS.")
    parser.add_argument("--build-dir", default=os.path.join(HERE, "..", "build"),
                        help="the build (and run) directory")
    parser.add_argument("--quick", action="store_true",
                        help="one short run each; fails only on crashes, bad exits or no frames")
    parser.add_argument("--runs", type=int, help="runs of each program (default 5, quick 1)")
    parser.add_argument("--seconds", type=float, help="measuring time per run (default 10, quick 2)")
    parser.add_argument("--warmup", type=float, default=0.5,
                        help="seconds after the first frame left out of frame-time statistics")
    parser.add_argument("--results", help="markdown report (default bench/results.md; "
                        "quick runs write none unless asked)")
    args = parser.parse_args()
    runs = args.runs or (1 if args.quick else 5)
    seconds = args.seconds or (2.0 if args.quick else 10.0)
    results_path = args.results or (None if args.quick else os.path.join(HERE, "results.md"))

    build_dir = os.path.abspath(args.build_dir)
    viewer_bin = os.path.join(build_dir, "kivo_model")
    baseline_bin = os.path.join(build_dir, "bench", "bench_baseline")
    probe = os.path.join(build_dir, "bench", "frame_probe.so")
    for path in (viewer_bin, baseline_bin, probe, GNU_TIME):
        if not os.path.exists(path):
            print(f"bench: missing {path} (build first: make build)", file=sys.stderr)
            return 2

    load_before = loadavg()
    scratch = tempfile.mkdtemp(prefix="kivo-bench-")
    pairs = []
    try:
        with XSession(1024, 768) as session:
            # Alternate the two programs so slow drifts of the machine hit both alike.
            for i in range(runs):
                v = run_once(session, "viewer", viewer_bin, build_dir, probe, seconds,
                             args.warmup, scratch, i, {})
                b = run_once(session, "baseline", baseline_bin, build_dir, probe, seconds,
                             args.warmup, scratch, i, {"KIVO_PRINT_RENDERER": "1"})
                pairs.append((v, b))
                print(f"run {i + 1}/{runs}: viewer {v.fps:.1f} fps, baseline {b.fps:.1f} fps",
                      flush=True)
    except (BenchError, XSessionError) as error:
        print(f"bench: FAILED: {error}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    renderer = "unknown"
    for _, b in pairs:
        match = re.search(r"^GL_RENDERER=(.*)$", b.stdout, re.M)
        if match:
            renderer = match.group(1).strip()
            break

    fps_ratio = summary([v.fps / b.fps for v, b in pairs])
    startup_extra = summary([v.startup_ms - b.startup_ms for v, b in pairs])
    rss_extra = summary([v.rss_mb - b.rss_mb for v, b in pairs])
    v_median = summary([v.median_ms for v, _ in pairs])
    v_p99 = summary([v.p99_ms for v, _ in pairs])
    p99_ratio = summary([v.p99_ms / v.median_ms for v, _ in pairs])

    checks = [
        ("FPS viewer/baseline", fmt(fps_ratio, "x"), f">= {MIN_FPS_RATIO}",
         fps_ratio[0] >= MIN_FPS_RATIO),
        ("start-up to first frame, viewer - baseline", fmt(startup_extra, " ms", 1),
         f"<= {MAX_STARTUP_EXTRA_MS:.0f} ms", startup_extra[0] <= MAX_STARTUP_EXTRA_MS),
        ("peak RSS, viewer - baseline", fmt(rss_extra, " MB", 1),
         f"<= {MAX_RSS_EXTRA_MB:.0f} MB", rss_extra[0] <= MAX_RSS_EXTRA_MB),
        ("viewer frame time p99/median", fmt(p99_ratio, "x"), f"<= {MAX_P99_OVER_MEDIAN}",
         p99_ratio[0] <= MAX_P99_OVER_MEDIAN),
    ]
    info = [
        ("viewer frame time median", fmt(v_median, " ms")),
        ("viewer frame time p99", fmt(v_p99, " ms")),
        ("baseline frame time p99/median (machine noise)",
         fmt(summary([b.p99_ms / b.median_ms for _, b in pairs]), "x")),
        ("viewer FPS", fmt(summary([v.fps for v, _ in pairs]), "", 1)),
        ("baseline FPS", fmt(summary([b.fps for _, b in pairs]), "", 1)),
        ("viewer start-up to first frame", fmt(summary([v.startup_ms for v, _ in pairs]),
                                                " ms", 1)),
        ("baseline start-up to first frame", fmt(summary([b.startup_ms for _, b in pairs]),
                                                  " ms", 1)),
        ("start-up CPU time (all threads), viewer - baseline",
         fmt(summary([v.startup_cpu_ms - b.startup_cpu_ms for v, b in pairs]), " ms", 1)),
        ("viewer peak RSS", fmt(summary([v.rss_mb for v, _ in pairs]), " MB", 1)),
        ("baseline peak RSS", fmt(summary([b.rss_mb for _, b in pairs]), " MB", 1)),
    ]
    notes = [
        f"{runs} run(s) of each program, alternating, {seconds:g} s each; "
        "values are medians over the runs (min to max in brackets).",
        f"Frame times leave out the first {args.warmup:g} s after the first frame "
        "(start-up skews them).",
        "Start-up: from launching the process to the return of its first glfwSwapBuffers; "
        "its CPU time (less disturbed by other load) is shown beside it.",
        f"Load average before / after: {load_before} / {loadavg()}.",
    ]
    if any(r.used_all_frames for pair in pairs for r in pair):
        notes.append("Some runs had too few frames after the warm-up; all their frames were used.")

    width = max(len(name) for name, *_ in checks + info)
    print()
    print(f"{'measure'.ljust(width)}  {'median (min to max)':34}  {'target':10}  result")
    for name, value, target, ok in checks:
        verdict = "ok" if ok else ("missed" if not args.quick else "(not judged)")
        print(f"{name.ljust(width)}  {value:34}  {target:10}  {verdict}")
    for name, value in info:
        print(f"{name.ljust(width)}  {value}")
    for note in notes:
        print("note: " + note)
    print(f"CPU: {cpu_model()}; GL renderer: {renderer}")

    if results_path:
        write_results(results_path, checks, info, notes, renderer, pairs, args.quick)
        print(f"wrote {os.path.relpath(results_path)}")

    missed = [name for name, _, _, ok in checks if not ok]
    if args.quick:
        print("bench: quick run completed (targets not judged on runs this short)")
        return 0
    if missed:
        for name in missed:
            print(f"bench: target missed: {name}", file=sys.stderr)
        return 1
    print("bench: all targets met")
    return 0


def write_results(path, checks, info, notes, renderer, pairs, quick):
    now = datetime.datetime.now().astimezone().strftime("%Y-%m-%d %H:%M %Z")
    lines = [
        "# Benchmark results",
        "",
        "Written by `make bench` (bench/run_bench.py); the viewer against a program that only "
        "clears and swaps the same window, both on a private Xvfb.",
        "",
        f"- Date: {now}",
        f"- CPU: {cpu_model()} ({os.cpu_count()} logical CPUs)",
        f"- GL renderer: {renderer}",
        f"- Kernel: {platform.release()}",
        "",
        "| measure | median (min to max) | target | result |",
        "| --- | --- | --- | --- |",
    ]
    for name, value, target, ok in checks:
        verdict = "ok" if ok else ("missed" if not quick else "not judged")
        lines.append(f"| {name} | {value} | {target} | {verdict} |")
    for name, value in info:
        lines.append(f"| {name} | {value} | | |")
    lines += [""] + [f"- {note}" for note in notes]
    lines += ["", "Each run:", "",
              "| run | program | FPS | start-up ms | start-up CPU ms | peak RSS MB "
              "| frame median ms | frame p99 ms |",
              "| --- | --- | --- | --- | --- | --- | --- | --- |"]
    for i, pair in enumerate(pairs, 1):
        for r in pair:
            lines.append(f"| {i} | {r.label} | {r.fps:.1f} | {r.startup_ms:.1f} | "
                         f"{r.startup_cpu_ms:.1f} | "
                         f"{r.rss_mb:.1f} | {r.median_ms:.2f} | {r.p99_ms:.2f} |")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    sys.exit(main())
