// The screen manager without a device: input routing, the click rule, shortcut keys, hints, the
// dialog stack, transitions, placement and control properties. Input comes from a frame the test
// fills; every frame lasts 0.02 s.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "engine/EngineScript.h"

namespace tv {
namespace {

constexpr float Dt = 0.02f;
std::vector<std::string> Log;

class TRecControl : public TGuiControl {
 public:
  void OnMouseEnter() override { Log.push_back(Name + ":enter"); }
  void OnMouseLeave() override { Log.push_back(Name + ":leave"); }
  void OnMouseDown(TVector) override { Log.push_back(Name + ":down"); }
  void OnMouseUp(TVector) override { Log.push_back(Name + ":up"); }
  void OnClick() override { Log.push_back(Name + ":click"); }
  void Render(bool Visible) override { Log.push_back(Name + (Visible ? ":render" : ":drop")); }
};

class TTestForm : public TGuiDialog {
 public:
  TTestForm(const std::string& Name, std::function<void(TTestForm&)> Build, float Fade = 0)
      : TGuiDialog(Name, "Arrow", "Tip", Fade, Fade), Builder(std::move(Build)) {}
  void OnShow() override {
    if (Builder) Builder(*this);
  }
  void OnActivate() override { Log.push_back(Name + ":activate"); }
  void OnDeactivate() override { Log.push_back(Name + ":deactivate"); }
  void OnClick() override {
    Log.push_back(Name + ":click " + Sender->Name);
    if (OnClickDo) OnClickDo();
  }
  void OnCommand() override { Log.push_back(Name + ":command " + CommandText); }
  std::function<void(TTestForm&)> Builder;
  std::function<void()> OnClickDo;
};

// A button of the given name centred at (X, Y), 100 x 40.
TRecControl* Button(TTestForm& F, const std::string& Name, float X, float Y, int32_t Layer = 0) {
  F.Place(PlaceRestore, 0, PlaceSetX, X, PlaceSetY, Y, PlaceWidth, 100, PlaceHeight, 40);
  return F.AddControl<TRecControl>(Layer, PropName, Name, PropEnabled, true);
}

class TTestTransition : public TGuiTransition {
 public:
  TTestTransition() : TGuiTransition("Fade") {}
  void Begin() override { Log.push_back(std::string("begin") + (FromNothing ? " from nothing" : "")); }
  void Finish() override { Log.push_back("finish"); }
  bool CoverStep1() override { return true; }
  bool CoverStep2() override { return true; }
  bool CoverStep3() override {
    Log.push_back("cover3");
    return true;
  }
  bool UncoverStep1() override { return true; }
  bool UncoverStep2() override { return true; }
  bool UncoverStep3() override { return true; }
};

class TTestHint : public TGuiHint {
 public:
  TTestHint() : TGuiHint("Tip", 0.75f, 0.25f, 0.25f) {}
  void Show(bool Visible) override {
    if (!Visible) Log.push_back("hint gone");
  }
};

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log.clear();
    GuiStartup();
    SetGuiTimeStep(Dt);
    SetGuiInputOverride(&Input);
    RegisterHint(std::make_unique<TTestHint>());
    RegisterTransition(std::make_unique<TTestTransition>());
    RegisterCursor(std::make_unique<TGuiCursor>("Arrow"));
  }
  void TearDown() override {
    GuiShutdown();
    SetGuiInputOverride(nullptr);
    SetGuiTimeStep(-1);
    SetGuiObserver(nullptr);
    FreeTexts();
  }
  TTestForm* AddForm(const std::string& Name, std::function<void(TTestForm&)> Build) {
    return static_cast<TTestForm*>(RegisterForm(std::make_unique<TTestForm>(Name, std::move(Build))));
  }
  TTestForm* AddDialog(const std::string& Name, std::function<void(TTestForm&)> Build, float Fade = 0.3f) {
    return static_cast<TTestForm*>(RegisterDialog(std::make_unique<TTestForm>(Name, std::move(Build), Fade)));
  }
  // One frame with the mouse at (X, Y) and the button as given.
  void Frame(float X, float Y, bool Button) {
    for (int k = 0; k < GuiKeyCount; ++k) Input.WasDown[k] = Prev[k];
    Input.Down[GuiKeyClick] = Button;
    Input.Mouse = {X, Y};
    UpdateGui();
    for (int k = 0; k < GuiKeyCount; ++k) Prev[k] = Input.Down[k];
  }
  void Frames(int N, float X, float Y, bool Button) {
    for (int i = 0; i < N; ++i) Frame(X, Y, Button);
  }
  void Click(float X, float Y) {
    Frame(X, Y, false);
    Frame(X, Y, true);
    Frame(X, Y, false);
  }
  bool Logged(const std::string& Entry) const { return std::find(Log.begin(), Log.end(), Entry) != Log.end(); }
  TGuiInputFrame Input;
  bool Prev[GuiKeyCount] = {};
};

