// The game's common controls, dialogs, hint styles and transitions on the memory video device,
// driven frame by frame with a fixed time step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GameScreenNames.h"
#include "app/AppGame.h"
#include "app/AppInput.h"
#include "app/AppMain.h"
#include "base/AppTimer.h"
#include "app/AppWindow.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "base/AppProcess.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiCursors.h"
#include "game/gui/GameGuiDialogAbout.h"
#include "game/gui/GameGuiDialogBase.h"
#include "game/gui/GameGuiDialogChoose.h"
#include "game/gui/GameGuiHints.h"
#include "game/gui/GameGuiHooks.h"
#include "game/gui/GameGuiTransitions.h"
#include "support/VideoTestSupport.h"

namespace tv::test {
namespace {

constexpr float FrameTime = 0.05f;

// Exposes what a control keeps of its picture.
struct TProbeButton : TGuiControlButton {
  using TGuiControlButton::Caption;
  using TGuiControlButton::Plate;
};

// A form whose controls a test builds through a function.
class TTestForm : public TGuiForm {
 public:
  explicit TTestForm(std::string Name) : TGuiForm(std::move(Name), "Custom", "Custom") {}
  std::function<void(TTestForm&)> Build;
  std::vector<std::string> Clicks;
  void OnShow() override {
    if (Build) Build(*this);
  }
  void OnClick() override { Clicks.push_back(Sender != nullptr ? Sender->Name : "?"); }
};

class GuiScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    TextsStartup();
    EffectsStartup();
    InitTimer();
    SetFixedFrameTime(FrameTime);
    GuiStartup();
    InstallScreenHooks();
    RegisterScreens();
    ResetTextInput();
  }
  void TearDown() override {
    ClearScreenHooks();
    GuiShutdown();
    EffectsShutdown();
    TextsShutdown();
    ResetTextInput();
    for (int32_t g = 0; g < SoundGroupCount; ++g) SetGroupVolume(g, 10);
  }
  void Frames(int N) {
    for (int i = 0; i < N; ++i) {
      UpdateTimer();
      UpdateGui();
    }
  }
  TTestForm* Form(const std::string& Name, std::function<void(TTestForm&)> Build) {
    auto form = std::make_unique<TTestForm>(Name);
    form->Build = std::move(Build);
    return static_cast<TTestForm*>(RegisterForm(std::move(form)));
  }
  // Shows a registered dialog and runs frames until it takes input.
  TGuiDialog* Open(const std::string& Name, const std::string& Key, int32_t Value, TGuiCallback Done = nullptr,
                   TGuiTextCallback Text = nullptr) {
    ShowDialog(Name, {.MessageKey = Key, .Value = Value, .OnDone = std::move(Done), .OnText = std::move(Text)});
    Frames(8);
    TGuiDialog* dialog = TopDialog();
    EXPECT_NE(dialog, nullptr);
    if (dialog != nullptr) {
      EXPECT_TRUE(dialog->Ready && dialog->Active) << Name;
    }
    return dialog;
  }
  // What the click rule does for a control: a toggle is set down first, then the form hears it.
  static void Click(TGuiForm* Form, const std::string& Name) {
    TGuiControl* control = Form->FindControl(Name);
    ASSERT_NE(control, nullptr) << Name;
    ASSERT_TRUE(control->Usable()) << Name;
    if (control->Toggle) {
      if (control->Down) return;
      control->SetDown(true);
    }
    control->OnClick();
    Form->Sender = control;
    Form->OnClick();
  }

  TVideoTestEnv Env;
};

// ---- Controls ---------------------------------------------------------------------------------

