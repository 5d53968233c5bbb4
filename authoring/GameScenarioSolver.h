// The scenario solver: searches the loaded scenario, played headless exactly as "tolvaren-tool
// play" plays it, for a sequence of actions from a new game to the completion of an ending site.
// A story that cannot be finished is the worst fault a content author can ship; this finds it
// before a player does, and the actions it finds are a play script that shows the way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tv {

struct TSolveOptions {
  int64_t MaxStates = 100000;  // distinct world states explored before giving up
  int32_t MaxActions = 5000;   // longest action sequence considered
};

struct TSolveResult {
  bool Found = false;
  std::vector<std::string> Actions;  // play script lines: enter, accept, decline, travel, close-hint, ...
  int64_t States = 0;                // distinct world states seen
  int64_t Frames = 0;                // frames the headless play advanced while searching
  std::string Why;                   // when not found: what stopped the search
};

// Needs the model set up with a scenario loaded (and its texts, when the play script is to run
// with them) and a current player; starts a new game for that player, searches, and leaves a new
// game behind. Only what a player can do is tried: entering the sites on the map, accepting a scene
// whose requirements are met (for a barter, trading all it can of one row, one of a row, all rows
// or nothing), declining a scene that offers to decline, and the map button once it is unlocked;
// while the tutorial arrow points at the hint or the inventory button, the sites wait until that
// button's dialog has been opened and closed ("close-hint", "close-inventory"), and while it points
// at the map button only the map can be used, as on the play screen.
// The search prefers states that have done more of the story (sites revealed, entered and
// completed, scenes performed), shorter ways among those.
TSolveResult SolveScenario(const TSolveOptions& Options);

// What the player can do in the current (settled) state, as play script lines: the choices the
// search tries. Empty when there is nothing to do.
std::vector<std::string> PlayerChoices();

// Every state reachable from a new game, visited once each (breadth first, at most MaxStates):
// Visit runs with the world in each state (as SettleObserving observes it). True when every reachable state was
// visited, so that what no visited state holds can never happen; leaves a new game behind.
class THeadlessPlay;
// THeadlessPlay::Settle that also runs Observe whenever a transition's callback is about to run
// (the ending's starts a new game, so what the last visit did is seen only before it) and once
// at rest.
bool SettleObserving(THeadlessPlay& Play, const std::function<void()>& Observe);
bool ExploreScenario(const TSolveOptions& Options, THeadlessPlay& Play, const std::function<void()>& Visit,
                     int64_t* States = nullptr);

}  // namespace tv
