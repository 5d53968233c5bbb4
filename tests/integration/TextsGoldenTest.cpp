// Texts and framed boxes drawn for real (OpenGL on the off-screen driver) through the render
// tool, compared with golden pictures. The fonts and icons are baked by the tool as the build
// bakes them. Regenerate the pictures on purpose with TV_UPDATE_GOLDENS=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineTextures.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

const std::string Tool = std::string(TV_BIN_DIR) + "/tolvaren-tool";
const std::string GoldenDir = std::string(TV_SOURCE_DIR) + "/tests/golden";

// A border texture of 3 x 3 cells of 24 pixels: segment i is the cell in direction i from the
// middle (top, then clockwise), a light frame line with a dark inner edge.
std::string BorderTexture() {
  TImage p;
  p.Width = 72;
  p.Height = 72;
  p.Pitch = 72 * 4;
  p.Format = TPixelFormat::A8R8G8B8;
  p.Bytes.assign(static_cast<size_t>(p.Pitch * p.Height), 0);
  for (int y = 0; y < 72; ++y) {
    for (int x = 0; x < 72; ++x) {
      const int edge = std::min(std::min(x, y), std::min(71 - x, 71 - y));
      uint8_t r = 0, g = 0, b = 0, a = 0;
      if (edge >= 6 && edge < 14) {
        r = 230, g = 190, b = 90, a = 255;
      } else if (edge >= 14 && edge < 17) {
        r = 40, g = 30, b = 10, a = 255;
      }
      uint8_t* px = &p.Bytes[static_cast<size_t>(y * p.Pitch + x * 4)];
      px[0] = b, px[1] = g, px[2] = r, px[3] = a;
    }
  }
  return EncodePackedTexture({p}, 0, {});
}

std::string BorderSegments() {
  const int cells[8][2] = {{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}, {0, 0}};
  std::string text = "SEGMENTS 8\n";
  for (int i = 0; i < 8; ++i) {
    text += "SEGMENT " + std::to_string(i) + " " + std::to_string(cells[i][0] * 24) + " " +
            std::to_string(cells[i][1] * 24) + " 24 24\n";
  }
  return text;
}

class TextsGolden : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Data = std::make_unique<TTempDir>();
    const std::string lang = *Data / "Languages/English";
    const std::string ordinary = *Data / "Ordinary";
    MakeDirs(lang);
    MakeDirs(ordinary);
    const std::string fonts = "/usr/share/fonts/truetype/dejavu/";
    ASSERT_EQ(RunCommand(Tool + " font bake --font " + fonts + "DejaVuSans.ttf --out " + lang +
                         " --name T2FontDefault --size 32 --height 48"),
              0);
    ASSERT_EQ(RunCommand(Tool + " font bake --font " + fonts + "DejaVuSerif-Bold.ttf --out " + lang +
                         " --name T2FontCustom --size 32 --height 48 --outline 2 --shadow 2 --gradient 25"),
              0);
    ASSERT_EQ(RunCommand(Tool + " icons bake --out " + ordinary + " --height 48"), 0);
    WriteFile(ordinary + "/G2TestBorder.tpx", BorderTexture());
    WriteFile(ordinary + "/G2TestBorder.tsg", BorderSegments());
  }
  static void TearDownTestSuite() { Data.reset(); }

  // Renders the scene at 960 x 540 and compares it with tests/golden/<Name>.png: at most 0.3 %
  // of the pixels may differ by more than 24 in a channel (rasterisers round edges differently),
  // and none by more than 96 (a missing or misplaced glyph differs by far more).
  // TV_UPDATE_GOLDENS=1 writes the picture instead and reports the test as skipped.
  void Check(const std::string& Name, const std::string& Body) {
    TTempDir work;
    const std::string scene = work / "scene.json";
    const std::string out = work / "out.png";
    WriteFile(scene, "{\"size\": [960, 540], \"clear\": \"FF203040\", " + Body + "}");
    std::string err;
    ASSERT_EQ(RunCommand(Tool + " render " + scene + " -o " + out + " --data " + Data->Path(), nullptr, &err), 0)
        << err;
    EXPECT_EQ(err, "");  // no missing texture, no warning
    const std::string golden = GoldenDir + "/" + Name + ".png";
    if (test::UpdatingGoldens()) {
      MakeDirs(GoldenDir);
      WriteFile(golden, ReadFile(out));
      GTEST_SKIP() << "regenerated " << golden;
    }
    ASSERT_TRUE(PathExists(golden)) << golden << " is missing; make it with TV_UPDATE_GOLDENS=1";
    const std::string a = ReadFile(out);
    const std::string b = ReadFile(golden);
    const TImage got = DecodePng(reinterpret_cast<const uint8_t*>(a.data()), a.size(), false);
    const TImage want = DecodePng(reinterpret_cast<const uint8_t*>(b.data()), b.size(), false);
    ASSERT_EQ(got.Width, want.Width);
    ASSERT_EQ(got.Height, want.Height);
    int64_t differing = 0;
    int worstOfAll = 0;
    for (size_t i = 0; i < got.Bytes.size(); i += 4) {
      int worst = 0;
      for (size_t k = 0; k < 4; ++k) worst = std::max(worst, std::abs(int{got.Bytes[i + k]} - int{want.Bytes[i + k]}));
      if (worst > 24) ++differing;
      worstOfAll = std::max(worstOfAll, worst);
    }
    const int64_t pixels = int64_t{got.Width} * got.Height;
    EXPECT_LE(differing * 1000, pixels * 3) << Name << ": " << differing << " pixels differ";
    EXPECT_LE(worstOfAll, 96) << Name << ": a pixel differs by " << worstOfAll << " in a channel";
  }

  static std::unique_ptr<TTempDir> Data;
};

