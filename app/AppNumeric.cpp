#include "app/AppNumeric.h"

#include <cfenv>
#include <numbers>

namespace tv {

int32_t LerpInt(int32_t A, int32_t B, float T) {
  // Round to nearest, ties to even (the processor's default mode).
  return static_cast<int32_t>(std::nearbyint(static_cast<float>(A) + static_cast<float>(B - A) * T));
}

int32_t FractionToIndex(int32_t N, float T) {
  const float steps = static_cast<float>(N + 1) * T;
  if (!(steps > 0)) return 0;  // negative fractions and NaN
  if (steps >= static_cast<float>(N)) return N;
  return Clamp(static_cast<int32_t>(steps), 0, N);
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
  const TVector n = Normalize(V);
  float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, -n.Y))) * 180.0f / std::numbers::pi_v<float>;
  if (n.X < 0) angle = 360.0f - angle;
  return angle;
}

TPoint RoundPoint(TVector V) {
  return {static_cast<int32_t>(std::nearbyint(V.X)), static_cast<int32_t>(std::nearbyint(V.Y))};
}

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
