// The scenario source format: compiling, the messages for broken sources, and the round trip
// through the decompiler.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "authoring/GameScenarioSource.h"
#include "base/EngineClasses.h"

namespace tv {
namespace {

TScenarioCompileResult Compile(const std::string& Text, const std::string& Path = "story.tvs") {
  return CompileScenarioSources({{Path, Text}});
}

std::string Errors(const TScenarioCompileResult& Result) {
  std::string out;
  for (const TScenarioDiagnostic& d : Result.Diagnostics) out += d.Format() + "\n";
  return out;
}

std::string Grid(const std::vector<std::string>& Rows) {
  std::string out;
  for (const std::string& row : Rows) out += "    " + row + "\n";
  return out;
}

std::vector<std::string> Rows(char Fill, size_t Count = 15) {
  return std::vector<std::string>(Count, std::string(13, Fill));
}

const char* const SmallStory = R"(# A village with a bakery and a well.
start-region Village
menu-region Village
map-region Village
guide-start Bakery

legend {
  g T3Grass
  ~ none W3Sea
}

prop Coin Property initial 5 caption PropCoin picture G2Props frame 1
prop Bread 40 Item caption PropBread single-unit
prop Luck { kind Skill }

region Village 1 {
  caption RegionVillage
  music J9Village
  legend { b T3Sand W3Shallow }
  tiles {
TILES  }
  plot F2Tree at 10 -20.5 group Trees layer upper hidden param 3 4 sound K8Wind byte 7
  site Bakery 101 {
    at -100 50
    caption SiteBakery
    keep-after-visit mark-until-visited
    special unlock-inventory
    hint GetBread
    next-guide Well
    scene 1001 Text
    scene 1002 Barter 2 {
      trade Coin 2 for Bread 1
      trade2 Coin 5 for Luck 1
      duration 1.5
      toggle Trees
    }
    scene Rewards 2 { gain Coin 3; gain Bread 1; achievement Baker 2 }
  }
  site Well {
    at 100 50
    needs-visited Bakery
    needs2 Bread 1
    special 446
    ending enter-on-reveal
    reveal {
REVEAL    }
    scene Requirements 1 leaves-site { need Bread 1 }
  }
}
hint GetBread 501 { goal Bread; sub MoreCoin 0; sub3 MoreCoin -2; route-only }
hint MoreCoin { goal Coin show-need outside-region Village }
achievement Baker 701 target 3 prop Bread caption AchBaker
achievement Master target 1 parent Baker prerequisite Baker hidden value 9
)";

std::string SmallStoryText() {
  std::string text = SmallStory;
  std::vector<std::string> tiles = Rows('g');
  tiles[14] = "gggggg~~~~~bb";
  std::vector<std::string> reveal = Rows('.');
  reveal[1] = "..xxx........";
  reveal[14] = "............x";
  text.replace(text.find("TILES"), 5, Grid(tiles));
  text.replace(text.find("REVEAL"), 6, Grid(reveal));
  return text;
}

TEST(ScenarioSource, CompilesEveryKindOfObjectByName) {
  const TScenarioCompileResult r = Compile(SmallStoryText());
  ASSERT_TRUE(r.Ok) << Errors(r);
  const TScenarioBuilder& b = r.Scenario;

  // Assets are listed in the order the source first names them.
  const auto& pictures = b.Pool[static_cast<size_t>(TPoolClass::Picture)];
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0], "G2Props");
  const auto& captions = b.Pool[static_cast<size_t>(TPoolClass::Caption)];
  EXPECT_EQ(captions, (std::vector<std::string>{"PropCoin", "PropBread", "RegionVillage", "SiteBakery", "AchBaker"}));
  EXPECT_EQ(b.Pool[static_cast<size_t>(TPoolClass::Terrain)], (std::vector<std::string>{"T3Grass", "T3Sand"}));
  EXPECT_EQ(b.Pool[static_cast<size_t>(TPoolClass::Water)], (std::vector<std::string>{"W3Sea", "W3Shallow"}));

  ASSERT_EQ(b.Props.size(), 3u);
  EXPECT_EQ(b.Props[0].Kind, 0);
  EXPECT_EQ(b.Props[0].InitialAmount, 5);
  EXPECT_EQ(b.Props[0].Frame, 1);
  EXPECT_EQ(b.Props[0].Picture, 1);
  EXPECT_EQ(b.Props[1].Number, 40);
  EXPECT_EQ(b.Props[1].Kind, 4);
  EXPECT_TRUE(b.Props[1].SingleUnit);
  EXPECT_EQ(b.Props[2].Kind, 2);
  EXPECT_EQ(b.Props[0].Number, 41) << "numbers left out continue after the highest given";

  const TRegionDef& village = b.RegionList[0];
  EXPECT_EQ(village.Caption, 3);
  EXPECT_EQ(village.InitialMusic, 1);
  EXPECT_EQ(village.Tiles[0][0], 1);
  EXPECT_EQ(village.Tiles[0][1], 0);
  EXPECT_EQ(village.Tiles[14 * 13 + 6][0], 0);
  EXPECT_EQ(village.Tiles[14 * 13 + 6][1], 1);
  EXPECT_EQ(village.Tiles[14 * 13 + 12][0], 2);
  EXPECT_EQ(village.Tiles[14 * 13 + 12][1], 2);
  ASSERT_EQ(village.Plots.size(), 1u);
  const TPlotDef& plot = village.Plots[0];
  EXPECT_FLOAT_EQ(plot.Y, -20.5f);
  EXPECT_EQ(plot.Layer, 1);
  EXPECT_FALSE(plot.Visible);
  EXPECT_EQ(plot.ParamB, 4);
  EXPECT_EQ(plot.ByteA, 7);
  EXPECT_EQ(plot.Group, 1);
  EXPECT_EQ(b.Pool[static_cast<size_t>(TPoolClass::Sound)][static_cast<size_t>(plot.Sound - 1)], "K8Wind");

  ASSERT_EQ(b.Sites.size(), 2u);
  const TSiteDef& bakery = b.Sites[0];
  const TSiteDef& well = b.Sites[1];
  EXPECT_EQ(bakery.Special, 2);
  EXPECT_TRUE(bakery.KeepAfterVisit && bakery.MarkUntilVisited);
  EXPECT_EQ(bakery.Hint, 1);
  EXPECT_EQ(bakery.NextGuide, 2);
  EXPECT_EQ(well.Number, 102);
  EXPECT_EQ(well.Special, 446);
  EXPECT_EQ(well.NeedsVisited[0], 1);
  EXPECT_EQ(well.Needs[0].Prop, 0) << "needs2 fills the second slot";
  EXPECT_EQ(well.Needs[1].Prop, 2);
  EXPECT_TRUE(well.RevealsTile(15) && well.RevealsTile(16) && well.RevealsTile(17) && well.RevealsTile(194));
  EXPECT_FALSE(well.RevealsTile(14) || well.RevealsTile(18));
  EXPECT_TRUE(well.Ending && well.EnterOnReveal);

  ASSERT_EQ(bakery.Scenes.size(), 3u);
  const TSceneDef& barter = bakery.Scenes[1];
  EXPECT_EQ(barter.Kind, SceneKinds::Barter(2));
  EXPECT_EQ(barter.Left[0].Prop, 1);
  EXPECT_EQ(barter.Left[0].Amount, 2);
  EXPECT_EQ(barter.Right[0].Prop, 2);
  EXPECT_EQ(barter.Right[1].Prop, 3);
  EXPECT_FLOAT_EQ(barter.Duration, 1.5f);
  EXPECT_EQ(barter.Groups[0], 1);
  EXPECT_EQ(bakery.Scenes[2].Number, 1003);
  EXPECT_EQ(bakery.Scenes[2].Achievement, 1);
  EXPECT_EQ(bakery.Scenes[2].AchievementAmount, 2);
  EXPECT_EQ(well.Scenes[0].Number, 1004);
  EXPECT_TRUE(well.Scenes[0].LeavesSite);

  const THintDef& get = b.HintList[0];
  EXPECT_EQ(get.SubHints[0], 2);
  EXPECT_EQ(get.SubHints[1], 0);
  EXPECT_EQ(get.SubHints[2], 2);
  EXPECT_EQ(get.SubAmounts[2], -2);
  EXPECT_TRUE(get.RouteOnly);
  EXPECT_EQ(b.HintList[1].Number, 502);
  EXPECT_EQ(b.HintList[1].OutsideRegion, 1);
  EXPECT_EQ(b.AchievementList[1].Parent, 1);
  EXPECT_EQ(b.AchievementList[1].Number, 702);
  EXPECT_TRUE(b.AchievementList[1].Hidden);

  EXPECT_EQ(b.StartRegion, 1);
  EXPECT_EQ(b.GuideStart, 1);
  EXPECT_EQ(b.NextNumber, 1004) << "the highest number used";
  EXPECT_EQ(r.Places.Sites[1].Line, 54);
}

