// A way turned into a player's input: every action becomes the clicks and waits the screens need,
// in the order the game opens its dialogs, and a way no player could give is refused with the
// action that cannot be.
#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/GameScenarioInputScript.h"
#include "authoring/GameScenarioSolver.h"
#include "authoring/GameScenarioSource.h"
#include "game/ModelFixture.h"

namespace tv {
namespace {

// A baker who trades bread and unlocks the inventory, an office that unlocks the map, a road on
// the world map and the ending beyond it.
const char* const Story = R"(start-region Town
map-region World
prop Coin initial 3
prop Bread Item
achievement Fed 1 target 1
region Town 1 {
  site Baker 10 {
    special unlock-inventory
    scene 100 Barter 2 { trade Coin 1 for Bread 1; trade Coin 5 for Bread 9 }
    scene 101 Text achievement Fed 1
  }
  site Office 11 { needs-visited Baker; special unlock-map; scene 110 Text }
}
region World 2 { site Road 20 { keep-after-visit; destination Far } }
region Far 3 { site End 30 { ending; scene 300 Text } }
)";

class ScenarioInputScript : public test::ModelTest {
 protected:
  void LoadSource(const std::string& Source) {
    const TScenarioCompileResult r = CompileScenarioSources({{"s.tvs", Source}});
    std::string errors;
    for (const TScenarioDiagnostic& d : r.Diagnostics) errors += d.Format() + "\n";
    ASSERT_TRUE(r.Ok) << errors;
    Load(r.Scenario);
  }
  TInputScriptResult Translate(const std::vector<std::string>& Way) {
    TInputScriptOptions options;
    options.PlayerName = "Ada";
    return WayAsInputScript(Way, options);
  }
  // True when the lines appear in the script in this order (each a whole line).
  static bool InOrder(const std::string& Script, const std::vector<std::string>& Lines) {
    size_t at = 0;
    for (const std::string& line : Lines) {
      const size_t found = Script.find("\n" + line + "\n", at);
      if (found == std::string::npos) {
        ADD_FAILURE() << "\"" << line << "\" missing after position " << at;
        return false;
      }
      at = found + line.size() + 1;
    }
    return true;
  }
};

TEST_F(ScenarioInputScript, EveryActionBecomesTheClicksAndWaitsOfItsScreens) {
  LoadSource(Story);
  const std::vector<std::string> way = {"enter 1 10", "accept 9999 0 0 0 0 0 0",
                                        "accept",     "close-inventory",
                                        "enter 1 11", "accept",
                                        "travel 2",   "enter 2 20",
                                        "enter 3 30", "accept"};
  const TInputScriptResult r = Translate(way);
  ASSERT_TRUE(r.Ok) << r.Why;
  EXPECT_TRUE(r.ReachesEnding);
  EXPECT_EQ(r.Regions, (std::vector<std::string>{"Town", "World", "Far"}));
  const std::string& s = r.Script;
  EXPECT_TRUE(InOrder(s, {"wait dialog InputLineCustom 6000", "+1 text Ada", "+2 click OK", "wait form Menu 6000",
                          "+2 click Play", "wait form Play 6000"}));
  // The barter: three coins buy three loaves of the first row, one click each once the last
  // trade has played; the second row is never clicked.
  EXPECT_TRUE(InOrder(
      s, {"wait idle 6000", "wait control Baker 6000", "click Baker", "wait shown Scene 6000", "wait ready 6000",
          "wait control BarterPerf1 6000", "click BarterPerf1", "wait control BarterPerf1 6000", "click BarterPerf1",
          "wait control BarterPerf1 6000", "click BarterPerf1", "click Accept"}));
  EXPECT_EQ(s.find("BarterPerf2"), std::string::npos);
  // The achievement of the second scene, then the inventory the arrow points at, the map icon,
  // the road, the ending's scene and the way out through the menu.
  EXPECT_TRUE(InOrder(s, {"wait shown Achievement 6000", "wait ready 6000", "click OK",
                          "wait control InventoryIcon 6000", "click InventoryIcon", "wait shown Inventory 6000",
                          "click Close", "click Office", "wait control MapIcon 6000", "click MapIcon", "click Road",
                          "click End", "click Accept", "wait form Menu 6000", "screenshot ending.png", "+2 click Quit",
                          "wait shown QueryCustom 6000", "+2 click Yes"}));
  EXPECT_EQ(s.find("ExitIcon"), std::string::npos) << "the ending leads to the menu by itself";
  std::vector<std::string> files;
  for (const TInputScriptShot& shot : r.Shots) files.push_back(shot.File);
  EXPECT_EQ(files, (std::vector<std::string>{"name.png", "menu.png", "region-Town.png", "scene.png", "barter.png",
                                             "region-World.png", "region-Far.png", "ending.png"}));
  // The model is left with a new game, and the player's achievements as they were.
  EXPECT_EQ(CurrentRegion()->Number, 1);
  EXPECT_TRUE(Player()->Earned.empty());
}

TEST_F(ScenarioInputScript, TheSolversWayOpensWhatTheArrowPointsAtBeforeTheSites) {
  LoadSource(Story);
  const TSolveResult way = SolveScenario({});
  ASSERT_TRUE(way.Found) << way.Why;
  // Entering the office while the arrow points at the inventory button is no choice on the
  // play screen: the way looks into the inventory first.
  const auto inventory = std::find(way.Actions.begin(), way.Actions.end(), "close-inventory");
  const auto office = std::find(way.Actions.begin(), way.Actions.end(), "enter 1 11");
  ASSERT_NE(inventory, way.Actions.end());
  EXPECT_LT(inventory, office);
  const TInputScriptResult r = Translate(way.Actions);
  ASSERT_TRUE(r.Ok) << r.Why;
  EXPECT_TRUE(r.ReachesEnding);
}

TEST_F(ScenarioInputScript, AWayNoPlayerCouldGiveIsRefusedWithItsAction) {
  LoadSource(Story);
  TInputScriptResult r = Translate({"enter 1 11"});
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Why, "action 1 \"enter 1 11\": ignored: site 11 is not on the map");
  EXPECT_TRUE(r.Script.empty());

