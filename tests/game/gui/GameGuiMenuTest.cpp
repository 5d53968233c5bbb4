// The splash, menu and profiles forms and the inventory, hint and achievement dialogs on the
// memory video device, driven frame by frame with a fixed time step.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "game/GameScreenNames.h"
#include "base/AppFolders.h"
#include "app/AppGame.h"
#include "base/AppTimer.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GameAchievement.h"
#include "game/GameAvatar.h"
#include "game/GameHint.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "authoring/GameScenarioSource.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogAchievements.h"
#include "game/gui/GameGuiDialogHint.h"
#include "game/gui/GameGuiDialogInventory.h"
#include "game/gui/GameGuiFormProfiles.h"
#include "game/gui/GameGuiFormSplash.h"
#include "platform/PlatformImage.h"
#include "support/ScreensTestSupport.h"
#include "support/VideoTestSupport.h"

namespace tv::test {
namespace {

// A small world: one region with one site, props of four kinds, and 40 achievements.
std::string MenuScenario() {
  std::string s = R"(
start-region Town
menu-region Town
legend {
  g G2T2Grass
}
prop Coin 1 Property initial 0 caption PropCoin
prop Knots 2 Skill initial 1 caption PropKnots
prop Gull 3 Companion initial 0 caption PropGull
prop Net 4 Item initial 2 caption PropNet
region Town 3 {
  site Quay 301 {
    at 0 0
    scene 3011 Floating reward {
      gain Coin 1
    }
  }
}
)";
  for (int i = 1; i <= 40; ++i) {
    s +=
        "achievement A" + std::to_string(i) + " " + std::to_string(8000 + i) + " target " + (i == 2 ? "3" : "1") + "\n";
  }
  return s;
}

class MenuScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    StartScreensModel();
    AddText("LabelWelcome", "Welcome back,");
    AddText("LabelWrongProfile", "Not you? Choose another traveller");
    AddText("LabelINeed", "I need");
    AddText("LabelIHave", "I have");
    AddText("LabelOf", "of");
    AddText("HintLegendH7001", "Look around.");
    InstallPoolTextureLoader();
    InstallPoolEffectLoader();
    StartGui();
  }
  void TearDown() override {
    StopScreensModel();
    TextTable().Clear();
    SetSplashAvailable(false);
  }
  void StartGui() {
    GuiStartup();
    RegisterScreens();
  }
  void Load() { LoadScenarioSource("menu", MenuScenario()); }
  // Presses a logical key for one frame and lets it go in the next.
  void Press(int32_t Key) {
    Input.Down[Key] = true;
    RunFrames(1);
    Input.WasDown[Key] = true;
    Input.Down[Key] = false;
    RunFrames(1);
    Input.WasDown[Key] = false;
  }
  TGuiForm* Show(const std::string& Name) {
    ShowForm(Name);
    RunFrames(2);
    TGuiForm* form = CurrentForm();
    EXPECT_NE(form, nullptr);
    return form;
  }
  TGuiDialog* Open(const std::string& Name, TItem* Data = nullptr) {
    ShowDialog(Name, Data);
    RunFrames(10);
    TGuiDialog* dialog = TopDialog();
    EXPECT_NE(dialog, nullptr);
    if (dialog != nullptr) {
      EXPECT_EQ(dialog->Name, Name);
    }
    return dialog;
  }
  static void Click(TGuiForm* Form, const std::string& Name) {
    ASSERT_NE(Form, nullptr);
    TGuiControl* control = Form->FindControl(Name);
    ASSERT_NE(control, nullptr) << Name;
    ASSERT_TRUE(control->Usable()) << Name;
    if (control->Toggle) control->SetDown(true);
    control->OnClick();
    Form->Sender = control;
    Form->OnClick();
  }
  static std::string TopName() { return TopDialog() != nullptr ? TopDialog()->Name : std::string(); }
  static std::string TopKey() { return TopDialog() != nullptr ? TopDialog()->MessageKey : std::string(); }
  // Runs frames until the running transition has ended.
  void FinishTransition() {
    for (int i = 0; i < 200 && RunningTransition() != nullptr; ++i) RunFrames(1);
  }
  static void Picture(const std::string& Path, int32_t Width, int32_t Height) {
    ASSERT_TRUE(WritePngRgba(Path, Width, Height, std::vector<uint8_t>(static_cast<size_t>(Width * Height * 4), 200)));
  }
  int32_t EventCount() { return CurrentPlayer()->Events->GetCount(); }
  static const TData& LastEvent() { return static_cast<TEvent*>(CurrentPlayer()->Events->Last())->Data; }

  TVideoTestEnv Env;
  TGuiInputFrame Input;
};

