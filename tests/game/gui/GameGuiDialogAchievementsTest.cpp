// The achievements list and the announcement of an earned achievement.
#include <gtest/gtest.h>

#include "MenuScreensFixture.h"
#include "game/GameAchievement.h"
#include "game/gui/GameGuiDialogAchievements.h"

namespace tv::test {
namespace {

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