TEST(ScenarioSource, NumbersAndNamesSpecialCases) {
  // Numbers left out skip those taken; quoted names may be anything; a stored name may differ
  // from the source's identifier; negative references stay as they are.
  const TScenarioCompileResult r = Compile(R"(
start-region A
next-number 7
region A 3 { name "A region" }
region B
region C 4
prop "12" initial -3
prop "none"
region D { site S1 5 { destination -1 }; site S2 { scene None; scene 9 None } }
)");
  ASSERT_TRUE(r.Ok) << Errors(r);
  const TScenarioBuilder& b = r.Scenario;
  EXPECT_EQ(b.RegionList[0].Name, "A region");
  EXPECT_EQ(b.RegionList[1].Number, 5);
  EXPECT_EQ(b.RegionList[3].Number, 6);
  EXPECT_EQ(b.Props[0].Name, "12");
  EXPECT_EQ(b.Props[1].Name, "none");
  EXPECT_EQ(b.Sites[0].Destination, -1);
  EXPECT_EQ(b.Sites[1].Number, 6);
  EXPECT_EQ(b.Sites[1].Scenes[0].Number, 10);
  EXPECT_EQ(b.NextNumber, 7) << "an explicit next-number is kept";
}

struct TBroken {
  std::string Source;
  int Line;
  const char* Expected;  // a part of the message
};

