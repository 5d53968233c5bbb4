// The options dialog: the volume rows and the display mode buttons.
#include <gtest/gtest.h>

#include <string>

#include "GuiScreensFixture.h"
#include "app/AppMain.h"
#include "app/AppWindow.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, VolumeRowsRunFromZeroToTen) {
  SetGroupVolume(SoundGroupEffects, 10);
  SetGroupVolume(SoundGroupMusic, 1);
  TGuiDialog* options = Open(gui::DialogOptions, "", 0);
  ASSERT_NE(options, nullptr);
  auto dot = [&](const std::string& Row, int N) {
    return options->FindControl("Dot" + Row + std::to_string(N))->ParamD;
  };
  EXPECT_FALSE(options->FindControl("EffectsUp")->Enabled);
  EXPECT_TRUE(options->FindControl("EffectsDown")->Enabled);
  EXPECT_EQ(dot("Effects", 10), 1);

  Click(options, "EffectsDown");
  EXPECT_EQ(GetGroupVolume(SoundGroupEffects), 9);
  EXPECT_TRUE(options->FindControl("EffectsUp")->Enabled);
  EXPECT_EQ(dot("Effects", 10), 0);
  EXPECT_EQ(dot("Effects", 9), 1);

  Click(options, "MusicDown");
  EXPECT_EQ(GetGroupVolume(SoundGroupMusic), 0);
  EXPECT_FALSE(options->FindControl("MusicDown")->Enabled);
  EXPECT_EQ(dot("Music", 1), 0);
  Click(options, "MusicUp");
  EXPECT_EQ(GetGroupVolume(SoundGroupMusic), 1);
  EXPECT_EQ(dot("Music", 1), 1);
  EXPECT_EQ(dot("Music", 2), 0);
  // The other rows stay as they were.
  EXPECT_EQ(GetGroupVolume(SoundGroupEnvironment), 10);
}

TEST_F(GuiScreens, DisplayModeButtonsFollowTheWindowMode) {
  SetFullScreen(true);
  TGuiDialog* options = Open(gui::DialogOptions, "", 0);
  ASSERT_NE(options, nullptr);
  TGuiControl* full = options->FindControl("FullScreen");
  TGuiControl* windowed = options->FindControl("Windowed");
  EXPECT_TRUE(full->Down);
  EXPECT_FALSE(windowed->Down);
  Click(options, "Windowed");
  EXPECT_FALSE(IsFullScreen());
  EXPECT_TRUE(windowed->Down);
  EXPECT_FALSE(full->Down);
  // A change by other means (the full-screen key) shows on the next frame.
  SetFullScreen(true);
  Frames(1);
  EXPECT_TRUE(full->Down);
  EXPECT_FALSE(windowed->Down);
  SetFullScreen(false);
}

}  // namespace
}  // namespace tv::test
