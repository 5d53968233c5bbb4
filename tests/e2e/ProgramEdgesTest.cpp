// Bad input at the program's edges, tried against the real program: arguments it does not know,
// a user folder it cannot use, a disk that fills up while it saves, data files missing or damaged
// at start-up. Each run must end in the error report (exit code 1, the report on stderr) or go on
// with a logged warning, never in a crash, and the player's save and its backup must survive.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;

const std::string Bin = TV_BIN_DIR;
const char* const Report = "An error has occured during the game execution.";
// Reach the menu, switch the display mode (the profile changes, so it is saved at exit), close.
const char* const ToggleAndClose = "wait form Menu\nwait ready\n+2 key F11\n+20 close\n";

class ProgramEdges : public ::testing::Test {
 protected:
  struct TRun {
    int Code = -1;
    std::string Err;
  };

  void SetUp() override {
    // A named profile part-way into the demo story, and an older state of it as the backup.
    std::string way;
    ASSERT_EQ(
        test::RunCommand("'" + Bin + "/tolvaren-tool' scenario solve '" + Bin + "/Ordinary/S0Scenario.dat'", &way), 0);
    std::istringstream lines(way);
    std::string first10;
    std::string first30;
    int n = 0;
    for (std::string line; std::getline(lines, line) && n < 30;) {
      if (line.empty() || line[0] == '#') continue;
      if (n < 10) first10 += line + "\n";
      first30 += line + "\n";
      ++n;
    }
    Good = Played(first30);
    Older = Played(first10);
    ASSERT_NE(Good, Older);
  }

  // The save `tolvaren-tool play` makes of these actions, its player named "Ada".
  std::string Played(const std::string& Actions) {
    test::WriteFile(Dir / "actions.txt", Actions);
    EXPECT_EQ(
        test::RunCommand("'" + Bin + "/tolvaren-tool' play --scenario '" + Bin + "/Ordinary/S0Scenario.dat' --out '" +
                         Dir / "played.dat" + "' '" + Dir / "actions.txt" + "'"),
        0);
    const std::string bytes = test::ReadFile(Dir / "played.dat");
    EXPECT_EQ(bytes.substr(8, 4), std::string(4, '\0'));  // the nameless player of a new game
    return bytes.substr(0, 8) + std::string("\x03\0\0\0Ada", 7) + bytes.substr(12);
  }

  std::string UserDir() const { return Dir / "data/Quillmark/Tolvaren"; }
  std::string SavePath() const { return UserDir() + "/Save_qv.dat"; }
  std::string BackupPath() const { return UserDir() + "/Backup_Save_qv.dat"; }

  void PutProfile() {
    test::MakeDirs(UserDir());
    test::WriteFile(SavePath(), Good);
    test::WriteFile(BackupPath(), Older);
  }

  // A program folder of its own: the program linked in, its data linked from the build, except
  // the files a case replaces.
  std::string OwnProgram() {
    const std::string own = Dir / "bin";
    if (!test::PathExists(own)) {
      EXPECT_EQ(
          test::RunCommand("mkdir -p '" + own + "/Ordinary' '" + own + "/Languages/English' && (ln '" + Bin +
                           "/tolvaren' '" + own + "/' || cp '" + Bin + "/tolvaren' '" + own + "/') && ln -s '" + Bin +
                           "/Branding' '" + own + "/Branding' && ln -s '" + Bin + "'/Ordinary/* '" + own +
                           "/Ordinary/' && ln -s '" + Bin + "'/Languages/English/* '" + own + "/Languages/English/'"),
          0);
    }
    return own;
  }
  // Replaces one data file of the own program folder (empty Bytes: removes it).
  void Replace(const std::string& Relative, const std::string* Bytes) {
    const std::string path = OwnProgram() + "/" + Relative;
    unlink(path.c_str());
    if (Bytes != nullptr) test::WriteFile(path, *Bytes);
  }
  void Restore(const std::string& Relative) {
    const std::string path = OwnProgram() + "/" + Relative;
    unlink(path.c_str());
    ASSERT_EQ(symlink((Bin + "/" + Relative).c_str(), path.c_str()), 0);
  }

