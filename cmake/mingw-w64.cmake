# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, for
# std::thread and std::mutex). The dependencies are looked for only in TV_MINGW_PREFIX (built by
# scripts/build-windows.sh) and in the toolchain's own folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TV_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TV_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TV_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TV_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT TV_MINGW_PREFIX AND DEFINED ENV{TV_MINGW_PREFIX})
  set(TV_MINGW_PREFIX $ENV{TV_MINGW_PREFIX})
endif()
set(TV_MINGW_PREFIX "${TV_MINGW_PREFIX}" CACHE PATH "Where the cross-built dependencies are installed")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TV_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH ${TV_MINGW_PREFIX} /usr/${TV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the cross prefix's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${TV_MINGW_PREFIX}/lib/pkgconfig:${TV_MINGW_PREFIX}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# The tests' programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
