// The story as a Graphviz graph: regions as boxes holding their sites, the conditions that reveal
// each site, the guide chain, travel between regions and closings.
#pragma once

#include <string>

#include "authoring/GameScenarioSource.h"

namespace tv {

// The graph in the dot language. With Places (a scenario compiled from source), props, sites and
// regions are labelled with their source names; without, with the names the scenario file holds.
std::string ScenarioGraphDot(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places);

}  // namespace tv
