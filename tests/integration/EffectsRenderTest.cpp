#include <gtest/gtest.h>

#include "engine/EngineEffects.h"
#include "engine/EngineTextures.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

using test::TTempDir;

// The render tool plays a scene's effects for its "time" before taking the picture, so a
// particle's place in the picture tells its age.
class EffectsRenderTest : public ::testing::Test {
 protected:
  TTempDir Dir;

  void SetUp() override {
    test::MakeDirs(Dir / "Ordinary");
    test::WritePacked(Dir / "Ordinary/G2Particles.tpx", {test::SolidPicture(16, 16, 0xFFFFFFFF)});
    // One red square 200 units wide, travelling right at 100 units a second for 5 seconds.
    TEffectFile file;
    TEmitterRecord e;
    e.Interval = 10;
    e.Segment0 = 0;
    e.SizeBase = {200, 200};
    e.ColorA = {1, 0, 0};
    e.AlphaCurveOn = 0;
    e.LifetimeBase = 5;
    e.DirectionBase = 90;
    e.DistanceBase = 500;
    e.MotionCurveOn = 1;
    file.Emitters = {e};
    test::WriteFile(Dir / "Ordinary/G2Dot.emt", WriteEffectFile(file));
  }

  // Renders a 160 x 90 picture (a tenth of the design screen) of the dot played from x = -400.
  TImage Render(const std::string& Extra, const std::string& EffectExtra = "") {
    test::WriteFile(Dir / "scene.json", R"({"size": [160, 90], "clear": "FF000000",
        "effects": [{"name": "G2Dot", "position": [-400, 0], "order": 5)" +
                                            EffectExtra + "}]" + Extra + "}");
    std::string err;
    const int code = test::RunCommand("SDL_VIDEODRIVER=offscreen XDG_DATA_HOME='" + Dir.Path() +
                                          "/xdg' '" TV_BIN_DIR "/tolvaren-tool' render '" + Dir / "scene.json" +
                                          "' -o '" + Dir / "out.png" + "' --data '" + Dir.Path() + "'",
                                      nullptr, &err);
    EXPECT_EQ(code, 0) << err;
    const std::string png = test::ReadFile(Dir / "out.png");
    return DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), false);
  }

  static bool Red(const TImage& P, int X, int Y) {
    const uint8_t* px = &P.Bytes[static_cast<size_t>(Y * P.Pitch + X * 4)];
    return px[2] > 200 && px[1] < 40 && px[0] < 40;  // bytes B, G, R, A
  }
};

TEST_F(EffectsRenderTest, ThePictureShowsTheEffectAtTheGivenAge) {
  // Before any time has passed nothing was emitted.
  TImage none = Render("");
  ASSERT_EQ(none.Width, 160);
  for (int x = 0; x < 160; x += 4) EXPECT_FALSE(Red(none, x, 45)) << x;

  // After 2 seconds the dot's centre is at x = -200 (pixel 60), 200 units (20 pixels) wide.
  TImage two = Render(R"(, "time": 2)");
  EXPECT_TRUE(Red(two, 60, 45));
  EXPECT_TRUE(Red(two, 52, 38));
  EXPECT_FALSE(Red(two, 45, 45));
  EXPECT_FALSE(Red(two, 75, 45));
  EXPECT_FALSE(Red(two, 60, 60));

  // After 4.5 seconds it has moved on to x = 50 (pixel 85); "area" and "seed" are accepted.
  TImage later = Render(R"(, "time": 4.5, "seed": 7)", R"(, "area": [10, 10])");
  EXPECT_TRUE(Red(later, 85, 45));
  EXPECT_FALSE(Red(later, 60, 45));
}

}  // namespace
}  // namespace tv
