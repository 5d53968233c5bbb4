// The splash form: the branding pictures, skipping them, and the first screen it leads to.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "MenuScreensFixture.h"

namespace tv::test {
namespace {

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

}  // namespace
}  // namespace tv::test
