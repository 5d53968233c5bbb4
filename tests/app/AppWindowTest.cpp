#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/AppInputScript.h"
#include "app/AppWindow.h"
#include "base/AppTimer.h"
#include "base/EngineClasses.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

TEST(WindowModeTest, WindowIsNinetyPercentOfTheLimitingSideIn16By9) {
  int32_t w = 0;
  int32_t h = 0;
  WindowClientSizeFor(false, 1920, 1080, w, h);
  EXPECT_EQ(w, 1728);
  EXPECT_EQ(h, 972);
  WindowClientSizeFor(false, 1280, 1024, w, h);
  EXPECT_EQ(w, 1152);
  EXPECT_EQ(h, 648);
  WindowClientSizeFor(false, 2560, 1080, w, h);
  EXPECT_EQ(w, 1728);
  EXPECT_EQ(h, 972);
  WindowClientSizeFor(false, 1366, 768, w, h);  // 1228.8 rounds to 1229, made even
  EXPECT_EQ(w, 1230);
  EXPECT_EQ(h, 692);
  WindowClientSizeFor(true, 2560, 1080, w, h);
  EXPECT_EQ(w, 2560);
  EXPECT_EQ(h, 1080);
}

TEST(InputScriptTest, BadLinesAreNamed) {
  test::TTempDir dir;
  const std::string path = dir / "input.txt";
  test::WriteFile(path, "# comment\n\n1 move 10 -20\n2 down left\n3 keydown Left Alt\n4 text Hello\n5 close\n");
  EXPECT_NO_THROW(LoadInputScript(path));
  ClearInputScript();
  for (const char* bad : {"0 move 1 2\n", "x move 1 2\n", "1 move 1\n", "1 down middle\n", "1 keydown NoSuchKey\n",
                          "1 jump\n", "1 text\n"}) {
    test::WriteFile(path, std::string("# first\n") + bad);
    try {
      LoadInputScript(path);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const EError& e) {
      EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(LoadInputScript(dir / "missing.txt"), EError);
  ClearInputScript();
}

TEST(TimerTest, FixedFrameTimeRepeatsExactly) {
  InitTimer();
  SetFixedFrameTime(0.25);
  UpdateTimer();
  EXPECT_FLOAT_EQ(ElapsedSeconds(), 0.25f);
  UpdateTimer();
  EXPECT_FLOAT_EQ(ElapsedSeconds(), 0.25f);
  EXPECT_NEAR(SecondsOfCounter(1.0f), 0.5f, 1e-6);
  EXPECT_NEAR(SecondsOfCounter(2.0f), 0.25f, 1e-6);
  PauseTimer();
  EXPECT_EQ(ElapsedSeconds(), 0.0f);
  // A resume restarts the count: the first frame after it lasts one frame, not the pause.
  RestartTimer();
  UpdateTimer();
  EXPECT_FLOAT_EQ(ElapsedSeconds(), 0.25f);
  SetFixedFrameTime(0);
  DoneTimer();
}

TEST(TimerTest, RealClockAdvances) {
  using Clock = std::chrono::steady_clock;
  const auto seconds = [](Clock::time_point From, Clock::time_point To) {
    return std::chrono::duration<float>(To - From).count() + 0.001f;
  };
  // Each frame measures the real time between two updates: at least the 30 ms slept, and never
  // more than the time around the calls (the second frame does not count the first one again).
  const auto start = Clock::now();
  InitTimer();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  UpdateTimer();
  const auto first = Clock::now();
  EXPECT_GE(ElapsedSeconds(), 0.03f);
  EXPECT_LE(ElapsedSeconds(), seconds(start, first));
  UpdateTimer();
  EXPECT_LE(ElapsedSeconds(), seconds(first, Clock::now()));
  // A pause zeroes the frame; a restart counts from the restart, not from before the pause.
  PauseTimer();
  EXPECT_EQ(ElapsedSeconds(), 0.0f);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const auto restart = Clock::now();
  RestartTimer();
  UpdateTimer();
  EXPECT_LE(ElapsedSeconds(), seconds(restart, Clock::now()));
  const float phase = SecondsOfCounter(3.0f);
  EXPECT_GE(phase, 0.0f);
  EXPECT_LT(phase, 1.0f);
  DoneTimer();
}

}  // namespace
}  // namespace tv