TEST_F(MenuScreens, RegistryHoldsEveryScreenInItsOrder) {
  std::vector<std::string> forms;
  for (TItem* f : *GuiForms()) forms.push_back(static_cast<TGuiForm*>(f)->Name);
  EXPECT_EQ(forms, (std::vector<std::string>{gui::FormSplash, gui::FormMenu, gui::FormProfiles, gui::FormPlay}));
  std::vector<std::string> dialogs;
  for (TItem* d : *GuiDialogs()) dialogs.push_back(static_cast<TGuiDialog*>(d)->Name);
  const std::vector<std::string> expected = {
      gui::DialogMessageCustom, gui::DialogQueryCustom, gui::DialogInputLineCustom, gui::DialogOptions,
      gui::DialogAbout,         gui::DialogAchievement, gui::DialogAchievements,    gui::DialogScene,
      gui::DialogInventory,     gui::DialogHint};
  EXPECT_EQ(dialogs, expected);  // "ShowAllProps" only in debug mode
  EXPECT_EQ(FindDialog(gui::DialogShowAllProps), nullptr);
}

// ---- Splash -----------------------------------------------------------------------------------

TEST_F(MenuScreens, WithoutBrandingPicturesThereIsNoSplash) {
  std::ofstream(Env.Branding("ReadMe.txt")) << "not a picture";
  GuiShutdown();
  StartGui();
  EXPECT_FALSE(SplashAvailable());
  EXPECT_EQ(static_cast<TGuiFormSplash*>(FindForm(gui::FormSplash))->Pictures.GetCount(), 0);
}

TEST_F(MenuScreens, SplashShowsEachPictureTwoSecondsAndASkipMovesOnAtOnce) {
  Picture(Env.Branding("B1Maker.png"), 8, 4);
  Picture(Env.Branding("B2Studio.png"), 4, 8);
  std::ofstream(Env.Branding("Notes.txt")) << "not a picture";
  GuiShutdown();
  StartGui();
  ASSERT_TRUE(SplashAvailable());
  auto* splash = static_cast<TGuiFormSplash*>(FindForm(gui::FormSplash));
  ASSERT_EQ(splash->Pictures.GetCount(), 2);
  SetGuiInputOverride(&Input);
  OpenFirstScreen();
  FinishTransition();
  RunFrames(1);
  ASSERT_EQ(CurrentForm(), splash);
  EXPECT_TRUE(splash->LoadStarted);
  EXPECT_TRUE(GamePrepared());
  EXPECT_EQ(splash->CurrentPicture(), "B1Maker");
  // A picture wider than the screen fills its width.
  ASSERT_NE(splash->PictureSprite, nullptr);
  EXPECT_FLOAT_EQ(splash->PictureSprite->Size.X, 1600);
  EXPECT_FLOAT_EQ(splash->PictureSprite->Size.Y, 800);

  RunFrames(10);  // half a second: still the first picture
  EXPECT_EQ(RunningTransition(), nullptr);
  Press(GuiKeyCancel);
  EXPECT_EQ(PendingForm(), splash);
  FinishTransition();
  RunFrames(1);
  EXPECT_EQ(splash->CurrentPicture(), "B2Studio");
  EXPECT_FLOAT_EQ(splash->PictureSprite->Size.Y, 900);  // taller than the screen: full height

  // Not skipped, the last picture goes after two seconds, to the menu for a player with a name.
  RunFrames(38);
  EXPECT_EQ(RunningTransition(), nullptr);
  RunFrames(3);
  EXPECT_EQ(PendingForm(), FindForm(gui::FormMenu));
}

