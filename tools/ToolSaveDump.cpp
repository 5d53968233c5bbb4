// "save dump": a save file as JSON, for people looking into a player's game.
#include <cstdio>

#include "game/GameAvatar.h"
#include "game/GameFile.h"
#include "game/GameHeadless.h"
#include "game/GamePlayers.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunSaveDump(const TArgs& Args);

const TToolCommand Command = {"save dump", "SAVE.dat",
                              "prints a save file as JSON: its players with settings, events and earned achievements, "
                              "and the current player",
                              RunSaveDump};

int RunSaveDump(const TArgs& Args) {
  if (Args.size() != 1) return UsageError(Command, "one save file is expected");
  TSaveContents contents;
  try {
    contents = ParseSaveFile(ReadWholeFile(Args[0]), Args[0]);
  } catch (const EError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
  std::string j = "{\"version\": " + std::to_string(contents.Version) + ", \"players\": [";
  for (size_t i = 0; i < contents.Players.size(); ++i) {
    const TPlayer& p = *contents.Players[i];
    j += std::string(i > 0 ? ", " : "") + "{\"name\": " + JsonString(p.Name) +
         ", \"full_screen\": " + (p.FullScreen ? "true" : "false") +
         ", \"effects_volume\": " + std::to_string(p.EffectsVolume) +
         ", \"environment_volume\": " + std::to_string(p.EnvironmentVolume) +
         ", \"music_volume\": " + std::to_string(p.MusicVolume) + ", \"events\": " + EventsJson(*p.Events) +
         ", \"earned\": [";
    for (size_t k = 0; k < p.Earned.size(); ++k) j += (k > 0 ? ", " : "") + std::to_string(p.Earned[k]);
    j += "]}";
  }
  j += "], \"current\": " + std::to_string(contents.Current) + "}";
  std::printf("%s\n", j.c_str());
  return 0;
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
