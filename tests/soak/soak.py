#!/usr/bin/python3
"""Soak test: the real program played with random input, killed with SIGKILL at random moments
(some of them in the middle of a save) and started again, over and over, in one user folder.

Each run gets a fresh random input script (clicks on random usable controls and sites through
"click-random", clicks at random places, keys, typed names, Alt+Return, minimising and restoring)
and one fate: killed at a random moment, killed while a save is under way (the GUI trace announces
each save's start; TOLVAREN_SAVE_PAUSE_MS widens the window, and the window's close box makes a
save at shutdown to aim at), or closed after a few random lines (or quit from the game's own menu)
and left to end by itself.

After every run the save file must be exactly the last save the trace reported as done, or the one
under way when the kill came (saves replace the file atomically), and both it and its backup must
read back with "tolvaren-tool save dump". A save moved aside as unreadable, a run that ended with
an error of its own, and any sanitizer report count as failures.

Usage: soak.py --bin DIR [--data DIR] [--game-minutes M] [--wall-seconds S] [--fixed-dt S]
               [--desktop WxH] [--seed N] [--min-kills N] [--work DIR] [--json FILE] [--check-memory]
  --bin      folder of tolvaren and tolvaren-tool (a sanitizer build's bin works too)
  --data     folder holding Ordinary/, Languages/ and Branding/ when --bin has no data of its own
             (a sanitizer tree built without it): the game is linked into the work folder beside
             links to that data
The run stops when the game time (frames x fixed-dt) is reached and there have been at least
--min-kills kills, or when the wall time is reached, whichever comes first.
Exit code 0 when nothing was lost and no sanitizer reported anything (and, with --check-memory,
the peak resident size of the last quarter of runs is within 10 % of the first quarter's).
"""

import argparse
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

KEYS = ["Escape", "Return", "Space", "H", "I", "M", "Tab", "Left", "Right", "Up", "Down", "F1"]
NAMES = ["Ada", "Bo", "Cyr", "Dana", "Eli", "Fen", "Gus", "Hal", "Ivo", "Jo"]


