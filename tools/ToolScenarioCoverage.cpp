// "scenario coverage": which sites, scenes, barter rows, achievements and hints the ways through a
// story reach, and the texts they never show.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "authoring/GameScenarioCoverage.h"
#include "authoring/GameScenarioGraph.h"
#include "base/EngineClasses.h"
#include "engine/EngineScript.h"
#include "game/GameModules.h"
#include "game/GamePlayers.h"
#include "game/GameScenario.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {

bool PlayCoverage(const TScenarioInput& Input, const std::string& ScriptBytes, const TCoverageOptions& Options,
                  TCoverageResult& Result, std::string& Why) {
  TStartedModules model;
  model.Start(ModelModules());
  try {
    LoadIntoModel(Input, ScriptBytes);
    Result = ScenarioCoverage(Input.Scenario, Input.FromSource ? &Input.Places : nullptr, Input.Label, Options);
  } catch (const EError& e) {
    Why = e.what();
    model.Stop();
    return false;
  }
  model.Stop();
  if (!Result.Ok) Why = Result.Why;
  return Result.Ok;
}

namespace {

namespace fs = std::filesystem;

int RunCoverage(const TArgs& Args);

const TToolCommand CoverageCommand{
    "scenario coverage",
    "SRC...|S0Scenario.dat [--ways N] [--seed S] [--html DIR] [--texts SCRIPT.xml] [--max-states N]",
    "plays the solver's way and N random ways (default 20) headless and reports for every site, scene, barter row, "
    "achievement and hint how many ways reached it, or that none did, or that none can (proven by the linter or by "
    "exploring every reachable state), then the texts never shown; --html writes DIR/coverage.html beside the "
    "story's graph DIR/story.dot (and .svg); exit 1 when the scenario cannot be read",
    RunCoverage};

bool ParseNumber(const std::string& Text, int64_t Low, int64_t High, int64_t& Value) {
  char* end = nullptr;
  const long long v = std::strtoll(Text.c_str(), &end, 10);
  if (end == Text.c_str() || *end != '\0' || v < Low || v > High) return false;
  Value = v;
  return true;
}

std::string Quote(const std::string& Path) {
  std::string q = "'";
  for (const char c : Path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int RunCoverage(const TArgs& Args) {
  std::vector<std::string> inputs;
  std::string html, texts;
  TCoverageOptions options;
  for (size_t i = 0; i < Args.size(); ++i) {
    int64_t value = 0;
    const std::string& a = Args[i];
    if (a == "--ways" || a == "--seed" || a == "--max-states") {
      if (++i >= Args.size()) return UsageError(CoverageCommand, a + " needs a number");
      const bool ok = a == "--ways"   ? ParseNumber(Args[i], 0, 100000, value)
                      : a == "--seed" ? ParseNumber(Args[i], 0, 4294967295LL, value)
                                      : ParseNumber(Args[i], 1, 100000000, value);
      if (!ok) return UsageError(CoverageCommand, a + " \"" + Args[i] + "\" is not a valid number");
      if (a == "--ways") options.Ways = static_cast<int32_t>(value);
      if (a == "--seed") options.Seed = static_cast<uint32_t>(value);
      if (a == "--max-states") options.MaxStates = value;
    } else if (a == "--html" || a == "--texts") {
      if (++i >= Args.size()) return UsageError(CoverageCommand, a + " needs a path");
      (a == "--html" ? html : texts) = Args[i];
    } else if (!a.empty() && a[0] == '-') {
      return UsageError(CoverageCommand, "unknown option \"" + a + "\"");
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty()) return UsageError(CoverageCommand, "name the scenario's source files or its scenario file");
  TScenarioInput input;
  if (!LoadScenarioForCommand(CoverageCommand, inputs, input)) return 1;
  // The English story texts beside the tool, unless others are named: a floating text waits for
  // the player only when it has a text, and the texts never shown are those that exist.
  if (texts.empty()) {
    const std::string exe = ProgramFilePath();
    const std::string beside = exe.substr(0, exe.find_last_of('/') + 1) + "Languages/English/T1ScriptScenario.xml";
    if (fs::exists(beside)) texts = beside;
  }
  std::string script;
  if (!texts.empty() && !ReadBytes(texts, script)) {
    std::fprintf(stderr, "%s: cannot read the file\n", texts.c_str());
    return 1;
  }

  TCoverageResult result;
  std::string why;
  if (!PlayCoverage(input, script, options, result, why)) return Failure(CoverageCommand, why);
  const std::string text = CoverageText(result);
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (html.empty()) return 0;

  std::error_code ec;
  fs::create_directories(html, ec);
  const std::string dot = (fs::path(html) / "story.dot").string();
  if (!WriteFileReplacing(dot, ScenarioGraphDot(input.Scenario, input.FromSource ? &input.Places : nullptr), why))
    return Failure(CoverageCommand, why);
  std::string graph = "story.dot";
  if (std::system("command -v dot >/dev/null 2>&1") == 0 &&
      std::system(("dot -Tsvg " + Quote(dot) + " -o " + Quote((fs::path(html) / "story.svg").string())).c_str()) == 0) {
    graph = "story.svg";
  }
  if (!WriteFileReplacing((fs::path(html) / "coverage.html").string(),
                          CoverageHtml(result, fs::path(input.Label).filename().string(), graph), why)) {
    return Failure(CoverageCommand, why);
  }
  return 0;
}

TV_TOOL_COMMAND(CoverageCommand);

}  // namespace
}  // namespace tv::tool