TEST_F(GuiScreens, ButtonsShowTheirStateInPlateCaptionAndTexture) {
  TProbeButton* enabled = nullptr;
  TProbeButton* disabled = nullptr;
  std::vector<TGuiControlButtonCustom*> custom;
  Form("Test", [&](TTestForm& F) {
    PlaceBox(F, -200, 0, 160, 50);
    enabled = F.AddControl<TProbeButton>(0, PropText, "Go");
    PlaceBox(F, 0, 0, 160, 50);
    disabled = F.AddControl<TProbeButton>(0, PropText, "Stop", PropEnabled, false);
    for (float width : {99.0f, 100.0f, 249.0f, 250.0f}) {
      PlaceBox(F, 0, 200, width, 60);
      custom.push_back(F.AddControl<TGuiControlButtonCustom>(0));
    }
  });
  ShowForm("Test");
  Frames(1);
  ASSERT_NE(disabled->Plate, nullptr);
  EXPECT_TRUE(Vector3Equal(enabled->Plate->Color, GuiColors::ButtonRed));
  EXPECT_FLOAT_EQ(enabled->Caption->Alpha, 1);
  EXPECT_TRUE(Vector3Equal(disabled->Plate->Color, GuiColors::Grey));
  EXPECT_FLOAT_EQ(disabled->Caption->Alpha, 0.5f);

  // Down: the pressed colour and the caption between arrows; pressed: moved by (2, 2).
  enabled->SetDown(true);
  enabled->Pressed = true;
  Frames(1);
  EXPECT_TRUE(Vector3Equal(enabled->Plate->Color, GuiColors::PressedRed));
  EXPECT_EQ(enabled->Caption->Text, "> Go <");
  EXPECT_FLOAT_EQ(enabled->Plate->Position.X, -198);
  EXPECT_FLOAT_EQ(enabled->Plate->Position.Y, 2);

  ASSERT_EQ(custom.size(), 4u);
  EXPECT_EQ(custom[0]->ParamA, "G2Button60x60");
  EXPECT_EQ(custom[1]->ParamA, "G2Button200x60");
  EXPECT_EQ(custom[2]->ParamA, "G2Button200x60");
  EXPECT_EQ(custom[3]->ParamA, "G2Button300x60");
  EXPECT_EQ(CustomDownCaption("Map"), std::string("\x96\x08>\xA0Map\xA0\x96\x08<"));
  EXPECT_EQ(SquareBorderOf("G2Square06Filled"), 6);
  EXPECT_EQ(SquareBorderOf("G2Square28Border"), 28);
  EXPECT_EQ(SquareBorderOf("G2Dots"), 0);
}

TEST_F(GuiScreens, CanvasControlTakesTheControlsAddedAfterIt) {
  TGuiControl* before = nullptr;
  TGuiControlCanvas* canvas = nullptr;
  TGuiControl* inside = nullptr;
  Form("Test", [&](TTestForm& F) {
    PlaceBox(F, -300, 0, 100, 40);
    before = F.AddControl<TGuiControlLabel>(0, PropText, "Before");
    PlaceBox(F, 100, 50, 200, 100);
    canvas = F.AddControl<TGuiControlCanvas>(10);
    PlaceBox(F, 120, 60, 80, 30);
    inside = F.AddControl<TGuiControlButton>(0, PropText, "Inside");
  });
  ShowForm("Test");
  Frames(1);
  ASSERT_NE(canvas->Target(), nullptr);
  EXPECT_EQ(before->Canvas, MainCanvas());
  EXPECT_EQ(canvas->Canvas, MainCanvas());
  EXPECT_EQ(inside->Canvas, canvas->Target());
  EXPECT_TRUE(VectorsEqual(inside->Origin, Vector(100, 50)));
  EXPECT_TRUE(VectorsEqual(inside->Offset, Vector(20, 10)));
  EXPECT_TRUE(VectorsEqual(inside->ScreenCenter(), Vector(120, 60)));
  EXPECT_GT(canvas->Target()->Sprites->GetCount(), 0);
  // Hiding the form frees the canvas with its controls.
  const int32_t canvases = Canvases()->GetCount();
  ShowForm("");
  EXPECT_EQ(Canvases()->GetCount(), canvases - 1);
}

TEST_F(GuiScreens, RecommendationArrowBobsAtItsTargetAndFadesOutWhenItIsDisabled) {
  TGuiControl* target = nullptr;
  TGuiControlRecommendedArrow* arrow = nullptr;
  TTestForm* form = Form("Test", [&](TTestForm& F) {
    PlaceBox(F, 200, 100, 160, 50);
    target = F.AddControl<TGuiControlButton>(0, PropName, "Target");
    F.Place(PlaceRestore, 0);
    arrow = F.AddControl<TGuiControlRecommendedArrow>(50);
    F.SetRecommendedByName("Target", 1);
  });
  ShowForm("Test");
  EXPECT_FLOAT_EQ(arrow->Alpha, 0);
  EXPECT_TRUE(VectorsEqual(arrow->Size, Vector(64, 64)));
  Frames(6);
  ASSERT_TRUE(form->Active);
  EXPECT_TRUE(arrow->Showing());
  EXPECT_FLOAT_EQ(arrow->Alpha, 1);
  EXPECT_EQ(arrow->ParamD, 1);
  // Side 1 is the upper right corner: between 30 and 40 units right of and above the centre.
  for (int i = 0; i < 20; ++i) {
    Frames(1);
    const TVector d = Sub(arrow->ScreenCenter(), target->ScreenCenter());
    EXPECT_GE(d.X, 30 - 1e-3f);
    EXPECT_LE(d.X, 40 + 1e-3f);
    EXPECT_FLOAT_EQ(d.Y, -d.X);
  }
  target->SetProperty(PropEnabled, false);
  Frames(4);  // 0.2 s
  EXPECT_FLOAT_EQ(arrow->Alpha, 0);
  EXPECT_FALSE(arrow->Showing());
}

