// The message dialog: a text and "OK", which confirms (OnDone) and closes.
#pragma once

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

// The message's behaviour; its look is the sheet below (the game registers no plain message).
class TGuiDialogMessage : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  void OnClick() override;
};

class TGuiDialogMessageCustom : public TGuiSheetDialog<TGuiDialogMessage> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  void OnShow() override;
};

}  // namespace tv