  r = Translate({"enter 1 10", "skip"});
  EXPECT_EQ(r.Why, "action 2 \"skip\": a player has no control for \"skip\" outside debug mode");
  // The arrow holds the inventory button: the sites cannot be clicked.
  r = Translate({"enter 1 10", "accept 0 0 0 0 0 0 0", "accept", "enter 1 11"});
  EXPECT_EQ(r.Why, "action 4 \"enter 1 11\": the arrow points at a play screen icon, so the sites cannot be clicked");
  r = Translate({"travel 2"});
  EXPECT_EQ(r.Why, "action 1 \"travel 2\": the map button is not unlocked");

  // A way without the ending leaves through the exit icon's query before quitting.
  r = Translate({"enter 1 10", "accept 0 0 0 0 0 0 0"});
  EXPECT_EQ(r.Why, "action 2 \"accept 0 0 0 0 0 0 0\": the way ends while a scene waits for the player");
  r = Translate({"enter 1 10", "accept 0 0 0 0 0 0 0", "accept"});
  ASSERT_TRUE(r.Ok) << r.Why;
  EXPECT_FALSE(r.ReachesEnding);
  EXPECT_TRUE(InOrder(r.Script, {"click Accept", "wait shown Achievement 6000", "click OK", "click ExitIcon",
                                 "wait shown QueryCustom 6000", "click Yes", "wait form Menu 6000", "+2 click Quit"}));
}

TEST_F(ScenarioInputScript, ASiteThatCannotBeNamedInAScriptIsRefused) {
  std::string story = Story;
  for (size_t at = story.find("Baker"); at != std::string::npos; at = story.find("Baker"))
    story.replace(at, 5, "MapIcon");
  LoadSource(story);
  const TInputScriptResult r = Translate({"enter 1 10"});
  EXPECT_FALSE(r.Ok);
  EXPECT_NE(r.Why.find("the site's name \"MapIcon\" cannot be clicked by name"), std::string::npos) << r.Why;
}

}  // namespace
}  // namespace tv
