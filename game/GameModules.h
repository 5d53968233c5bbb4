// The game model's part of the module table: the text table, the asset pool, the scenario and
// the players, in start-up order. The tool and the model tests start the model through it.
#pragma once

#include "base/AppModules.h"

namespace tv {

TModuleTable ModelModules();

}  // namespace tv
