// "scenario graph": the story as a Graphviz graph: regions as boxes holding their sites, the
// conditions that reveal each site, the guide chain, travel between regions and closings.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "authoring/GameScenarioGraph.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

int RunGraph(const TArgs& Args);

const TToolCommand GraphCommand{
    "scenario graph", "SRC...|S0Scenario.dat -o FILE.dot",
    "draws the story as a Graphviz graph (regions, sites, reveal conditions, guide chain, travel); also writes "
    "FILE.svg when Graphviz's dot is installed",
    RunGraph};

int RunGraph(const TArgs& Args) {
  std::vector<std::string> inputs;
  std::string output;
  if (const int code = ReadArgs(GraphCommand, Args, {{"-o", &output, "-o needs a file name"}}, {.All = &inputs})) {
    return code;
  }
  if (inputs.empty()) return UsageError(GraphCommand, "name the scenario's source files or its scenario file");
  if (output.empty()) return UsageError(GraphCommand, "name the output with -o FILE.dot");
  TScenarioInput input;
  if (!LoadScenarioForCommand(GraphCommand, inputs, input)) return 1;
  std::string why;
  if (!WriteFileReplacing(output, ScenarioGraphDot(input.Scenario, input.FromSource ? &input.Places : nullptr), why))
    return Failure(GraphCommand, why);
  // A picture as well, when Graphviz is there to draw it.
  if (std::system("command -v dot >/dev/null 2>&1") == 0) {
    const std::string svg = std::filesystem::path(output).replace_extension(".svg").string();
    auto quote = [](const std::string& Path) {
      std::string q = "'";
      for (const char c : Path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
      return q + "'";
    };
    if (std::system(("dot -Tsvg " + quote(output) + " -o " + quote(svg)).c_str()) != 0) {
      std::fprintf(stderr, "tolvaren-tool scenario graph: dot could not draw %s\n", output.c_str());
      return 1;
    }
  }
  return 0;
}

TV_TOOL_COMMAND(GraphCommand);

}  // namespace
}  // namespace tv::tool
