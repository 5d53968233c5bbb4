// The screen table: every screen registered in its order, and names the registry does not know.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiScreensFixture.h"
#include "MenuScreensFixture.h"
#include "base/AppProcess.h"

namespace tv::test {
namespace {

TEST_F(MenuScreens, RegistryHoldsEveryScreenInItsOrder) {
  std::vector<std::string> forms;
  for (TItem* f : *GuiForms()) forms.push_back(static_cast<TGuiForm*>(f)->Name);
  EXPECT_EQ(forms, (std::vector<std::string>{gui::FormSplash, gui::FormMenu, gui::FormProfiles, gui::FormPlay}));
  std::vector<std::string> dialogs;
  for (TItem* d : *GuiDialogs()) dialogs.push_back(static_cast<TGuiDialog*>(d)->Name);
  const std::vector<std::string> expected = {
      gui::DialogMessageCustom, gui::DialogQueryCustom,  gui::DialogInputLineCustom,
      gui::DialogOptions,       gui::DialogLanguage,     gui::DialogAbout,
      gui::DialogAchievement,   gui::DialogAchievements, gui::DialogScene,
      gui::DialogInventory,     gui::DialogHint};
  EXPECT_EQ(dialogs, expected);  // "ShowAllProps" only in debug mode
  EXPECT_EQ(FindDialog(gui::DialogShowAllProps), nullptr);
}

TEST_F(GuiScreens, UnknownNamesDoNothing) {
  ShowDialog("NoSuchDialog", {.MessageKey = "x", .OnDone = [] { FAIL(); }});
  SwitchForm("NoSuchForm", "NoSuchTransition", [] { FAIL(); });
  Frames(3);
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(RunningTransition(), nullptr);
  TGuiDialog* options = Open(gui::DialogOptions, "", 0);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->FindControl("NoSuchControl"), nullptr);
  options->Sender = nullptr;
  options->OnClick();  // a click without a sender changes nothing
  EXPECT_EQ(options->FadeState, TFadeState::Shown);

  // Silent for players; in debug mode each unknown name is logged.
  ClearLogMessages();
  ShowDialog("NoSuchDialog");
  EXPECT_TRUE(GetLogMessages().empty());
  SetDebugMode(true);
  ShowDialog("NoSuchDialog");
  SwitchForm("NoSuchForm", "NoSuchTransition", nullptr);
  SendCommand("NoSuchForm", "Go", nullptr);
  SetDebugMode(false);
  EXPECT_EQ(GetLogMessages(),
            (std::vector<std::string>{"Unknown dialog \"NoSuchDialog\"", "Unknown transition \"NoSuchTransition\"",
                                      "Unknown form \"NoSuchForm\""}));
  ClearLogMessages();
}

}  // namespace
}  // namespace tv::test
