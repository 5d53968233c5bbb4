// The custom cursor.
#include <gtest/gtest.h>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiCursors.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, CursorRipplesWhereTheButtonGoesDown) {
  TGameGuiHooks hooks;
  static bool pressed = false;
  hooks.ClickPressed = [] { return pressed; };
  hooks.MousePosition = [] { return TVector{120, -40}; };
  SetGameGuiHooks(hooks);
  TGuiCursorCustom cursor("Custom");
  const int32_t before = PerformerCount();
  cursor.Show(true);
  EXPECT_EQ(PerformerCount(), before);
  pressed = true;
  cursor.Show(false);  // the mouse is outside the window
  EXPECT_EQ(PerformerCount(), before);
  cursor.Show(true);
  ASSERT_EQ(PerformerCount(), before + 1);
  const auto* ripple = static_cast<const TPerformer*>(Performers()->Last());
  EXPECT_EQ(ripple->Order, CursorLayer - 10);
  EXPECT_TRUE(VectorsEqual(ripple->Position, Vector(120, -40)));
  EXPECT_EQ(ripple->Canvas, MainCanvas());
  pressed = false;
}

}  // namespace
}  // namespace tv::test
