// The GUI test harness in the real program: a script that waits in vain or cannot be read ends the
// run with exit code 3 and one line on stderr, and the trace ends with the exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tv {
namespace {

class GuiHarnessRunTest : public ::testing::Test {
 protected:
  test::TTempDir Dir;
  std::string Script = Dir / "input.txt";
  std::string Trace = Dir / "trace.jsonl";

  int RunGame(const std::string& Args, std::string& Err) {
    return test::RunCommand(
        "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" + Dir.Path() +
            "/data' '" TV_BIN_DIR "/tolvaren' -fixed-dt 0.02 -input '" + Script + "' -gui-trace '" + Trace + "' " +
            Args,
        nullptr, &Err);
  }
};

TEST_F(GuiHarnessRunTest, AWaitThatRunsOutEndsTheRunWithCodeThreeNamingFrameAndTarget) {
  // A fresh install opens the name prompt (after the splash pictures); it is still fading in.
  test::WriteFile(Script,
                  "wait dialog InputLineCustom\n# the form never comes\n+3 key Escape\nwait form Menu 5\n+1 close\n");
  std::string err;
  EXPECT_EQ(RunGame("-frames 3000", err), 3);
  const std::string trace = test::ReadFile(Trace);
  const std::string shown = "\"dialog\": \"InputLineCustom\", \"shown\": true}\n";
  const size_t at = trace.find(shown);
  ASSERT_NE(at, std::string::npos) << trace;
  const size_t lineStart = trace.rfind("{\"frame\": ", at);
  const int prompt = std::stoi(trace.substr(lineStart + 10));
  const std::string failed = std::to_string(prompt + 9);
  EXPECT_EQ(err, "Input script failed at frame " + failed +
                     ": wait form Menu ran out after 5 frames; input target InputLineCustom (not ready), controls: "
                     "Input (disabled), OK\n");
  EXPECT_EQ(trace.substr(at + shown.size()), "{\"frame\": " + failed + ", \"exit\": 3}\n");
}

TEST_F(GuiHarnessRunTest, ClickOnAMissingControlAndAnUnreadableLineEndTheRunWithCodeThree) {
  test::WriteFile(Script, "2 click Play\n");
  std::string err;
  EXPECT_EQ(RunGame("-frames 600", err), 3);
  EXPECT_EQ(
      err, "Input script failed at frame 2: click Play: no visible, enabled control of that name; input target none\n");

  test::WriteFile(Script, "+1 key Escape\n+2 wiggle\n");
  EXPECT_EQ(RunGame("-frames 600", err), 3);
  EXPECT_NE(err.find("line 2 \"+2 wiggle\": unknown command \"wiggle\""), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  EXPECT_NE(test::ReadFile(Trace).find("\"exit\": 3}"), std::string::npos);
}

// The soak's commands: click-random clicks only what a player could click and does nothing while
// the input target is not ready, the same seed picks the same controls, and a minimised game is
// suspended (its frames stand still) until the restore comes.
TEST_F(GuiHarnessRunTest, RandomClicksAreUsableAndRepeatableAndMinimiseSuspendsUntilTheRestore) {
  test::WriteFile(Script,
                  "1 click-random\n"  // the name prompt is still fading in
                  "wait dialog InputLineCustom\nwait ready\n+1 text Ada\n+2 click OK\nwait form Menu\nwait ready\n"
                  "+1 minimize 700\n"
                  "+2 click-random\n+8 click-random\n+8 click-random\n+8 click-random\n+8 close\n");
  auto clicks = [&](std::string& Trace) {
    test::RunCommand("rm -rf '" + Dir.Path() + "/data'");  // a fresh install each time
    std::string err;
    EXPECT_EQ(RunGame("-seed 5 -frames 2000", err), 0) << err;
    Trace = test::ReadFile(this->Trace);
    std::vector<std::string> found;
    for (size_t at = Trace.find("\"click\": "); at != std::string::npos; at = Trace.find("\"click\": ", at + 1)) {
      found.push_back(Trace.substr(at, Trace.find('}', at) - at));
    }
    return found;
  };
  std::string trace;
  const std::vector<std::string> first = clicks(trace);
  // The first click is the script's own "OK": the early click-random did nothing.
  ASSERT_GE(first.size(), 2u) << trace;
  EXPECT_EQ(first[0], "\"click\": \"OK\", \"in\": \"InputLineCustom\"");
  // The minimised spell: suspended and resumed in the same frame, the script waiting meanwhile.
  const size_t suspended = trace.find("\"window\": \"suspended\"");
  const size_t resumed = trace.find("\"window\": \"resumed\"");
  ASSERT_NE(suspended, std::string::npos) << trace;
  ASSERT_NE(resumed, std::string::npos) << trace;
  EXPECT_EQ(trace.substr(trace.rfind('{', suspended), 14), trace.substr(trace.rfind('{', resumed), 14));
  EXPECT_GT(suspended, trace.find("\"click\": \"OK\""));
  EXPECT_LT(suspended, resumed);
  std::string again;
  EXPECT_EQ(clicks(again), first);
}

}  // namespace
}  // namespace tv
