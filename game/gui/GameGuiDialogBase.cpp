#include "game/gui/GameGuiDialogBase.h"

#include "engine/EngineAudio.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"

namespace tv {

TGuiSheet BuildSheet(TGuiForm& Form, float Width, float Height, const char* FrameTexture) {
  TGuiSheet sheet;
  Form.Place(PlaceRestore, 0);
  sheet.Cover = Form.AddControl<TGuiControlScreenCover>(0);
  PlaceBox(Form, 0, 0, Width, Height);
  // The frame stays on the screen's canvas, above the sheet.
  sheet.Frame = Form.AddControl<TGuiControlPicture>(20, PropTexture, FrameTexture);
  sheet.Sheet = Form.AddControl<TGuiControlCanvas>(10);
  Form.AddControl<TGuiControlPicture>(0, PropTexture, "G2BackgroundForm");
  return sheet;
}

void FadeSheet(const TGuiSheet& Sheet, float FadeAlpha) {
  if (Sheet.Cover != nullptr) Sheet.Cover->SetAlpha(0.5f * FadeAlpha);
  if (Sheet.Sheet != nullptr) Sheet.Sheet->SetAlpha(FadeAlpha);
  if (Sheet.Frame != nullptr) Sheet.Frame->SetAlpha(FrameAlphaShare * FadeAlpha);
}

void BuildPlate(TGuiForm& Form, float Width, float Height) {
  Form.AddControl<TGuiControlScreenCover>(0);
  PlaceBox(Form, 0, 0, Width, Height);
  Form.AddControl<TGuiControlPlate>(1);
}

void PlaceBox(TGuiForm& Form, float X, float Y, float W, float H) {
  Form.Place(PlaceSetX, X, PlaceSetY, Y, PlaceWidth, W, PlaceHeight, H);
}

TGuiControlLabel* AddMessageLabel(TGuiForm& Form, const std::string& Key, int32_t Font) {
  auto* label = Form.AddControl<TGuiControlLabel>(10, PropFont, Font, PropTextLayout, WordWrap);
  if (!GetText(Key).empty()) {
    label->SetProperty(PropTextKey, Key);
  } else {
    label->SetProperty(PropText, Key);
  }
  return label;
}

TGuiControl* AddCloseButton(TGuiForm& Form) {
  auto* close = AddNamedButton<TGuiControlButtonCustom>(Form, "Close", PropTextKey, "ButtonClose");
  Form.KeyControls[KeySlotCancel] = close;
  Form.KeyControls[KeySlotConfirm] = close;
  return close;
}

bool SenderIs(const TGuiForm& Form, const char* Name) { return Form.Sender != nullptr && Form.Sender->Name == Name; }

void SetControlEnabled(TGuiControl* Control, bool Value) {
  if (Control == nullptr || Control->Enabled == Value) return;
  Control->SetProperty(PropEnabled, Value);
  Control->MarkDirty();
}

void TGuiFramedDialog::BuildFramedSheet() {
  Sheet = AddControl<TGuiControlCanvas>(10);
  AddControl<TGuiControlPlate>(0, PropColor, 0x302010, PropAlpha, 0.66f);
  AddControl<TGuiControlBorder>(1, PropTexture, "G2Square28Border");
}

void TGuiFramedDialog::EndFramedShow(bool PointAtClose) {
  Place(PlaceRestore, 0);
  AddControl<TGuiControlRecommendedArrow>(30, PropName, "Arrow");
  if (PointAtClose) SetRecommendedByName("Close", 0);
  PlaySound("G8SceneDialogOpen", false, SoundGroupEffects, nullptr);
}

void TGuiFramedDialog::OnHide() { Sheet = nullptr; }

void TGuiFramedDialog::OnRender() {
  if (Sheet != nullptr) Sheet->SetAlpha(FadeAlpha);
}

}  // namespace tv
