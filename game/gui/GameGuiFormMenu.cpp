#include "game/gui/GameGuiFormMenu.h"

#include <algorithm>
#include <string>

#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "engine/EngineAudio.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControlMap.h"
#include "game/gui/GameGuiControls.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

constexpr int32_t LabelFont = FontStyles::Label;
constexpr float HalfWidth = 800;
constexpr float HalfHeight = 450;
constexpr float FrameMargin = 40;  // keeps plates and icons clear of the screen frame
constexpr float PlatePadding = 24;
constexpr float LineHeight = 44;
constexpr float ButtonWidth = 300;
constexpr float ButtonHeight = 60;
constexpr float ButtonStep = 72;
constexpr float IconSize = 60;
constexpr float WelcomeMaxWidth = 700;
constexpr float LogoY = -165;           // the logo's bottom stays above the buttons' plate
constexpr int32_t BlendOneOverlay = 4;  // shading mode: the second texture over the first

// A plate with the framed border over it, both of the current Place.
void AddFramedPlate(TGuiForm& Form, int32_t Layer) {
  Form.AddControl<TGuiControlPlate>(Layer);
  Form.AddControl<TGuiControlBorder>(Layer + 1, PropTexture, "G2Square28Border");
}

bool EventsEmpty() {
  TPlayer* player = CurrentPlayer();
  return player == nullptr || player->Events == nullptr || player->Events->GetCount() == 0;
}

void StartPlaying(const char* Transition, TGuiCallback Callback) {
  SetMusic("");
  SwitchForm(gui::FormPlay, Transition, std::move(Callback));
}

}  // namespace

void QuitFromMenu() {
  if (DataFileExists(TFolderKind::Program, "Homepage", TExtKind::Url)) {
    SetOpenAtExit(DataFilePath(TFolderKind::Program, "Homepage", TExtKind::Url));
  }
  Terminate();
}

void TGuiFormMenu::LayOutWelcome() {
  TPlayer* player = CurrentPlayer();
  const std::string welcome = GetText("LabelWelcome") + " " + (player != nullptr ? player->Name : std::string());
  TVector welcomeSize;
  TVector linkSize;
  int32_t lines = 0;
  MeasureText(welcome, LabelFont, WelcomeMaxWidth, welcomeSize, lines);
  MeasureText(GetText("LabelWrongProfile"), LabelFont, WelcomeMaxWidth, linkSize, lines);
  const float textWidth = std::max({welcomeSize.X, linkSize.X, 120.0f});
  const float plateWidth = textWidth + 2 * PlatePadding;
  const float plateHeight = 2 * LineHeight + 2 * PlatePadding - 8;
  const float plateX = -HalfWidth + FrameMargin + plateWidth / 2;
  const float plateY = -HalfHeight + FrameMargin + plateHeight / 2;
  for (const char* name : {"WelcomePlate", "WelcomeBorder"}) {
    if (TGuiControl* c = FindControl(name)) {
      c->SetOffset({plateX, plateY});
      c->SetSize({plateWidth, plateHeight});
    }
  }
  if (TGuiControl* c = FindControl("Welcome")) {
    c->SetOffset({plateX, plateY - LineHeight / 2});
    c->SetSize({textWidth + 8, LineHeight});
    c->SetText(welcome);
  }
  if (TGuiControl* c = FindControl("Profiles")) {
    c->SetOffset({plateX, plateY + LineHeight / 2});
    c->SetSize({linkSize.X + 8, LineHeight});
  }
}

// A new language: the welcome line is a key's text joined with the player's name, and the plate
// fits the new texts.
void TGuiFormMenu::OnRelocalize() { LayOutWelcome(); }

