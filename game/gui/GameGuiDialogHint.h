// The hint dialog: what the player should do next, with what it takes and how much of it the
// hero has. Closing it moves the tutorial on from the hint icon.
#pragma once

#include <string>

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

class THint;

// The hint's text: its legend, then "I need N." when it names a prop and a positive amount, then
// "I have M." when the hero holds some of that prop.
std::string HintText(const THint* Hint);

class TGuiDialogHint : public TGuiFramedDialog {
 public:
  using TGuiFramedDialog::TGuiFramedDialog;

  THint* HintShown = nullptr;

  void OnShow() override;
  void OnClick() override;
};

}  // namespace tv
