// Measuring what a mixer played: the level of one frequency in a stretch of samples.
#pragma once

#include <cmath>
#include <vector>

namespace tv::test {

// Magnitude of one frequency in a stretch of samples (Goertzel), scaled to a sine's amplitude.
inline double ToneAmplitude(const std::vector<double>& X, double Hz, double Rate) {
  const double w = 2 * M_PI * Hz / Rate;
  double s1 = 0, s2 = 0;
  for (const double x : X) {
    const double s = x + 2 * std::cos(w) * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
  return 2 * std::sqrt(power) / static_cast<double>(X.size());
}

}  // namespace tv::test
