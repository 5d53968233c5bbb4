#include "support/GoldenSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/EngineTextures.h"
#include "platform/PlatformImage.h"
#include "support/TestSupport.h"

namespace tv::test {

namespace {

const std::string GoldenDir = std::string(TV_SOURCE_DIR) + "/tests/golden";
const std::string ActualDir = std::string(TV_BIN_DIR) + "/../golden-actual";

TImage Decode(const std::string& Bytes) {
  return DecodePng(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), false);
}

// The picture at 1/Shrink of its size as top-down RGB rows, each channel the block's mean rounded
// to a step of 16.
std::vector<uint8_t> Shrunk(const TImage& Picture, int32_t Shrink, int32_t& Width, int32_t& Height) {
  Width = Picture.Width / Shrink;
  Height = Picture.Height / Shrink;
  std::vector<uint8_t> rgb(static_cast<size_t>(Width) * static_cast<size_t>(Height) * 3);
  const int32_t area = Shrink * Shrink;
  for (int32_t y = 0; y < Height; ++y) {
    for (int32_t x = 0; x < Width; ++x) {
      for (int32_t c = 0; c < 3; ++c) {
        int32_t sum = 0;
        for (int32_t j = 0; j < Shrink; ++j) {
          const uint8_t* row = Picture.Bytes.data() + static_cast<size_t>(y * Shrink + j) * Picture.Pitch;
          // Bytes are B, G, R, A; the output is R, G, B.
          for (int32_t i = 0; i < Shrink; ++i) sum += row[static_cast<size_t>(x * Shrink + i) * 4 + 2 - c];
        }
        const int32_t mean = (sum + area / 2) / area;
        rgb[(static_cast<size_t>(y) * Width + x) * 3 + c] = static_cast<uint8_t>(std::min(255, (mean + 8) / 16 * 16));
      }
    }
  }
  return rgb;
}

// Pixels whose worst channel differs by more than 24 (Channels bytes a pixel).
int64_t Differing(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B, size_t Channels) {
  int64_t differing = 0;
  for (size_t i = 0; i + Channels <= A.size() && i + Channels <= B.size(); i += Channels) {
    int worst = 0;
    for (size_t k = 0; k < Channels; ++k) worst = std::max(worst, std::abs(int{A[i + k]} - int{B[i + k]}));
    if (worst > 24) ++differing;
  }
  return differing;
}

// The most differing pixels (worst channel off by more than 24) in any Tile x Tile square of two
// RGB pictures of Width x Height: a control gone or a text moved shows as one crowded square.
int64_t MostInATile(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B, int32_t Width, int32_t Height,
                    int32_t Tile) {
  const int32_t columns = (Width + Tile - 1) / Tile;
  const int32_t rows = (Height + Tile - 1) / Tile;
  std::vector<int64_t> counts(static_cast<size_t>(columns) * static_cast<size_t>(rows));
  for (int32_t y = 0; y < Height; ++y) {
    for (int32_t x = 0; x < Width; ++x) {
      const size_t i = (static_cast<size_t>(y) * Width + x) * 3;
      int worst = 0;
      for (size_t k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int{A[i + k]} - int{B[i + k]}));
      if (worst > 24) ++counts[static_cast<size_t>(y / Tile) * columns + x / Tile];
    }
  }
  return counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
}

}  // namespace

void CheckGolden(const std::string& Name, const std::string& Shot, int32_t Shrink) {
  const std::string golden = GoldenDir + "/" + Name + ".png";
  ASSERT_TRUE(PathExists(Shot)) << Shot;
  const std::string shot = ReadFile(Shot);
  if (Shrink < 1) Shrink = 1;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> small;
  if (Shrink > 1) small = Shrunk(Decode(shot), Shrink, width, height);
  if (UpdatingGoldens()) {
    MakeDirs(GoldenDir);
    if (Shrink > 1) {
      ASSERT_TRUE(WritePngRgb(golden, width, height, small)) << golden;
      MakeDirs(ActualDir);
      WriteFile(ActualDir + "/" + Name + ".full.png", shot);
    } else {
      WriteFile(golden, shot);
    }
    GTEST_SKIP() << "regenerated " << golden;
  }
  ASSERT_TRUE(PathExists(golden)) << golden << " is missing; make it with TV_UPDATE_GOLDENS=1";
  const TImage want = Decode(ReadFile(golden));
  int64_t differing = 0;
  int64_t pixels = 0;
  if (Shrink > 1) {
    ASSERT_EQ(width, want.Width) << Name;
    ASSERT_EQ(height, want.Height) << Name;
    int32_t w = 0;
    int32_t h = 0;
    // The stored golden went through the same rounding: shrinking it by 1 only repacks it as RGB.
    const std::vector<uint8_t> stored = Shrunk(want, 1, w, h);
    differing = Differing(small, stored, 3);
    pixels = int64_t{width} * height;
    // Spread-out noise may reach 0.3 %, but no 16 x 16 square may have a quarter of it changed.
    const int64_t crowded = MostInATile(small, stored, width, height, 16);
    if (crowded > 64) {
      MakeDirs(ActualDir);
      WriteFile(ActualDir + "/" + Name + ".png", shot);
    }
    EXPECT_LE(crowded, 64) << Name << ": " << crowded << " pixels differ in one 16 x 16 square";
  } else {
    const TImage got = Decode(shot);
    ASSERT_EQ(got.Width, want.Width) << Name;
    ASSERT_EQ(got.Height, want.Height) << Name;
    differing = Differing(got.Bytes, want.Bytes, 4);
    pixels = int64_t{got.Width} * got.Height;
  }
  if (differing * 1000 > pixels * 3) {
    MakeDirs(ActualDir);
    WriteFile(ActualDir + "/" + Name + ".png", shot);
  }
  EXPECT_LE(differing * 1000, pixels * 3) << Name << ": " << differing << " pixels differ";
}

}  // namespace tv::test
