// The real program from an empty user folder: a new player is asked for a name, reaches the menu,
// plays the first site, goes back to the menu and quits; the next start continues that game. And a
// damaged save file is kept aside while the program starts with what it can read.
#include <gtest/gtest.h>

#include <dirent.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;

const std::string Bin = TV_BIN_DIR;

class FirstRun : public ::testing::Test {
 protected:
  std::string UserDir() const { return Dir / "data/Quillmark/Tolvaren"; }

  // Runs the program on a script; the trace's lines come back parsed.
  int Run(const std::string& Script, std::vector<json>& Trace, std::string& Err) {
    test::WriteFile(Dir / "input.txt", Script);
    const int code = test::RunCommand(
        "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" + (Dir / "data") +
            "' '" + Bin + "/tolvaren' -fixed-dt 0.02 -seed 7 -frames 3000 -input '" + (Dir / "input.txt") +
            "' -gui-trace '" + (Dir / "trace.jsonl") + "'",
        nullptr, &Err);
    Trace.clear();
    std::istringstream lines(test::ReadFile(Dir / "trace.jsonl"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) Trace.push_back(json::parse(line));
    }
    return code;
  }
  json Save() {
    std::string out;
    std::string err;
    EXPECT_EQ(test::RunCommand("'" + Bin + "/tolvaren-tool' save dump '" + UserDir() + "/Save_qv.dat'", &out, &err), 0)
        << err;
    return json::parse(out.empty() ? std::string("{}") : out);
  }
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
  static bool Has(const std::vector<json>& Trace, const json& Line) {
    for (const json& l : Trace) {
      bool all = true;
      for (auto it = Line.begin(); it != Line.end(); ++it) {
        if (!l.contains(it.key()) || l[it.key()] != it.value()) all = false;
      }
      if (all) return true;
    }
    return false;
  }
  std::vector<std::string> UserFiles() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(UserDir().c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(d);
    }
    return names;
  }

  test::TTempDir Dir;
};

// Back to the menu through the exit icon's query, then "Quit" and its query.
const char* const LeaveAndQuit = R"(
+60 wait ready
click ExitIcon
wait dialog QueryCustom
wait ready
+2 click Yes
wait form Menu
wait ready
+2 click Quit
wait dialog QueryCustom
wait ready
+2 click Yes
)";

TEST_F(FirstRun, ANewPlayerNamesAProfilePlaysAndComesBackToTheSameGame) {
  std::string script = R"(
wait dialog InputLineCustom
wait ready
)";
  for (int i = 0; i < 12; ++i) script += "+1 key BackSpace\n";  // the proposed name goes
  script += R"(
+1 text Ada
+2 click OK
wait form Menu
wait ready
+2 click Play
wait form Play
wait dialog Scene
wait ready
+2 click Accept
+18 wait dialog Scene
wait ready
+2 click Accept
+18 wait dialog Scene
wait ready
+2 click Accept
+18 wait dialog Scene
wait ready
+2 click Accept
wait dialog Achievement
wait ready
+2 click OK
)";
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
  ASSERT_EQ(test::RunCommand("'" + Bin + "/tolvaren-tool' play --scenario '" + Bin + "/Ordinary/S0Scenario.dat' --out '" +
                                 UserDir() + "/Backup_Save_qv.dat' '" + (Dir / "actions.txt") + "'",
                             nullptr, &err),
            0)
      << err;
  test::WriteFile(UserDir() + "/Save_qv.dat", "not a save file at all");

  std::vector<json> trace;
  // The backup's player has no name yet: naming it makes the program save its game at exit.
  ASSERT_EQ(Run("wait dialog InputLineCustom\nwait ready\n+1 text Bo\n+2 click OK\nwait form Menu\n+2 close\n", trace,
                err),
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
