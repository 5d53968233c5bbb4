#include <gtest/gtest.h>

#include <string>

#include "ModelFixture.h"
#include "engine/EngineScript.h"

namespace tv::test {
namespace {

class GameScene : public ModelTest {
 protected:
  // One region, one site, props A (5), B (0), a title and the given scenes.
  void LoadScenes(const std::function<void(TScenarioBuilder&, int32_t Site)>& Scenes) {
    TScenarioBuilder b;
    b.AddProp("A", 0, 5);
    b.AddProp("B", 4, 0);
    b.AddProp("Knight", 1, 0);
    const int32_t region = b.AddRegion("R", 1);
    const int32_t site = b.AddSite(region, "S", 10);
    Scenes(b, site);
    Load(b);
    Site = SiteNumbered(10);
    A = PropNamed("A");
    B = PropNamed("B");
    Knight = PropNamed("Knight");
  }
  TScene* SceneAt(int32_t I) { return Site->Scenes->GetAs<TScene>(I); }

  TSite* Site = nullptr;
  TProp* A = nullptr;
  TProp* B = nullptr;
  TProp* Knight = nullptr;
};

TEST_F(GameScene, KindTableSlotsAndGroups) {
  EXPECT_EQ(LeftSlots(SceneKinds::Requirements(3)), 3);
  EXPECT_EQ(RightSlots(SceneKinds::Requirements(3)), 0);
  EXPECT_EQ(LeftSlots(SceneKinds::FloatingLoss), 1);
  EXPECT_EQ(RightSlots(SceneKinds::FloatingReward), 1);
  EXPECT_EQ(LeftSlots(SceneKinds::Barter(7)), 7);
  EXPECT_EQ(RightSlots(SceneKinds::Barter(7)), 7);
  EXPECT_STREQ(SceneKind(SceneKinds::TextStop).Name, "Text stop");
  EXPECT_EQ(SceneKind(SceneKinds::TextStop).Flags[SceneFlagAccept], 0);
  EXPECT_EQ(SceneKind(SceneKinds::TextStop).Flags[SceneFlagDecline], 1);
  EXPECT_EQ(SceneKind(SceneKinds::FloatingText).Flags[SceneFlagFloatingText], 1);
  // The numbered kinds are the rows the table names so.
  for (int32_t n = 1; n <= 7; ++n) {
    const std::string number = std::to_string(n);
    if (n <= 3) {
      EXPECT_EQ(SceneKind(SceneKinds::HiddenRequirements(n)).Name, "Hidden requirements " + number);
    }
    EXPECT_EQ(SceneKind(SceneKinds::Requirements(n)).Name, "Requirements " + number);
    EXPECT_EQ(SceneKind(SceneKinds::Losses(n)).Name, "Losses " + number);
    EXPECT_EQ(SceneKind(SceneKinds::Rewards(n)).Name, "Rewards " + number);
    EXPECT_EQ(SceneKind(SceneKinds::Barter(n)).Name, "Barter " + number);
    EXPECT_EQ(BarterRowsOf(SceneKinds::Barter(n)), n);
  }
  for (int32_t k = 0; k < SceneKindCount; ++k) {
    TScene scene;
    scene.Kind = k;
    EXPECT_EQ(scene.HasRequirements(), k >= SceneKinds::FirstRequirements && k <= SceneKinds::LastRequirements) << k;
    EXPECT_EQ(scene.IsBarter(), k >= SceneKinds::Barter1) << k;
    EXPECT_EQ(SceneKind(k).Flags[SceneFlagAccept], k == SceneKinds::TextStop ? 0 : 1) << k;
  }
}

TEST_F(GameScene, RequirementsAreMetSlotBySlot) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    b.AddScene(s, 1, SceneKinds::Requirements(2)).Left = {TSlotDef{1, 3}, TSlotDef{0, 99}};  // 3 of A, empty slot
    b.AddScene(s, 2, SceneKinds::Requirements(2)).Left = {TSlotDef{1, 6}, TSlotDef{2, 1}};
    b.AddScene(s, 3, SceneKinds::Rewards(1)).Left = {TSlotDef{1, 99}};  // not a requirement kind
  });
  EXPECT_TRUE(SceneAt(1)->RequirementsMet());
  A->Amount = 2;
  EXPECT_FALSE(SceneAt(1)->RequirementsMet());
  A->Amount = 6;
  EXPECT_FALSE(SceneAt(2)->RequirementsMet());
  B->Amount = 1;
  EXPECT_TRUE(SceneAt(2)->RequirementsMet());
  EXPECT_TRUE(SceneAt(3)->RequirementsMet());
}