void TGuiFormMenu::OnShow() {
  TRegion* region = MenuRegion();
  if (region != nullptr) region->Preload();

  Place(PlaceWidth, 2 * HalfWidth - FrameMargin, PlaceHeight, 2 * HalfHeight - FrameMargin);
  auto* map = AddControl<TGuiControlMap>(-100, PropName, "Map");
  map->SetRegion(region);
  map->RevealAll();
  Place(PlaceRestore, 0);
  AddControl<TGuiControlPicture>(990, PropTexture, "G2Border1600x900");

  // The welcome plate in the top left corner, as wide as the longer of its two lines.
  AddControl<TGuiControlPlate>(100, PropName, "WelcomePlate");
  AddControl<TGuiControlBorder>(101, PropName, "WelcomeBorder", PropTexture, "G2Square28Border");
  AddControl<TGuiControlLabel>(110, PropName, "Welcome", PropFont, LabelFont);
  AddControl<TGuiControlButtonLink>(110, PropName, "Profiles", PropTextKey, "LabelWrongProfile", PropFont, LabelFont);
  LayOutWelcome();

  // The logo with the shine sweeping over it.
  Place(PlaceSetX, 0, PlaceSetY, LogoY, PlaceWidth, 640, PlaceHeight, 240);
  AddControl<TGuiControlPicture>(200, PropName, "Logo", PropTexture, "G2LogoBack", PropOverlayTexture, "G2LogoLabel",
                                 PropShadingMode, BlendOneOverlay);
  AddControl<TGuiControlEffect>(210, PropName, "LogoShine", PropEmitter, "G2LogoShine");

  if (IsDebugMode()) {
    TVector debugSize;
    int32_t lines = 0;
    MeasureText(GetText("LabelDebug"), LabelFont, 0, debugSize, lines);
    const float w = debugSize.X + 2 * PlatePadding;
    Place(PlaceSetX, HalfWidth - FrameMargin - w / 2, PlaceSetY, -HalfHeight + FrameMargin + 30, PlaceWidth, w,
          PlaceHeight, 60);
    AddFramedPlate(*this, 100);
    AddControl<TGuiControlLabel>(110, PropName, "LabelDebug", PropTextKey, "LabelDebug", PropFont, LabelFont);
  }

  // The menu buttons, one below the other, on their plate.
  const char* const buttons[][2] = {
      {"Play", "ButtonPlay"}, {"NewGame", "ButtonNewGame"}, {"Options", "ButtonOptions"}, {"Quit", "ButtonQuit"}};
  constexpr float ButtonsTop = 20;
  const float plateH = 3 * ButtonStep + ButtonHeight + 2 * PlatePadding + 8;
  Place(PlaceSetX, 0, PlaceSetY, ButtonsTop + 1.5f * ButtonStep, PlaceWidth, ButtonWidth + 2 * PlatePadding + 16,
        PlaceHeight, plateH);
  AddFramedPlate(*this, 100);
  float y = ButtonsTop;
  for (const auto& b : buttons) {
    Place(PlaceSetX, 0, PlaceSetY, y, PlaceWidth, ButtonWidth, PlaceHeight, ButtonHeight);
    AddControl<TGuiControlButtonCustom>(110, PropName, b[0], PropTextKey, b[1]);
    y += ButtonStep;
  }

  // The two icons in the bottom corners.
  const float iconX = HalfWidth - FrameMargin - IconSize / 2;
  const float iconY = HalfHeight - FrameMargin - IconSize / 2;
  Place(PlaceSetX, -iconX, PlaceSetY, iconY, PlaceWidth, IconSize, PlaceHeight, IconSize);
  AddControl<TGuiControlButtonCustom>(110, PropName, "Achievements", PropFont, FontStyles::Title, PropTextKey,
                                      "IconAchievements", PropHintTextKey, "HintAchievements");
  Place(PlaceSetX, iconX);
  AddControl<TGuiControlButtonCustom>(110, PropName, "About", PropFont, FontStyles::Title, PropTextKey, "IconAbout",
                                      PropHintTextKey, "HintAbout");

  Place(PlaceRestore, 0);
  AddControl<TGuiControlRecommendedArrow>(1000, PropName, "Arrow");
  SetRecommendedByName("Play", 0);

  SetMusic("");
  SetMusic(MenuMusic);
}

void TGuiFormMenu::OnClick() {
  if (Sender == nullptr) return;
  const std::string& name = Sender->Name;
  if (name == "Play") {
    StartPlaying(EventsEmpty() ? gui::TransitionFadeBeginning : gui::TransitionFade, nullptr);
  } else if (name == "NewGame") {
    if (EventsEmpty()) {
      StartPlaying(gui::TransitionFadeBeginning, nullptr);
    } else {
      ShowDialog(gui::DialogQueryCustom, {.MessageKey = "QueryNewGame", .OnDone = [] {
                                            StartPlaying(gui::TransitionFadeBeginning, [] { NewGame(); });
                                          }});
    }
  } else if (name == "Options") {
    ShowDialog(gui::DialogOptions);
  } else if (name == "Achievements") {
    ShowDialog(gui::DialogAchievements);
  } else if (name == "About") {
    ShowDialog(gui::DialogAbout);
  } else if (name == "Quit") {
    ShowDialog(gui::DialogQueryCustom, {.MessageKey = "QueryQuitGame", .OnDone = [] { QuitFromMenu(); }});
  } else if (name == "Profiles") {
    SwitchForm(gui::FormProfiles, gui::TransitionFade, nullptr);
  }
}

}  // namespace tv
