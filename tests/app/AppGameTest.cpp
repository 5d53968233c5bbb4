#include <gtest/gtest.h>

#include <memory>

#include "game/GameScreenNames.h"
#include "app/AppGame.h"
#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiHints.h"
#include "game/gui/GameGuiTransitions.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TScopedEnv;
using test::TTempDir;

// Effectors and effect figures of the asset pool load through the particle module.
TEST(AppGamePool, EffectAssetsLoadTheirEffectAndFiguresTakeItsArea) {
  TTempDir dir;
  TScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
  test::MakeDirs(dir / "Ordinary");
  TEffectFile file = PlaceholderEffectFile();
  file.Area = {300.4f, 199.6f};
  test::WriteFile(dir / "Ordinary/F7Glow.emt", WriteEffectFile(file));
  InitFoldersFrom(dir / "tolvaren");
  EffectsStartup();
  CreatePool();

  // Another module's loader stays in place.
  TTexture* const fakeTexture = reinterpret_cast<TTexture*>(&file);
  TPoolLoaders others;
  others.LoadTexture = [fakeTexture](const std::string&) {
    TTextureFacts facts;
    facts.Texture = fakeTexture;
    facts.Width = 7;
    return facts;
  };
  SetPoolLoaders(others);
  InstallPoolEffectLoader();

  auto* glow = static_cast<TFigure*>(Figures()->Insert(std::make_unique<TFigure>("F7Glow").release(), true));
  auto* tree = static_cast<TFigure*>(Figures()->Insert(std::make_unique<TFigure>("F2Tree").release(), true));
  auto* spark = static_cast<TEffector*>(Effectors()->Insert(std::make_unique<TEffector>("E1Spark").release(), true));
  glow->Load();
  tree->Load();
  spark->Load();
  EXPECT_TRUE(glow->Loaded);
  EXPECT_TRUE(glow->IsEffect);
  EXPECT_EQ(glow->Effect, GetEffect("F7Glow"));
  EXPECT_EQ(glow->Width, 300);
  EXPECT_EQ(glow->Height, 200);
  EXPECT_FALSE(tree->IsEffect);
  EXPECT_EQ(tree->Texture, fakeTexture);
  EXPECT_EQ(tree->Width, 7);
  // A missing effect file: the placeholder, found again by name.
  ASSERT_NE(spark->Effect, nullptr);
  EXPECT_EQ(spark->Effect, GetEffect("E1Spark"));
  EXPECT_FLOAT_EQ(spark->Effect->Area.X, 128);
  EXPECT_EQ(GetLogMessages().back(), "Failed to create emiter \"E1Spark\" (Missing file)");

  // Without the particle module an asset still loads, with nothing attached.
  EffectsShutdown();
  auto* late = static_cast<TEffector*>(Effectors()->Insert(std::make_unique<TEffector>("E1Late").release(), true));
  late->Load();
  EXPECT_TRUE(late->Loaded);
  EXPECT_EQ(late->Effect, nullptr);

  SetPoolLoaders({});
  DestroyPool();
  DoneFolders();
}

TEST(AppGameSegments, NamesThatMayHaveSegmentFilesAndTheNamesTheyShare) {
  for (const char* name : {"K0Grass", "K7", "K1", "G2Props", "KK", "T2FontCustom"})
    EXPECT_TRUE(MayHaveSegments(name)) << name;
  for (const char* name : {"", "K", "G", "K3Road", "K2", "K6x"}) EXPECT_FALSE(MayHaveSegments(name)) << name;

  test::ExpectEach(AlternativeSegmentsName, {{"K1Water", "K0"},
                                             {"K0", "K0"},
                                             {"K2Water", "K2Water"},
                                             {"G2Square06Filled", "G2Square06"},
                                             {"G2Square09Outline", "G2Square09"},
                                             // The prefix must be shorter than the name.
                                             {"G2Square09", "G2Square09"},
                                             {"G2Square28Border", "G2Square28Border"},
                                             {"G2Props", "G2Props"}});
}

std::vector<std::string> NamesIn(TContainer* Registry) {
  std::vector<std::string> names;
  for (TItem* item = Registry != nullptr ? Registry->First() : nullptr; item != nullptr; item = item->GetNext()) {
    names.push_back(static_cast<TNamedItem*>(item)->Name);
  }
  return names;
}

