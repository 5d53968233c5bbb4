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

  int RunGame(const std::string& Script, std::string& Err) {
    test::WriteFile(Dir / "input.txt", Script);
    return test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=640x360 XDG_DATA_HOME='" +
                                (Dir / "data") + "' '" + (Dir / "program/tolvaren-playtest") +
                                "' -fixed-dt 0.02 -seed 7 -frames 3000 -input '" + (Dir / "input.txt") +
                                "' -gui-trace '" + (Dir / "trace.jsonl") + "'",
                            nullptr, &Err);
  }

  // The "events" of a save file's dump.
  std::string Events(const std::string& Save) {
    std::string out;
    std::string err;
    EXPECT_EQ(test::RunCommand(Tool + " save dump '" + Save + "'", &out, &err), 0) << err;
    const size_t at = out.find("\"events\"");
    if (at == std::string::npos) return out;
    // Up to the bracket that closes the list of events.
    int depth = 0;
    for (size_t i = out.find('[', at); i < out.size(); ++i) {
      if (out[i] == '[') ++depth;
      if (out[i] == ']' && --depth == 0) return out.substr(at, i - at + 1);
    }
    return out.substr(at);
  }

  test::TTempDir Dir;
  const std::string Tool = std::string("'") + TV_BIN_DIR + "/tolvaren-tool'";
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
  ASSERT_EQ(RunGame(script, err), 0) << err;
  const std::string trace = test::ReadFile(Dir / "trace.jsonl");
  const auto find = [&](const std::string& What, size_t From) { return trace.find(What, From); };
  size_t at = find("\"form\": \"Play\"", 0);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"click\": \"Quay\", \"in\": \"Play\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"click\": \"MapIcon\", \"in\": \"Play\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"transition\": \"Fade\", \"phase\": \"start\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"form\": \"Play\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"click\": \"MapIcon\", \"in\": \"Play\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"form\": \"Play\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"click\": \"ExitIcon\", \"in\": \"Play\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"dialog\": \"QueryCustom\", \"shown\": true", at);
  ASSERT_NE(at, std::string::npos) << trace;
  at = find("\"click\": \"Yes\", \"in\": \"QueryCustom\"", at);
  ASSERT_NE(at, std::string::npos) << trace;
  // On to the menu behind "Fade" (while no menu form exists, the screen stays covered).
  at = find("\"transition\": \"Fade\", \"phase\": \"start\"", at);
  ASSERT_NE(at, std::string::npos) << trace;

  // The same actions through the model alone.
  test::WriteFile(Dir / "actions.txt", "enter 3 301\ntravel 2\ntravel 3\n");
  std::string out;
  ASSERT_EQ(test::RunCommand(Tool + " play --scenario '" + (Dir / "program/Ordinary/S0Scenario.dat") + "' --out '" +
                                 (Dir / "tool.dat") + "' '" + (Dir / "actions.txt") + "'",
                             &out, &err),
            0)
      << err;
  const std::string saved = Dir / "data/Quillmark/Tolvaren/Save_qv.dat";
  ASSERT_TRUE(test::PathExists(saved));
  const std::string game = Events(saved);
  EXPECT_NE(game.find("[10, 2,"), std::string::npos) << game;  // the travel to the world map
  EXPECT_EQ(game, Events(Dir / "tool.dat"));
}

}  // namespace
}  // namespace tv
