#include "app/AppGame.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/AppInput.h"
#include "app/AppLanguage.h"
#include "app/AppLiveReload.h"
#include "app/AppMain.h"
#include "app/AppWindow.h"
#include "base/AppProcess.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiCursors.h"
#include "game/gui/GameGuiFocusRing.h"
#include "game/gui/GameGuiFormSplash.h"
#include "game/gui/GameGuiHints.h"
#include "game/gui/GameGuiHooks.h"
#include "game/gui/GameGuiScreens.h"
#include "game/gui/GameGuiTransitions.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

// A float as a whole number of units, held within 32 bits.
int32_t WholeUnits(float V) {
  if (!(V > -2147483648.0f)) return INT32_MIN;
  if (V >= 2147483647.0f) return INT32_MAX;
  return static_cast<int32_t>(std::lround(V));
}

// A text of two bytes that the text layout draws as icon N of the icon texture.
std::string Icon(int N) { return std::string{'\x01', static_cast<char>(N)}; }

struct TGameState {
  bool Created = false;
  bool Prepared = false;
  size_t PreloadNext = 0;  // the next entry of the sounds, then the textures, to load
  bool Preloading = false;
  bool SplashAvailable = false;
  std::function<void()> TestRegister;
  std::function<void()> TestOpenFirst;
};
TGameState Game;

constexpr float HintDelay = 0.75f;
constexpr float HintFade = 0.25f;
const TVector3 Black{0, 0, 0};

}  // namespace

void CreateGame() {
  Game.Prepared = false;
  Game.Preloading = false;
  // Test hook: TOLVAREN_SAVE_PAUSE_MS=N makes every save pause N ms twice while under way, so that
  // a soak test can kill the program in the middle of a save.
  if (const char* pause = std::getenv("TOLVAREN_SAVE_PAUSE_MS"))
    SetSavePause(static_cast<uint32_t>(std::strtoul(pause, nullptr, 10)));
  CreatePool();
  CreateScenario();
  LoadPlayers();
  Game.Created = true;
}

namespace {

// Milliseconds of preloading a frame may spend (the first item of a frame is always loaded).
constexpr double PreloadBudgetMs = 6;

// Loads the next preload entry; false when none is left.
bool PreloadOne() {
  const std::vector<std::string>& sounds = PreloadSounds();
  const std::vector<std::string>& textures = PreloadTextures();
  const size_t i = Game.PreloadNext++;
  if (i < sounds.size()) {
    if (GroupEnabled(SoundGroupEffects)) GetSample(sounds[i], 1.0f);
    return true;
  }
  if (i < sounds.size() + textures.size()) {
    if (TextureCache() != nullptr) LoadTexture(textures[i - sounds.size()]);
    return true;
  }
  Game.Preloading = false;
  return false;
}

void ContinuePreload() {
  if (!Game.Preloading) return;
  const auto start = std::chrono::steady_clock::now();
  while (PreloadOne()) {
    if (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() >=
        PreloadBudgetMs) {
      break;
    }
  }
}

}  // namespace

void UpdateGame() {
  if (Game.Created) CaptureCurrentSettings();
  ContinuePreload();
  if (Game.Created) UpdateLiveReload();
}

bool PreloadPending() { return Game.Preloading; }

namespace {
// A save that fails is an error of the run: its message goes to the log and the report (once,
// however often the save is tried), and the files on the disk stay as the last good save left
// them.
void ReportFailedSave(const std::string& Why) {
  if (GetErrorCode() == 0) SetErrorCode(1);
  for (const std::string& line : GetLogMessages()) {
    if (line == Why) return;
  }
  AddLogMessage(Why);
}
}  // namespace

void SaveGameBeforeShutdown() {
  if (!Game.Created) return;
  try {
    SavePlayers();
  } catch (const EError& e) {
    ReportFailedSave(e.what());
  }
}

void DestroyGame() {
  // No callback handed to the screens may outlive the model objects it captures.
  StopLiveReload();
  DropGuiCallbacks();
  // The players go first: freeing them saves what changed since SaveGameBeforeShutdown. A save
  // that fails is reported, and the rest of the model is still taken down.
  try {
    FreePlayers();
  } catch (const EError& e) {
    ReportFailedSave(e.what());
    FreePlayersWithoutSaving();
  }
  SetSavePause(0);
  DestroyScenario();
  DestroyPool();
  Game.Created = false;
  Game.Prepared = false;
  Game.Preloading = false;
}

