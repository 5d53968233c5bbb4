#include "game/gui/GameGuiHints.h"

#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"

namespace tv {

TGuiHintDefault::TGuiHintDefault(std::string Name, float Delay, float FadeInTime, float FadeOutTime)
    : TGuiHintDefault(std::move(Name), Delay, FadeInTime, FadeOutTime, {FontStyles::Plain, 5, 10, 400}) {}

TGuiHintDefault::TGuiHintDefault(std::string Name, float Delay, float FadeInTime, float FadeOutTime, const TLook& Look)
    : TGuiHint(std::move(Name), Delay, FadeInTime, FadeOutTime) {
  Font = Look.Font;
  FontIndex = Look.Font;
  Margin = Look.Margin;
  Gap = Look.Gap;
  MaxTextWidth = Look.MaxTextWidth;
}

TGuiHintDefault::~TGuiHintDefault() { Release(); }

void TGuiHintDefault::Release() {
  FreeSquare(Box);
  FreeText(Caption);
  PlacedText.clear();
}

void TGuiHintDefault::Show(bool Visible) {
  if (!Visible) {
    Release();
    return;
  }
  if (!TextsStarted() || MainCanvas() == nullptr) return;
  if (Box == nullptr || PlacedText != Text || !VectorsEqual(PlacedAnchor, Anchor)) {
    Release();
    PlaceHintBox(*this);
    PlacedText = Text;
    PlacedAnchor = Anchor;
    CreateSquare(Box, MainCanvas(), Layer, 6, "G2Square06Filled", true);
    if (Box != nullptr) {
      Box->SetPosition(BoxCenter);
      Box->SetSize(BoxSize);
      Box->SetColor({0, 0, 0});
    }
    const TVector textBox{MaxF(BoxSize.X - 2 * Margin, 1), MaxF(BoxSize.Y - 2 * Margin, 1)};
    CreateText(Caption, MainCanvas(), Layer + 1, textBox, Font, AlignLeft + AlignTop + WordWrap);
    if (Caption != nullptr) {
      Caption->SetText(Text);
      Caption->SetPosition(BoxCenter);
    }
  }
  if (Box != nullptr) Box->SetAlpha(HintBoxAlpha * FadeAlpha);
  if (Caption != nullptr) Caption->SetAlpha(FadeAlpha);
}

TGuiHintCustom::TGuiHintCustom(std::string Name, float Delay, float FadeInTime, float FadeOutTime)
    : TGuiHintDefault(std::move(Name), Delay, FadeInTime, FadeOutTime, {FontStyles::Label, 10, 20, 300}) {}

}  // namespace tv
