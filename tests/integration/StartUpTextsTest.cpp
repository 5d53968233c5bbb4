// The program's start-up with its language texts: the bundled common script loads, and a missing
// or malformed one ends the run through the error report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"

namespace tv {
namespace {

// Copies of the program run in their own network namespace when the system allows it, so that
// the single-instance channel of a copy started elsewhere cannot turn them away.
std::string Isolated() {
  static const std::string prefix = test::RunCommand("unshare -rn true") == 0 ? "unshare -rn " : "";
  return prefix;
}

class StartUpTexts : public ::testing::Test {
 protected:
  // A program folder of its own: the executable and, when given, a common script.
  void Install(const std::string* Script) {
    test::MakeDirs(Dir / "bin/Languages/English");
    std::filesystem::copy_file(std::string(TV_BIN_DIR) + "/tolvaren", Dir / "bin/tolvaren");
    if (Script != nullptr) test::WriteFile(Dir / "bin/Languages/English/T1ScriptCommon.xml", *Script);
  }
  int Run(const std::string& Program, std::string* Err, const std::string& Arguments = "") {
    return test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy XDG_DATA_HOME='" + Dir / "home" + "' " +
                                Isolated() + "'" + Program + "' -frames 5" + Arguments,
                            nullptr, Err);
  }
  std::string LogPath() const { return Dir / "home/Quillmark/Tolvaren/Log.txt"; }
  test::TTempDir Dir;
};

TEST_F(StartUpTexts, TheBundledScriptStartsCleanly) {
  std::string err;
  EXPECT_EQ(Run(std::string(TV_BIN_DIR) + "/tolvaren", &err), 0) << err;
  EXPECT_FALSE(test::PathExists(LogPath()));
}

// The translations are read in their own code pages (1252 and 1251) and start as cleanly. The
// program folder here has no English texts at all, so a run that fell back to English instead of
// reading the language asked for could not start.
TEST_F(StartUpTexts, EveryBundledLanguageStartsCleanly) {
  namespace fs = std::filesystem;
  const fs::path bin = std::string(TV_BIN_DIR);
  Install(nullptr);
  fs::remove_all(Dir / "bin/Languages/English");
  for (const fs::directory_entry& entry : fs::directory_iterator(bin)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && name != "Languages") fs::create_directory_symlink(entry.path(), Dir / ("bin/" + name));
  }
  for (const char* language : {"German", "Russian"}) {
    fs::create_directory_symlink(bin / "Languages" / language, Dir / (std::string("bin/Languages/") + language));
    std::string err;
    EXPECT_EQ(Run(Dir / "bin/tolvaren", &err, std::string(" -language ") + language), 0) << language << ": " << err;
    EXPECT_FALSE(test::PathExists(LogPath())) << language << ": " << test::ReadFile(LogPath());
  }
  // The same folder without the language asked for ends the run: there is nothing to fall back on.
  std::string err;
  EXPECT_EQ(Run(Dir / "bin/tolvaren", &err, " -language French"), 1) << err;
}

TEST_F(StartUpTexts, AMissingCommonScriptEndsTheRun) {
  Install(nullptr);
  std::string err;
  EXPECT_EQ(Run(Dir / "bin/tolvaren", &err), 1);
  const std::string log = test::ReadFile(LogPath());
  EXPECT_NE(log.find("Unable to open file"), std::string::npos) << log;
  EXPECT_NE(log.find("T1ScriptCommon.xml"), std::string::npos) << log;
}

TEST_F(StartUpTexts, AMalformedCommonScriptEndsTheRun) {
  const std::string script = "<script><text id=\"GameTitle\">T</text></script></script>";
  Install(&script);
  std::string err;
  EXPECT_EQ(Run(Dir / "bin/tolvaren", &err), 1);
  EXPECT_EQ(test::ReadFile(LogPath()), "Failed to parse script file\r\n");
}

}  // namespace
}  // namespace tv
