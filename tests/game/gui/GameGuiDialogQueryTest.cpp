// The query dialog.
#include <gtest/gtest.h>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, QueryCallsOnDoneOnlyWhenConfirmed) {
  int done = 0;
  TGuiDialog* query = Open(gui::DialogQueryCustom, "QueryQuitGame", 0, [&] { ++done; });
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->KeyControls[KeySlotCancel], query->FindControl("No"));
  EXPECT_EQ(query->KeyControls[KeySlotConfirm], query->FindControl("Yes"));
  Click(query, "No");
  EXPECT_EQ(done, 0);
  EXPECT_EQ(query->FadeState, TFadeState::FadingOut);
  Frames(8);
  EXPECT_EQ(TopDialog(), nullptr);

  query = Open(gui::DialogQueryCustom, "QueryQuitGame", 0, [&] { ++done; });
  Click(query, "Yes");
  EXPECT_EQ(done, 1);
  EXPECT_EQ(query->FadeState, TFadeState::FadingOut);

  // The message's only button confirms and cancels.
  Frames(8);
  TGuiDialog* message = Open(gui::DialogMessageCustom, "An unknown key is shown as it is", 0, [&] { ++done; });
  EXPECT_EQ(message->KeyControls[KeySlotCancel], message->KeyControls[KeySlotConfirm]);
  Click(message, "OK");
  EXPECT_EQ(done, 2);
}

}  // namespace
}  // namespace tv::test