TEST_F(GuiTest, HitTestPrefersHigherLayerThenLaterControlAndSkipsUnusableOnes) {
  AddForm("Menu", [](TTestForm& f) {
    Button(f, "High", 0, 0, 5);
    Button(f, "Low", 10, 0, 1);
    Button(f, "First", 300, 0);
    Button(f, "Second", 310, 0);
    Button(f, "Hidden", 600, 0, 9)->SetProperty(PropVisible, false);
    Button(f, "Off", 600, 0, 9)->SetProperty(PropEnabled, false);
    Button(f, "Under", 610, 0);
  });
  ShowForm("Menu");
  Frame(5, 0, false);
  ASSERT_NE(HoveredControl(), nullptr);
  EXPECT_EQ(HoveredControl()->Name, "High");
  Frame(305, 0, false);
  EXPECT_EQ(HoveredControl()->Name, "Second");
  Frame(605, 0, false);
  EXPECT_EQ(HoveredControl()->Name, "Under");
  Frame(0, 300, false);
  EXPECT_EQ(HoveredControl(), nullptr);
  Input.MouseInside = false;
  Frame(305, 0, false);
  EXPECT_EQ(HoveredControl(), nullptr);
}

TEST_F(GuiTest, ClickNeedsPressAndReleaseOnTheSameControlWithinTheTimeLimit) {
  std::vector<std::string> trace;
  SetGuiObserver([&](TGuiHappening What, const std::string& Name, const std::string& In) {
    if (What == TGuiHappening::Click) trace.push_back(Name + " in " + In);
  });
  AddForm("Menu", [](TTestForm& f) {
    Button(f, "A", 0, 0);
    Button(f, "B", 300, 0);
  });
  ShowForm("Menu");
  Click(0, 0);
  EXPECT_TRUE(Logged("A:click"));
  EXPECT_TRUE(Logged("Menu:click A"));
  EXPECT_EQ(trace, std::vector<std::string>{"A in Menu"});

  // Press on A, move to B, release: no click, A no longer pressed.
  Log.clear();
  Frame(0, 0, true);
  auto* a = static_cast<TGuiControl*>(CurrentForm()->FindControl("A"));
  EXPECT_TRUE(a->Pressed);
  Frame(300, 0, true);
  Frame(300, 0, false);
  EXPECT_FALSE(a->Pressed);
  EXPECT_FALSE(Logged("A:click") || Logged("B:click"));
  EXPECT_TRUE(Logged("A:leave"));

  // Held 1.6 s: the release arrives, the click does not; 1.4 s still clicks.
  Log.clear();
  Frame(0, 0, false);
  Frames(80, 0, 0, true);
  Frame(0, 0, false);
  EXPECT_TRUE(Logged("A:up"));
  EXPECT_FALSE(Logged("A:click"));
  Log.clear();
  Frames(70, 0, 0, true);
  Frame(0, 0, false);
  EXPECT_TRUE(Logged("A:click"));
  EXPECT_EQ(trace.size(), 2u);
}

TEST_F(GuiTest, ToggleInAGroupGoesDownOnceAndReleasesTheOthers) {
  AddForm("Menu", [](TTestForm& f) {
    for (int i = 0; i < 3; ++i) {
      Button(f, "T" + std::to_string(i), static_cast<float>(i) * 200, 0);
      f.Sender->SetProperty(PropToggle, true);
      f.Sender->SetProperty(PropGroup, "Mode");
    }
    Button(f, "Other", 0, 200)->SetProperty(PropDown, true);  // another group keeps its state
  });
  ShowForm("Menu");
  TGuiForm* form = CurrentForm();
  form->FindControl("T0")->SetDown(true);
  Click(200, 0);
  EXPECT_TRUE(form->FindControl("T1")->Down);
  EXPECT_FALSE(form->FindControl("T0")->Down);
  EXPECT_TRUE(form->FindControl("Other")->Down);
  EXPECT_TRUE(Logged("T1:click"));
  Log.clear();
  Click(200, 0);  // already down: nothing
  EXPECT_FALSE(Logged("T1:click") || Logged("Menu:click T1"));
  EXPECT_TRUE(form->FindControl("T1")->Down);
}

