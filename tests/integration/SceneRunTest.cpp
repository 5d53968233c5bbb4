// The scene dialog in the real program: a barter traded through the dialog with an input script
// (twice on row 1, once on row 3, accept) leaves the same events and amounts as "tolvaren-tool
// play" given "accept 2 0 1"; and the preview command over every scene of the demo story in
// every language finds no text cut off or squeezed.
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

const char* const Scenario = R"(
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
  tiles {
    rrrrrrrrrrrrr
    rrrrrrrrrrrrr
    rrrgggggggrrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrgggggggggrr
    rrggggggggg~~
    rrgggggggg~~~
    rrrggggggg~~~
    ~~~~~~~~~~~~~
    ~~~~~~~~~~~~~
  }
  site Quay 301 {
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
  void SetUp() override {
    const std::string bin = TV_BIN_DIR;
    const std::string program = Dir / "program";
    test::MakeDirs(program);
    ASSERT_EQ(test::RunCommand("cp -r '" + bin + "/Ordinary' '" + bin + "/Languages' '" + bin + "/tolvaren-playtest' '" +
                               program + "/'"),
              0);
    test::WriteFile(Dir / "scene.tvs", Scenario);
    std::string err;
    ASSERT_EQ(test::RunCommand(Tool + " scenario compile '" + (Dir / "scene.tvs") + "' -o '" + program +
                                   "/Ordinary/S0Scenario.dat'",
                               nullptr, &err),
              0)
        << err;
  }

  // The "NAME" of a dump's JSON, up to the bracket that closes it.
  static std::string Part(const std::string& Dump, const std::string& Name) {
    const size_t at = Dump.find("\"" + Name + "\"");
    if (at == std::string::npos) return Dump;
    int depth = 0;
    for (size_t i = Dump.find('[', at); i < Dump.size(); ++i) {
      if (Dump[i] == '[') ++depth;
      if (Dump[i] == ']' && --depth == 0) return Dump.substr(at, i - at + 1);
    }
    return Dump.substr(at);
  }
  std::string Dump(const std::string& Save) {
    std::string out;
    std::string err;
    EXPECT_EQ(test::RunCommand(Tool + " save dump '" + Save + "'", &out, &err), 0) << err;
    return out;
  }

  test::TTempDir Dir;
  const std::string Tool = std::string("'") + TV_BIN_DIR + "/tolvaren-tool'";
};

TEST_F(SceneRun, BarterTradedThroughTheDialogMatchesTheToolsAccept) {
  test::WriteFile(Dir / "input.txt",
                  "wait form Play\n"
                  "+150 click Quay\n"
                  "wait dialog Scene\n"
                  "wait ready\n"
                  "click BarterPerf1\n"
                  "+20 click BarterPerf1\n"
                  "+20 click BarterPerf3\n"
                  "+20 click Accept\n"
                  "+150 close\n");
  std::string err;
  ASSERT_EQ(test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
                                 (Dir / "data") + "' '" + (Dir / "program/tolvaren-playtest") +
                                 "' -fixed-dt 0.02 -seed 7 -frames 3000 -input '" + (Dir / "input.txt") +
                                 "' -gui-trace '" + (Dir / "trace.jsonl") + "'",
                             nullptr, &err),
            0)
      << err;
  const std::string trace = test::ReadFile(Dir / "trace.jsonl");
  size_t at = trace.find("\"dialog\": \"Scene\", \"shown\": true");
  ASSERT_NE(at, std::string::npos) << trace;
  for (const char* click : {"BarterPerf1", "BarterPerf1", "BarterPerf3", "Accept"}) {
    at = trace.find(std::string("\"click\": \"") + click + "\", \"in\": \"Scene\"", at + 1);
    ASSERT_NE(at, std::string::npos) << click << "\n" << trace;
  }

  test::WriteFile(Dir / "actions.txt", "enter 3 301\naccept 2 0 1\n");
  ASSERT_EQ(test::RunCommand(Tool + " play --scenario '" + (Dir / "program/Ordinary/S0Scenario.dat") + "' --out '" +
                                 (Dir / "tool.dat") + "' '" + (Dir / "actions.txt") + "'",
                             nullptr, &err),
            0)
      << err;
  const std::string saved = Dir / "data/Quillmark/Tolvaren/Save_qv.dat";
  ASSERT_TRUE(test::PathExists(saved));
  const std::string game = Part(Dump(saved), "events");
  EXPECT_NE(game.find("[7, 2, 0, 1, 0"), std::string::npos) << game;  // the barter counts
  EXPECT_EQ(game, Part(Dump(Dir / "tool.dat"), "events"));
}

TEST_F(SceneRun, EveryDemoSceneFitsItsDialogInEveryLanguage) {
  const std::string bin = TV_BIN_DIR;
  for (const char* language : {"English", "German", "Russian"}) {
    std::string out;
    std::string err;
    const int code = test::RunCommand(Tool + " scenario preview '" + bin + "/Ordinary/S0Scenario.dat' --data '" + bin +
                                          "' --language " + language + " --all '" + (Dir / language) + "'",
                                      &out, &err);
    EXPECT_EQ(code, 0) << language << "\n" << out << err;
    EXPECT_NE(out.find("scenes previewed"), std::string::npos) << out;
    EXPECT_TRUE(test::PathExists(Dir / (std::string(language) + "/index.html")));
  }
}

}  // namespace
}  // namespace tv