TEST_F(MenuScreens, SplashAsksANamelessPlayerForANameAndThatLeadsToTheMenu) {
  Picture(Env.Branding("B1Maker.png"), 8, 4);
  FreePlayersWithoutSaving();
  AddPlayer("");
  GuiShutdown();
  StartGui();
  SetGuiInputOverride(&Input);
  OpenFirstScreen();
  FinishTransition();
  Press(GuiKeyClick);
  FinishTransition();
  EXPECT_EQ(CurrentForm(), nullptr);
  RunFrames(10);
  ASSERT_EQ(TopName(), gui::DialogInputLineCustom);
  EXPECT_EQ(TopKey(), "InputName");
  ASSERT_TRUE(TopDialog()->OnText);
  TopDialog()->OnText("Ada");
  EXPECT_EQ(CurrentPlayer()->Name, "Ada");
  EXPECT_EQ(PendingForm(), FindForm(gui::FormMenu));
}

// ---- Menu -------------------------------------------------------------------------------------

TEST_F(MenuScreens, MenuGreetsThePlayerOnAPlateWideEnoughForBothLines) {
  Load();
  TGuiForm* menu = Show(gui::FormMenu);
  TGuiControl* welcome = menu->FindControl("Welcome");
  TGuiControl* link = menu->FindControl("Profiles");
  ASSERT_NE(welcome, nullptr);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(welcome->Text, "Welcome back, Tester");
  EXPECT_EQ(link->Text, "Not you? Choose another traveller");
  TVector size;
  int32_t lines = 0;
  MeasureText(link->Text, link->ParamF, 0, size, lines);
  EXPECT_GE(welcome->Size.X, size.X);  // the longer line sets the plate's width
  EXPECT_GE(link->Size.X, size.X);
  EXPECT_EQ(menu->RecommendedControl, menu->FindControl("Play"));
  for (const char* name : {"Play", "NewGame", "Options", "Quit", "Achievements", "About", "Map", "Logo"}) {
    EXPECT_NE(menu->FindControl(name), nullptr) << name;
  }
  EXPECT_EQ(menu->FindControl("LabelDebug"), nullptr);
}

TEST_F(MenuScreens, NewGameAsksOnlyWhenThereIsAGameToLose) {
  Load();
  TGuiForm* menu = Show(gui::FormMenu);
  ASSERT_EQ(EventCount(), 0);
  Click(menu, "NewGame");
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFadeBeginning));
  EXPECT_EQ(PendingForm(), FindForm(gui::FormPlay));
  FinishTransition();

  Avatar()->PlaceInSite(FindSite(3, 301), true);
  const int32_t events = EventCount();
  ASSERT_GT(events, 0);
  menu = Show(gui::FormMenu);
  Click(menu, "Play");  // a game in progress continues behind the short fade
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFade));
  FinishTransition();
  EXPECT_EQ(EventCount(), events);

  menu = Show(gui::FormMenu);
  Click(menu, "NewGame");
  RunFrames(10);
  ASSERT_EQ(TopName(), gui::DialogQueryCustom);
  EXPECT_EQ(TopKey(), "QueryNewGame");
  EXPECT_EQ(EventCount(), events);  // nothing lost until confirmed
  TopDialog()->OnDone();
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFadeBeginning));
  FinishTransition();
  EXPECT_EQ(CurrentForm(), FindForm(gui::FormPlay));
  EXPECT_EQ(EventCount(), 0);
}

TEST_F(MenuScreens, MenuButtonsOpenTheirDialogsAndTheLinkTheProfiles) {
  Load();
  TGuiForm* menu = Show(gui::FormMenu);
  Click(menu, "Quit");
  RunFrames(10);
  EXPECT_EQ(TopName(), gui::DialogQueryCustom);
  EXPECT_EQ(TopKey(), "QueryQuitGame");
  HideAllDialogs();
  Click(menu, "Achievements");
  RunFrames(10);
  EXPECT_EQ(TopName(), gui::DialogAchievements);
  HideAllDialogs();
  Click(menu, "Profiles");
  EXPECT_EQ(PendingForm(), FindForm(gui::FormProfiles));
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFade));
}

// ---- Profiles ---------------------------------------------------------------------------------

