// Live reload in debug mode: while the real program shows a scene window, a changed scene text, a
// changed texture and a changed scenario (compiled by "tolvaren-tool scenario watch") reach it
// through the watcher; the world after the reload is what a fresh replay of the same events gives;
// a scenario with a syntax error keeps the old one and shows the message; nothing of it writes the
// save.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ScreensTestSupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

std::string Scenario(bool WithPier, const std::string& QuayExtra) {
  std::string s = R"(
start-region Town
legend {
  g G2T2Grass
  r G2T4Rock
  ~ none G2W1Sea
}
prop Coin 1 Property initial 0
region Town 3 {
)" + test::TownTiles +
                  R"(
  site Quay 301 {
    at 120 180
    icon 0
)" + QuayExtra + R"(
    scene 3011 Text
    scene 3012 Rewards 1 { gain Coin 2 }
  }
)";
  if (WithPier) s += "  site Pier 302 { at -200 100\n icon 1\n scene 3021 Rewards 1 { gain Coin 1 } }\n";
  return s + "}\n";
}

const char* const Texts = R"(<?xml version="1.0" encoding="utf-8"?>
<script>
  <text id="SceneLegendH3011">The quay is quiet.</text>
</script>
)";

std::string Fnv1a64Hex(const std::string& Bytes) {
  uint64_t h = 14695981039346656037ull;
  for (const char c : Bytes) {
    h ^= static_cast<uint8_t>(c);
    h *= 1099511628211ull;
  }
  char out[17];
  std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

std::vector<nlohmann::json> TraceLines(const std::string& Path) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(test::ReadFile(Path));
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    try {
      lines.push_back(nlohmann::json::parse(line));
    } catch (const std::exception&) {
      break;  // a line being written
    }
  }
  return lines;
}

