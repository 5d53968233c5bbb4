// The options dialog: full screen or windowed, the volume of each sound group in ten steps, and
// the way to the language page.
#pragma once

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

class TGuiDialogOptions : public TGuiSheetDialog<> {
 public:
  using TGuiSheetDialog::TGuiSheetDialog;
  bool WindowedShown = false;

  void OnShow() override;
  void OnUpdate() override;
  void OnClick() override;

 private:
  void RefreshMode();
  void RefreshVolume(int32_t Group);
};

// The names of a volume row's controls ("Effects", "Environment", "Music").
const char* VolumeRowName(int32_t Group);

}  // namespace tv
