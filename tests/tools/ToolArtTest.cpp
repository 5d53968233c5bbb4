// "art", "art emoji" and "texture sheet": the procedural pictures repeat exactly, tile without
// seams, the map's masks meet their neighbours, and the icon atlas and the contact sheet are made.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine/EngineTextures.h"
#include "platform/PlatformImage.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TTempDir;

int Tool(const std::string& Args, std::string* Err = nullptr) {
  std::string out;
  return test::RunTool(Args, &out, Err);
}

TImage Picture(const std::string& Path) {
  const std::string bytes = test::ReadFile(Path);
  return DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
}

// Channel C (0 blue, 1 green, 2 red, 3 alpha) of a pixel.
int At(const TImage& P, int32_t X, int32_t Y, int C) {
  return P.Bytes[static_cast<size_t>(Y) * static_cast<size_t>(P.Pitch) + 4 * static_cast<size_t>(X) +
                 static_cast<size_t>(C)];
}

// Mean difference of the colours of two columns (or rows).
double ColumnDifference(const TImage& P, int32_t A, int32_t B) {
  double sum = 0;
  for (int32_t y = 0; y < P.Height; ++y) {
    for (int c = 0; c < 3; ++c) sum += std::abs(At(P, A, y, c) - At(P, B, y, c));
  }
  return sum / (3.0 * P.Height);
}
double RowDifference(const TImage& P, int32_t A, int32_t B) {
  double sum = 0;
  for (int32_t x = 0; x < P.Width; ++x) {
    for (int c = 0; c < 3; ++c) sum += std::abs(At(P, x, A, c) - At(P, x, B, c));
  }
  return sum / (3.0 * P.Width);
}

class ToolArt : public ::testing::Test {
 protected:
  TTempDir Dir;
  std::string Path(const std::string& Name) const { return Dir / Name; }
};

TEST_F(ToolArt, TerrainSheetsRepeatExactlyAndTileWithoutSeams) {
  for (const char* kind : {"sand", "forest", "rock", "sea"}) {
    SCOPED_TRACE(kind);
    std::string err;
    ASSERT_EQ(Tool(std::string("art terrain ") + kind + " --seed 5 -o '" + Path("a.png") + "'", &err), 0) << err;
    ASSERT_EQ(Tool(std::string("art terrain ") + kind + " --seed 5 -o '" + Path("b.png") + "'"), 0);
    EXPECT_EQ(test::ReadFile(Path("a.png")), test::ReadFile(Path("b.png")));
    const TImage p = Picture(Path("a.png"));
    ASSERT_EQ(p.Width, 480);
    ASSERT_EQ(p.Height, 240);
    // The sheet's wrap (last column next to the first) differs no more than neighbouring
    // columns do inside it.
    double inside = 0;
    for (int32_t x : {60, 119, 200, 300}) inside = std::max(inside, ColumnDifference(p, x, x + 1));
    EXPECT_LE(ColumnDifference(p, p.Width - 1, 0), inside * 1.5 + 2);
    double insideRows = 0;
    for (int32_t y : {30, 59, 100, 180}) insideRows = std::max(insideRows, RowDifference(p, y, y + 1));
    EXPECT_LE(RowDifference(p, p.Height - 1, 0), insideRows * 1.5 + 2);
    // 16 cells of 120 x 60.
    const std::string tsg = test::ReadFile(Path("a.tsg"));
    EXPECT_NE(tsg.find("SEGMENTS 16"), std::string::npos);
    EXPECT_NE(tsg.find("SEGMENT 15 360 180 120 60"), std::string::npos);
  }
  ASSERT_EQ(Tool("art terrain sand --seed 6 -o '" + Path("c.png") + "'"), 0);
  EXPECT_NE(test::ReadFile(Path("a.png")), test::ReadFile(Path("c.png")));
  EXPECT_EQ(Tool("art terrain lava -o '" + Path("d.png") + "'"), 2);
}

TEST_F(ToolArt, MasksCoverTheTouchedSidesAndMeetTheirNeighbours) {
  std::string err;
  ASSERT_EQ(Tool("art mask --seed 3 -o '" + Path("m.png") + "'", &err), 0) << err;
  const TImage m = Picture(Path("m.png"));
  // Segment s sits in a cell of 124 x 64 (a 2-pixel gutter), ten cells a row.
  auto alpha = [&](int32_t Segment, int32_t X, int32_t Y) {
    return At(m, (Segment % 10) * 124 + 2 + X, (Segment / 10) * 64 + 2 + Y, 3);
  };
  for (int32_t x = 0; x < 120; x += 7) {
    EXPECT_EQ(alpha(8, x, 30), 0) << "segment 8 is no mask";
    EXPECT_EQ(alpha(35, x, 30), 255) << "segment 35 covers all";
    EXPECT_EQ(alpha(3, x, 0), 255) << "N covers the north edge";
    EXPECT_EQ(alpha(3, x, 59), 0) << "N leaves the south edge";
    EXPECT_EQ(alpha(28, x, 59), 255) << "S covers the south edge";
    EXPECT_EQ(alpha(30, x, 0), 255) << "N+E+S+W covers every edge";
    EXPECT_EQ(alpha(30, x, 59), 255);
  }
  EXPECT_EQ(alpha(5, 0, 0), 255) << "NW covers its corner";
  EXPECT_EQ(alpha(5, 119, 59), 0);
  EXPECT_EQ(alpha(5, 119, 0), 0) << "NW stays out of the NE corner";
  // A terrain to the north gives this tile mask N and its eastern neighbour mask NW: along the
  // shared edge both fade alike, so no step shows between the tiles.
  for (int32_t y = 0; y < 60; ++y) EXPECT_NEAR(alpha(3, 119, y), alpha(5, 0, y), 12) << "row " << y;
  // Likewise a terrain to the west (W) against the tile below it (NW).
  for (int32_t x = 0; x < 120; ++x) EXPECT_NEAR(alpha(7, x, 59), alpha(5, x, 0), 12) << "column " << x;
  EXPECT_NE(test::ReadFile(Path("m.tsg")).find("SEGMENTS 50"), std::string::npos);
}