TEST_F(GuiTest, NoInputWhileADialogFadesInOrATransitionRuns) {
  AddForm("Menu", [](TTestForm& f) { Button(f, "A", 0, 0); });
  AddForm("Play", nullptr);
  AddDialog("Query", [](TTestForm& f) { Button(f, "Yes", 0, 0); });
  ShowForm("Menu");
  Frame(0, 0, false);
  EXPECT_EQ(InputForm(), CurrentForm());
  ShowDialog("Query");
  // 0.3 s of fade at 0.02 s a frame: ready after 15 frames; before that nobody has input.
  Frames(9, 0, 0, false);
  EXPECT_EQ(InputForm(), nullptr);
  EXPECT_EQ(InputTarget(), FindDialog("Query"));
  EXPECT_FALSE(InputTargetReady());
  Click(0, 0);
  EXPECT_FALSE(Logged("Yes:click") || Logged("A:click"));
  Frames(4, 0, 0, false);
  EXPECT_EQ(InputForm(), FindDialog("Query"));
  Click(0, 0);
  EXPECT_TRUE(Logged("Yes:click"));
  EXPECT_FALSE(Logged("A:click"));

  HideAllDialogs();
  Frame(0, 0, false);
  EXPECT_EQ(InputForm(), CurrentForm());
  SwitchForm("Play", "Fade", nullptr);
  EXPECT_FALSE(InputTargetReady());
  Log.clear();
  Frame(0, 0, true);  // covering: the menu has no input
  EXPECT_FALSE(Logged("A:down"));
  EXPECT_TRUE(Logged("Menu:deactivate"));
}

TEST_F(GuiTest, DialogStackHoldsThreeAndFadesOutOfItsSlot) {
  for (const char* name : {"D1", "D2", "D3", "D4"}) AddDialog(name, nullptr, 0.1f);
  std::vector<std::string> trace;
  SetGuiObserver([&](TGuiHappening What, const std::string& Name, const std::string&) {
    if (What == TGuiHappening::DialogShown) trace.push_back("+" + Name);
    if (What == TGuiHappening::DialogHidden) trace.push_back("-" + Name);
  });
  ShowDialog("D1");
  ShowDialog("D1");  // already shown: nothing
  ShowDialog("D2");
  ShowDialog("D3");
  ShowDialog("D4");  // no free slot: ignored
  ShowDialog("Nobody");
  EXPECT_EQ(DialogInSlot(2)->Name, "D2");
  EXPECT_EQ(DialogInSlot(3)->Layer, 3 * DialogLayerStep);
  EXPECT_FALSE(FindDialog("D4")->Shown);
  EXPECT_EQ(TopDialog()->Name, "D3");
  Frames(6, 0, 0, false);
  EXPECT_TRUE(FindDialog("D3")->Ready);

  HideDialog(FindDialog("D2"));
  HideDialog(FindDialog("D4"));  // not stacked: nothing
  EXPECT_FALSE(FindDialog("D2")->Ready);
  Frames(4, 0, 0, false);
  EXPECT_EQ(DialogInSlot(2), FindDialog("D2"));  // still fading out
  Frames(2, 0, 0, false);
  EXPECT_EQ(DialogInSlot(2), nullptr);
  ShowDialog("D4");  // the lowest free slot
  EXPECT_EQ(DialogInSlot(2)->Name, "D4");
  HideAllDialogs();
  EXPECT_EQ(TopDialog(), nullptr);
  EXPECT_EQ(trace, (std::vector<std::string>{"+D1", "+D2", "+D3", "-D2", "+D4", "-D1", "-D4", "-D3"}));
}

TEST_F(GuiTest, CancelIsTriedBeforeConfirmAndOnlyOneKeyClicksAFrame) {
  AddForm("Menu", [](TTestForm& f) {
    f.KeyControls[KeySlotCancel] = Button(f, "No", 0, 0);
    f.KeyControls[KeySlotConfirm] = Button(f, "Yes", 200, 0);
  });
  ShowForm("Menu");
  Frame(0, 300, false);
  auto both = [&] {
    Log.clear();
    Input.Down[GuiKeyCancel] = Input.Down[GuiKeyConfirm] = true;
    Frame(0, 300, false);
    Input.Down[GuiKeyCancel] = Input.Down[GuiKeyConfirm] = false;
    Frame(0, 300, false);
  };
  both();
  EXPECT_TRUE(Logged("No:click"));
  EXPECT_FALSE(Logged("Yes:click"));
  CurrentForm()->FindControl("No")->SetProperty(PropEnabled, false);
  both();
  EXPECT_TRUE(Logged("Yes:click"));
  EXPECT_FALSE(Logged("No:click"));
  // A key held down does not click again.
  Log.clear();
  Input.Down[GuiKeyConfirm] = true;
  Frames(3, 0, 300, false);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Yes:click"), 1);
}

