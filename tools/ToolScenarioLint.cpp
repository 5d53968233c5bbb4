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
    "scenario lint", "SRC...|S0Scenario.dat [--texts SCRIPT.xml]... [--data DIR] [--ways N [--seed S]] [--werror]",
    "reports every problem of a scenario (names, numbers, loops, what can never happen, missing texts with "
    "--texts, missing assets with --data, with --ways what neither the solver's way nor N random ways reach); "
    "exit 1 on an error (with --werror also on a warning)",
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
  int32_t ways = -1;
  uint32_t seed = 1;
  std::string firstScript;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "--texts") {
      if (++i >= Args.size()) return UsageError(LintCommand, "--texts needs a script file");
      TScenarioTexts texts;
      std::string why;
      if (!ScriptKeys(Args[i], texts, why)) return Failure(LintCommand, why);
      if (firstScript.empty()) firstScript = Args[i];
      options.Texts.push_back(std::move(texts));
    } else if (Args[i] == "--data") {
      if (++i >= Args.size()) return UsageError(LintCommand, "--data needs a folder");
      options.DataFolder = Args[i];
    } else if (Args[i] == "--ways" || Args[i] == "--seed") {
      const std::string option = Args[i];
      char* end = nullptr;
      const long long v = ++i < Args.size() ? std::strtoll(Args[i].c_str(), &end, 10) : -1;
      if (end == nullptr || *end != '\0' || v < 0 || v > (option == "--ways" ? 100000LL : 4294967295LL)) {
        return UsageError(LintCommand, option + " needs a number");
      }
      if (option == "--ways") ways = static_cast<int32_t>(v);
      if (option == "--seed") seed = static_cast<uint32_t>(v);
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
  std::vector<TScenarioDiagnostic> found =
      LintScenario(input.Scenario, input.FromSource ? &input.Places : nullptr, input.Label, options);
  if (ways >= 0) {
    // What no way reaches: content a player may well never see. What the lint proves impossible
    // is reported above already.
    std::string script;
    if (!firstScript.empty()) {
      std::ifstream in(firstScript, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      script = bytes.str();
    }
    TCoverageOptions coverage;
    coverage.Ways = ways;
    coverage.Seed = seed;
    TCoverageResult result;
    std::string why;
    if (!PlayCoverage(input, script, coverage, result, why)) {
      found.push_back(
          {TScenarioDiagnostic::TSeverity::Error, input.Label, 0, "", "the story cannot be played: " + why});
    } else {
      for (const TCoverageItem& item : result.Items) {
        if (item.Ways > 0 || (item.Unreachable && item.Why.find("can never") != std::string::npos)) continue;
        found.push_back({TScenarioDiagnostic::TSeverity::Warning, item.File.empty() ? input.Label : item.File,
                         item.Line, item.Object,
                         item.Unreachable ? "no way reaches it: " + item.Why
                                          : "no way of " + std::to_string(result.WaysPlayed) +
                                                " reaches it (the solver's and random ways; --ways plays more)"});
      }
    }
  }
  const int lintErrors = PrintDiagnostics(found);
  errors += lintErrors;
  warnings += static_cast<int>(found.size()) - lintErrors;
  if (errors > 0 || warnings > 0) {
    std::fprintf(stderr, "%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings,
                 warnings == 1 ? "" : "s");
  }
  return errors > 0 || (werror && warnings > 0) ? 1 : 0;
}

TV_TOOL_COMMAND(LintCommand);

}  // namespace
}  // namespace tv::tool
