#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then configures and builds
# into build/ (the program at build/bin/tolvaren with its data beside it).
# Usage: scripts/setup.sh [extra cmake arguments...]
# TV_BUILD_DIR picks another build folder; TV_BUILD_TARGETS (space-separated) builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format clang-tidy libclang-rt-14-dev python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libx11-dev libepoxy-dev libpng-dev libjpeg-dev zlib1g-dev
  libvorbis-dev libogg-dev libebur128-dev libfreetype-dev fonts-dejavu-core nlohmann-json3-dev graphviz
  librsvg2-bin fonts-noto-color-emoji netpbm
  abcmidi fluidsynth timgm6mb-soundfont sox
  libgl1-mesa-dri libegl-mesa0 libegl1 libgl1
  desktop-file-utils appstream dpkg-dev xvfb xauth gettext
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${TV_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
targets=()
for t in ${TV_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build_dir" "${targets[@]}"
