#include "game/gui/GameGuiFocusRing.h"

#include <cmath>
#include <string>

#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "game/gui/GameGuiControls.h"

namespace tv {

namespace {

const std::string RingTexture = "G2Square09Outline";
constexpr TVector3 EdgeColor{0.16f, 0.09f, 0.02f};
// One breath in this many seconds, between these opacities.
constexpr float BreathSeconds = 1.6f;
constexpr float LeastAlpha = 0.7f;

}  // namespace

TGuiFocusRingCustom::~TGuiFocusRingCustom() { Drop(); }

void TGuiFocusRingCustom::Drop() {
  FreeSquare(Edge);
  FreeSquare(Ring);
  Canvas = nullptr;
  Shown = nullptr;
}

void TGuiFocusRingCustom::Show(const TGuiControl* Control, float Dt) {
  TCanvas* canvas = VideoStarted() ? MainCanvas() : nullptr;
  if (Control == nullptr || canvas == nullptr) {
    Drop();
    return;
  }
  // Drawn on the screen itself, where the control shows (a control inside a canvas control draws
  // into a canvas that may go before the ring hears of it).
  const int32_t layer = Control->Form->Layer + FocusRingLayer;
  if (canvas != Canvas || layer != Layer) {
    FreeSquare(Edge);
    FreeSquare(Ring);
    Canvas = canvas;
    Layer = layer;
  }
  const int32_t border = SquareBorderOf(RingTexture);
  if (Edge == nullptr) CreateSquare(Edge, Canvas, Layer, border, RingTexture, false);
  if (Ring == nullptr) CreateSquare(Ring, Canvas, Layer + 1, border, RingTexture, false);
  if (Shown != nullptr && Shown != Control) PlayEffectsSound("G8ButtonFocus");
  if (Shown != Control) Time = 0;
  Shown = Control;
  Time = std::fmod(Time + Dt, BreathSeconds);
  const float breath = 0.5f - 0.5f * std::cos(Time / BreathSeconds * 6.2831853f);
  const float alpha = LeastAlpha + (1 - LeastAlpha) * breath;
  const TVector at = Control->ScreenCenter();
  const TVector size{Control->Size.X + 2 * FocusRingMargin, Control->Size.Y + 2 * FocusRingMargin};
  if (Edge != nullptr) {
    Edge->SetPosition(at);
    Edge->SetSize({size.X + 6, size.Y + 6});
    Edge->SetColor(EdgeColor);
    Edge->SetAlpha(alpha);
  }
  if (Ring != nullptr) {
    Ring->SetPosition(at);
    Ring->SetSize(size);
    Ring->SetColor(GuiColors::HoverGold);
    Ring->SetAlpha(alpha);
  }
}

}  // namespace tv
