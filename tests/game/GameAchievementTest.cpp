#include <gtest/gtest.h>

#include "ModelFixture.h"

namespace tv::test {
namespace {

class GameAchievement : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    TScenarioBuilder b;
    const int32_t gold = b.AddProp("Gold", 0, 0);
    b.AddRegion("R", 1);
    const int32_t top = b.AddAchievement("Top", 1, 100);
    const int32_t mid = b.AddAchievement("Mid", 2, 50);
    const int32_t leaf = b.AddAchievement("Leaf", 3, 10);
    b.Achievement(leaf).Parent = mid;
    b.Achievement(mid).Parent = top;
    b.Achievement(leaf).Prop = gold;
    const int32_t secret = b.AddAchievement("Secret", 4, 1);
    b.Achievement(secret).Hidden = true;
    b.Achievement(secret).Prerequisite = leaf;
    const int32_t hidden = b.AddAchievement("Hidden", 5, 1);
    b.Achievement(hidden).Hidden = true;
    Load(b);
  }
  TAchievement* At(int32_t I) { return Achievements()->GetAs<TAchievement>(I); }
};

TEST_F(GameAchievement, ProgressClimbsTheWholeParentChain) {
  At(3)->AddProgress(4);
  EXPECT_EQ(At(3)->Progress, 4);
  EXPECT_EQ(At(2)->Progress, 4);
  EXPECT_EQ(At(1)->Progress, 4);
  At(2)->AddProgress(6);
  EXPECT_EQ(At(3)->Progress, 4);
  EXPECT_EQ(At(1)->Progress, 10);
  ResetGame();
  EXPECT_EQ(At(1)->Progress, 0);
}

TEST_F(GameAchievement, AnAmountOfZeroOrLessOnlyUnhides) {
  EXPECT_FALSE(At(5)->IsVisible());
  At(5)->AddProgress(0);
  EXPECT_TRUE(At(5)->IsVisible());
  EXPECT_EQ(At(5)->Progress, 0);
  At(3)->AddProgress(-3);
  EXPECT_EQ(At(3)->Progress, 0);
  EXPECT_EQ(At(2)->Progress, 0);  // the parent is not touched
  ResetGame();
  EXPECT_FALSE(At(5)->IsVisible());
}

TEST_F(GameAchievement, PropAmountsCountTowardsTheTarget) {
  PropNamed("Gold")->Amount = 7;
  EXPECT_EQ(At(3)->Total(), 7);
  EXPECT_FALSE(At(3)->IsNewlyEarned());
  At(3)->AddProgress(3);
  EXPECT_EQ(At(3)->Total(), 10);
  EXPECT_TRUE(At(3)->IsNewlyEarned());
  EXPECT_EQ(FirstNewlyEarned(), At(3));
}

TEST_F(GameAchievement, APrerequisiteReachedOrEarnedUnhides) {
  EXPECT_FALSE(At(4)->IsVisible());
  PropNamed("Gold")->Amount = 10;
  EXPECT_TRUE(At(4)->IsVisible());
  PropNamed("Gold")->Amount = 0;
  EXPECT_TRUE(At(4)->IsVisible());  // stays visible for this game
  ResetGame();
  EXPECT_FALSE(At(4)->IsVisible());
  // Earned in an earlier game: reached in every later one, and so unhides what it leads to.
  AddEarned(CurrentPlayer(), 3);
  EXPECT_TRUE(At(3)->IsReached());
  EXPECT_FALSE(At(3)->IsNewlyEarned());
  EXPECT_TRUE(At(4)->IsVisible());
}

TEST_F(GameAchievement, EarnedOnesAreNotNewAgain) {
  PropNamed("Gold")->Amount = 200;
  At(3)->AddProgress(100);
  EXPECT_EQ(FirstNewlyEarned(), At(1));
  AddEarned(CurrentPlayer(), 1);
  AddEarned(CurrentPlayer(), 2);
  EXPECT_EQ(FirstNewlyEarned(), At(3));
  AddEarned(CurrentPlayer(), 3);
  EXPECT_EQ(FirstNewlyEarned(), nullptr);
  EXPECT_TRUE(HasEarned(CurrentPlayer(), 2));
  EXPECT_FALSE(HasEarned(CurrentPlayer(), 4));
  EXPECT_FALSE(HasEarned(nullptr, 2));
}

TEST_F(GameAchievement, LegendKeys) {
  EXPECT_EQ(At(3)->LegendKey(), "AchievementLegendH3");
  THint hint;
  hint.Number = 12;
  EXPECT_EQ(hint.LegendKey(), "HintLegendH12");
  TScene scene;
  scene.Number = -4;
  EXPECT_EQ(scene.LegendKey(), "SceneLegendH-4");
}

}  // namespace
}  // namespace tv::test
