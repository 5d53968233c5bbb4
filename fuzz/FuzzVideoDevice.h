// The memory video device for fuzz targets that upload textures (no display needed), restarted
// only when the wanted capabilities change so that most inputs reuse it.
#pragma once

#include <cstdlib>

#include "engine/EngineVideo.h"

namespace tv::fuzz {

inline void EnsureDevice(bool NonPow2) {
  static int current = -1;
  if (current == static_cast<int>(NonPow2)) return;
  VideoShutdown();
  GfxSwitches().NonPow2 = NonPow2 ? 1 : 0;
  SetVideoOptions({TGfxBackend::Memory, 64, 36});
  VideoStartup();
  current = static_cast<int>(NonPow2);
  // The engine's textures must go while the device they belong to still exists: left to the
  // static destructors, the device (made in the first start-up) may be destroyed first. A handler
  // registered after it was made runs before its destructor.
  static const bool shutdownAtExit = [] { return std::atexit([] { VideoShutdown(); }) == 0; }();
  (void)shutdownAtExit;
}

}  // namespace tv::fuzz
