// The language page of the options: one toggle button per language the game has, the one in use
// held down; choosing another switches every open screen to it at once.
#pragma once

#include <string>
#include <vector>

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

class TGuiDialogLanguage : public TGuiSheetDialog<> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;

  void OnShow() override;
  void OnClick() override;

 private:
  void RefreshChoice();
  std::vector<std::string> Languages;
};

// The name of a language's button ("LanguageGerman" for the folder "German").
std::string LanguageButtonName(const std::string& Language);

}  // namespace tv
