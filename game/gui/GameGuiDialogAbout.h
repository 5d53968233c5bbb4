// The about dialog: the game's title, the program's version, the credits and the copyright.
#pragma once

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

class TGuiDialogAbout : public TGuiSheetDialog<> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  void OnShow() override;
  void OnClick() override;
};

// The program's version text, fixed by the build.
const char* ProgramVersion();

}  // namespace tv
