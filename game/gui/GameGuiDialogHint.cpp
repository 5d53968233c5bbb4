#include "game/gui/GameGuiDialogHint.h"

#include <algorithm>

#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GameAvatar.h"
#include "game/GameHint.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv {

namespace {

constexpr int32_t TextFont = FontStyles::Label;
constexpr float MinTextWidth = 360;
constexpr float MaxTextWidth = 760;
constexpr float Margin = 40;
constexpr float TitleHeight = 60;
constexpr float FooterHeight = 90;

}  // namespace

std::string HintText(const THint* Hint) {
  if (Hint == nullptr) return {};
  std::string text = GetText(Hint->LegendKey());
  const TProp* prop = Hint->NeedsProp;
  if (prop != nullptr && Hint->NeedsAmount > 0) {
    text += " " + GetText("LabelINeed") + " " + FormatInteger(Hint->NeedsAmount) + ".";
    if (prop->Amount > 0) text += " " + GetText("LabelIHave") + " " + FormatInteger(prop->Amount) + ".";
  }
  return text;
}

void TGuiDialogHint::OnShow() {
  HintShown = CurrentHint();
  // Without a current hint the box still says something rather than stand empty.
  std::string text = HintText(HintShown);
  if (text.empty()) text = GetText("LabelNoHint");
  TVector titleSize;
  TVector textSize;
  int32_t lines = 0;
  MeasureText(GetText("LabelHint"), TextFont, 0, titleSize, lines);
  MeasureText(text, TextFont, MaxTextWidth, textSize, lines);
  const float textWidth = std::clamp(std::max(titleSize.X, textSize.X), MinTextWidth, MaxTextWidth);
  const float textHeight = std::max(textSize.Y, FontLineHeight(TextFont));
  const float width = textWidth + 2 * Margin;
  const float height = TitleHeight + textHeight + FooterHeight + Margin;
  PlaceBox(*this, 0, 0, width, height);
  BuildFramedSheet();

  const float top = -height / 2 + Margin / 2;
  PlaceBox(*this, 0, top + TitleHeight / 2, textWidth, TitleHeight);
  AddControl<TGuiControlLabel>(20, PropName, "LabelHint", PropTextKey, "LabelHint", PropFont, TextFont);
  PlaceBox(*this, 0, top + TitleHeight + textHeight / 2, textWidth + 4, textHeight + 4);
  AddControl<TGuiControlLabel>(20, PropName, "Text", PropText, text, PropFont, TextFont, PropTextLayout, WordWrap);
  PlaceBox(*this, 0, height / 2 - FooterHeight / 2 - 5, 60, 60);
  auto* close = AddControl<TGuiControlButtonCustom>(20, PropName, "Close", PropFont, FontStyles::Title, PropTextKey,
                                                    "IconAccept");
  KeyControls[KeySlotCancel] = close;
  KeyControls[KeySlotConfirm] = close;
  KeyControls[KeySlotHint] = close;
  EndFramedShow(GetPointer() == Pointers::HintIcon);
}

void TGuiDialogHint::OnClick() {
  if (Sender == nullptr || Sender->Name != "Close") return;
  MovePointer(Pointers::HintIcon, Pointers::Nothing);
  HideDialog(this);
}

}  // namespace tv