TEST_F(ToolArt, ParticlesAndParchmentHaveTheirSegments) {
  ASSERT_EQ(Tool("art particles -o '" + Path("p.png") + "'"), 0);
  const TImage p = Picture(Path("p.png"));
  EXPECT_EQ(p.Width, 256);
  EXPECT_EQ(At(p, 32, 32, 3), 255) << "the dot is solid in its middle";
  for (int32_t i = 0; i < 256; ++i) {
    EXPECT_EQ(At(p, i, 64, 3), 0) << "cells keep a clear border";
    EXPECT_EQ(At(p, 64, i, 3), 0);
  }
  ASSERT_EQ(Tool("art parchment -o '" + Path("bg.png") + "'"), 0);
  const std::string tsg = test::ReadFile(Path("bg.tsg"));
  EXPECT_NE(tsg.find("SEGMENTS 195"), std::string::npos);
  EXPECT_NE(tsg.find("SEGMENT 194 1440 840 120 60"), std::string::npos);
}

TEST_F(ToolArt, EmojiAtlasDrawsTheListedIconsAndRefusesMissingOnes) {
  const std::string font = "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf";
  if (!std::filesystem::exists(font)) GTEST_SKIP() << "fonts-noto-color-emoji is not installed";
  test::WriteFile(Path("list.emoji"), "# two icons, one left out\n0 U+1F41F\n2 U+2693 tint 808080\n");
  std::string err;
  ASSERT_EQ(
      Tool("art emoji '" + Path("list.emoji") + "' --font " + font + " --cell 32 -o '" + Path("e.png") + "'", &err), 0)
      << err;
  const TImage e = Picture(Path("e.png"));
  EXPECT_EQ(e.Width, 96);
  EXPECT_EQ(e.Height, 32);
  EXPECT_GT(At(e, 16, 16, 3), 200) << "icon 0 is drawn";
  EXPECT_EQ(At(e, 48, 16, 3), 0) << "segment 1 is empty";
  EXPECT_EQ(At(e, 0, 0, 3), 0) << "the cell's border stays clear";
  EXPECT_NE(test::ReadFile(Path("e.tsg")).find("SEGMENT 2 64 0 32 32"), std::string::npos);
  test::WriteFile(Path("bad.emoji"), "0 U+E000\n");  // a private-use code point has no picture
  EXPECT_EQ(Tool("art emoji '" + Path("bad.emoji") + "' --font " + font + " -o '" + Path("bad.png") + "'"), 1);
  test::WriteFile(Path("worse.emoji"), "0 fish\n");
  EXPECT_EQ(Tool("art emoji '" + Path("worse.emoji") + "' --font " + font + " -o '" + Path("bad.png") + "'"), 1);
}

TEST_F(ToolArt, ContactSheetShowsEveryTexture) {
  test::TScopedEnv xdg("XDG_DATA_HOME", (Dir / "xdg").c_str());
  test::MakeDirs(Dir / "data/Ordinary");
  test::MakeDirs(Dir / "data/Languages/English");
  ASSERT_EQ(Tool("art particles -o '" + Path("data/Ordinary/G2Particles.png") + "'"), 0);
  ASSERT_EQ(Tool("art terrain grass -o '" + Path("data/Ordinary/G2T2Grass.png") + "'"), 0);
  std::string err;
  // The sheet is drawn through the real OpenGL driver; under the leak checker the driver's own
  // allocations, left behind when it is unloaded at exit, would count as ours.
  test::TScopedEnv noDriverLeaks("ASAN_OPTIONS", "detect_leaks=0:halt_on_error=1:abort_on_error=1");
  ASSERT_EQ(Tool("texture sheet --data '" + Path("data") + "' -o '" + Path("sheet.png") + "'", &err), 0) << err;
  const TImage sheet = Picture(Path("sheet.png"));
  EXPECT_GT(sheet.Width, 0);
  EXPECT_GT(sheet.Height, 0);
  EXPECT_EQ(Tool("texture sheet --data '" + Path("nowhere") + "' -o '" + Path("x.png") + "'"), 1);
}

}  // namespace
}  // namespace tv