TEST_F(MenuScreens, ProfileButtonsShowTheProfilesAndHoldTheCurrentOneDown) {
  Load();
  AddPlayer("Bo");
  AddPlayer("Cy");
  SelectPlayer(2);
  TGuiForm* form = Show(gui::FormProfiles);
  for (int i = 1; i <= 6; ++i) {
    TGuiControl* b = form->FindControl(std::to_string(i));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Visible, i <= 3) << i;
    EXPECT_EQ(b->Down, i == 2) << i;
  }
  EXPECT_EQ(form->FindControl("1")->Text, "Tester");
  EXPECT_EQ(form->RecommendedControl, nullptr);
  EXPECT_EQ(form->KeyControls[KeySlotCancel], form->FindControl("OK"));
  EXPECT_EQ(form->KeyControls[KeySlotConfirm], form->FindControl("OK"));

  Click(form, "3");
  EXPECT_EQ(CurrentPlayer()->Name, "Cy");
  EXPECT_FALSE(form->FindControl("2")->Down);
  EXPECT_EQ(form->RecommendedControl, form->FindControl("OK"));
  Click(form, "OK");
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_TRUE(RunningTransition()->Callback);  // another player: the world is rebuilt
  FinishTransition();

  form = Show(gui::FormProfiles);
  Click(form, "OK");
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_FALSE(RunningTransition()->Callback);  // the same player: nothing to rebuild
}

TEST_F(MenuScreens, ASeventhProfileAndDeletingTheOnlyOneAreRefused) {
  Load();
  TGuiForm* form = Show(gui::FormProfiles);
  EXPECT_EQ(form->RecommendedControl, form->FindControl("New"));
  Click(form, "Delete");
  RunFrames(10);
  EXPECT_EQ(TopName(), gui::DialogMessageCustom);
  EXPECT_EQ(TopKey(), "MsgCantDeleteProfile");
  HideAllDialogs();
  EXPECT_EQ(PlayerCount(), 1);

  for (const char* name : {"B", "C", "D", "E", "F"}) AddPlayer(name);
  form = Show(gui::FormProfiles);
  Click(form, "New");
  RunFrames(10);
  EXPECT_EQ(TopName(), gui::DialogMessageCustom);
  EXPECT_EQ(TopKey(), "MsgTooManyProfiles");
  HideAllDialogs();

  Click(form, "Delete");
  RunFrames(10);
  ASSERT_EQ(TopKey(), "QueryDeleteProfile");
  EXPECT_EQ(PlayerCount(), 6);
  TopDialog()->OnDone();
  EXPECT_EQ(PlayerCount(), 5);
  EXPECT_FALSE(form->FindControl("6")->Visible);
  EXPECT_TRUE(form->FindControl("1")->Down);
}

TEST_F(MenuScreens, DeletingTheStartingProfileRebuildsOnOK) {
  Load();
  AddPlayer("Bo");  // current
  TGuiForm* form = Show(gui::FormProfiles);
  Click(form, "Delete");
  RunFrames(10);
  TopDialog()->OnDone();
  HideAllDialogs();
  Click(form, "New");
  RunFrames(10);
  TopDialog()->OnText("Cy");  // may take the place of the deleted one
  HideAllDialogs();
  Click(form, "OK");
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_TRUE(RunningTransition()->Callback);
}

TEST_F(MenuScreens, ATakenNameIsReportedAndTheNameAskedForAgain) {
  Load();
  auto* form = static_cast<TGuiFormProfiles*>(Show(gui::FormProfiles));
  Click(form, "New");
  RunFrames(10);
  ASSERT_EQ(TopName(), gui::DialogInputLineCustom);
  EXPECT_EQ(TopKey(), "InputName");
  // The prompt takes a name of up to 14 characters and can be cancelled.
  EXPECT_EQ(TopDialog()->MaxLength, ProfileNameLength);
  EXPECT_NE(TopDialog()->FindControl("Cancel"), nullptr);
  TopDialog()->OnText("  tESTER ");  // names differ in more than case and spaces
  EXPECT_TRUE(form->NameTaken);
  EXPECT_EQ(PlayerCount(), 1);
  HideDialog(TopDialog());
  RunFrames(12);
  ASSERT_EQ(TopName(), gui::DialogMessageCustom);
  EXPECT_EQ(TopKey(), "MsgProfileAlreadyExists");
  EXPECT_FALSE(form->NameTaken);
  TopDialog()->OnDone();
  HideDialog(TopDialog());
  RunFrames(12);
  ASSERT_EQ(TopName(), gui::DialogInputLineCustom);
  EXPECT_FALSE(form->AskName);
  EXPECT_NE(TopDialog()->FindControl("Cancel"), nullptr);

  TopDialog()->OnText("   ");  // nothing typed: nothing happens
  EXPECT_EQ(PlayerCount(), 1);
  EXPECT_FALSE(form->NameTaken);
  TopDialog()->OnText(" Bo ");
  ASSERT_EQ(PlayerCount(), 2);
  EXPECT_EQ(CurrentPlayer()->Name, "Bo");
  EXPECT_TRUE(form->FindControl("2")->Visible);
  EXPECT_TRUE(form->FindControl("2")->Down);
  EXPECT_EQ(form->RecommendedControl, form->FindControl("OK"));
  HideDialog(TopDialog());
  RunFrames(12);
  EXPECT_EQ(TopDialog(), nullptr);  // no request left over
}

