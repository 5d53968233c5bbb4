// The memory video device for fuzz targets that upload textures (no display needed), restarted
// only when the wanted capabilities change so that most inputs reuse it.
#pragma once

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
}

}  // namespace tv::fuzz
