#!/usr/bin/env bash
# Tests the Windows build under Wine: the unit tests' programs, and the game itself on scripted
# input in a real window on a virtual X display (Xvfb), with the sound on SDL's dummy driver.
# The Wine prefix lives in the build folder and is made once (wineboot). Builds the Windows tree
# first when it is missing (scripts/build-windows.sh).
# Usage: scripts/test-windows.sh [-k NAME]   (-k: only the cases whose name holds NAME)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${TV_WINDOWS_BUILD_DIR:-build-windows}
native_dir=${TV_NATIVE_BUILD:-build}
if [ ! -f "$build_dir/bin/tolvaren.exe" ] || [ ! -f "$build_dir/bin/SDL2.dll" ]; then
  bash scripts/build-windows.sh
fi
build_dir=$(cd "$build_dir" && pwd)
native_dir=$(cd "$native_dir" && pwd)

export WINEPREFIX=$build_dir/wine-prefix
export WINEARCH=win64
export WINEDEBUG=-all
# No downloads of Wine's browser or .NET engines; nothing here needs them.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
export LANG=C.UTF-8
export SDL_AUDIODRIVER=dummy
# Reports go to the standard error instead of a box that nobody would close.
export TOLVAREN_NO_MESSAGE_BOX=1

# A display of our own, ended with the script.
display=""
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
for n in $(seq 91 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || { echo "No free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
export DISPLAY=$display

if [ ! -f "$WINEPREFIX/.tolvaren-ready" ]; then
  echo "Making the Wine prefix $WINEPREFIX"
  start=$(date +%s)
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  touch "$WINEPREFIX/.tolvaren-ready"
  echo "Wine prefix made in $(($(date +%s) - start)) s"
fi
# One Wine server for all the runs, rather than one started and stopped for each.
wineserver -p || true

python3 scripts/windows/wine_tests.py --windows-build "$build_dir" --native-build "$native_dir" "$@"
