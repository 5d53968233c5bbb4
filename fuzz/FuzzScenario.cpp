// The scenario loader on arbitrary bytes: it must fail with a message or load, never crash, read
// out of bounds or allocate what the file only claims; a loaded world is then reset and played
// for a few hundred frames, which must not crash either.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/EngineClasses.h"
#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GameHint.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

#include "FuzzModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace tv;
  const fuzz::TFuzzModel model;
  FreePlayersWithoutSaving();
  AddPlayer("Fuzz");
  try {
    LoadScenarioBytes(std::string_view(reinterpret_cast<const char*>(Data), Size), "fuzz");
    THeadlessPlay play;
    Rebuild();
    CurrentHint();
    for (int frame = 0; frame < 300; ++frame) {
      TAvatar* avatar = Avatar();
      if (avatar->State == StatePresenting) {
        if (frame % 2 == 0) {
          avatar->AcceptScene();
        } else {
          avatar->DeclineScene();
        }
      }
      avatar->Update(true, HeadlessFrameTime);
      play.Gui.RunPending();
    }
    ModelStateJson();
  } catch (const EError&) {
  }
  return 0;
}
