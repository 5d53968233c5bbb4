// The about dialog.
#include <gtest/gtest.h>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiDialogAbout.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, AboutShowsTheBuildsVersion) {
  TGuiDialog* about = Open(gui::DialogAbout, "", 0);
  ASSERT_NE(about, nullptr);
  auto* version = dynamic_cast<TGuiControlLabelSuffix*>(about->FindControl("LabelVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version->Suffix(), std::string(" ") + ProgramVersion());
  EXPECT_FALSE(std::string(ProgramVersion()).empty());
  Click(about, "Close");
  EXPECT_EQ(about->FadeState, TFadeState::FadingOut);
}

}  // namespace
}  // namespace tv::test