class AppGameRegistry : public ::testing::Test {
 protected:
  void Register(bool Debug) {
    GuiShutdown();
    SetDebugMode(Debug);
    GuiStartup();
    RegisterScreens();
  }
  void TearDown() override {
    GuiShutdown();
    SetDebugMode(false);
  }
};

TEST_F(AppGameRegistry, DebugOnlyScreensExistOnlyInDebugMode) {
  Register(false);
  EXPECT_NE(FindCursor(gui::CursorCustom), nullptr);
  EXPECT_NE(FindHint(gui::HintStyleCustom), nullptr);
  EXPECT_EQ(FindCursor(gui::CursorDefault), nullptr);
  EXPECT_EQ(FindHint(gui::HintStyleDefault), nullptr);
  EXPECT_EQ(FindDialog(gui::DialogShowAllProps), nullptr);
  EXPECT_EQ(FindDialog(gui::DialogInputLine), nullptr);
  // Asking for a screen that is not there does nothing.
  ShowDialog(gui::DialogShowAllProps);
  EXPECT_EQ(TopDialog(), nullptr);

  Register(true);
  ASSERT_NE(FindCursor(gui::CursorDefault), nullptr);
  auto* plain = FindHint(gui::HintStyleDefault);
  ASSERT_NE(plain, nullptr);
  EXPECT_FLOAT_EQ(plain->Delay, 0.75f);
  EXPECT_FLOAT_EQ(plain->FadeInTime, 0);
  EXPECT_FLOAT_EQ(plain->FadeOutTime, 0);
  EXPECT_NE(FindDialog(gui::DialogInputLine), nullptr);
  const TGuiDialog* props = FindDialog(gui::DialogShowAllProps);
  ASSERT_NE(props, nullptr);
  EXPECT_FLOAT_EQ(props->FadeInTime, 0);
  EXPECT_EQ(props->CursorName, "Default");
}

TEST_F(AppGameRegistry, ScreensAreRegisteredInOrderWithTheirTimings) {
  Register(false);
  const std::vector<std::string> dialogs = {
      gui::DialogMessageCustom, gui::DialogQueryCustom,  gui::DialogInputLineCustom,
      gui::DialogOptions,       gui::DialogLanguage,     gui::DialogAbout,
      gui::DialogAchievement,   gui::DialogAchievements, gui::DialogScene,
      gui::DialogInventory,     gui::DialogHint};
  EXPECT_EQ(NamesIn(GuiDialogs()), dialogs);
  for (const std::string& name : dialogs) {
    const TGuiDialog* dialog = FindDialog(name);
    EXPECT_FLOAT_EQ(dialog->FadeInTime, 0.3f) << name;
    EXPECT_FLOAT_EQ(dialog->FadeOutTime, 0.3f) << name;
    EXPECT_EQ(dialog->CursorName, "Custom") << name;
    EXPECT_EQ(dialog->HintName, "Custom") << name;
  }
  auto* hint = FindHint(gui::HintStyleCustom);
  EXPECT_FLOAT_EQ(hint->Delay, 0.75f);
  EXPECT_FLOAT_EQ(hint->FadeInTime, 0.25f);
  EXPECT_FLOAT_EQ(hint->FadeOutTime, 0.25f);

  struct TTiming {
    const char* Name;
    float Cover;
    float Uncover;
    const char* Caption;
  };
  for (const TTiming& t :
       {TTiming{gui::TransitionSplash, 0.75f, 0.75f, ""}, TTiming{gui::TransitionFade, 0.3f, 0.3f, ""},
        TTiming{gui::TransitionFadeBeginning, 0.3f, 1.5f, ""},
        TTiming{gui::TransitionFadeEnding, 4.0f, 2.0f, "LabelTheEnd"}}) {
    auto* cover = dynamic_cast<TGuiTransitionCover*>(FindTransition(t.Name));
    ASSERT_NE(cover, nullptr) << t.Name;
    EXPECT_FLOAT_EQ(cover->CoverTime, t.Cover) << t.Name;
    EXPECT_FLOAT_EQ(cover->UncoverTime, t.Uncover) << t.Name;
    EXPECT_EQ(cover->CaptionKey, t.Caption) << t.Name;
    EXPECT_TRUE(Vector3Equal(cover->Color, {0, 0, 0})) << t.Name;
  }
}