TEST_F(GuiTest, HintAppearsAfterItsDelayAndFadesOutOnLeave) {
  AddForm("Menu", [](TTestForm& f) { Button(f, "A", 100, 50)->SetProperty(PropHintText, "Starts the game"); });
  ShowForm("Menu");
  Frame(100, 50, false);
  EXPECT_EQ(PendingHint(), FindHint("Tip"));
  Frames(36, 100, 50, false);  // 0.74 s
  EXPECT_EQ(ShownHint(), nullptr);
  Frames(2, 100, 50, false);
  ASSERT_NE(ShownHint(), nullptr);
  EXPECT_EQ(ShownHint()->Text, "Starts the game");
  EXPECT_FLOAT_EQ(ShownHint()->Anchor.X, 100);
  EXPECT_FLOAT_EQ(ShownHint()->ControlHalfHeight, 20);
  Frames(20, 100, 50, false);
  EXPECT_EQ(ShownHint()->FadeState, TFadeState::Shown);
  Frame(400, 300, false);  // leave: fading out for 0.25 s
  EXPECT_EQ(ShownHint()->FadeState, TFadeState::FadingOut);
  Frames(10, 400, 300, false);
  EXPECT_NE(ShownHint(), nullptr);
  Frames(3, 400, 300, false);
  EXPECT_EQ(ShownHint(), nullptr);
  EXPECT_TRUE(Logged("hint gone"));

  // Changing the hovered control's hint while its hint is shown starts the delay again.
  Frames(40, 100, 50, false);
  ASSERT_NE(ShownHint(), nullptr);
  CurrentForm()->FindControl("A")->SetProperty(PropHintText, "Other");
  EXPECT_EQ(ShownHint(), nullptr);
  EXPECT_EQ(PendingHint(), FindHint("Tip"));
  CurrentForm()->FindControl("A")->SetProperty(PropHintText, "");
  Frames(40, 100, 50, false);
  EXPECT_EQ(ShownHint(), nullptr);
}

TEST_F(GuiTest, TransitionSwitchesFormsWhenTheScreenIsCovered) {
  std::vector<std::string> trace;
  SetGuiObserver([&](TGuiHappening What, const std::string& Name, const std::string&) {
    if (What == TGuiHappening::FormShown) trace.push_back("form " + Name);
    if (What == TGuiHappening::TransitionStart) trace.push_back("start " + Name);
    if (What == TGuiHappening::TransitionEnd) trace.push_back("end " + Name);
  });
  AddForm("Menu", nullptr);
  AddForm("Play", nullptr);
  SwitchForm("Menu", "Fade", [] { Log.push_back("callback"); });
  EXPECT_EQ(RunningTransition()->Layer, TransitionLayer);
  Frame(0, 0, false);
  Frame(0, 0, false);
  EXPECT_EQ(CurrentForm(), nullptr);
  Frame(0, 0, false);  // the third cover step completes: the switch happens in this frame
  EXPECT_EQ(CurrentForm(), FindForm("Menu"));
  EXPECT_EQ(Log, (std::vector<std::string>{"begin from nothing", "cover3", "callback"}));
  Frames(4, 0, 0, false);
  EXPECT_EQ(RunningTransition(), nullptr);
  EXPECT_TRUE(Logged("finish"));
  EXPECT_TRUE(InputTargetReady());

  Log.clear();
  SwitchForm("Play", "Fade", nullptr);
  EXPECT_EQ(Log, std::vector<std::string>{"begin"});
  SwitchForm("Play", "NoSuchTransition", nullptr);  // unknown: the running one goes on
  EXPECT_NE(RunningTransition(), nullptr);
  ShowForm("Menu");  // stops the transition, forgets the pending form
  EXPECT_EQ(RunningTransition(), nullptr);
  EXPECT_EQ(PendingForm(), nullptr);
  EXPECT_EQ(trace,
            (std::vector<std::string>{"start Fade", "form Menu", "end Fade", "start Fade", "end Fade", "form Menu"}));
}

