// A play script (the solver's way, or any list of "tolvaren-tool play" actions) turned into the
// input a player gives the real program: an input script for "tolvaren -input FILE" that starts
// from an empty user folder, names the player, starts the game from the menu, clicks the sites,
// the scene windows' buttons (each barter trade on its own) and the corner icons, waits for every
// dialog and transition the game opens, and leaves through the menu's "Quit".
//
// The way is played headless alongside, exactly as "tolvaren-tool play" plays it, so the script
// knows which dialogs each action opens, how many trades a barter row makes, and what the sites
// are called; the program needs nothing of this.
#pragma once

#include <string>
#include <vector>

namespace tv {

struct TInputScriptOptions {
  std::string PlayerName = "Player";  // typed at the name prompt of a new user folder
  bool Screenshots = true;            // "screenshot" lines at the milestones below
};

// The screenshots the script takes (files beside the script): the name prompt, the menu, the
// first scene window, the first barter with its trades made, each region when the hero first
// rests there ("region-NAME.png"), and the menu after the ending ("ending.png").
struct TInputScriptShot {
  std::string File;
  std::string Shows;  // "form Menu", "dialog Scene", "region Brackwater", ...
};

struct TInputScriptResult {
  bool Ok = false;
  std::string Why;  // when not: the action that has no input, and why
  std::string Script;
  bool ReachesEnding = false;  // the way ends in an ending (the script then quits from its menu)
  std::vector<TInputScriptShot> Shots;
  std::vector<std::string> Regions;  // the regions the hero is shown in, in order of first arrival
};

// Needs the model set up with the scenario and its texts loaded and a current player, as for
// SolveScenario; starts a new game for that player, plays Actions and leaves a new game behind.
// A way that does not reach an ending leaves the game through the exit icon's query before
// quitting.
TInputScriptResult WayAsInputScript(const std::vector<std::string>& Actions, const TInputScriptOptions& Options);

}  // namespace tv
