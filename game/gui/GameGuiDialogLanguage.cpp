#include "game/gui/GameGuiDialogLanguage.h"

#include <algorithm>

#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiHooks.h"

namespace tv {

namespace {
// Rows of buttons in one column; more languages take a second column.
constexpr size_t RowsPerColumn = 5;
constexpr float RowStep = 75;
}  // namespace

std::string LanguageButtonName(const std::string& Language) { return "Language" + Language; }

void TGuiDialogLanguage::OnShow() {
  Languages = GuiInput::Languages();
  BuildSheet(580, 600, "G2Border580x600");
  PlaceBox(*this, 0, -215, 480, 70);
  AddControl<TGuiControlLabel>(10, PropTextKey, "LabelLanguage", PropFont, FontStyles::Title);

  const size_t shown = std::min(Languages.size(), 2 * RowsPerColumn);
  const bool twoColumns = shown > RowsPerColumn;
  for (size_t i = 0; i < shown; ++i) {
    const float x = twoColumns ? (i < RowsPerColumn ? -125.0f : 125.0f) : 0.0f;
    const float y = -125 + RowStep * static_cast<float>(i % RowsPerColumn);
    PlaceBox(*this, x, y, twoColumns ? 230 : 320, DialogButtonHeight);
    // A language the texts name shows that name; another one its folder's name.
    const std::string key = "LanguageName" + Languages[i];
    const bool named = TextExists(key);
    AddControl<TGuiControlButtonCustom>(10, PropName, LanguageButtonName(Languages[i]), named ? PropTextKey : PropText,
                                        named ? key : Languages[i], PropToggle, true, PropGroup, "Language");
  }

  PlaceBox(*this, 0, 215, 200, DialogButtonHeight);
  AddCloseButton(*this);
  RefreshChoice();
}

void TGuiDialogLanguage::RefreshChoice() {
  const std::string current = GuiInput::CurrentLanguage();
  for (const std::string& language : Languages) {
    if (TGuiControl* button = FindControl(LanguageButtonName(language))) button->SetDown(language == current);
  }
}

void TGuiDialogLanguage::OnClick() {
  if (Sender == nullptr) return;
  if (SenderIs(*this, "Close")) {
    HideDialog(this);
    return;
  }
  for (const std::string& language : Languages) {
    if (Sender->Name != LanguageButtonName(language)) continue;
    GuiInput::SetLanguage(language);
    RefreshChoice();
    return;
  }
}

}  // namespace tv
