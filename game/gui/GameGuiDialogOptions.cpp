#include "game/gui/GameGuiDialogOptions.h"

#include <string>

#include "engine/EngineAudio.h"
#include "engine/EngineGuiCalls.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"
#include "game/GameScreenNames.h"
#include "game/gui/GameGuiHooks.h"

namespace tv {

namespace {
constexpr int32_t VolumeSteps = 10;
const char* const VolumeLabels[SoundGroupCount] = {"LabelVolumeEffects", "LabelVolumeEnvironment", "LabelVolumeMusic"};
}  // namespace

const char* VolumeRowName(int32_t Group) {
  static const char* const names[SoundGroupCount] = {"Effects", "Environment", "Music"};
  return Group >= 0 && Group < SoundGroupCount ? names[Group] : "";
}

void TGuiDialogOptions::OnShow() {
  BuildSheet(700, 645, "G2Border700x645");
  PlaceBox(*this, 0, -255, 600, 70);
  AddControl<TGuiControlLabel>(10, PropTextKey, "ButtonOptions", PropFont, FontStyles::Title);

  PlaceBox(*this, 0, -175, 600, 50);
  AddControl<TGuiControlLabel>(10, PropName, "LabelDisplayMode", PropTextKey, "LabelDisplayMode", PropFont,
                               FontStyles::Label);
  PlaceBox(*this, -115, -115, 220, DialogButtonHeight);
  AddControl<TGuiControlButtonCustom>(10, PropName, "FullScreen", PropTextKey, "LabelFullScreen", PropToggle, true,
                                      PropGroup, "DisplayMode");
  PlaceBox(*this, 115, -115, 220, DialogButtonHeight);
  AddControl<TGuiControlButtonCustom>(10, PropName, "Windowed", PropTextKey, "LabelWindowed", PropToggle, true,
                                      PropGroup, "DisplayMode");

  for (int32_t group = 0; group < SoundGroupCount; ++group) {
    const std::string row = VolumeRowName(group);
    const float y = -15 + 95 * static_cast<float>(group);
    PlaceBox(*this, 0, y - 35, 600, 40);
    AddControl<TGuiControlLabelSuffix>(10, PropName, "Label" + row, PropTextKey, VolumeLabels[group], PropFont,
                                       FontStyles::Label);
    PlaceBox(*this, -230, y + 15, 60, DialogButtonHeight);
    AddControl<TGuiControlButtonCustom>(10, PropName, row + "Down", PropTextKey, "IconVolumeDown");
    for (int32_t dot = 1; dot <= VolumeSteps; ++dot) {
      PlaceBox(*this, -182 + 36 * static_cast<float>(dot), y + 15, 32, 32);
      AddControl<TGuiControlPicture>(10, PropName, "Dot" + row + std::to_string(dot), PropTexture, "G2Dots");
    }
    PlaceBox(*this, 230, y + 15, 60, DialogButtonHeight);
    AddControl<TGuiControlButtonCustom>(10, PropName, row + "Up", PropTextKey, "IconVolumeUp");
    RefreshVolume(group);
  }

  PlaceBox(*this, -115, 255, 220, DialogButtonHeight);
  AddNamedButton<TGuiControlButtonCustom>(*this, "Language", PropTextKey, "ButtonLanguage");
  PlaceBox(*this, 115, 255, 220, DialogButtonHeight);
  AddCloseButton(*this);
  RefreshMode();
}

void TGuiDialogOptions::RefreshMode() {
  WindowedShown = !GuiInput::IsFullScreen();
  TGuiControl* full = FindControl("FullScreen");
  TGuiControl* windowed = FindControl("Windowed");
  if (full != nullptr) full->SetDown(!WindowedShown);
  if (windowed != nullptr) windowed->SetDown(WindowedShown);
}

void TGuiDialogOptions::RefreshVolume(int32_t Group) {
  const std::string row = VolumeRowName(Group);
  const int32_t volume = GetGroupVolume(Group);
  if (auto* label = dynamic_cast<TGuiControlLabelSuffix*>(FindControl("Label" + row))) {
    label->SetSuffix(GetColonPrefix() + ":");
  }
  SetControlEnabled(FindControl(row + "Down"), volume > 0);
  SetControlEnabled(FindControl(row + "Up"), volume < VolumeSteps);
  for (int32_t dot = 1; dot <= VolumeSteps; ++dot) {
    TGuiControl* picture = FindControl("Dot" + row + std::to_string(dot));
    if (picture == nullptr) continue;
    const int32_t segment = dot <= volume ? 1 : 0;
    if (picture->ParamD != segment) {
      picture->SetProperty(PropSegment, segment);
      picture->MarkDirty();
    }
  }
}

void TGuiDialogOptions::OnUpdate() {
  if (WindowedShown == GuiInput::IsFullScreen()) RefreshMode();
}

void TGuiDialogOptions::OnClick() {
  if (Sender == nullptr) return;
  const std::string name = Sender->Name;
  if (name == "Close") {
    HideDialog(this);
    return;
  }
  if (name == "Language") {
    ShowDialog(gui::DialogLanguage);
    return;
  }
  if (name == "FullScreen" || name == "Windowed") {
    GuiInput::SetFullScreen(name == "FullScreen");
    RefreshMode();
    return;
  }
  for (int32_t group = 0; group < SoundGroupCount; ++group) {
    const std::string row = VolumeRowName(group);
    const int32_t step = name == row + "Up" ? 1 : (name == row + "Down" ? -1 : 0);
    if (step == 0) continue;
    SetGroupVolume(group, GetGroupVolume(group) + step);
    RefreshVolume(group);
    return;
  }
}

}  // namespace tv