void InstallScreenHooks() {
  TGameGuiHooks hooks;
  hooks.BeginTextInput = &BeginTextInput;
  hooks.EnableTextInput = &EnableTextInput;
  hooks.TextInputActive = &TextInputActive;
  hooks.EndTextInput = &EndTextInput;
  hooks.GetTextInput = &GetTextInput;
  hooks.GetTextInputCursor = &GetTextInputCursor;
  hooks.StoreTextInput = &StoreTextInput;
  hooks.HasStoredText = &HasStoredText;
  hooks.InsertStoredText = &InsertStoredText;
  hooks.ClearTextInput = &ClearTextInput;
  hooks.TextInputKey = &TextInputKey;
  hooks.IsFullScreen = &IsFullScreen;
  hooks.SetFullScreen = &SetFullScreen;
  hooks.Languages = &AvailableLanguages;
  hooks.CurrentLanguage = &CurrentLanguage;
  hooks.SetLanguage = &SwitchLanguage;
  hooks.ClickPressed = [] { return KeyPressed(KeyClick); };
  hooks.MousePosition = &MousePosition;
  SetGameGuiHooks(hooks);
}

void ClearScreenHooks() { SetGameGuiHooks({}); }

void RegisterScreens() {
  const bool debug = IsDebugMode();
  RegisterCursor(std::make_unique<TGuiCursorCustom>(gui::CursorCustom));
  if (debug) RegisterCursor(std::make_unique<TGuiCursor>(gui::CursorDefault));
  RegisterHint(std::make_unique<TGuiHintCustom>(gui::HintStyleCustom, HintDelay, HintFade, HintFade));
  if (debug) RegisterHint(std::make_unique<TGuiHintDefault>(gui::HintStyleDefault, HintDelay, 0.0f, 0.0f));
  SetFocusRing(std::make_unique<TGuiFocusRingCustom>());

  for (const TGameDialogRow& row : GameDialogRows()) {
    if (!row.DebugOnly || debug) RegisterDialog(row.Make(row.Name));
  }

  RegisterTransition(std::make_unique<TGuiTransitionCover>(gui::TransitionSplash, 0.75f, 0.75f, Black, ""));
  RegisterTransition(std::make_unique<TGuiTransitionCover>(gui::TransitionFade, 0.3f, 0.3f, Black, ""));
  RegisterTransition(std::make_unique<TGuiTransitionCover>(gui::TransitionFadeBeginning, 1.5f, 0.3f, Black, ""));
  RegisterTransition(
      std::make_unique<TGuiTransitionCover>(gui::TransitionFadeEnding, 2.0f, 4.0f, Black, "LabelTheEnd"));

  // The splash form reads the branding folder when it is registered; it prepares the game itself.
  auto* splash = static_cast<TGuiFormSplash*>(
      RegisterForm(std::make_unique<TGuiFormSplash>(gui::FormSplash, gui::CursorCustom, gui::HintStyleCustom)));
  if (splash != nullptr) splash->PrepareGame = [] { PrepareGame(true); };
  Game.SplashAvailable = splash != nullptr && splash->Pictures.GetCount() > 0;
  for (const TGameFormRow& row : GameFormRows()) RegisterForm(row.Make(row.Name));
  if (Game.TestRegister) Game.TestRegister();
}

void OpenFirstScreen() {
  if (Game.TestOpenFirst) {
    Game.TestOpenFirst();
    return;
  }
  if (Game.SplashAvailable) {
    SwitchForm(gui::FormSplash, gui::TransitionSplash, nullptr);
    return;
  }
  PrepareGame();
  TPlayer* player = CurrentPlayer();
  if (player != nullptr && !player->Name.empty()) {
    SwitchForm(gui::FormMenu, gui::TransitionSplash, nullptr);
  } else {
    AskForName(player);
  }
}

const std::vector<std::string>& PreloadSounds() {
  static const std::vector<std::string> names = {"G8Key",      "G8ButtonFocus", "G8ButtonClick",
                                                 "G8MapClose", "G8MapOpen",     "G8Reveal",
                                                 "G8Reward",   "G8RewardPop",   "G8SceneDialogOpen"};
  return names;
}

const std::vector<std::string>& PreloadTextures() {
  static const std::vector<std::string> names = {
      "T2FontCustom",    "T2IconsCustom", "G2Particles",   "G2Border580x280", "G2Border1600x900", "G2BackgroundForm",
      "G2BackgroundMap", "G2Mask",        "G2Arrows",      "G2Button60x60",   "G2Button200x60",   "G2LogoBack",
      "G2LogoLabel",     "G2Props",       "G2SiteFocusor", "G2SiteIcons",     "G2Square09Filled", "G2Square28Border"};
  return names;
}

void PrepareGame(bool SpreadPreload) {
  if (Game.Prepared) return;
  Game.Prepared = true;
  LoadScenario();
  Rebuild();
  Game.PreloadNext = 0;
  Game.Preloading = true;
  if (!SpreadPreload) {
    while (PreloadOne()) {
    }
  }
}

