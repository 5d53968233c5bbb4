// The scene dialog and the prop controls on the memory video device, over a small loaded world,
// driven frame by frame with a fixed time step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GameScreenNames.h"
#include "app/AppGame.h"
#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "game/ModelFixture.h"
#include "game/gui/GameGuiControlProp.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogScene.h"
#include "support/VideoTestSupport.h"

namespace tv::test {
namespace {

constexpr float FrameTime = 0.05f;

class SceneDialog : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    TextsStartup();
    EffectsStartup();
    InitTimer();
    SetFixedFrameTime(FrameTime);
  }
  void TearDown() override {
    GuiShutdown();
    EffectsShutdown();
    TextsShutdown();
    SetDebugMode(false);
    ModelTest::TearDown();
  }

  // Props: Coin (property, 5), Torch (single-unit item, 1), Key (item, 2), Title (title, 0).
  // One site (number 1, special as given) whose scenes the test adds; the world is loaded and
  // the screens registered.
  TSceneDef& Add(int32_t Number, int32_t Kind) { return B.AddScene(SiteRef, Number, Kind); }
  void Begin(int32_t Special = 0) {
    Coin = B.AddProp("Coin", 0, 5);
    Torch = B.AddProp("Torch", 4, 1);
    B.Prop(Torch).SingleUnit = true;
    Key = B.AddProp("Key", 4, 2);
    Title = B.AddProp("Title", 1, 0);
    const int32_t region = B.AddRegion("R", 1);
    SiteRef = B.AddSite(region, "Gate", 1);
    B.Site(SiteRef).Special = Special;
  }
  void Finish() {
    LoadScenarioBytes(B.Build(), "test");
    Rebuild();
    GuiStartup();
    RegisterScreens();
  }
  TScene* SceneNumbered(int32_t Number) {
    for (TItem* item : *SiteNumbered(1)->Scenes) {
      if (static_cast<TScene*>(item)->Number == Number) return static_cast<TScene*>(item);
    }
    return nullptr;
  }
  void Frames(int N) {
    for (int i = 0; i < N; ++i) {
      UpdateTimer();
      UpdateGui();
    }
  }
  // Opens the dialog on a scene as the avatar does (the avatar presenting it) and lets it fade in.
  TGuiDialogScene* Open(int32_t Number, int32_t Value = 0) {
    TScene* scene = SceneNumbered(Number);
    EXPECT_NE(scene, nullptr);
    if (Value == 0) {
      Avatar()->Site = scene->Site;
      Avatar()->Scene = scene;
      Avatar()->State = StatePresenting;
    }
    ShowDialog(gui::DialogScene, {.Value = Value, .Data = scene});
    Frames(8);
    auto* dialog = dynamic_cast<TGuiDialogScene*>(TopDialog());
    EXPECT_NE(dialog, nullptr);
    return dialog;
  }
  static TGuiControl* Find(TGuiForm* Form, const std::string& Name) {
    for (TItem* item : Form->Controls) {
      if (static_cast<TGuiControl*>(item)->Name == Name) return static_cast<TGuiControl*>(item);
    }
    return nullptr;
  }
  // What the click rule does for a usable control.
  static void Click(TGuiForm* Form, const std::string& Name) {
    TGuiControl* control = Find(Form, Name);
    ASSERT_NE(control, nullptr) << Name;
    ASSERT_TRUE(control->Usable()) << Name;
    control->OnClick();
    Form->Sender = control;
    Form->OnClick();
  }
  template <class T>
  static std::vector<T*> All(TGuiForm* Form) {
    std::vector<T*> out;
    for (TItem* item : Form->Controls) {
      if (auto* c = dynamic_cast<T*>(static_cast<TGuiControl*>(item))) out.push_back(c);
    }
    return out;
  }

  TVideoTestEnv Env;
  TScenarioBuilder B;
  int32_t SiteRef = 0;
  int32_t Coin = 0;
  int32_t Torch = 0;
  int32_t Key = 0;
  int32_t Title = 0;
};

