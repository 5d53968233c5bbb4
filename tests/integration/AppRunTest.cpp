// Runs the real program headless (offscreen video, a temporary user folder) and checks what it
// leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "engine/EngineTextures.h"
#include "support/TestSupport.h"

extern char** environ;

namespace tv {
namespace {

using test::TTempDir;

class AppRunTest : public ::testing::Test {
 protected:
  TTempDir Dir;
  std::string UserFolder = Dir / "data/Quillmark/Tolvaren";

  std::string Env() const {
    return "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" + Dir.Path() +
           "/data' ";
  }
  int RunGame(const std::string& Args, std::string* Err = nullptr) {
    return test::RunCommand(Env() + "'" TV_BIN_DIR "/tolvaren' " + Args, nullptr, Err);
  }
  std::string LogPath() const { return UserFolder + "/Log.txt"; }
  std::string FlagPath() const { return UserFolder + "/StartWindowed.flg"; }
};

TEST_F(AppRunTest, CleanRunEndsQuietlyAndDeletesAnOldLog) {
  test::MakeDirs(UserFolder);
  test::WriteFile(LogPath(), "stale\r\n");
  std::string err;
  EXPECT_EQ(RunGame("-frames 60 -fixed-dt 0.016", &err), 0) << err;
  EXPECT_FALSE(test::PathExists(LogPath()));
  EXPECT_FALSE(test::PathExists(FlagPath()));  // started and ended in full screen
}

TEST_F(AppRunTest, FatalStartUpFailureIsReportedAndLogged) {
  std::string err;
  const std::string missing = Dir / "no-such-input.txt";
  EXPECT_EQ(RunGame("-frames 5 -input '" + missing + "'", &err), 1);
  const std::string line = "Unable to open file \"" + missing + "\"";
  EXPECT_NE(err.find("An error has occured during the game execution.\r\n\r\nLog messages:\r\n" + line),
            std::string::npos)
      << err;
  EXPECT_EQ(test::ReadFile(LogPath()), line + "\r\n");
}

TEST_F(AppRunTest, AnyExceptionInStartUpEndsInTheReportAfterAnOrderlyShutdown) {
  // An allocation failure, and something that is no standard exception at all: each is caught,
  // the modules shut down, the log is written and the report shown, with code 1 (not an abort).
  for (const auto& [fault, message] : {std::pair<std::string, std::string>{"bad_alloc", "Out of memory"},
                                       std::pair<std::string, std::string>{"unknown", "Unexpected error"}}) {
    SCOPED_TRACE(fault);
    std::string err;
    EXPECT_EQ(test::RunCommand("TOLVAREN_FAIL_STARTUP=" + fault + " " + Env() + "'" TV_BIN_DIR "/tolvaren' -frames 5",
                               nullptr, &err),
              1);
    EXPECT_NE(err.find("An error has occured during the game execution.\r\n\r\nLog messages:\r\n" + message),
              std::string::npos)
        << err;
    // The log file is written by the shutdown, after every module has stopped.
    EXPECT_EQ(test::ReadFile(LogPath()), message + "\r\n");
  }
}

TEST_F(AppRunTest, FullScreenUnderAnXServerWithoutAWindowManagerFillsTheScreen) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "xvfb-run is not installed; scripts/setup.sh installs it";
  }
  // Nobody grants the full-screen request there: the game must still cover the screen and draw
  // into all of it, not into the corner of the small window it was created as.
  const std::string shot = Dir / "shot.png";
  std::string err;
  ASSERT_EQ(test::RunCommand("SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy XDG_DATA_HOME='" + Dir.Path() +
                                 "/data' xvfb-run -a -s '-screen 0 1280x720x24' '" TV_BIN_DIR
                                 "/tolvaren' -frames 120 -fixed-dt 0.02 -screenshot '" +
                                 shot + "'",
                             nullptr, &err),
            0)
      << err;
  const std::string png = test::ReadFile(shot);
  const TImage image = DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), false);
  ASSERT_EQ(image.Width, 1280);
  ASSERT_EQ(image.Height, 720);
  // Every quarter of the screen shows the picture, not black.
  for (int quarter = 0; quarter < 4; ++quarter) {
    SCOPED_TRACE(quarter);
    const int x0 = (quarter % 2) * 640;
    const int y0 = (quarter / 2) * 360;
    int lit = 0;
    for (int y = y0; y < y0 + 360; y += 4) {
      for (int x = x0; x < x0 + 640; x += 4) {
        const uint8_t* p = &image.Bytes[(static_cast<size_t>(y) * 1280 + x) * 4];
        if (p[0] > 12 || p[1] > 12 || p[2] > 12) ++lit;
      }
    }
    EXPECT_GT(lit, 160 * 90 / 2);
  }
}

