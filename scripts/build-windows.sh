#!/usr/bin/env bash
# Cross-builds the game for 64-bit Windows with MinGW-w64 into build-windows/, then packs the zip
# and the installer. Installs the Debian packages it needs (only those missing), and builds the
# libraries from Debian's source packages once into a cache outside the tree
# (TV_MINGW_CACHE, default /var/cache/tolvaren-mingw), reused while their versions stay the same.
# The game's data is not generated here (that would run .exe tools): it is copied from the native
# build (TV_NATIVE_BUILD, default build/, made by scripts/setup.sh when missing), so both programs
# read the same bytes.
# Usage: scripts/build-windows.sh [extra cmake arguments...]
# TV_WINDOWS_BUILD_DIR picks another build folder; TV_WINDOWS_TARGETS builds only those targets
# (and skips the packages).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build_dir=${TV_WINDOWS_BUILD_DIR:-build-windows}
native_dir=${TV_NATIVE_BUILD:-build}
cache=${TV_MINGW_CACHE:-/var/cache/tolvaren-mingw}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  wine64 wine nsis xvfb xauth zip
  cmake ninja-build meson pkg-config python3 dpkg-dev libgtest-dev nlohmann-json3-dev
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
updated=0
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  updated=1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Source packages: a deb-src twin of each of the system's own deb entries.
src_list=/etc/apt/sources.list.d/tolvaren-deb-src.sources
if ! grep -qsE '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null; then
  echo "Adding deb-src entries beside the system's deb entries"
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -n '/^Types:/!{p;b};s/^Types:.*$/Types: deb-src/p' "$f" >>"$tmp"
    echo >>"$tmp"
  done
  $sudo install -m 0644 "$tmp" "$src_list"
  rm -f "$tmp"
  updated=0
fi
source_packages=(libsdl2 libpng1.6 libjpeg-turbo libogg libvorbis libepoxy freetype libebur128)
versions=""
for p in "${source_packages[@]}"; do
  v=$(apt-cache showsrc --only-source "$p" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1 || true)
  if [ -z "$v" ] && [ $updated -eq 0 ]; then
    $sudo apt-get update -qq
    updated=1
    v=$(apt-cache showsrc --only-source "$p" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1 || true)
  fi
  [ -n "$v" ] || { echo "No source package $p (is a deb-src entry there?)" >&2; exit 1; }
  versions+="$p=$v "
done
versions+="gtest=$(dpkg-query -W -f='${Version}' libgtest-dev) zlib=$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev) "
versions+="gcc=$(x86_64-w64-mingw32-g++-posix -dumpfullversion) "
versions+="$(grep -m1 '^# Recipe:' scripts/windows/deps.sh | cut -d' ' -f2-3) toolchain=$(sha256sum cmake/mingw-w64.cmake | cut -c1-12)"
key=$(echo "$versions" | sha256sum | cut -c1-16)
prefix=$cache/$key
if [ ! -f "$prefix/.complete" ]; then
  echo "Building the Windows libraries into $prefix ($versions)"
  $sudo mkdir -p "$cache"
  [ -z "$sudo" ] || $sudo chown "$(id -u):$(id -g)" "$cache"
  # A build that was cut off goes on where it stopped (each library that finished is kept).
  start=$(date +%s)
  bash scripts/windows/deps.sh "$prefix" "$cache/work-$key" "$root/cmake/mingw-w64.cmake"
  rm -rf "$cache/work-$key"
  echo "$versions" >"$prefix/.complete"
  echo "Windows libraries built in $(($(date +%s) - start)) s"
else
  echo "Windows libraries: $prefix (cached)"
fi

# The native build: its tool made the data, and the tests compare with its program.
if [ ! -x "$native_dir/bin/tolvaren-tool" ] || [ ! -f "$native_dir/bin/Ordinary/S0Scenario.dat" ] ||
  [ ! -f "$native_dir/desktop/icons/256x256/com.quillmark.Tolvaren.png" ]; then
  echo "Building the native program and its data into $native_dir"
  TV_BUILD_DIR=$native_dir TV_BUILD_TARGETS="tolvaren tolvaren-tool content desktop" bash scripts/setup.sh
fi
# The program's icon, from the native build's pictures of it.
mkdir -p "$build_dir"
icon=$(cd "$build_dir" && pwd)/tolvaren.ico
python3 scripts/windows/make_ico.py "$icon" "$native_dir"/desktop/icons/*/com.quillmark.Tolvaren.png

launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DTV_MINGW_PREFIX="$prefix" \
  -DTV_DATA=OFF -DTV_BENCH=OFF -DTV_WINDOWS_ICON="$icon" "${launchers[@]}" "$@" >/dev/null
targets=()
for t in ${TV_WINDOWS_TARGETS:-tolvaren tolvaren-tool tolvaren-guitest tolvaren-playtest test_platform test_app test_engine test_game test_game_gui}; do
  targets+=(--target "$t")
done
start=$(date +%s)
cmake --build "$build_dir" "${targets[@]}"
echo "Windows programs built in $(($(date +%s) - start)) s"

# Beside the programs: the libraries' DLLs and the native build's data, byte for byte.
bin=$build_dir/bin
cp -a "$prefix"/bin/*.dll "$bin/"
for folder in Ordinary Languages Branding; do
  rm -rf "${bin:?}/$folder"
  cp -a "$native_dir/bin/$folder" "$bin/$folder"
done
echo "Windows build: $bin"

# The packages: a zip to unpack anywhere, and the installer.
[ -z "${TV_WINDOWS_TARGETS:-}" ] || exit 0
version=$(sed -n 's/^project(Tolvaren VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=tolvaren-$version-win64
packages=$build_dir/package
stage=$packages/$name
rm -rf "$packages"
mkdir -p "$stage/licenses/tolvaren"
cp "$bin/tolvaren.exe" "$bin"/*.dll "$stage/"
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll
for folder in Ordinary Languages Branding; do cp -a "$bin/$folder" "$stage/"; done
cp -a "$prefix/share/licenses/." "$stage/licenses/"
cp content/Desktop/copyright "$stage/licenses/tolvaren/copyright"
cp content/CREDITS.md "$stage/licenses/tolvaren/CREDITS.md"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime-copyright" 2>/dev/null || true
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-copyright" 2>/dev/null || true
sed 's/$/\r/' >"$stage/README.txt" <<TEXT
Tolvaren $version for 64-bit Windows

Start tolvaren.exe. The game keeps its profiles, saves and log in
%APPDATA%\\Quillmark\\Tolvaren; deleting the program folder leaves them there.

Command line: -language English|German|Russian picks the language, -debug turns
on the debugging aids. F11 or Alt+Return switches between full screen and window.

The folder licenses\\ holds the terms of the game and of each library shipped
beside it (SDL2, libpng, libjpeg-turbo, zlib, libogg, libvorbis, libepoxy,
FreeType, libebur128 and the compiler's run-time libraries).
TEXT
(cd "$packages" && zip -qr9 "$name.zip" "$name")
makensis -V2 -DVERSION="$version" -DSOURCE="$(cd "$stage" && pwd)" -DICON="$icon" \
  -DOUTFILE="$(cd "$packages" && pwd)/$name-setup.exe" scripts/windows/tolvaren.nsi
echo "Packages: $packages/$name.zip $packages/$name-setup.exe"
