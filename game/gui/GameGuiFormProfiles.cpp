#include "game/gui/GameGuiFormProfiles.h"

#include <string>

#include "engine/EngineTexts.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/gui/GameGuiControls.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

constexpr float ButtonHeight = 60;
constexpr float ProfileButtonWidth = 300;
constexpr float ProfileStep = 70;
constexpr float ProfilesTop = -140;

std::string Trimmed(const std::string& Text) {
  const auto first = Text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = Text.find_last_not_of(" \t");
  return Text.substr(first, last - first + 1);
}

// The player may think better of a new profile: the prompt offers "Cancel" beside "OK".
void AskForProfileName(TGuiFormProfiles* Form) {
  TDialogArgs args;
  args.MessageKey = "InputName";
  args.Value = InputLineNeedsText;
  args.MaxLength = ProfileNameLength;
  args.OnText = [Form](const std::string& Name) { Form->NameAccepted(Name); };
  ShowDialog(gui::DialogInputLineCustom, args);
}

}  // namespace

void TGuiFormProfiles::OnShow() {
  AddControl<TGuiControlPicture>(-1000, PropTexture, "G2BackgroundForm");
  AddControl<TGuiControlPicture>(990, PropTexture, "G2Border1600x900");

  Place(PlaceSetX, 0, PlaceSetY, -350, PlaceWidth, 1200, PlaceHeight, 80);
  AddControl<TGuiControlLabel>(10, PropName, "LabelProfiles", PropTextKey, "LabelProfiles", PropFont,
                               FontStyles::Title);
  Place(PlaceSetX, -330, PlaceSetY, -130, PlaceWidth, 560, PlaceHeight, 280);
  AddControl<TGuiControlLabel>(10, PropName, "TextProfiles", PropTextKey, "TextProfiles", PropFont, FontStyles::Label,
                               PropTextLayout, AlignTop + WordWrap);
  Place(PlaceSetX, 250, PlaceSetY, -230, PlaceWidth, 500, PlaceHeight, 50);
  AddControl<TGuiControlLabel>(10, PropName, "LabelChooseProfile", PropTextKey, "LabelChooseProfile", PropFont,
                               FontStyles::Label);

  for (int32_t i = 1; i <= MaxProfiles; ++i) {
    Place(PlaceSetX, 250, PlaceSetY, ProfilesTop + ProfileStep * static_cast<float>(i - 1), PlaceWidth,
          ProfileButtonWidth, PlaceHeight, ButtonHeight);
    AddControl<TGuiControlButtonCustom>(10, PropName, std::to_string(i), PropToggle, true, PropGroup, "Players");
  }

  Place(PlaceSetY, 330, PlaceWidth, 200, PlaceHeight, ButtonHeight);
  Place(PlaceSetX, -330);
  AddControl<TGuiControlButtonCustom>(10, PropName, "New", PropTextKey, "ButtonNew");
  Place(PlaceSetX, -110);
  AddControl<TGuiControlButtonCustom>(10, PropName, "Delete", PropTextKey, "ButtonDelete");
  Place(PlaceSetX, 250);
  auto* ok = AddControl<TGuiControlButtonCustom>(10, PropName, "OK", PropTextKey, "ButtonOK");
  KeyControls[KeySlotCancel] = ok;
  KeyControls[KeySlotConfirm] = ok;

  Place(PlaceRestore, 0);
  AddControl<TGuiControlRecommendedArrow>(1000, PropName, "Arrow");

  StartPlayer = CurrentPlayer();
  NameTaken = false;
  AskName = false;
  RefreshProfileButtons();
  if (PlayerCount() < 2) SetRecommendedByName("New", 0);
}

void TGuiFormProfiles::RefreshProfileButtons() {
  const int32_t count = PlayerCount();
  const int32_t current = IndexOfPlayer(CurrentPlayer());
  for (int32_t i = 1; i <= MaxProfiles; ++i) {
    TGuiControl* button = FindControl(std::to_string(i));
    if (button == nullptr) continue;
    const bool visible = i <= count;
    if (button->Visible != visible) {
      button->Visible = visible;
      button->MarkDirty();
    }
    button->SetText(visible ? PlayerAt(i)->Name : std::string());
    if (visible && i == current) {
      button->SetDown(true);
    } else if (button->Down) {
      button->Down = false;
      button->MarkDirty();
    }
  }
}

void TGuiFormProfiles::NameAccepted(const std::string& Typed) {
  const std::string name = Trimmed(Typed);
  if (name.empty()) return;
  if (NameExists(name)) {
    NameTaken = true;
    return;
  }
  AddPlayer(name);
  RefreshProfileButtons();
  SetRecommendedByName("OK", 0);
}

void TGuiFormProfiles::OnActivate() {
  if (NameTaken) {
    NameTaken = false;
    ShowDialog(gui::DialogMessageCustom,
               {.MessageKey = "MsgProfileAlreadyExists", .OnDone = [this] { AskName = true; }});
  } else if (AskName) {
    AskName = false;
    AskForProfileName(this);
  }
}

void TGuiFormProfiles::OnClick() {
  if (Sender == nullptr) return;
  const std::string name = Sender->Name;
  if (name == "OK") {
    const bool changed = CurrentPlayer() != StartPlayer;
    SwitchForm(gui::FormMenu, gui::TransitionFade, changed ? TGuiCallback([] { Rebuild(); }) : TGuiCallback());
  } else if (name.size() == 1 && name[0] >= '1' && name[0] <= '0' + MaxProfiles) {
    SelectPlayer(name[0] - '0');
    RefreshProfileButtons();
    SetRecommendedByName("OK", 0);
  } else if (name == "New") {
    if (PlayerCount() < MaxProfiles) {
      AskForProfileName(this);
    } else {
      ShowDialog(gui::DialogMessageCustom, {.MessageKey = "MsgTooManyProfiles"});
    }
  } else if (name == "Delete") {
    if (PlayerCount() <= 1) {
      ShowDialog(gui::DialogMessageCustom, {.MessageKey = "MsgCantDeleteProfile"});
    } else {
      ShowDialog(gui::DialogQueryCustom, {.MessageKey = "QueryDeleteProfile", .OnDone = [this] {
                                            // The profile the form started with may go: the world
                                            // must be rebuilt then, whatever profile a later one
                                            // happens to be created at.
                                            if (CurrentPlayer() == StartPlayer) StartPlayer = nullptr;
                                            DeleteCurrentPlayer();
                                            RefreshProfileButtons();
                                            SetRecommendedByName("", 0);
                                          }});
    }
  }
}

}  // namespace tv