// ---- Inventory and hint -----------------------------------------------------------------------

TEST_F(MenuScreens, InventoryGroupsTheHeldPropsByKindInRows) {
  Load();
  Show(gui::FormPlay);
  TGuiDialog* inventory = Open(gui::DialogInventory);
  ASSERT_NE(inventory, nullptr);
  // A property shows at 0; a companion at 0 does not.
  EXPECT_NE(inventory->FindControl("Coin"), nullptr);
  EXPECT_NE(inventory->FindControl("Knots"), nullptr);
  EXPECT_NE(inventory->FindControl("Net"), nullptr);
  EXPECT_EQ(inventory->FindControl("Gull"), nullptr);
  TGuiControl* property = inventory->FindControl("HeadingProperty");
  TGuiControl* skill = inventory->FindControl("HeadingSkill");
  TGuiControl* item = inventory->FindControl("HeadingItem");
  ASSERT_TRUE(property != nullptr && skill != nullptr && item != nullptr);
  EXPECT_EQ(inventory->FindControl("HeadingCompanion"), nullptr);
  EXPECT_EQ(skill->ParamD, static_cast<int32_t>(TPropKind::Skill));
  // Heading then props, group after group, left to right in one row.
  EXPECT_LT(property->Offset.X, inventory->FindControl("Coin")->Offset.X);
  EXPECT_LT(inventory->FindControl("Coin")->Offset.X, skill->Offset.X);
  EXPECT_LT(skill->Offset.X, item->Offset.X);
  EXPECT_FLOAT_EQ(property->Offset.Y, item->Offset.Y);
  EXPECT_EQ(static_cast<TGuiDialogInventory*>(inventory)->Rows, 1);
  TGuiControl* close = inventory->FindControl("Close");
  EXPECT_EQ(inventory->KeyControls[KeySlotCancel], close);
  EXPECT_EQ(inventory->KeyControls[KeySlotConfirm], close);
  EXPECT_EQ(inventory->KeyControls[KeySlotInventory], close);
  EXPECT_EQ(inventory->FindControl("ShowItems"), nullptr);
}

TEST_F(MenuScreens, ClosingTheInventoryMovesThePointerFromItOnceWithOneEvent) {
  Load();
  Show(gui::FormPlay);
  SetGuiInputOverride(&Input);
  SetPointer(Pointers::MapIcon);
  Open(gui::DialogInventory);
  int32_t events = EventCount();
  Press(GuiKeyInventory);
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(EventCount(), events);  // the pointer was elsewhere
  EXPECT_EQ(GetPointer(), Pointers::MapIcon);

  SetPointer(Pointers::InventoryIcon);
  TGuiDialog* inventory = Open(gui::DialogInventory);
  EXPECT_EQ(inventory->RecommendedControl, inventory->FindControl("Close"));
  Press(GuiKeyCancel);
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(GetPointer(), Pointers::Sites);
  ASSERT_EQ(EventCount(), events + 1);
  EXPECT_EQ(LastEvent().Kind, PointerChanged);
  EXPECT_EQ(LastEvent().Value, Pointers::Sites);
}

TEST_F(MenuScreens, HintTextTellsWhatIsNeededAndWhatIsHeld) {
  TProp fish("Fish");
  fish.Kind = TPropKind::Item;
  THint hint("H");
  hint.Number = 7001;
  EXPECT_EQ(HintText(&hint), "Look around.");
  hint.NeedsProp = &fish;
  EXPECT_EQ(HintText(&hint), "Look around.");  // no amount: no sentence
  hint.NeedsAmount = 3;
  EXPECT_EQ(HintText(&hint), "Look around. I need 3.");
  fish.Amount = 1;
  EXPECT_EQ(HintText(&hint), "Look around. I need 3. I have 1.");
  EXPECT_EQ(HintText(nullptr), "");
}

