// The play form in the real program: a small scenario played through an input script (click a
// site, the visit runs to its end, the map icon opens the world map and returns, the exit icon asks
// and leads on to the menu), checked against the GUI trace, and the events the game saved compared
// with those "tolvaren-tool play" records for the same actions.
#include <gtest/gtest.h>

#include <string>

#include "support/ScreensTestSupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Scenario = R"(
start-region Town
map-region World
legend {
  g G2T2Grass
  r G2T4Rock
  ~ none G2W1Sea
}
prop Coin 1 Property initial 0
region World 2 {
  tiles {
    rrrrrrrrrrrrr
    rrgggggggggrr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rgggggggggggr
    rrgggggggg~~~
    rrrgggggg~~~~
    ~~~~~~~~~~~~~
    ~~~~~~~~~~~~~
  }
  site ToTown 201 {
    at -360 240
    icon 3
    keep-after-visit
    destination Town
    special way-back
  }
}
region Town 3 {
)" + test::TownTiles + R"(  plot G2FigBoat at 300 200 group Boats hidden
  site Quay 301 {
    at 120 180
    icon 0
    special unlock-map
    reveal {
      .............
      .............
      .............
      .............
      .............
      ......xxx....
      ....xxxxxxx..
      ....xxxxxxx..
      .....xxxxx...
      .............
      .............
      .............
      .............
      .............
      .............
    }
    scene 3011 None {
      duration 0.5
      toggle Boats
    }
  }
}
)";

class PlayRun : public ::testing::Test {
 protected:
  void SetUp() override { test::MakePlayTestProgram(Dir, Scenario); }

  test::TTempDir Dir;
};

TEST_F(PlayRun, VisitWorldMapAndExitMatchTheToolsEvents) {
  const std::string script =
      "wait form Play\n"
      "+150 click Quay\n"     // after the opening reveal
      "+150 click MapIcon\n"  // the visit has ended and unlocked the map
      "+150 click MapIcon\n"  // from the world map back to the town
      "+150 click ExitIcon\n"
      "wait dialog QueryCustom\n"
      "wait ready\n"
      "click Yes\n"
      "+60 close\n";
  std::string err;
  ASSERT_EQ(test::RunPlayTestProgram(Dir, "640x360", script, err), 0) << err;
  const std::string trace = test::ReadFile(Dir / "trace.jsonl");
  std::string missing;
  ASSERT_TRUE(test::ContainsInOrder(trace,
                                    {
                                        "\"form\": \"Play\"",
                                        "\"click\": \"Quay\", \"in\": \"Play\"",
                                        "\"click\": \"MapIcon\", \"in\": \"Play\"",
                                        "\"transition\": \"Fade\", \"phase\": \"start\"",
                                        "\"form\": \"Play\"",
                                        "\"click\": \"MapIcon\", \"in\": \"Play\"",
                                        "\"form\": \"Play\"",
                                        "\"click\": \"ExitIcon\", \"in\": \"Play\"",
                                        "\"dialog\": \"QueryCustom\", \"shown\": true",
                                        "\"click\": \"Yes\", \"in\": \"QueryCustom\"",
                                        // On to the menu behind "Fade" (while no menu form exists, the screen stays
                                        // covered).
                                        "\"transition\": \"Fade\", \"phase\": \"start\"",
                                    },
                                    missing))
      << missing << "\n"
      << trace;

  // The same actions through the model alone.
  test::WriteFile(Dir / "actions.txt", "enter 3 301\ntravel 2\ntravel 3\n");
  std::string out;
  ASSERT_EQ(test::RunTool("play --scenario '" + (Dir / "program/Ordinary/S0Scenario.dat") + "' --out '" +
                              (Dir / "tool.dat") + "' '" + (Dir / "actions.txt") + "'",
                          &out, &err),
            0)
      << err;
  const std::string saved = Dir / "data/Quillmark/Tolvaren/Save_qv.dat";
  ASSERT_TRUE(test::PathExists(saved));
  const std::string game = test::SavedEvents(saved);
  EXPECT_NE(game.find("[10, 2,"), std::string::npos) << game;  // the travel to the world map
  EXPECT_EQ(game, test::SavedEvents(Dir / "tool.dat"));
}

}  // namespace
}  // namespace tv
