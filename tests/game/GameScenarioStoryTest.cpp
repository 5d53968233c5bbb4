// The bundled demo story: it compiles without a warning, uses what the engine offers, has every
// text it needs in every language, and survives the round trip through the decompiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "game/GameScenarioSource.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const TScenarioCompileResult& Story() {
  static const TScenarioCompileResult result = [] {
    std::vector<std::string> paths;
    for (const auto& entry : fs::directory_iterator(fs::path(TV_SOURCE_DIR) / "content/scenario")) {
      if (entry.path().extension() == ".tvs") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<TScenarioSourceFile> files;
    for (const std::string& path : paths) files.push_back({path, ReadText(path)});
    return CompileScenarioSources(files);
  }();
  return result;
}

// The ids of a script's texts (the story's scripts are written plainly: one text per element).
std::set<std::string> ScriptKeys(const std::string& Language, const std::string& Script) {
  const std::string text = ReadText(fs::path(TV_SOURCE_DIR) / "content/Languages" / Language / (Script + ".xml"));
  std::set<std::string> keys;
  const std::regex element("<text id=\"([^\"]+)\">");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), element); it != std::sregex_iterator(); ++it) {
    keys.insert((*it)[1]);
  }
  return keys;
}

TEST(DemoStory, CompilesCleanlyAndUsesEverything) {
  const TScenarioCompileResult& r = Story();
  ASSERT_TRUE(r.Ok);
  for (const TScenarioDiagnostic& d : r.Diagnostics) ADD_FAILURE() << d.Format();
  const TScenarioBuilder& b = r.Scenario;

  EXPECT_GE(b.RegionList.size(), 6u) << "a menu region, the world map and at least three more";
  EXPECT_NE(b.MenuRegion, 0);
  EXPECT_NE(b.MapRegion, 0);
  EXPECT_NE(b.MenuRegion, b.StartRegion);
  EXPECT_GE(b.Sites.size(), 25u);
  std::set<int32_t> kinds, propKinds, specials;
  size_t scenes = 0;
  bool enterOnReveal = false, hidden = false, disappearing = false, regionMusic = false, ending = false;
  for (const TSiteDef& s : b.Sites) {
    scenes += s.Scenes.size();
    for (const TSceneDef& c : s.Scenes) kinds.insert(c.Kind);
    specials.insert(s.Special);
    enterOnReveal = enterOnReveal || s.EnterOnReveal;
    hidden = hidden || s.HiddenUntilEntered;
    disappearing = disappearing || s.DisappearsAfter != 0;
    regionMusic = regionMusic || s.RegionMusic != 0;
    ending = ending || s.Ending;
  }
  EXPECT_GE(scenes, 80u);
  EXPECT_EQ(kinds.size(), 40u) << "every scene kind at least once";
  for (const TPropDef& p : b.Props) propKinds.insert(p.Kind);
  EXPECT_EQ(propKinds, (std::set<int32_t>{0, 1, 2, 3, 4}));
  for (const int32_t code : {1, 2, 3, 9, 10, 110, 111, 112, 113, 200, 444, 446}) {
    EXPECT_EQ(specials.count(code), 1u) << "special code " << code;
  }
  EXPECT_TRUE(enterOnReveal && hidden && disappearing && regionMusic && ending);

  EXPECT_GE(b.AchievementList.size(), 12u);
  bool parents = false, prerequisites = false;
  for (const TAchievementDef& a : b.AchievementList) {
    parents = parents || a.Parent != 0;
    prerequisites = prerequisites || a.Prerequisite != 0;
  }
  EXPECT_TRUE(parents && prerequisites);
  bool subHints = false;
  for (const THintDef& h : b.HintList) subHints = subHints || h.SubHints[0] != 0;
  EXPECT_TRUE(subHints);
  EXPECT_NE(b.GuideStart, 0);
}

TEST(DemoStory, EveryLanguageHasEveryText) {
  const TScenarioBuilder& b = Story().Scenario;
  std::set<std::string> needed;
  for (const std::string& caption : b.Pool[static_cast<size_t>(TPoolClass::Caption)]) needed.insert(caption);
  for (const TSiteDef& s : b.Sites) {
    for (const TSceneDef& c : s.Scenes) {
      if (SceneKindShowsText(c.Kind)) needed.insert("SceneLegendH" + std::to_string(c.Number));
    }
  }
  for (const THintDef& h : b.HintList) needed.insert("HintLegendH" + std::to_string(h.Number));
  for (const TAchievementDef& a : b.AchievementList) needed.insert("AchievementLegendH" + std::to_string(a.Number));

  const std::set<std::string> english = ScriptKeys("English", "T1ScriptScenario");
  for (const std::string& key : needed) EXPECT_EQ(english.count(key), 1u) << "English lacks " << key;
  const std::set<std::string> common = ScriptKeys("English", "T1ScriptCommon");
  for (const char* language : {"German", "Russian"}) {
    EXPECT_EQ(ScriptKeys(language, "T1ScriptScenario"), english) << language;
    // The translation of the common script holds every text of the English one it was made from.
    const std::set<std::string> translated = ScriptKeys(language, "T1ScriptCommon");
    for (const std::string& key : translated) EXPECT_EQ(common.count(key), 1u) << language << " has an unknown " << key;
  }
}

TEST(DemoStory, RoundTripsThroughTheDecompiler) {
  const TScenarioBuilder& b = Story().Scenario;
  const std::string bytes = b.Build();
  const std::string text = DecompileScenario(ReadScenarioRecords(bytes, "S0Scenario.dat"));
  const TScenarioCompileResult back = CompileScenarioSources({{"decompiled.tvs", text}});
  ASSERT_TRUE(back.Ok);
  EXPECT_EQ(back.Scenario.Build(), bytes);
}

}  // namespace
}  // namespace tv
