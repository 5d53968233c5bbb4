// The GUI test harness in the real program: a script that waits in vain or cannot be read ends the
// run with exit code 3 and one line on stderr, and the trace ends with the exit code.
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

class GuiHarnessRunTest : public ::testing::Test {
 protected:
  test::TTempDir Dir;
  std::string Script = Dir / "input.txt";
  std::string Trace = Dir / "trace.jsonl";

  int RunGame(const std::string& Args, std::string& Err) {
    return test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
                                Dir.Path() + "/data' '" TV_BIN_DIR "/tolvaren' -fixed-dt 0.02 -input '" + Script +
                                "' -gui-trace '" + Trace + "' " + Args,
                            nullptr, &Err);
  }
};

TEST_F(GuiHarnessRunTest, AWaitThatRunsOutEndsTheRunWithCodeThreeNamingFrameAndTarget) {
  // A fresh install opens the name prompt (after the splash pictures); it is still fading in.
  test::WriteFile(Script, "wait dialog InputLineCustom\n# the form never comes\n+3 key Escape\nwait form Menu 5\n+1 close\n");
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
  EXPECT_EQ(err,
            "Input script failed at frame 2: click Play: no visible, enabled control of that name; input target none\n");

  test::WriteFile(Script, "+1 key Escape\n+2 wiggle\n");
  EXPECT_EQ(RunGame("-frames 600", err), 3);
  EXPECT_NE(err.find("line 2 \"+2 wiggle\": unknown command \"wiggle\""), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  EXPECT_NE(test::ReadFile(Trace).find("\"exit\": 3}"), std::string::npos);
}

}  // namespace
}  // namespace tv