TEST_F(MenuScreens, HintClosesOnItsKeysAndMovesThePointerFromTheHintIcon) {
  Load();
  Show(gui::FormPlay);
  SetGuiInputOverride(&Input);
  SetPointer(Pointers::HintIcon);
  TGuiDialog* hint = Open(gui::DialogHint);
  ASSERT_NE(hint, nullptr);
  TGuiControl* close = hint->FindControl("Close");
  EXPECT_EQ(hint->KeyControls[KeySlotHint], close);
  EXPECT_EQ(hint->KeyControls[KeySlotConfirm], close);
  EXPECT_EQ(hint->RecommendedControl, close);
  const int32_t events = EventCount();
  Press(GuiKeyHint);
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(GetPointer(), Pointers::Nothing);
  ASSERT_EQ(EventCount(), events + 1);
  EXPECT_EQ(LastEvent().Kind, PointerChanged);
  EXPECT_EQ(LastEvent().Value, Pointers::Nothing);
  Open(gui::DialogHint);
  Press(GuiKeyConfirm);
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(EventCount(), events + 1);
}

// ---- Achievements -----------------------------------------------------------------------------

TEST_F(MenuScreens, AchievementsListShowsAtMost38AndCountsEveryEarnedOne) {
  Load();
  AddEarned(CurrentPlayer(), 8001);
  AddEarned(CurrentPlayer(), 8040);  // earned, though not listed
  auto* list = static_cast<TGuiDialogAchievements*>(Open(gui::DialogAchievements));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Listed, MaxListedAchievements);
  EXPECT_NE(list->FindControl("Achievement8038"), nullptr);
  EXPECT_EQ(list->FindControl("Achievement8039"), nullptr);
  EXPECT_EQ(list->FindControl("Achievement8038")->ParamD, 37);
  ASSERT_NE(list->Glow, nullptr);
  EXPECT_LT(list->Glow->Layer + EffectSpriteLayer, list->FindControl("Achievement8001")->Layer + PictureSpriteLayer);
  auto* count = static_cast<TGuiControlLabelSuffix*>(list->FindControl("LabelEarnedAchievements"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->Suffix(), ": 2 of 40");
  EXPECT_EQ(list->FindControl("Unlock"), nullptr);
  EXPECT_EQ(list->KeyControls[KeySlotCancel], list->FindControl("Close"));
}

TEST_F(MenuScreens, EarnedAnnouncementIsAcknowledgedByEitherButton) {
  Load();
  TAchievement* first = Achievements()->FirstAs<TAchievement>();
  auto* second = static_cast<TAchievement*>(first->Next);
  TGuiDialog* dialog = Open(gui::DialogAchievement, first);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FindControl("Icon")->ParamD, 0);
  // The glow is drawn behind the medal.
  const TGuiControl* glow = static_cast<TGuiDialogAchievement*>(dialog)->Glow;
  ASSERT_NE(glow, nullptr);
  EXPECT_LT(glow->Layer + EffectSpriteLayer, dialog->FindControl("Icon")->Layer + PictureSpriteLayer);
  Click(dialog, "OK");
  EXPECT_TRUE(HasEarned(CurrentPlayer(), first->Number));
  RunFrames(10);
  dialog = Open(gui::DialogAchievement, second);
  Click(dialog, "Achievements");
  EXPECT_TRUE(HasEarned(CurrentPlayer(), second->Number));
  RunFrames(10);
  ASSERT_EQ(TopName(), gui::DialogAchievements);
  auto* list = static_cast<TGuiDialogAchievements*>(TopDialog());
  EXPECT_EQ(list->Highlight, second);
  // Acknowledging twice records the achievement once.
  const size_t earned = CurrentPlayer()->Earned.size();
  HideAllDialogs();
  dialog = Open(gui::DialogAchievement, second);
  Click(dialog, "OK");
  EXPECT_EQ(CurrentPlayer()->Earned.size(), earned);
}

}  // namespace
}  // namespace tv::test
