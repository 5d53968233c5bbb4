// "scenario lint": every problem of a scenario, with its place.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "authoring/GameScenarioLint.h"
#include "base/EngineClasses.h"
#include "engine/EngineScript.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

int RunLint(const TArgs& Args);

const TToolCommand LintCommand{
    "scenario lint", "SRC...|S0Scenario.dat [--texts SCRIPT.xml]... [--data DIR] [--werror]",
    "reports every problem of a scenario (names, numbers, loops, what can never happen, missing texts with "
    "--texts, missing assets with --data); exit 1 on an error (with --werror also on a warning)",
    RunLint};

// The keys a scenario script gives a text, read as the game reads it.
bool ScriptKeys(const std::string& Path, TScenarioTexts& Texts, std::string& Why) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) {
    Why = "cannot read \"" + Path + "\"";
    return false;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  Texts.Path = Path;
  FreeTexts();
  try {
    LoadScript(bytes.str(), true, false);
  } catch (const EError& e) {
    Why = Path + ": " + e.what();
  }
  for (TItem* item = TextTable().First(); item != nullptr; item = item->GetNext()) {
    Texts.Keys.insert(static_cast<TScriptNode*>(item)->Name);
  }
  FreeTexts();
  return Why.empty();
}

int RunLint(const TArgs& Args) {
  std::vector<std::string> inputs;
  TScenarioLintOptions options;
  bool werror = false;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "--texts") {
      if (++i >= Args.size()) return UsageError(LintCommand, "--texts needs a script file");
      TScenarioTexts texts;
      std::string why;
      if (!ScriptKeys(Args[i], texts, why)) {
        std::fprintf(stderr, "tolvaren-tool scenario lint: %s\n", why.c_str());
        return 1;
      }
      options.Texts.push_back(std::move(texts));
    } else if (Args[i] == "--data") {
      if (++i >= Args.size()) return UsageError(LintCommand, "--data needs a folder");
      options.DataFolder = Args[i];
    } else if (Args[i] == "--werror") {
      werror = true;
    } else if (!Args[i].empty() && Args[i][0] == '-') {
      return UsageError(LintCommand, "unknown option \"" + Args[i] + "\"");
    } else {
      inputs.push_back(Args[i]);
    }
  }
  if (inputs.empty()) return UsageError(LintCommand, "name the scenario's source files or its scenario file");
  const TScenarioInput input = LoadScenarioInput(inputs);
  int errors = PrintDiagnostics(input.Diagnostics);
  int warnings = static_cast<int>(input.Diagnostics.size()) - errors;
  if (!input.Ok) {
    std::fprintf(stderr, "tolvaren-tool scenario lint: the scenario cannot be read\n");
    return 1;
  }
  const std::vector<TScenarioDiagnostic> found =
      LintScenario(input.Scenario, input.FromSource ? &input.Places : nullptr, input.Label, options);
  const int lintErrors = PrintDiagnostics(found);
  errors += lintErrors;
  warnings += static_cast<int>(found.size()) - lintErrors;
  if (errors > 0 || warnings > 0) {
    std::fprintf(stderr, "%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
  }
  return errors > 0 || (werror && warnings > 0) ? 1 : 0;
}

TV_TOOL_COMMAND(LintCommand);

}  // namespace
}  // namespace tv::tool
