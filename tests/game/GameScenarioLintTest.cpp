// The scenario linter: what it reports, where, and that the demo story is clean.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "authoring/GameScenarioLint.h"
#include "engine/EngineScript.h"
#include "game/DemoStory.h"
#include "game/GameSite.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

struct TLint {
  TScenarioCompileResult Compiled;
  std::vector<TScenarioDiagnostic> Found;
  std::string Text() const {
    std::string out;
    for (const TScenarioDiagnostic& d : Found) out += d.Format() + "\n";
    return out;
  }
  bool Has(const std::string& Part) const { return Text().find(Part) != std::string::npos; }
  size_t Errors() const {
    return static_cast<size_t>(std::count_if(Found.begin(), Found.end(), [](const TScenarioDiagnostic& d) {
      return d.Severity == TScenarioDiagnostic::TSeverity::Error;
    }));
  }
};

TLint Lint(const std::string& Source, const TScenarioLintOptions& Options = {}) {
  TLint r;
  r.Compiled = CompileScenarioSources({{"s.tvs", Source}});
  EXPECT_TRUE(r.Compiled.Ok) << Source;
  r.Found = LintScenario(r.Compiled.Scenario, &r.Compiled.Places, "s.dat", Options);
  return r;
}

// A small story that is fine as it is; the tests below break one thing at a time.
const std::string Base = R"(start-region Town
menu-region Town
guide-start Gate
prop Coin initial 2
prop Key Item
region Town 1 {
  site Gate 10 { hint GoHome; next-guide Home; scene 100 Text }
  site Shop 11 { needs-visited Gate; keep-after-visit; scene 110 Barter 1 repeatable { trade Coin 1 for Key 1 } }
  site Home 12 {
    needs Key 1
    hint GoHome
    ending
    scene 120 Requirements 1 { need Key 1 }
    scene 121 Rewards 1 { gain Coin 1; achievement Done 1 }
  }
}
hint GoHome 500 { goal Key }
achievement Done 600 target 1
)";

std::string With(const std::string& From, const std::string& To) {
  std::string text = Base;
  const size_t at = text.find(From);
  EXPECT_NE(at, std::string::npos) << From;
  return text.replace(at, From.size(), To);
}

TEST(ScenarioLint, AGoodStoryHasNoProblems) {
  const TLint r = Lint(Base);
  EXPECT_TRUE(r.Found.empty()) << r.Text();
}