// The game model lives from CreateGame to DestroyGame; every frame the player takes over the
// engine's settings, and the save written at the end holds them.
TEST(AppGameModel, SettingsChangedDuringTheRunReachTheSave) {
  TTempDir dir;
  TScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
  test::MakeDirs(dir / "Ordinary");
  InitFoldersFrom(dir / "tolvaren");
  DestroyGame();  // safe before any CreateGame
  CreateGame();
  ASSERT_NE(CurrentPlayer(), nullptr);
  ASSERT_NE(Pictures(), nullptr);
  ASSERT_NE(Groups(), nullptr);
  SetGroupVolume(SoundGroupEffects, 3);
  UpdateGame();
  EXPECT_EQ(CurrentPlayer()->EffectsVolume, 3);
  EXPECT_TRUE(PlayersChanged());

  PrepareGame();
  EXPECT_TRUE(GamePrepared());
  EXPECT_TRUE(IsScenarioLoaded());
  EXPECT_FALSE(PreloadPending());
  PrepareGame();  // once per run

  DestroyGame();
  EXPECT_EQ(Pictures(), nullptr);
  EXPECT_FALSE(GamePrepared());
  const std::string save = test::ReadFile(dir / "data/Quillmark/Tolvaren/Save_qv.dat");
  const TSaveContents contents = ParseSaveFile(save, "save");
  ASSERT_EQ(contents.Players.size(), 1u);
  EXPECT_EQ(contents.Players[0]->EffectsVolume, 3);
  DestroyGame();

  // Prepared from the splash, the preload goes on over the following frames.
  CreateGame();
  PrepareGame(true);
  EXPECT_TRUE(IsScenarioLoaded());
  EXPECT_TRUE(PreloadPending());
  for (int frame = 0; frame < 100 && PreloadPending(); ++frame) UpdateGame();
  EXPECT_FALSE(PreloadPending());
  DestroyGame();

  // A save that fails at the end is an error of the run, logged once however often it is tried
  // (before shutdown, then when the players go), and the model still goes.
  CreateGame();
  SetGroupVolume(SoundGroupEffects, 4);
  UpdateGame();
  SetSaveFailureStep(1);
  const size_t logged = GetLogMessages().size();
  ASSERT_EQ(GetErrorCode(), 0);
  SaveGameBeforeShutdown();
  EXPECT_NO_THROW(DestroyGame());
  SetSaveFailureStep(0);
  EXPECT_EQ(GetLogMessages().size(), logged + 1);
  EXPECT_EQ(GetErrorCode(), 1);
  SetErrorCode(0);
  EXPECT_EQ(Pictures(), nullptr);
  EXPECT_EQ(CurrentPlayer(), nullptr);
  EXPECT_EQ(
      ParseSaveFile(test::ReadFile(dir / "data/Quillmark/Tolvaren/Save_qv.dat"), "save").Players[0]->EffectsVolume, 3);
  SetGroupVolume(SoundGroupEffects, 10);
  DoneFolders();
}

// The first screen: the splash when branding exists (the splash prepares the game itself), else
// the game is prepared at once and a player without a name is asked for one.
TEST(AppGameFirstScreen, SplashOrNamePromptOrMenu) {
  TTempDir dir;
  TScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
  test::MakeDirs(dir / "Ordinary");
  InitFoldersFrom(dir / "tolvaren");
  GuiStartup();
  RegisterScreens();
  CreateGame();

  SetSplashAvailable(true);
  OpenFirstScreen();
  EXPECT_FALSE(GamePrepared());
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_NE(RunningTransition(), nullptr);  // "Splash" runs towards the splash form
  SetSplashAvailable(false);

  // A fresh install: one player without a name.
  OpenFirstScreen();
  EXPECT_TRUE(GamePrepared());
  ASSERT_NE(TopDialog(), nullptr);
  EXPECT_EQ(TopDialog()->Name, "InputLineCustom");
  EXPECT_EQ(TopDialog()->MessageKey, "InputName");
  HideAllDialogs();

  CurrentPlayer()->SetName("Ada");
  OpenFirstScreen();
  EXPECT_EQ(TopDialog(), nullptr);
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_EQ(RunningTransition()->Name, "Splash");

  GuiShutdown();
  FreePlayersWithoutSaving();
  DestroyGame();
  DoneFolders();
}

}  // namespace
}  // namespace tv
