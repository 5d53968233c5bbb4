// The profiles screen: up to six profiles as toggle buttons, with buttons to create one (asking
// for its name), delete the current one, and go back to the menu.
#pragma once

#include <string>

#include "engine/EngineGui.h"

namespace tv {

class TPlayer;

inline constexpr int32_t MaxProfiles = 6;

class TGuiFormProfiles : public TGuiForm {
 public:
  using TGuiForm::TGuiForm;

  TPlayer* StartPlayer = nullptr;
  bool NameTaken = false;  // the name typed is in use: say so on the next activation
  bool AskName = false;    // ask for a name again on the next activation

  void OnShow() override;
  void OnActivate() override;
  void OnClick() override;

  // Shows each profile's name on its button and holds the current one down.
  void RefreshProfileButtons();
  // What accepting the name prompt does with the name typed.
  void NameAccepted(const std::string& Typed);
};

}  // namespace tv