bool GamePrepared() { return Game.Prepared; }

void SetSplashAvailable(bool Value) { Game.SplashAvailable = Value; }
bool SplashAvailable() { return Game.SplashAvailable; }

bool MayHaveSegments(const std::string& Name) {
  if (Name.size() < 2) return false;
  if (Name[0] != 'K') return true;
  return !(Name[1] >= '2' && Name[1] <= '6');
}

std::string AlternativeSegmentsName(const std::string& Name) {
  if (Name.size() >= 2 && Name[0] == 'K' && (Name[1] == '0' || Name[1] == '1')) return "K0";
  for (const char* prefix : {"G2Square06", "G2Square09"}) {
    const std::string_view p(prefix);
    if (Name.size() > p.size() && Name.compare(0, p.size(), p) == 0) return std::string(p);
  }
  return Name;
}

void SetTestScreens(std::function<void()> Register, std::function<void()> OpenFirst) {
  Game.TestRegister = std::move(Register);
  Game.TestOpenFirst = std::move(OpenFirst);
}

void RegisterDefaultTexts() {
  AddText("Copyright", Utf8ToNarrow("Copyright \u00A9 Quillmark. All rights reserved."));
  AddText("IconAchievements", Icon(4));
  AddText("IconAbout", Icon(5));
  AddText("IconVolumeDown", Icon(1));
  AddText("IconVolumeUp", Icon(2));
  AddText("IconInventory", Icon(9));
  AddText("IconCancel", Icon(10));
  AddText("IconAccept", Icon(11));
  AddText("IconBarter", Icon(12));
  AddText("IconExit", Icon(13));
  AddText("IconHint", Icon(14));
  AddText("IconMap", Icon(15));
  if (IsDebugMode()) AddText("LabelDebug", "DEBUG");
}

namespace {

// Changes one of the pool's loaders and keeps the others.
template <class F>
void ChangePoolLoaders(F Change) {
  TPoolLoaders loaders = GetPoolLoaders();
  Change(loaders);
  SetPoolLoaders(std::move(loaders));
}

// The size of a picture or an effect area in whole units, as the pool keeps it.
template <class Facts>
void SetWholeSize(Facts& Out, TVector Size) {
  Out.Width = WholeUnits(Size.X);
  Out.Height = WholeUnits(Size.Y);
}

}  // namespace

void InstallPoolTextureLoader() {
  // An animated texture shows the frame of the phase through the sprites that draw it; the pool
  // keeps the phase.
  ChangePoolLoaders([](TPoolLoaders& Loaders) {
    Loaders.LoadTexture = [](const std::string& Name) {
      TTextureFacts facts;
      facts.Texture = LoadTexture(Name);
      if (facts.Texture != nullptr) {
        facts.FrameCount = facts.Texture->FrameCount();
        const float rate = facts.Texture->FrameRate();
        facts.AnimationLength = rate > 0 ? static_cast<float>(facts.FrameCount) / rate : 0;
        SetWholeSize(facts, SegmentSize(facts.Texture, 0));
      }
      return facts;
    };
  });
}

void RemovePoolTextureLoader() {
  ChangePoolLoaders([](TPoolLoaders& Loaders) { Loaders.LoadTexture = nullptr; });
}

void InstallPoolEffectLoader() {
  ChangePoolLoaders([](TPoolLoaders& Loaders) {
    Loaders.LoadEffect = [](const std::string& Name) {
      TEffectFacts facts;
      facts.Effect = GetEffect(Name);
      if (facts.Effect != nullptr) SetWholeSize(facts, facts.Effect->Area);
      return facts;
    };
  });
}

void RemovePoolEffectLoader() {
  ChangePoolLoaders([](TPoolLoaders& Loaders) { Loaders.LoadEffect = nullptr; });
}

void InstallEngineHooks() {
  SetDefaultTextsHook(RegisterDefaultTexts);
  TDisplayHooks hooks;
  hooks.ClientSize = [](int32_t& Width, int32_t& Height) { GetDrawableSize(Width, Height); };
  hooks.IsFullScreen = [] { return IsFullScreen(); };
  hooks.SetFullScreen = [](bool Value) { SetFullScreen(Value); };
  hooks.SetCaption = [](const std::u16string& Text) { SetWindowCaption(Text); };
  hooks.ScreenCanvasSize = [](TVector Size) { SetScreenCanvasSize(Size); };
  SetDisplayHooks(std::move(hooks));
}

void ClearEngineHooks() {
  SetDefaultTextsHook(nullptr);
  SetDisplayHooks({});
}

}  // namespace tv
