// The game model for fuzz targets that load a scenario or a save: an empty pool and scenario with
// no save file, made for one input and torn down after it (players, save target, scenario, pool).
#pragma once

#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv::fuzz {

class TFuzzModel {
 public:
  TFuzzModel() {
    CreatePool();
    CreateScenario();
    SetSaveTarget("");
  }
  ~TFuzzModel() {
    FreePlayersWithoutSaving();
    ResetSaveTarget();
    DestroyScenario();
    DestroyPool();
  }
  TFuzzModel(const TFuzzModel&) = delete;
  TFuzzModel& operator=(const TFuzzModel&) = delete;
};

}  // namespace tv::fuzz
