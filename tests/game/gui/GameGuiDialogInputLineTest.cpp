// The input line dialog.
#include <gtest/gtest.h>

#include <string>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, InputLineWithOptionBitTwoAcceptsOnlyWhenSomethingIsTyped) {
  std::vector<std::string> entered;
  TGuiDialog* line = Open(gui::DialogInputLineCustom, "InputName", 2 | 12, nullptr,
                          [&](const std::string& Text) { entered.push_back(Text); });
  ASSERT_NE(line, nullptr);
  TGuiControl* ok = line->FindControl("OK");
  EXPECT_FALSE(ok->Enabled);
  // With the bit of value 4 (the first-start name prompt) there is no way to dismiss it unnamed.
  EXPECT_EQ(line->FindControl("Cancel"), nullptr);
  EXPECT_EQ(line->KeyControls[KeySlotCancel], nullptr);
  EXPECT_TRUE(TextInputActive());
  TextInputKey('K');
  TextInputKey('a');
  Frames(1);
  EXPECT_TRUE(ok->Enabled);
  TextInputKey(8);
  TextInputKey(8);
  Frames(1);
  EXPECT_FALSE(ok->Enabled);
  TextInputKey('M');
  Frames(1);
  Click(line, "OK");
  EXPECT_EQ(entered, std::vector<std::string>{"M"});
  Frames(8);
  EXPECT_FALSE(TextInputActive());

  // Without the bit an empty line may be accepted; cancelling calls nothing.
  line = Open(gui::DialogInputLineCustom, "InputName", 16);
  EXPECT_TRUE(line->FindControl("OK")->Enabled);
  Click(line, "Cancel");
  EXPECT_EQ(entered.size(), 1u);
}

}  // namespace
}  // namespace tv::test
