// Textures, texture segments and animation curves.
#pragma once

#include <cstdint>
#include <string_view>

namespace tv {

// The value of a curve string at T. A curve is a row of levels ("0" is 0, "1" is 1, "2".."9" are
// 0.2..0.9, anything else 1) joined by connectors ("|" steps at the middle of its span, anything
// else interpolates): "0-1-1-0" rises over the first third, holds, and falls over the last.
float EvalCurve(std::string_view Curve, float T);
// The nearest integer of (Count + 1) x T, clamped to 0..Count.
int32_t FrameIndex(int32_t Count, float T);

}  // namespace tv
