#!/bin/bash
# Start-up budget: times whole runs of the program with the demo content, headless.
#   first: process start until the first frame has been drawn (a splash picture, when the program
#          folder's Branding/ holds any, else the menu);
#   menu:  process start until the first frame of the menu has been drawn, each splash picture
#          skipped with Escape as soon as it takes input (the run closes itself on the next frame,
#          so the figures include the shutdown);
#   play:  as menu, then until the first frame after "Play" (through the fade into the game).
# Each is run RUNS times (default 10) from the same user folder, holding one named profile with
# an untouched game; the median and the range are printed in milliseconds.
# Usage: bench/startup_budget.sh [PROGRAM-FOLDER]   (default build/bin)
set -euo pipefail
bin=${1:-build/bin}
runs=${RUNS:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=${DESKTOP:-1600x900}
export XDG_DATA_HOME="$work/data"

# One profile with a name, made through the name prompt, kept as the starting point of every run.
printf 'wait dialog InputLineCustom\nwait ready\n+1 text Bench\n+2 click OK\nwait form Menu\n+1 close\n' >"$work/setup.txt"
"$bin/tolvaren" -fixed-dt 0.02 -input "$work/setup.txt" >/dev/null
cp -r "$work/data" "$work/profile"

# Every splash picture is skipped once it takes input.
skip=""
pictures=$(find "$bin/Branding" -maxdepth 1 \( -name '*.png' -o -name '*.jpg' -o -name '*.tpx' \) 2>/dev/null | wc -l)
for ((i = 0; i < pictures; i++)); do skip+='wait form Splash\nwait ready\n+0 key Escape\n'; done
printf '+1 close\n' >"$work/first.txt"
printf "${skip}wait form Menu\n+0 close\n" >"$work/menu.txt"
printf "${skip}wait form Menu\nwait ready\n+1 click Play\nwait form Play\n+0 close\n" >"$work/play.txt"

for kind in first menu play; do
  times=()
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/data" && cp -r "$work/profile" "$work/data"
    start=$(date +%s%N)
    "$bin/tolvaren" -fixed-dt 0.02 -input "$work/$kind.txt" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  sorted=($(printf '%s\n' "${times[@]}" | sort -n))
  n=${#sorted[@]}
  if ((n % 2)); then median=${sorted[n / 2]}; else median=$(((sorted[n / 2 - 1] + sorted[n / 2]) / 2)); fi
  echo "$kind: median ${median} ms over $n runs (min ${sorted[0]}, max ${sorted[n - 1]})"
done
