// The screen on which the game is played: one region's map with a marker per site, the four
// corner icons (exit, hint, inventory, map), the screen frame, the recommendation arrow and, in
// debug mode, an undo button. It drives the avatar once a frame.
#pragma once

#include <string>

#include "engine/EngineGui.h"

namespace tv {

class TGuiControlMap;
class TGuiControlButtonCustom;

class TGuiFormPlay : public TGuiForm {
 public:
  using TGuiForm::TGuiForm;

  TGuiControlMap* MapControl = nullptr;
  TGuiControlButtonCustom* ExitIcon = nullptr;
  TGuiControlButtonCustom* HintIcon = nullptr;
  TGuiControlButtonCustom* InventoryIcon = nullptr;
  TGuiControlButtonCustom* MapIcon = nullptr;
  bool MapOpen = false;
  float IconsShown = 0;

  void OnShow() override;
  void OnHide() override;
  void OnUpdate() override;
  void OnClick() override;
  void OnCommand() override;

 private:
  void PlaceIcons();
};

}  // namespace tv