TEST_F(GuiTest, UnknownNamesChangeNothing) {
  AddForm("Menu", nullptr);
  ShowForm("Menu");
  ShowForm("Nowhere");
  EXPECT_EQ(CurrentForm(), FindForm("Menu"));
  SendCommand("Menu", "Refresh", nullptr);
  SendCommand("Nowhere", "Refresh", nullptr);
  SendCommand("Menu", "", nullptr);
  EXPECT_EQ(Log, std::vector<std::string>{"Menu:command Refresh"});
  SetCursor("Arrow");
  EXPECT_EQ(CurrentCursor(), FindCursor("Arrow"));
  SetCursor("Missing");
  EXPECT_EQ(CurrentCursor(), nullptr);
  EXPECT_EQ(CurrentForm()->FindControl("Missing"), nullptr);
  ShowForm("");
  EXPECT_EQ(CurrentForm(), nullptr);
}

TEST_F(GuiTest, HidingAFormInItsClickHandlerDestroysItsControlsSafely) {
  TTestForm* menu = AddForm("Menu", [](TTestForm& f) {
    f.KeyControls[KeySlotConfirm] = Button(f, "Play", 0, 0);
    f.SetRecommendedByName("Play", 7);
  });
  AddForm("Play", nullptr);
  menu->OnClickDo = [] { ShowForm("Play"); };
  ShowForm("Menu");
  EXPECT_EQ(menu->RecommendedSide, 3);
  Click(0, 0);
  EXPECT_TRUE(Logged("Menu:click Play"));
  EXPECT_TRUE(Logged("Play:drop"));
  EXPECT_EQ(menu->Controls.GetCount(), 0);
  EXPECT_EQ(menu->KeyControls[KeySlotConfirm], nullptr);
  EXPECT_EQ(menu->RecommendedControl, nullptr);
  EXPECT_EQ(HoveredControl(), nullptr);
  EXPECT_EQ(CurrentForm(), FindForm("Play"));
  Frame(0, 0, false);
  EXPECT_EQ(InputForm(), FindForm("Play"));
}

TEST_F(GuiTest, HarnessFindsOnlyUsableControlsOfTheInputTarget) {
  AddForm("Menu", [](TTestForm& f) { Button(f, "Play", 0, 0); });
  AddDialog("Query", [](TTestForm& f) {
    Button(f, "Yes", -100, 50);
    Button(f, "No", 100, 0)->SetProperty(PropEnabled, false);
  });
  ShowForm("Menu");
  EXPECT_EQ(FindUsableControl("Play"), CurrentForm()->FindControl("Play"));
  ShowDialog("Query");
  EXPECT_EQ(FindUsableControl("Play"), nullptr);  // the form is no longer the target
  EXPECT_EQ(FindUsableControl("No"), nullptr);
  TGuiControl* yes = FindUsableControl("Yes");
  ASSERT_NE(yes, nullptr);
  EXPECT_FLOAT_EQ(yes->ScreenCenter().X, -100);
  EXPECT_FLOAT_EQ(yes->ScreenCenter().Y, 50);
}

TEST_F(GuiTest, DroppedCallbacksAreNeverRun) {
  AddForm("Menu", nullptr);
  AddDialog("Query", nullptr);
  bool ran = false;
  ShowDialog("Query",
             {.MessageKey = "Sure", .OnDone = [&] { ran = true; }, .OnText = [&](const std::string&) { ran = true; }});
  SwitchForm("Menu", "Fade", [&] { ran = true; });
  DropGuiCallbacks();
  EXPECT_FALSE(FindDialog("Query")->OnDone || FindDialog("Query")->OnText);
  Frames(8, 0, 0, false);
  EXPECT_EQ(CurrentForm(), FindForm("Menu"));
  EXPECT_FALSE(ran);
}