TEST_F(SceneDialog, UnmetRequirementsDisableAcceptOfferSkipInDebugModeAndPointAtCancel) {
  SetDebugMode(true);
  Begin(111);
  Add(1, SceneKinds::Requirements(2)).Left = {TSlotDef{Coin, 3}, TSlotDef{Key, 3}};  // Key is short
  Add(2, SceneKinds::Requirements(1)).Left = {TSlotDef{Coin, 5}};                    // met
  Finish();
  TGuiDialogScene* dialog = Open(1);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(Find(dialog, "Accept")->Enabled);
  ASSERT_NE(Find(dialog, "Skip"), nullptr);
  EXPECT_EQ(Find(dialog, "Skip")->Text, "SKIP");
  EXPECT_EQ(Find(dialog, "Skip")->HintText, "Force to skip the requirements");
  EXPECT_EQ(dialog->RecommendedControl, Find(dialog, "Cancel"));
  EXPECT_EQ(dialog->RecommendedSide, 1);
  // The badges: 3 coins of 5 are there (green, 11), 3 keys of 2 are not (red, 10).
  auto props = All<TGuiControlPropRequirement>(dialog);
  ASSERT_EQ(props.size(), 2u);
  ASSERT_NE(props[1]->BadgeSprite, nullptr);
  EXPECT_EQ(props[0]->BadgeSprite->GetSegment(0), 11);
  EXPECT_FLOAT_EQ(props[0]->BadgeSprite->Color.G, 1);
  EXPECT_EQ(props[1]->BadgeSprite->GetSegment(0), 10);
  EXPECT_FLOAT_EQ(props[1]->BadgeSprite->Color.R, 1);
  EXPECT_FLOAT_EQ(props[1]->BadgeSprite->Color.G, 0);
  ASSERT_NE(props[1]->AmountText, nullptr);
  EXPECT_EQ(props[1]->AmountText->Text, "3");  // the amount required, not the one held
  // Skip carries the scene out anyway.
  Click(dialog, "Skip");
  EXPECT_EQ(Avatar()->State, StateExecuting);
  Frames(10);
  EXPECT_EQ(TopDialog(), nullptr);

  // Met: Accept is enabled, no Skip, and the arrow points at Accept.
  dialog = Open(2);
  EXPECT_TRUE(Find(dialog, "Accept")->Enabled);
  EXPECT_EQ(Find(dialog, "Skip"), nullptr);
  EXPECT_EQ(dialog->RecommendedControl, Find(dialog, "Accept"));
  EXPECT_EQ(dialog->RecommendedSide, 0);
}

TEST_F(SceneDialog, WithoutDebugModeThereIsNoSkipAndOtherSpecialsPointNowhere) {
  Begin(0);
  Add(1, SceneKinds::Requirements(1)).Left = {TSlotDef{Key, 3}};
  Finish();
  TGuiDialogScene* dialog = Open(1);
  EXPECT_EQ(Find(dialog, "Skip"), nullptr);
  EXPECT_EQ(dialog->RecommendedControl, nullptr);
  Click(dialog, "Cancel");
  EXPECT_EQ(Avatar()->State, StateRevealing);  // declined
}

TEST_F(SceneDialog, FloatingTextAcceptsItselfAfterItsReadingTimeOrAtOnceWhenClicked) {
  Begin();
  Add(1, SceneKinds::FloatingText);
  Add(2, SceneKinds::FloatingText);
  Finish();
  AddText("SceneLegendH1", "Hello there");  // 11 characters: 1.54 s
  AddText("SceneLegendH2", "Hi");
  TGuiDialogScene* dialog = Open(1);
  ASSERT_EQ(dialog->FadeState, TFadeState::Shown);
  EXPECT_EQ(Find(dialog, "Accept")->Text, "Hello there");
  EXPECT_EQ(Find(dialog, "Cancel"), nullptr);
  // Fully shown after 6 of the 8 frames: 0.1 s of reading are gone.
  Frames(28);
  EXPECT_EQ(Avatar()->State, StatePresenting);
  Frames(2);
  EXPECT_EQ(Avatar()->State, StateExecuting);
  EXPECT_EQ(dialog->FadeState, TFadeState::FadingOut);
  Frames(8);
  EXPECT_EQ(TopDialog(), nullptr);

  dialog = Open(2);
  Click(dialog, "Accept");
  EXPECT_EQ(Avatar()->State, StateExecuting);
  // Only once, even when the reading time ends while it fades out.
  Avatar()->State = StatePresenting;
  Frames(10);
  EXPECT_EQ(Avatar()->State, StatePresenting);
}

