// "scenario solve": a way from a new game to the ending, as a play script.
#include <cstdio>
#include <filesystem>

#include "authoring/GameScenarioInputScript.h"
#include "authoring/GameScenarioSolver.h"
#include "base/AppFolders.h"
#include "base/EngineClasses.h"
#include "engine/EngineScript.h"
#include "game/GameModules.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

int RunSolve(const TArgs& Args);

const TToolCommand SolveCommand{
    "scenario solve",
    "SRC...|S0Scenario.dat [--texts SCRIPT.xml] [-o SCRIPT.txt] [--input INPUT.txt [--name NAME] [--no-screenshots]] "
    "[--max-states N]",
    "searches the headless game for actions from a new game to an ending and prints them as a play script "
    "(give the --texts that play will get: a floating text shows only when it has a text); --input also writes "
    "the way as the real program's input script (from an empty user folder: the name NAME typed, \"Play\", every "
    "click, through the ending back to the menu and \"Quit\"; screenshots of the milestones beside the script "
    "unless --no-screenshots); exit 1 when there is none within the limits (old -o and --input files are then "
    "removed, so no stale way is played)",
    RunSolve};

bool ParseCount(const std::string& Text, int64_t& Value) {
  char* end = nullptr;
  const long long v = std::strtoll(Text.c_str(), &end, 10);
  if (end == Text.c_str() || *end != '\0' || v <= 0) return false;
  Value = v;
  return true;
}

int RunSolve(const TArgs& Args) {
  std::vector<std::string> inputs;
  std::string texts;
  std::string output;
  std::string inputScript;
  TInputScriptOptions inputOptions;
  TSolveOptions options;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "--texts") {
      if (++i >= Args.size()) return UsageError(SolveCommand, "--texts needs a script file");
      texts = Args[i];
    } else if (Args[i] == "-o") {
      if (++i >= Args.size()) return UsageError(SolveCommand, "-o needs a file name");
      output = Args[i];
    } else if (Args[i] == "--input") {
      if (++i >= Args.size()) return UsageError(SolveCommand, "--input needs a file name");
      inputScript = Args[i];
    } else if (Args[i] == "--name") {
      if (++i >= Args.size()) return UsageError(SolveCommand, "--name needs the player's name");
      inputOptions.PlayerName = Args[i];
    } else if (Args[i] == "--no-screenshots") {
      inputOptions.Screenshots = false;
    } else if (Args[i] == "--max-states") {
      if (++i >= Args.size() || !ParseCount(Args[i], options.MaxStates)) {
        return UsageError(SolveCommand, "--max-states needs a positive number");
      }
    } else if (!Args[i].empty() && Args[i][0] == '-') {
      return UsageError(SolveCommand, "unknown option \"" + Args[i] + "\"");
    } else {
      inputs.push_back(Args[i]);
    }
  }
  if (inputs.empty()) return UsageError(SolveCommand, "name the scenario's source files or its scenario file");
  // On any failure an old output goes: a way left from an earlier run would be played as if it
  // were this story's.
  auto removeOldOutput = [&output, &inputScript] {
    std::error_code ignored;
    if (!output.empty()) std::filesystem::remove(output, ignored);
    if (!inputScript.empty()) std::filesystem::remove(inputScript, ignored);
  };
  TScenarioInput input;
  if (!LoadScenarioForCommand(SolveCommand, inputs, input)) {
    removeOldOutput();
    return 1;
  }
  // A compiled scenario in a program folder plays with that folder's English scenario texts, as
  // the game would (a floating text without a text is never shown, which changes the way).
  if (texts.empty() && inputs.size() == 1) {
    const std::filesystem::path file = std::filesystem::absolute(inputs[0]);
    if (file.extension() == ".dat" && file.parent_path().filename() == "Ordinary") {
      const std::string program = file.parent_path().parent_path().string() + "/";
      const std::string found = LanguageFolderOf(program, "English") + "T1ScriptScenario.xml";
      std::error_code ignored;
      if (std::filesystem::is_regular_file(found, ignored)) {
        texts = found;
        std::fprintf(stderr, "tolvaren-tool scenario solve: using the texts of \"%s\" (--texts names others)\n",
                     texts.c_str());
      }
    }
  }
  std::string script;
  if (!texts.empty() && !ReadBytes(texts, script)) {
    Failure(SolveCommand, "cannot read \"" + texts + "\"");
    removeOldOutput();
    return 1;
  }

  TSolveResult result;
  TInputScriptResult played;
  int code = 0;
  TStartedModules model;
  model.Start(ModelModules());
  try {
    LoadIntoModel(input, script);
    result = SolveScenario(options);
    if (result.Found && !inputScript.empty()) played = WayAsInputScript(result.Actions, inputOptions);
  } catch (const EError& e) {
    std::fprintf(stderr, "tolvaren-tool scenario solve: %s\n", e.what());
    code = 1;
  }
  model.Stop();
  if (code != 0 || !result.Found) {
    removeOldOutput();
    return code == 0 ? Failure(SolveCommand, result.Why) : 1;
  }
  if (!inputScript.empty() && !played.Ok) {
    removeOldOutput();
    std::fprintf(stderr, "tolvaren-tool scenario solve: the way cannot be played by input: %s\n", played.Why.c_str());
    return 1;
  }
  std::string text = "# From a new game to the ending: " + std::to_string(result.Actions.size()) + " actions (" +
                     std::to_string(result.States) + " states searched).\n";
  for (const std::string& action : result.Actions) text += action + "\n";
  std::string why;
  if (!inputScript.empty() && !WriteFileReplacing(inputScript, played.Script, why)) return Failure(SolveCommand, why);
  if (output.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (!WriteFileReplacing(output, text, why)) return Failure(SolveCommand, why);
  return 0;
}

TV_TOOL_COMMAND(SolveCommand);

}  // namespace
}  // namespace tv::tool
