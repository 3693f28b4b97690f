#!/usr/bin/python3
# `make bench`: frame rate, start-up time and peak memory of the viewer against its floor, the same
# binary with textured, unlit shaders, and against a bare clear-and-swap window, on a private Xvfb,
# measured from outside (LD_PRELOAD frame probe, wait4's peak RSS); then how much the Sun and the
# Moon flicker as they turn, and how much detail they show, against trilinear mipmaps.
import argparse, array, datetime, math, os, platform, re, statistics, subprocess, sys, tempfile
import time, types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
from xsession import Viewer, XSession, XSessionError, copy_run_dir, wait_until  # noqa: E402
import frame_stats  # noqa: E402

# The floor's shaders: the same vertex inputs, matrices and texture as the viewer's, no light.
FLOOR_SHADERS = {
    "sphere.vs": """#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec2 aTexCoord;
uniform mat4 projection;
uniform mat4 view;
uniform mat4 model;
out vec2 texCoord;
void main() {
    texCoord = aTexCoord;
    gl_Position = projection * view * model * vec4(aPos, 1.0);
}
""",
    "sphere.fs": """#version 330 core
in vec2 texCoord;
uniform sampler2D texture1;
out vec4 fragColor;
void main() {
    fragColor = vec4(texture(texture1, texCoord).rgb, 1.0);
}
""",
}

# (measure, its value for one viewer run v with the floor run f and the bare-window run b after
# it, unit, target). The targets are judged on the median over the rounds; the other rows are
# there to explain them.
MEASURES = [
    ("FPS viewer/floor", lambda v, f, b: v.fps / f.fps, "x", ">= 0.85"),
    ("start-up to first frame, viewer - floor", lambda v, f, b: v.startup_ms - f.startup_ms,
     " ms", "<= 40 ms"),
    ("peak RSS, viewer - bare window", lambda v, f, b: v.rss_mb - b.rss_mb, " MB", "<= 40 MB"),
    ("viewer frame time p99/median", lambda v, f, b: v.p99_ms / v.median_ms, "x", "<= 3"),
    ("FPS viewer/bare window", lambda v, f, b: v.fps / b.fps, "x", ""),
    ("floor frame time p99/median (machine noise)", lambda v, f, b: f.p99_ms / f.median_ms, "x",
     ""),
    ("viewer frame time median", lambda v, f, b: v.median_ms, " ms", ""),
    ("viewer FPS", lambda v, f, b: v.fps, "", ""),
    ("floor FPS", lambda v, f, b: f.fps, "", ""),
    ("bare window FPS", lambda v, f, b: b.fps, "", ""),
    ("viewer start-up to first frame", lambda v, f, b: v.startup_ms, " ms", ""),
    ("floor start-up to first frame", lambda v, f, b: f.startup_ms, " ms", ""),
    ("start-up CPU time (all threads), viewer - floor", lambda v, f, b: v.cpu_ms - f.cpu_ms,
     " ms", ""),
    ("viewer peak RSS", lambda v, f, b: v.rss_mb, " MB", ""),
    ("bare window peak RSS", lambda v, f, b: b.rss_mb, " MB", ""),
]
PROGRAMS = ("viewer", "floor", "bare window")

# The picture measures: (scene, the probe's camera or None for the program's start view, the
# body's radius and its distance from the camera). Each scene is drawn twice: as the program
# draws it, and with trilinear mipmaps (the probe's KIVO_TRILINEAR), the reference.
PICTURE_SCENES = [
    ("Sun, start view", None, 1.0, 10.0),
    ("Sun, twice as far (camera at z = 20)", "sun,20", 1.0, 20.0),
    ("Moon, camera following it 9 units away", "moon,9", 0.2, 9.0),
]
PICTURE_FRAMES, PICTURE_START, PICTURE_STEP = 60, 0.2, 1 / 60


