// The state JSON that "replay" and "play" print: every key, in order, for a small world.
#include <gtest/gtest.h>

#include "ModelFixture.h"

namespace tv::test {
namespace {

class GameHeadless : public ModelTest {};

TEST_F(GameHeadless, TheStateJsonHoldsEveryKeyInOrder) {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 2);
  const int32_t music = b.Asset(TPoolClass::Sound, "J1Theme");
  const int32_t group = b.Asset(TPoolClass::Group, "Lights");
  const int32_t r = b.AddRegion("Vale", 4);
  b.Region(r).InitialMusic = music;
  TPlotDef plot;
  plot.Group = group;
  plot.X = 1.5f;
  plot.Y = -2;
  b.Region(r).Plots.push_back(plot);
  const int32_t s = b.AddSite(r, "Well \"deep\"", 40);
  b.Site(s).KeepAfterVisit = true;
  TSceneDef& reward = b.AddScene(s, 400, SceneKinds::Rewards(1));
  reward.Right[0] = {gold, 3};
  reward.Groups[0] = group;
  const int32_t rich = b.AddAchievement("Rich", 9, 5);
  b.Achievement(rich).Prop = gold;
  // The guide chain: the well, then a cave not yet shown, whose hint is current once the well is done.
  const int32_t cave = b.AddSite(r, "Cave", 41);
  b.Site(cave).Needs[0] = {gold, 10};
  b.Site(s).NextGuide = cave;
  b.Site(cave).Hint = b.AddHint("Go", 70);
  b.GuideStart = s;
  Load(b);
  Settle();
  const std::vector<std::string> log = Script("enter 4 40\naccept\nenter 4 41");
  EXPECT_EQ(
      ModelStateJson(&log),
      "{\"current_region\": 4, \"previous_region\": 4, \"unlocked\": [false, false, false], \"pointer\": 9, "
      "\"avatar\": {\"state\": 0, \"site\": null, \"scene\": null, \"barter_counts\": [0, 0, 0, 0, 0, 0, 0]}, "
      "\"props\": [{\"name\": \"Gold\", \"number\": 1, \"amount\": 5, \"amount_before\": 0}], "
      "\"regions\": [{\"number\": 4, \"music\": \"J1Theme\", \"sites\": [{\"number\": 40, \"revealed\": true, "
      "\"entered\": true, \"closed\": false, \"count\": 1, \"scenes\": [{\"number\": 400, \"count\": 1}]}, "
      "{\"number\": 41, \"revealed\": false, \"entered\": false, \"closed\": false, \"count\": 0, \"scenes\": []}], "
      "\"plots\": [{\"visible\": false, \"x\": 1.5, \"y\": -2}]}], "
      "\"achievements\": [{\"number\": 9, \"visible\": true, \"progress\": 0, \"total\": 5, \"reached\": true, "
      "\"newly_earned\": false}], "
      "\"hint\": {\"number\": 70, \"need\": 1}, "
      "\"player\": {\"name\": \"Tester\", \"earned\": [9], \"event_count\": 5}, "
      "\"events\": [[0, 4, 40, 0, 0, 0, 0, 0], [2, 4, 40, 0, 0, 0, 0, 0], [3, 4, 40, 0, 0, 0, 0, 0], "
      "[6, 4, 40, 400, 1, 0, 0, 0], [5, 4, 40, 0, 0, 0, 0, 0]], "
      "\"log\": [\"ok\", \"ok\", \"ignored: site 41 is not on the map\"]}");
}

}  // namespace
}  // namespace tv::test
