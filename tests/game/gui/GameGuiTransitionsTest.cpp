// The game's transitions between forms.
#include <gtest/gtest.h>

#include "GuiScreensFixture.h"
#include "game/gui/GameGuiTransitions.h"

namespace tv::test {
namespace {

TEST_F(GuiScreens, CoverTransitionFadesOutAndInUnlessThereWasNothingToFade) {
  TGuiTransitionCover cover("Fade", 1.0f, 0.3f, {0, 0, 0}, "");
  cover.Begin();
  ASSERT_NE(cover.CoverSprite(), nullptr);
  EXPECT_FLOAT_EQ(cover.CoverAlpha(), 0);
  UpdateTimer();
  EXPECT_FALSE(cover.CoverStep2());
  EXPECT_NEAR(cover.CoverAlpha(), 1.0f / 6, 1e-4f);
  // Six frames of 0.05 s cover the screen.
  for (int i = 2; i <= 5; ++i) {
    UpdateTimer();
    EXPECT_FALSE(cover.CoverStep2()) << i;
  }
  UpdateTimer();
  EXPECT_TRUE(cover.CoverStep2());
  EXPECT_FLOAT_EQ(cover.CoverAlpha(), 1);
  EXPECT_TRUE(cover.CoverStep3());
  UpdateTimer();
  EXPECT_FALSE(cover.UncoverStep2());
  EXPECT_NEAR(cover.CoverAlpha(), 0.95f, 1e-4f);
  cover.Finish();
  EXPECT_EQ(cover.CoverSprite(), nullptr);

  // From nothing the cover is complete at once: the first screen is only revealed.
  cover.FromNothing = true;
  cover.Begin();
  EXPECT_TRUE(cover.CoverStep2());
  EXPECT_FLOAT_EQ(cover.CoverAlpha(), 1);
  cover.Finish();
}

TEST_F(GuiScreens, SwitchingFormsBehindTheFade) {
  Form("A", nullptr);
  Form("B", nullptr);
  // From nothing: the form is current while the cover is still whole.
  SwitchForm("A", gui::TransitionFade, nullptr);
  int frames = 0;
  while (CurrentForm() == nullptr && frames < 20) {
    Frames(1);
    ++frames;
  }
  EXPECT_LE(frames, 4);
  ASSERT_NE(CurrentForm(), nullptr);
  EXPECT_EQ(CurrentForm()->Name, "A");
  Frames(20);
  EXPECT_EQ(RunningTransition(), nullptr);

  // From a form: it stays until the cover has taken 0.3 s, then the callback runs before B shows.
  bool called = false;
  SwitchForm("B", gui::TransitionFade, [&] {
    called = true;
    EXPECT_EQ(PendingForm()->Name, "B");
  });
  Frames(5);
  EXPECT_EQ(CurrentForm()->Name, "A");
  EXPECT_FALSE(called);
  Frames(5);
  EXPECT_TRUE(called);
  EXPECT_EQ(CurrentForm()->Name, "B");

  // The ending's caption reads the text of its key.
  AddText("LabelTheEnd", "The end");
  auto* ending = dynamic_cast<TGuiTransitionCover*>(FindTransition(gui::TransitionFadeEnding));
  ASSERT_NE(ending, nullptr);
  ending->Begin();
  ASSERT_NE(ending->CaptionText(), nullptr);
  EXPECT_EQ(ending->CaptionText()->Text, "The end");
  ending->Finish();
}

}  // namespace
}  // namespace tv::test
