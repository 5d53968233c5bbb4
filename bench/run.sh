#!/bin/bash
# Runs the benchmarks and prints one table: each figure of ours beside the reference measured in
# the same run (SDL_Renderer's scene for the drawing benchmarks) and their ratio.
#
# The drawing benchmarks run twice: in a real X11 window (an Xvfb server of this script's own,
# with SDL's x11 driver: what a player's window costs, presenting included) and under SDL's
# off-screen driver (what the headless tests see). The other benchmarks need no display and run
# once. Then the real program on the play form (tolvaren-playtest) runs FRAMES frames in the X11
# window with -frame-log, and the median and the longest frame are reported.
#
# Usage: bench/run.sh [BUILD-DIR]            (default build; benchmarks in BUILD-DIR/bench)
# Environment: OUT=FILE (JSON, default BUILD-DIR/bench-results.json), FILTER=REGEX (benchmark
#   executables, default all), MIN_TIME=S (per benchmark, default the benchmark's own), FRAMES=N
#   (play form frames, default 600), DRIVERS="x11 offscreen".
# Installs the Debian package xvfb when Xvfb is missing (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${OUT:-$build/bench-results.json}
filter=${FILTER:-.}
frames=${FRAMES:-600}
drivers=${DRIVERS:-x11 offscreen}
[ -d "$build/bench" ] || { echo "no benchmarks in $build/bench (configure with -DTV_BENCH=ON and build)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# ---- The X server ----------------------------------------------------------------------------
start_xvfb() {
  if ! command -v Xvfb >/dev/null; then
    echo "Installing xvfb..." >&2
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends xvfb >&2
  fi
  # A display number nobody uses: the first without a lock file.
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if ! kill -0 "$xvfb_pid" 2>/dev/null || [ ! -e "/tmp/.X11-unix/X$n" ]; then
    echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1
  fi
  display=":$n"
}

load() { cut -d' ' -f1 /proc/loadavg; }

# ---- The benchmarks ----------------------------------------------------------------------------
drawing=" bench_video BenchVideo bench_play_form BenchPlayForm "
min_time_arg=()
[ -n "${MIN_TIME:-}" ] && min_time_arg=(--benchmark_min_time="$MIN_TIME")
display=""
load_before=$(load)
for exe in "$build"/bench/*; do
  [ -x "$exe" ] && [ -f "$exe" ] || continue
  name=$(basename "$exe")
  [[ "$name" =~ $filter ]] || continue
  if [[ "$drawing" == *" $name "* ]]; then
    for driver in $drivers; do
      if [ "$driver" = x11 ]; then
        [ -n "$display" ] || start_xvfb
        env="SDL_VIDEODRIVER=x11 DISPLAY=$display"
      else
        env="SDL_VIDEODRIVER=offscreen"
      fi
      echo "== $name ($driver, load $(load))" >&2
      env $env SDL_AUDIODRIVER=dummy "$exe" "${min_time_arg[@]}" --benchmark_out="$work/$name.$driver.json" \
        --benchmark_out_format=json >"$work/$name.$driver.txt" 2>&1 || echo "   failed (see below)" >&2
      echo "$driver $(load)" >"$work/$name.$driver.load"
    done
  else
    echo "== $name (load $(load))" >&2
    SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$exe" "${min_time_arg[@]}" --benchmark_out="$work/$name.none.json" \
      --benchmark_out_format=json >"$work/$name.none.txt" 2>&1 || echo "   failed" >&2
    echo "none $(load)" >"$work/$name.none.load"
  fi
done

# ---- The real program on the play form ---------------------------------------------------------
playtest="$build/bin/tolvaren-playtest"
if [ -x "$playtest" ] && [[ "playtest" =~ $filter ]] && [[ " $drivers " == *" x11 "* ]] && [ "$frames" -gt 0 ]; then
  [ -n "$display" ] || start_xvfb
  echo "== tolvaren-playtest ($frames frames, x11, load $(load))" >&2
  mkdir -p "$work/user"
  # Windowed, so that the window has the size a player's window has on this desktop.
  mkdir -p "$work/user/Quillmark/Tolvaren" && : >"$work/user/Quillmark/Tolvaren/StartWindowed.flg"
  XDG_DATA_HOME="$work/user" SDL_VIDEODRIVER=x11 DISPLAY="$display" SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1778x1000 \
    "$playtest" -frames "$frames" -frame-log "$work/playtest.frames.jsonl" >"$work/playtest.txt" 2>&1 ||
    echo "   failed" >&2
fi

# ---- The table and the JSON --------------------------------------------------------------------
python3 - "$work" "$out" "$load_before" <<'EOF'
import glob, json, os, statistics, sys

work, out, load_before = sys.argv[1], sys.argv[2], sys.argv[3]
rows = []

def is_reference(name):
    return "Sdl" in name

for path in sorted(glob.glob(os.path.join(work, "*.json"))):
    exe, driver = os.path.basename(path)[:-5].rsplit(".", 1)
    load = open(path[:-5] + ".load").read().split()[1]
    try:
        data = json.load(open(path))
    except ValueError:
        continue
    runs = [b for b in data.get("benchmarks", []) if b.get("run_type", "iteration") == "iteration"]
    refs = [b for b in runs if is_reference(b["name"])]
    ref = refs[0] if refs else None
    for b in runs:
        if b is ref:
            continue
        unit = b.get("time_unit", "ns")
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]
        ms = b["real_time"] * scale
        row = {"executable": exe, "benchmark": b["name"], "driver": driver, "ms": ms, "load": float(load)}
        for key in ("cpu_ms", "proc_cpu_ms", "allocs/frame", "sprites", "batches"):
            if key in b:
                row[key] = b[key]
        if ref is not None and "Frame" in b["name"]:
            rscale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[ref.get("time_unit", "ns")]
            row["reference"] = ref["name"]
            row["reference_ms"] = ref["real_time"] * rscale
            for key in ("cpu_ms", "proc_cpu_ms"):
                if key in ref:
                    row["reference_" + key] = ref[key]
            row["ratio"] = row["reference_ms"] / ms if ms > 0 else None
        if "error_message" in b:
            row["error"] = b["error_message"]
        rows.append(row)

frames_path = os.path.join(work, "playtest.frames.jsonl")
playtest = None
if os.path.exists(frames_path):
    lines = [json.loads(l) for l in open(frames_path) if l.strip()]
    play = [l["ms"] for l in lines if l.get("form") == "Play"][30:]  # after the fade in
    if play:
        playtest = {"frames": len(play), "median_ms": statistics.median(play), "max_ms": max(play),
                    "first_frame_ms": lines[0]["ms"] if lines else None}

print()
header = ("benchmark", "driver", "ours ms", "ref ms", "ratio", "main cpu", "ref main", "all cpu", "ref all",
          "batches", "allocs", "load")
line = "%-30s %-9s %9s %9s %7s %8s %8s %8s %8s %7s %6s %5s"
print(line % header)
for r in rows:
    def f(key, fmt):
        return fmt % r[key] if r.get(key) is not None else "-"
    print(line % (r["benchmark"][:30], r["driver"], f("ms", "%.2f"), f("reference_ms", "%.2f"), f("ratio", "%.2fx"),
                  f("cpu_ms", "%.2f"), f("reference_cpu_ms", "%.2f"), f("proc_cpu_ms", "%.2f"),
                  f("reference_proc_cpu_ms", "%.2f"), f("batches", "%.0f"), f("allocs/frame", "%.1f"), f("load", "%.2f")))
if playtest:
    print("%-34s %-9s %10.2f %10s %7s   (median of %d frames on the play form; longest %.1f ms)" % (
        "tolvaren-playtest frame (median)", "x11", playtest["median_ms"], "16.67", "", playtest["frames"],
        playtest["max_ms"]))
print("ms: wall time a frame (or an iteration); ratio: the reference's time / ours (above 1: ours is faster);")
print("main cpu: main-thread CPU ms a frame; all cpu: the whole process's (the driver's rasterising threads")
print("included); load: the 1-minute load average after the run. Wall times hold only on an idle machine.")
json.dump({"load_at_start": float(load_before), "benchmarks": rows, "playtest": playtest}, open(out, "w"), indent=1)
print("JSON:", out)
EOF
