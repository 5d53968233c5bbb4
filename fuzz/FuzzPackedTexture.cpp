// Fuzz target for the packed texture reader: any bytes read as a ".tpx" file into a texture on
// the memory device (no display needed). The reader may only fail with its own error, and a
// texture it fills must be consistent: a device texture, segments, frames that point back.
#include <cstddef>
#include <cstdint>

#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "FuzzVideoDevice.h"

using tv::fuzz::EnsureDevice;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The first byte takes away capabilities, so padding and format widening run too.
  if (Size > 0) {
    EnsureDevice((Data[0] & 1) != 0);
    ++Data;
    --Size;
  }
  if (Size == 0) EnsureDevice(true);
  tv::TBaseImageTexture texture("F");
  try {
    tv::ReadPackedTexture(texture, Data, Size);
    if (!texture.DeviceTexture || texture.SegmentCount() != 1) __builtin_trap();
    for (int32_t i = 1; i < texture.FrameCount(); ++i) {
      auto* frame = static_cast<tv::TFrameImageTexture*>(texture.Frames->GetItem(i));
      if (frame->Base != &texture || frame->SegmentCount() < 1) __builtin_trap();
    }
    (void)texture.FrameAt(0.5f);
  } catch (const tv::EError&) {
  }
  return 0;
}