  TRun Run(const std::string& Script, const std::string& Env = "", const std::string& Args = "",
           const std::string& Program = "") {
    test::WriteFile(Dir / "input.txt", Script);
    TRun run;
    run.Code = test::RunCommand(
        "ulimit -c 0; SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
            (Dir / "data") + "' " + Env + " timeout 300 '" + (Program.empty() ? Bin : Program) +
            "/tolvaren' -fixed-dt 0.02 -seed 3 -frames 2000 " + "-input '" + (Dir / "input.txt") + "' " + Args,
        nullptr, &run.Err);
    return run;
  }

  json Dump(const std::string& Path) {
    std::string out;
    EXPECT_EQ(test::RunCommand("'" + Bin + "/tolvaren-tool' save dump '" + Path + "'", &out), 0) << Path;
    return json::parse(out.empty() ? std::string("{}") : out);
  }
  static json Events(const json& Dump) { return Dump["players"][0]["events"]; }

  std::string Log() const {
    return test::PathExists(UserDir() + "/Log.txt") ? test::ReadFile(UserDir() + "/Log.txt") : std::string();
  }

  test::TTempDir Dir;
  std::string Good;
  std::string Older;
};

TEST_F(ProgramEdges, UnknownAndMalformedArgumentsAreLoggedAndIgnored) {
  PutProfile();
  const TRun run = Run("wait form Menu\n+5 close\n", "", "-bogus -frames -3 -fixed-dt nan -seed x -input");
  EXPECT_EQ(run.Code, 0) << run.Err;
  for (const char* warning :
       {"Command line: unknown argument \"-bogus\" ignored",
        "Command line: \"-frames -3\" is not a valid value; ignored",
        "Command line: \"-fixed-dt nan\" is not a valid value; ignored",
        "Command line: \"-seed x\" is not a valid value; ignored", "Command line: \"-input\" needs a value; ignored"}) {
    EXPECT_NE(run.Err.find(warning), std::string::npos) << warning << "\n" << run.Err;
    EXPECT_NE(Log().find(std::string(warning) + "\r\n"), std::string::npos) << warning;
  }
  // The first "-frames" and "-input" still count: the script reached the menu and closed.
  EXPECT_EQ(test::ReadFile(SavePath()), Good);
}

TEST_F(ProgramEdges, AnUnusableUserFolderIsReportedAndNothingInItIsReplaced) {
  // The user folder is a plain file: the game can be played, nothing can be kept, and the report
  // says so when the profile is to be saved.
  test::MakeDirs(Dir / "data/Quillmark");
  test::WriteFile(UserDir(), "not a folder");
  TRun run = Run("wait dialog InputLineCustom\nwait ready\n+1 text Bo\n+2 click OK\n" + std::string(ToggleAndClose));
  EXPECT_EQ(run.Code, 1) << run.Err;
  EXPECT_NE(run.Err.find(Report), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("The user folder \"" + UserDir() + "/\" cannot be used (Not a directory)"), std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("Unable to create file \"" + SavePath() + ".tmp\""), std::string::npos) << run.Err;
  EXPECT_EQ(test::ReadFile(UserDir()), "not a folder");
  unlink(UserDir().c_str());

  // The save file's name is taken by a folder: the backup is loaded, the save cannot replace the
  // folder, and the backup is still the older game.
  PutProfile();
  unlink(SavePath().c_str());
  test::MakeDirs(SavePath());
  run = Run(ToggleAndClose);
  EXPECT_EQ(run.Code, 1) << run.Err;
  EXPECT_NE(run.Err.find("Unable to replace file \"" + SavePath() + "\""), std::string::npos) << run.Err;
  EXPECT_EQ(test::ReadFile(BackupPath()), Older);
  EXPECT_FALSE(test::PathExists(SavePath() + ".tmp"));
  rmdir(SavePath().c_str());

  // A folder the player may not enter (only without root rights, which see through it).
  if (geteuid() != 0) {
    PutProfile();
    chmod(UserDir().c_str(), 0);
    run = Run("wait dialog InputLineCustom\nwait ready\n+1 text Bo\n+2 click OK\n" + std::string(ToggleAndClose));
    chmod(UserDir().c_str(), 0755);
    EXPECT_EQ(run.Code, 1) << run.Err;
    EXPECT_NE(run.Err.find("cannot be used (Permission denied)"), std::string::npos) << run.Err;
    EXPECT_EQ(test::ReadFile(SavePath()), Good);
    EXPECT_EQ(test::ReadFile(BackupPath()), Older);
  }
}