TEST_F(AppRunTest, ScriptedAltReturnSwitchesToAWindowAndTheModeIsRemembered) {
  const std::string script = Dir / "input.txt";
  test::WriteFile(script, "2 keydown Left Alt\n3 keydown Return\n4 keyup Return\n5 keyup Left Alt\n");
  std::string err;
  ASSERT_EQ(RunGame("-frames 10 -input '" + script + "'", &err), 0) << err;
  EXPECT_TRUE(test::PathExists(FlagPath()));
  // The next run starts in a window; F11 goes back to full screen.
  test::WriteFile(script, "2 keydown F11\n3 keyup F11\n");
  ASSERT_EQ(RunGame("-frames 10 -input '" + script + "'", &err), 0) << err;
  EXPECT_FALSE(test::PathExists(FlagPath()));
}

TEST_F(AppRunTest, ClosingTheWindowEndsTheRunThroughShutdown) {
  const std::string script = Dir / "input.txt";
  test::WriteFile(script, "3 close\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunGame("-input '" + script + "' -screenshot '" + Dir.Path() + "/shot.png'"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  // The last frame was written as a picture of the window's size that decodes, and every pixel of
  // it is opaque: the frame is the one drawn, nothing left over from another buffer.
  const std::string png = test::ReadFile(Dir / "shot.png");
  const TImage shot = DecodePng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), false);
  ASSERT_EQ(shot.Width, 1280);
  ASSERT_EQ(shot.Height, 720);
  ASSERT_EQ(shot.Bytes.size(), size_t{1280} * 720 * 4);
  std::set<uint8_t> alphas;
  for (size_t i = 3; i < shot.Bytes.size(); i += 4) alphas.insert(shot.Bytes[i]);
  EXPECT_EQ(alphas, (std::set<uint8_t>{0xFF}));
}

TEST_F(AppRunTest, SecondCopyLeavesAtOnceAndTouchesNothing) {
  const std::string dataHome = Dir.Path() + "/data";
  std::vector<std::string> envStrings = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy",
                                         "TOLVAREN_DESKTOP=1280x720", "XDG_DATA_HOME=" + dataHome};
  for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string program = TV_BIN_DIR "/tolvaren";
  std::string frames = "-frames";
  std::string many = "100000000";
  char* argv[] = {program.data(), frames.data(), many.data(), nullptr};
  pid_t first = 0;
  ASSERT_EQ(posix_spawn(&first, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);

  // The first copy makes its user folder once it owns the channel; wait for it.
  for (int i = 0; i < 200 && !test::PathExists(UserFolder); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(test::PathExists(UserFolder));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  test::WriteFile(LogPath(), "belongs to the first copy\r\n");

  std::string err;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunGame("-frames 100000000", &err), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(err, "");
  EXPECT_EQ(test::ReadFile(LogPath()), "belongs to the first copy\r\n");

  // The first copy is still running and ends normally when asked to quit.
  int status = 0;
  EXPECT_EQ(waitpid(first, &status, WNOHANG), 0);
  kill(first, SIGTERM);
  ASSERT_EQ(waitpid(first, &status, 0), first);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(test::PathExists(LogPath()));  // its own clean exit removed the log
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

TEST_F(AppRunTest, UnwritableUserFolderIsReportedNotLost) {
  // A data folder below a plain file can never be made, whoever runs the test.
  test::WriteFile(Dir / "plain", "x");
  const std::string script = Dir / "input.txt";
  test::WriteFile(script, "2 keydown F11\n3 keyup F11\n");  // to a window: the mode flag must be written
  std::string err;
  const std::string cmd = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
                          Dir.Path() + "/plain/data' '" TV_BIN_DIR "/tolvaren' -frames 5 -input '" + script + "'";
  // The profile changed (the display mode) and cannot be saved: that ends in the report.
  EXPECT_EQ(test::RunCommand(cmd, nullptr, &err), 1);
  EXPECT_NE(err.find("An error has occured during the game execution."), std::string::npos) << err;
  EXPECT_NE(err.find("Unable to create file \"" + Dir.Path() + "/plain/data/Quillmark/Tolvaren/StartWindowed.flg\""),
            std::string::npos)
      << err;
}

TEST_F(AppRunTest, NoWindowMeansFailureCodeOneAfterAnOrderlyShutdown) {
  std::string err;
  const std::string cmd =
      "SDL_VIDEODRIVER=no-such-driver XDG_DATA_HOME='" + Dir.Path() + "/data' '" TV_BIN_DIR "/tolvaren' -frames 5";
  EXPECT_EQ(test::RunCommand(cmd, nullptr, &err), 1);
  EXPECT_NE(err.find("Log messages:\r\nFailed to create window\r(Error code: "), std::string::npos) << err;
  EXPECT_NE(test::ReadFile(LogPath()).find("Failed to create window"), std::string::npos);
}

}  // namespace
}  // namespace tv
