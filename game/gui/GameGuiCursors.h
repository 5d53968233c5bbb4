// The game's cursor: the system's own mouse pointer, with a ripple where the player clicks.
#pragma once

#include "engine/EngineGui.h"

namespace tv {

class TEffect;

class TGuiCursorCustom : public TGuiCursor {
 public:
  using TGuiCursor::TGuiCursor;
  // Starts the click ripple "G2ClickWave" at the mouse when the button went down this frame.
  void Show(bool Visible) override;

 private:
  TEffect* Ripple = nullptr;
};

}  // namespace tv
