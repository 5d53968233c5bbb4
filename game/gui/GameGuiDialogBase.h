// What the game's dialogs share: the sheet look (a dimming cover, a framed sheet holding the form
// background, all fading with the dialog) as TGuiSheetDialog, the plain plate of the debug
// dialogs, and the small steps most dialogs take (a box, a message label, a named button).
#pragma once

#include <string>

#include "engine/EngineGui.h"

namespace tv {

class TGuiControlCanvas;
class TGuiControlLabel;
class TGuiControlPicture;
class TGuiControlScreenCover;

// What the sheet look keeps between frames: the cover, the sheet and the frame fade with the
// dialog.
struct TGuiSheet {
  TGuiControlScreenCover* Cover = nullptr;
  TGuiControlCanvas* Sheet = nullptr;
  TGuiControlPicture* Frame = nullptr;
};
// The frame's share of the dialog's opacity.
inline constexpr float FrameAlphaShare = 0.9f;
// The height of the dialogs' buttons.
inline constexpr float DialogButtonHeight = 60;

// Builds the sheet look centred on the screen: the cover, the frame picture and the sheet (an
// off-screen canvas holding the background); every control added afterwards draws on the sheet.
TGuiSheet BuildSheet(TGuiForm& Form, float Width, float Height, const char* FrameTexture);
// Lets the sheet, the frame and the cover follow a fade.
void FadeSheet(const TGuiSheet& Sheet, float FadeAlpha);
// The plain look: a dark plate in the middle of the screen over a dimming cover.
void BuildPlate(TGuiForm& Form, float Width, float Height);

// Sets Form's Place to the box of that centre and size (screen units).
void PlaceBox(TGuiForm& Form, float X, float Y, float W, float H);
// A word-wrapped label in the box placed last, showing the text of Key, or Key itself when it is
// not a known text (a caption).
TGuiControlLabel* AddMessageLabel(TGuiForm& Form, const std::string& Key, int32_t Font);
// A control of class T named Name, showing Text as its text (PropText) or text key (PropTextKey).
template <class T>
T* AddNamedButton(TGuiForm& Form, const char* Name, int32_t TextProperty, const char* Text) {
  return Form.AddControl<T>(10, PropName, Name, TextProperty, Text);
}
// The "Close" button in the box placed last, answering both the Cancel and the Confirm key.
TGuiControl* AddCloseButton(TGuiForm& Form);
// Whether the form's Sender is the control of that name.
bool SenderIs(const TGuiForm& Form, const char* Name);
// Enables or disables a control (none: nothing), marking it dirty when that changes.
void SetControlEnabled(TGuiControl* Control, bool Value);

// A dialog in the sheet look. OnShow builds the sheet first (BuildSheet below), then the controls
// that draw on it; OnRender lets the sheet follow the fade. A dialog that draws more over the fade
// calls TGuiSheetDialog::OnRender from its own.
template <class Base = TGuiDialog>
class TGuiSheetDialog : public Base {
 public:
  using Base::Base;
  TGuiSheet Sheet;

  void OnRender() override { FadeSheet(Sheet, this->FadeAlpha); }

 protected:
  void BuildSheet(float Width, float Height, const char* FrameTexture) {
    Sheet = tv::BuildSheet(*this, Width, Height, FrameTexture);
  }
};

// A dialog in the framed look of the inventory and the hint: an off-screen canvas holding a dark
// plate and the framed border, fading with the dialog.
class TGuiFramedDialog : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  TGuiControlCanvas* Sheet = nullptr;

  void OnHide() override;
  void OnRender() override;

 protected:
  // Builds the framed sheet in the current Place; every control added afterwards draws on it.
  void BuildFramedSheet();
  // Ends OnShow: the tutorial's arrow over the whole screen (pointing at "Close" when the tutorial
  // points at this dialog) and the opening sound.
  void EndFramedShow(bool PointAtClose);
};

}  // namespace tv
