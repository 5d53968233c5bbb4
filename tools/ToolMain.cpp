// tolvaren-tool: the command-line companion for content authors and tests.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppGame.h"
#include "base/AppFolders.h"
#include "tools/ToolCommands.h"

namespace tv::tool {

namespace {
std::vector<TToolCommand>& Commands() {
  static std::vector<TToolCommand> commands;
  return commands;
}

void PrintHelp(FILE* out) {
  std::fprintf(out, "Usage: tolvaren-tool COMMAND [ARGS...]\n\nCommands:\n");
  std::vector<TToolCommand> sorted = Commands();
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return std::strcmp(a.Name, b.Name) < 0; });
  for (const TToolCommand& c : sorted) std::fprintf(out, "  %s %s\n      %s\n", c.Name, c.Usage, c.Summary);
}
}  // namespace

bool RegisterToolCommand(const TToolCommand& Command) {
  Commands().push_back(Command);
  return true;
}

int UsageError(const TToolCommand& Command, const std::string& Why) {
  std::fprintf(stderr, "tolvaren-tool %s: %s\nUsage: tolvaren-tool %s %s\n", Command.Name, Why.c_str(), Command.Name,
               Command.Usage);
  return 2;
}

int Failure(const TToolCommand& Command, const std::string& Why) {
  std::fprintf(stderr, "tolvaren-tool %s: %s\n", Command.Name, Why.c_str());
  return 1;
}

int ReadArgs(const TToolCommand& Command, const TArgs& Args, std::initializer_list<TValueOption> Options,
             const TWords& Words) {
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    const auto option =
        std::find_if(Options.begin(), Options.end(), [&](const TValueOption& o) { return a == o.Name; });
    if (option != Options.end()) {
      if (++i >= Args.size()) return UsageError(Command, option->Missing);
      *option->Value = Args[i];
    } else if (!a.empty() && a[0] == '-') {
      return UsageError(Command, "unknown option \"" + a + "\"");
    } else if (Words.All != nullptr) {
      Words.All->push_back(a);
    } else if (Words.One != nullptr && Words.One->empty()) {
      *Words.One = a;
    } else {
      return UsageError(Command, Words.TooMany != nullptr ? Words.TooMany : "unexpected argument \"" + a + "\"");
    }
  }
  return 0;
}

void InitDataFolders(const std::string& Data) {
  if (Data.empty()) {
    InitFolders();
  } else {
    InitFoldersFrom(Data + "/tolvaren");
  }
}

bool ReadBytes(const std::string& Path, std::string& Bytes) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  Bytes = text.str();
  return true;
}

}  // namespace tv::tool

int main(int argc, char** argv) {
  using namespace tv::tool;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  // The longest command name that the arguments start with wins ("audio info" over "audio").
  const TToolCommand* best = nullptr;
  size_t bestWords = 0;
  for (const TToolCommand& c : Commands()) {
    std::vector<std::string> words;
    for (const char* p = c.Name; *p != '\0';) {
      const char* space = std::strchr(p, ' ');
      const size_t n = space != nullptr ? static_cast<size_t>(space - p) : std::strlen(p);
      words.emplace_back(p, n);
      p += n;
      while (*p == ' ') ++p;
    }
    if (words.size() > args.size() || words.size() <= bestWords) continue;
    if (std::equal(words.begin(), words.end(), args.begin())) {
      best = &c;
      bestWords = words.size();
    }
  }
  if (best == nullptr) {
    std::fprintf(stderr, "tolvaren-tool: unknown command \"%s\"\n\n", args[0].c_str());
    PrintHelp(stderr);
    return 2;
  }
  const TArgs rest(args.begin() + static_cast<std::ptrdiff_t>(bestWords), args.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
    std::printf("Usage: tolvaren-tool %s %s\n  %s\n", best->Name, best->Usage, best->Summary);
    return 0;
  }
  // The engine asks the program above it for its default texts and the window's state; the
  // tool answers as the program does (it has no window: full screen, no size).
  tv::InstallEngineHooks();
  const int code = best->Run(rest);
  tv::ClearEngineHooks();
  return code;
}