TEST(GuiPlaceTest, PlacementOperations) {
  TGuiRect saved[3];
  auto apply = [&](TGuiRect r, int32_t op, float v) {
    ApplyPlaceOp(r, saved, op, v);
    return r;
  };
  auto same = [](TGuiRect a, TGuiRect b) { return a.X == b.X && a.Y == b.Y && a.W == b.W && a.H == b.H; };
  TGuiRect r{10, 20, 100, 40};
  struct TCase {
    int32_t Op;
    float V;
    TGuiRect Want;
  };
  const TCase cases[] = {
      {PlaceSetX, 5, {5, 20, 100, 40}},
      {PlaceAddY, -5, {10, 15, 100, 40}},
      {PlaceMirrorX, 0, {-10, 20, 100, 40}},
      {PlaceStepRight, 2, {112, 20, 100, 40}},
      {PlaceStepUp, 0, {10, -20, 100, 40}},
      {PlaceBoxLeft, -30, {-55, 20, 30, 40}},
      {PlaceBoxBelow, 10, {10, 45, 100, 10}},
      {PlaceSquare, -8, {10, 20, 8, 8}},
      {PlaceWidthKeepRight, 60, {30, 20, 60, 40}},
      {PlaceWidthKeepLeft, 60, {-10, 20, 60, 40}},
      {PlaceHeightKeepTop, 10, {10, 5, 100, 10}},
      {PlaceGrow, -50, {10, 20, 50, 0}},
      {PlaceGrowWidthKeepLeft, 20, {20, 20, 120, 40}},
      {PlaceGrowHeightKeepBottom, -100, {10, 40, 100, 0}},
      {PlaceHalfWidthKeepRight, 0, {35, 20, 50, 40}},
      {PlaceHalfHeightKeepTop, 10, {10, 15, 100, 30}},
      {PlaceOpCount, 1, r},
  };
  for (const TCase& c : cases) {
    const TGuiRect got = apply(r, c.Op, c.V);
    EXPECT_TRUE(same(got, c.Want)) << "op " << c.Op << ": " << got.X << " " << got.Y << " " << got.W << " " << got.H;
  }
  ApplyPlaceOp(r, saved, PlaceSave, 7);  // slot clamped to 2
  EXPECT_TRUE(same(apply({}, PlaceRestore, 2.4f), r));
  EXPECT_TRUE(same(apply({}, PlaceRestore, -3), TGuiRect{}));
}

TEST_F(GuiTest, ControlsTakeTheirBoxFromPlaceAndTheFormsLayer) {
  TTestForm* dialog = AddDialog("Query", [](TTestForm& f) {
    f.Place(PlaceBoxLeft, 200, PlaceHeight, 50);
    f.AddControl<TRecControl>(7, PropName, "Left");
  });
  ShowDialog("Query");
  TGuiControl* c = dialog->FindControl("Left");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Layer, DialogLayerStep + 7);
  EXPECT_FLOAT_EQ(c->Offset.X, -900);
  EXPECT_FLOAT_EQ(c->Size.X, 200);
  EXPECT_FLOAT_EQ(c->Size.Y, 50);
  EXPECT_FALSE(c->Enabled);
  EXPECT_TRUE(c->Dirty);
  EXPECT_FLOAT_EQ(dialog->SavedPlaces[0].W, 1600);
}

TEST_F(GuiTest, SetPropertyIndices) {
  SetText("CaptionPlay", "Play");
  SetText("HintPlay", "Starts");
  TTestForm* form = AddForm("Menu", nullptr);
  ShowForm("Menu");
  auto* c = form->AddControl<TRecControl>(0, PropName, "A", PropGroup, "G", PropVisible, false, PropEnabled, 1);
  EXPECT_EQ(form->FindControl("A"), c);
  EXPECT_EQ(c->Group, "G");
  EXPECT_FALSE(c->Visible);
  EXPECT_TRUE(c->Enabled);
  c->SetProperty(PropName, "B");
  EXPECT_EQ(form->FindControl("A"), nullptr);
  EXPECT_EQ(form->FindControl("B"), c);
  c->SetProperty(PropDown, true);
  c->SetProperty(PropToggle, true);
  c->SetProperty(PropScale, 1.5f);
  c->SetProperty(PropParam1, 3);
  c->SetProperty(PropParam2, 4.6);
  c->SetProperty(PropParam3, "12");
  c->SetProperty(PropColor, 0xFF8000);
  c->SetProperty(PropAlpha, 0.5f);
  c->SetProperty(PropParamA2, "G2Button");
  c->SetProperty(PropParamB, "G2Frame");
  c->SetProperty(PropParamD2, 5);
  c->SetProperty(PropParamE, 6);
  c->SetProperty(PropParamC, "E1Sparks");
  c->SetProperty(PropParamF, 2);
  c->SetProperty(PropParamByte, 0x112);
  c->SetProperty(PropCursorName, "Hand");
  c->SetProperty(PropHintName, "Big");
  c->SetProperty(PropertyCount, "ignored");
  c->SetProperty(-1, "ignored");
  EXPECT_TRUE(c->Down && c->Toggle);
  EXPECT_FLOAT_EQ(c->Scale, 1.5f);
  EXPECT_EQ(c->Param1, 3);
  EXPECT_EQ(c->Param2, 5);
  EXPECT_EQ(c->Param3, 12);
  EXPECT_FLOAT_EQ(c->Color.X, 1);
  EXPECT_FLOAT_EQ(c->Color.Y, 128.0f / 255);
  EXPECT_FLOAT_EQ(c->Color.Z, 0);
  EXPECT_FLOAT_EQ(c->Alpha, 0.5f);
  EXPECT_EQ(c->ParamA, "G2Button");
  EXPECT_EQ(c->ParamB, "G2Frame");
  EXPECT_EQ(c->ParamD, 5);
  EXPECT_EQ(c->ParamE, 6);
  EXPECT_EQ(c->ParamC, "E1Sparks");
  EXPECT_EQ(c->ParamF, 2);
  EXPECT_EQ(c->ParamByte, 0x12);
  EXPECT_EQ(c->CursorName, "Hand");
  EXPECT_EQ(c->HintName, "Big");

  c->SetProperty(PropTextKey, "CaptionPlay");
  EXPECT_EQ(c->Text, "Play");
  c->SetProperty(PropHintTextKey, "HintPlay");
  EXPECT_EQ(c->HintText, "Starts");
  c->SetProperty(PropTextKey, "Missing");
  EXPECT_EQ(c->Text, "");
  c->SetProperty(PropTextKey, "CaptionPlay");
  c->Dirty = false;
  c->SetProperty(PropText, "Play");  // same text: not dirty, but the key is gone
  EXPECT_FALSE(c->Dirty);
  EXPECT_EQ(c->TextKey, "");
  c->SetProperty(PropHintText, "Free");
  EXPECT_EQ(c->HintTextKey, "");
  c->SetOffsetX(c->Offset.X);
  EXPECT_FALSE(c->Dirty);
  c->SetOffsetX(c->Offset.X + 1);
  EXPECT_TRUE(c->Dirty);

  // Relocalising looks every key up again.
  c->SetProperty(PropTextKey, "CaptionPlay");
  SetText("CaptionPlay", "Spielen");
  RelocalizeAll();
  EXPECT_EQ(c->Text, "Spielen");
}

