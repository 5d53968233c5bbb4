#include "tools/ToolModel.h"

#include <cstdio>

#include "engine/EngineScript.h"
#include "game/GameFile.h"
#include "game/GameModules.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv::tool {

int ReadModelOptions(const TToolCommand& Command, const TArgs& Args, bool AllowActions, TModelOptions& Options) {
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& arg = Args[i];
    std::string* target = nullptr;
    if (arg == "--scenario") {
      target = &Options.Scenario;
    } else if (arg == "--save") {
      target = &Options.Save;
    } else if (arg == "--out") {
      target = &Options.Out;
    } else if (arg == "--texts") {
      target = &Options.Texts;
    }
    if (target != nullptr) {
      if (i + 1 >= Args.size()) return UsageError(Command, arg + " needs a value");
      *target = Args[++i];
    } else if (AllowActions && Options.Actions.empty() && (arg == "-" || arg.rfind("--", 0) != 0)) {
      Options.Actions = arg;
    } else {
      return UsageError(Command, "unexpected argument \"" + arg + "\"");
    }
  }
  if (Options.Scenario.empty()) return UsageError(Command, "--scenario is required");
  return 0;
}

namespace {
// The model's modules while the tool runs it.
TStartedModules Model;
}  // namespace

int StartModel(const TModelOptions& Options) {
  Model.Start(ModelModules());
  try {
    if (!Options.Texts.empty()) LoadScript(ReadWholeFile(Options.Texts), true, false);
    LoadScenarioFile(Options.Scenario);
  } catch (const EError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    // Stopped here, not at exit: the modules' state may be gone by the time statics are destroyed.
    Model.Stop();
    return 2;
  }
  if (Options.Save.empty()) {
    FreePlayersWithoutSaving();
    AddPlayer("");
  } else {
    std::string why;
    if (!LoadPlayersFrom(Options.Save, &why)) {
      std::fprintf(stderr, "note: %s; playing as one nameless player\n", why.c_str());
    }
  }
  return 0;
}

void StopModel() { Model.Stop(); }

}  // namespace tv::tool