TEST_F(GuiScreens, InputLineControlShowsTheTypedTextWithItsCaret) {
  TGuiControlInput* input = nullptr;
  Form("Test", [&](TTestForm& F) {
    PlaceBox(F, 0, 0, 400, 50);
    input = F.AddControl<TGuiControlInput>(0);
  });
  ShowForm("Test");
  BeginTextInput("Ab", 10, false, false, false);
  EnableTextInput();
  Frames(1);
  EXPECT_EQ(input->Text, "Ab");
  TextInputKey('c');
  Frames(1);
  EXPECT_EQ(input->Text, "Abc");
  EXPECT_TRUE(input->CaretShown());
  Frames(10);  // half a second later it has blinked off
  EXPECT_FALSE(input->CaretShown());
  EndTextInput();
}

// ---- Dialogs ----------------------------------------------------------------------------------

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

TEST_F(GuiScreens, VolumeRowsRunFromZeroToTen) {
  SetGroupVolume(SoundGroupEffects, 10);
  SetGroupVolume(SoundGroupMusic, 1);
  TGuiDialog* options = Open(gui::DialogOptions, "", 0);
  ASSERT_NE(options, nullptr);
  auto dot = [&](const std::string& Row, int N) {
    return options->FindControl("Dot" + Row + std::to_string(N))->ParamD;
  };
  EXPECT_FALSE(options->FindControl("EffectsUp")->Enabled);
  EXPECT_TRUE(options->FindControl("EffectsDown")->Enabled);
  EXPECT_EQ(dot("Effects", 10), 1);

  Click(options, "EffectsDown");
  EXPECT_EQ(GetGroupVolume(SoundGroupEffects), 9);
  EXPECT_TRUE(options->FindControl("EffectsUp")->Enabled);
  EXPECT_EQ(dot("Effects", 10), 0);
  EXPECT_EQ(dot("Effects", 9), 1);

  Click(options, "MusicDown");
  EXPECT_EQ(GetGroupVolume(SoundGroupMusic), 0);
  EXPECT_FALSE(options->FindControl("MusicDown")->Enabled);
  EXPECT_EQ(dot("Music", 1), 0);
  Click(options, "MusicUp");
  EXPECT_EQ(GetGroupVolume(SoundGroupMusic), 1);
  EXPECT_EQ(dot("Music", 1), 1);
  EXPECT_EQ(dot("Music", 2), 0);
  // The other rows stay as they were.
  EXPECT_EQ(GetGroupVolume(SoundGroupEnvironment), 10);
}

TEST_F(GuiScreens, DisplayModeButtonsFollowTheWindowMode) {
  SetFullScreen(true);
  TGuiDialog* options = Open(gui::DialogOptions, "", 0);
  ASSERT_NE(options, nullptr);
  TGuiControl* full = options->FindControl("FullScreen");
  TGuiControl* windowed = options->FindControl("Windowed");
  EXPECT_TRUE(full->Down);
  EXPECT_FALSE(windowed->Down);
  Click(options, "Windowed");
  EXPECT_FALSE(IsFullScreen());
  EXPECT_TRUE(windowed->Down);
  EXPECT_FALSE(full->Down);
  // A change by other means (the full-screen key) shows on the next frame.
  SetFullScreen(true);
  Frames(1);
  EXPECT_TRUE(full->Down);
  EXPECT_FALSE(windowed->Down);
  SetFullScreen(false);
}

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

// A chooser of twenty numbered items, eight to a page.
class TNumberChooser : public TGuiDialogChoose {
 public:
  TNumberChooser() : TGuiDialogChoose("Numbers", "Custom", "Custom", 0, 0) {}
  TItem Objects[20];

