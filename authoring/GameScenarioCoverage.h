// Story coverage: which parts of a scenario the ways through it reach. Plays the solver's way and
// a number of random ways headless (each a sequence of what a player can do, from a new game to
// the ending or until nothing is left to do), then reports for every site, scene, barter row,
// achievement and hint how many ways reached it, and which of those never reached are proven
// unreachable: by the linter's reasoning, or because every state reachable from a new game was
// explored and none holds it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "authoring/GameScenarioSource.h"

namespace tv {

struct TCoverageOptions {
  int32_t Ways = 20;          // random ways besides the solver's
  uint32_t Seed = 1;          // of the random choices
  int32_t MaxActions = 2000;  // longest random way
  int64_t MaxStates = 20000;  // states the solver and the exhaustive exploration may visit
};

struct TCoverageItem {
  std::string Kind;    // "site", "scene", "barter row", "achievement", "hint"
  std::string Object;  // as the linter names it: "site Dock", "row 2 of scene 1012 of site Dock"
  std::string File;    // source place, when compiled from source
  int Line = 0;
  int32_t Ways = 0;  // how many ways reached it
  bool Unreachable = false;
  std::string Why;  // the proof, when unreachable
};

struct TCoverageResult {
  bool Ok = false;           // the scenario could be played
  std::string Why;           // when not
  bool SolverFound = false;  // the solver's way is among the ways
  int32_t WaysPlayed = 0;
  int32_t WaysEnded = 0;  // ways that reached an ending
  bool Explored = false;  // every reachable state was explored
  int64_t ExploredStates = 0;
  std::vector<TCoverageItem> Items;
  std::vector<std::string> TextsNeverShown;  // "KEY (what it belongs to)"
};

// Needs the model set up with the scenario loaded (and its texts) and a current player, as
// SolveScenario does; leaves a new game behind. Places (may be null) and Label as for the linter.
TCoverageResult ScenarioCoverage(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places,
                                 const std::string& Label, const TCoverageOptions& Options);

// The report as lines "FILE:LINE: site Dock: reached by 3 of 21 ways" (or "never reached",
// "unreachable: WHY"), then the texts never shown.
std::string CoverageText(const TCoverageResult& Result);
// A self-contained HTML page of the report; Graph, when not empty, is the file name of the
// story's graph picture beside it.
std::string CoverageHtml(const TCoverageResult& Result, const std::string& Title, const std::string& Graph);

}  // namespace tv