TEST_F(ProgramEdges, AFullDiskWhileSavingLeavesTheLastGoodSaveAndItsBackup) {
  // The disk fills up after 0 bytes, within the new save, within the backup's copy, and after
  // both: whichever write fails, the run ends in the report and the files are as they were, or
  // the save is complete.
  const size_t size = Good.size();
  for (const size_t space : {size_t{0}, size / 2, size + size / 2, 4 * size}) {
    SCOPED_TRACE(space);
    PutProfile();
    const TRun run = Run(ToggleAndClose, "TOLVAREN_DISK_FULL=" + std::to_string(space));
    const std::string save = test::ReadFile(SavePath());
    if (run.Code == 1) {
      EXPECT_NE(run.Err.find(Report), std::string::npos) << run.Err;
      EXPECT_NE(run.Err.find("(No space left on device)"), std::string::npos) << run.Err;
      EXPECT_EQ(save, Good);
      EXPECT_EQ(test::ReadFile(BackupPath()), Older);
    } else {
      EXPECT_EQ(run.Code, 0) << run.Err;
      EXPECT_NE(save, Good);
      EXPECT_EQ(test::ReadFile(BackupPath()), Good);
      EXPECT_EQ(Events(Dump(SavePath())), Events(Dump(BackupPath())));
    }
    EXPECT_FALSE(test::PathExists(SavePath() + ".tmp"));
    EXPECT_FALSE(test::PathExists(BackupPath() + ".tmp"));
    if (space == 0) {
      EXPECT_EQ(run.Code, 1);
    }
    if (space == 4 * size) {
      EXPECT_EQ(run.Code, 0);
    }
  }
  // With room again the same profile loads and saves.
  PutProfile();
  const TRun run = Run(ToggleAndClose);
  EXPECT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(Events(Dump(SavePath())), Events(Dump(BackupPath())));
  EXPECT_EQ(test::ReadFile(BackupPath()), Good);
}

TEST_F(ProgramEdges, MissingOrDamagedDataAtStartUpEndsInTheReportOrAWarningAndTheProfileSurvives) {
  const std::string own = OwnProgram();
  const std::string scenario = test::ReadFile(Bin + "/Ordinary/S0Scenario.dat");
  const std::string scenarioTexts = test::ReadFile(Bin + "/Languages/English/T1ScriptScenario.xml");
  const json events = Events(Dump((PutProfile(), SavePath())));
  struct TCase {
    const char* File;
    std::string Bytes;  // what the file holds instead; "-" removes it
    int Code;           // 1: the report; 0: a warning in the log
    std::string Message;
  };
  const std::vector<TCase> cases = {
      {"Ordinary/S0Scenario.dat", "-", 0, "The scenario file \"" + own + "/Ordinary/S0Scenario.dat\" is missing"},
      {"Ordinary/S0Scenario.dat", scenario.substr(0, scenario.size() / 2), 1, "Scenario file \""},
      {"Ordinary/S0Scenario.dat", std::string(200, '\x7f'), 1, "Scenario file \""},
      {"Languages/English/T1ScriptCommon.xml", "-", 1, "Unable to open file"},
      {"Languages/English/T1ScriptCommon.xml", "<Script></Script></Script>", 1, "Failed to parse script file"},
      {"Languages/English/T1ScriptScenario.xml", "-", 0, "The scenario's texts"},
      {"Languages/English/T1ScriptScenario.xml", scenarioTexts.substr(0, scenarioTexts.size() / 2), 0,
       "T1ScriptScenario.xml\" ends before its closing </script>"},
      {"Languages/English/T2FontCustom.tpx", "TPX", 0, "Failed to create texture \"T2FontCustom\""},
      {"Ordinary/G2BackgroundForm.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0'), 0,
       "Failed to create texture \"G2BackgroundForm\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.File) + " " + (c.Bytes == "-" ? "missing" : "damaged"));
    PutProfile();
    Replace(c.File, c.Bytes == "-" ? nullptr : &c.Bytes);
    const TRun run = Run(ToggleAndClose, "", "", own);
    Restore(c.File);
    EXPECT_EQ(run.Code, c.Code) << run.Err;
    if (c.Code == 1) {
      EXPECT_NE(run.Err.find(Report), std::string::npos) << run.Err;
      EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
      EXPECT_EQ(test::ReadFile(SavePath()), Good);
    } else {
      EXPECT_NE(Log().find(c.Message), std::string::npos) << Log();
    }
    // Whatever the game made of its data, the player's game is still there.
    EXPECT_EQ(Events(Dump(SavePath())), events);
    EXPECT_EQ(test::ReadFile(BackupPath()), c.Code == 1 ? Older : Good);
  }
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// The number of lines after "Backtrace:" in a crash report.
int BacktraceLines(const std::string& Log) {
  const auto at = Log.find("Backtrace:");
  if (at == std::string::npos) return 0;
  std::istringstream lines(Log.substr(at));
  int n = -1;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line != "\r") ++n;
  }
  return n;
}

