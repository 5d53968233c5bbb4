#include "base/AppNumeric.h"

#include <cfenv>
#include <climits>
#include <cstdint>
#include <numbers>

namespace tv {

namespace {

// Rounds to nearest, ties to even (the processor's default mode), saturating at the int32 range
// so that an extrapolation far outside A..B cannot overflow; NaN gives Fallback.
int32_t RoundToInt32(double X, int32_t Fallback) {
  if (std::isnan(X)) return Fallback;
  const double r = std::nearbyint(X);
  if (r <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (r >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(r);
}

}  // namespace

int32_t LerpInt(int32_t A, int32_t B, float T) {
  // In double: B - A may not fit 32 bits, and a float would lose the low bits of large values.
  const double a = A;
  return RoundToInt32(a + (static_cast<double>(B) - a) * static_cast<double>(T), A);
}

int32_t FractionToIndex(int32_t N, float T) {
  const double steps = (static_cast<double>(N) + 1.0) * static_cast<double>(T);
  if (!(steps > 0)) return 0;  // negative fractions and NaN
  if (steps >= static_cast<double>(N)) return Max(N, 0);
  return static_cast<int32_t>(steps);
}

int32_t NextPowerOfTwo(int32_t V) {
  int32_t p = 1;
  while (p < V && p < (1 << 30)) p <<= 1;
  return p;
}

TVector DirectionOf(float A) {
  const float a = A * std::numbers::pi_v<float> / 180.0f;
  return {std::sin(a), -std::cos(a)};
}

float AngleOf(TVector V) {
  // A zero vector has no direction; 0 (straight up) rather than NaN keeps rotations usable.
  if (V.X == 0 && V.Y == 0) return 0;
  const TVector n = Normalize(V);
  float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, -n.Y))) * 180.0f / std::numbers::pi_v<float>;
  if (n.X < 0) angle = 360.0f - angle;
  return angle;
}

TPoint RoundPoint(TVector V) { return {RoundToInt32(V.X, 0), RoundToInt32(V.Y, 0)}; }

TVector FitInside(TVector Size, TVector Limit) {
  if (Size.X <= Limit.X && Size.Y <= Limit.Y) return Size;
  if (Size.Y - Limit.Y > Size.X - Limit.X) return {Limit.Y * Size.X / Size.Y, Limit.Y};
  return {Limit.X, Limit.X * Size.Y / Size.X};
}

TVector3 ColorOf(uint32_t Packed) {
  return {static_cast<float>((Packed >> 16) & 0xFF) / 255.0f, static_cast<float>((Packed >> 8) & 0xFF) / 255.0f,
          static_cast<float>(Packed & 0xFF) / 255.0f};
}

}  // namespace tv