// Records that the source format cannot express (or that a careless author writes) reach the
// rules the other tests never trigger: each change to the good story's records brings exactly
// the message expected, at the place expected.
TEST(ScenarioLint, RulesForRecordsTheSourceCannotWrite) {
  const TScenarioCompileResult good = CompileScenarioSources({{"s.tvs", Base}});
  ASSERT_TRUE(good.Ok);
  // Sites: 1 Gate, 2 Shop, 3 Home; Shop's barter is scene 1 of site 2, Home's scenes 1 and 2.
  struct TCase {
    const char* Expected;
    std::function<void(TScenarioBuilder&)> Change;
  };
  const std::vector<TCase> cases = {
      {"error: site 2 \"Shop\" (number 11): belongs to no region", [](TScenarioBuilder& b) { b.Sites[1].Region = 0; }},
      {"error: scenario: no start region", [](TScenarioBuilder& b) { b.StartRegion = 0; }},
      {"warning: scenario: no menu region", [](TScenarioBuilder& b) { b.MenuRegion = 0; }},
      {"warning: scenario: no guide start", [](TScenarioBuilder& b) { b.GuideStart = 0; }},
      {"error: scenario: a site unlocks the map button",
       [](TScenarioBuilder& b) { b.Sites[0].Special = SpecialUnlockMap; }},
      {"warning: scenario: there is a map region, but no site unlocks", [](TScenarioBuilder& b) { b.MapRegion = 1; }},
      {"error: scenario: no site is an ending", [](TScenarioBuilder& b) { b.Sites[2].Ending = false; }},
      {"warning: site 1 \"Gate\" (number 10): special code 4242 means nothing to the game",
       [](TScenarioBuilder& b) { b.Sites[0].Special = 4242; }},
      {"warning: site 1 \"Gate\" (number 10): special way-back shows the way-back icon only",
       [](TScenarioBuilder& b) { b.Sites[0].Special = SpecialWayBack; }},
      {"warning: site 1 \"Gate\" (number 10): special music-everywhere needs region-music",
       [](TScenarioBuilder& b) { b.Sites[0].Special = SpecialMusicEverywhere; }},
      {"warning: site 1 \"Gate\" (number 10): its reveal sets bits after the last map tile",
       [](TScenarioBuilder& b) { b.Sites[0].RevealTile(RevealTileBytes * 8 - 1); }},
      {"warning: site 3 \"Home\" (number 12): an ending with a destination",
       [](TScenarioBuilder& b) { b.Sites[2].Destination = 1; }},
      // Under the inventory icon, shown (slid in) or hidden; under the map icon at the top left.
      {"warning: site 1 \"Gate\" (number 10): its marker at (-720, 420) lies under a corner icon",
       [](TScenarioBuilder& b) { b.Sites[0].X = -720, b.Sites[0].Y = 420; }},
      {"warning: site 1 \"Gate\" (number 10): its marker at (-781, 441) lies under a corner icon",
       [](TScenarioBuilder& b) { b.Sites[0].X = -781, b.Sites[0].Y = 441; }},
      {"warning: site 2 \"Shop\" (number 11): its marker at (-700, -340) lies under a corner icon",
       [](TScenarioBuilder& b) { b.Sites[1].X = -700, b.Sites[1].Y = -340; }},
      {"is not a scene kind (0 to 39)", [](TScenarioBuilder& b) { b.Sites[2].Scenes[0].Kind = 77; }},
      {"trade 1 has a prop on one side only", [](TScenarioBuilder& b) { b.Sites[1].Scenes[0].Right[0].Prop = 0; }},
      {"trade 1 exchanges a non-positive amount",
       [](TScenarioBuilder& b) { b.Sites[1].Scenes[0].Right[0].Amount = 0; }},
      {"can never play: the \"Text stop\" scene before it can only be declined",
       [](TScenarioBuilder& b) { b.Sites[2].Scenes[0].Kind = SceneKinds::TextStop; }},
      {"warning: site 1 \"Gate\" (number 10): is on the guide chain but has no hint",
       [](TScenarioBuilder& b) { b.Sites[0].Hint = 0; }},
  };
  for (const TCase& c : cases) {
    TScenarioBuilder changed = good.Scenario;
    c.Change(changed);
    std::string text;
    for (const TScenarioDiagnostic& d : LintScenario(changed, nullptr, "s.dat", {})) text += d.Format() + "\n";
    EXPECT_NE(text.find(c.Expected), std::string::npos) << "expected: " << c.Expected << "\ngot:\n" << text;
  }
}

TEST(ScenarioLint, ASiteBesideACornerIconIsFine) {
  // Clear of the shown inventory icon by a pixel across, or up; and a site in the middle of an edge.
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{-680, 420}, {-720, 330}, {0, 430}, {780, 0}}) {
    const TLint r =
        Lint(With("site Gate 10 {", "site Gate 10 {\n    at " + std::to_string(x) + " " + std::to_string(y)));
    EXPECT_FALSE(r.Has("corner icon")) << x << " " << y << "\n" << r.Text();
  }
}