TEST(ScenarioSource, BrokenSourcesGiveClearMessages) {
  const std::string grid = Grid(Rows('.'));
  const std::string shortGrid = Grid(Rows('.', 14));
  const std::vector<TBroken> cases = {
      {"start-region R\nregion R { site S { needs Coins 1 } }\nprop Coin\n", 2,
       "no prop is named \"Coins\"; did you mean \"Coin\"?"},
      {"start-region R\nregion R { site S {\n needs-visited Coin } }\nprop Coin\n", 3,
       "\"Coin\" is a prop (story.tvs:4), but a site is expected here"},
      {"start-region R\nregion R {\n  tiles {\n" + shortGrid + "  }\n}\n", 3, "has 14 rows; a map has 15 rows of 13"},
      {"start-region R\nregion R {\n  tiles {\n" + grid.substr(0, grid.size() - 2) + "x\n  }\n}\n", 0,
       "no legend explains"},
      {"start-region R\nregion R { site S {\n kep-after-visit } }\n", 3, "did you mean \"keep-after-visit\"?"},
      {"start-region R\nregion R { site S {\n scene Bartr 2 } }\n", 3, "did you mean \"Barter 2\"?"},
      {"start-region R\nregion R { site S { scene Requirements 1 {\n need A 1\n need A 2 } } }\nprop A\n", 4,
       "use \"Requirements 2\""},
      {"start-region R\nregion R { site S { scene Rewards 1 {\n need A 1 } } }\nprop A\n", 3,
       "\"need\" belongs in requirement scenes"},
      {"start-region R\nregion R { site S {\n special unlock-mapp } }\n", 3, "did you mean \"unlock-map\"?"},
      {"start-region R\nregion R { site S 1 }\nregion Q {\n site T 1 }\n", 4,
       "site number 1 is already used by site S"},
      {"start-region R\nregion R\nregion R\n", 3, "already used by the region at story.tvs:2"},
      {"region R\n", 0, "no start-region"},
      {"start-region R\nregion R {\n site S {\n", 2, "never closed"},
      {"start-region R\nregion R }\n", 2, "closes no block"},
      {"start-region R\nregion R { site S { at 1 } }\n", 2, "\"at\" expects the site's y"},
      {"start-region R\nregion R { site S { icon x } }\n", 2, "expects the frame of the site icons (a whole number"},
      {"start-region R\nregion R { site S { scene Barter 1 {\n trade A 1 B 1 } } }\nprop A\nprop B\n", 3,
       "\"for\" is missing"},
      {"start-region R\nregion R { site S { caption 5 } }\n", 2, "quote a name that is a number"},
      {"start-region R\nregion R { site S { destination R2 } }\n", 2, "no region is named \"R2\""},
      {"start-region R\nprop P \"unclosed\n", 2, "the string is not closed"},
  };
  for (const TBroken& c : cases) {
    const TScenarioCompileResult r = Compile(c.Source);
    const std::string errors = Errors(r);
    EXPECT_FALSE(r.Ok) << c.Source;
    EXPECT_NE(errors.find(c.Expected), std::string::npos) << "expected: " << c.Expected << "\ngot:\n" << errors;
    const std::string place = "story.tvs:" + std::to_string(c.Line) + ": error:";
    if (c.Line > 0) {
      EXPECT_NE(errors.find(place), std::string::npos) << place << "\ngot:\n" << errors;
    }
  }
}

