// The main menu over the menu region's map: a welcome with the profile's name, the logo, the four
// menu buttons and the achievements and about icons.
#pragma once

#include "engine/EngineGui.h"

namespace tv {

// The music the menu plays.
inline constexpr const char* MenuMusic = "J9CrashCourseFull";

class TGuiFormMenu : public TGuiForm {
 public:
  using TGuiForm::TGuiForm;

  void OnShow() override;
  void OnRelocalize() override;
  void OnClick() override;

 private:
  // Places the welcome plate and its two lines, sized to the current language's texts.
  void LayOutWelcome();
};

// What the quit query's confirmation does: the program folder's homepage link (when there is one)
// is opened once the program has ended, and the program is asked to end.
void QuitFromMenu();

}  // namespace tv