TEST_F(GameScene, NeedsPresentationByKind) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    b.AddScene(s, 1, SceneKinds::None);
    b.AddScene(s, 2, SceneKinds::FloatingText);
    b.AddScene(s, 3, SceneKinds::HiddenRequirements(1)).Left[0] = {1, 6};
    b.AddScene(s, 4, SceneKinds::FloatingLoss);
    b.AddScene(s, 5, SceneKinds::FloatingLoss).Left[0] = {1, 1};
    b.AddScene(s, 6, SceneKinds::FloatingReward);
    b.AddScene(s, 7, SceneKinds::FloatingReward).Right[0] = {2, 1};
    b.AddScene(s, 8, SceneKinds::Text);
  });
  EXPECT_FALSE(SceneAt(1)->NeedsPresentation());
  EXPECT_FALSE(SceneAt(2)->NeedsPresentation());  // a floating text without its text
  AddText("SceneLegendH2", "A voice.");
  EXPECT_TRUE(SceneAt(2)->NeedsPresentation());
  SetText("SceneLegendH2", "");
  EXPECT_TRUE(SceneAt(3)->NeedsPresentation());  // hidden requirement not met: shown
  A->Amount = 6;
  EXPECT_FALSE(SceneAt(3)->NeedsPresentation());  // met: passes unseen
  EXPECT_FALSE(SceneAt(4)->NeedsPresentation());
  EXPECT_TRUE(SceneAt(5)->NeedsPresentation());
  EXPECT_FALSE(SceneAt(6)->NeedsPresentation());
  EXPECT_TRUE(SceneAt(7)->NeedsPresentation());
  EXPECT_TRUE(SceneAt(8)->NeedsPresentation());
}

TEST_F(GameScene, LossesAndRewardsFollowTheAmountRules) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    b.AddScene(s, 1, SceneKinds::Losses(2)).Left = {TSlotDef{1, 7}, TSlotDef{3, 1}};
    b.AddScene(s, 2, SceneKinds::Rewards(3)).Right = {TSlotDef{1, 4}, TSlotDef{0, 9}, TSlotDef{3, 5}};
    b.AddScene(s, 3, SceneKinds::Requirements(3)).Left = {TSlotDef{1, 1}};  // requirement: no effect
  });
  Knight->Amount = 1;
  SceneAt(1)->ApplyLossesAndRewards();
  EXPECT_EQ(A->Amount, 0);  // 5 - 7 raised to 0
  EXPECT_EQ(Knight->Amount, 0);
  SceneAt(2)->ApplyLossesAndRewards();
  EXPECT_EQ(A->Amount, 4);
  EXPECT_EQ(Knight->Amount, 1);  // gaining 5 of a title holds it once
  SceneAt(3)->ApplyLossesAndRewards();
  EXPECT_EQ(A->Amount, 4);
}

TEST_F(GameScene, BarterRowsApplyBeforeAnyIsNormalised) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    TSceneDef& barter = b.AddScene(s, 1, SceneKinds::Barter(4));
    barter.Left = {TSlotDef{1, 2}, TSlotDef{1, 1}, TSlotDef{0, 5}, TSlotDef{2, 1}};
    barter.Right = {TSlotDef{2, 1}, TSlotDef{3, 1}, TSlotDef{2, 5}, TSlotDef{0, 1}};
  });
  // Row 1: 3 times 2 A for 1 B; row 2: 4 times 1 A for the title; row 3 has no left prop.
  Avatar()->BarterCounts = {3, 4, 9, 2, 0, 0, 0};
  SceneAt(1)->ApplyBarter();
  EXPECT_EQ(A->Amount, 0);       // 5 - 6 - 4 = -5, normalised once to 0
  EXPECT_EQ(B->Amount, 3);       // row 4 has no right prop: B is not paid
  EXPECT_EQ(Knight->Amount, 1);  // 4 clamped to 1
  A->Amount = 5;
  B->Amount = 0;
  Avatar()->BarterCounts = {0, -1, 0, 0, 0, 0, 0};
  SceneAt(1)->ApplyBarter();
  EXPECT_EQ(A->Amount, 5);
  EXPECT_EQ(B->Amount, 0);
}