TEST_F(SceneDialog, TextStopOffersOnlyCancelAndFramedKindsKeepTheirButtonsInTheFrame) {
  Begin(110);
  Add(1, SceneKinds::TextStop);
  Add(2, SceneKinds::Text);
  Finish();
  AddText("SceneLegendH1", "The road is closed.");
  TGuiDialogScene* dialog = Open(1);
  EXPECT_EQ(Find(dialog, "Accept"), nullptr);
  ASSERT_NE(Find(dialog, "Cancel"), nullptr);
  EXPECT_TRUE(Find(dialog, "Cancel")->Enabled);
  EXPECT_EQ(dialog->RecommendedControl, nullptr);  // 110 points only at an Accept
  Click(dialog, "Cancel");
  Frames(10);
  dialog = Open(2);
  EXPECT_EQ(dialog->RecommendedControl, Find(dialog, "Accept"));
  // Accept sits in the button row, inside the frame's padding.
  const TVector accept = Find(dialog, "Accept")->ScreenCenter();
  EXPECT_LE(accept.Y + 30, dialog->Box.Y + dialog->Box.H / 2 - 20 + 0.01f);
  EXPECT_GE(accept.Y - 30, dialog->Box.Y - dialog->Box.H / 2 + 20);
}

TEST_F(SceneDialog, TheLegendAbovePropRowsStartsClearOfTheFramesBorder) {
  Begin();
  Add(1, SceneKinds::Requirements(1)).Left = {TSlotDef{Coin, 5}};
  Finish();
  TGuiDialogScene* dialog = Open(1);
  ASSERT_NE(dialog, nullptr);
  // The border picture is 28 wide; a legend that fills its box must not start under it.
  const float frameTop = dialog->Box.Y - dialog->Box.H / 2;
  const auto labels = All<TGuiControlLabel>(dialog);
  ASSERT_FALSE(labels.empty());
  for (const TGuiControlLabel* label : labels) {
    EXPECT_GE(label->ScreenCenter().Y - label->Size.Y / 2, frameTop + 28 - 0.01f);
  }
}

TEST_F(SceneDialog, BarterRowsTradeOnePerClickUntilTheLeftPropRunsShort) {
  Begin();
  TSceneDef& barter = Add(1, SceneKinds::Barter(3));
  barter.Left = {TSlotDef{Coin, 2}, TSlotDef{Key, 1}, TSlotDef{}};
  barter.Right = {TSlotDef{Torch, 1}, TSlotDef{Title, 1}, TSlotDef{Key, 1}};
  Finish();
  TGuiDialogScene* dialog = Open(1);
  // Cancel and Accept side by side, apart.
  EXPECT_GE(Find(dialog, "Accept")->ScreenCenter().X - Find(dialog, "Cancel")->ScreenCenter().X, 60);
  EXPECT_EQ(dialog->BarterRows, 3);
  EXPECT_EQ(Find(dialog, "BarterPerf3"), nullptr);  // a row without its left prop is not shown
  EXPECT_EQ(Find(dialog, "BarterCountA1")->Text, "5");
  EXPECT_EQ(Find(dialog, "BarterCountB1")->Text, "1");
  // The single-unit torch shows its number in a barter row.
  auto* torch = dynamic_cast<TGuiControlProp*>(Find(dialog, "BarterPropB1"));
  ASSERT_NE(torch->AmountText, nullptr);
  EXPECT_EQ(torch->AmountText->Text, "+1");
  EXPECT_EQ(dynamic_cast<TGuiControlProp*>(Find(dialog, "BarterPropA1"))->AmountText->Text, "-2");

  const float restA = Find(dialog, "BarterPropA1")->Offset.Y;
  Click(dialog, "BarterPerf1");
  EXPECT_FALSE(Find(dialog, "BarterPerf1")->Enabled);  // animating
  Frames(1);                                           // 0.05 of the 0.08 s of giving
  EXPECT_GT(Find(dialog, "BarterPropA1")->Offset.Y, restA);
  EXPECT_EQ(Find(dialog, "BarterCountA1")->Text, "5");
  Frames(1);
  EXPECT_EQ(Find(dialog, "BarterCountA1")->Text, "3");
  EXPECT_EQ(Find(dialog, "BarterCountB1")->Text, "1");
  Frames(1);
  EXPECT_EQ(Find(dialog, "BarterCountB1")->Text, "2");
  EXPECT_EQ(Avatar()->BarterCounts[0], 0);
  Frames(3);
  EXPECT_EQ(Avatar()->BarterCounts[0], 1);
  EXPECT_TRUE(Find(dialog, "BarterPerf1")->Enabled);
  EXPECT_FLOAT_EQ(Find(dialog, "BarterPropA1")->Offset.Y, restA);
  // A second trade: 5 -> 1, and the row is short.
  Click(dialog, "BarterPerf1");
  Frames(6);
  EXPECT_EQ(Avatar()->BarterCounts[0], 2);
  EXPECT_EQ(Find(dialog, "BarterCountA1")->Text, "1");
  EXPECT_FALSE(Find(dialog, "BarterPerf1")->Enabled);
  EXPECT_EQ(Find(dialog, "BarterCountB1")->Text, "3");
  // Row 2 pays one key for the title; the amounts themselves have not moved.
  Click(dialog, "BarterPerf2");
  EXPECT_EQ(PropNamed("Coin")->Amount, 5);
  // Accept finishes the running trade and applies everything at once.
  Click(dialog, "Accept");
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{2, 1, 0, 0, 0, 0, 0}));
  Avatar()->Update(true, 0.0f);
  EXPECT_EQ(PropNamed("Coin")->Amount, 1);
  EXPECT_EQ(PropNamed("Torch")->Amount, 3);
  EXPECT_EQ(PropNamed("Key")->Amount, 1);
  EXPECT_EQ(PropNamed("Title")->Amount, 1);
}

