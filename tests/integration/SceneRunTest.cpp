// The scene dialog in the real program: a barter traded through the dialog with an input script
// (twice on row 1, once on row 3, accept) leaves the same events and amounts as "tolvaren-tool
// play" given "accept 2 0 1"; and the preview command over every scene of the demo story in
// every language finds no text cut off or squeezed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "support/GoldenSupport.h"
#include "support/ScreensTestSupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Scenario = R"(
start-region Town
map-region Town
legend {
  g G2T2Grass
  r G2T4Rock
  ~ none G2W1Sea
}
prop Coin 1 Property initial 5
prop Fish 2 Item initial 0
prop Salt 3 Item initial 1
region Town 3 {
)" + test::TownTiles + R"(  site Quay 301 {
    at 120 180
    icon 0
    keep-after-visit
    scene 3011 Barter 3 repeatable {
      dialog 0 100
      trade Coin 2 for Fish 1
      trade Salt 1 for Coin 1
      trade Fish 1 for Coin 3
    }
  }
}
)";

class SceneRun : public ::testing::Test {
 protected:
  void SetUp() override { test::MakePlayTestProgram(Dir, Scenario); }

  test::TTempDir Dir;
};

TEST_F(SceneRun, BarterTradedThroughTheDialogMatchesTheToolsAccept) {
  std::string err;
  ASSERT_EQ(test::RunPlayTestProgram(Dir, "1280x720",
                                     "wait form Play\n"
                                     "+150 click Quay\n"
                                     "wait dialog Scene\n"
                                     "wait ready\n"
                                     "click BarterPerf1\n"
                                     "+20 click BarterPerf1\n"
                                     "+20 click BarterPerf3\n"
                                     "+20 click Accept\n"
                                     "+150 close\n",
                                     err),
            0)
      << err;
  const std::string trace = test::ReadFile(Dir / "trace.jsonl");
  std::vector<std::string> parts = {"\"dialog\": \"Scene\", \"shown\": true"};
  for (const char* click : {"BarterPerf1", "BarterPerf1", "BarterPerf3", "Accept"}) {
    parts.push_back(std::string("\"click\": \"") + click + "\", \"in\": \"Scene\"");
  }
  std::string missing;
  ASSERT_TRUE(test::ContainsInOrder(trace, parts, missing)) << missing << "\n" << trace;

  test::WriteFile(Dir / "actions.txt", "enter 3 301\naccept 2 0 1\n");
  ASSERT_EQ(test::RunTool("play --scenario '" + (Dir / "program/Ordinary/S0Scenario.dat") + "' --out '" +
                              (Dir / "tool.dat") + "' '" + (Dir / "actions.txt") + "'",
                          nullptr, &err),
            0)
      << err;
  const std::string saved = Dir / "data/Quillmark/Tolvaren/Save_qv.dat";
  ASSERT_TRUE(test::PathExists(saved));
  const std::string game = test::SavedEvents(saved);
  EXPECT_NE(game.find("[7, 2, 0, 1, 0"), std::string::npos) << game;  // the barter counts
  EXPECT_EQ(game, test::SavedEvents(Dir / "tool.dat"));
}

TEST_F(SceneRun, EveryDemoSceneFitsItsDialogInEveryLanguage) {
  const std::string bin = TV_BIN_DIR;
  for (const char* language : {"English", "German", "Russian"}) {
    std::string out;
    std::string err;
    const int code = test::RunTool("scenario preview '" + bin + "/Ordinary/S0Scenario.dat' --data '" + bin +
                                       "' --language " + language + " --all '" + (Dir / language) + "'",
                                   &out, &err);
    EXPECT_EQ(code, 0) << language << "\n" << out << err;
    EXPECT_NE(out.find("scenes previewed"), std::string::npos) << out;
    EXPECT_TRUE(test::PathExists(Dir / (std::string(language) + "/index.html")));
  }
}

// One scene of each look family, numbered as scenes of the demo story so that they read its texts.
const char* const Looks = R"(
start-region Town
map-region Town
legend {
  g G2T2Grass
}
prop Coin 1 Property initial 3 caption PropCoin picture G2PropIcons frame 0
prop Knots 4 Skill caption PropKnots picture G2PropIcons frame 3
prop Fish 9 Item caption PropFish picture G2PropIcons frame 8
prop Bread 10 Item caption PropBread picture G2PropIcons frame 9
prop Rope 11 Item caption PropRope picture G2PropIcons frame 10
prop Oil 12 Item caption PropOil picture G2PropIcons frame 11
prop Amber 14 Item caption PropAmber picture G2PropIcons frame 13
prop Herbs 17 Item caption PropHerbs picture G2PropIcons frame 16
prop Shell 18 Item caption PropShell picture G2PropIcons frame 17
prop Letter 20 Item single-unit caption PropLetter picture G2PropIcons frame 19
region Town 3 {
  tiles {
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
    ggggggggggggg
  }
  site Quay 301 {
    at 0 0
    icon 0
    scene 3091 Floating text
    scene 2021 Text
    scene 4071 Text stop
    scene 3092 Illustration { illustration G2Illustrations frame 2 }
    scene 3011 Illustrated text (top) { illustration G2Illustrations frame 0 }
    scene 3051 Illustrated text (left) { illustration G2Illustrations frame 1 }
    scene 3032 Requirements 1 { need Coin 1 }
    scene 6021 Requirements 2 { need Rope 1; need Knots 1 }
    scene 3033 Losses 1 { lose Bread 1 }
    scene 5012 Floating loss { lose Bread 1 }
    scene 3014 Rewards 1 { gain Letter 1 }
    scene 3013 Floating reward { gain Coin 1 }
    scene 3042 Barter 1 { trade Coin 1 for Bread 1 }
    scene 6082 Barter 7 {
      trade Coin 5 for Oil 1
      trade Coin 3 for Rope 1
      trade Coin 2 for Bread 1
      trade Fish 2 for Coin 3
      trade Shell 3 for Coin 2
      trade Amber 1 for Coin 6
      trade Herbs 2 for Coin 3
    }
  }
}
)";

TEST_F(SceneRun, GoldenLookFamiliesInEnglishAndRussian) {
  test::WriteFile(Dir / "looks.tvs", Looks);
  std::string err;
  ASSERT_EQ(
      test::RunTool("scenario compile '" + (Dir / "looks.tvs") + "' -o '" + (Dir / "looks.dat") + "'", nullptr, &err),
      0)
      << err;
  const std::pair<int, const char*> scenes[] = {{3091, "floating_text"},    {2021, "text"},
                                                {4071, "text_stop"},        {3092, "illustration"},
                                                {3011, "illustrated_top"},  {3051, "illustrated_left"},
                                                {3032, "requirements_met"}, {6021, "requirements_unmet"},
                                                {3033, "losses"},           {5012, "floating_loss"},
                                                {3014, "rewards"},          {3013, "floating_reward"},
                                                {3042, "barter_1"},         {6082, "barter_7"}};
  for (const char* language : {"English", "Russian"}) {
    const std::string out = Dir / language;
    std::string printed;
    ASSERT_EQ(test::RunTool("scenario preview '" + (Dir / "looks.dat") + "' --data '" + TV_BIN_DIR + "' --language " +
                                language + " --crop --all '" + out + "'",
                            &printed, &err),
              0)
        << printed << err;
    std::string lower = language;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const auto& [number, name] : scenes) {
      test::CheckGolden(std::string("scene_") + name + "_" + lower, out + "/scene" + std::to_string(number) + ".png");
    }
  }
}

}  // namespace
}  // namespace tv
