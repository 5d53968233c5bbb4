// The bundled story played through the real program by input alone: the solver's way, written by
// "scenario solve --input" as clicks on the sites, the scene windows' buttons, the barter rows and
// the corner icons, runs headless from an empty user folder to the ending, back to the menu and
// out through "Quit". The save then holds what the headless play of the same way says, the trace
// shows every region, and the screenshots at the milestones show what they should.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineTextures.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;

const std::string Bin = TV_BIN_DIR;
const std::string Tool = Bin + "/tolvaren-tool";
// A quarter of a second a frame, in a small window: the story's reveals, scenes and fades still
// take a few frames each (a barter's trade one frame a step, a floating text five at least), and
// the whole way takes under 1,500 frames, about a minute on a quiet two-core machine.
const char* const FrameTime = "0.25";
const char* const Desktop = "640x360";

int RunTool(const std::string& Args, std::string* Out, std::string* Err) {
  return test::RunCommand("'" + Tool + "' " + Args, Out, Err);
}

// What a screenshot looks like, roughly.
struct TLook {
  int32_t Width = 0;
  int32_t Height = 0;
  double Lit = 0;              // share of pixels that are not black
  double Placeholder = 0;      // share of pixels in the placeholder's magenta
  size_t Colours = 0;          // distinct colours, quantised to 4 bits a channel
  std::vector<uint8_t> Bytes;  // four bytes a pixel
};

// The mean difference of two pictures of one size, 0 to 255 a channel.
double MeanDifference(const TLook& A, const TLook& B) {
  if (A.Bytes.size() != B.Bytes.size() || A.Bytes.empty()) return 255;
  double sum = 0;
  for (size_t i = 0; i < A.Bytes.size(); ++i) {
    if (i % 4 != 3) sum += std::abs(int{A.Bytes[i]} - int{B.Bytes[i]});
  }
  return sum / (static_cast<double>(A.Bytes.size()) * 0.75);
}

TLook LookAt(const std::string& Path) {
  TLook look;
  const std::string bytes = test::ReadFile(Path);
  if (bytes.empty()) return look;
  const TImage picture = DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
  look.Width = picture.Width;
  look.Height = picture.Height;
  std::set<uint32_t> colours;
  int64_t lit = 0;
  int64_t magenta = 0;
  const size_t pixels = picture.Bytes.size() / 4;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = &picture.Bytes[i * 4];
    if (std::max({p[0], p[1], p[2]}) > 24) ++lit;
    // Magenta is red and blue at full strength without green, whichever order the bytes are in.
    if (p[0] > 220 && p[2] > 220 && p[1] < 40) ++magenta;
    colours.insert(uint32_t{p[0]} >> 4 | (uint32_t{p[1]} >> 4) << 4 | (uint32_t{p[2]} >> 4) << 8);
  }
  if (pixels > 0) {
    look.Lit = static_cast<double>(lit) / static_cast<double>(pixels);
    look.Placeholder = static_cast<double>(magenta) / static_cast<double>(pixels);
  }
  look.Colours = colours.size();
  look.Bytes = picture.Bytes;
  return look;
}

// The screens at the moment of each screenshot, from the trace: the current form, the region the
// play form shows and the topmost dialog.
struct TScreenAt {
  std::string Form;
  std::string Region;
  std::string Dialog;
};