TEST(ScenarioLint, FindsWhatCanNeverHappen) {
  // Keys are only bought with coins; needing more than can ever be had closes the ending.
  TLint r = Lint(With("scene 120 Requirements 1 { need Key 1 }", "scene 120 Requirements 1 { need Coin 50 }"));
  EXPECT_TRUE(r.Has("s.tvs:13: error: scene 120 of site Home: its requirements can never be met: it needs 50 Coin"))
      << r.Text();
  EXPECT_TRUE(r.Has("no ending can ever be completed")) << r.Text();
  EXPECT_TRUE(r.Has("achievement Done: can never be earned")) << r.Text();

  r = Lint(With("needs Key 1", "needs Key 1\n    needs-visited Nowhere") + "region Far 2 { site Nowhere 20 }\n");
  EXPECT_TRUE(r.Has("region Far: can never be reached: it is not the start, not the map, and no site leads here"))
      << r.Text();
  EXPECT_TRUE(r.Has("site Home: can never be revealed: it needs Nowhere completed, which never happens")) << r.Text();

  r = Lint(With("trade Coin 1 for Key 1", "trade Coin 1 for Coin 1"));
  EXPECT_TRUE(r.Has("site Home: can never be revealed: it needs 1 Key, but nothing gives it")) << r.Text();

  r = Lint(With("scene 100 Text", "scene 100 Text stop; scene 101 Text"));
  EXPECT_TRUE(r.Has("scene 101 of site Gate: can never play: the \"Text stop\" scene before it")) << r.Text();
  EXPECT_TRUE(r.Has("site Shop: can never be revealed: it needs Gate completed")) << r.Text();

  // What a barter gives counts, as far as what it takes allows: two coins buy two keys at most.
  r = Lint(With("needs Key 1", "needs Key 2"));
  EXPECT_TRUE(r.Found.empty()) << r.Text();
  r = Lint(With("scene 110 Barter 1 repeatable", "scene 110 Barter 1") + "");
  EXPECT_TRUE(r.Found.empty()) << r.Text();
  r = Lint(
      With("needs Key 1", "needs Key 3").replace(Base.find("scene 110 Barter 1 repeatable"), 29, "scene 110 Barter 1"));
  EXPECT_TRUE(r.Has("site Home: can never be revealed: it needs 3 Key, but at most 2 can be had")) << r.Text();

  // Scenes after one that leaves the site wait for a visit that a closing site may never get.
  r = Lint(With("scene 100 Text", "disappears-after Shop; scene 100 Text leaves-site; scene 101 Text"));
  EXPECT_TRUE(r.Has("warning: scene 101 of site Gate: plays on a later visit only if the hero comes back before Shop"))
      << r.Text();
}

