// tolvaren-tool's scenario commands, run as the build and content authors run them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/StorySupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::RunTool;

const char* const Village = R"(start-region Village
prop Coin initial 3
region Village 1 {
  site Bakery 10 { at 1 2; scene 100 Rewards 1 { gain Coin 2 } }
}
)";

TEST(ToolScenario, CompileFailuresLeaveNoOutput) {
  test::TTempDir dir;
  const std::string out = dir / "S0Scenario.dat";
  struct TCase {
    const char* Name;
    std::string Source;
    const char* Message;
  };
  std::string shortGrid = "start-region R\nregion R {\n  tiles {\n";
  for (int row = 0; row < 14; ++row) shortGrid += "    .............\n";
  shortGrid += "  }\n}\n";
  const TCase cases[] = {
      {"typo", "start-region R\nprop Coin\nregion R { site S { needs Con 1 } }\n",
       "typo.tvs:3: error: site S: no prop is named \"Con\"; did you mean \"Coin\"?"},
      {"kind", "start-region R\nprop Coin\nregion R {\n  site S { next-guide Coin }\n}\n",
       "kind.tvs:4: error: site S: \"Coin\" is a prop ("},
      {"grid", shortGrid, "grid.tvs:3: error: region R: the tiles has 14 rows; a map has 15 rows of 13 letters"},
  };
  for (const TCase& c : cases) {
    const std::string source = dir / (std::string(c.Name) + ".tvs");
    test::WriteFile(source, c.Source);
    // An output from an earlier run must not survive a failed compile.
    test::WriteFile(out, "old");
    std::string err;
    EXPECT_EQ(RunTool("scenario compile '" + source + "' -o '" + out + "'", nullptr, &err), 1) << c.Name;
    EXPECT_NE(err.find(c.Message), std::string::npos) << err;
    EXPECT_NE(err.find("nothing written"), std::string::npos) << err;
    EXPECT_FALSE(test::PathExists(out)) << c.Name;
  }
}

TEST(ToolScenario, CompilesFoldersAndDecompilesToTheSameBytes) {
  test::TTempDir dir;
  test::MakeDirs(dir / "src");
  // Files of a folder are read in name order: the world first, the region after it.
  test::WriteFile(dir / "src/00-world.tvs", "start-region Village\nprop Coin initial 3\n");
  test::WriteFile(dir / "src/10-village.tvs",
                  "region Village 1 {\n  site Bakery 10 { at 1 2; scene 100 Rewards 1 { gain Coin 2 } }\n}\n");
  test::WriteFile(dir / "src/notes.txt", "not a source file");
  const std::string dat = dir / "S0Scenario.dat";
  std::string err;
  ASSERT_EQ(RunTool("scenario compile '" + dir / "src" + "' -o '" + dat + "'", nullptr, &err), 0) << err;
  test::WriteFile(dir / "one.tvs", Village);
  ASSERT_EQ(RunTool("scenario compile '" + dir / "one.tvs" + "' -o '" + dir / "one.dat" + "'", nullptr, &err), 0)
      << err;
  EXPECT_EQ(test::ReadFile(dat), test::ReadFile(dir / "one.dat"));

  std::string text;
  ASSERT_EQ(RunTool("scenario decompile '" + dat + "'", &text, &err), 0) << err;
  EXPECT_NE(text.find("site Bakery 10"), std::string::npos) << text;
  ASSERT_EQ(RunTool("scenario decompile '" + dat + "' -o '" + dir / "back.tvs" + "'", nullptr, &err), 0) << err;
  ASSERT_EQ(RunTool("scenario compile '" + dir / "back.tvs" + "' -o '" + dir / "back.dat" + "'", nullptr, &err), 0)
      << err;
  EXPECT_EQ(test::ReadFile(dir / "back.dat"), test::ReadFile(dat));

  // A damaged file is refused with its place; bytes after the end are reported, not kept.
  test::WriteFile(dir / "cut.dat", test::ReadFile(dat).substr(0, 100));
  EXPECT_EQ(RunTool("scenario decompile '" + dir / "cut.dat" + "'", nullptr, &err), 1);
  EXPECT_NE(err.find("the file ends at byte 100"), std::string::npos) << err;
  test::WriteFile(dir / "tail.dat", test::ReadFile(dat) + "xyz");
  EXPECT_EQ(RunTool("scenario decompile '" + dir / "tail.dat" + "'", &text, &err), 0);
  EXPECT_NE(err.find("3 bytes after the end"), std::string::npos) << err;

  EXPECT_EQ(RunTool("scenario compile '" + dir / "missing.tvs" + "' -o '" + dir / "x.dat" + "'", nullptr, &err), 1);
  EXPECT_NE(err.find("missing.tvs: error: no such file or folder"), std::string::npos) << err;
  EXPECT_EQ(RunTool("scenario compile '" + dir / "one.tvs" + "'", nullptr, &err), 2) << "no -o";
}