TEST(ScenarioSource, ReportsEveryErrorAndKeepsGoing) {
  const TScenarioCompileResult r = Compile(
      "start-region R\nregion R {\n  site A { bogus }\n  site B { icon q }\n}\n"
      "prop P { kind Gadget }\nwhatever\n");
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Diagnostics.size(), 4u) << Errors(r);
  EXPECT_EQ(r.Scenario.Sites.size(), 2u);
}

TEST(ScenarioSource, ABlockInTheWrongPlaceIsSkippedWholeAndReadingGoesOnAfterIt) {
  // Each misplaced block holds nested blocks and objects: all of it is passed over (nothing in it
  // is made, no brace is left over to confuse what follows), and the objects after it compile.
  const TScenarioCompileResult r = Compile(
      "start-region R\n"
      "region R {\n"
      "  site A 1 {\n"
      "    keep-after-visit { site Hidden 7 { keep-after-visit } }\n"
      "  }\n"
      "  { site Orphan 8 { } }\n"
      "  site B 2\n"
      "}\n"
      "\"quoted\" { region Lost { site C 3 { } } }\n"
      "region Q {\n"
      "  site D 4\n"
      "}\n");
  const std::string errors = Errors(r);
  EXPECT_FALSE(r.Ok);
  ASSERT_EQ(r.Diagnostics.size(), 3u) << errors;
  EXPECT_NE(errors.find("story.tvs:4: error:"), std::string::npos) << errors;
  EXPECT_NE(errors.find("takes no { } block"), std::string::npos) << errors;
  EXPECT_NE(errors.find("story.tvs:6: error:"), std::string::npos) << errors;
  EXPECT_NE(errors.find("a { } block needs a statement in front of it"), std::string::npos) << errors;
  EXPECT_NE(errors.find("story.tvs:9: error:"), std::string::npos) << errors;
  EXPECT_NE(errors.find("a statement starts with a keyword, not a quoted string"), std::string::npos) << errors;
  ASSERT_EQ(r.Scenario.RegionList.size(), 2u);
  std::vector<std::string> sites;
  for (const auto& site : r.Scenario.Sites) sites.push_back(site.Name);
  EXPECT_EQ(sites, (std::vector<std::string>{"A", "B", "D"}));
}

TEST(ScenarioSource, SourceNamesAndFloatsReadBack) {
  for (const std::string name : {"Dock", "none", "12", "-x", "a b", "", "quo\"te", "back\\slash", "\xC3\xA9t\xC3\xA9",
                                 "tab\there", "inf", "nan", "_x.y-z"}) {
    const std::string text = "start-region R\nregion R\nprop " + ScenarioSourceName(name) + "\n";
    const TScenarioCompileResult r = Compile(text);
    ASSERT_TRUE(r.Ok) << text << Errors(r);
    EXPECT_EQ(r.Scenario.Props[0].Name, name);
  }
  EXPECT_EQ(ScenarioSourceName("Dock"), "Dock");
  EXPECT_EQ(ScenarioSourceName("none"), "\"none\"");
  uint32_t nanBits = 0x7FC00123;
  float nan = 0;
  std::memcpy(&nan, &nanBits, 4);
  for (const float v : {0.0f, -0.0f, 1.5f, -3.25f, 1e-30f, 3.4e38f, 0.1f, nan, INFINITY, -INFINITY}) {
    const std::string text = "start-region R\nregion R { site S { at " + ScenarioSourceFloat(v) + " 0 } }\n";
    const TScenarioCompileResult r = Compile(text);
    ASSERT_TRUE(r.Ok) << text << Errors(r);
    EXPECT_EQ(std::memcmp(&r.Scenario.Sites[0].X, &v, 4), 0) << ScenarioSourceFloat(v);
  }
}

