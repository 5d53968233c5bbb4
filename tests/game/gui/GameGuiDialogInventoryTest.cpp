// The inventory dialog: the held props in rows, and the tutorial pointer it moves on.
#include <gtest/gtest.h>

#include "MenuScreensFixture.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiDialogInventory.h"

namespace tv::test {
namespace {

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
  ASSERT_NO_FATAL_FAILURE(ExpectPointerMovedTo(Pointers::Sites, events));
}

}  // namespace
}  // namespace tv::test
