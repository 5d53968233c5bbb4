// Output of the baking commands (fonts, icons): one packed picture with its segments file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv::tool {

// Pixel formats of packed pictures, numbered as the packed-texture file numbers them.
constexpr int32_t PackedFormatA8 = 28;
constexpr int32_t PackedFormatA8L8 = 51;

// A picture of premultiplied white-on-black coverage: Luminance and Alpha, one byte each a pixel.
struct TBakedPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Luminance;
  std::vector<uint8_t> Alpha;

  void Resize(int32_t W, int32_t H);
  // Stores a pixel from floats 0..1 (clamped, rounded).
  void Set(int32_t X, int32_t Y, float L, float A);
};

struct TBakedSegment {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t W = 0;
  int32_t H = 0;
};

// Writes Folder/Name.tpx (one picture chunk in Format: A8 keeps only the alpha, A8L8 both) and
// Folder/Name.tsg (segment i is Segments[i]). Returns an error message, empty on success.
std::string WriteBakedTexture(const std::string& Folder, const std::string& Name, const TBakedPicture& Picture,
                              int32_t Format, const std::vector<TBakedSegment>& Segments);

// The shared options of the baking commands.
bool ParseIntOption(const std::string& Text, int32_t Min, int32_t Max, int32_t& Value);

}  // namespace tv::tool