def measure(session, binary, run_dir, build_dir, log, args, env):
    """One run from `run_dir`: launch, a fixed measuring time, Escape; then the statistics of its
    frames."""
    # A sanitizer build refuses a library preloaded ahead of its runtime; Mesa's allocations left
    # at exit are not the program's leaks.
    asan = (os.environ.get("ASAN_OPTIONS") or "detect_leaks=0") + ":verify_asan_link_order=0"
    env = dict(env, LD_PRELOAD=os.path.join(build_dir, "bench", "frame_probe.so"),
               KIVO_FRAME_LOG=log, ASAN_OPTIONS=asan)
    launch = time.monotonic()  # CLOCK_MONOTONIC, the probe's clock
    viewer = Viewer(session, run_dir, binary=binary, env=env, stdout_path=log + ".out")
    try:
        try:  # no X client polls the window while it is measured
            viewer.process.wait(timeout=args.seconds)
            raise XSessionError(f"exited early with status {viewer.process.returncode}")
        except subprocess.TimeoutExpired:
            pass
        viewer.wait_window(timeout=60)
        status = viewer.quit(timeout=60)
        if status != 0:
            raise XSessionError(f"exit status {status}")
        with open(log, "rb") as f:
            ns = array.array("Q", f.read())  # CPU time at the first frame, then frame times
        if len(ns) < 3:
            raise XSessionError(f"{max(0, len(ns) - 1)} frame(s) presented, at least 2 needed")
    except (XSessionError, OSError) as error:
        raise XSessionError(f"{binary}: {error}\n{viewer.stderr()[-2000:]}") from error
    finally:
        viewer.stop()
    stamps = [t / 1e9 for t in ns[1:]]
    # Frame times leave out the warm-up after the first frame, when there are frames enough.
    window = [t for t in stamps if stamps[0] + args.warmup <= t <= launch + args.seconds]
    window = window if len(window) >= 3 else stamps
    gaps = sorted(b - a for a, b in zip(window, window[1:]))
    return types.SimpleNamespace(
        fps=(len(window) - 1) / (window[-1] - window[0]), startup_ms=(stamps[0] - launch) * 1e3,
        cpu_ms=ns[0] / 1e6, rss_mb=viewer.max_rss_kb / 1024,  # never below this script's (vfork)
        median_ms=statistics.median(gaps) * 1e3, p99_ms=gaps[math.ceil(0.99 * len(gaps)) - 1] * 1e3,
        all_frames=window is stamps, stdout=viewer.stdout())


def picture_measures(session, build_dir, scratch, scene, reference, run):
    """Flicker and detail of one scene's disc over PICTURE_FRAMES frames of a fixed clock."""
    name, view_from, radius, distance = scene
    radius_px = frame_stats.disc_radius_px(radius, distance)
    size = 2 * math.ceil(radius_px) + 4
    dump = os.path.join(scratch, f"frames-{run}")
    env = {"LD_PRELOAD": os.path.join(build_dir, "bench", "frame_probe.so"),
           "KIVO_FIXED_CLOCK": f"{PICTURE_START!r},{PICTURE_STEP!r}",
           "KIVO_READBACK": f"{dump},{PICTURE_FRAMES},{size}"}
    env.update({"KIVO_VIEW_FROM": view_from} if view_from else {})
    env.update({"KIVO_TRILINEAR": "1"} if reference else {})
    viewer = Viewer(session, build_dir, env=env, stdout_path=dump + ".out")
    frame_bytes = 4 * size * size
    try:
        def done():
            if not viewer.running():
                raise XSessionError(f"{name}: viewer exited early: {viewer.stderr()[-2000:]}")
            return os.path.exists(dump) and os.path.getsize(dump) == PICTURE_FRAMES * frame_bytes
        wait_until(done, 120, interval=0.1, what=f"{PICTURE_FRAMES} frames of {name}")
    finally:
        viewer.stop()
    with open(dump, "rb") as f:
        data = f.read()
    frames = [data[k:k + frame_bytes] for k in range(0, len(data), frame_bytes)]
    indices = frame_stats.disc_indices(size, radius_px)
    # The disc must be where the projection puts it: no sky inside the measured part.
    if any(frames[0][i:i + 3] == b"\0\0\0" for i in indices[::3]):
        raise XSessionError(f"{name}: black pixels inside the disc's measured part")
    return (frame_stats.flicker(frames, indices), frame_stats.detail(frames, size, indices))


