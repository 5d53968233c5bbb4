// Hints: trees of advice, one per site of the guide chain; the current hint is the most specific
// node of the first uncompleted guide site's tree that still applies.
#pragma once

#include <cstdint>
#include <string>

#include "base/EngineClasses.h"
#include "game/GameScenarioRecords.h"

namespace tv {

class TFilePlace;
class TProp;
class TSite;
class TRegion;

class THint : public TNamedItem {
 public:
  explicit THint(std::string Name = {}) : TNamedItem(std::move(Name)) {}

  int32_t Number = 0;
  TProp* Goal = nullptr;
  TProp* NeedsProp = nullptr;
  int32_t NeedsAmount = 0;
  TSite* UntilVisited = nullptr;
  TSite* AfterVisited = nullptr;
  TSite* UntilEntered = nullptr;
  TRegion* OutsideRegion = nullptr;
  THint* SubHints[SubHintCount] = {};  // SubHints[0] is sub-hint 1
  int32_t SubAmounts[SubHintCount] = {};
  bool RouteOnly = false;
  bool ShowNeed = false;
  int32_t Need = 0;

  // The hint's text key: "HintLegendH" and its number.
  std::string LegendKey() const;
  // Reads the hint's body from the scenario file.
  // Takes the record; references are judged at Place.
  void Load(const THintDef& Record, const TFilePlace& Place);
};

// The hint that applies in Hint's tree when Need of its goal is asked for; nullptr when none.
THint* Choose(THint* Hint, int32_t Need);
// The hint to show now, or nullptr.
THint* CurrentHint();
// Fails the load when a hint can reach itself through its sub-hints (the search would not end).
void CheckHintTrees();

}  // namespace tv
