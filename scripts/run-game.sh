#!/usr/bin/env bash
# Sets everything up, then starts the game with its bundled demo content.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/bin/tolvaren "$@"
