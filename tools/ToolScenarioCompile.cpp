// "scenario compile" and "scenario decompile": source files to the scenario file and back.
#include <cstdio>
#include <filesystem>

#include "base/EngineClasses.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

int RunCompile(const TArgs& Args);
int RunDecompile(const TArgs& Args);

const TToolCommand CompileCommand{
    "scenario compile", "SRC... -o S0Scenario.dat",
    "compiles scenario source files (folders: every *.tvs inside, by name) into a scenario file; on an "
    "error nothing is written and an old output file is removed",
    RunCompile};
const TToolCommand DecompileCommand{
    "scenario decompile", "S0Scenario.dat [-o FILE.tvs]",
    "writes a scenario file as source (to stdout without -o); compiling that source gives the same file", RunDecompile};

int RunCompile(const TArgs& Args) {
  std::vector<std::string> sources;
  std::string output;
  if (const int code = ReadArgs(CompileCommand, Args, {{"-o", &output, "-o needs a file name"}}, {.All = &sources})) {
    return code;
  }
  if (output.empty()) return UsageError(CompileCommand, "name the output with -o");
  if (sources.empty()) return UsageError(CompileCommand, "name at least one source file or folder");
  for (const std::string& source : sources) {
    if (std::filesystem::path(source).extension() == ".dat") {
      return UsageError(CompileCommand, "\"" + source + "\" is a scenario file, not a source file");
    }
  }
  const TScenarioInput input = LoadScenarioInput(sources);
  const int errors = PrintDiagnostics(input.Diagnostics);
  if (!input.Ok) {
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    std::fprintf(stderr, "tolvaren-tool scenario compile: %d error%s; nothing written\n", errors,
                 errors == 1 ? "" : "s");
    return 1;
  }
  std::string why;
  if (!WriteFileReplacing(output, input.Scenario.Build(), why)) return Failure(CompileCommand, why);
  return 0;
}

int RunDecompile(const TArgs& Args) {
  std::string input;
  std::string output;
  if (const int code = ReadArgs(DecompileCommand, Args, {{"-o", &output, "-o needs a file name"}},
                                {.One = &input, .TooMany = "one scenario file at a time"})) {
    return code;
  }
  if (input.empty()) return UsageError(DecompileCommand, "name the scenario file");
  std::string bytes;
  if (!ReadBytes(input, bytes)) return Failure(DecompileCommand, "cannot read \"" + input + "\"");
  std::string text;
  try {
    TScenarioReadNotes notes;
    const TScenarioBuilder scenario = ReadScenarioRecords(bytes, input, notes);
    for (const std::string& note : notes.Lossy) std::fprintf(stderr, "warning: %s\n", note.c_str());
    if (notes.BytesRead < bytes.size()) {
      std::fprintf(stderr,
                   "warning: %s: %zu bytes after the end of the scenario are not kept (the game never reads "
                   "them)\n",
                   input.c_str(), bytes.size() - notes.BytesRead);
    }
    text = DecompileScenario(scenario, std::filesystem::path(input).filename().string());
    // The promise of the format: the source compiles back to the same records.
    const TScenarioCompileResult back = CompileScenarioSources({{output.empty() ? "<stdout>" : output, text}});
    if (!back.Ok || back.Scenario.Build() != scenario.Build()) {
      PrintDiagnostics(back.Diagnostics);
      std::fprintf(stderr, "tolvaren-tool scenario decompile: the source does not compile back to the same file\n");
      return 1;
    }
  } catch (const EError& e) {
    return Failure(DecompileCommand, e.what());
  }
  if (output.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  std::string why;
  if (!WriteFileReplacing(output, text, why)) return Failure(DecompileCommand, why);
  return 0;
}

TV_TOOL_COMMAND(CompileCommand);
TV_TOOL_COMMAND(DecompileCommand);

}  // namespace
}  // namespace tv::tool
