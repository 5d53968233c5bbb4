// The real program run headless from a temporary user folder on an input script: its GUI trace
// comes back parsed, its save file through "tolvaren-tool save dump", and its last frame as a PNG.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tv::test {

// The pieces of input scripts that the Windows run (scripts/windows/wine_tests.py) plays too live
// in tests/e2e/scripts, read by both; each piece starts on a line of its own.
inline std::string ScriptPiece(const std::string& Name) {
  return "\n" + ReadFile(std::string(TV_SOURCE_DIR) + "/tests/e2e/scripts/" + Name + ".txt");
}

// A new game of the demo story from "Play" on: the hero walks into the first site, whose four
// scenes are accepted, up to the announcement of its achievement; PlayFirstSite acknowledges it.
inline const std::string PlayFirstSiteToAchievement = ScriptPiece("first-site-to-achievement");
inline const std::string PlayFirstSite = PlayFirstSiteToAchievement + "+2 click OK\n";

// "Quit" on the menu (once the menu has the input) and "Yes" in its query.
inline const std::string QuitFromMenu = ScriptPiece("quit-from-menu");

// The name prompt answered: the proposed name rubbed out, Name typed and confirmed.
inline std::string TypeName(const std::string& Name) {
  std::string s = "wait dialog InputLineCustom\nwait ready\n";
  for (int i = 0; i < 16; ++i) s += "+1 key BackSpace\n";
  return s + "+1 text " + Name + "\n+2 click OK\n";
}

class TProgramRun : public ::testing::Test {
 protected:
  using json = nlohmann::json;

  const std::string Bin = TV_BIN_DIR;

  std::string UserDir() const { return Dir / "data/Quillmark/Tolvaren"; }

  // Runs the program on a script at a 1280 x 720 desktop; the trace's lines come back parsed. With
  // Shot the last frame is written there.
  int Run(const std::string& Script, std::vector<json>& Trace, std::string& Err, const std::string& Shot = {}) {
    WriteFile(Dir / "input.txt", Script);
    const int code = RunCommand(
        "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
        "TOLVAREN_DESKTOP=1280x720 XDG_DATA_HOME='" +
            (Dir / "data") + "' '" + Bin + "/tolvaren' -fixed-dt 0.02 -seed 7 -frames " + std::to_string(Frames) +
            " -input '" + (Dir / "input.txt") + "' -gui-trace '" + (Dir / "trace.jsonl") + "'" +
            (Shot.empty() ? "" : " -screenshot '" + Shot + "'"),
        nullptr, &Err);
    Trace.clear();
    std::istringstream lines(ReadFile(Dir / "trace.jsonl"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) Trace.push_back(json::parse(line));
    }
    return code;
  }
  json Save() {
    std::string out;
    std::string err;
    EXPECT_EQ(RunCommand("'" + Bin + "/tolvaren-tool' save dump '" + UserDir() + "/Save_qv.dat'", &out, &err), 0)
        << err;
    return json::parse(out.empty() ? std::string("{}") : out);
  }
  // How many lines of the trace hold every field of Line.
  static int Count(const std::vector<json>& Trace, const json& Line) {
    int n = 0;
    for (const json& l : Trace) {
      bool all = true;
      for (auto it = Line.begin(); it != Line.end(); ++it) {
        if (!l.contains(it.key()) || l[it.key()] != it.value()) all = false;
      }
      if (all) ++n;
    }
    return n;
  }
  static bool Has(const std::vector<json>& Trace, const json& Line) { return Count(Trace, Line) > 0; }
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

  TTempDir Dir;
  // The frame after which a run ends whatever its script says.
  int Frames = 4000;
};

}  // namespace tv::test