TEST_F(ProgramEdges, ACrashLeavesAReportInTheLogAndTheSaveAsItWas) {
  struct TCase {
    const char* Hook;
    int Code;
    const char* Signal;
  };
  for (const TCase& c : {TCase{"segv", 128 + SIGSEGV, "SIGSEGV"}, TCase{"abort:45", 128 + SIGABRT, "SIGABRT"},
                         TCase{"terminate:45", 128 + SIGABRT, "SIGABRT"}}) {
    SCOPED_TRACE(c.Hook);
    PutProfile();
    // A crash before the script's end: the profile changed (F11) but was never saved.
    const TRun run = Run("wait form Menu\n+1 key F11\n+400 close\n", std::string("TOLVAREN_CRASH=") + c.Hook);
    EXPECT_EQ(run.Code, c.Code) << run.Err;
    EXPECT_NE(run.Err.find(std::string("Crash: signal ") + c.Signal), std::string::npos) << run.Err;
    const std::string log = Log();
    EXPECT_NE(log.find(std::string("Crash at frame ") + (std::string(c.Hook) == "segv" ? "60" : "45")),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(std::string("Crash: signal ") + c.Signal), std::string::npos) << log;
    EXPECT_GE(BacktraceLines(log), 5) << log;
    // The program's exported functions are named in the backtrace.
    EXPECT_NE(log.find("tolvaren(main+"), std::string::npos) << log;
    if (std::string(c.Hook).rfind("terminate", 0) == 0) {
      EXPECT_NE(log.find("crash test: an exception nobody catches"), std::string::npos) << log;
    }
    EXPECT_EQ(test::ReadFile(SavePath()), Good);
    EXPECT_EQ(test::ReadFile(BackupPath()), Older);
  }
}

TEST_F(ProgramEdges, ACrashDuringASaveLeavesThePreviousSaveAndBackupReadable) {
  // The save at exit pauses after writing its temporary file; the program is hit by SIGSEGV then.
  PutProfile();
  test::WriteFile(Dir / "input.txt", ToggleAndClose);
  const std::string command =
      "ulimit -c 0; SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=1280x720 "
      "TOLVAREN_SAVE_PAUSE_MS=5000 XDG_DATA_HOME='" +
      (Dir / "data") + "' '" + Bin + "/tolvaren' -fixed-dt 0.02 -seed 3 -frames 2000 -input '" + (Dir / "input.txt") +
      "' & pid=$!; n=0; while [ ! -e '" + SavePath() + ".tmp' ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done; " +
      "kill -SEGV $pid; wait $pid";
  std::string err;
  EXPECT_EQ(test::RunCommand(command, nullptr, &err), 128 + SIGSEGV) << err;
  EXPECT_NE(Log().find("Crash: signal SIGSEGV"), std::string::npos) << Log();
  EXPECT_EQ(test::ReadFile(SavePath()), Good);
  EXPECT_EQ(test::ReadFile(BackupPath()), Older);
  EXPECT_FALSE(Events(Dump(SavePath())).empty());
  EXPECT_FALSE(Events(Dump(BackupPath())).empty());
}

}  // namespace
}  // namespace tv
