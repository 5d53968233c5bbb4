// The real program opened straight on the play form: it prepares the game of the current player
// (a new, nameless one on a fresh install) and switches to "Play" instead of the first screen.
// Integration tests drive it with input scripts and read its GUI trace and its save.
#include <string>
#include <vector>

#include "app/AppGame.h"
#include "app/AppMain.h"
#include "engine/EngineGui.h"

int main(int argc, char** argv) {
  tv::SetTestScreens(nullptr, [] {
    tv::PrepareGame();
    tv::SwitchForm("Play", "Fade", nullptr);
  });
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return tv::Run(args);
}
