// The real program from an empty user folder: a new player is asked for a name, reaches the menu,
// plays the first site, goes back to the menu and quits; the next start continues that game. And a
// damaged save file is kept aside while the program starts with what it can read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/ProgramRun.h"

namespace tv {
namespace {

using nlohmann::json;

class FirstRun : public test::TProgramRun {
 protected:
  // The frame of the first trace line from Index on that holds Line's fields, or -1.
  static int FrameOf(const std::vector<json>& Trace, const json& Line, size_t& Index) {
    for (; Index < Trace.size(); ++Index) {
      bool all = true;
      for (auto it = Line.begin(); it != Line.end(); ++it) {
        if (!Trace[Index].contains(it.key()) || Trace[Index][it.key()] != it.value()) all = false;
      }
      if (all) return Trace[Index]["frame"].get<int>();
    }
    return -1;
  }
};

// Back to the menu through the exit icon's query, then "Quit" and its query.
const std::string LeaveAndQuit = R"(
+60 wait ready
click ExitIcon
wait dialog QueryCustom
wait ready
+2 click Yes
)" + test::QuitFromMenu;

TEST_F(FirstRun, ANewPlayerNamesAProfilePlaysAndComesBackToTheSameGame) {
  std::string script = test::TypeName("Ada") + R"(
wait form Menu
wait ready
+2 click Play
)" + test::PlayFirstSite;
  script += LeaveAndQuit;
  std::vector<json> trace;
  std::string err;
  ASSERT_EQ(Run(script, trace, err), 0) << err;
  // The splash pictures come first, then the name prompt.
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.front(), json({{"frame", 1}, {"transition", "Splash"}, {"phase", "start"}}));
  size_t at = 0;
  EXPECT_GT(FrameOf(trace, {{"form", "Splash"}}, at), 0);
  EXPECT_GT(FrameOf(trace, {{"dialog", "InputLineCustom"}, {"shown", true}}, at), 0);
  EXPECT_TRUE(Has(trace, {{"transition", "FadeBeginning"}, {"phase", "start"}}));
  EXPECT_TRUE(Has(trace, {{"form", "Play"}}));
  EXPECT_EQ(trace.back(), json({{"frame", trace.back()["frame"]}, {"exit", 0}}));

  json save = Save();
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  const json& player = save["players"][0];
  EXPECT_EQ(player["name"], "Ada");
  EXPECT_EQ(player["music_volume"], 8);
  EXPECT_TRUE(player.contains("full_screen"));
  // The first site was entered and its four scenes played; its achievement was acknowledged.
  int scenes = 0;
  for (const json& e : player["events"]) {
    if (e[0] == 6 && e[2] == 301) ++scenes;
  }
  EXPECT_EQ(scenes, 4) << player["events"].dump();
  EXPECT_EQ(player["earned"], json::array({8001}));
  const json events = player["events"];

  // The second start greets the player after the splash; Escape skips the first picture as soon as
  // it takes input. "Play" goes on where the game was.
  script = R"(
wait form Splash
wait ready
+1 key Escape
wait form Menu
wait ready
+2 click Play
wait form Play
)";
  script += LeaveAndQuit;
  ASSERT_EQ(Run(script, trace, err), 0) << err;
  EXPECT_FALSE(Has(trace, {{"dialog", "InputLineCustom"}}));
  EXPECT_FALSE(Has(trace, {{"dialog", "Scene"}}));
  at = 0;
  const int shown = FrameOf(trace, {{"transition", "Splash"}, {"phase", "end"}}, at);
  const int next = FrameOf(trace, {{"transition", "Splash"}, {"phase", "start"}}, at);
  ASSERT_GT(shown, 0);
  EXPECT_LT(next - shown, 10) << "skipped, not shown for two seconds (100 frames)";
  EXPECT_TRUE(Has(trace, {{"transition", "Fade"}, {"phase", "start"}}));
  EXPECT_FALSE(Has(trace, {{"transition", "FadeBeginning"}}));
  save = Save();
  EXPECT_EQ(save["players"][0]["events"], events);
}

TEST_F(FirstRun, ADamagedSaveIsKeptAsideAndTheBackupPlayed) {
  test::MakeDirs(UserDir());
  // A readable backup made by the tool from the demo game, and a damaged save.
  std::string err;
  test::WriteFile(Dir / "actions.txt", "enter 3 301\n");
  ASSERT_EQ(
      test::RunCommand("'" + Bin + "/tolvaren-tool' play --scenario '" + Bin + "/Ordinary/S0Scenario.dat' --out '" +
                           UserDir() + "/Backup_Save_qv.dat' '" + (Dir / "actions.txt") + "'",
                       nullptr, &err),
      0)
      << err;
  test::WriteFile(UserDir() + "/Save_qv.dat", "not a save file at all");

  std::vector<json> trace;
  // The backup's player has no name yet: naming it makes the program save its game at exit.
  ASSERT_EQ(Run("wait dialog InputLineCustom\nwait ready\n+1 text Bo\n+2 click "
                "OK\nwait form Menu\n+2 close\n",
                trace, err),
            0)
      << err;
  bool keptAside = false;
  for (const std::string& name : UserFiles()) {
    if (name.rfind("Save_qv.dat.bad-", 0) == 0) {
      keptAside = true;
      EXPECT_EQ(test::ReadFile(UserDir() + "/" + name), "not a save file at all");
    }
  }
  EXPECT_TRUE(keptAside);
  EXPECT_TRUE(test::PathExists(UserDir() + "/Backup_Save_qv.dat"));
  const std::string log = test::ReadFile(UserDir() + "/Log.txt");
  EXPECT_NE(log.find("Save_qv.dat"), std::string::npos) << log;
  EXPECT_NE(log.find("moved"), std::string::npos) << log;
  // The backup's game is the one played: its visit is in the save written at exit.
  const json save = Save();
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  bool entered = false;
  for (const json& e : save["players"][0]["events"]) {
    if (e[0] == 0 && e[2] == 301) entered = true;
  }
  EXPECT_TRUE(entered) << save.dump();
}

}  // namespace
}  // namespace tv