// ---- Round trips ----------------------------------------------------------------------------

void ExpectRoundTrip(const TScenarioBuilder& Scenario, const std::string& What) {
  const std::string bytes = Scenario.Build();
  const TScenarioBuilder read = ReadScenarioRecords(bytes, What);
  ASSERT_EQ(read.Build(), bytes) << What << ": reading the records back";
  const std::string text = DecompileScenario(read, What);
  const TScenarioCompileResult back = Compile(text, "decompiled.tvs");
  ASSERT_TRUE(back.Ok) << What << "\n" << Errors(back) << text;
  ASSERT_EQ(back.Scenario.Build(), bytes) << What << "\n" << text;
  // Decompiling is stable: the source of the compiled source is the same text.
  EXPECT_EQ(DecompileScenario(back.Scenario, What), text);
}

TEST(ScenarioSource, RoundTripOfCompiledSource) {
  const TScenarioCompileResult r = Compile(SmallStoryText());
  ASSERT_TRUE(r.Ok) << Errors(r);
  ExpectRoundTrip(r.Scenario, "the small story");
}

// A scenario with random content, including what authors rarely write: names that need quotes or
// repeat, assets listed twice or never used, references of 0 and below, slots with holes and
// beyond their kind's count, unusual floats and bits after the last tile.
TScenarioBuilder RandomScenario(uint32_t Seed) {
  std::mt19937 rng(Seed);
  auto pick = [&](int Low, int High) { return std::uniform_int_distribution<int>(Low, High)(rng); };
  auto chance = [&](int Percent) { return pick(1, 100) <= Percent; };
  const std::vector<std::string> names = {"A", "B", "Dock", "a b", "", "none", "12", "A", "x\"y", "\xD0\x96"};
  auto name = [&] { return names[static_cast<size_t>(pick(0, static_cast<int>(names.size()) - 1))]; };
  auto number = [&] { return pick(-5, 3000); };
  auto real = [&]() -> float {
    switch (pick(0, 4)) {
      case 0: return 0.0f;
      case 1: return -0.0f;
      case 2: return static_cast<float>(pick(-800, 800)) / 4.0f;
      case 3: return std::uniform_real_distribution<float>(-1000, 1000)(rng);
      default: return chance(50) ? INFINITY : std::nanf("");
    }
  };
  TScenarioBuilder b;
  for (int c = 0; c < PoolClassCount; ++c) {
    const int n = pick(0, 4);
    for (int i = 0; i < n; ++i)
      b.Pool[static_cast<size_t>(c)].push_back(chance(20) ? "Dup" : "X" + std::to_string(pick(0, 9)));
  }
  auto asset = [&](TPoolClass C) {
    const int n = static_cast<int>(b.Pool[static_cast<size_t>(C)].size());
    return n == 0 || chance(30) ? (chance(10) ? -1 : 0) : pick(1, n);
  };
  const int props = pick(0, 4), regions = pick(1, 3), hints = pick(0, 3), achievements = pick(0, 3);
  for (int i = 0; i < props; ++i) {
    const int32_t p = b.AddProp(name(), pick(0, 4), pick(-2, 20));
    b.Prop(p).Number = number();
    b.Prop(p).SingleUnit = chance(30);
    b.Prop(p).Picture = asset(TPoolClass::Picture);
    b.Prop(p).Frame = pick(0, 3);
    b.Prop(p).Caption = asset(TPoolClass::Caption);
  }
  auto ref = [&](int Count) { return Count == 0 || chance(40) ? (chance(5) ? -2 : 0) : pick(1, Count); };
  int siteCount = 0;
  for (int r = 0; r < regions; ++r) {
    const int32_t region = b.AddRegion(name(), 100 + r);
    TRegionDef& def = b.Region(region);
    def.Picture = asset(TPoolClass::Picture);
    def.Caption = asset(TPoolClass::Caption);
    def.InitialMusic = asset(TPoolClass::Sound);
    def.Flag = chance(20);
    if (chance(60)) {
      for (auto& tile : def.Tiles) tile = {asset(TPoolClass::Terrain), asset(TPoolClass::Water)};
    }
    const int plots = pick(0, 3);
    for (int i = 0; i < plots; ++i) {
      TPlotDef p;
      p.Figure = asset(TPoolClass::Figure);
      p.Group = asset(TPoolClass::Group);
      p.X = real();
      p.Y = real();
      p.ParamA = pick(-3, 3);
      p.Sound = asset(TPoolClass::Sound);
      p.ByteA = static_cast<uint8_t>(pick(0, 255));
      p.Layer = static_cast<uint8_t>(pick(0, 2));
      p.Visible = chance(70);
      def.Plots.push_back(p);
    }
    siteCount += pick(0, 3);
  }
  // Sites are added in a mixed region order; the writer lists them region by region.
  for (int s = 0; s < siteCount; ++s) b.AddSite(pick(1, regions), name(), 1000 + s);
  const int sites = static_cast<int>(b.Sites.size());
  for (int s = 1; s <= sites; ++s) {
    TSiteDef& site = b.Site(s);
    site.X = real();
    site.Y = real();
    site.LayoutA = pick(-2, 2);
    site.Icon = pick(0, 5);
    site.Caption = asset(TPoolClass::Caption);
    site.HiddenUntilEntered = chance(20);
    site.EnterOnReveal = chance(20);
    site.KeepAfterVisit = chance(40);
    site.MarkUntilVisited = chance(30);
    site.Ending = chance(10);
    site.Special =
        chance(50) ? 0
                   : std::vector<int32_t>{1, 2, 3, 9, 10, 110, 200, 444, 446, 77, -4}[static_cast<size_t>(pick(0, 10))];
    site.Destination = ref(regions);
    site.RegionMusic = asset(TPoolClass::Sound);
    site.NeedsRevealed = ref(sites);
    site.NeedsEntered = ref(sites);
    for (auto& v : site.NeedsVisited) v = ref(sites);
    for (auto& n : site.Needs) n = {ref(props), chance(50) ? 0 : pick(-1, 5)};
    site.RevealGroup = asset(TPoolClass::Group);
    for (int t = 0; t < 208; ++t) {
      if (chance(10)) site.RevealTile(t);
    }
    site.DisappearsAfter = ref(sites);
    site.Hint = ref(hints);
    site.NextGuide = ref(sites);
    const int scenes = pick(0, 4);
    for (int c = 0; c < scenes; ++c) {
      // Scene numbers are unique within a site (saved games find scenes by them); 7 repeats across sites.
      TSceneDef& scene = b.AddScene(s, c == 0 ? 7 : 5000 + s * 10 + c, pick(0, SceneKindCount - 1));
      scene.Repeatable = chance(30);
      scene.LeavesSite = chance(20);
      scene.Flag3 = chance(10);
      scene.DialogX = real();
      scene.DialogY = chance(50) ? 0.0f : real();
      scene.Music = asset(TPoolClass::Sound);
      scene.Sound = asset(TPoolClass::Sound);
      scene.Illustration = asset(TPoolClass::Picture);
      scene.IllustrationFrame = pick(0, 2);
      for (auto& slot : scene.Left) slot = chance(40) ? TSlotDef{ref(props), pick(0, 9)} : TSlotDef{};
      for (auto& slot : scene.Right) slot = chance(40) ? TSlotDef{ref(props), pick(0, 9)} : TSlotDef{};
      scene.Achievement = ref(achievements + 0);
      scene.AchievementAmount = pick(-1, 3);
      scene.Duration = real();
      scene.ExecutionSound = asset(TPoolClass::Sound);
      scene.Effector = asset(TPoolClass::Effector);
      scene.ExecutionValue = pick(0, 2);
      for (auto& g : scene.Groups) g = asset(TPoolClass::Group);
    }
  }
  for (int h = 0; h < hints; ++h) {
    THintDef& hint = b.Hint(b.AddHint(name(), number()));
    hint.Goal = ref(props);
    hint.NeedsProp = ref(props);
    hint.NeedsAmount = pick(0, 3);
    hint.UntilVisited = ref(sites);
    hint.AfterVisited = ref(sites);
    hint.UntilEntered = ref(sites);
    hint.OutsideRegion = ref(regions);
    for (size_t k = 0; k < 8; ++k) {
      if (chance(30)) {
        hint.SubHints[k] = ref(hints);
        hint.SubAmounts[k] = pick(-3, 3);
      }
    }
    hint.RouteOnly = chance(30);
    hint.ShowNeed = chance(30);
  }
  for (int a = 0; a < achievements; ++a) {
    TAchievementDef& ach = b.Achievement(b.AddAchievement(name(), number(), pick(0, 10)));
    ach.Value = pick(0, 5);
    ach.Caption = asset(TPoolClass::Caption);
    ach.Hidden = chance(30);
    ach.Prop = ref(props);
    ach.Parent = ref(achievements);
    ach.Prerequisite = ref(achievements);
  }
  b.MenuRegion = ref(regions);
  b.StartRegion = pick(1, regions);
  b.MapRegion = ref(regions);
  b.GuideStart = ref(sites);
  b.NextNumber = chance(50) ? 3000 : pick(-10, 5000);
  return b;
}

