#include <gtest/gtest.h>

#include <memory>

#include "engine/EngineScript.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"

namespace tv {
namespace {

std::unique_ptr<TProp> MakeProp(TPropKind Kind, int32_t Amount, bool SingleUnit = false) {
  auto prop = std::make_unique<TProp>("P");
  prop->Kind = Kind;
  prop->Amount = Amount;
  prop->SingleUnit = SingleUnit;
  return prop;
}

TEST(GameProp, CountedPropsAddUpAndNeverGoBelowZero) {
  for (TPropKind kind : {TPropKind::Property, TPropKind::Companion, TPropKind::Item}) {
    auto propp = MakeProp(kind, 3);
    TProp& prop = *propp;
    EXPECT_TRUE(prop.IsCounted());
    prop.Gain(4);
    EXPECT_EQ(prop.Amount, 7);
    prop.Lose(5);
    EXPECT_EQ(prop.Amount, 2);
    prop.Lose(5);  // 2 - 5 is raised to 0
    EXPECT_EQ(prop.Amount, 0);
  }
}

TEST(GameProp, UncountedPropsAreHeldOrNot) {
  for (TPropKind kind : {TPropKind::Title, TPropKind::Skill}) {
    auto propp = MakeProp(kind, 0);
    TProp& prop = *propp;
    EXPECT_FALSE(prop.IsCounted());
    prop.Gain(3);
    EXPECT_EQ(prop.Amount, 1);
    prop.Gain(3);
    EXPECT_EQ(prop.Amount, 1);
    prop.Lose(7);
    EXPECT_EQ(prop.Amount, 0);
  }
}

TEST(GameProp, NormalizeAfterBarterClampsByKind) {
  auto itemp = MakeProp(TPropKind::Item, -4);
  TProp& item = *itemp;
  item.Normalize();
  EXPECT_EQ(item.Amount, 0);
  item.Amount = 12;
  item.Normalize();
  EXPECT_EQ(item.Amount, 12);
  auto titlep = MakeProp(TPropKind::Title, 5);
  TProp& title = *titlep;
  title.Normalize();
  EXPECT_EQ(title.Amount, 1);
  title.Amount = -2;
  title.Normalize();
  EXPECT_EQ(title.Amount, 0);
}

TEST(GameProp, AmountsWrapInsteadOfOverflowing) {
  auto propp = MakeProp(TPropKind::Property, INT32_MAX);
  TProp& prop = *propp;
  prop.Gain(1);
  EXPECT_EQ(prop.Amount, INT32_MIN);
  prop.Amount = INT32_MIN;
  prop.Lose(1);  // wraps to the largest value, which is not negative
  EXPECT_EQ(prop.Amount, INT32_MAX);
}

TEST(GameProp, ResetRestoresTheInitialAmount) {
  auto propp = MakeProp(TPropKind::Item, 9);
  TProp& prop = *propp;
  prop.InitialAmount = 2;
  prop.AmountBefore = 5;
  prop.Reset();
  EXPECT_EQ(prop.Amount, 2);
  EXPECT_EQ(prop.AmountBefore, 0);
}

TEST(GameProp, SortedListsGroupByKindThenName) {
  TContainer list(true, true);
  auto add = [&](const char* name, TPropKind kind) {
    auto* p = new TProp(name);
    p->Kind = kind;
    list.Insert(p, true);
  };
  add("Rope", TPropKind::Item);
  add("Gold", TPropKind::Property);
  add("Knight", TPropKind::Title);
  add("Axe", TPropKind::Item);
  add("Wood", TPropKind::Property);
  add("Dog", TPropKind::Companion);
  add("Climb", TPropKind::Skill);
  std::vector<std::string> names;
  for (TItem* item : list) names.push_back(static_cast<TProp*>(item)->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Gold", "Wood", "Knight", "Climb", "Dog", "Axe", "Rope"}));
}

TEST(GameProp, CountPropsByKindCountsPropertiesEvenAtZero) {
  CreateScenario();
  auto add = [](const char* name, TPropKind kind, int32_t amount) {
    auto* p = new TProp(name);
    p->Kind = kind;
    p->Amount = amount;
    Props()->Insert(p, false);
  };
  add("Gold", TPropKind::Property, 0);
  add("Wood", TPropKind::Property, 3);
  add("Axe", TPropKind::Item, 0);
  add("Rope", TPropKind::Item, 2);
  add("Knight", TPropKind::Title, 1);
  int32_t counters[PropKindCount] = {};
  CountPropsByKind(counters);
  EXPECT_EQ(counters[0], 2);
  EXPECT_EQ(counters[1], 1);
  EXPECT_EQ(counters[2], 0);
  EXPECT_EQ(counters[3], 0);
  EXPECT_EQ(counters[4], 1);
  DestroyScenario();
}

// ---- Texts ---------------------------------------------------------------------------------------

class GamePropTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeTexts();
    ResetLocalization();
    for (auto [key, text] : {std::pair{"LabelRequirement", "Needed"},
                             {"LabelIHave", "I have"},
                             {"LabelLoss", "Lost"},
                             {"LabelReward", "Gained"},
                             {"LabelCost", "Cost"},
                             {"LabelPurchase", "Bought"},
                             {"PropGold", "Gold"},
                             {"PropKnight", "Knight"}}) {
      AddText(key, text);
    }
  }
  void TearDown() override {
    FreeTexts();
    ResetLocalization();
  }
  std::unique_ptr<TProp> Make(TPropKind Kind, int32_t Amount, const char* CaptionKey, bool SingleUnit = false) {
    auto prop = MakeProp(Kind, Amount, SingleUnit);
    if (CaptionKey != nullptr) {
      Caption = std::make_unique<TCaption>(CaptionKey);
      prop->Caption = Caption.get();
    }
    return prop;
  }
  std::unique_ptr<TCaption> Caption;
};

TEST_F(GamePropTexts, SingleUnitHidesAnAmountOfOne) {
  auto gold = Make(TPropKind::Property, 1, "PropGold", true);
  EXPECT_EQ(gold->DisplayName(), "Gold");
  EXPECT_EQ(gold->RequirementLabel(1), "Needed\nGold");
  EXPECT_EQ(gold->LossLabel(1), "Lost\nGold");
  EXPECT_EQ(gold->RewardLabel(1), "Gained\nGold");
  gold->Amount = 2;
  EXPECT_EQ(gold->DisplayName(), "Gold: 2");
  EXPECT_EQ(gold->RequirementLabel(3), "Needed\nGold: 3\nI have: 2");
  EXPECT_EQ(gold->LossLabel(2), "Lost\nGold: -2");
  EXPECT_EQ(gold->RewardLabel(2500), "Gained\nGold: +2,500");
  // Without SingleUnit every amount shows, one included.
  auto plain = Make(TPropKind::Property, 1, "PropGold");
  EXPECT_EQ(plain->DisplayName(), "Gold: 1");
  EXPECT_EQ(plain->RewardLabel(1), "Gained\nGold: +1");
}

TEST_F(GamePropTexts, CostAndPurchaseShowTheAmountBeforeAndIgnoreSingleUnit) {
  auto gold = Make(TPropKind::Property, 9, "PropGold", true);
  gold->AmountBefore = 4;
  EXPECT_EQ(gold->CostLabel(1), "Cost\nGold: -1\nI have: 4");
  EXPECT_EQ(gold->PurchaseLabel(1), "Bought\nGold: +1\nI have: 4");
  EXPECT_EQ(gold->RequirementLabel(5), "Needed\nGold: 5\nI have: 9");  // Amount, not AmountBefore
}

TEST_F(GamePropTexts, UncountedPropsNeverShowANumber) {
  auto knight = Make(TPropKind::Title, 1, "PropKnight");
  EXPECT_EQ(knight->DisplayName(), "Knight");
  EXPECT_EQ(knight->RequirementLabel(5), "Needed\nKnight");
  EXPECT_EQ(knight->LossLabel(5), "Lost\nKnight");
  EXPECT_EQ(knight->RewardLabel(5), "Gained\nKnight");
  EXPECT_EQ(knight->CostLabel(5), "Cost\nKnight");
  EXPECT_EQ(knight->PurchaseLabel(5), "Bought\nKnight");
}

TEST_F(GamePropTexts, APropWithoutCaptionHasAnEmptyName) {
  auto nameless = Make(TPropKind::Item, 3, nullptr);
  EXPECT_EQ(nameless->CaptionKey(), "");
  EXPECT_EQ(nameless->DisplayName(), ": 3");
  EXPECT_EQ(nameless->LossLabel(2), "Lost\n: -2");
}

TEST_F(GamePropTexts, TheColonPrefixOfTheLanguageGoesBeforeEveryColon) {
  LoadScript("<script><option id=\"SpaceBeforeColon\" value=\"YES\"/></script>", false, false);
  auto gold = Make(TPropKind::Property, 2, "PropGold");
  gold->AmountBefore = 1;
  EXPECT_EQ(gold->DisplayName(), "Gold\xA0: 2");
  EXPECT_EQ(gold->RequirementLabel(3), "Needed\nGold\xA0: 3\nI have\xA0: 2");
  EXPECT_EQ(gold->CostLabel(3), "Cost\nGold\xA0: -3\nI have\xA0: 1");
}

}  // namespace
}  // namespace tv
