#include <gtest/gtest.h>

#include <memory>

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

}  // namespace
}  // namespace tv
