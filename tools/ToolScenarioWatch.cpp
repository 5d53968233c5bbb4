// "scenario watch": compiles scenario sources into a program folder on every save, so that a game
// running there in debug mode takes the change up at once.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

namespace fs = std::filesystem;

int RunWatch(const TArgs& Args);

const TToolCommand WatchCommand{
    "scenario watch", "SRC... --data DIR [--once] [--interval MS]",
    "compiles the scenario sources into DIR/Ordinary/S0Scenario.dat now and whenever one of them is saved (checked "
    "every MS milliseconds, default 200), until stopped; errors are FILE:LINE: messages, and on an error the old "
    "scenario stays while DIR/Ordinary/S0ScenarioErrors.txt holds the messages for the running game to show; "
    "--once compiles once and ends (exit 1 on an error)",
    RunWatch};

// What decides whether the sources changed: every file's time stamp and size.
std::string Signature(const std::vector<std::string>& Paths) {
  std::vector<TScenarioDiagnostic> ignored;
  std::string signature;
  for (const std::string& file : ExpandSourcePaths(Paths, ignored)) {
    std::error_code ec;
    const auto time = fs::last_write_time(file, ec).time_since_epoch().count();
    const auto size = fs::file_size(file, ec);
    signature += file + "|" + std::to_string(time) + "|" + std::to_string(size) + "\n";
  }
  return signature;
}

// One compilation; true when the scenario file holds the sources' scenario afterwards.
bool CompileOnce(const std::vector<std::string>& Sources, const fs::path& Ordinary) {
  const std::string target = (Ordinary / "S0Scenario.dat").string();
  const std::string errors = (Ordinary / "S0ScenarioErrors.txt").string();
  const TScenarioInput input = LoadScenarioInput(Sources);
  const int count = PrintDiagnostics(input.Diagnostics);
  std::string why;
  if (!input.Ok) {
    std::string text;
    for (const TScenarioDiagnostic& d : input.Diagnostics) {
      if (d.Severity == TScenarioDiagnostic::TSeverity::Error) text += d.Format() + "\n";
    }
    if (!WriteFileReplacing(errors, text, why)) std::fprintf(stderr, "tolvaren-tool scenario watch: %s\n", why.c_str());
    std::fprintf(stderr, "tolvaren-tool scenario watch: %d error%s; %s keeps the old scenario\n", count,
                 count == 1 ? "" : "s", target.c_str());
    return false;
  }
  std::error_code ignored;
  fs::remove(errors, ignored);
  const std::string bytes = input.Scenario.Build();
  std::string old;
  if (ReadBytes(target, old) && old == bytes) {
    std::fprintf(stderr, "tolvaren-tool scenario watch: %s is up to date\n", target.c_str());
    return true;
  }
  if (!WriteFileReplacing(target, bytes, why)) {
    std::fprintf(stderr, "tolvaren-tool scenario watch: %s\n", why.c_str());
    return false;
  }
  std::fprintf(stderr, "tolvaren-tool scenario watch: wrote %s\n", target.c_str());
  return true;
}

int RunWatch(const TArgs& Args) {
  std::vector<std::string> sources;
  std::string data;
  bool once = false;
  int interval = 200;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "--data") {
      if (++i >= Args.size()) return UsageError(WatchCommand, "--data needs a folder");
      data = Args[i];
    } else if (Args[i] == "--once") {
      once = true;
    } else if (Args[i] == "--interval") {
      char* end = nullptr;
      const long v = ++i < Args.size() ? std::strtol(Args[i].c_str(), &end, 10) : 0;
      if (end == nullptr || *end != '\0' || v < 10 || v > 60000) {
        return UsageError(WatchCommand, "--interval needs milliseconds from 10 to 60000");
      }
      interval = static_cast<int>(v);
    } else if (!Args[i].empty() && Args[i][0] == '-') {
      return UsageError(WatchCommand, "unknown option \"" + Args[i] + "\"");
    } else {
      sources.push_back(Args[i]);
    }
  }
  if (sources.empty()) return UsageError(WatchCommand, "name at least one source file or folder");
  if (data.empty()) return UsageError(WatchCommand, "name the program folder with --data");
  const fs::path ordinary = fs::path(data) / "Ordinary";
  if (!fs::is_directory(ordinary)) {
    std::fprintf(stderr, "%s: no such folder (is --data a program folder?)\n", ordinary.string().c_str());
    return 1;
  }
  std::string compiled = Signature(sources);
  const bool ok = CompileOnce(sources, ordinary);
  if (once) return ok ? 0 : 1;
  std::fprintf(stderr, "tolvaren-tool scenario watch: watching; stop with Ctrl+C\n");
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    const std::string now = Signature(sources);
    if (now == compiled) continue;
    // An editor may still be writing: compile once the files held still for one interval.
    std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    if (Signature(sources) != now) continue;
    compiled = now;
    CompileOnce(sources, ordinary);
  }
}

TV_TOOL_COMMAND(WatchCommand);

}  // namespace
}  // namespace tv::tool