def fnv1a64(data):
    h = 14695981039346656037
    for b in data:
        h = ((h ^ b) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def file_hash(path):
    try:
        with open(path, "rb") as f:
            return fnv1a64(f.read())
    except FileNotFoundError:
        return None


def make_script(rng, lines):
    """A random but valid input script of about `lines` commands."""
    out = ["# soak: random input"]
    for _ in range(lines):
        r = rng.random()
        gap = rng.randint(1, 12)
        if r < 0.55:
            out.append("+%d click-random" % gap)
        elif r < 0.67:
            # Anywhere on the design screen: sites, the map, empty places.
            out.append("+%d move %d %d" % (gap, rng.randint(-800, 800), rng.randint(-450, 450)))
            out.append("+1 down left")
            out.append("+1 up left")
        elif r < 0.80:
            out.append("+%d key %s" % (gap, rng.choice(KEYS)))
        elif r < 0.87:
            out.append("+%d text %s" % (gap, rng.choice(NAMES)))
        elif r < 0.90:
            out.append("+%d keydown Left Alt" % gap)
            out.append("+1 key Return")
            out.append("+1 keyup Left Alt")
        elif r < 0.92:
            out.append("+%d minimize %d" % (gap, rng.randint(50, 400)))
        elif r < 0.96:
            out.append("+%d down right" % gap)
            out.append("+1 up right")
        else:
            out.append("+%d move %d %d" % (gap, rng.randint(-800, 800), rng.randint(-450, 450)))
    return "\n".join(out) + "\n"


def vm_hwm_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (FileNotFoundError, ProcessLookupError, ValueError):
        pass
    return 0


def read_trace(path, offset):
    """New complete lines of the trace after `offset`: (parsed lines, new offset)."""
    try:
        with open(path, "rb") as f:
            f.seek(offset)
            data = f.read()
    except FileNotFoundError:
        return [], offset
    end = data.rfind(b"\n")
    if end < 0:
        return [], offset
    lines = []
    for raw in data[: end + 1].splitlines():
        try:
            lines.append(json.loads(raw))
        except ValueError:
            pass
    return lines, offset + end + 1


def save_dump(tool, path):
    """The save file as `tolvaren-tool save dump` reads it, or None when it cannot be read."""
    p = subprocess.run([tool, "save", "dump", path], capture_output=True, text=True)
    if p.returncode != 0:
        return None
    try:
        return json.loads(p.stdout)
    except ValueError:
        return None


def event_count(dump):
    if not dump:
        return 0
    players = dump.get("players", [])
    return sum(len(p.get("events", [])) for p in players if isinstance(p, dict))


def sanitizer_reports(folder):
    found = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.getsize(path) > 0:
            found.append(path)
    return found


def foreign_leak(path):
    """A leak report none of whose allocations was made by our own code (the frames all lie in
    the system's libraries or in modules unloaded before exit, such as the OpenGL driver)."""
    with open(path, errors="replace") as f:
        text = f.read()
    if "ERROR: LeakSanitizer" not in text or "ERROR: AddressSanitizer" in text or "runtime error" in text:
        return False
    return "tv::" not in text and "/tolvaren" not in text


def prepare_bin(args, work):
    game = os.path.join(args.bin, "tolvaren")
    tool = os.path.join(args.bin, "tolvaren-tool")
    if args.data is None:
        return game, tool
    # The game looks for its data beside itself: link it into a folder of its own beside the data.
    own = os.path.join(work, "bin")
    os.makedirs(own, exist_ok=True)
    target = os.path.join(own, "tolvaren")
    try:
        os.link(game, target)
    except OSError:
        shutil.copy2(game, target)
    for sub in ("Ordinary", "Languages", "Branding"):
        src = os.path.abspath(os.path.join(args.data, sub))
        if os.path.isdir(src):
            os.symlink(src, os.path.join(own, sub))
    if not os.path.exists(tool):
        tool = os.path.join(args.data, "tolvaren-tool")
    # A copy of the tool, so that a rebuild while the soak runs does not pull it away.
    own_tool = os.path.join(own, "tolvaren-tool")
    shutil.copy2(tool, own_tool)
    return target, own_tool


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--bin", required=True)
    ap.add_argument("--data")
    ap.add_argument("--game-minutes", type=float, default=30.0)
    ap.add_argument("--wall-seconds", type=float, default=3600.0)
    ap.add_argument("--fixed-dt", type=float, default=0.1)
    ap.add_argument("--desktop", default="640x360")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--min-kills", type=int, default=0)
    ap.add_argument("--max-run-seconds", type=float, default=30.0)
    ap.add_argument("--save-pause-ms", type=int, default=50)
    ap.add_argument("--work")
    ap.add_argument("--json")
    ap.add_argument("--check-memory", action="store_true")
    args = ap.parse_args()

    rng = random.Random(args.seed)
    work = args.work or tempfile.mkdtemp(prefix="tolvaren-soak-")
    if os.path.exists(work) and args.work:
        shutil.rmtree(work)
    os.makedirs(work, exist_ok=True)
    game, tool = prepare_bin(args, work)
    for needed in (game, tool):
        if not os.access(needed, os.X_OK):
            print("soak: %s is missing" % needed, file=sys.stderr)
            return 2
    data_home = os.path.join(work, "data")
    user = os.path.join(data_home, "Quillmark", "Tolvaren")
    save = os.path.join(user, "Save_qv.dat")
    backup = os.path.join(user, "Backup_Save_qv.dat")
    san_dir = os.path.join(work, "sanitizer")
    os.makedirs(san_dir, exist_ok=True)
    suppressions = os.path.join(work, "lsan.supp")
    with open(suppressions, "w") as f:
        # The OpenGL driver's and SDL's own allocations that live until exit are not ours.
        f.write("leak:libGLX_mesa\nleak:libgallium\nleak:swrast_dri\nleak:libLLVM\nleak:libEGL_mesa\n"
                "leak:libSDL2\nleak:libdbus\nleak:libX11\nleak:libglapi\n")

    env = dict(os.environ)
    env.update({
        "SDL_VIDEODRIVER": "offscreen",
        "SDL_AUDIODRIVER": "dummy",
        "TOLVAREN_DESKTOP": args.desktop,
        "XDG_DATA_HOME": data_home,
        "TOLVAREN_SAVE_PAUSE_MS": str(args.save_pause_ms),
        # A sanitizer's exit code is 23 rather than ASan's 1, which the game's own error report uses.
        "ASAN_OPTIONS": "log_path=%s/asan:detect_leaks=1:abort_on_error=0:exitcode=23" % san_dir,
        "UBSAN_OPTIONS": "log_path=%s/ubsan:print_stacktrace=1:halt_on_error=1" % san_dir,
        "LSAN_OPTIONS": "suppressions=%s" % suppressions,
    })

    stats = {"runs": 0, "kills": 0, "kills_during_save": 0, "restarts": 0, "normal_exits": 0,
             "failed_exits": 0, "losses": 0, "moved_aside": 0, "unreadable_backups": 0, "saves_done": 0,
             "sanitizer_reports": 0, "foreign_leak_reports": 0, "game_seconds": 0.0, "wall_seconds": 0.0, "events_last": 0,
             "problems": []}
    peaks = []  # (start time, VmHWM kB)
    expected = file_hash(save)  # the last save known complete
    start_wall = time.monotonic()
    game_time = 0.0
    run = 0
    while ((game_time < args.game_minutes * 60 or stats["kills"] < args.min_kills)
           and time.monotonic() - start_wall < args.wall_seconds):
        run += 1
        run_dir = os.path.join(work, "run%04d" % run)
        os.makedirs(run_dir)
        script = os.path.join(run_dir, "input.txt")
        trace = os.path.join(run_dir, "trace.jsonl")
        fate = rng.choices(["kill-random", "kill-save", "close"], weights=[5, 4, 2])[0]
        text = make_script(rng, 4000)
        if fate != "kill-random":
            # Closing the window saves the profile at shutdown: a save to aim a kill at, or a
            # normal end. It comes after a few random lines, which may well have quit already.
            lines = text.splitlines()
            cut = rng.randint(5, 120)
            # F11 switches the display mode, a change of the profile: the shutdown always saves.
            text = "\n".join(lines[:cut] + ["+%d key F11" % rng.randint(1, 30), "+%d close" % rng.randint(1, 30)]) + "\n"
        with open(script, "w") as f:
            f.write(text)
        deadline = rng.uniform(1.0, args.max_run_seconds) if fate == "kill-random" else args.max_run_seconds
        cmd = [game, "-fixed-dt", str(args.fixed_dt), "-seed", str(rng.randint(0, 2**31)), "-input", script,
               "-gui-trace", trace]
        with open(os.path.join(run_dir, "stderr.txt"), "wb") as err:
            proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=err)
        began = time.monotonic()
        offset = 0
        pending = None  # the save under way
        last_frame = 0
        peak = 0
        killed = False
        kill_during_save = False
        kill_at = None

        def follow(lines):
            """Takes in new lines of the trace: the last frame, the save under way and the last one
            done. True when a save started among them."""
            nonlocal pending, expected, last_frame
            started = False
            for line in lines:
                last_frame = max(last_frame, line.get("frame", 0))
                stage = line.get("save")
                if stage == "start":
                    pending = line["hash"]
                    started = True
                elif stage == "done":
                    expected = line["hash"]
                    pending = None
                    stats["saves_done"] += 1
                elif stage == "failed":
                    pending = None
            return started

        while True:
            code = proc.poll()
            if code is not None:
                break
            peak = max(peak, vm_hwm_kb(proc.pid))
            lines, offset = read_trace(trace, offset)
            if follow(lines) and fate == "kill-save" and kill_at is None:
                # Somewhere in the save's two pauses, or just after it.
                kill_at = time.monotonic() + rng.uniform(0, 2.2 * args.save_pause_ms) / 1000.0
            now = time.monotonic()
            if (kill_at is not None and now >= kill_at) or now - began >= deadline:
                kill_during_save = pending is not None
                proc.send_signal(signal.SIGKILL)
                proc.wait()
                killed = True
                code = proc.returncode
                break
            time.sleep(0.005 if kill_at is not None else (0.01 if fate == "kill-save" else 0.05))
        # What the trace said after the last poll.
        follow(read_trace(trace, offset)[0])
        stats["runs"] += 1
        game_time += last_frame * args.fixed_dt
        peaks.append((began - start_wall, peak))
        problems = []
        if killed:
            stats["kills"] += 1
            if kill_during_save:
                stats["kills_during_save"] += 1
        elif code == 0 or (code == 23 and all(foreign_leak(r) for r in sanitizer_reports(san_dir))
                           and sanitizer_reports(san_dir)):
            # 23: the sanitizers' exit code, here for leaks that are none of ours (counted below).
            stats["normal_exits"] += 1
            pending = None
        else:
            stats["failed_exits"] += 1
            problems.append("exit code %d" % code)
        # The save on the disk: the last completed one, or the one under way at the kill.
        now_hash = file_hash(save)
        if now_hash != expected and not (pending is not None and now_hash == pending):
            stats["losses"] += 1
            problems.append("save file %s, expected %s%s" % (now_hash, expected,
                                                             " or %s" % pending if pending else ""))
        expected = now_hash
        dump = None
        if now_hash is not None:
            dump = save_dump(tool, save)
            if dump is None:
                stats["losses"] += 1
                problems.append("the save file does not read back")
        if os.path.exists(backup) and save_dump(tool, backup) is None:
            stats["unreadable_backups"] += 1
            problems.append("the backup does not read back")
        for name in os.listdir(user) if os.path.isdir(user) else []:
            if ".bad-" in name:
                stats["moved_aside"] += 1
                problems.append("a save was moved aside: " + name)
                os.rename(os.path.join(user, name), os.path.join(run_dir, name))
        for r in sanitizer_reports(san_dir):
            kept = os.path.join(run_dir, os.path.basename(r))
            os.rename(r, kept)
            if foreign_leak(kept):
                stats["foreign_leak_reports"] += 1
                continue
            stats["sanitizer_reports"] += 1
            problems.append("sanitizer report " + os.path.basename(r))
        stats["events_last"] = event_count(dump)
        if run > 1:
            stats["restarts"] += 1
        if args.json:
            with open(args.json, "w") as f:
                json.dump(dict(stats, runs_so_far=run, game_seconds=round(game_time, 1)), f, indent=1)
        if problems:
            stats["problems"].append({"run": run, "fate": fate, "problems": problems})
            print("run %d (%s): %s" % (run, fate, "; ".join(problems)), flush=True)
        elif not args.work:
            shutil.rmtree(run_dir)
    stats["game_seconds"] = round(game_time, 1)
    stats["wall_seconds"] = round(time.monotonic() - start_wall, 1)

    # Peak resident size: the largest peak of the runs in the first and in the last quarter of time.
    span = max(stats["wall_seconds"], 1e-9)
    first = [p for t, p in peaks if t < span / 4 and p > 0]
    last = [p for t, p in peaks if t >= 3 * span / 4 and p > 0]
    stats["peak_rss_first_quarter_mb"] = round(max(first) / 1024, 1) if first else None
    stats["peak_rss_last_quarter_mb"] = round(max(last) / 1024, 1) if last else None
    memory_ok = True
    if first and last:
        stats["peak_rss_growth_percent"] = round(100.0 * (max(last) - max(first)) / max(first), 1)
        memory_ok = max(last) <= 1.10 * max(first)

    summary = ("runs %d, kills %d (%d during a save), restarts %d, normal exits %d, failed exits %d, "
               "saves %d, losses %d, moved aside %d, unreadable backups %d, sanitizer reports %d "
               "(and %d leak reports of the system's libraries), "
               "game time %.0f s, wall time %.0f s, peak RSS first quarter %s MB, last quarter %s MB" % (
                   stats["runs"], stats["kills"], stats["kills_during_save"], stats["restarts"],
                   stats["normal_exits"], stats["failed_exits"], stats["saves_done"], stats["losses"],
                   stats["moved_aside"], stats["unreadable_backups"], stats["sanitizer_reports"],
                   stats["foreign_leak_reports"],
                   stats["game_seconds"], stats["wall_seconds"], stats["peak_rss_first_quarter_mb"],
                   stats["peak_rss_last_quarter_mb"]))
    print(summary, flush=True)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(stats, f, indent=1)
    bad = (stats["losses"] or stats["moved_aside"] or stats["unreadable_backups"] or stats["failed_exits"]
           or stats["sanitizer_reports"] or stats["kills"] < args.min_kills
           or (args.check_memory and not memory_ok))
    if not bad and not args.work:
        shutil.rmtree(work)
    else:
        print("work folder: %s" % work)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