TEST_F(SceneDialog, SevenBarterRowsAndADialogNearTheEdgeStayInsideTheUsableArea) {
  Begin();
  TSceneDef& barter = Add(1, SceneKinds::Barter(7));
  for (size_t i = 0; i < 7; ++i) {
    barter.Left[i] = TSlotDef{Coin, 1};
    barter.Right[i] = TSlotDef{Key, 1};
  }
  barter.DialogX = 790;
  barter.DialogY = 440;
  TSceneDef& floating = Add(2, SceneKinds::FloatingText);
  floating.DialogX = -800;
  floating.DialogY = -450;
  Finish();
  AddText("SceneLegendH2", "Far in the corner");
  for (int32_t number : {1, 2}) {
    TGuiDialogScene* dialog = Open(number);
    const TGuiRect box = dialog->Box;
    const TGuiRect area = dialog->Usable;
    EXPECT_GE(box.X - box.W / 2, area.X - area.W / 2) << number;
    EXPECT_LE(box.X + box.W / 2, area.X + area.W / 2) << number;
    EXPECT_GE(box.Y - box.H / 2, area.Y - area.H / 2) << number;
    EXPECT_LE(box.Y + box.H / 2, area.Y + area.H / 2) << number;
    // Every control lies inside the box.
    for (TItem* item : dialog->Controls) {
      auto* c = static_cast<TGuiControl*>(item);
      if (dynamic_cast<TGuiControlRecommendedArrow*>(c) != nullptr) continue;
      const TVector at = c->ScreenCenter();
      EXPECT_GE(at.X - c->Size.X / 2, box.X - box.W / 2 - 0.01f) << c->Name;
      EXPECT_LE(at.X + c->Size.X / 2, box.X + box.W / 2 + 0.01f) << c->Name;
      EXPECT_GE(at.Y - c->Size.Y / 2, box.Y - box.H / 2 - 0.01f) << c->Name;
      EXPECT_LE(at.Y + c->Size.Y / 2, box.Y + box.H / 2 + 0.01f) << c->Name;
    }
    Click(dialog, "Accept");
    Frames(10);
  }
}

