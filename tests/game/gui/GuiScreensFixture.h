// The fixture of the common screens' tests (controls, dialogs, hint styles, cursors and
// transitions) on the memory video device, driven frame by frame with a fixed time step.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppGame.h"
#include "app/AppInput.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GameScreenNames.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"
#include "game/gui/GameGuiHooks.h"
#include "support/VideoTestSupport.h"

namespace tv::test {

inline constexpr float FrameTime = 0.05f;

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

}  // namespace tv::test
