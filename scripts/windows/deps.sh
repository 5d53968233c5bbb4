#!/usr/bin/env bash
# Cross-builds the libraries the game links, for 64-bit Windows, from Debian's source packages.
# Usage: scripts/windows/deps.sh PREFIX WORKDIR TOOLCHAIN_FILE
# Installs into PREFIX (include/, lib/, bin/ with the DLLs); WORKDIR holds the sources and is removed
# by the caller. Every library is a DLL, so the program's folder carries each library's licence
# terms beside the library itself.
# Recipe: 1 (raise it when a library's build changes: the cache key holds it)
set -euo pipefail
prefix=$1
work=$2
toolchain=$3
jobs=${TV_JOBS:-2}
triple=x86_64-w64-mingw32
mkdir -p "$prefix" "$work"
cd "$work"

# Unpacks one source package (with Debian's patches applied) and prints its folder.
fetch() {
  local package=$1 version folder=""
  # The newest version first; a mirror that lacks its files gives way to the next one.
  for version in $(apt-cache showsrc --only-source "$package" | sed -n 's/^Version: //p' | sort -V -r -u); do
    rm -rf "$work/src-$package"
    mkdir -p "$work/src-$package"
    if (cd "$work/src-$package" && apt-get source -q --only-source "$package=$version") >>"$work/src-$package.log" 2>&1; then
      folder=$(find "$work/src-$package" -mindepth 1 -maxdepth 1 -type d | head -n 1)
      break
    fi
  done
  if [ -z "$folder" ]; then
    # A mirror may hold the upstream tarball but not Debian's changes: build the upstream source.
    local orig
    orig=$(find "$work/src-$package" -maxdepth 1 -name "*.orig.tar.*" | head -n 1)
    if [ -z "$orig" ]; then
      tail -n 20 "$work/src-$package.log" >&2
      return 1
    fi
    tar -xf "$orig" -C "$work/src-$package"
    folder=$(find "$work/src-$package" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    echo "windows deps: $package from its upstream tarball $(basename "$orig") (Debian's changes not to be had)" >&2
  else
    echo "windows deps: $package $version" >&2
  fi
  # Each library's licence terms travel with its DLL.
  mkdir -p "$prefix/share/licenses/$package"
  local terms
  for terms in debian/copyright COPYING LICENSE LICENSE.txt COPYING.txt; do
    if [ -f "$folder/$terms" ]; then
      cp "$folder/$terms" "$prefix/share/licenses/$package/copyright"
      break
    fi
  done
  echo "$folder"
}

cmake_dep() {
  local source=$1
  shift
  local build="$work/build-$(basename "$source")"
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTV_MINGW_PREFIX="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=ON -Wno-dev "$@" >"$build.log" 2>&1 ||
    { tail -n 40 "$build.log"; return 1; }
  cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; return 1; }
  cmake --install "$build" >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; return 1; }
}

# A step that finished is not run again when an interrupted build is resumed.
step() {
  if [ -f "$prefix/.step-$1" ]; then
    echo "windows deps: $1 (built before)"
    return 1
  fi
  echo "windows deps: $1"
}
finished() { touch "$prefix/.step-$1"; }

# zlib comes built for MinGW as a Debian package.
if step zlib; then
  mkdir -p "$prefix/include" "$prefix/lib/pkgconfig" "$prefix/bin" "$prefix/share/licenses"
  cp -a /usr/$triple/include/zlib.h /usr/$triple/include/zconf.h "$prefix/include/"
  cp -a /usr/$triple/lib/libz.a /usr/$triple/lib/libz.dll.a "$prefix/lib/"
  cp -a /usr/$triple/lib/zlib1.dll "$prefix/bin/"
  mkdir -p "$prefix/share/licenses/zlib"
  cp /usr/share/doc/libz-mingw-w64/copyright "$prefix/share/licenses/zlib/copyright"
  cat >"$prefix/lib/pkgconfig/zlib.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: zlib
Description: zlib compression library
Version: $(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' /usr/$triple/include/zlib.h)
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
PC
  finished zlib
fi

if step SDL2; then
  src=$(fetch libsdl2)
  cmake_dep "$src" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL_TESTS=OFF
  finished SDL2
fi

if step libpng; then
  src=$(fetch libpng1.6)
  cmake_dep "$src" -DPNG_SHARED=ON -DPNG_STATIC=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON
  finished libpng
fi

if step libjpeg-turbo; then
  src=$(fetch libjpeg-turbo)
  # Its own install-folder rules take a relative library folder from the prefix's parent: give
  # it in full.
  cmake_dep "$src" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" -DENABLE_SHARED=ON -DENABLE_STATIC=OFF -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
  finished libjpeg-turbo
fi

if step libogg; then
  src=$(fetch libogg)
  # Its export list names the DLL "ogg.dll", while the build makes "libogg.dll": dependents would
  # look for the wrong file. The build's own name stays.
  sed -i '/^LIBRARY/d' "$src"/win32/*.def
  cmake_dep "$src" -DINSTALL_DOCS=OFF
  finished libogg
fi

if step libvorbis; then
  src=$(fetch libvorbis)
  # Its export lists begin with a bare "LIBRARY", which GNU ld does not take; the name comes from
  # the build anyway.
  sed -i '/^LIBRARY/d' "$src"/win32/*.def
  cmake_dep "$src"
  finished libvorbis
fi

if step freetype; then
  src=$(fetch freetype)
  cmake_dep "$src" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_REQUIRE_ZLIB=ON
  finished freetype
fi

if step libebur128; then
  src=$(fetch libebur128)
  cmake_dep "$src" -DBUILD_STATIC_LIBS=OFF -DENABLE_INTERNAL_QUEUE_H=ON -DENABLE_TESTS=OFF
  finished libebur128
fi

if step libepoxy; then
  src=$(fetch libepoxy)
  cat >"$work/meson-cross.txt" <<CROSS
[binaries]
c = '$triple-gcc-posix'
cpp = '$triple-g++-posix'
ar = '$triple-gcc-ar-posix'
strip = '$triple-strip'
windres = '$triple-windres'
pkg-config = 'pkg-config'

[properties]
pkg_config_libdir = '$prefix/lib/pkgconfig'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
CROSS
  meson setup "$work/build-epoxy" "$src" --cross-file "$work/meson-cross.txt" --prefix "$prefix" --libdir lib \
    --buildtype release -Ddocs=false -Dtests=false -Dglx=no -Degl=no -Dx11=false >"$work/build-epoxy.log" 2>&1 ||
    { tail -n 40 "$work/build-epoxy.log"; exit 1; }
  ninja -C "$work/build-epoxy" -j "$jobs" install >>"$work/build-epoxy.log" 2>&1 || { tail -n 40 "$work/build-epoxy.log"; exit 1; }
  finished libepoxy
fi

if step googletest; then
  cmake_dep /usr/src/googletest -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=OFF -Dgtest_force_shared_crt=ON
  finished googletest
fi

# The JSON library is headers only: the host's copy serves the cross build as it is.
if step nlohmann-json; then
  cp -a /usr/include/nlohmann "$prefix/include/"
  mkdir -p "$prefix/share/cmake"
  cp -a /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"

  # The compiler's own run-time DLLs, shipped beside the program.
  gccdir=$(dirname "$($triple-g++-posix -print-libgcc-file-name)")
  cp -a "$gccdir/libstdc++-6.dll" "$gccdir/libgcc_s_seh-1.dll" "$prefix/bin/"
  cp -a /usr/$triple/lib/libwinpthread-1.dll "$prefix/bin/"
  finished nlohmann-json
fi
echo "windows deps: done"