TEST(ToolScenario, LintAndGraphTheDemoStory) {
  const std::string content = std::string(TV_SOURCE_DIR) + "/content";
  std::string out;
  std::string err;
  std::string texts;
  for (const char* language : {"English", "German", "Russian"}) {
    texts += " --texts '" + content + "/Languages/" + language + "/T1ScriptScenario.xml'";
  }
  EXPECT_EQ(RunTool("scenario lint '" + content + "/scenario'" + texts + " --werror", &out, &err), 0) << err;
  EXPECT_EQ(err, "");
  // The file the build installs is as clean as its sources.
  const std::string installed = std::string(TV_BIN_DIR) + "/Ordinary/S0Scenario.dat";
  ASSERT_TRUE(test::PathExists(installed));
  EXPECT_EQ(RunTool("scenario lint '" + installed + "'" + texts + " --werror", &out, &err), 0) << err;
  EXPECT_EQ(err, "");

  test::TTempDir dir;
  test::WriteFile(dir / "broken.tvs", std::string(Village) + "region Lost 2\nprop Spare\n");
  EXPECT_EQ(RunTool("scenario lint '" + dir / "broken.tvs" + "'", &out, &err), 1);
  EXPECT_NE(err.find("broken.tvs:6: error: region Lost: can never be reached"), std::string::npos) << err;
  EXPECT_NE(err.find("error: scenario: no site is an ending"), std::string::npos) << err;
  EXPECT_NE(err.find("broken.tvs:7: warning: prop Spare"), std::string::npos) << err;
  // The compiled file is linted the same way, objects named by position and number.
  ASSERT_EQ(RunTool("scenario compile '" + dir / "broken.tvs" + "' -o '" + dir / "broken.dat" + "'"), 0);
  EXPECT_EQ(RunTool("scenario lint '" + dir / "broken.dat" + "'", &out, &err), 1);
  EXPECT_NE(err.find("broken.dat: error: region 2 \"Lost\" (number 2): can never be reached"), std::string::npos)
      << err;

  ASSERT_EQ(RunTool("scenario graph '" + content + "/scenario' -o '" + dir / "story.dot" + "'", &out, &err), 0) << err;
  const std::string dot = test::ReadFile(dir / "story.dot");
  EXPECT_EQ(dot.rfind("digraph scenario {", 0), 0u);
  EXPECT_NE(dot.find("subgraph cluster_r3 {"), std::string::npos);
  EXPECT_NE(dot.find("label=\"Brackwater (3, start)\""), std::string::npos) << dot;
  EXPECT_NE(dot.find("peripheries=2"), std::string::npos) << "the ending stands out";
  EXPECT_NE(dot.find("lhead=cluster_r2"), std::string::npos) << "travel to the world map";
  EXPECT_EQ(RunTool("scenario graph '" + content + "/scenario'", &out, &err), 2) << "no -o";
}

