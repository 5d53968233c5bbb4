// The hint styles.
#include <gtest/gtest.h>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiHints.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, HintBoxFollowsTheFade) {
  TGuiHintCustom hint("Custom", 0.75f, 0.25f, 0.25f);
  hint.Text = "Belongings";
  hint.Anchor = {0, 100};
  hint.ControlHalfHeight = 30;
  hint.FadeAlpha = 0.5f;
  const int32_t before = MainCanvas()->Sprites->GetCount();
  hint.Show(true);
  EXPECT_GT(MainCanvas()->Sprites->GetCount(), before);
  EXPECT_LT(hint.BoxCenter.Y, 100 - 30);  // above the control
  hint.FadeAlpha = 1;
  hint.Show(true);
  hint.Show(false);
  EXPECT_EQ(MainCanvas()->Sprites->GetCount(), before);
}

}  // namespace
}  // namespace tv::test