TEST(StoryByInput, TheRealProgramPlaysTheSolversWayFromANewProfileToTheEndingAndQuits) {
  test::TTempDir dir;
  const std::string scenario = Bin + "/Ordinary/S0Scenario.dat";
  const std::string texts = Bin + "/Languages/English/T1ScriptScenario.xml";
  ASSERT_TRUE(test::PathExists(scenario)) << "the build compiles the story";

  // The way and its input script.
  std::string out;
  std::string err;
  test::MakeDirs(dir / "run");
  ASSERT_EQ(RunTool("scenario solve '" + scenario + "' --texts '" + texts + "' -o '" + dir / "way.txt" + "' --input '" +
                        dir / "run/input.txt" + "' --name Ada",
                    &out, &err),
            0)
      << err;

  // What the headless game makes of the same way.
  ASSERT_EQ(RunTool("play --scenario '" + scenario + "' --texts '" + texts + "' '" + dir / "way.txt" + "'", &out, &err),
            0)
      << err;
  const json model = json::parse(out);
  for (size_t i = 0; i < model["log"].size(); ++i) ASSERT_EQ(model["log"][i], "ok") << "action " << i + 1;
  const json earned = model["player"]["earned"];
  ASSERT_FALSE(earned.empty());

  // The program, headless, from an empty user folder.
  const int code = test::RunCommand(
      "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=" + std::string(Desktop) + " XDG_DATA_HOME='" +
          dir / "data" + "' '" + Bin + "/tolvaren' -fixed-dt " + FrameTime + " -seed 7 -input '" +
          dir / "run/input.txt" + "' -gui-trace '" + dir / "run/trace.jsonl" + "'",
      nullptr, &err);
  std::vector<json> trace;
  {
    std::istringstream lines(test::ReadFile(dir / "run/trace.jsonl"));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) trace.push_back(json::parse(line));
    }
  }
  ASSERT_EQ(code, 0) << err << "\nlast trace line: " << (trace.empty() ? std::string() : trace.back().dump());
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back()["exit"], 0);

  // The trace: every region of the story shown, the ending faded back to the menu, and the run
  // left from there through "Quit" and its query.
  std::set<std::string> regions;
  std::map<std::string, TScreenAt> shots;
  TScreenAt screen;
  std::vector<std::string> dialogs;
  size_t endingAt = 0;
  for (size_t i = 0; i < trace.size(); ++i) {
    const json& line = trace[i];
    if (line.contains("form")) {
      screen.Form = line["form"];
      screen.Region = line.value("region", "");
      if (!screen.Region.empty()) regions.insert(screen.Region);
    }
    if (line.contains("dialog")) {
      if (line["shown"] == true) {
        dialogs.push_back(line["dialog"]);
      } else if (!dialogs.empty()) {
        dialogs.erase(std::find(dialogs.rbegin(), dialogs.rend(), line["dialog"]).base() - 1);
      }
    }
    screen.Dialog = dialogs.empty() ? "" : dialogs.back();
    if (line.contains("screenshot")) shots[line["screenshot"]] = screen;
    if (line.value("transition", "") == "FadeEnding" && line["phase"] == "start") endingAt = i;
  }
  EXPECT_EQ(regions, (std::set<std::string>{"Brackwater", "World", "Fernhollow", "Mistmere", "Saltspire"}));
  ASSERT_GT(endingAt, 0u) << "the ending's fade never started";
  std::vector<json> after(trace.begin() + static_cast<std::ptrdiff_t>(endingAt), trace.end());
  auto position = [&](const json& Wanted) {
    for (size_t i = 0; i < after.size(); ++i) {
      bool all = true;
      for (auto it = Wanted.begin(); it != Wanted.end(); ++it)
        all = all && after[i].contains(it.key()) && after[i][it.key()] == it.value();
      if (all) return static_cast<int>(i);
    }
    return -1;
  };
  const int menu = position({{"form", "Menu"}});
  const int ended = position({{"transition", "FadeEnding"}, {"phase", "end"}});
  const int quit = position({{"click", "Quit"}, {"in", "Menu"}});
  const int yes = position({{"click", "Yes"}, {"in", "QueryCustom"}});
  EXPECT_GT(menu, 0);
  EXPECT_GT(ended, menu);
  EXPECT_GT(quit, ended);
  EXPECT_GT(yes, quit);
  EXPECT_EQ(position({{"form", "Play"}}), -1) << "nothing played after the ending";

  // The save: the new player, with every achievement the story earns in the order the headless
  // play earned them, and a new game that nothing has happened in yet.
  ASSERT_EQ(RunTool("save dump '" + dir / "data/Quillmark/Tolvaren/Save_qv.dat" + "'", &out, &err), 0) << err;
  const json save = json::parse(out);
  ASSERT_EQ(save["players"].size(), 1u) << save.dump();
  const json& player = save["players"][0];
  EXPECT_EQ(player["name"], "Ada");
  EXPECT_EQ(player["earned"], earned);
  EXPECT_EQ(player["events"], json::array());
  EXPECT_FALSE(test::PathExists(dir / "data/Quillmark/Tolvaren/Log.txt"))
      << test::ReadFile(dir / "data/Quillmark/Tolvaren/Log.txt");

  // The screenshots: each taken where the script said, showing a drawn screen (neither black nor
  // the placeholder picture).
  const std::vector<std::pair<std::string, TScreenAt>> expected = {
      {"name.png", {"", "", "InputLineCustom"}},
      {"menu.png", {"Menu", "", ""}},
      {"scene.png", {"Play", "Brackwater", "Scene"}},
      {"barter.png", {"Play", "Brackwater", "Scene"}},
      {"region-Brackwater.png", {"Play", "Brackwater", ""}},
      {"region-World.png", {"Play", "World", ""}},
      {"region-Fernhollow.png", {"Play", "Fernhollow", ""}},
      {"region-Mistmere.png", {"Play", "Mistmere", ""}},
      {"region-Saltspire.png", {"Play", "Saltspire", ""}},
      {"ending.png", {"Menu", "", ""}},
  };
  std::map<std::string, TLook> looks;
  for (const auto& [file, where] : expected) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(shots.count(file)) << "no screenshot line in the trace";
    if (!where.Form.empty()) {
      EXPECT_EQ(shots[file].Form, where.Form);
    }
    EXPECT_EQ(shots[file].Region, where.Region);
    EXPECT_EQ(shots[file].Dialog, where.Dialog);
    const TLook look = LookAt(dir / ("run/" + file));
    looks[file] = look;
    EXPECT_EQ(std::to_string(look.Width) + "x" + std::to_string(look.Height), Desktop);
    // The name prompt stands alone on black; everything else fills the screen.
    EXPECT_GT(look.Lit, file == "name.png" ? 0.1 : 0.9) << "black";
    EXPECT_GT(look.Colours, 100u) << "a flat picture";
    EXPECT_LT(look.Placeholder, 0.01) << "the placeholder picture";
  }
  // The menu looks much the same before the story and after it; two regions look apart.
  EXPECT_LT(MeanDifference(looks["menu.png"], looks["ending.png"]), 12);
  EXPECT_GT(MeanDifference(looks["region-World.png"], looks["region-Brackwater.png"]), 20);
}

}  // namespace
}  // namespace tv
