#!/usr/bin/env python3
"""The Windows build's tests under Wine (started by scripts/test-windows.sh, which provides the
Wine prefix and the display).

The unit tests' programs run as they are. The game runs on scripted input in a real window, and
what it saves is compared, through the native "tolvaren-tool save dump", with what the Linux
program saves from the same script. Each case prints "ok" or "FAIL" with its reasons; the last
line counts them.
"""

import argparse
import json
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time

REPORT = "An error has occured during the game execution."

# The name prompt answered (the proposed name rubbed out, Name typed and confirmed).
def type_name(name):
    return "wait dialog InputLineCustom\nwait ready\n" + "+1 key BackSpace\n" * 16 + f"+1 text {name}\n+2 click OK\n"

# The pieces of input scripts the native end-to-end tests play too (tests/e2e/scripts), each on
# lines of its own.
SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e", "scripts")


def script_piece(name):
    with open(os.path.join(SCRIPTS, name + ".txt"), encoding="utf-8") as f:
        return "\n" + f.read()


PLAY_FIRST_SITE = script_piece("first-site-to-achievement") + "+2 click OK\n"

QUIT_FROM_MENU = script_piece("quit-from-menu")

LEAVE_AND_QUIT = """
+60 wait ready
click ExitIcon
wait dialog QueryCustom
wait ready
+2 click Yes
""" + QUIT_FROM_MENU

# Unit tests that check how the POSIX platform files behave, left out on Windows, with the reason.
NOT_ON_WINDOWS = {
    # Windows always names a roaming folder; there is no "no data folder" case to fall back from.
    "FoldersTest.NoDataFolderFallsBackToTheProgramFolder": "no such case on Windows",
    # The ../share/tolvaren layout of an installed Linux program; on Windows the data lies beside it.
    "FoldersTest.InstalledProgramFindsItsDataBesideItsBinFolder": "a Linux install layout",
    # The POSIX channel asks the owner to raise its window; on Windows the second copy raises the
    # first one's window itself (found by its class), so without a window there is nobody to wake.
    "SingleInstanceTest.SecondOwnerIsRefusedAndCanWakeTheFirst": "the POSIX wake-up channel",
    # SDL's disk audio driver holds its file without sharing on Windows, so the test cannot read
    # what the mixer wrote while it plays.
    "AudioThreadTest.MusicStreamsWhileTheMainThreadRefillsBlocks": "SDL's disk driver locks its file",
    "AudioThreadTest.AMainThreadStalledForSixSecondsFindsTheStreamAgain": "SDL's disk driver locks its file",
}

FIRST_RUN = type_name("Ada") + "\nwait form Menu\nwait ready\n+2 click Play\n" + PLAY_FIRST_SITE + LEAVE_AND_QUIT
# Reach the menu, switch the display mode (the profile changes, so it is saved at exit), close.
TOGGLE_AND_CLOSE = "wait form Menu\nwait ready\n+2 key F11\n+20 close\n"