def picture_table(session, build_dir, scratch):
    rows = ["| scene | flicker / detail | with trilinear mipmaps | ratio |", "| --- " * 4 + "|"]
    print(*rows, sep="\n")
    for k, scene in enumerate(PICTURE_SCENES):
        own, ref = (picture_measures(session, build_dir, scratch, scene, ref, 2 * k + ref)
                    for ref in (False, True))
        rows.append(f"| {scene[0]} | {own[0]:.2f} / {own[1]:.2f} | {ref[0]:.2f} / {ref[1]:.2f} | "
                    f"{own[0] / ref[0]:.2f} / {own[1] / ref[1]:.2f} |")
        print(rows[-1], flush=True)
    return rows


def number(x):
    return f"{x:.2f}" if abs(x) < 10 else f"{x:.1f}"


def main():
    parser = argparse.ArgumentParser(description="Viewer against its floor and a bare window.")
    parser.add_argument("--build-dir", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--quick", action="store_true",
                        help="one short run each; fails only on crashes, bad exits or no frames")
    parser.add_argument("--runs", type=int, help="runs of each program (default 5, quick 1)")
    parser.add_argument("--seconds", type=float, help="per run (default 10, quick 2)")
    parser.add_argument("--warmup", type=float, default=0.5,
                        help="seconds after the first frame left out of frame-time statistics")
    parser.add_argument("--results", help="markdown report (default bench/results.md; none for "
                        "quick runs unless given)")
    args = parser.parse_args()
    args.runs = args.runs or (1 if args.quick else 5)
    args.seconds = args.seconds or (2.0 if args.quick else 10.0)
    results = args.results or (None if args.quick else os.path.join(HERE, "results.md"))
    build_dir = os.path.abspath(args.build_dir)
    bare_bin = os.path.join(build_dir, "bench", "bench_baseline")
    for path in ("kivo_model", bare_bin, os.path.join("bench", "frame_probe.so")):
        if not os.path.exists(os.path.join(build_dir, path)):
            sys.exit(f"bench: missing {path} in {build_dir} (build first: make build)")

    load_before, rounds = os.getloadavg(), []
    with tempfile.TemporaryDirectory(prefix="kivo-bench-") as scratch, XSession(1024, 768) as x:
        # The floor: the viewer's own run directory with textured, unlit shaders.
        floor_dir = copy_run_dir(build_dir, os.path.join(scratch, "floor"))
        for name, text in FLOOR_SHADERS.items():
            with open(os.path.join(floor_dir, name), "w") as f:
                f.write(text)
        runs = (("./kivo_model", build_dir, {}), ("./kivo_model", floor_dir, {}),
                (bare_bin, build_dir, {"KIVO_PRINT_RENDERER": "1"}))
        try:  # the programs alternate, so slow drifts of the machine hit all alike
            for i in range(args.runs):
                rounds.append([measure(x, binary, run_dir, build_dir,
                                       os.path.join(scratch, f"{i}-{k}"), args, env)
                               for k, (binary, run_dir, env) in enumerate(runs)])
                print(f"round {i + 1}/{args.runs}: " + ", ".join(
                    f"{label} {r.fps:.1f} fps" for label, r in zip(PROGRAMS, rounds[-1])),
                    flush=True)
            pictures = picture_table(x, build_dir, scratch)
        except XSessionError as error:
            sys.exit(f"bench: FAILED: {error}")

    table, missed = ["| measure | median (min to max) | target | result |", "| --- " * 4 + "|"], []
    for name, value, unit, target in MEASURES:
        values = [value(*r) for r in rounds]
        median, verdict = statistics.median(values), ""
        if target:
            op, limit = target.split()[:2]
            ok = median >= float(limit) if op == ">=" else median <= float(limit)
            verdict = "not judged" if args.quick else "ok" if ok else "missed"
            missed += [] if ok else [name]
        table.append(f"| {name} | {number(median)}{unit} ({number(min(values))} to "
                     f"{number(max(values))}) | {target} | {verdict} |")
    renderer = re.search(r"^GL_RENDERER=(.*)$", rounds[0][2].stdout, re.M)
    notes = [
        f"{args.runs} round(s) of viewer, floor and bare window in turn, {args.seconds:g} s per "
        "run; values are medians over the rounds (min to max in brackets).",
        "Floor: the same binary on a run directory whose sphere.vs and sphere.fs only place and "
        "texture the spheres, so viewer/floor is the cost of the lighting alone. Bare window: "
        "bench/baseline.cpp, clear and swap only; it sets the memory target, and its frame-rate "
        "ratio includes the drawing and texturing any viewer must do, so it is shown, not judged.",
        f"Frame times leave out the first {args.warmup:g} s after the first frame"
        + (" (all frames in runs too short for that)." if any(
            r.all_frames for runs in rounds for r in runs) else "."),
        "Start-up: from launching the process to the return of its first glfwSwapBuffers; its CPU "
        "time (less disturbed by other load) is shown beside it.",
        "Load average before / after: %.2f %.2f %.2f / %.2f %.2f %.2f."
        % (*load_before, *os.getloadavg()),
        f"GL renderer: {renderer.group(1) if renderer else 'unknown'}.",
    ]
    picture_notes = [
        f"Flicker and detail: {PICTURE_FRAMES} frames of each scene with the clock held to steps "
        f"of 1/60 s from t = {PICTURE_START:g} s (the probe's glfwGetTime), read back before each "
        "swap. Flicker is the mean absolute change of a pixel from one frame to the next, detail "
        "the mean absolute difference of a pixel from the mean of its 3 x 3 neighbourhood; both "
        f"in 8-bit levels over red, green and blue, inside {frame_stats.INSIDE:g} of the disc's "
        "radius (bench/frame_stats.py).",
        "The probe places the camera for the far Sun and the Moon (KIVO_VIEW_FROM: \"view\" and "
        "\"viewPos\" replaced, looking along -z), and for the reference run only hands the program "
        "a glTexParameteri that makes its GL_LINEAR minification trilinear "
        "(GL_LINEAR_MIPMAP_LINEAR). The figures are measured, not judged; ratio is the "
        "program's over the reference's.",
    ]
    picture_section = ["", "Flicker and detail of the Sun and the Moon:", "", *pictures, "",
                       *[f"- {note}" for note in picture_notes]]
    print("\n".join(["", *table, ""] + [f"- {note}" for note in notes] + picture_section))
    if results:
        with open("/proc/cpuinfo") as f:
            cpu = re.search(r"^model name\s*:\s*(.*)$", f.read(), re.M)
        report = [
            "# Benchmark results", "",
            "Written by `make bench` (bench/run_bench.py); the viewer against its unlit floor and "
            "a bare clear-and-swap window, all on a private Xvfb.", "",
            f"- Date: {datetime.datetime.now().astimezone():%Y-%m-%d %H:%M %Z}",
            f"- CPU: {cpu.group(1) if cpu else 'unknown'} ({os.cpu_count()} logical CPUs)",
            f"- Kernel: {platform.release()}", "", *table, "", *[f"- {note}" for note in notes],
            *picture_section,
            "", "Each run:", "",
            "| round | program | FPS | start-up ms | start-up CPU ms | peak RSS MB | frame median"
            " ms | frame p99 ms |", "| --- " * 8 + "|"]
        for i, runs in enumerate(rounds, 1):
            report += [f"| {i} | {label} | {r.fps:.1f} | {r.startup_ms:.1f} | {r.cpu_ms:.1f} | "
                       f"{r.rss_mb:.1f} | {r.median_ms:.2f} | {r.p99_ms:.2f} |"
                       for label, r in zip(PROGRAMS, runs)]
        with open(results, "w") as f:
            f.write("\n".join(report) + "\n")
        print(f"wrote {os.path.relpath(results)}")
    if args.quick:
        print("bench: quick run completed (targets not judged on runs this short)")
    elif missed:
        sys.exit("bench: target missed: " + "; ".join(missed))
    else:
        print("bench: all targets met")


if __name__ == "__main__":
    main()
