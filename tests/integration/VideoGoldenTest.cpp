// Golden pictures drawn through "tolvaren-tool render": every scene tests/golden/NAME.json is
// drawn headless with a data folder of pictures made here, and compared with tests/golden/NAME.png
// within a small per-channel tolerance. A picture that differs is written to
// build/golden-actual/NAME.png for inspection.
//
// Regenerate the goldens on purpose (after checking the new pictures by eye):
//   TV_UPDATE_GOLDENS=1 ctest --test-dir build -R Golden
// (each regenerated test reports itself skipped).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "support/VideoTestSupport.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
using test::SolidPicture;

constexpr int Tolerance = 4;

std::vector<uint8_t> Rgba(int32_t W, int32_t H, uint32_t (*Pixel)(int32_t X, int32_t Y)) {
  std::vector<uint8_t> bytes(static_cast<size_t>(W) * static_cast<size_t>(H) * 4);
  for (int32_t y = 0; y < H; ++y) {
    for (int32_t x = 0; x < W; ++x) {
      const uint32_t argb = Pixel(x, y);
      uint8_t* p = &bytes[(static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x)) * 4];
      p[0] = static_cast<uint8_t>(argb >> 16);
      p[1] = static_cast<uint8_t>(argb >> 8);
      p[2] = static_cast<uint8_t>(argb);
      p[3] = static_cast<uint8_t>(argb >> 24);
    }
  }
  return bytes;
}

// The pictures the scenes use, made the same way every time.
void MakeData(const std::string& Root) {
  const std::string ordinary = Root + "/Ordinary/";
  test::MakeDirs(ordinary);
  // Four coloured quadrants, each with a darker 4-pixel checker, so that orientation and
  // filtering show.
  WritePngRgba(ordinary + "G2Checker.png", 32, 32, Rgba(32, 32, [](int32_t x, int32_t y) -> uint32_t {
                 static const uint32_t quadrant[4] = {0xFFE03030, 0xFF30C040, 0xFF3050E0, 0xFFE0D030};
                 uint32_t c = quadrant[(x >= 16 ? 1 : 0) + (y >= 16 ? 2 : 0)];
                 if (((x / 4) + (y / 4)) % 2 == 0) c = (c & 0xFF000000) | ((c & 0x00FEFEFE) >> 1);
                 return c;
               }));
  // An orange disc with a soft edge on transparent.
  WritePngRgba(ordinary + "G2Round.png", 64, 64, Rgba(64, 64, [](int32_t x, int32_t y) -> uint32_t {
                 const double d = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
                 const double a = std::clamp((30 - d) / 3, 0.0, 1.0);
                 return static_cast<uint32_t>(std::lround(a * 255)) << 24 | 0xFF9020;
               }));
  // White with alpha rising from left to right.
  WritePngRgba(ordinary + "G2Mask.png", 64, 64, Rgba(64, 64, [](int32_t x, int32_t) -> uint32_t {
                 return static_cast<uint32_t>(x * 4 + 2) << 24 | 0xFFFFFF;
               }));
  // Half-transparent blue stripes on transparent.
  WritePngRgba(ordinary + "G2Overlay.png", 64, 64, Rgba(64, 64, [](int32_t x, int32_t y) -> uint32_t {
                 return ((x + y) / 8) % 2 == 0 ? 0x802040FFu : 0u;
               }));
  // A 300 x 200 picture with a grid every 50 pixels and a coloured last row and column.
  WritePngRgba(ordinary + "G2Wide.png", 300, 200, Rgba(300, 200, [](int32_t x, int32_t y) -> uint32_t {
                 if (x == 299 || y == 199) return 0xFFFF2020;
                 if (x % 50 == 0 || y % 50 == 0) return 0xFFFFFFFF;
                 return 0xFF000000 | static_cast<uint32_t>(x * 255 / 300) << 16 |
                        static_cast<uint32_t>(y * 255 / 200) << 8 | 0x60;
               }));
  // An atlas of two segments: magenta on the left, cyan on the right.
  TImage atlas = SolidPicture(64, 32, 0xFFFF00FF);
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 32; x < 64; ++x) {
      uint8_t* p = &atlas.Bytes[static_cast<size_t>(y) * 256 + static_cast<size_t>(x) * 4];
      p[0] = 0xFF;
      p[1] = 0xFF;
      p[2] = 0x00;
    }
  }
  test::WritePacked(ordinary + "G2Atlas.tpx", {atlas});
  test::WriteFile(ordinary + "G2Atlas.tsg", "SEGMENTS 2\nSEGMENT 0 0 0 32 32\nSEGMENT 1 32 0 32 32\n");
  test::WritePacked(ordinary + "G2Unknown.tpx", {SolidPicture(8, 8, 0xFF808080)});
}

