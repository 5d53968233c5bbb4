// The model's tool commands run as a separate process: replay, play and save dump.
#include <gtest/gtest.h>

#include <regex>

#include "authoring/GameScenarioWriter.h"
#include "game/GameScene.h"
#include "support/TestSupport.h"

namespace tv::test {
namespace {

const std::string Tool = std::string(TV_BIN_DIR) + "/tolvaren-tool";

struct TRun {
  int Code = 0;
  std::string Out;
  std::string Err;
};

TRun RunTool(const std::string& Args, const std::string& Stdin = {}) {
  TTempDir scratch;
  std::string command = "'" + Tool + "' " + Args;
  if (!Stdin.empty()) {
    WriteFile(scratch / "in", Stdin);
    command = "cat '" + (scratch / "in") + "' | " + command;
  }
  TRun run;
  run.Code = RunCommand(command, &run.Out, &run.Err);
  return run;
}

// A short story: a reward at the Well, a barter at the Market once the Well is done, a road to
// the Coast, an ending there.
TScenarioBuilder Story() {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 0);
  const int32_t fish = b.AddProp("Fish", 4, 0);
  const int32_t town = b.AddRegion("Town", 1);
  const int32_t coast = b.AddRegion("Coast", 2);
  const int32_t well = b.AddSite(town, "Well", 11);
  b.AddScene(well, 111, SceneKinds::Rewards(1)).Right[0] = {gold, 6};
  const int32_t market = b.AddSite(town, "Market", 12);
  b.Site(market).NeedsVisited[0] = well;
  b.Site(market).KeepAfterVisit = true;
  TSceneDef& barter = b.AddScene(market, 121, SceneKinds::Barter(2));
  barter.Left = {TSlotDef{gold, 2}, TSlotDef{gold, 1}};
  barter.Right = {TSlotDef{fish, 1}, TSlotDef{fish, 2}};
  barter.Repeatable = true;
  const int32_t road = b.AddSite(town, "Road", 13);
  b.Site(road).NeedsVisited[0] = market;
  b.Site(road).Destination = coast;
  b.AddScene(road, 131, SceneKinds::Text);
  const int32_t end = b.AddSite(coast, "Harbour", 21);
  b.Site(end).Ending = true;
  b.Site(end).Needs[0] = {fish, 4};
  b.AddScene(end, 211, SceneKinds::Text);
  b.MapRegion = coast;
  return b;
}

// The state without the avatar and the log: what a replay rebuilds from the events alone.
std::string World(const std::string& Json) {
  std::string s = std::regex_replace(Json, std::regex("\"avatar\": \\{[^}]*\\}, "), "");
  s = std::regex_replace(s, std::regex("\"amount_before\": -?[0-9]+"), "\"amount_before\": 0");
  return std::regex_replace(s, std::regex(", \"log\": \\[[^\\]]*\\]"), "");
}

class ToolModel : public ::testing::Test {
 protected:
  void SetUp() override { Story().WriteTo(Dir / "S0.dat"); }
  std::string Scenario() { return "--scenario '" + (Dir / "S0.dat") + "'"; }
  TTempDir Dir;
};

TEST_F(ToolModel, PlayThenReplayGiveTheSameWorld) {
  const std::string actions =
      "# the well, then two barters at the market\n"
      "enter 1 11\n"
      "accept\n"
      "\n"
      "enter 1 12\n"
      "accept 2 1\n"
      "enter 9 9\n"
      "accept\n"
      "travel 2\n";
  WriteFile(Dir / "actions.txt", actions);
  const TRun play =
      RunTool("play " + Scenario() + " --out '" + (Dir / "out.dat") + "' '" + (Dir / "actions.txt") + "'");
  ASSERT_EQ(play.Code, 0) << play.Err;
  EXPECT_EQ(play.Out.rfind("{\"current_region\": 2, \"previous_region\": 1, \"unlocked\": [false, false, false], "
                           "\"pointer\": 9, \"avatar\": {\"state\": 0, ",
                           0),
            0u)
      << play.Out;
  EXPECT_NE(play.Out.find("\"log\": [\"ok\", \"ok\", \"ok\", \"ok\", \"ignored: not in region 9\", "
                          "\"ignored: no scene is presented\", \"ok\"]"),
            std::string::npos)
      << play.Out;
  // 6 gold: two trades of 2 for a fish each, one of 1 for two fish.
  EXPECT_NE(play.Out.find("{\"name\": \"Gold\", \"number\": 1, \"amount\": 1, \"amount_before\": 1}"),
            std::string::npos);
  EXPECT_NE(play.Out.find("{\"name\": \"Fish\", \"number\": 2, \"amount\": 4, \"amount_before\": 4}"),
            std::string::npos);
  EXPECT_NE(play.Out.find("\"barter_counts\": [2, 1, 0, 0, 0, 0, 0]"), std::string::npos);
  EXPECT_NE(play.Out.find("[7, 2, 1, 0, 0, 0, 0, 0]"), std::string::npos);

  const TRun replay = RunTool("replay " + Scenario() + " --save '" + (Dir / "out.dat") + "'");
  ASSERT_EQ(replay.Code, 0) << replay.Err;
  EXPECT_EQ(World(replay.Out), World(play.Out));

  // The same actions from standard input, continuing from the saved game.
  const TRun more =
      RunTool("play " + Scenario() + " --save '" + (Dir / "out.dat") + "' -", "travel 1\nenter 1 13\naccept\n");
  ASSERT_EQ(more.Code, 0) << more.Err;
  EXPECT_NE(more.Out.find("\"current_region\": 2, \"previous_region\": 1"), std::string::npos) << more.Out;

  const TRun dump = RunTool("save dump '" + (Dir / "out.dat") + "'");
  ASSERT_EQ(dump.Code, 0) << dump.Err;
  EXPECT_EQ(dump.Out.rfind("{\"version\": 100, \"players\": [{\"name\": \"\", \"full_screen\": ", 0), 0u) << dump.Out;
  EXPECT_NE(dump.Out.find("\"events\": [[0, 1, 11, 0, 0, 0, 0, 0], [2, 1, 11, 0, 0, 0, 0, 0]"), std::string::npos);
  EXPECT_NE(dump.Out.find("\"earned\": []}], \"current\": 1}"), std::string::npos) << dump.Out;
}

TEST_F(ToolModel, TheEndingStartsANewGame) {
  const TRun play = RunTool("play " + Scenario() + " -",
                            "enter 1 11\naccept\nenter 1 12\naccept 2 2\nenter 1 13\naccept\nenter 2 21\naccept\n");
  ASSERT_EQ(play.Code, 0) << play.Err;
  EXPECT_NE(play.Out.find("\"current_region\": 1, \"previous_region\": 1"), std::string::npos) << play.Out;
  EXPECT_NE(play.Out.find("\"event_count\": 1}, \"events\": [[0, 1, 11, 0, 0, 0, 0, 0]]"), std::string::npos)
      << play.Out;
}

TEST_F(ToolModel, MissingAndDamagedInputs) {
  // A missing scenario is the empty world of one region; a missing save one nameless player.
  const TRun empty = RunTool("replay --scenario '" + (Dir / "none.dat") + "' --save '" + (Dir / "none.sav") + "'");
  ASSERT_EQ(empty.Code, 0) << empty.Err;
  EXPECT_NE(empty.Out.find("\"regions\": [{\"number\": 1, \"music\": null, \"sites\": [], \"plots\": []}]"),
            std::string::npos)
      << empty.Out;
  EXPECT_NE(empty.Out.find("\"player\": {\"name\": \"\", \"earned\": [], \"event_count\": 0}"), std::string::npos);
  EXPECT_FALSE(PathExists(Dir / "none.dat"));

  WriteFile(Dir / "bad.dat", std::string("\x01\x00\x00\x00\xff\xff\x00\x00", 8));
  const TRun bad = RunTool("replay --scenario '" + (Dir / "bad.dat") + "' --save '" + (Dir / "none.sav") + "'");
  EXPECT_EQ(bad.Code, 2);
  EXPECT_NE(bad.Err.find("pool section, picture names"), std::string::npos) << bad.Err;
  EXPECT_EQ(bad.Out, "");

  // A damaged save is reported, left where it is, and replaced by one nameless player.
  WriteFile(Dir / "junk.sav", "junk");
  const TRun junk = RunTool("replay " + Scenario() + " --save '" + (Dir / "junk.sav") + "'");
  EXPECT_EQ(junk.Code, 0);
  EXPECT_NE(junk.Err.find("nameless player"), std::string::npos);
  EXPECT_EQ(ReadFile(Dir / "junk.sav"), "junk");
  EXPECT_EQ(RunTool("save dump '" + (Dir / "junk.sav") + "'").Code, 2);

  EXPECT_EQ(RunTool("replay " + Scenario()).Code, 2);  // --save is required
  EXPECT_EQ(RunTool("play " + Scenario()).Code, 2);    // the actions are required
  EXPECT_EQ(RunTool("play --bogus x -").Code, 2);
  EXPECT_EQ(RunTool("play " + Scenario() + " '" + (Dir / "absent.txt") + "'").Code, 2);
}

TEST_F(ToolModel, ScenarioTextsDecideWhichFloatingTextsAreShown) {
  // Two floating texts; only the second has a text in the script.
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("R", 1);
  const int32_t s = b.AddSite(r, "Shore", 1);
  b.AddScene(s, 11, SceneKinds::FloatingText);
  b.AddScene(s, 12, SceneKinds::FloatingText);
  b.WriteTo(Dir / "float.dat");
  WriteFile(
      Dir / "texts.xml",
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<script>\n  <text id=\"SceneLegendH12\">Waves.</text>\n</script>\n");
  const std::string scenario = "--scenario '" + (Dir / "float.dat") + "'";
  const TRun silent = RunTool("play " + scenario + " -", "enter 1 1\n");
  ASSERT_EQ(silent.Code, 0) << silent.Err;
  EXPECT_NE(silent.Out.find("\"avatar\": {\"state\": 0, \"site\": null, \"scene\": null"), std::string::npos)
      << silent.Out;
  EXPECT_NE(
      silent.Out.find("\"count\": 1, \"scenes\": [{\"number\": 11, \"count\": 1}, {\"number\": 12, \"count\": 1}]"),
      std::string::npos)
      << silent.Out;
  const TRun shown = RunTool("play " + scenario + " --texts '" + (Dir / "texts.xml") + "' -", "enter 1 1\n");
  ASSERT_EQ(shown.Code, 0) << shown.Err;
  EXPECT_NE(shown.Out.find("\"avatar\": {\"state\": 6, \"site\": [1, 1], \"scene\": 12"), std::string::npos)
      << shown.Out;
  EXPECT_EQ(RunTool("replay " + scenario + " --save x --texts '" + (Dir / "absent.xml") + "'").Code, 2);
}

TEST_F(ToolModel, AGameThatNeverRestsEndsWithCodeThree) {
  // An ending entered on its own reveal ends every new game at once.
  TScenarioBuilder b;
  const int32_t r = b.AddRegion("Loop", 1);
  const int32_t s = b.AddSite(r, "Again", 1);
  b.Site(s).Ending = true;
  b.Site(s).EnterOnReveal = true;
  b.WriteTo(Dir / "loop.dat");
  const TRun run = RunTool("play --scenario '" + (Dir / "loop.dat") + "' -", "\n");
  EXPECT_EQ(run.Code, 3);
  EXPECT_NE(run.Err.find("did not come to rest"), std::string::npos);
}

}  // namespace
}  // namespace tv::test