TEST(ScenarioSource, RoundTripOfGeneratedScenarios) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    TScenarioBuilder b = RandomScenario(seed);
    // Site numbers stay unique: the compiler refuses duplicates, as the game needs them unique.
    ExpectRoundTrip(b, "generated " + std::to_string(seed));
    if (HasFatalFailure()) return;
  }
}

TEST(ScenarioSource, RoundTripOfAnEmptyScenarioAndOfManyTileKinds) {
  ExpectRoundTrip(TScenarioBuilder{}, "empty");
  // More distinct tiles than there are legend letters: the rest are written one by one.
  TScenarioBuilder b;
  const int32_t region = b.AddRegion("R", 1);
  for (int t = 0; t < MapTiles; ++t) {
    b.Region(region).Tiles[static_cast<size_t>(t)] = {b.Asset(TPoolClass::Terrain, "T" + std::to_string(t)), 0};
  }
  ExpectRoundTrip(b, "many tiles");
}

TEST(ScenarioSource, TheGuideForAuthorsHasAnExampleThatCompiles) {
  std::ifstream in(std::string(TV_SOURCE_DIR) + "/content/README.md");
  std::stringstream text;
  text << in.rdbuf();
  const std::string readme = text.str();
  const size_t begin = readme.find("## A complete small example");
  const size_t end = readme.find("With its texts", begin);
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  std::string source;
  std::istringstream lines(readme.substr(begin, end - begin));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("    ", 0) == 0) source += line.substr(4) + "\n";
  }
  const TScenarioCompileResult r = Compile(source, "README.md");
  EXPECT_TRUE(r.Ok) << Errors(r);
  EXPECT_EQ(r.Scenario.Sites.size(), 2u);
}

