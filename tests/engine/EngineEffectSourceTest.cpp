#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "app/AppMain.h"
#include "engine/EngineEffectSource.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

std::string ErrorOf(std::string_view Source) {
  try {
    EffectFileFromSource(Source);
  } catch (const EError& e) {
    return e.what();
  }
  return "";
}

TEST(EffectSource, FieldsByNameModesByNameAndDefaultsOfThePlaceholder) {
  const TEffectFile file = EffectFileFromSource(
      "# a comment line\n"
      "Offset 0 -20   # trailing comment\n"
      "Area 300 200\n"
      "\n"
      "Emitter \"Sparks #1\"\n"
      "  Interval 0.1\n"
      "  Mode Timed\n"
      "  CountMode AreaDensity\n"
      "  World true\n"
      "  PositionMode RectangleOutline\n"
      "  P1 40 20\n"
      "  ColorA 1 0.5 0.25\n"
      "  Texture1 G2Mask\n"
      "  AlphaCurve \"0-1-0\"\n"
      "Emitter Second\r\n");
  EXPECT_FLOAT_EQ(file.Offset.Y, -20);
  EXPECT_FLOAT_EQ(file.Area.X, 300);
  ASSERT_EQ(file.Emitters.size(), 2u);
  const TEmitterRecord& e = file.Emitters[0];
  EXPECT_EQ(e.Name, "Sparks #1");
  EXPECT_FLOAT_EQ(e.Interval, 0.1f);
  EXPECT_EQ(e.Mode, EmitTimed);
  EXPECT_EQ(e.CountMode, CountAreaDensity);
  EXPECT_EQ(e.World, 1);
  EXPECT_EQ(e.PositionMode, PositionRectangleOutline);
  EXPECT_FLOAT_EQ(e.P1.X, 40);
  EXPECT_FLOAT_EQ(e.ColorA.Z, 0.25f);
  EXPECT_EQ(e.Texture1Name, "G2Mask");
  EXPECT_EQ(e.AlphaCurve, "0-1-0");
  // Unwritten fields, and the whole second emitter, are the placeholder's.
  EXPECT_EQ(e.Texture0Name, "G2Particles");
  EXPECT_FLOAT_EQ(e.SizeBase.Y, 128);
  const TEffectFile placeholder = PlaceholderEffectFile();
  TEmitterRecord second = file.Emitters[1];
  second.Name = "1";
  TEffectFile one;
  one.Emitters = {second};
  TEffectFile ref;
  ref.Emitters = placeholder.Emitters;
  EXPECT_EQ(WriteEffectFile(one), WriteEffectFile(ref));
}

TEST(EffectSource, MistakesNameTheirLine) {
  test::ExpectEach(ErrorOf, {{"Emitter a\n  Colour 1 1 1\n", "line 2: unknown field \"Colour\""},
                             {"Emitter a\nInterval 1\nInterval 2\n", "line 3: Interval is given twice"},
                             {"Emitter a\nP0 1\n", "line 2: P0 takes 2 values, not 1"},
                             {"Emitter a\nInterval fast\n", "line 2: Interval: \"fast\" is not a finite number"},
                             {"Emitter a\nInterval inf\n", "line 2: Interval: \"inf\" is not a finite number"},
                             {"Emitter a\nInterval 0.5x\n", "line 2: Interval: \"0.5x\" is not a finite number"},
                             {"Emitter a\nSegment0 1.5\n",
                              "line 2: Segment0: \"1.5\" is not an integer from -2147483648 to 2147483647"},
                             {"Interval 1\n", "line 1: Interval belongs to an emitter: start one with Emitter NAME"},
                             {"Emitter a\nArea 1 1\n", "line 2: Area belongs to the effect, before the first Emitter"},
                             {"Emitter \"a\n", "line 1: unterminated string"},
                             {"Emitter \"a\\q\"\n", "line 1: unknown escape in string (use \\\", \\\\ or \\xHH)"},
                             {"\"Emitter\" a\n", "line 1: a line starts with a field name, not a string"},
                             {"Offset 1 2\n", "no Emitter in the source"}});
  const std::string mode = ErrorOf("Emitter a\nSizeMode Huge\n");
  EXPECT_EQ(mode.find("line 2: SizeMode: unknown value \"Huge\" (one of Fixed, Spread, Distance"), 0u) << mode;
  // Table modes take names only; the free bytes take 0..255 too.
  EXPECT_NE(ErrorOf("Emitter a\nSizeMode 1\n"), "");
  EXPECT_EQ(ErrorOf("Emitter a\nWorld 2\nMode 7\n"), "");
  EXPECT_NE(ErrorOf("Emitter a\nWorld 256\n"), "");
  // What the game's reader refuses is refused here too.
  EXPECT_EQ(ErrorOf("Emitter a\nInterval 0\n"),
            "the game would refuse this effect: Invalid Interval (must be above 0)");
  EXPECT_EQ(ErrorOf("Emitter a\nCount 99999999\n"), "the game would refuse this effect: Invalid Count 99999999");
}

