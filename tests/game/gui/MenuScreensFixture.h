// The fixture of the menu screens' tests (the splash, menu and profiles forms, the inventory,
// hint and achievement dialogs): a small world on the memory video device, driven frame by frame
// with a fixed time step.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppGame.h"
#include "authoring/GameScenarioSource.h"
#include "base/AppFolders.h"
#include "base/AppTimer.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "engine/EngineScript.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScreenNames.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"
#include "game/gui/GameGuiFormSplash.h"
#include "platform/PlatformImage.h"
#include "support/ScreensTestSupport.h"
#include "support/VideoTestSupport.h"

namespace tv::test {

// A small world: one region with one site, props of four kinds, and 40 achievements.
inline std::string MenuScenario() {
  std::string s = R"(
start-region Town
menu-region Town
legend {
  g G2T2Grass
}
prop Coin 1 Property initial 0 caption PropCoin
prop Knots 2 Skill initial 1 caption PropKnots
prop Gull 3 Companion initial 0 caption PropGull
prop Net 4 Item initial 2 caption PropNet
region Town 3 {
  site Quay 301 {
    at 0 0
    scene 3011 Floating reward {
      gain Coin 1
    }
  }
}
)";
  for (int i = 1; i <= 40; ++i) {
    s +=
        "achievement A" + std::to_string(i) + " " + std::to_string(8000 + i) + " target " + (i == 2 ? "3" : "1") + "\n";
  }
  return s;
}

class MenuScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    StartScreensModel();
    AddText("LabelWelcome", "Welcome back,");
    AddText("LabelWrongProfile", "Not you? Choose another traveller");
    AddText("LabelINeed", "I need");
    AddText("LabelIHave", "I have");
    AddText("LabelOf", "of");
    AddText("HintLegendH7001", "Look around.");
    InstallPoolTextureLoader();
    InstallPoolEffectLoader();
    StartGui();
  }
  void TearDown() override {
    StopScreensModel();
    TextTable().Clear();
    SetSplashAvailable(false);
  }
  void StartGui() {
    GuiStartup();
    RegisterScreens();
  }
  void Load() { LoadScenarioSource("menu", MenuScenario()); }
  // Presses a logical key for one frame and lets it go in the next.
  void Press(int32_t Key) {
    Input.Down[Key] = true;
    RunFrames(1);
    Input.WasDown[Key] = true;
    Input.Down[Key] = false;
    RunFrames(1);
    Input.WasDown[Key] = false;
  }
  TGuiForm* Show(const std::string& Name) {
    ShowForm(Name);
    RunFrames(2);
    TGuiForm* form = CurrentForm();
    EXPECT_NE(form, nullptr);
    return form;
  }
  TGuiDialog* Open(const std::string& Name, TItem* Data = nullptr) {
    ShowDialog(Name, Data);
    RunFrames(10);
    TGuiDialog* dialog = TopDialog();
    EXPECT_NE(dialog, nullptr);
    if (dialog != nullptr) {
      EXPECT_EQ(dialog->Name, Name);
    }
    return dialog;
  }
  static void Click(TGuiForm* Form, const std::string& Name) {
    ASSERT_NE(Form, nullptr);
    TGuiControl* control = Form->FindControl(Name);
    ASSERT_NE(control, nullptr) << Name;
    ASSERT_TRUE(control->Usable()) << Name;
    if (control->Toggle) control->SetDown(true);
    control->OnClick();
    Form->Sender = control;
    Form->OnClick();
  }
  static std::string TopName() { return TopDialog() != nullptr ? TopDialog()->Name : std::string(); }
  static std::string TopKey() { return TopDialog() != nullptr ? TopDialog()->MessageKey : std::string(); }
  // Clicks a control that opens a message or query dialog, checks the dialog and its message once
  // it has opened, and closes it.
  static void ClickShowsMessage(TGuiForm* Form, const std::string& Control, const std::string& Dialog,
                                const std::string& Key) {
    SCOPED_TRACE(Control);
    Click(Form, Control);
    RunFrames(10);
    EXPECT_EQ(TopName(), Dialog);
    EXPECT_EQ(TopKey(), Key);
    HideAllDialogs();
  }
  // The pointer is at Pointer, and moving it there added the one event since EventsBefore.
  void ExpectPointerMovedTo(int32_t Pointer, int32_t EventsBefore) {
    EXPECT_EQ(GetPointer(), Pointer);
    ASSERT_EQ(EventCount(), EventsBefore + 1);
    EXPECT_EQ(LastEvent().Kind, PointerChanged);
    EXPECT_EQ(LastEvent().Value, Pointer);
  }
  // Runs frames until the running transition has ended.
  void FinishTransition() {
    for (int i = 0; i < 200 && RunningTransition() != nullptr; ++i) RunFrames(1);
  }
  static void Picture(const std::string& Path, int32_t Width, int32_t Height) {
    ASSERT_TRUE(WritePngRgba(Path, Width, Height, std::vector<uint8_t>(static_cast<size_t>(Width * Height * 4), 200)));
  }
  int32_t EventCount() { return CurrentPlayer()->Events->GetCount(); }
  static const TData& LastEvent() { return static_cast<TEvent*>(CurrentPlayer()->Events->Last())->Data; }

  TVideoTestEnv Env;
  TGuiInputFrame Input;
};

}  // namespace tv::test