std::unique_ptr<TTempDir> TextsGolden::Data;

TEST_F(TextsGolden, SixStyles) {
  std::string texts;
  for (int font = 0; font < 6; ++font) {
    texts += std::string(font == 0 ? "" : ",") + "{\"font\": " + std::to_string(font) +
             ", \"box\": [1400, 80], \"flags\": 1, \"position\": [0, " + std::to_string(-330 + font * 130) +
             "], \"text\": \"Style " + std::to_string(font) +
             ": Amber & salt, 1,234 coins \\u2014 \\u00c6r\\u00f8 caf\\u00e9!\"}";
  }
  Check("texts_styles", "\"texts\": [" + texts + "]");
}

TEST_F(TextsGolden, WrapSqueezeAndCompress) {
  const std::string para =
      "The caravan reached a quiet harbour where traders weighed amber and salt before dawn.\\n"
      "A single line feed joins lines;\\n\\ntwo start a paragraph.";
  Check("texts_wrap",
        "\"squares\": ["
        "{\"border\": 12, \"texture\": \"G2TestBorder\", \"fill\": true, \"color\": [0.3, 0.3, 0.4], "
        "\"position\": [-400, -150], \"size\": [524, 424], \"order\": -10},"
        "{\"border\": 12, \"texture\": \"G2TestBorder\", \"position\": [250, -250], \"size\": [324, 84]},"
        "{\"border\": 12, \"texture\": \"G2TestBorder\", \"position\": [250, 100], \"size\": [324, 104]}],"
        "\"texts\": ["
        "{\"font\": 2, \"box\": [500, 400], \"flags\": 19, \"position\": [-400, -150], \"text\": \"" +
            para +
            "\"},"
            "{\"font\": 3, \"box\": [300, 60], \"flags\": 0, \"position\": [250, -250], "
            "\"text\": \"A line far too long for its little box\"},"
            "{\"font\": 0, \"box\": [300, 80], \"flags\": 16, \"position\": [250, 100], \"color\": [1, 0.9, 0.6], "
            "\"text\": \"Four lines of wrapped text pressed into a box that is only two lines tall\"}]");
}

TEST_F(TextsGolden, NineAlignments) {
  const char* names[9] = {"top left", "top",         "top right", "left",        "middle",
                          "right",    "bottom left", "bottom",    "bottom right"};
  const int flags[9] = {3, 2, 6, 1, 0, 4, 9, 8, 12};
  std::string squares;
  std::string texts;
  for (int i = 0; i < 9; ++i) {
    const int x = (i % 3 - 1) * 480;
    const int y = (i / 3 - 1) * 260;
    const std::string pos = "[" + std::to_string(x) + ", " + std::to_string(y) + "]";
    squares += std::string(i == 0 ? "" : ",") + "{\"border\": 10, \"texture\": \"G2TestBorder\", \"fill\": true, " +
               "\"color\": [0.25, 0.25, 0.3], \"position\": " + pos + ", \"size\": [440, 220], \"order\": -10}";
    texts += std::string(i == 0 ? "" : ",") +
             "{\"font\": 4, \"box\": [400, 180], \"flags\": " + std::to_string(flags[i]) + ", \"position\": " + pos +
             ", \"text\": \"" + names[i] + "\"}";
  }
  Check("texts_align", "\"squares\": [" + squares + "], \"texts\": [" + texts + "]");
}

TEST_F(TextsGolden, InlineIconsAndFramedBoxes) {
  std::string icons;
  for (int i = 1; i <= 15; ++i) icons += std::string("\\u0001\\u000") + "0123456789abcdef"[i];
  Check("texts_icons",
        "\"squares\": ["
        "{\"border\": 20, \"texture\": \"G2TestBorder\", \"fill\": true, \"color\": [0.6, 0.7, 1], "
        "\"position\": [-300, 200], \"size\": [100, 60]},"
        "{\"border\": 20, \"texture\": \"G2TestBorder\", \"fill\": true, \"alpha\": 0.6, "
        "\"position\": [200, 200], \"size\": [500, 200]}],"
        "\"texts\": ["
        "{\"font\": 5, \"box\": [1500, 80], \"position\": [0, -300], \"text\": \"" +
            icons +
            "\"},"
            "{\"font\": 2, \"box\": [1500, 80], \"position\": [0, -150], \"color\": [0.5, 1, 0.5], "
            "\"text\": \"Accept \\u0001\\u000b or cancel \\u0001\\u000a, then open the map \\u0001\\u000f\"},"
            "{\"font\": 3, \"box\": [440, 140], \"flags\": 16, \"position\": [200, 200], "
            "\"text\": \"A framed box with a translucent fill\"}]");
}

}  // namespace
}  // namespace tv::test
