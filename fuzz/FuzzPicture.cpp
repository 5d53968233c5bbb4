// Fuzz target for the picture readers: any bytes decoded as a PNG or a JPEG (the first byte
// chooses) and uploaded to the memory device. A decoded picture must be within the size limits
// and hold exactly its rows.
#include <cstddef>
#include <cstdint>

#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "FuzzVideoDevice.h"

using tv::fuzz::EnsureDevice;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const bool jpeg = (Data[0] & 1) != 0;
  EnsureDevice(((Data[0] >> 1) & 1) != 0);
  try {
    const tv::TImage p = jpeg ? tv::DecodeJpeg(Data + 1, Size - 1) : tv::DecodePng(Data + 1, Size - 1);
    if (p.Width <= 0 || p.Height <= 0 || p.Width > tv::MaxPictureSide || p.Height > tv::MaxPictureSide ||
        p.Bytes.size() != static_cast<size_t>(p.Pitch) * static_cast<size_t>(p.Height)) {
      __builtin_trap();
    }
    tv::TTexture texture("F");
    tv::UploadPicture(texture, p.Bytes.data(), p.Width, p.Height, p.Format, p.Pitch);
  } catch (const tv::EError&) {
  }
  return 0;
}