 protected:
  void CollectItems() override {
    for (int i = 0; i < 20; ++i) Items.Insert(new TCustomItem("Item " + std::to_string(i), &Objects[i]), false);
  }
  TVector GetItemSize() override { return {300, 200}; }
  void FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) override {
    Control.SetProperty(PropText, Item.Name);
  }
};

TEST_F(GuiScreens, ChooserPagesFiltersAndChooses) {
  auto* chooser = static_cast<TNumberChooser*>(RegisterDialog(std::make_unique<TNumberChooser>()));
  std::vector<std::string> texts;
  std::vector<TItem*> objects;
  ShowDialog("Numbers", {.OnText = [&](const std::string& T) { texts.push_back(T); },
                         .OnItem = [&](TItem* I) { objects.push_back(I); }});
  Frames(2);
  ASSERT_TRUE(chooser->Active);
  EXPECT_EQ(chooser->PageSize(), 8);
  EXPECT_EQ(chooser->PageCount(), 3);
  auto itemCaptions = [&] {
    std::vector<std::string> captions;
    for (TItem* c = chooser->Controls.First(); c != nullptr; c = c->GetNext()) {
      auto* control = static_cast<TGuiControl*>(c);
      if (control->Name == "Item") captions.push_back(control->Text);
    }
    return captions;
  };
  EXPECT_EQ(itemCaptions().size(), 8u);
  EXPECT_FALSE(chooser->FindControl("PrevPage")->Enabled);
  Click(chooser, "NextPage");
  Click(chooser, "NextPage");
  EXPECT_EQ(chooser->Page, 2);
  EXPECT_EQ(itemCaptions(), (std::vector<std::string>{"Item 16", "Item 17", "Item 18", "Item 19"}));
  EXPECT_FALSE(chooser->FindControl("NextPage")->Enabled);
  EXPECT_TRUE(chooser->FindControl("PrevPage")->Enabled);

  // The filter matches a part of the caption, whatever its case, and starts at the first page.
  chooser->Filter = "ITEM 1";
  chooser->Page = 1;
  Reshow(chooser);
  EXPECT_EQ(chooser->Matching().size(), 11u);  // Item 1 and Item 10 to 19
  EXPECT_EQ(itemCaptions().size(), 3u);
  // Choosing an item hands over its caption and object.
  TGuiControl* last = nullptr;
  for (TItem* c = chooser->Controls.First(); c != nullptr; c = c->GetNext()) {
    if (static_cast<TGuiControl*>(c)->Name == "Item") last = static_cast<TGuiControl*>(c);
  }
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Text, "Item 19");
  chooser->Sender = last;
  chooser->OnClick();
  EXPECT_EQ(texts, std::vector<std::string>{"Item 19"});
  EXPECT_EQ(objects, std::vector<TItem*>{&chooser->Objects[19]});

  // "Nil" chooses nothing; cancelling calls nothing.
  Frames(2);
  ShowDialog("Numbers", {.OnText = [&](const std::string& T) { texts.push_back(T); },
                         .OnItem = [&](TItem* I) { objects.push_back(I); }});
  Frames(2);
  Click(chooser, "Nil");
  EXPECT_EQ(texts.back(), "");
  EXPECT_EQ(objects.back(), nullptr);
  Frames(2);
  ShowDialog("Numbers", {.OnText = [&](const std::string& T) { texts.push_back(T); }});
  Frames(2);
  Click(chooser, "Cancel");
  EXPECT_EQ(texts.size(), 2u);
}

TEST_F(GuiScreens, ShowAllPropsListsTheScenariosProps) {
  GuiShutdown();
  SetDebugMode(true);
  GuiStartup();
  RegisterScreens();
  SetDebugMode(false);
  CreatePool();
  CreateScenario();
  for (const char* name : {"Rope", "Lantern", "Salt"}) Props()->Insert(new TProp(name), true);  // owned
  std::vector<TItem*> chosen;
  ShowDialog(gui::DialogShowAllProps, {.OnItem = [&](TItem* I) { chosen.push_back(I); }});
  Frames(1);
  auto* chooser = dynamic_cast<TGuiDialogChoose*>(TopDialog());
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->Matching().size(), 3u);
  TGuiControl* first = chooser->FindControl("Item");
  ASSERT_NE(first, nullptr);
  chooser->Sender = first;
  chooser->OnClick();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_NE(dynamic_cast<TProp*>(chosen[0]), nullptr);
  GuiShutdown();
  DestroyScenario();
  DestroyPool();
}

// ---- The cursor, hints and transitions --------------------------------------------------------------------

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
