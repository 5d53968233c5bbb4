// The input line: a prompt and a line to type, "OK" (hands the text to OnDone and OnText) and
// "Cancel". The plain one (the chooser's filter, debug mode) has a stored-line history; the
// custom one, in the sheet look, cleans typed names up.
#pragma once

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

// The length limit when the caller gives none (InputLineNeedsText and InputLineOkOnly, the option
// bits of Value, are in engine/EngineGuiCalls.h for the model's prompts).
inline constexpr int32_t InputLineDefaultLength = 64;

class TGuiDialogInputLine : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  bool HistoryMode = false;
  bool Empty = true;  // nothing is typed

  void OnShow() override;
  void OnActivate() override;
  void OnDeactivate() override;
  void OnUpdate() override;
  void OnClick() override;

 protected:
  // Whether typed names get the name clean-up.
  virtual bool NameFilter() const { return false; }
  void RefreshButtons();
  bool Started = false;  // text input has begun since the dialog was shown
};

class TGuiDialogInputLineCustom : public TGuiSheetDialog<TGuiDialogInputLine> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  void OnShow() override;

 protected:
  bool NameFilter() const override { return true; }
};

}  // namespace tv
