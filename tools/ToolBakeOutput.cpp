#include "tools/ToolBakeOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "engine/EngineTextures.h"

namespace tv::tool {

void TBakedPicture::Resize(int32_t W, int32_t H) {
  Width = W;
  Height = H;
  Luminance.assign(static_cast<size_t>(W) * static_cast<size_t>(H), 0);
  Alpha.assign(Luminance.size(), 0);
}

void TBakedPicture::Set(int32_t X, int32_t Y, float L, float A) {
  if (X < 0 || Y < 0 || X >= Width || Y >= Height) return;
  auto byte = [](float v) {
    v = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<uint8_t>(std::lround(v * 255.0f));
  };
  const size_t i = static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X);
  Alpha[i] = byte(A);
  // Premultiplied: never brighter than the pixel is opaque.
  Luminance[i] = std::min(byte(L), Alpha[i]);
}

std::string WriteBakedTexture(const std::string& Folder, const std::string& Name, const TBakedPicture& Picture,
                              int32_t Format, const std::vector<TBakedSegment>& Segments) {
  TImage picture;
  picture.Width = Picture.Width;
  picture.Height = Picture.Height;
  picture.Format = Format == PackedFormatA8 ? TPixelFormat::A8 : TPixelFormat::A8L8;
  const int32_t bpp = Format == PackedFormatA8 ? 1 : 2;
  picture.Pitch = Picture.Width * bpp;
  picture.Bytes.reserve(Picture.Alpha.size() * static_cast<size_t>(bpp));
  for (size_t i = 0; i < Picture.Alpha.size(); ++i) {
    // A8L8 is a 16-bit value with the luminance in the low byte and the alpha in the high byte.
    if (bpp == 2) picture.Bytes.push_back(Picture.Luminance[i]);
    picture.Bytes.push_back(Picture.Alpha[i]);
  }
  const std::string tpx = EncodePackedTexture({picture}, 0, {});
  std::string tsg = "SEGMENTS " + std::to_string(Segments.size()) + "\n";
  for (size_t i = 0; i < Segments.size(); ++i) {
    const TBakedSegment& s = Segments[i];
    tsg += "SEGMENT " + std::to_string(i) + " " + std::to_string(s.X) + " " + std::to_string(s.Y) + " " +
           std::to_string(s.W) + " " + std::to_string(s.H) + "\n";
  }
  for (const auto& [ext, bytes] : {std::pair<const char*, const std::string*>{".tpx", &tpx}, {".tsg", &tsg}}) {
    const std::string path = Folder + "/" + Name + ext;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    if (!out) return "cannot write " + path;
  }
  return {};
}

bool ParseIntOption(const std::string& Text, int32_t Min, int32_t Max, int32_t& Value) {
  char* end = nullptr;
  const long v = std::strtol(Text.c_str(), &end, 10);
  if (Text.empty() || *end != '\0' || v < Min || v > Max) return false;
  Value = static_cast<int32_t>(v);
  return true;
}

}  // namespace tv::tool
