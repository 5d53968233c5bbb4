// Fuzz target for the segments file parser: any text parsed into a texture's segments. Errors are
// the parser's own; afterwards the texture has between 1 and 4096 segments.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/EngineTextures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  tv::TTexture texture("F");
  // The first two bytes give the texture's size, so odd sizes and 1 x 1 are covered.
  texture.TextureSize = {1 + (Size > 0 ? Data[0] : 0), 1 + (Size > 1 ? Data[1] : 0)};
  const size_t skip = Size < 2 ? Size : 2;
  tv::SetSingleSegment(texture, texture.TextureSize);
  try {
    tv::ParseSegments(texture, std::string_view(reinterpret_cast<const char*>(Data + skip), Size - skip));
  } catch (const tv::EError&) {
  }
  if (texture.SegmentCount() < 1 || texture.SegmentCount() > tv::MaxFileSegments) __builtin_trap();
  (void)tv::SegmentSize(&texture, 1 << 30);
  return 0;
}