TEST_F(GameScene, TradesMoveOnlyTheShownAmountsOneClickAtATime) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    TSceneDef& barter = b.AddScene(s, 1, SceneKinds::Barter(3));
    barter.Left = {TSlotDef{1, 2}, TSlotDef{2, 1}, TSlotDef{0, 0}};
    barter.Right = {TSlotDef{2, 1}, TSlotDef{3, 1}, TSlotDef{2, 1}};
  });
  TScene* scene = SceneAt(1);
  A->AmountBefore = 77;
  Avatar()->BarterCounts = {4, 4, 4, 4, 4, 4, 4};
  scene->BeginBarter();
  EXPECT_EQ(A->AmountBefore, 5);
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{}));
  // Row 1 pays 2 A for 1 B: two trades, then A (1 left) runs short and the row refuses.
  EXPECT_TRUE(scene->Trade(1));
  EXPECT_TRUE(scene->Trade(1));
  EXPECT_EQ(A->AmountBefore, 1);
  EXPECT_EQ(B->AmountBefore, 2);
  EXPECT_FALSE(scene->CanTrade(1));
  EXPECT_FALSE(scene->Trade(1));
  EXPECT_EQ(A->AmountBefore, 1);
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{2, 0, 0, 0, 0, 0, 0}));
  // The B just bought pays for row 2; row 3 has no left prop, rows 0 and 4 do not exist.
  EXPECT_TRUE(scene->CanTrade(2));
  EXPECT_FALSE(scene->CanTrade(3));
  EXPECT_FALSE(scene->CanTrade(0));
  EXPECT_FALSE(scene->CanTrade(4));
  // The three steps of a trade are the dialog's animation phases: each moves one thing.
  scene->TradeGive(2);
  EXPECT_EQ(B->AmountBefore, 1);
  EXPECT_EQ(Knight->AmountBefore, 0);
  scene->TradeReceive(2);
  EXPECT_EQ(Knight->AmountBefore, 1);
  EXPECT_EQ(Avatar()->BarterCounts[1], 0);
  scene->TradeCount(2);
  EXPECT_EQ(Avatar()->BarterCounts[1], 1);
  // Nothing real changed before the scene is carried out.
  EXPECT_EQ(A->Amount, 5);
  EXPECT_EQ(B->Amount, 0);
  scene->ApplyBarter();
  EXPECT_EQ(A->Amount, 1);
  EXPECT_EQ(B->Amount, 1);
  EXPECT_EQ(Knight->Amount, 1);
}

TEST_F(GameScene, RowsTakingAndGivingOnePropAndRowsOfZeroOrNegativeAmountsTradeClickByClick) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    TSceneDef& barter = b.AddScene(s, 1, SceneKinds::Barter(4));
    // Row 1 takes 2 A and gives 3 A back; row 2 asks nothing; row 3 asks -1 B; row 4 gives 2 A
    // for 4 A and runs short.
    barter.Left = {TSlotDef{1, 2}, TSlotDef{1, 0}, TSlotDef{2, -1}, TSlotDef{1, 4}};
    barter.Right = {TSlotDef{1, 3}, TSlotDef{2, 1}, TSlotDef{2, 1}, TSlotDef{1, 2}};
  });
  TScene* scene = SceneAt(1);
  scene->BeginBarter();
  // Four clicks on row 1: each trade leaves A one higher, so all four pay (a single division of
  // what is held by the price would allow only two).
  scene->TradeRows({4});
  EXPECT_EQ(A->AmountBefore, 9);
  EXPECT_EQ(Avatar()->BarterCounts[0], 4);
  // Row 2 asks 0: every click trades; row 3 asks -1 B, which raises B too.
  scene->TradeRows({0, 3, 2});
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{4, 3, 2, 0, 0, 0, 0}));
  EXPECT_EQ(B->AmountBefore, 3 + 2 * 2);
  // Row 4 from 9 A: 9 -> 7 -> 5 -> 3, then short; negative and missing counts click nothing.
  scene->TradeRows({-5, 0, 0, 10, 3, 3, 3, 3});
  EXPECT_EQ(A->AmountBefore, 3);
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{4, 3, 2, 3, 0, 0, 0}));
  // Carried out, the same counts give the same amounts.
  scene->ApplyBarter();
  EXPECT_EQ(A->Amount, A->AmountBefore);
  EXPECT_EQ(B->Amount, B->AmountBefore);
}

