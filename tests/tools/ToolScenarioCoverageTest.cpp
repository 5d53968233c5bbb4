// tolvaren-tool scenario coverage, and lint's warning about what no way reaches.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Story = std::string(TV_SOURCE_DIR) + "/content/scenario";

using test::RunTool;

// The report's line for an object ("scene 3031 of site NetMender"), or "".
std::string LineOf(const std::string& Report, const std::string& Object) {
  std::istringstream lines(Report);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(": " + Object + ": ") != std::string::npos) return line;
  }
  return {};
}

TEST(ToolScenarioCoverage, TheDemoReportsEverySceneAndAchievementWithTheHtmlBesideTheGraph) {
  test::TTempDir dir;
  std::string report, err;
  ASSERT_EQ(RunTool("scenario coverage '" + Story + "' --ways 4 --seed 3 --html '" + dir / "html" + "'", &report, &err),
            0)
      << err;
  // The world of a new game lists every scene and achievement the scenario file holds.
  std::string world;
  ASSERT_EQ(test::RunCommand("echo | '" + test::ToolPath() + "' play --scenario '" + std::string(TV_BIN_DIR) +
                                 "/Ordinary/S0Scenario.dat' -",
                             &world),
            0);
  const nlohmann::json j = nlohmann::json::parse(world);
  size_t scenes = 0;
  for (const auto& region : j["regions"]) {
    for (const auto& site : region["sites"]) {
      for (const auto& scene : site["scenes"]) {
        ++scenes;
        const std::string number = std::to_string(scene["number"].get<int>());
        EXPECT_NE(report.find(": scene " + number + " of site "), std::string::npos) << number;
      }
    }
  }
  EXPECT_GT(scenes, 50u);
  size_t achievements = 0;
  for (size_t at = report.find(": achievement "); at != std::string::npos; at = report.find(": achievement ", at + 1)) {
    ++achievements;
  }
  EXPECT_EQ(achievements, j["achievements"].size());
  // The solver's way is one of the five, and it reaches the ending: the first scene is reached by it.
  EXPECT_EQ(report.rfind("# 5 ways (the solver's and 4 random)", 0), 0u) << report.substr(0, 200);
  EXPECT_NE(LineOf(report, "scene 3031 of site NetMender").find("reached by 5 of 5 ways"), std::string::npos);
  EXPECT_NE(report.find("# texts never shown: "), std::string::npos);
  const std::string html = test::ReadFile(dir / "html/coverage.html");
  EXPECT_NE(html.find("scene 3031 of site NetMender"), std::string::npos);
  EXPECT_TRUE(test::PathExists(dir / "html/story.dot"));
  // The same seed gives the same report.
  std::string again;
  ASSERT_EQ(RunTool("scenario coverage '" + Story + "' --ways 4 --seed 3", &again), 0);
  EXPECT_EQ(again, report);
}

TEST(ToolScenarioCoverage, ContentBehindAnImpossibleRequirementIsUnreachableAndLintWarnsOfWhatNoWayReaches) {
  test::TTempDir dir;
  std::filesystem::copy(Story, dir / "story");
  const std::string file = dir / "story/30-brackwater.tvs";
  std::string source = test::ReadFile(file);
  const std::string anchor = "      execution-sound G8Rope\n      duration 1\n    }\n";
  const size_t at = source.find(anchor);
  ASSERT_NE(at, std::string::npos);
  source.insert(at + anchor.size(),
                "    scene 3098 Requirements 1 {\n      need Lens 99\n    }\n    scene 3099 Text\n");
  test::WriteFile(file, source);
  std::string report;
  ASSERT_EQ(RunTool("scenario coverage '" + dir / "story" + "' --ways 2 --max-states 3000", &report), 0);
  const std::string line = LineOf(report, "scene 3099 of site NetMender");
  EXPECT_EQ(line.rfind(file + ":", 0), 0u) << line;
  EXPECT_NE(line.find("unreachable: it lies behind scene 3098 (its requirements can never be met"), std::string::npos)
      << line;
  // What needs the site completed falls with it, barter rows included.
  EXPECT_NE(LineOf(report, "site FishMarket").find("unreachable: can never be revealed"), std::string::npos);
  EXPECT_NE(LineOf(report, "row 1 of scene 3052 of site FishMarket").find("unreachable: its scene is unreachable"),
            std::string::npos);

  // The demo as it is: lint with --ways names what no way reached as a warning with its place.
  std::string out, err;
  EXPECT_EQ(RunTool("scenario lint '" + Story + "' --ways 1 --seed 5", &out, &err), 0) << err;
  EXPECT_NE(err.find(": warning: "), std::string::npos) << err;
  EXPECT_NE(err.find("no way of 2 reaches it"), std::string::npos) << err;
  EXPECT_EQ(RunTool("scenario lint '" + Story + "' --ways 1 --seed 5 --werror", &out, &err), 1);
  EXPECT_EQ(RunTool("scenario coverage '" + Story + "' --ways x", &out, &err), 2);
}

}  // namespace
}  // namespace tv