def run(command, env, timeout, cwd):
    """Runs a command with its output in files, not pipes: Wine's service processes, started by
    the first program, keep the pipes of that program open long after it has ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            code = subprocess.run(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            code = "timeout"
        out.seek(0)
        err.seek(0)
        return code, out.read(), err.read()


def win_path(path):
    """The Windows name of a Linux path: Wine's drive Z: is the root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Runner:
    def __init__(self, args):
        self.win = args.windows_build
        self.native = args.native_build
        self.bin = os.path.join(self.win, "bin")
        self.tool = os.path.join(self.native, "bin", "tolvaren-tool")
        self.prefix = os.environ["WINEPREFIX"]
        self.user = pwd.getpwuid(os.getuid()).pw_name
        self.scratch = tempfile.mkdtemp(prefix="tolvaren-wine-")
        self.passed = []
        self.failed = []

    # ---- helpers ---------------------------------------------------------------------------

    def roaming(self):
        return os.path.join(self.prefix, "drive_c", "users", self.user, "AppData", "Roaming")

    def user_folder(self):
        return os.path.join(self.roaming(), "Quillmark", "Tolvaren")

    def clear_user_folder(self):
        shutil.rmtree(os.path.join(self.roaming(), "Quillmark"), ignore_errors=True)

    def wine(self, program, args, env=None, timeout=600, cwd=None):
        full = dict(os.environ)
        full.update(env or {})
        started = time.monotonic()
        code, out, err = run(["wine", os.path.join(self.bin, program)] + args, full, timeout, cwd or self.scratch)
        return code, out.decode("utf-8", "replace"), err.decode("utf-8", "replace"), time.monotonic() - started

    def game(self, script, *extra, env=None, frame_time="0.02", desktop="1280x720", frames="4000", timeout=900):
        """Runs tolvaren.exe on a script; returns (code, stderr, trace lines)."""
        script_file = os.path.join(self.scratch, "input.txt")
        trace_file = os.path.join(self.scratch, "trace.jsonl")
        with open(script_file, "w", encoding="utf-8") as f:
            f.write(script)
        if os.path.exists(trace_file):
            os.remove(trace_file)
        args = ["-fixed-dt", frame_time, "-seed", "7", "-input", win_path(script_file), "-gui-trace", win_path(trace_file)]
        if frames:
            args += ["-frames", frames]
        full_env = {"TOLVAREN_DESKTOP": desktop}
        full_env.update(env or {})
        code, _, err, _ = self.wine("tolvaren.exe", args + list(extra), env=full_env, timeout=timeout)
        return code, err, read_trace(trace_file)

    def native_game(self, script, frame_time="0.02", desktop="1280x720", frames="4000"):
        """The Linux program on the same script from an empty user folder; returns its save's dump."""
        home = tempfile.mkdtemp(prefix="tolvaren-native-", dir=self.scratch)
        script_file = os.path.join(home, "input.txt")
        with open(script_file, "w", encoding="utf-8") as f:
            f.write(script)
        env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy", TOLVAREN_DESKTOP=desktop,
                   XDG_DATA_HOME=os.path.join(home, "data"))
        env.pop("DISPLAY", None)
        args = [os.path.join(self.native, "bin", "tolvaren"), "-fixed-dt", frame_time, "-seed", "7", "-input", script_file]
        if frames:
            args += ["-frames", frames]
        done = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=900)
        if done.returncode != 0:
            raise RuntimeError("the Linux program failed: " + done.stderr.decode("utf-8", "replace")[-2000:])
        return self.dump(os.path.join(home, "data", "Quillmark", "Tolvaren", "Save_qv.dat"))

    def dump(self, save):
        done = subprocess.run([self.tool, "save", "dump", save], capture_output=True)
        if done.returncode != 0:
            raise RuntimeError(f"save dump of {save} failed: " + done.stderr.decode("utf-8", "replace"))
        return json.loads(done.stdout)

    def read_log(self):
        path = os.path.join(self.user_folder(), "Log.txt")
        if not os.path.exists(path):
            return ""
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def case(self, name, function, only):
        if only and not any(o in name for o in only):
            return
        started = time.monotonic()
        problems = []
        try:
            function(problems)
        except Exception as e:  # a case that breaks is a failed case, and the others still run
            problems.append(f"{type(e).__name__}: {e}")
        seconds = time.monotonic() - started
        if problems:
            self.failed.append(name)
            print(f"FAIL {name} ({seconds:.0f} s)")
            for p in problems:
                print("    " + p.replace("\n", "\n    "))
        else:
            self.passed.append(name)
            print(f"ok   {name} ({seconds:.0f} s)")
        sys.stdout.flush()

    # ---- cases -----------------------------------------------------------------------------

    def unit_tests(self, problems):
        tests = os.path.join(self.win, "tests")
        programs = sorted(p for p in os.listdir(tests) if p.startswith("test_") and p.endswith(".exe"))
        if not programs:
            problems.append("no unit-test programs in " + tests)
        # The programs find the DLLs in the game's folder.
        env = {"WINEPATH": win_path(self.bin), "SDL_VIDEODRIVER": "offscreen"}
        for program in programs:
            full = dict(os.environ, **env)
            skipped = "-" + ":".join(NOT_ON_WINDOWS)
            code, out, err = run(["wine", os.path.join(tests, program), "--gtest_brief=1", "--gtest_filter=" + skipped], full,
                                 1200, self.scratch)
            out = (out + err).decode("utf-8", "replace")
            summary = [l for l in out.splitlines() if l.startswith("[  PASSED  ]") or l.startswith("[  FAILED  ]")]
            print(f"     {program}: {code}; " + "; ".join(summary[:1]))
            if code != 0:
                problems.append(f"{program} exited with {code}:\n" + "\n".join(
                    l for l in out.splitlines() if "FAILED" in l or "Failure" in l or "error" in l.lower())[-4000:])

    def first_run(self, problems):
        self.clear_user_folder()
        code, err, trace = self.game(FIRST_RUN)
        if code != 0:
            problems.append(f"exit code {code}: {err[-2000:]}")
        if not has(trace, {"form": "Menu"}) or not has(trace, {"form": "Play"}):
            problems.append("the trace shows no menu or no play form")
        if not trace or trace[-1].get("exit") != 0:
            problems.append("the trace does not end with exit 0: " + (json.dumps(trace[-1]) if trace else "empty"))
        save = self.dump(os.path.join(self.user_folder(), "Save_qv.dat"))
        player = save["players"][0] if save.get("players") else {}
        if player.get("name") != "Ada" or player.get("earned") != [8001]:
            problems.append("the save holds " + json.dumps(player)[:400])
        compare_saves(save, self.native_game(FIRST_RUN), problems)

    def story(self, problems):
        self.clear_user_folder()
        scenario = os.path.join(self.bin, "Ordinary", "S0Scenario.dat")
        texts = os.path.join(self.bin, "Languages", "English", "T1ScriptScenario.xml")
        way = os.path.join(self.scratch, "way.txt")
        script_file = os.path.join(self.scratch, "story-input.txt")
        done = subprocess.run([self.tool, "scenario", "solve", scenario, "--texts", texts, "-o", way, "--input", script_file,
                               "--name", "Ada"], capture_output=True)
        if done.returncode != 0:
            problems.append("scenario solve failed: " + done.stderr.decode())
            return
        with open(script_file, encoding="utf-8") as f:
            script = f.read()
        code, err, trace = self.game(script, frame_time="0.25", desktop="640x360", frames="")
        if code != 0:
            problems.append(f"exit code {code}: {err[-2000:]}")
        for phase in ("start", "end"):
            if not has(trace, {"transition": "FadeEnding", "phase": phase}):
                problems.append(f"the ending's fade never reached its {phase}; last line: " +
                                (json.dumps(trace[-1]) if trace else "none"))
        if not trace or trace[-1].get("exit") != 0:
            problems.append("the run did not end with exit 0")
        save = self.dump(os.path.join(self.user_folder(), "Save_qv.dat"))
        compare_saves(save, self.native_game(script, frame_time="0.25", desktop="640x360", frames=""), problems)

    def second_copy(self, problems):
        self.clear_user_folder()
        script_file = os.path.join(self.scratch, "first.txt")
        trace_file = os.path.join(self.scratch, "first.jsonl")
        if os.path.exists(trace_file):
            os.remove(trace_file)
        # The first copy reaches the menu and stays there until it is closed like a player closes
        # a window. Its frames are paced by a fixed step, so the waits' frame limits mean the same
        # on a fast machine (no vertical sync in Xvfb) as on a slow one.
        with open(script_file, "w") as f:
            f.write(type_name("Ada").replace("wait dialog InputLineCustom", "wait dialog InputLineCustom 100000") +
                    "wait form Menu 100000\nwait ready 100000\n")
        env = dict(os.environ, TOLVAREN_DESKTOP="1280x720")
        first_err = tempfile.TemporaryFile()
        first = subprocess.Popen(["wine", os.path.join(self.bin, "tolvaren.exe"), "-fixed-dt", "0.02", "-input",
                                  win_path(script_file), "-gui-trace", win_path(trace_file)], env=env, cwd=self.scratch,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=first_err)

        def first_output():
            first_err.seek(0)
            trace = read_trace(trace_file)
            return (f"exit code {first.poll()}; standard error: {first_err.read().decode('utf-8', 'replace')[-1000:]}"
                    f"\nlast trace lines: {json.dumps(trace[-3:])}\nlog: {self.read_log()[-1000:]}")

        try:
            deadline = time.monotonic() + 180
            while time.monotonic() < deadline and first.poll() is None and not has(read_trace(trace_file),
                                                                                     {"form": "Menu"}):
                time.sleep(0.2)
            if not has(read_trace(trace_file), {"form": "Menu"}):
                problems.append("the first copy never reached the menu: " + first_output())
                return
            log_before = self.read_log()
            code, _, err, seconds = self.wine("tolvaren.exe", [], timeout=60)
            if code != 0:
                problems.append(f"the second copy exited with {code}: {err[-1000:]}")
            if seconds > 20:
                problems.append(f"the second copy took {seconds:.1f} s")
            if first.poll() is not None:
                problems.append("the first copy ended when the second one started: " + first_output())
            if self.read_log() != log_before:
                problems.append("the second copy changed the log")
        finally:
            if first.poll() is None:
                # Without /F, taskkill asks the program's windows to close, as the window's close
                # button does; the game then quits in order.
                run(["wine", "taskkill", "/IM", "tolvaren.exe"], os.environ, 60, self.scratch)
            try:
                first.wait(timeout=120)
            except subprocess.TimeoutExpired:
                first.kill()
                first.wait()
                problems.append("the first copy did not quit when its window was closed")
        if first.returncode != 0:
            problems.append("the first copy did not end in order: " + first_output())

    def cyrillic_user_folder(self, problems):
        # The roaming folder is moved to a path with Cyrillic letters, as Windows does for a
        # redirected profile folder; the game must find it through the system and save there.
        key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
        target = f"C:\\users\\{self.user}\\Профиль Игрока\\Roaming"
        unix = os.path.join(self.prefix, "drive_c", "users", self.user, "Профиль Игрока", "Roaming")
        shutil.rmtree(os.path.dirname(unix), ignore_errors=True)
        os.makedirs(unix)
        code, _, err = run(["wine", "reg", "add", key, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d", target, "/f"],
                           os.environ, 120, self.scratch)
        if code != 0:
            raise RuntimeError("reg add failed: " + err.decode("utf-8", "replace"))
        try:
            code, err, trace = self.game(type_name("Ada") + TOGGLE_AND_CLOSE.replace("+20 close", "+20 wait ready\n") +
                                         QUIT_FROM_MENU)
            if code != 0:
                problems.append(f"exit code {code}: {err[-2000:]}")
            save = os.path.join(unix, "Quillmark", "Tolvaren", "Save_qv.dat")
            if not os.path.exists(save):
                problems.append("no save in " + unix + ": " + str(os.listdir(unix)))
            else:
                dumped = self.dump(save)
                names = [p.get("name") for p in dumped.get("players", [])]
                if len(names) != 1:
                    problems.append("players in the save: " + json.dumps(names))
        finally:
            run(["wine", "reg", "add", key, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d", r"%USERPROFILE%\AppData\Roaming",
                 "/f"], os.environ, 120, self.scratch)

    def make_profile(self):
        """A profile as the first run leaves it; returns its save's bytes."""
        self.clear_user_folder()
        code, err, _ = self.game(type_name("Ada") + QUIT_FROM_MENU)
        if code != 0:
            raise RuntimeError(f"making the profile: exit code {code}: {err[-1000:]}")
        with open(os.path.join(self.user_folder(), "Save_qv.dat"), "rb") as f:
            return f.read()

    def save_killed_half_way(self, problems):
        good = self.make_profile()
        save = os.path.join(self.user_folder(), "Save_qv.dat")
        script_file = os.path.join(self.scratch, "kill.txt")
        with open(script_file, "w") as f:
            f.write(TOGGLE_AND_CLOSE)
        env = dict(os.environ, TOLVAREN_DESKTOP="1280x720", TOLVAREN_SAVE_PAUSE_MS="8000")
        game = subprocess.Popen(["wine", os.path.join(self.bin, "tolvaren.exe"), "-fixed-dt", "0.02", "-input",
                                 win_path(script_file)], env=env, cwd=self.scratch, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 180
        while time.monotonic() < deadline and not os.path.exists(save + ".tmp") and game.poll() is None:
            time.sleep(0.05)
        if not os.path.exists(save + ".tmp"):
            problems.append("the save never started")
        # Killed as by a power cut: no handler runs.
        game.kill()
        game.wait()
        run(["wineserver", "-k"], os.environ, 60, self.scratch)
        run(["wineserver", "-p"], os.environ, 60, self.scratch)
        with open(save, "rb") as f:
            if f.read() != good:
                problems.append("the save is not the last good game")
        # The next start loads it.
        code, err, trace = self.game(QUIT_FROM_MENU)
        if code != 0:
            problems.append(f"the next start: exit code {code}: {err[-1000:]}")

    def disk_full(self, problems):
        good = self.make_profile()
        code, err, _ = self.game(TOGGLE_AND_CLOSE, env={"TOLVAREN_DISK_FULL": "0"})
        if code != 1 or REPORT not in err or "(No space left on device)" not in err:
            problems.append(f"exit code {code}, report: {err[-1500:]}")
        with open(os.path.join(self.user_folder(), "Save_qv.dat"), "rb") as f:
            if f.read() != good:
                problems.append("the save changed")
        if os.path.exists(os.path.join(self.user_folder(), "Save_qv.dat.tmp")):
            problems.append("a temporary file was left")

    def unusable_user_folder(self, problems):
        self.clear_user_folder()
        os.makedirs(os.path.join(self.roaming(), "Quillmark"))
        with open(self.user_folder(), "w") as f:
            f.write("not a folder")
        code, err, _ = self.game(type_name("Bo") + TOGGLE_AND_CLOSE)
        if code != 1 or REPORT not in err or "cannot be used" not in err:
            problems.append(f"exit code {code}, report: {err[-1500:]}")
        self.clear_user_folder()

    def damaged_data(self, problems):
        # A program folder whose scenario is cut short: the run ends in the report.
        own = os.path.join(self.scratch, "damaged")
        shutil.rmtree(own, ignore_errors=True)
        shutil.copytree(self.bin, own, ignore=shutil.ignore_patterns("wine-prefix"))
        scenario = os.path.join(own, "Ordinary", "S0Scenario.dat")
        with open(scenario, "rb") as f:
            data = f.read()
        with open(scenario, "wb") as f:
            f.write(data[: len(data) // 3])
        self.clear_user_folder()
        full = dict(os.environ, TOLVAREN_DESKTOP="1280x720")
        code, _, err = run(["wine", os.path.join(own, "tolvaren.exe"), "-frames", "300"], full, 300, self.scratch)
        err = err.decode("utf-8", "replace")
        if code != 1 or REPORT not in err:
            problems.append(f"exit code {code}, report: {err[-1500:]}")
        shutil.rmtree(own, ignore_errors=True)

    def crash_report(self, problems):
        self.make_profile()
        code, err, _ = self.game("wait form Menu\n+1 key F11\n+400 close\n", env={"TOLVAREN_CRASH": "segv"})
        log = self.read_log()
        if code == 0:
            problems.append("the crash ended with exit code 0")
        for text in ("Crash at frame 60", "Crash: exception access violation", "Backtrace:", "tolvaren.exe+0x"):
            if text not in log:
                problems.append(f"the log lacks \"{text}\": {log[-1500:]}")

    def installer(self, problems):
        packages = os.path.join(self.win, "package")
        setups = [f for f in os.listdir(packages) if f.endswith("-setup.exe")] if os.path.isdir(packages) else []
        if not setups:
            problems.append("no installer in " + packages)
            return
        local = os.path.join(self.prefix, "drive_c", "users", self.user, "AppData", "Local", "Programs", "Tolvaren")
        shutil.rmtree(local, ignore_errors=True)
        code, _, err = run(["wine", os.path.join(packages, setups[0]), "/S"], os.environ, 600, self.scratch)
        if code != 0 or not os.path.exists(os.path.join(local, "tolvaren.exe")):
            problems.append(f"the silent install: exit code {code}, {err.decode('utf-8', 'replace')[-500:]}")
            return
        menu = os.path.join(self.roaming(), "Microsoft", "Windows", "Start Menu", "Programs", "Tolvaren", "Tolvaren.lnk")
        if not os.path.exists(menu):
            problems.append("no Start-menu shortcut at " + menu)
        # The installed program runs 60 frames from an empty user folder, cleanly: no log.
        self.clear_user_folder()
        full = dict(os.environ, TOLVAREN_DESKTOP="1280x720")
        code, _, err = run(["wine", os.path.join(local, "tolvaren.exe"), "-frames", "60"], full, 300, self.scratch)
        if code != 0:
            problems.append(f"the installed program: exit code {code}, {err.decode('utf-8', 'replace')[-800:]}")
        if os.path.exists(os.path.join(self.user_folder(), "Log.txt")):
            problems.append("the installed program left a log: " + self.read_log()[-800:])
        # The uninstaller (run in place, so that it ends before we look) leaves the user folder.
        os.makedirs(self.user_folder(), exist_ok=True)
        with open(os.path.join(self.user_folder(), "Save_qv.dat"), "wb") as f:
            f.write(b"kept")
        code, _, _ = run(["wine", os.path.join(local, "Uninstall.exe"), "/S", "_?=" + win_path(local)], os.environ, 300,
                         self.scratch)
        left = sorted(os.listdir(local)) if os.path.isdir(local) else []
        if code != 0 or [f for f in left if f != "Uninstall.exe"]:
            problems.append(f"the uninstaller: exit code {code}, left {left[:10]}")
        if os.path.exists(menu):
            problems.append("the Start-menu shortcut is still there")
        if not os.path.exists(os.path.join(self.user_folder(), "Save_qv.dat")):
            problems.append("the uninstaller removed the save")
        self.clear_user_folder()


def read_trace(path):
    lines = []
    if os.path.exists(path):
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.strip()
                if line:
                    try:
                        lines.append(json.loads(line))
                    except json.JSONDecodeError:
                        pass  # the last line of a run still writing
    return lines


def has(trace, fields):
    return any(all(line.get(k) == v for k, v in fields.items()) for line in trace)


def compare_saves(windows, linux, problems):
    """The players, their events and achievements must be the same; the display mode may differ
    (it follows the real window on Windows)."""
    def players(save):
        out = []
        for p in save.get("players", []):
            out.append({k: v for k, v in p.items() if k not in ("full_screen",)})
        return out
    if players(windows) != players(linux):
        problems.append("the Windows save differs from the Linux one:\n  windows: " + json.dumps(players(windows))[:1500] +
                        "\n  linux:   " + json.dumps(players(linux))[:1500])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows-build", required=True)
    parser.add_argument("--native-build", required=True)
    parser.add_argument("-k", action="append", default=[], help="only the cases whose name holds this")
    args = parser.parse_args()
    r = Runner(args)
    started = time.monotonic()
    try:
        for name in ("unit_tests", "first_run", "story", "second_copy", "cyrillic_user_folder", "save_killed_half_way",
                     "disk_full", "unusable_user_folder", "damaged_data", "crash_report", "installer"):
            r.case(name, getattr(r, name), args.k)
    finally:
        shutil.rmtree(r.scratch, ignore_errors=True)
    print(f"Windows tests took {time.monotonic() - started:.0f} s")
    print(f"windows: {len(r.passed)} passed, {len(r.failed)} failed")
    return 1 if r.failed else 0


if __name__ == "__main__":
    sys.exit(main())
