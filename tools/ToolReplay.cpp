// "replay": rebuilds the world from a save file's events, as loading a game does, and prints it.
#include <cstdio>

#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "tools/ToolModel.h"

namespace tv::tool {
namespace {

int RunReplay(const TArgs& Args);

const TToolCommand Command = {"replay", "--scenario S0.dat --save SAVE.dat [--texts SCRIPT.xml]",
                              "rebuilds the current player's game from the save file and prints the world as JSON",
                              RunReplay};

int RunReplay(const TArgs& Args) {
  TModelOptions options;
  if (const int code = ReadModelOptions(Command, Args, false, options)) return code;
  if (options.Save.empty()) return UsageError(Command, "--save is required");
  if (const int code = StartModel(options); code != 0) return code;
  THeadlessGui gui;
  SetGuiHandler(&gui);
  Rebuild();
  std::printf("%s\n", ModelStateJson().c_str());
  SetGuiHandler(nullptr);
  StopModel();
  return 0;
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