TEST(ScenarioRecords, ShortOrOversizedFilesFailWithTheirPlace) {
  const TScenarioCompileResult r = Compile(SmallStoryText());
  ASSERT_TRUE(r.Ok);
  const std::string bytes = r.Scenario.Build();
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_THROW(ReadScenarioRecords(bytes.substr(0, cut), "cut"), EError) << cut;
  }
  std::string huge = bytes;
  huge[0] = '\xFF';
  huge[1] = '\xFF';
  huge[2] = '\xFF';
  huge[3] = '\x7F';
  try {
    ReadScenarioRecords(huge, "S0Scenario.dat");
    FAIL() << "a count larger than the file was accepted";
  } catch (const EError& e) {
    EXPECT_NE(std::string(e.what()).find(
                  "S0Scenario.dat: pool section, picture names, count: count 2147483647 at byte 0 does not fit"),
              std::string::npos)
        << e.what();
  }
  TScenarioReadNotes notes;
  ReadScenarioRecords(bytes + "tail", "tail", notes);
  EXPECT_EQ(notes.BytesRead, bytes.size());
}

TEST(ScenarioRecords, DecompilingRefusesReferencesBeyondTheLists) {
  TScenarioBuilder b;
  const int32_t region = b.AddRegion("R", 1);
  b.Site(b.AddSite(region, "S", 2)).Hint = 4;
  try {
    DecompileScenario(b);
    FAIL() << "a reference beyond the hints was accepted";
  } catch (const EError& e) {
    EXPECT_NE(std::string(e.what()).find("site 1 refers to hint 4, but the file lists only 0"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace tv