std::vector<uint8_t> ReadPng(const std::string& Path, int32_t& W, int32_t& H) {
  const std::string bytes = test::ReadFile(Path);
  const TImage p = DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
  W = p.Width;
  H = p.Height;
  return p.Bytes;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, SceneMatchesItsPicture) {
  const std::string name = GetParam();
  const std::string golden = std::string(TV_SOURCE_DIR) + "/tests/golden/" + name;
  test::TTempDir dir;
  MakeData(dir.Path());
  test::TScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").c_str());
  test::TScopedEnv video("SDL_VIDEODRIVER", "offscreen");
  const std::string out = dir / "out.png";
  std::string err;
  const int code = test::RunCommand(std::string(TV_BIN_DIR) + "/tolvaren-tool render '" + golden + ".json' -o '" + out +
                                        "' --data '" + dir.Path() + "'",
                                    nullptr, &err);
  ASSERT_EQ(code, 0) << err;
  if (test::UpdatingGoldens()) {
    fs::copy_file(out, golden + ".png", fs::copy_options::overwrite_existing);
    GTEST_SKIP() << "regenerated " << golden << ".png";
  }
  ASSERT_TRUE(fs::exists(golden + ".png")) << "no golden picture; make it with TV_UPDATE_GOLDENS=1";
  int32_t gw = 0, gh = 0, aw = 0, ah = 0;
  const std::vector<uint8_t> want = ReadPng(golden + ".png", gw, gh);
  const std::vector<uint8_t> got = ReadPng(out, aw, ah);
  ASSERT_EQ(aw, gw);
  ASSERT_EQ(ah, gh);
  size_t bad = 0;
  int worst = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    const int d = std::abs(static_cast<int>(want[i]) - static_cast<int>(got[i]));
    worst = std::max(worst, d);
    if (d > Tolerance) ++bad;
  }
  if (bad > 0) {
    const fs::path keep = fs::path(TV_BIN_DIR).parent_path() / "golden-actual";
    fs::create_directories(keep);
    fs::copy_file(out, keep / (name + ".png"), fs::copy_options::overwrite_existing);
  }
  EXPECT_EQ(bad, 0u) << "channels differing by more than " << Tolerance << " (worst " << worst
                     << "); the picture drawn is in build/golden-actual/";
}

TEST(RenderTool, RefusesSceneErrorsFoundWhileBuilding) {
  test::TTempDir dir;
  test::TScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").c_str());
  test::TScopedEnv video("SDL_VIDEODRIVER", "offscreen");
  MakeData(dir.Path());
  struct TCase {
    const char* Scene;
    const char* Message;
  };
  const TCase cases[] = {
      {R"({"size": [64, 36], "sprites": [{"canvas": 3}]})", "canvas"},
      {R"({"size": [64, 36], "sprites": [{"textures": [{}, {}, {}, {}, {}]}]})", "four textures"},
      {R"({"size": [64, 36], "clear": "red"})", "AARRGGBB"},
  };
  for (const TCase& c : cases) {
    test::WriteFile(dir / "scene.json", c.Scene);
    std::string err;
    const int code = test::RunCommand(std::string(TV_BIN_DIR) + "/tolvaren-tool render '" + dir / "scene.json" +
                                          "' -o '" + dir / "out.png" + "' --data '" + dir.Path() + "'",
                                      nullptr, &err);
    EXPECT_EQ(code, 1) << c.Scene;
    EXPECT_NE(err.find(c.Message), std::string::npos) << err;
    EXPECT_FALSE(test::PathExists(dir / "out.png"));
  }
}

std::vector<std::string> Scenes() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(std::string(TV_SOURCE_DIR) + "/tests/golden")) {
    if (entry.path().extension() == ".json") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Video, Golden, ::testing::ValuesIn(Scenes()),
                         [](const ::testing::TestParamInfo<std::string>& Info) {
                           std::string name = Info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace tv
