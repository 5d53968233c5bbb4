#include "game/gui/GameGuiDialogAbout.h"

#include <string>

#include "TolvarenVersion.h"
#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"

namespace tv {

const char* ProgramVersion() { return TV_VERSION_TEXT; }

void TGuiDialogAbout::OnShow() {
  BuildSheet(580, 600, "G2Border580x600");
  PlaceBox(*this, 0, -225, 500, 70);
  AddControl<TGuiControlLabel>(10, PropTextKey, "GameTitle", PropFont, FontStyles::Title);
  PlaceBox(*this, 0, -160, 500, 40);
  auto* version = AddControl<TGuiControlLabelSuffix>(10, PropName, "LabelVersion", PropTextKey, "LabelVersion",
                                                     PropFont, FontStyles::Label);
  version->SetSuffix(std::string(" ") + ProgramVersion());
  PlaceBox(*this, 0, 10, 500, 280);
  AddControl<TGuiControlLabel>(10, PropName, "TextCredits", PropTextKey, "TextCredits", PropFont, FontStyles::Label,
                               PropTextLayout, WordWrap);
  PlaceBox(*this, 0, 180, 500, 30);
  AddControl<TGuiControlLabel>(10, PropName, "Copyright", PropTextKey, "Copyright");
  PlaceBox(*this, 0, 240, 200, DialogButtonHeight);
  AddCloseButton(*this);
}

void TGuiDialogAbout::OnClick() {
  if (Sender != nullptr) HideDialog(this);
}

}  // namespace tv
