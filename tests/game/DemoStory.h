// The demo story as the scenario compiler takes it: the source files of content/scenario, sorted
// by name (the order the build compiles them in).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/GameScenarioSource.h"
#include "support/TestSupport.h"

namespace tv::test {

inline std::vector<TScenarioSourceFile> DemoStorySources() {
  std::vector<std::string> paths;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(TV_SOURCE_DIR) / "content/scenario")) {
    paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<TScenarioSourceFile> files;
  for (const std::string& path : paths) files.push_back({path, ReadFile(path)});
  return files;
}

}  // namespace tv::test
