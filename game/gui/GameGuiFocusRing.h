// The focus of keyboard and controller play: a gold frame round the focused control with a dark
// edge (so that it reads on dark panels and on parchment alike), breathing slowly, and the
// buttons' focus sound when it moves on.
#pragma once

#include <cstdint>

#include "engine/EngineGui.h"

namespace tv {

class TSquare;
class TCanvas;

// Above every control of the focused form or dialog and below the next dialog's layers.
inline constexpr int32_t FocusRingLayer = 990000;
// How far the ring stands out of the control on each side.
inline constexpr float FocusRingMargin = 7;

class TGuiFocusRingCustom : public TGuiFocusRing {
 public:
  ~TGuiFocusRingCustom() override;
  void Show(const TGuiControl* Control, float Dt) override;

 private:
  void Drop();
  TSquare* Edge = nullptr;
  TSquare* Ring = nullptr;
  TCanvas* Canvas = nullptr;
  int32_t Layer = 0;
  const TGuiControl* Shown = nullptr;  // compared, never read after it went
  float Time = 0;
};

}  // namespace tv
