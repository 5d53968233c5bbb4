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
  test::WriteFile(Script, "# the form never comes\n+3 key Escape\nwait form Menu 5\n+1 close\n");
  std::string err;
  EXPECT_EQ(RunGame("-frames 600", err), 3);
  // A fresh install opens the name prompt, which is still fading in.
  EXPECT_EQ(err,
            "Input script failed at frame 9: wait form Menu ran out after 5 frames; input target InputLineCustom (not "
            "ready), controls: Input (disabled), OK\n");
  EXPECT_EQ(test::ReadFile(Trace),
            "{\"frame\": 1, \"dialog\": \"InputLineCustom\", \"shown\": true}\n{\"frame\": 9, \"exit\": 3}\n");
}

TEST_F(GuiHarnessRunTest, ClickOnAMissingControlAndAnUnreadableLineEndTheRunWithCodeThree) {
  test::WriteFile(Script, "2 click Play\n");
  std::string err;
  EXPECT_EQ(RunGame("-frames 600", err), 3);
  EXPECT_EQ(err,
            "Input script failed at frame 2: click Play: no visible, enabled control of that name; input target "
            "InputLineCustom (not ready), controls: Input (disabled), OK\n");

  test::WriteFile(Script, "+1 key Escape\n+2 wiggle\n");
  EXPECT_EQ(RunGame("-frames 600", err), 3);
  EXPECT_NE(err.find("line 2 \"+2 wiggle\": unknown command \"wiggle\""), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  EXPECT_NE(test::ReadFile(Trace).find("\"exit\": 3}"), std::string::npos);
}

}  // namespace
}  // namespace tv
