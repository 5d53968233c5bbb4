// "play": plays the game headless from a script of actions and prints the world as JSON.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GamePlayers.h"
#include "tools/ToolModel.h"

namespace tv::tool {
namespace {

int RunPlay(const TArgs& Args);

const TToolCommand Command = {
    "play", "--scenario S0.dat [--save IN.dat] [--out OUT.dat] [--texts SCRIPT.xml] ACTIONS|-",
    "plays the game headless (actions: enter R S, accept [q1..q7], skip, decline, travel R, undo, newgame, "
    "close-inventory, close-hint) and prints the world as JSON",
    RunPlay};

int RunPlay(const TArgs& Args) {
  TModelOptions options;
  if (const int code = ReadModelOptions(Command, Args, true, options)) return code;
  if (options.Actions.empty()) return UsageError(Command, "an actions file (or - for standard input) is required");
  std::ifstream file;
  if (options.Actions != "-") {
    file.open(options.Actions);
    if (!file) {
      std::fprintf(stderr, "Unable to open file \"%s\"\n", options.Actions.c_str());
      return 2;
    }
  }
  std::istream& in = options.Actions == "-" ? std::cin : file;
  if (const int code = StartModel(options); code != 0) return code;
  int code = 0;
  std::vector<std::string> log;
  {
    THeadlessPlay play;
    Rebuild();
    bool rested = play.Settle();
    for (std::string line; rested && std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string entry = play.Perform(line);
      if (entry.empty()) continue;
      log.push_back(entry);
      rested = play.Settle();
    }
    if (!rested) {
      std::fprintf(stderr, "the avatar did not come to rest within %lld frames\n",
                   static_cast<long long>(HeadlessFrameLimit));
      code = 3;
    }
    if (code == 0 && !options.Out.empty()) {
      try {
        WriteSaveFile(options.Out);
      } catch (const EError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        code = 1;
      }
    }
    if (code != 3) std::printf("%s\n", ModelStateJson(&log).c_str());
  }
  StopModel();
  return code;
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