TEST(GuiHintPlaceTest, HintBoxGoesAboveWhenThereIsRoomAndStaysOnScreen) {
  TGuiHint hint("Tip", 0.75f, 0.25f, 0.25f);
  hint.Margin = 10;
  hint.Gap = 5;
  hint.ControlHalfHeight = 20;
  hint.Anchor = {0, 0};
  PlaceHintBox(hint, {100, 30}, {1600, 900});
  EXPECT_FLOAT_EQ(hint.BoxSize.X, 120);
  EXPECT_FLOAT_EQ(hint.BoxCenter.Y, -(20 + 5 + 25));
  hint.Anchor = {790, -430};  // at the top right corner: below, pulled in
  PlaceHintBox(hint, {100, 30}, {1600, 900});
  EXPECT_FLOAT_EQ(hint.BoxCenter.Y, -430 + 50);
  EXPECT_FLOAT_EQ(hint.BoxCenter.X, 800 - 60);
  hint.Anchor = {-790, 0};
  PlaceHintBox(hint, {2000, 30}, {1600, 900});  // wider than the screen: centred
  EXPECT_FLOAT_EQ(hint.BoxCenter.X, 0);
}

TEST(GuiModuleTest, StartUpInstallsTheHandlerAndShutdownLeavesOthersAlone) {
  GuiShutdown();  // before any start-up: harmless
  GuiStartup();
  ASSERT_NE(GetGuiHandler(), nullptr);
  bool hookRan = false;
  GuiShutdown();
  EXPECT_EQ(GetGuiHandler(), nullptr);
  SetGuiStartupHook([&] {
    hookRan = true;
    RegisterForm(std::make_unique<TGuiForm>("Probe", "", ""));
  });
  GuiStartup();
  SetGuiStartupHook(nullptr);
  EXPECT_TRUE(hookRan);
  EXPECT_NE(FindForm("Probe"), nullptr);
  ShowForm("Probe");
  class THeadless : public TGuiHandler {
   public:
    void ShowDialog(const std::string&, const TDialogArgs&) override {}
    void SwitchForm(const std::string&, const std::string&, TGuiCallback) override {}
    void SendCommand(const std::string&, const std::string&, TItem*) override {}
  } headless;
  SetGuiHandler(&headless);
  GuiShutdown();
  EXPECT_EQ(GetGuiHandler(), &headless);
  EXPECT_EQ(CurrentForm(), nullptr);
  SetGuiHandler(nullptr);
  EXPECT_EQ(RegisterForm(std::make_unique<TGuiForm>("Late", "", "")), nullptr);  // not started
}

// A button the keyboard's and the controller's focus stops at.
class TFocusControl : public TRecControl {
 public:
  bool TakesFocus() const override { return true; }
};

