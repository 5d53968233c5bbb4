#!/usr/bin/env bash
# Sets everything up, then runs the whole test suite headless (unit, integration and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
ctest --test-dir "${TV_BUILD_DIR:-build}" --output-on-failure -j "$(nproc)" "$@"
