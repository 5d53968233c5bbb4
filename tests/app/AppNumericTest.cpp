#include "base/AppNumeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tv {
namespace {

TEST(NumericTest, IntegerHelpers) {
  EXPECT_EQ(Clamp(5, 10, 0), 10) << "the lower bound is tested first";
  EXPECT_EQ(Clamp(-1, 0, 9), 0);
  EXPECT_EQ(Clamp(11, 0, 9), 9);
  int32_t v = 42;
  ClampVar(v, 0, 9);
  EXPECT_EQ(v, 9);

  EXPECT_EQ(NextPowerOfTwo(-3), 1);
  EXPECT_EQ(NextPowerOfTwo(0), 1);
  EXPECT_EQ(NextPowerOfTwo(1), 1);
  EXPECT_EQ(NextPowerOfTwo(5), 8);
  EXPECT_EQ(NextPowerOfTwo(8), 8);
  EXPECT_EQ(NextPowerOfTwo(INT32_MAX), 1 << 30);
  EXPECT_FALSE(IsPowerOfTwo(0));
  EXPECT_FALSE(IsPowerOfTwo(INT32_MIN));
  EXPECT_FALSE(IsPowerOfTwo(6));
  EXPECT_TRUE(IsPowerOfTwo(1 << 30));
  EXPECT_EQ(MakeEven(7), 8);
  EXPECT_EQ(MakeEven(-3), -2);
  EXPECT_EQ(MakeEven(4), 4);
}

TEST(NumericTest, InterpolationRoundsHalfToEvenAndNeverOverflows) {
  EXPECT_EQ(LerpInt(0, 3, 0.5f), 2);
  EXPECT_EQ(LerpInt(0, 5, 0.5f), 2);
  EXPECT_EQ(LerpInt(10, 0, 0.25f), 8);  // 7.5 rounds to even
  EXPECT_EQ(LerpInt(-4, 4, 0.375f), -1);
  // Large spans: B - A does not fit 32 bits, and a float would drop the low digits of A.
  EXPECT_EQ(LerpInt(INT32_MIN, INT32_MAX, 1.0f), INT32_MAX);
  EXPECT_EQ(LerpInt(INT32_MIN, INT32_MAX, 0.5f), 0);
  EXPECT_EQ(LerpInt(100000001, 100000001, 0.3f), 100000001);
  EXPECT_EQ(LerpInt(0, INT32_MAX, 4.0f), INT32_MAX) << "extrapolation saturates";
  EXPECT_EQ(LerpInt(7, 9, std::numeric_limits<float>::quiet_NaN()), 7);
  EXPECT_EQ(RoundPoint(Vector(2.5f, -1.5f)).X, 2);
  EXPECT_EQ(RoundPoint(Vector(2.5f, -1.5f)).Y, -2);
  EXPECT_EQ(RoundPoint(Vector(1e20f, -1e20f)).X, INT32_MAX);
  EXPECT_EQ(RoundPoint(Vector(1e20f, -1e20f)).Y, INT32_MIN);
}

TEST(NumericTest, FractionToIndexPicksOneOfNPlusOneSteps) {
  EXPECT_EQ(FractionToIndex(4, 1.0f), 4);
  EXPECT_EQ(FractionToIndex(4, 0.99f), 4);
  EXPECT_EQ(FractionToIndex(4, 0.8f), 4);
  EXPECT_EQ(FractionToIndex(4, 0.79f), 3);
  EXPECT_EQ(FractionToIndex(4, 0.19f), 0);
  EXPECT_EQ(FractionToIndex(4, 0.0f), 0);
  EXPECT_EQ(FractionToIndex(4, -0.5f), 0);
  EXPECT_EQ(FractionToIndex(4, 7.0f), 4);
  EXPECT_EQ(FractionToIndex(0, 0.7f), 0);
  EXPECT_EQ(FractionToIndex(4, std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(FractionToIndex(INT32_MAX, 1.0f), INT32_MAX);
  EXPECT_EQ(FractionToIndex(-3, 0.5f), 0);
}

TEST(NumericTest, FloatHelpersCompareBitPatterns) {
  EXPECT_TRUE(IsZero(0.0f));
  EXPECT_FALSE(IsZero(-0.0f));
  EXPECT_TRUE(IsOne(1.0f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(SameFloat(nan, nan));
  EXPECT_FALSE(VectorsEqual(Vector(0.0f, 1), Vector(-0.0f, 1)));
  EXPECT_TRUE(Vector3Equal(Vector3(1, 2, 3), Vector3(1, 2, 3)));
  EXPECT_FALSE(Vector3Equal(Vector3(1, 2, 3), Vector3(1, 2, 3.0001f)));

  EXPECT_FLOAT_EQ(Fraction(2.75f), 0.75f);
  EXPECT_FLOAT_EQ(Fraction(-2.75f), -0.75f);
  EXPECT_EQ(Clamp01(-3), 0.0f);
  EXPECT_EQ(Clamp01(3), 1.0f);
  EXPECT_EQ(Clamp01(0.25f), 0.25f);
  EXPECT_FLOAT_EQ(ArcCos(-1), 3.14159265f);
}

TEST(NumericTest, AnglesRunClockwiseFromUp) {
  EXPECT_EQ(WrapAngle(-30), -30);
  EXPECT_EQ(WrapAngle(370), 10);
  EXPECT_EQ(WrapAngle(-390), -30);
  EXPECT_EQ(AddAngle(350, 20), 10);

  const TVector right = DirectionOf(90);
  EXPECT_NEAR(right.X, 1, 1e-6);
  EXPECT_NEAR(right.Y, 0, 1e-6);
  const TVector down = DirectionOf(180);
  EXPECT_NEAR(down.X, 0, 1e-6);
  EXPECT_NEAR(down.Y, 1, 1e-6);
  EXPECT_NEAR(DirectionOf(0).Y, -1, 1e-6);

  EXPECT_NEAR(AngleOf(Vector(-1, 0)), 270, 1e-4);
  EXPECT_NEAR(AngleOf(Vector(0, -5)), 0, 1e-4);
  EXPECT_NEAR(AngleOf(Vector(3, 3)), 135, 1e-3);  // down-right
  for (float a = 0; a < 360; a += 7.5f) EXPECT_NEAR(AngleOf(DirectionOf(a)), a, 0.05) << a;
  EXPECT_EQ(AngleOf(Vector(0, 0)), 0) << "no direction gives 0, never NaN";
}

TEST(NumericTest, PointsRectanglesAndColours) {
  const TRect r = RectOf(Point(10, 20), Point(5, 4));
  EXPECT_EQ(r.Right, 15);
  EXPECT_EQ(r.Bottom, 24);
  EXPECT_TRUE(PointInRect(10, 20, r));
  EXPECT_TRUE(PointInRect(14, 23, r));
  EXPECT_FALSE(PointInRect(15, 20, r));
  EXPECT_FALSE(PointInRect(10, 24, r));
  EXPECT_FALSE(PointInRect(9, 21, r));
  EXPECT_FALSE(PointInRect(0, 0, TRect{}));

  const TVector3 c = ColorOf(0xABFF8000u);
  EXPECT_EQ(c.X, 1.0f);
  EXPECT_NEAR(c.Y, 0.502f, 1e-3);
  EXPECT_EQ(c.Z, 0.0f);
  EXPECT_TRUE(Vector3Equal(ColorOf(0x000000FFu), Vector3(0, 0, 1)));
}

TEST(NumericTest, FitInsideMeetsTheSideWithTheLargerExcess) {
  auto fit = [](float w, float h, float lw, float lh) { return FitInside(Vector(w, h), Vector(lw, lh)); };
  TVector v = fit(200, 100, 100, 100);
  EXPECT_FLOAT_EQ(v.X, 100);
  EXPECT_FLOAT_EQ(v.Y, 50);
  v = fit(100, 300, 200, 200);
  EXPECT_NEAR(v.X, 66.667f, 1e-3);
  EXPECT_FLOAT_EQ(v.Y, 200);
  v = fit(300, 120, 200, 50);  // absolute excesses, not ratios: the height still exceeds
  EXPECT_FLOAT_EQ(v.X, 200);
  EXPECT_FLOAT_EQ(v.Y, 80);
  v = fit(50, 50, 50, 60);  // fits already, including a side exactly at its limit
  EXPECT_TRUE(VectorsEqual(v, Vector(50, 50)));
  v = fit(150, 150, 100, 100);  // equal excesses use the width
  EXPECT_FLOAT_EQ(v.X, 100);
  EXPECT_FLOAT_EQ(v.Y, 100);
}

}  // namespace
}  // namespace tv