TFocusControl* FocusButton(TTestForm& F, const std::string& Name, float X, float Y, float W = 100) {
  F.Place(PlaceRestore, 0, PlaceSetX, X, PlaceSetY, Y, PlaceWidth, W, PlaceHeight, 40);
  return F.AddControl<TFocusControl>(0, PropName, Name, PropEnabled, true);
}

// Writes down what the ring is asked to show each frame.
class TRecRing : public TGuiFocusRing {
 public:
  explicit TRecRing(std::vector<std::string>& Shown) : Shown(Shown) {}
  void Show(const TGuiControl* Control, float) override { Shown.push_back(Control != nullptr ? Control->Name : "-"); }
  std::vector<std::string>& Shown;
};

TEST_F(GuiTest, FocusMovesByDirectionAndTabClicksOnActivateAndHidesWithTheMouse) {
  TFocusControl* middle = nullptr;
  AddForm("Menu", [&](TTestForm& f) {
    FocusButton(f, "Left", -200, 0);
    middle = FocusButton(f, "Middle", 0, 0);
    FocusButton(f, "Right", 200, 0);
    FocusButton(f, "Wide", 0, 150, 500);
    Button(f, "Label", 0, -150);  // clickable by mouse, but no stop for the focus
    f.KeyControls[KeySlotConfirm] = middle;
  });
  std::vector<std::string> ring;
  SetFocusRing(std::make_unique<TRecRing>(ring));
  std::vector<std::string> told;
  SetGuiObserver([&](TGuiHappening What, const std::string& Name, const std::string&) {
    if (What == TGuiHappening::Focus) told.push_back(Name);
  });
  ShowForm("Menu");
  auto press = [&](int32_t Key) {
    Input.Down[Key] = true;
    Frame(900, 900, false);
    Input.Down[Key] = false;
    Frame(900, 900, false);
  };
  auto focused = [] { return FocusedControl() != nullptr ? FocusedControl()->Name : std::string("-"); };

  // With the mouse the keys move nothing and no focus is drawn.
  Frame(900, 900, false);
  press(GuiKeyFocusRight);
  EXPECT_EQ(focused(), "-");
  EXPECT_EQ(ring.back(), "-");

  // The first key shows the default focus (the Confirm key's control); the next ones move it along
  // the axis, and stop at the edge.
  Input.Device = TGuiDevice::Pad;
  press(GuiKeyFocusRight);
  EXPECT_EQ(focused(), "Middle");
  EXPECT_EQ(ring.back(), "Middle");
  press(GuiKeyFocusRight);
  press(GuiKeyFocusRight);
  EXPECT_EQ(focused(), "Right");
  press(GuiKeyFocusDown);
  EXPECT_EQ(focused(), "Wide");
  press(GuiKeyFocusUp);
  EXPECT_EQ(focused(), "Middle") << "in line with the wide one's centre";
  press(GuiKeyFocusUp);
  EXPECT_EQ(focused(), "Middle") << "the label takes no focus";
  // Tab goes in reading order and round; Shift+Tab back.
  press(GuiKeyFocusNext);
  press(GuiKeyFocusNext);
  EXPECT_EQ(focused(), "Wide");
  press(GuiKeyFocusNext);
  EXPECT_EQ(focused(), "Left");
  press(GuiKeyFocusPrevious);
  EXPECT_EQ(focused(), "Wide");
  EXPECT_EQ(told, (std::vector<std::string>{"Middle", "Right", "Wide", "Middle", "Right", "Wide", "Left", "Wide"}));

  // Activate clicks the focused control, not the Confirm key's.
  Log.clear();
  press(GuiKeyActivate);
  EXPECT_TRUE(Logged("Wide:click"));
  EXPECT_FALSE(Logged("Middle:click"));

  // A focused control that cannot be used keeps the focus unseen, and has it back when it can.
  press(GuiKeyFocusUp);
  middle->SetProperty(PropEnabled, false);
  Frame(900, 900, false);
  EXPECT_EQ(focused(), "-");
  Log.clear();
  press(GuiKeyActivate);
  EXPECT_FALSE(Logged("Middle:click"));
  middle->SetProperty(PropEnabled, true);
  Frame(900, 900, false);
  EXPECT_EQ(focused(), "Middle");

  // The mouse takes over: no focus shown, and Return clicks the Confirm key's control again.
  Input.Device = TGuiDevice::Mouse;
  Frame(900, 900, false);
  EXPECT_EQ(focused(), "-");
  EXPECT_EQ(ring.back(), "-");
  // The ring and the observer write into this test's vectors.
  SetFocusRing(nullptr);
  SetGuiObserver(nullptr);
}

}  // namespace
}  // namespace tv
