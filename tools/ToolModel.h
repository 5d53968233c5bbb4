// What the model's tool commands share: their options, and loading a scenario, its texts and a
// save file the way the game does, from paths given on the command line.
#pragma once

#include <string>

#include "tools/ToolCommands.h"

namespace tv::tool {

struct TModelOptions {
  std::string Scenario;
  std::string Save;
  std::string Out;
  std::string Texts;
  std::string Actions;  // play only: a file of actions, or "-" for standard input
};

// Reads "--scenario S", "--save F", "--out F", "--texts X" and (when AllowActions) one further
// argument. Returns 0, or the exit code of the usage error (printed for Command) on anything else.
int ReadModelOptions(const TToolCommand& Command, const TArgs& Args, bool AllowActions, TModelOptions& Options);

// Creates the model, loads the texts and the scenario, then the players (a missing or rejected
// save file leaves one nameless player; without Save one nameless player). Returns 0, or 2 with
// the reason printed on stderr when the scenario or the texts cannot be read.
int StartModel(const TModelOptions& Options);
void StopModel();

}  // namespace tv::tool