// A record with every field away from its default, with awkward floats and strings.
TEmitterRecord OddRecord(uint32_t Seed) {
  SeedRandom(Seed);
  auto f = [] {
    const float choices[] = {-0.0f, 1e-40f, 3.4e38f, -1.17549435e-38f, 0.1f, 1.0f / 3.0f, 123456.789f};
    const float r = RandomFloat();
    return r < 0.5f ? choices[RandomInt(7)]
                    : (RandomFloat() - 0.5f) * std::pow(10.0f, static_cast<float>(RandomInt(20) - 10));
  };
  auto s = [] {
    std::string out;
    const int n = RandomInt(6);
    for (int i = 0; i < n; ++i) out += static_cast<char>(RandomInt(256));
    return out;
  };
  TEmitterRecord e;
  e.Name = s();
  e.Interval = std::fabs(f()) + 0.01f;
  e.Delay = f();
  e.Mode = RandomInt(256);
  e.Duration = f();
  e.CountMode = RandomInt(CountModeCount);
  e.Count = RandomInt(10001);
  e.Density = RandomInt(1000001);
  e.World = static_cast<uint8_t>(RandomInt(256));
  e.RandomFlip = static_cast<uint8_t>(RandomInt(2));
  e.Prewarm = f();
  e.ShadingModeName = s();
  e.Texture0Name = s();
  e.Segment0 = static_cast<int32_t>(RandomInt(1 << 30)) - (1 << 29);
  e.Texture1Name = "a \"quoted\" \\ name";
  e.Segment1 = -1;
  e.PositionMode = RandomInt(PositionModeCount);
  e.P0 = {f(), f()};
  e.P1 = {f(), f()};
  e.P2 = {f(), f()};
  e.DirectionMode = RandomInt(DirectionModeCount);
  e.DirectionBase = f();
  e.DirectionSpread = f();
  e.DistanceMode = RandomInt(DistanceModeCount);
  e.DistanceBase = f();
  e.DistanceSpread = f();
  e.SizeMode = RandomInt(SizeModeCount);
  e.SizeBase = {f(), f()};
  e.SizeSpread = {f(), f()};
  e.AngleMode = RandomInt(AngleModeCount);
  e.AngleBase = f();
  e.AngleSpread = f();
  e.SpinMode = RandomInt(SpinModeCount);
  e.SpinBase = f();
  e.SpinSpread = f();
  e.ColorMode = RandomInt(ColorModeCount);
  e.ColorA = {f(), f(), f()};
  e.ColorB = {f(), f(), f()};
  e.AlphaMode = RandomInt(AlphaModeCount);
  e.AlphaBase = f();
  e.AlphaSpread = f();
  e.LifetimeMode = RandomInt(LifetimeModeCount);
  e.LifetimeBase = f();
  e.LifetimeSpeed = f();
  e.MotionCurveOn = static_cast<uint8_t>(RandomInt(256));
  e.MotionCurve = s();
  e.ScaleCurveOn = 1;
  e.ScaleEnd = f();
  e.ScaleCurve = "0|1";
  e.SpinCurveOn = 0;
  e.SpinCurve = s();
  e.ColorChangeOn = 1;
  e.ColorEnd = {f(), f(), f()};
  e.AlphaCurveOn = 0;
  e.AlphaCurve = "";
  return e;
}

TEST(EffectSource, DecompileThenCompileGivesTheSameBytes) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    TEffectFile file;
    file.Offset = {-0.0f, 1e-45f};
    file.Area = {0.3f, 1e30f};
    file.Emitters = {OddRecord(seed), OddRecord(seed + 1000), TEmitterRecord()};
    const std::string bytes = WriteEffectFile(file);
    const std::string source = EffectFileToSource(ReadEffectFile(bytes));
    EXPECT_EQ(WriteEffectFile(EffectFileFromSource(source)), bytes) << source;
    // And the source is stable: decompiling again writes the same text.
    EXPECT_EQ(EffectFileToSource(EffectFileFromSource(source)), source);
  }
}

TEST(EffectSource, DecompiledPlaceholderIsJustTheEmitterLine) {
  EXPECT_EQ(EffectFileToSource(PlaceholderEffectFile()), "Offset 0 0\nArea 128 128\n\nEmitter \"1\"\n");
  // The reference lists every field once with its default.
  const std::string ref = EffectSourceReference();
  EXPECT_NE(ref.find("  AlphaCurve \"TEXT\"   (default \"0-1-1-0\")"), std::string::npos) << ref;
  EXPECT_NE(ref.find("  PositionMode Point|Rectangle|"), std::string::npos);
  EXPECT_NE(ref.find("  World false|true|0..255   (default false)"), std::string::npos);
}

}  // namespace
}  // namespace tv
