// The game model under the screens, for tests of forms and dialogs without a window: the modules
// started in the program's order with a fixed frame time, a scenario compiled from its source,
// frames run through the GUI, and the avatar played until it rests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/AppGame.h"
#include "authoring/GameScenarioSource.h"
#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "engine/EngineTexts.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv::test {

inline constexpr float ScreensFrameTime = 0.05f;

// Texts, effects, the timer, the pool, an empty scenario and one player "Tester" that is never
// saved.
inline void StartScreensModel() {
  TextsStartup();
  EffectsStartup();
  InitTimer();
  SetFixedFrameTime(ScreensFrameTime);
  CreatePool();
  CreateScenario();
  FreePlayersWithoutSaving();
  SetSaveTarget("");
  AddPlayer("Tester");
}

// The GUI and everything StartScreensModel started, in reverse order.
inline void StopScreensModel() {
  SetPoolLoaders({});
  SetGuiInputOverride(nullptr);
  GuiShutdown();
  FreePlayersWithoutSaving();
  ResetSaveTarget();
  DestroyScenario();
  DestroyPool();
  EffectsShutdown();
  TextsShutdown();
}

// Compiles a scenario source, loads it under Name and rebuilds the world from the player's events.
inline void LoadScenarioSource(const std::string& Name, const std::string& Source) {
  const TScenarioCompileResult result = CompileScenarioSources({{Name + ".tvs", Source}});
  std::string errors;
  for (const TScenarioDiagnostic& d : result.Diagnostics) errors += d.Format() + "\n";
  ASSERT_TRUE(result.Ok) << errors;
  LoadScenarioBytes(result.Scenario.Build(), Name);
  Rebuild();
}

// N frames of the GUI, each with its frame number and the fixed frame time.
inline void RunFrames(int N) {
  for (int i = 0; i < N; ++i) {
    AdvanceFrameNumber();
    UpdateTimer();
    UpdateGui();
  }
}

// Runs frames until the avatar rests, at most Limit, accepting every scene it presents as the
// scene dialog would, and closing the dialog.
inline void SettleAvatar(int Limit = 400) {
  for (int i = 0; i < Limit && Avatar()->State != StateIdle; ++i) {
    if (Avatar()->State == StatePresenting) {
      TGuiDialog* dialog = TopDialog();
      if (dialog != nullptr && dialog->Name == "Scene") HideDialog(dialog);
      Avatar()->AcceptScene();
    }
    RunFrames(1);
  }
  ASSERT_EQ(Avatar()->State, StateIdle);
}

// The terrain of the small town region several scenario sources of the tests share: rock around a
// meadow, the sea in the south-east and along the bottom.
inline const std::string TownTiles = R"(
  tiles {
    rrrrrrrrrrrrr
    rrrrrrrrrrrrr
    rrrgggggggrrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrggggggggg~~
    rrgggggggg~~~
    rrrggggggg~~~
    ~~~~~~~~~~~~~
    ~~~~~~~~~~~~~
  }
)";

}  // namespace tv::test
