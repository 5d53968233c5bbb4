// The scenario linter: everything in a scenario that the game would load without complaint but
// that a player would stumble over: references that cannot be described, numbers the saved games
// cannot tell apart, loops the game would never leave, sites, scenes, achievements and endings that
// can never be reached, texts and assets that do not exist.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "authoring/GameScenarioSource.h"

namespace tv {

struct TScenarioTexts {
  std::string Path;            // the script, for messages
  std::set<std::string> Keys;  // the keys that have a text
};

struct TScenarioLintOptions {
  std::vector<TScenarioTexts> Texts;  // each script is checked on its own
  std::string DataFolder;             // a program folder ("build/bin") or its "Ordinary"; empty: not checked
};

// Every problem found, errors before nothing else; Places (may be null) gives the source places
// of a scenario compiled from source, Label names a scenario read from a file.
std::vector<TScenarioDiagnostic> LintScenario(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places,
                                              const std::string& Label, const TScenarioLintOptions& Options);

}  // namespace tv