TEST(ToolScenario, GraphvizDrawsTheGraphBesideTheDotFile) {
  if (std::system("command -v dot >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "Graphviz (dot) is not installed; scripts/setup.sh installs it";
  }
  test::TTempDir dir;
  const std::string content = TV_SOURCE_DIR "/content";
  std::string out, err;
  ASSERT_EQ(RunTool("scenario graph '" + content + "/scenario' -o '" + dir / "story.dot" + "'", &out, &err), 0) << err;
  const std::string svg = test::ReadFile(dir / "story.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos) << "Graphviz draws the picture beside the .dot";
  EXPECT_NE(svg.find("Brackwater"), std::string::npos);
}

TEST(ToolScenario, SolvePrintsAWayOrSaysThereIsNone) {
  test::TTempDir dir;
  const std::string way = dir / "way.txt";
  const std::string story = test::KeySmithStory(0, 1);
  test::WriteFile(dir / "town.tvs", story);
  std::string out;
  std::string err;
  ASSERT_EQ(RunTool("scenario solve '" + dir / "town.tvs" + "'", &out, &err), 0) << err;
  EXPECT_EQ(out.rfind("# From a new game to the ending: ", 0), 0u) << out;
  // Two coins earned, a key bought, the gate opened.
  EXPECT_EQ(out.find("\nenter 1 10\naccept\n"), out.find('\n')) << out;
  EXPECT_NE(out.find("\naccept 9999 0 0 0 0 0 0\n"), std::string::npos) << out;
  EXPECT_EQ(out.substr(out.size() - 18), "enter 1 12\naccept\n") << out;

  // The compiled file is solved the same way, into a file.
  ASSERT_EQ(RunTool("scenario compile '" + dir / "town.tvs" + "' -o '" + dir / "town.dat" + "'"), 0);
  ASSERT_EQ(RunTool("scenario solve '" + dir / "town.dat" + "' -o '" + way + "'", nullptr, &err), 0) << err;
  EXPECT_EQ(test::ReadFile(way), out);

  // Without work there are no coins, so no key and no ending: a failure, and the old way is gone.
  std::string broke = story;
  broke.replace(broke.find("site Work"), broke.find("site Smith") - broke.find("site Work"), "");
  test::WriteFile(dir / "broke.tvs", broke);
  EXPECT_EQ(RunTool("scenario solve '" + dir / "broke.tvs" + "' -o '" + way + "'", &out, &err), 1);
  EXPECT_NE(err.find("no way to an ending exists"), std::string::npos) << err;
  EXPECT_FALSE(test::PathExists(way));

  // An endless supply of coins: the search stops at its limit and says so.
  test::WriteFile(way, "old");
  EXPECT_EQ(RunTool("scenario solve '" + dir / "town.tvs" + "' --max-states 3 -o '" + way + "'", &out, &err), 1);
  EXPECT_NE(err.find("no way to an ending found within 3 states"), std::string::npos) << err;
  EXPECT_FALSE(test::PathExists(way));

  // A source that does not compile is not searched.
  test::WriteFile(dir / "typo.tvs", "start-region Town\nregion Town { site S { needs Coin 1 } }\n");
  EXPECT_EQ(RunTool("scenario solve '" + dir / "typo.tvs" + "'", &out, &err), 1);
  EXPECT_NE(err.find("typo.tvs:2: error: site S: no prop is named \"Coin\""), std::string::npos) << err;
  EXPECT_NE(err.find("the scenario cannot be read"), std::string::npos) << err;
  EXPECT_EQ(RunTool("scenario solve '" + dir / "town.tvs" + "' --max-states 0", &out, &err), 2);
}

TEST(ToolScenario, SolveTakesTheEnglishTextsOfTheProgramFolderOfACompiledScenario) {
  const std::string bin = TV_BIN_DIR;
  std::string found, given, err;
  ASSERT_EQ(RunTool("scenario solve '" + bin + "/Ordinary/S0Scenario.dat'", &found, &err), 0) << err;
  EXPECT_NE(err.find("using the texts of \"" + bin + "/Languages/English/T1ScriptScenario.xml\""), std::string::npos)
      << err;
  ASSERT_EQ(RunTool("scenario solve '" + bin + "/Ordinary/S0Scenario.dat' --texts '" + bin +
                        "/Languages/English/T1ScriptScenario.xml'",
                    &given, &err),
            0)
      << err;
  EXPECT_EQ(err.find("using the texts"), std::string::npos) << err;
  EXPECT_EQ(found, given);
}

}  // namespace
}  // namespace tv
