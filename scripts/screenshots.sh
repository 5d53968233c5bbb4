#!/usr/bin/env bash
# Screenshots of the game for its README and its AppStream metadata, taken from the real program
# driven through the GUI harness (an input script with "screenshot" lines), headless, at
# 1600 x 900 with a fixed frame time and seed:
#   menu.png      the main menu
#   play.png      a region's map part-way into the demo story, its sites and the hero
#   scene.png     the scene dialog of a barter
#   worldmap.png  the world map
# The player's game comes from the story's solver: its way is played by the tool up to the middle
# of the second region, then the program takes over.
#
# Usage: scripts/screenshots.sh [--readme] [OUTDIR]
#   OUTDIR    where the full-size pictures go (default build/screenshots)
#   --readme  also writes the README's copies, 800 pixels wide, to docs/screenshots/. Those are
#             committed: regenerate them only on purpose and look at every one before committing.
# BIN (default build/bin) is the program folder. Needs netpbm for the README's copies.
set -euo pipefail
cd "$(dirname "$0")/.."

readme=0
if [ "${1:-}" = "--readme" ]; then
  readme=1
  shift
fi
out=${1:-build/screenshots}
bin=${BIN:-build/bin}
for f in tolvaren tolvaren-tool Ordinary/S0Scenario.dat; do
  [ -e "$bin/$f" ] || { echo "screenshots: $bin/$f is missing (build first: bash scripts/setup.sh)" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1600x900
export XDG_DATA_HOME="$work/data"
user="$XDG_DATA_HOME/Quillmark/Tolvaren"
mkdir -p "$user"

# The solver's way up to the visit of the second region's festival (its pedlar already met).
"$bin/tolvaren-tool" scenario solve "$bin/Ordinary/S0Scenario.dat" \
  --texts "$bin/Languages/English/T1ScriptScenario.xml" -o "$work/way.txt" >/dev/null
awk '/^enter 4 412$/ { found = 1 } { print } found && /^decline$/ { exit }' "$work/way.txt" >"$work/part.txt"
grep -q '^enter 4 412$' "$work/part.txt" || { echo "screenshots: the story's way no longer visits site 412" >&2; exit 1; }
"$bin/tolvaren-tool" play --scenario "$bin/Ordinary/S0Scenario.dat" --out "$user/Save_qv.dat" "$work/part.txt" >/dev/null

# The saved player has no name yet: the program asks for one (after the splash pictures).
{
  echo "wait dialog InputLineCustom"
  echo "wait ready"
  for _ in $(seq 16); do echo "+1 key BackSpace"; done
  echo "+1 text Mira"
  echo "+2 click OK"
  echo "wait form Menu"
  echo "wait ready"
  echo "+1 move 780 430"
  echo "+90 screenshot $out/menu.png"
  echo "+1 click Play"
  echo "wait form Play"
  echo "+60 wait ready"
  echo "+1 move 780 430"
  echo "+60 screenshot $out/play.png"
  echo "+1 click MapIcon"
  echo "+90 wait ready"
  echo "+1 move 780 430"
  echo "+30 screenshot $out/worldmap.png"
  echo "+1 click MapIcon"
  echo "+90 wait ready"
  echo "+1 click Pedlar"
  echo "wait dialog Scene"
  echo "wait ready"
  echo "+60 screenshot $out/scene.png"
  echo "+1 close"
} >"$work/input.txt"
"$bin/tolvaren" -fixed-dt 0.02 -seed 7 -input "$work/input.txt"
for name in menu play scene worldmap; do
  [ -s "$out/$name.png" ] || { echo "screenshots: $out/$name.png was not written" >&2; exit 1; }
done
echo "Screenshots in $out"

if [ "$readme" = 1 ]; then
  for tool in pngtopam pamscale pnmtojpeg; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (install netpbm)" >&2; exit 1; }
  done
  mkdir -p docs/screenshots
  for name in menu play scene worldmap; do
    pngtopam "$out/$name.png" | pamscale -width 800 -filter sinc | pnmtojpeg -quality 85 -optimize -progressive \
      >"docs/screenshots/$name.jpg"
    echo "docs/screenshots/$name.jpg: $(stat -c %s "docs/screenshots/$name.jpg") bytes"
  done
fi