TEST(ScenarioLint, FindsLoopsNumbersAndMissingEntryPoints) {
  TLint r = Lint(Base +
                 "achievement A 601 target 1 parent B\nachievement B 602 target 1 parent A\n"
                 "hint H1 501 { sub H2 0 }\nhint H2 502 { sub H1 0 }\n");
  EXPECT_TRUE(r.Has("achievement A: its parent chain leads back to itself")) << r.Text();
  EXPECT_TRUE(r.Has("hint H1: can reach itself through sub-hints")) << r.Text();

  r = Lint(With("site Home 12 {", "site Home 12 {\n    next-guide Gate"));
  EXPECT_TRUE(r.Has("the guide chain comes back to this site")) << r.Text();

  r = Lint(With("start-region Town", "start-region none").replace(0, 0, ""));
  EXPECT_TRUE(r.Has("error: scenario: no start region")) << r.Text();
  r = Lint(With("ending", "special unlock-map"));
  EXPECT_TRUE(r.Has("no site is an ending")) << r.Text();
  EXPECT_TRUE(r.Has("unlocks the map button (special unlock-map), but there is no map region")) << r.Text();

  // The compiler refuses duplicate site numbers; a file made some other way is read as it is.
  TScenarioBuilder b = r.Compiled.Scenario;
  b.Sites[1].Number = 10;
  b.AchievementList.push_back(b.AchievementList[0]);
  b.Sites[2].Scenes[1].Number = 100;
  const std::vector<TScenarioDiagnostic> found = LintScenario(b, nullptr, "S0.dat", {});
  std::string text;
  for (const TScenarioDiagnostic& d : found) text += d.Format() + "\n";
  EXPECT_NE(text.find("S0.dat: error: site 2 \"Shop\" (number 10): the site number 10 is also used by site 1 \"Gate\" "
                      "(number 10); saved games find sites by number alone"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("achievement 2 \"Done\": the achievement number 600 is also used"), std::string::npos) << text;
  EXPECT_NE(text.find("warning: scene 100 of site 3 \"Home\" (number 12): the scene number 100 is also used by scene "
                      "100 of site 1"),
            std::string::npos)
      << text;

  b.Sites[0].Hint = 9;
  const std::vector<TScenarioDiagnostic> broken = LintScenario(b, nullptr, "S0.dat", {});
  ASSERT_EQ(broken.size(), 1u) << "references beyond the lists stop the rest";
  EXPECT_EQ(broken[0].Format(),
            "S0.dat: error: site 1 \"Gate\" (number 10): Hint refers to hint 9, but there are only 1");
}

TEST(ScenarioLint, FindsUnusedThingsAndOddSlots) {
  const TLint r =
      Lint(Base +
           "prop Spare\nhint Lonely 503\nachievement Idle 603 target 2\npool { picture G2Unused }\n"
           "region Town2 3 { site Odd 30 { scene 300 Barter 2 { trade Coin 1 for none 0; right5 Key 1 } } }\n");
  EXPECT_TRUE(r.Has("warning: prop Spare: is never needed, given, taken, traded or counted")) << r.Text();
  EXPECT_TRUE(r.Has("warning: hint Lonely: no site and no other hint leads to it")) << r.Text();
  EXPECT_TRUE(r.Has("warning: picture G2Unused: is listed in the pool, but nothing uses it")) << r.Text();
  EXPECT_TRUE(r.Has("warning: achievement Idle: nothing adds progress to it")) << r.Text();
  EXPECT_TRUE(r.Has("scene 300 of site Odd: right slot 5 is filled, but \"Barter 2\" has 2; the game ignores it"))
      << r.Text();
  EXPECT_TRUE(r.Has("scene 300 of site Odd: trade 1 has a prop on one side only")) << r.Text();
  EXPECT_TRUE(r.Has("region Town2: can never be reached")) << r.Text();
}

TEST(ScenarioLint, FindsMissingTextsAndAssets) {
  TScenarioLintOptions options;
  options.Texts.push_back({"en.xml", {"SceneLegendH120", "HintLegendH500", "Cap"}});
  TLint r =
      Lint(With("scene 100 Text", "caption Cap; scene 100 Text; scene 101 Floating text; scene 102 Illustration") +
               "hint Route 502 { route-only }\n",
           options);
  EXPECT_TRUE(r.Has("s.tvs:7: error: scene 100 of site Gate: its text SceneLegendH100 has no text in en.xml"))
      << r.Text();
  EXPECT_TRUE(r.Has("warning: scene 101 of site Gate: a \"Floating text\" without its text SceneLegendH101"))
      << r.Text();
  EXPECT_FALSE(r.Has("SceneLegendH102")) << "illustrations show no text";
  EXPECT_FALSE(r.Has("SceneLegendH120")) << r.Text();
  EXPECT_FALSE(r.Has("HintLegendH502")) << "a route-only hint is never shown";
  EXPECT_TRUE(r.Has("achievement Done: its text AchievementLegendH600 has no text")) << r.Text();

  test::TTempDir data;
  test::MakeDirs(data / "Ordinary");
  test::WriteFile(data / "Ordinary/G2There.png", "");
  test::WriteFile(data / "Ordinary/K8Sea.ogg", "");
  test::WriteFile(data / "Ordinary/G7Smoke.png", "");
  options = {};
  options.DataFolder = data.Path();
  r = Lint(With("scene 100 Text", "scene 100 Text { illustration G2There; sound K8Sea; music J9Gone }") +
               "region R2 5 { picture G2Gone; plot G7Smoke at 0 0 }\n",
           options);
  EXPECT_FALSE(r.Has("G2There")) << r.Text();
  EXPECT_FALSE(r.Has("K8Sea")) << r.Text();
  EXPECT_TRUE(r.Has("sound J9Gone: no file J9Gone (.wav or .ogg)")) << r.Text();
  EXPECT_TRUE(r.Has("picture G2Gone: no file G2Gone")) << r.Text();
  EXPECT_TRUE(r.Has("figure G7Smoke: no file G7Smoke (.emt (a figure whose second character is 7")) << r.Text();
}

std::set<std::string> ScriptKeys(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  FreeTexts();
  LoadScript(bytes.str(), true, false);
  std::set<std::string> keys;
  for (TItem* item = TextTable().First(); item != nullptr; item = item->GetNext()) {
    keys.insert(static_cast<TScriptNode*>(item)->Name);
  }
  FreeTexts();
  return keys;
}

TEST(ScenarioLint, TheDemoStoryIsClean) {
  const fs::path content = fs::path(TV_SOURCE_DIR) / "content";
  const TScenarioCompileResult story = CompileScenarioSources(test::DemoStorySources());
  ASSERT_TRUE(story.Ok);
  TScenarioLintOptions options;
  for (const char* language : {"English", "German", "Russian"}) {
    const fs::path script = content / "Languages" / language / "T1ScriptScenario.xml";
    options.Texts.push_back({script.string(), ScriptKeys(script)});
  }
  for (const TScenarioDiagnostic& d : LintScenario(story.Scenario, &story.Places, "S0Scenario.dat", options)) {
    ADD_FAILURE() << d.Format();
  }
}

}  // namespace
}  // namespace tv
