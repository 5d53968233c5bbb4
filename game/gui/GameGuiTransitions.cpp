#include "game/gui/GameGuiTransitions.h"

#include "base/AppTimer.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"

namespace tv {

namespace {
constexpr int32_t CaptionFont = FontStyles::Title;
}

TGuiTransitionCover::TGuiTransitionCover(std::string Name, float Uncover, float Cover, TVector3 CoverColor,
                                         std::string Key)
    : TGuiTransition(std::move(Name)),
      UncoverTime(Uncover),
      CoverTime(Cover),
      Color(CoverColor),
      CaptionKey(std::move(Key)) {}

TGuiTransitionCover::~TGuiTransitionCover() { Finish(); }

void TGuiTransitionCover::Begin() {
  Finish();
  Timer = 0;
  TCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return;
  CreateSprite(Cover, canvas, Layer);
  if (Cover != nullptr) {
    Cover->Mode = FindShadingMode("OnlyTint");
    Cover->Color = {Color.X, Color.Y, Color.Z, 0};
  }
  if (!CaptionKey.empty() && TextsStarted()) {
    CreateText(Caption, canvas, Layer + 1, canvas->Size, CaptionFont, 0);
    if (Caption != nullptr) {
      Caption->SetText(GetText(CaptionKey));
      Caption->SetAlpha(0);
    }
  }
  KeepSized();
}

void TGuiTransitionCover::Finish() {
  FreeSprite(Cover);
  FreeText(Caption);
}

bool TGuiTransitionCover::KeepSized() {
  TCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return true;
  if (Cover != nullptr) {
    Cover->Position = {0, 0};
    Cover->Size = canvas->Size;
  }
  if (Caption != nullptr && !VectorsEqual(Caption->BoxSize, canvas->Size)) {
    // A text keeps its box; a window resized while covered gets a caption laid out anew.
    const std::string shown = Caption->Text;
    const float alpha = Caption->Alpha;
    FreeText(Caption);
    CreateText(Caption, canvas, Layer + 1, canvas->Size, CaptionFont, 0);
    if (Caption != nullptr) {
      Caption->SetText(shown);
      Caption->SetAlpha(alpha);
    }
  }
  return true;
}

void TGuiTransitionCover::SetCoverAlpha(float Alpha) {
  const float a = Clamp01(Alpha);
  if (Cover != nullptr) Cover->Color.A = a;
  if (Caption != nullptr) Caption->SetAlpha(a);
}

float TGuiTransitionCover::CoverAlpha() const { return Cover != nullptr ? Cover->Color.A : 0.0f; }

bool TGuiTransitionCover::CoverStep1() { return KeepSized(); }

bool TGuiTransitionCover::CoverStep2() {
  KeepSized();
  // From nothing there is no screen to fade out: the new one is revealed from the covered state.
  if (FromNothing || CoverTime <= 0) {
    SetCoverAlpha(1);
    return true;
  }
  Timer += ElapsedSeconds();
  SetCoverAlpha(Timer / CoverTime);
  return Timer >= CoverTime;
}

bool TGuiTransitionCover::CoverStep3() {
  Timer = 0;
  return KeepSized();
}

bool TGuiTransitionCover::UncoverStep1() { return KeepSized(); }

bool TGuiTransitionCover::UncoverStep2() {
  KeepSized();
  if (UncoverTime <= 0) {
    SetCoverAlpha(0);
    return true;
  }
  Timer += ElapsedSeconds();
  SetCoverAlpha(1 - Timer / UncoverTime);
  return Timer >= UncoverTime;
}

bool TGuiTransitionCover::UncoverStep3() { return KeepSized(); }

}  // namespace tv
