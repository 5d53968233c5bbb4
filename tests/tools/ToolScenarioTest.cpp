// tolvaren-tool's scenario commands, run as the build and content authors run them.
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

const std::string Tool = std::string(TV_BIN_DIR) + "/tolvaren-tool";

int RunTool(const std::string& Args, std::string* Out = nullptr, std::string* Err = nullptr) {
  return test::RunCommand("'" + Tool + "' " + Args, Out, Err);
}

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
  test::WriteFile(dir / "src/10-village.tvs", "region Village 1 {\n  site Bakery 10 { at 1 2; scene 100 Rewards 1 { gain Coin 2 } }\n}\n");
  test::WriteFile(dir / "src/notes.txt", "not a source file");
  const std::string dat = dir / "S0Scenario.dat";
  std::string err;
  ASSERT_EQ(RunTool("scenario compile '" + dir / "src" + "' -o '" + dat + "'", nullptr, &err), 0) << err;
  test::WriteFile(dir / "one.tvs", Village);
  ASSERT_EQ(RunTool("scenario compile '" + dir / "one.tvs" + "' -o '" + dir / "one.dat" + "'", nullptr, &err), 0) << err;
  EXPECT_EQ(test::ReadFile(dat), test::ReadFile(dir / "one.dat"));

  std::string text;
  ASSERT_EQ(RunTool("scenario decompile '" + dat + "'", &text, &err), 0) << err;
  EXPECT_NE(text.find("site Bakery 10"), std::string::npos) << text;
  ASSERT_EQ(RunTool("scenario decompile '" + dat + "' -o '" + dir / "back.tvs" + "'", nullptr, &err), 0) << err;
  ASSERT_EQ(RunTool("scenario compile '" + dir / "back.tvs" + "' -o '" + dir / "back.dat" + "'", nullptr, &err), 0) << err;
  EXPECT_EQ(test::ReadFile(dir / "back.dat"), test::ReadFile(dat));

  // A damaged file is refused with its place; bytes after the end are reported, not kept.
  test::WriteFile(dir / "cut.dat", test::ReadFile(dat).substr(0, 100));
  EXPECT_EQ(RunTool("scenario decompile '" + dir / "cut.dat" + "'", nullptr, &err), 1);
  EXPECT_NE(err.find("the file ends inside"), std::string::npos) << err;
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
  EXPECT_EQ(RunTool("scenario lint '" + content + "/scenario' --texts '" + content +
                        "/Languages/English/T1ScriptScenario.xml' --werror",
                    &out, &err),
            0)
      << err;
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
  EXPECT_NE(err.find("broken.dat: error: region 2 \"Lost\" (number 2): can never be reached"), std::string::npos) << err;

  ASSERT_EQ(RunTool("scenario graph '" + content + "/scenario' -o '" + dir / "story.dot" + "'", &out, &err), 0) << err;
  const std::string dot = test::ReadFile(dir / "story.dot");
  EXPECT_EQ(dot.rfind("digraph scenario {", 0), 0u);
  EXPECT_NE(dot.find("subgraph cluster_r3 {"), std::string::npos);
  EXPECT_NE(dot.find("label=\"Brackwater (3, start)\""), std::string::npos) << dot;
  EXPECT_NE(dot.find("peripheries=2"), std::string::npos) << "the ending stands out";
  EXPECT_NE(dot.find("lhead=cluster_r2"), std::string::npos) << "travel to the world map";
  EXPECT_EQ(RunTool("scenario graph '" + content + "/scenario'", &out, &err), 2) << "no -o";
}

}  // namespace
}  // namespace tv
