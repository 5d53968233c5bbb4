#include "engine/EngineTextures.h"

#include <cmath>
#include <string>

#include "app/AppNumeric.h"

namespace tv {

namespace {

float CurveLevel(char C) {
  if (C == '0') return 0.0f;
  if (C >= '2' && C <= '9') return static_cast<float>(C - '0') / 10.0f;
  return 1.0f;
}

// One span: the left level, the connector and the right level, at the local position Local.
float EvalSpan(char Left, char Connector, char Right, float Local) {
  if (Left == Right) return CurveLevel(Left);
  if (Connector == '|') return Local <= 0.5f ? CurveLevel(Left) : CurveLevel(Right);
  return Lerp(CurveLevel(Left), CurveLevel(Right), Local);
}

}  // namespace

float EvalCurve(std::string_view Curve, float T) {
  const size_t length = Curve.size();
  if (length == 0) return T;
  if (std::isnan(T)) T = 0;
  if (length == 1) {
    const char spelled[3] = {'0', Curve[0], '1'};
    return EvalCurve(std::string_view(spelled, 3), T);
  }
  if (length == 2) {
    const char spelled[3] = {'0', Curve[0], Curve[1]};
    return EvalCurve(std::string_view(spelled, 3), T);
  }
  if (T >= 1) return EvalSpan(Curve[length - 3], Curve[length - 2], Curve[length - 1], T);
  const size_t spans = length / 2;
  const float x = static_cast<float>(spans) * T;
  const auto span = static_cast<int64_t>(x);  // toward zero
  // Connector position, counted from 0 here; an even length has an implicit leading "0".
  int64_t p = 2 * span + static_cast<int64_t>(length % 2);
  if (p < 0) p = length % 2;
  if (p > static_cast<int64_t>(length) - 2) p = static_cast<int64_t>(length) - 2;
  const char left = p == 0 ? '0' : Curve[static_cast<size_t>(p - 1)];
  return EvalSpan(left, Curve[static_cast<size_t>(p)], Curve[static_cast<size_t>(p + 1)], Fraction(x));
}

int32_t FrameIndex(int32_t Count, float T) {
  const float scaled = static_cast<float>(Count + 1) * T;
  if (!(scaled > 0)) return 0;
  if (scaled >= static_cast<float>(Count)) return Count;
  return Clamp(static_cast<int32_t>(std::nearbyint(scaled)), 0, Count);
}

}  // namespace tv
