#include "game/gui/GameGuiCursors.h"

#include "engine/EngineEffects.h"
#include "engine/EngineVideo.h"
#include "game/gui/GameGuiHooks.h"

namespace tv {

void TGuiCursorCustom::Show(bool Visible) {
  if (!Visible || !GuiInput::ClickPressed() || !EffectsStarted()) return;
  TCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return;
  if (Ripple == nullptr) Ripple = GetEffect("G2ClickWave");
  // Just below the cursor's own layer, above everything else on the screen.
  PlayEffect(this, canvas, Layer - 10, GuiInput::MousePosition(), Ripple);
}

}  // namespace tv
