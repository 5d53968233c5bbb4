// The yes/no query: a question, "Yes" (confirms with OnDone, closes) and "No" (closes).
#pragma once

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

// The query's behaviour; its look is the sheet below (the game registers no plain query).
class TGuiDialogQuery : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  void OnClick() override;
};

class TGuiDialogQueryCustom : public TGuiSheetDialog<TGuiDialogQuery> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  void OnShow() override;
};

}  // namespace tv
