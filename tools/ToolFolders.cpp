// "folders": where the program would find its folders, for people setting up content.
#include <cstdio>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunFolders(const TArgs& Args) {
  // As in the game: a language named here wins, else the one of the user's locale.
  bool named = false;
  if (!Args.empty()) {
    std::string name;
    named = NormalizeLanguageArgument(Args[0], name) && ReadCommandLine({"-language", Args[0]}).LanguageGiven;
  }
  SetUseSystemLanguage(!named);
  InitFolders();
  SetUseSystemLanguage(false);
  const char* names[] = {"Program", "Branding", "Language", "Ordinary", "User"};
  for (int i = 0; i < 5; ++i) std::printf("%s\t%s\n", names[i], FolderPath(static_cast<TFolderKind>(i)).c_str());
  DoneFolders();
  return 0;
}

TV_TOOL_COMMAND(
    "folders", "[LANGUAGE]",
    "prints the folders the program uses, as the game would pick them (the language from the locale unless named)",
    RunFolders);

}  // namespace
}  // namespace tv::tool
