#include "game/gui/GameGuiDialogMessage.h"

#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"

namespace tv {

void TGuiDialogMessage::OnClick() {
  if (Sender == nullptr) return;
  if (OnDone) OnDone();
  HideDialog(this);
}

void TGuiDialogMessageCustom::OnShow() {
  BuildSheet(580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -40, 500, 150);
  AddMessageLabel(*this, MessageKey, FontStyles::Label);
  PlaceBox(*this, 0, 85, 200, DialogButtonHeight);
  auto* ok = AddNamedButton<TGuiControlButtonCustom>(*this, "OK", PropTextKey, "ButtonOK");
  KeyControls[KeySlotCancel] = ok;
  KeyControls[KeySlotConfirm] = ok;
}

}  // namespace tv
