// The hint dialog: its text, its keys and the tutorial pointer it moves on.
#include <gtest/gtest.h>

#include "MenuScreensFixture.h"
#include "game/GameHint.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiDialogHint.h"

namespace tv::test {
namespace {

TEST_F(MenuScreens, HintTextTellsWhatIsNeededAndWhatIsHeld) {
  TProp fish("Fish");
  fish.Kind = TPropKind::Item;
  THint hint("H");
  hint.Number = 7001;
  EXPECT_EQ(HintText(&hint), "Look around.");
  hint.NeedsProp = &fish;
  EXPECT_EQ(HintText(&hint), "Look around.");  // no amount: no sentence
  hint.NeedsAmount = 3;
  EXPECT_EQ(HintText(&hint), "Look around. I need 3.");
  fish.Amount = 1;
  EXPECT_EQ(HintText(&hint), "Look around. I need 3. I have 1.");
  EXPECT_EQ(HintText(nullptr), "");
}

TEST_F(MenuScreens, HintClosesOnItsKeysAndMovesThePointerFromTheHintIcon) {
  Load();
  Show(gui::FormPlay);
  SetGuiInputOverride(&Input);
  SetPointer(Pointers::HintIcon);
  TGuiDialog* hint = Open(gui::DialogHint);
  ASSERT_NE(hint, nullptr);
  TGuiControl* close = hint->FindControl("Close");
  EXPECT_EQ(hint->KeyControls[KeySlotHint], close);
  EXPECT_EQ(hint->KeyControls[KeySlotConfirm], close);
  EXPECT_EQ(hint->RecommendedControl, close);
  const int32_t events = EventCount();
  Press(GuiKeyHint);
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  ASSERT_NO_FATAL_FAILURE(ExpectPointerMovedTo(Pointers::Nothing, events));
  Open(gui::DialogHint);
  Press(GuiKeyConfirm);
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(EventCount(), events + 1);
}

}  // namespace
}  // namespace tv::test
