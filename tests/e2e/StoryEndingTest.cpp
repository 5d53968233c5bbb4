// The bundled story can be finished: the solver's way from a new game to the ending, played by
// the headless game exactly as the tool plays any script, reaches the ending, which clears the
// game's events, keeps the final achievement and saves the players.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;

const std::string Bin = TV_BIN_DIR;

using test::RunTool;

TEST(StoryEnding, TheSolversWayPlaysToTheEnding) {
  test::TTempDir dir;
  test::TScopedEnv data("XDG_DATA_HOME", dir.Path().c_str());
  const std::string scenario = Bin + "/Ordinary/S0Scenario.dat";
  const std::string texts = Bin + "/Languages/English/T1ScriptScenario.xml";
  ASSERT_TRUE(test::PathExists(scenario)) << "the build compiles the story";
  ASSERT_TRUE(test::PathExists(texts));

  std::string out;
  std::string err;
  ASSERT_EQ(
      RunTool("scenario solve '" + scenario + "' --texts '" + texts + "' -o '" + dir / "way.txt" + "'", &out, &err), 0)
      << err;
  const std::string way = test::ReadFile(dir / "way.txt");
  ASSERT_NE(way.find("\nenter "), std::string::npos) << way;

  const std::string save = dir / "Save_qv.dat";
  ASSERT_EQ(RunTool("play --scenario '" + scenario + "' --texts '" + texts + "' --out '" + save + "' '" +
                        dir / "way.txt" + "'",
                    &out, &err),
            0)
      << err;
  const json state = json::parse(out);
  // Every action was carried out.
  ASSERT_TRUE(state.contains("log"));
  for (size_t i = 0; i < state["log"].size(); ++i) EXPECT_EQ(state["log"][i], "ok") << "action " << i + 1;
  // The ending cleared the game: events, props and regions are those of a new game that nobody has
  // played yet, back in the start region, and nothing of the story's last region.
  EXPECT_EQ(state["current_region"], 3);
  for (const json& event : state["events"]) {
    EXPECT_NE(event[0], 5) << "no site completed in the new game yet";
    EXPECT_NE(event[0], 10) << "no travel in the new game yet";
  }
  test::WriteFile(dir / "nothing.txt", "");
  ASSERT_EQ(
      RunTool("play --scenario '" + scenario + "' --texts '" + texts + "' '" + dir / "nothing.txt" + "'", &out, &err),
      0)
      << err;
  const json fresh = json::parse(out);
  EXPECT_EQ(state["events"], fresh["events"]);
  EXPECT_EQ(state["props"], fresh["props"]);
  EXPECT_EQ(state["regions"], fresh["regions"]);
  EXPECT_EQ(state["player"]["event_count"], fresh["player"]["event_count"]);
  // The final achievement, reached by the last scenes, was kept.
  const json& earned = state["player"]["earned"];
  EXPECT_NE(std::find(earned.begin(), earned.end(), json(8018)), earned.end()) << state["player"].dump();
  // And the players were saved.
  ASSERT_TRUE(test::PathExists(save));
  ASSERT_EQ(RunTool("save dump '" + save + "'", &out, &err), 0) << err;
  EXPECT_NE(out.find("8018"), std::string::npos) << out;
}

}  // namespace
}  // namespace tv
