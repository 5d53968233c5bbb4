// The menu form: the greeting, its buttons and where they lead.
#include <gtest/gtest.h>

#include "MenuScreensFixture.h"
#include "engine/EngineTexts.h"
#include "game/GameScenario.h"

namespace tv::test {
namespace {

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
  ClickShowsMessage(menu, "Quit", gui::DialogQueryCustom, "QueryQuitGame");
  Click(menu, "Achievements");
  RunFrames(10);
  EXPECT_EQ(TopName(), gui::DialogAchievements);
  HideAllDialogs();
  Click(menu, "Profiles");
  EXPECT_EQ(PendingForm(), FindForm(gui::FormProfiles));
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFade));
}

}  // namespace
}  // namespace tv::test
