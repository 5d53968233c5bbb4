// The bundled demo story: it compiles without a warning, the file the build installs holds
// everything the story promises, every language has every text in its own code page, and the story
// survives the round trip through the decompiler.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "authoring/GameScenarioSource.h"
#include "engine/EngineScript.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const fs::path Content = fs::path(TV_SOURCE_DIR) / "content";

const TScenarioCompileResult& Story() {
  static const TScenarioCompileResult result = [] {
    std::vector<std::string> paths;
    for (const auto& entry : fs::directory_iterator(Content / "scenario")) {
      if (entry.path().extension() == ".tvs") paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<TScenarioSourceFile> files;
    for (const std::string& path : paths) files.push_back({path, test::ReadFile(path)});
    return CompileScenarioSources(files);
  }();
  return result;
}

// The ids and raw (UTF-8) contents of a script's texts; the story's scripts are written plainly,
// one text per element.
std::map<std::string, std::string> ScriptTexts(const std::string& Language, const std::string& Script) {
  const std::string text = test::ReadFile((Content / "Languages" / Language / (Script + ".xml")).string());
  std::map<std::string, std::string> texts;
  const std::regex element("<text id=\"([^\"]+)\">([^<]*)</text>");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), element); it != std::sregex_iterator(); ++it) {
    texts[(*it)[1]] = (*it)[2];
  }
  return texts;
}

std::set<std::string> Keys(const std::map<std::string, std::string>& Texts) {
  std::set<std::string> keys;
  for (const auto& [key, text] : Texts) keys.insert(key);
  return keys;
}

TEST(DemoStory, CompilesCleanly) {
  const TScenarioCompileResult& r = Story();
  ASSERT_TRUE(r.Ok);
  for (const TScenarioDiagnostic& d : r.Diagnostics) ADD_FAILURE() << d.Format();
}

// What the story promises its players and the engine's tests, checked on the file the game reads.
TEST(DemoStory, TheScenarioFileHoldsEverythingTheStoryPromises) {
  ASSERT_TRUE(Story().Ok);
  const std::string bytes = Story().Scenario.Build();
  const fs::path installed = fs::path(TV_BIN_DIR) / "Ordinary/S0Scenario.dat";
  if (fs::exists(installed)) {
    EXPECT_TRUE(test::ReadFile(installed.string()) == bytes) << "the build installs the story as compiled";
  }
  const TScenarioBuilder b = ReadScenarioRecords(bytes, "S0Scenario.dat");

  // A menu region, the world map and at least three regions to play in, each with sites.
  ASSERT_NE(b.MenuRegion, 0);
  ASSERT_NE(b.MapRegion, 0);
  EXPECT_NE(b.MenuRegion, b.MapRegion);
  EXPECT_NE(b.MenuRegion, b.StartRegion);
  std::map<int32_t, int> sitesOf;
  for (const TSiteDef& s : b.Sites) ++sitesOf[s.Region];
  int playRegions = 0;
  for (int32_t r = 1; r <= static_cast<int32_t>(b.RegionList.size()); ++r) {
    if (r != b.MenuRegion && r != b.MapRegion && sitesOf[r] >= 3) ++playRegions;
  }
  EXPECT_GE(playRegions, 3);
  EXPECT_GT(sitesOf[b.MapRegion], 0) << "the map leads somewhere";

  EXPECT_GE(b.Sites.size(), 25u);
  size_t scenes = 0;
  std::set<int32_t> kinds, specials;
  bool enterOnReveal = false, hidden = false, disappearing = false, ending = false, musicChange = false,
       sceneMusic = false;
  for (const TSiteDef& s : b.Sites) {
    scenes += s.Scenes.size();
    for (const TSceneDef& c : s.Scenes) {
      kinds.insert(c.Kind);
      sceneMusic = sceneMusic || c.Music != 0;
    }
    specials.insert(s.Special);
    enterOnReveal = enterOnReveal || s.EnterOnReveal;
    hidden = hidden || s.HiddenUntilEntered;
    disappearing = disappearing || s.DisappearsAfter != 0;
    ending = ending || s.Ending;
    const TRegionDef& region = b.RegionList.at(static_cast<size_t>(s.Region - 1));
    musicChange = musicChange || (s.RegionMusic != 0 && s.RegionMusic != region.InitialMusic);
  }
  EXPECT_GE(scenes, 80u);
  for (int32_t kind = 0; kind < ScenarioSceneKindCount; ++kind) {
    EXPECT_EQ(kinds.count(kind), 1u) << "no scene of kind \"" << SceneKindName(kind) << "\"";
  }
  std::set<int32_t> propKinds;
  for (const TPropDef& p : b.Props) propKinds.insert(p.Kind);
  for (int32_t kind = 0; kind < ScenarioPropKindCount; ++kind) {
    EXPECT_EQ(propKinds.count(kind), 1u) << "no prop of kind \"" << PropKindName(kind) << "\"";
  }
  for (const int32_t code : {1, 2, 3, 9, 10, 110, 111, 112, 113, 200, 444, 446}) {
    EXPECT_EQ(specials.count(code), 1u) << "special code " << code;
  }
  EXPECT_TRUE(enterOnReveal) << "a site entered on its reveal";
  EXPECT_TRUE(hidden) << "a site hidden until entered";
  EXPECT_TRUE(disappearing) << "a site that disappears";
  EXPECT_TRUE(ending) << "an ending";
  EXPECT_TRUE(musicChange) << "a site that changes its region's music";
  EXPECT_TRUE(sceneMusic) << "a scene with its own music";

  // The guide chain runs from the guide start without a loop, its sites name hints, and the hints
  // form a tree: some hint has sub-hints that have sub-hints of their own.
  ASSERT_GT(b.GuideStart, 0);
  std::set<int32_t> chain;
  std::set<int32_t> chainHints;
  for (int32_t s = b.GuideStart; s != 0; s = b.Sites.at(static_cast<size_t>(s - 1)).NextGuide) {
    ASSERT_TRUE(chain.insert(s).second) << "the guide chain comes back to site " << s;
    const int32_t hint = b.Sites.at(static_cast<size_t>(s - 1)).Hint;
    EXPECT_NE(hint, 0) << "guide site " << b.Sites.at(static_cast<size_t>(s - 1)).Name << " names no hint";
    if (hint != 0) chainHints.insert(hint);
  }
  EXPECT_GE(chain.size(), 10u);
  auto hintAt = [&](int32_t Ref) -> const THintDef& { return b.HintList.at(static_cast<size_t>(Ref - 1)); };
  bool deepTree = false;
  for (const int32_t h : chainHints) {
    for (const int32_t sub : hintAt(h).SubHints) {
      if (sub > 0 && hintAt(sub).SubHints[0] != 0) deepTree = true;
    }
  }
  EXPECT_TRUE(deepTree) << "a guide hint with sub-hints that have sub-hints";

  // At least twelve achievements, some with parents and prerequisites; every achievement without
  // children gets progress from a scene or counts a prop.
  EXPECT_GE(b.AchievementList.size(), 12u);
  std::set<int32_t> parents, fed;
  int prerequisites = 0;
  for (const TAchievementDef& a : b.AchievementList) {
    if (a.Parent != 0) parents.insert(a.Parent);
    if (a.Prerequisite != 0) ++prerequisites;
  }
  for (const TSiteDef& s : b.Sites) {
    for (const TSceneDef& c : s.Scenes) {
      if (c.Achievement != 0) fed.insert(c.Achievement);
    }
  }
  EXPECT_GE(parents.size(), 2u);
  EXPECT_GE(prerequisites, 2);
  for (int32_t a = 1; a <= static_cast<int32_t>(b.AchievementList.size()); ++a) {
    const TAchievementDef& def = b.AchievementList[static_cast<size_t>(a - 1)];
    EXPECT_TRUE(parents.count(a) != 0 || fed.count(a) != 0 || def.Prop != 0) << "achievement " << def.Name;
  }
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
  for (const THintDef& h : b.HintList) {
    if (!h.RouteOnly) needed.insert("HintLegendH" + std::to_string(h.Number));
  }
  for (const TAchievementDef& a : b.AchievementList) needed.insert("AchievementLegendH" + std::to_string(a.Number));

  const std::set<std::string> english = Keys(ScriptTexts("English", "T1ScriptScenario"));
  for (const std::string& key : needed) EXPECT_EQ(english.count(key), 1u) << "English lacks " << key;
  const std::set<std::string> common = Keys(ScriptTexts("English", "T1ScriptCommon"));
  EXPECT_GE(common.size(), 40u);
  for (const char* language : {"German", "Russian"}) {
    EXPECT_EQ(Keys(ScriptTexts(language, "T1ScriptScenario")), english) << language;
    EXPECT_EQ(Keys(ScriptTexts(language, "T1ScriptCommon")), common) << language;
  }
}