TEST_F(GameScene, FirstSceneOfVisitSkipsWhatWasPerformed) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    b.AddScene(s, 1, SceneKinds::Text);
    b.AddScene(s, 2, SceneKinds::Text).Repeatable = true;
    b.AddScene(s, 3, SceneKinds::Text);
  });
  EXPECT_EQ(FirstSceneOfVisit(Site), SceneAt(1));
  // A whole first visit: every scene once, the site once.
  for (int32_t i = 1; i <= 3; ++i) SceneAt(i)->Count = 1;
  Site->Count = 1;
  // Second visit: the first scene is passed (counted, no effect), the repeatable one plays.
  EXPECT_EQ(FirstSceneOfVisit(Site), SceneAt(2));
  EXPECT_EQ(SceneAt(1)->Count, 2);
  SceneAt(2)->Count = 2;
  EXPECT_EQ(SkipPerformed(SceneAt(3)), nullptr);  // past the end: nothing
  EXPECT_EQ(SceneAt(3)->Count, 2);
  // A site left part-way (fewer completions than its last scene's count) plays nothing.
  Site->Count = 1;
  EXPECT_EQ(FirstSceneOfVisit(Site), nullptr);
}

TEST_F(GameScene, ReplayPerformanceBringsPredecessorsUpFirst) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    b.AddScene(s, 1, SceneKinds::Rewards(1)).Right[0] = {1, 10};
    b.AddScene(s, 2, SceneKinds::Rewards(1)).Right[0] = {2, 1};
    TSceneDef& third = b.AddScene(s, 3, SceneKinds::Rewards(1));
    third.Right[0] = {1, 100};
    third.Repeatable = true;
  });
  SceneAt(3)->ReplayPerformance();
  EXPECT_EQ(SceneAt(1)->Count, 1);
  EXPECT_EQ(SceneAt(2)->Count, 1);
  EXPECT_EQ(SceneAt(3)->Count, 1);
  EXPECT_EQ(A->Amount, 115);
  EXPECT_EQ(B->Amount, 1);
  // Second round: the non-repeatable scenes reach 2 and apply nothing; the repeatable one does.
  SceneAt(3)->ReplayPerformance();
  EXPECT_EQ(SceneAt(1)->Count, 2);
  EXPECT_EQ(A->Amount, 215);
  EXPECT_EQ(B->Amount, 1);
}

TEST_F(GameScene, AReplayWalksBackThroughAThousandScenes) {
  LoadScenes([](TScenarioBuilder& b, int32_t s) {
    for (int32_t i = 1; i <= 1000; ++i) b.AddScene(s, i, SceneKinds::Rewards(1)).Right[0] = {1, 1};
  });
  Site->ReplayCompletion();
  EXPECT_EQ(A->Amount, 1005);
  EXPECT_EQ(Site->FirstScene()->Count, 1);
}

TEST_F(GameScene, ToggleGroupsFlipsEveryGroupSet) {
  TScenarioBuilder b;
  const int32_t region = b.AddRegion("R", 1);
  const int32_t site = b.AddSite(region, "S", 10);
  const int32_t g1 = b.Asset(TPoolClass::Group, "G1");
  const int32_t g2 = b.Asset(TPoolClass::Group, "G2");
  TPlotDef p1;
  p1.Group = g1;
  TPlotDef p2;
  p2.Group = g2;
  p2.Visible = false;
  b.Region(region).Plots = {p1, p2, TPlotDef{}};
  b.AddScene(site, 1, SceneKinds::None).Groups = {g1, 0, g2, 0};
  Load(b);
  TMap& map = *Regions()->GetAs<TRegion>(1)->Map;
  SiteNumbered(10)->FirstScene()->ToggleGroups();
  EXPECT_FALSE(map.Plot(0).Visible);
  EXPECT_TRUE(map.Plot(1).Visible);
  EXPECT_TRUE(map.Plot(2).Visible);  // no group: never flips
}

}  // namespace
}  // namespace tv::test