TEST_F(SceneDialog, APreviewChangesNothingInTheModel) {
  Begin(113);
  TSceneDef& barter = Add(1, SceneKinds::Barter(1));
  barter.Left[0] = TSlotDef{Coin, 2};
  barter.Right[0] = TSlotDef{Key, 1};
  Add(2, SceneKinds::Requirements(1)).Left[0] = TSlotDef{Key, 9};
  Finish();
  AddText("LabelIHave", "I have");
  PropNamed("Coin")->AmountBefore = 42;
  Avatar()->BarterCounts = {1, 2, 3, 4, 5, 6, 7};
  const int32_t events = EventCount();
  const int32_t state = Avatar()->State;
  TGuiDialogScene* dialog = Open(1, 1);
  EXPECT_FLOAT_EQ(dialog->Box.X, 0);
  EXPECT_EQ(Find(dialog, "BarterCountA1")->Text, "I have: 5");
  EXPECT_EQ(dialog->RecommendedControl, Find(dialog, "BarterPerf1"));
  Click(dialog, "BarterPerf1");
  Frames(6);
  Click(dialog, "Accept");
  Frames(10);
  dialog = Open(2, 1);
  Click(dialog, "Cancel");
  Frames(10);
  EXPECT_EQ(PropNamed("Coin")->AmountBefore, 42);
  EXPECT_EQ(PropNamed("Coin")->Amount, 5);
  EXPECT_EQ(PropNamed("Key")->Amount, 2);
  EXPECT_EQ(Avatar()->BarterCounts, (TCounts{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(EventCount(), events);
  EXPECT_EQ(Avatar()->State, state);
}

TEST_F(SceneDialog, PropControlsShowAmountsGreyLossesAndAPlateWithoutPicture) {
  Begin();
  Add(1, SceneKinds::Losses(2)).Left = {TSlotDef{Torch, 1}, TSlotDef{Key, 2}};
  Add(2, SceneKinds::Rewards(2)).Right = {TSlotDef{Torch, 1}, TSlotDef{Title, 1}};
  Add(3, SceneKinds::FloatingLoss).Left[0] = TSlotDef{Coin, 3};
  Finish();
  TGuiDialogScene* dialog = Open(1);
  auto losses = All<TGuiControlPropLoss>(dialog);
  ASSERT_EQ(losses.size(), 2u);
  // A single-unit prop losing 1 shows no number; the key shows "-2", greyed.
  EXPECT_EQ(losses[0]->AmountText, nullptr);
  ASSERT_NE(losses[1]->AmountText, nullptr);
  EXPECT_EQ(losses[1]->AmountText->Text, "-2");
  ASSERT_NE(losses[1]->IconSprite, nullptr);
  EXPECT_FLOAT_EQ(losses[1]->IconSprite->Param, 0.33f);
  EXPECT_EQ(losses[1]->IconSprite->Mode, FindShadingMode("PropIcon"));
  EXPECT_EQ(losses[1]->FrameSprite->GetSegment(0), 1);
  // No picture: the plate alone.
  EXPECT_NE(losses[1]->IconSprite->GetTexture(0), nullptr);
  EXPECT_EQ(losses[1]->IconSprite->GetTexture(1), nullptr);
  EXPECT_EQ(losses[1]->HintText, PropNamed("Key")->LossLabel(2));
  Click(dialog, "Accept");
  Frames(10);

  dialog = Open(2);
  auto rewards = All<TGuiControlPropReward>(dialog);
  ASSERT_EQ(rewards.size(), 2u);
  EXPECT_EQ(rewards[0]->AmountText, nullptr);  // single unit, 1
  EXPECT_EQ(rewards[1]->AmountText, nullptr);  // a title is never counted
  EXPECT_FLOAT_EQ(rewards[0]->IconSprite->Param, 1);
  EXPECT_EQ(rewards[0]->FrameSprite->GetSegment(0), 3);
  Click(dialog, "Accept");
  Frames(10);

  // The floating loss: no frame, no plate, the amount up and left, and it accepts itself.
  dialog = Open(3);
  auto* floating = dynamic_cast<TGuiControlPropLossFloat*>(Find(dialog, "Accept"));
  ASSERT_NE(floating, nullptr);
  EXPECT_EQ(floating->FrameSprite, nullptr);
  EXPECT_EQ(floating->IconSprite->GetTexture(0), nullptr);
  EXPECT_FLOAT_EQ(floating->IconSprite->Size.X, 60);
  EXPECT_EQ(floating->AmountText->Text, "-3");
  EXPECT_FLOAT_EQ(floating->AmountText->Position.X, floating->IconSprite->Position.X - 10);
  EXPECT_EQ(Avatar()->State, StateExecuting);
}

TEST_F(SceneDialog, TheClickableRewardGlowsUnderTheMouseAndMovesWhilePressed) {
  Begin(112);
  Add(1, SceneKinds::FloatingReward).Right[0] = TSlotDef{Key, 4};
  Finish();
  TGuiDialogScene* dialog = Open(1);
  auto* reward = dynamic_cast<TGuiControlPropRewardClick*>(Find(dialog, "Accept"));
  ASSERT_NE(reward, nullptr);
  EXPECT_EQ(dialog->RecommendedControl, reward);
  const TVector rest = reward->IconSprite->Position;
  reward->Hovered = true;
  reward->Pressed = true;
  reward->Render(true);
  EXPECT_EQ(reward->FrameSprite->Mode, FindShadingMode("Blend1"));
  EXPECT_EQ(reward->FrameSprite->GetSegment(1), 4);
  EXPECT_FLOAT_EQ(reward->IconSprite->Position.X, rest.X + 2);
  EXPECT_FLOAT_EQ(reward->IconSprite->Position.Y, rest.Y + 2);
  reward->Hovered = false;
  reward->Pressed = false;
  reward->Render(true);
  EXPECT_EQ(reward->FrameSprite->Mode, FindShadingMode("Default"));
  EXPECT_EQ(reward->FrameSprite->GetTexture(1), nullptr);
  EXPECT_EQ(reward->AmountText->Text, "+4");
  Click(dialog, "Accept");
  EXPECT_EQ(Avatar()->State, StateExecuting);
}

}  // namespace
}  // namespace tv::test