// German and Russian are real translations held in their own code pages (1252 and 1251): the
// language folder names the code page, every character of both scripts exists in it, the
// language's own letters are used, and the texts are not the English ones.
TEST(DemoStory, TranslationsFitTheirCodePages) {
  struct TLanguage {
    const char* Name;
    int32_t CodePage;
    std::regex OwnLetters;
  };
  const TLanguage languages[] = {{"German", 1252, std::regex("\xC3[\x84\x96\x9C\xA4\xB6\xBC\x9F]")},
                                 {"Russian", 1251, std::regex("\xD0[\x90-\xBF]|\xD1[\x80-\x8F]")}};
  for (const TLanguage& language : languages) {
    SCOPED_TRACE(language.Name);
    EXPECT_EQ(CodePageFromFontDescription(
                  test::ReadFile((Content / "Languages" / language.Name / "T2FontCustom.txt").string())),
              language.CodePage);
    for (const char* script : {"T1ScriptCommon", "T1ScriptScenario"}) {
      SCOPED_TRACE(script);
      const std::map<std::string, std::string> english = ScriptTexts("English", script);
      const std::map<std::string, std::string> texts = ScriptTexts(language.Name, script);
      ASSERT_FALSE(texts.empty());
      FreeTexts();
      SetCodePage(language.CodePage);
      LoadScript(test::ReadFile((Content / "Languages" / language.Name / (std::string(script) + ".xml")).string()),
                 std::string(script) == "T1ScriptScenario", false);
      size_t own = 0, same = 0;
      for (const auto& [key, raw] : texts) {
        // A character the code page lacks becomes "?": the held text has no more of them than the source.
        const std::string held = GetText(key);
        EXPECT_EQ(std::count(held.begin(), held.end(), '?'), std::count(raw.begin(), raw.end(), '?')) << key;
        if (std::regex_search(raw, language.OwnLetters)) ++own;
        const auto it = english.find(key);
        if (it != english.end() && it->second == raw) ++same;
      }
      // Names such as "Tolvaren" or "OK" may stay as they are, but most texts are translated.
      EXPECT_GE(own * 4, texts.size()) << "too few texts use the language's own letters";
      EXPECT_LE(same * 10, texts.size()) << "too many texts are the English ones";
      FreeTexts();
      ResetLocalization();
      SetCodePage(1252);
    }
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
