#include "game/gui/GameGuiDialogQuery.h"

#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"

namespace tv {

void TGuiDialogQuery::OnClick() {
  if (SenderIs(*this, "Yes")) {
    if (OnDone) OnDone();
    HideDialog(this);
  } else if (SenderIs(*this, "No")) {
    HideDialog(this);
  }
}

void TGuiDialogQueryCustom::OnShow() {
  BuildSheet(580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -40, 500, 150);
  AddMessageLabel(*this, MessageKey, FontStyles::Label);
  PlaceBox(*this, -115, 85, 200, DialogButtonHeight);
  KeyControls[KeySlotConfirm] = AddNamedButton<TGuiControlButtonCustom>(*this, "Yes", PropTextKey, "ButtonYes");
  PlaceBox(*this, 115, 85, 200, DialogButtonHeight);
  KeyControls[KeySlotCancel] = AddNamedButton<TGuiControlButtonCustom>(*this, "No", PropTextKey, "ButtonNo");
}

}  // namespace tv
