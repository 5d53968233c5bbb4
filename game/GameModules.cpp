#include "game/GameModules.h"

#include "engine/EngineGuiCalls.h"
#include "engine/EngineScript.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv {

TModuleTable ModelModules() {
  return {
      // The text table is made on first use; shutting it down frees whatever was loaded.
      {"Texts", nullptr, FreeTexts},
      {"Pool", CreatePool, DestroyPool},
      {"Scenario", CreateScenario, DestroyScenario},
      {"Players",
       [] {
         FreePlayersWithoutSaving();
         SetSaveTarget("");
       },
       [] {
         // Callbacks held by the screens capture the players and the avatar: they go first.
         DropGuiCallbacks();
         FreePlayersWithoutSaving();
         ResetSaveTarget();
         SetSaveFailureStep(0);
       }},
  };
}

}  // namespace tv