TEST(LiveReload, SceneTextTextureAndScenarioReachTheRunningGameAndASyntaxErrorKeepsTheOldOne) {
  test::TTempDir dir;
  test::MakePlayTestProgram(dir, Scenario(true, ""));
  const std::string program = dir / "program";
  const std::string tool = std::string("'") + TV_BIN_DIR + "/tolvaren-tool'";
  const std::string scriptFile = program + "/Languages/English/T1ScriptScenario.xml";
  test::WriteFile(scriptFile, Texts);
  const std::string trace = dir / "trace.jsonl";
  test::WriteFile(dir / "input.txt",
                  "wait form Play\n"
                  "wait control Quay 3000\n"
                  "click Quay\n"
                  "wait shown Scene 3000\n"
                  "wait reload T1ScriptScenario.xml 200000\n"
                  "wait shown Scene 3000\n"
                  "wait reload G2T2Grass.tpx 200000\n"
                  "wait reload S0Scenario.dat 200000\n"
                  "wait shown Scene 3000\n"
                  "wait reload S0Scenario.dat 200000\n"
                  "wait shown MessageCustom 3000\n"
                  "+10 click OK\n"
                  "wait reload S0Scenario.dat 200000\n"
                  "wait shown MessageCustom 3000\n"
                  "+10 click OK\n"
                  "wait shown Scene 3000\n"
                  "+10 close\n");
  int code = -1;
  std::string err;
  std::thread game([&] {
    code =
        test::RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=640x360 XDG_DATA_HOME='" +
                             (dir / "data") + "' '" + program + "/tolvaren-playtest' -debug -fixed-dt 0.02 -seed 7 " +
                             "-frames 400000 -input '" + (dir / "input.txt") + "' -gui-trace '" + trace + "'",
                         nullptr, &err);
  });
  // Waits until the trace holds a line for which Match is true (or the game has ended).
  auto awaitLine = [&](const std::function<bool(const nlohmann::json&)>& Match) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const nlohmann::json& line : TraceLines(trace)) {
        if (Match(line)) return true;
        if (line.contains("exit")) return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  };
  auto reloads = [](const std::string& File) {
    return [File](const nlohmann::json& L) { return L.value("reload", "") == File; };
  };
  bool ok =
      awaitLine([](const nlohmann::json& L) { return L.value("dialog", "") == "Scene" && L.value("shown", false); });
  EXPECT_TRUE(ok) << "the scene window never showed";
  if (ok) {
    // The scene's text, as an editor saves it.
    std::string texts = Texts;
    texts.replace(texts.find("The quay is quiet."), 18, "Gulls cry over the quay.");
    test::WriteFile(scriptFile, texts);
    ok = awaitLine(reloads("T1ScriptScenario.xml"));
    EXPECT_TRUE(ok) << "the script was not reloaded";
  }
  if (ok) {
    // A texture the map shows, replaced by another picture.
    test::WriteFile(program + "/Ordinary/G2T2Grass.tpx", test::ReadFile(program + "/Ordinary/G2T4Rock.tpx"));
    ok = awaitLine(reloads("G2T2Grass.tpx"));
    EXPECT_TRUE(ok) << "the texture was not reloaded";
  }
  if (ok) {
    // A new scenario without the pier, compiled by the watcher's one-shot form.
    test::WriteFile(dir / "scenario.tvs", Scenario(false, "    mark-until-visited\n"));
    std::string out, watchErr;
    EXPECT_EQ(
        test::RunCommand(tool + " scenario watch '" + (dir / "scenario.tvs") + "' --data '" + program + "' --once",
                         &out, &watchErr),
        0)
        << watchErr;
    ok = awaitLine(reloads("S0Scenario.dat"));
    EXPECT_TRUE(ok) << "the scenario was not reloaded";
  }
  std::string goodScenario;
  if (ok) {
    goodScenario = test::ReadFile(program + "/Ordinary/S0Scenario.dat");
    // A syntax error: the watcher names its place and keeps the old scenario file.
    test::WriteFile(dir / "scenario.tvs", Scenario(false, "    bogus-field 3\n"));
    std::string out, watchErr;
    EXPECT_EQ(
        test::RunCommand(tool + " scenario watch '" + (dir / "scenario.tvs") + "' --data '" + program + "' --once",
                         &out, &watchErr),
        1);
    EXPECT_NE(watchErr.find(dir / "scenario.tvs:"), std::string::npos) << watchErr;
    EXPECT_EQ(test::ReadFile(program + "/Ordinary/S0Scenario.dat"), goodScenario);
    ok = awaitLine(
        [](const nlohmann::json& L) { return L.value("reload", "") == "S0Scenario.dat" && L.contains("failed"); });
    EXPECT_TRUE(ok) << "the compile errors did not reach the game";
  }
  if (ok) {
    // A scenario file cut short, written straight into the folder: the game keeps the old world.
    test::WriteFile(program + "/Ordinary/S0Scenario.dat", goodScenario.substr(0, 100));
    ok = awaitLine([](const nlohmann::json& L) {
      return L.value("reload", "") == "S0Scenario.dat" &&
             L.value("failed", "").find("Scenario file") != std::string::npos;
    });
    EXPECT_TRUE(ok) << "the damaged scenario was not reported";
  }
  game.join();
  EXPECT_EQ(code, 0) << err;

  const std::vector<nlohmann::json> lines = TraceLines(trace);
  std::vector<nlohmann::json> reloaded;
  size_t firstReload = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].contains("reload")) continue;
    reloaded.push_back(lines[i]);
    firstReload = std::min(firstReload, i);
  }
  ASSERT_EQ(reloaded.size(), 5u) << test::ReadFile(trace);
  EXPECT_EQ(reloaded[0]["texts"], nlohmann::json::array({"SceneLegendH3011"}));
  EXPECT_TRUE(reloaded[0].contains("world"));
  EXPECT_FALSE(reloaded[1].contains("world"));  // a texture is replaced in place
  EXPECT_EQ(reloaded[2]["reload"], "S0Scenario.dat");
  EXPECT_NE(reloaded[3].value("failed", "").find("scenario.tvs:"), std::string::npos) << reloaded[3];
  EXPECT_NE(reloaded[4].value("failed", "").find("Scenario file"), std::string::npos) << reloaded[4];
  // Each rebuild closed the open scene window, and the replay showed it again.
  int scenesShown = 0;
  for (const nlohmann::json& line : lines) {
    if (line.value("dialog", "") == "Scene" && line.value("shown", false)) ++scenesShown;
  }
  EXPECT_EQ(scenesShown, 4);  // the damaged file's rebuild replays into the old scenario
  // No save while the game ran: the only saves are those of the shutdown, after the last frame's lines.
  bool saveSeen = false;
  for (size_t i = firstReload; i < lines.size(); ++i) {
    if (lines[i].contains("save")) {
      saveSeen = true;
    } else if (!lines[i].contains("exit")) {
      EXPECT_FALSE(saveSeen) << "a save before " << lines[i];
    }
  }
  // The world after the scenario's reload is the one a fresh replay of the saved events gives.
  test::WriteFile(program + "/Ordinary/S0Scenario.dat", goodScenario);
  std::string world, replayErr;
  ASSERT_EQ(test::RunCommand(tool + " replay --scenario '" + program + "/Ordinary/S0Scenario.dat' --save '" +
                                 (dir / "data/Quillmark/Tolvaren/Save_qv.dat") + "'",
                             &world, &replayErr),
            0)
      << replayErr;
  if (!world.empty() && world.back() == '\n') world.pop_back();
  EXPECT_EQ(reloaded[2]["world"], Fnv1a64Hex(world)) << world;
  // The pier's reveal no longer applies: the log names the skipped event.
  const std::string log = test::ReadFile(dir / "data/Quillmark/Tolvaren/Log.txt");
  EXPECT_NE(log.find("no longer applies to the scenario and is skipped"), std::string::npos) << log;
  EXPECT_NE(log.find("site 302"), std::string::npos) << log;
}

}  // namespace
}  // namespace tv
