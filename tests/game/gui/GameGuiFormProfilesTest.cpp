// The profiles form: choosing, adding and deleting the players.
#include <gtest/gtest.h>

#include <string>

#include "MenuScreensFixture.h"
#include "game/gui/GameGuiFormProfiles.h"

namespace tv::test {
namespace {

TEST_F(MenuScreens, ProfileButtonsShowTheProfilesAndHoldTheCurrentOneDown) {
  Load();
  AddPlayer("Bo");
  AddPlayer("Cy");
  SelectPlayer(2);
  TGuiForm* form = Show(gui::FormProfiles);
  for (int i = 1; i <= 6; ++i) {
    TGuiControl* b = form->FindControl(std::to_string(i));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Visible, i <= 3) << i;
    EXPECT_EQ(b->Down, i == 2) << i;
  }
  EXPECT_EQ(form->FindControl("1")->Text, "Tester");
  EXPECT_EQ(form->RecommendedControl, nullptr);
  EXPECT_EQ(form->KeyControls[KeySlotCancel], form->FindControl("OK"));
  EXPECT_EQ(form->KeyControls[KeySlotConfirm], form->FindControl("OK"));

  Click(form, "3");
  EXPECT_EQ(CurrentPlayer()->Name, "Cy");
  EXPECT_FALSE(form->FindControl("2")->Down);
  EXPECT_EQ(form->RecommendedControl, form->FindControl("OK"));
  Click(form, "OK");
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_TRUE(RunningTransition()->Callback);  // another player: the world is rebuilt
  FinishTransition();

  form = Show(gui::FormProfiles);
  Click(form, "OK");
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_FALSE(RunningTransition()->Callback);  // the same player: nothing to rebuild
}

TEST_F(MenuScreens, ASeventhProfileAndDeletingTheOnlyOneAreRefused) {
  Load();
  TGuiForm* form = Show(gui::FormProfiles);
  EXPECT_EQ(form->RecommendedControl, form->FindControl("New"));
  ClickShowsMessage(form, "Delete", gui::DialogMessageCustom, "MsgCantDeleteProfile");
  EXPECT_EQ(PlayerCount(), 1);

  for (const char* name : {"B", "C", "D", "E", "F"}) AddPlayer(name);
  form = Show(gui::FormProfiles);
  ClickShowsMessage(form, "New", gui::DialogMessageCustom, "MsgTooManyProfiles");

  Click(form, "Delete");
  RunFrames(10);
  ASSERT_EQ(TopKey(), "QueryDeleteProfile");
  EXPECT_EQ(PlayerCount(), 6);
  TopDialog()->OnDone();
  EXPECT_EQ(PlayerCount(), 5);
  EXPECT_FALSE(form->FindControl("6")->Visible);
  EXPECT_TRUE(form->FindControl("1")->Down);
}

TEST_F(MenuScreens, DeletingTheStartingProfileRebuildsOnOK) {
  Load();
  AddPlayer("Bo");  // current
  TGuiForm* form = Show(gui::FormProfiles);
  Click(form, "Delete");
  RunFrames(10);
  TopDialog()->OnDone();
  HideAllDialogs();
  Click(form, "New");
  RunFrames(10);
  TopDialog()->OnText("Cy");  // may take the place of the deleted one
  HideAllDialogs();
  Click(form, "OK");
  ASSERT_NE(RunningTransition(), nullptr);
  EXPECT_TRUE(RunningTransition()->Callback);
}

TEST_F(MenuScreens, ATakenNameIsReportedAndTheNameAskedForAgain) {
  Load();
  auto* form = static_cast<TGuiFormProfiles*>(Show(gui::FormProfiles));
  Click(form, "New");
  RunFrames(10);
  ASSERT_EQ(TopName(), gui::DialogInputLineCustom);
  EXPECT_EQ(TopKey(), "InputName");
  // The prompt takes a name of up to 14 characters and can be cancelled.
  EXPECT_EQ(TopDialog()->MaxLength, ProfileNameLength);
  EXPECT_NE(TopDialog()->FindControl("Cancel"), nullptr);
  TopDialog()->OnText("  tESTER ");  // names differ in more than case and spaces
  EXPECT_TRUE(form->NameTaken);
  EXPECT_EQ(PlayerCount(), 1);
  HideDialog(TopDialog());
  RunFrames(12);
  ASSERT_EQ(TopName(), gui::DialogMessageCustom);
  EXPECT_EQ(TopKey(), "MsgProfileAlreadyExists");
  EXPECT_FALSE(form->NameTaken);
  TopDialog()->OnDone();
  HideDialog(TopDialog());
  RunFrames(12);
  ASSERT_EQ(TopName(), gui::DialogInputLineCustom);
  EXPECT_FALSE(form->AskName);
  EXPECT_NE(TopDialog()->FindControl("Cancel"), nullptr);

  TopDialog()->OnText("   ");  // nothing typed: nothing happens
  EXPECT_EQ(PlayerCount(), 1);
  EXPECT_FALSE(form->NameTaken);
  TopDialog()->OnText(" Bo ");
  ASSERT_EQ(PlayerCount(), 2);
  EXPECT_EQ(CurrentPlayer()->Name, "Bo");
  EXPECT_TRUE(form->FindControl("2")->Visible);
  EXPECT_TRUE(form->FindControl("2")->Down);
  EXPECT_EQ(form->RecommendedControl, form->FindControl("OK"));
  HideDialog(TopDialog());
  RunFrames(12);
  EXPECT_EQ(TopDialog(), nullptr);  // no request left over
}

}  // namespace
}  // namespace tv::test
