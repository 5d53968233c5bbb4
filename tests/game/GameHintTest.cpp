#include <gtest/gtest.h>

#include "ModelFixture.h"

namespace tv::test {
namespace {

class GameHint : public ModelTest {
 protected:
  // Three guide sites in a chain, each with a hint tree; props Wood (goal) and Axe.
  TScenarioBuilder Guide() {
    TScenarioBuilder b;
    Wood = b.AddProp("Wood", 0, 0);
    Axe = b.AddProp("Axe", 4, 0);
    R = b.AddRegion("R", 1);
    Other = b.AddRegion("Other", 2);
    S1 = b.AddSite(R, "One", 1);
    S2 = b.AddSite(R, "Two", 2);
    S3 = b.AddSite(R, "Three", 3);
    b.Site(S1).NextGuide = S2;
    b.Site(S2).NextGuide = S3;
    b.GuideStart = S1;
    Root = b.AddHint("Root", 100);
    b.Hint(Root).Goal = Wood;
    b.Site(S1).Hint = Root;
    Leaf = b.AddHint("Leaf", 101);
    Second = b.AddHint("Second", 102);
    b.Site(S2).Hint = Second;
    return b;
  }
  THint* HintNumbered(int32_t Number) {
    for (TItem* h : *Hints()) {
      if (static_cast<THint*>(h)->Number == Number) return static_cast<THint*>(h);
    }
    return nullptr;
  }
  int32_t Wood = 0, Axe = 0, R = 0, Other = 0, S1 = 0, S2 = 0, S3 = 0, Root = 0, Leaf = 0, Second = 0;
};

TEST_F(GameHint, TheFirstUncompletedGuideSiteGivesTheTree) {
  Load(Guide());
  ASSERT_NE(CurrentHint(), nullptr);
  EXPECT_EQ(CurrentHint()->Number, 100);
  EXPECT_EQ(CurrentHint()->Need, 1);
  SiteNumbered(1)->Count = 1;
  EXPECT_EQ(CurrentHint()->Number, 102);
  SiteNumbered(2)->Count = 2;
  EXPECT_EQ(CurrentHint(), nullptr);  // Three has no hint
  SiteNumbered(3)->Count = 1;
  EXPECT_EQ(CurrentHint(), nullptr);  // the whole chain is completed
}

TEST_F(GameHint, AGuideChainThatComesBackHasNoHint) {
  TScenarioBuilder b = Guide();
  b.Site(S3).NextGuide = S1;
  Load(b);
  for (int32_t n = 1; n <= 3; ++n) SiteNumbered(n)->Count = 1;
  EXPECT_EQ(CurrentHint(), nullptr);
  SiteNumbered(2)->Count = 0;
  EXPECT_EQ(CurrentHint()->Number, 102);
}

TEST_F(GameHint, AGoalAlreadyHeldSkipsTheWholeSubtree) {
  TScenarioBuilder b = Guide();
  b.Hint(Root).SubHints[0] = Leaf;
  Load(b);
  THint* root = HintNumbered(100);
  PropNamed("Wood")->Amount = 2;
  EXPECT_EQ(Choose(root, 2), nullptr);  // Wood held 2
  EXPECT_EQ(Choose(root, 3)->Number, 101);
}

TEST_F(GameHint, SubAmountsPassScaleOrReplaceTheNeed) {
  TScenarioBuilder b = Guide();
  b.Hint(Root).SubHints = {Leaf};
  b.Hint(Leaf).Goal = Wood;
  Load(b);
  THint* root = HintNumbered(100);
  THint* leaf = HintNumbered(101);
  PropNamed("Wood")->Amount = 2;
  // 0 passes the parent's own need on.
  EXPECT_EQ(Choose(root, 5), leaf);
  EXPECT_EQ(leaf->Need, 5);
  EXPECT_EQ(root->Need, 5);
  // Negative: |a| times what is still missing; needing 5 while holding 2, -2 asks about 6.
  root->SubAmounts[0] = -2;
  EXPECT_EQ(Choose(root, 5), leaf);
  EXPECT_EQ(leaf->Need, 6);
  // Positive: that amount; 2 is held already, so the leaf does not apply and the root answers.
  root->SubAmounts[0] = 2;
  EXPECT_EQ(Choose(root, 5), root);
}

TEST_F(GameHint, RouteOnlyHintsFallThroughToTheNextSibling) {
  TScenarioBuilder b = Guide();
  const int32_t route = b.AddHint("Route", 103);
  const int32_t dead = b.AddHint("Dead", 104);
  b.Hint(Root).SubHints = {route, Leaf};
  b.Hint(route).RouteOnly = true;
  b.Hint(route).SubHints[4] = dead;
  b.Hint(dead).NeedsProp = Axe;
  b.Hint(dead).NeedsAmount = 1;
  Load(b);
  THint* root = HintNumbered(100);
  EXPECT_EQ(Choose(root, 1)->Number, 101);  // route yields nothing; Leaf is next
  PropNamed("Axe")->Amount = 1;
  EXPECT_EQ(Choose(root, 1)->Number, 104);
  HintNumbered(101)->RouteOnly = true;
  PropNamed("Axe")->Amount = 0;
  EXPECT_EQ(Choose(root, 1), root);  // every sub-hint failed: the hint itself
  root->RouteOnly = true;
  EXPECT_EQ(Choose(root, 1), nullptr);
}

TEST_F(GameHint, ConditionsOnSitesAndRegions) {
  TScenarioBuilder b = Guide();
  b.Hint(Leaf).UntilVisited = S2;
  b.Hint(Leaf).AfterVisited = S3;
  b.Hint(Leaf).UntilEntered = S1;
  b.Hint(Leaf).OutsideRegion = Other;
  Load(b);
  THint* leaf = HintNumbered(101);
  EXPECT_EQ(Choose(leaf, 1), nullptr);  // S3 not yet visited
  SiteNumbered(3)->Count = 1;
  EXPECT_EQ(Choose(leaf, 1), leaf);
  SetCurrentRegion(Regions()->GetAs<TRegion>(2));
  EXPECT_EQ(Choose(leaf, 1), nullptr);
  SetCurrentRegion(Regions()->GetAs<TRegion>(1));
  SiteNumbered(1)->Entered = true;
  EXPECT_EQ(Choose(leaf, 1), nullptr);
  SiteNumbered(1)->Entered = false;
  SiteNumbered(2)->Count = 1;
  EXPECT_EQ(Choose(leaf, 1), nullptr);
  EXPECT_EQ(Choose(nullptr, 1), nullptr);
}

TEST_F(GameHint, DeepTreesAreSearchedWithoutRecursion) {
  TScenarioBuilder b = Guide();
  int32_t previous = Root;
  for (int32_t i = 0; i < 20000; ++i) {
    const int32_t h = b.AddHint("H" + std::to_string(i), 1000 + i);
    b.Hint(previous).SubHints[7] = h;
    previous = h;
  }
  Load(b);
  EXPECT_EQ(CurrentHint()->Number, 1000 + 19999);
}

}  // namespace
}  // namespace tv::test
