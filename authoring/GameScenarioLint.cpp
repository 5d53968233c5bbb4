#include "authoring/GameScenarioLint.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <map>

#include "game/GamePlayLayout.h"
#include "game/GameSite.h"

namespace tv {

namespace {

using TSeverity = TScenarioDiagnostic::TSeverity;

constexpr int64_t Unbounded = int64_t{1} << 40;

int64_t Cap(int64_t V) { return std::min(V, Unbounded); }

bool IsCountedKind(int32_t Kind) {
  return Kind == SceneKinds::None || Kind == SceneKinds::TextStop || Kind == SceneKinds::Illustration;
}

class TLinter {
 public:
  TLinter(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places, const std::string& Label,
          const TScenarioLintOptions& Options)
      : S(Scenario), P(Places), FileLabel(Label), Opt(Options) {}

  std::vector<TScenarioDiagnostic> Run();

 private:
  struct TWhere {
    std::string File;
    int Line = 0;
    std::string Object;
  };
  TWhere PropAt(int32_t Ref) const;
  TWhere RegionAt(int32_t Ref) const;
  TWhere SiteAt(int32_t Handle) const;
  TWhere SceneAt(int32_t Handle, size_t Index) const;
  TWhere HintAt(int32_t Ref) const;
  TWhere AchievementAt(int32_t Ref) const;
  TWhere Scenario() const;
  std::string PropName(int32_t Ref) const;
  std::string SiteName(int32_t Handle) const;

  void Add(TSeverity Severity, const TWhere& Where, const std::string& Message) {
    Out.push_back({Severity, Where.File, Where.Line, Where.Object, Message});
  }
  void Error(const TWhere& Where, const std::string& Message) { Add(TSeverity::Error, Where, Message); }
  void Warning(const TWhere& Where, const std::string& Message) { Add(TSeverity::Warning, Where, Message); }

  bool CheckReferences();
  void CheckEntryPoints();
  void CheckNumbers();
  void CheckKindsAndSlots();
  void CheckLoops();
  void CheckUse();
  void CheckReachability();
  void CheckTexts();
  void CheckAssets();

  bool ValidProp(int32_t R) const { return R > 0 && static_cast<size_t>(R) <= S.Props.size(); }
  bool ValidSite(int32_t R) const { return R > 0 && static_cast<size_t>(R) <= S.Sites.size(); }
  bool ValidRegion(int32_t R) const { return R > 0 && static_cast<size_t>(R) <= S.RegionList.size(); }
  bool ValidHint(int32_t R) const { return R > 0 && static_cast<size_t>(R) <= S.HintList.size(); }
  bool ValidAchievement(int32_t R) const { return R > 0 && static_cast<size_t>(R) <= S.AchievementList.size(); }

  const TScenarioBuilder& S;
  const TScenarioSourceMap* P;
  std::string FileLabel;
  const TScenarioLintOptions& Opt;
  std::vector<TScenarioDiagnostic> Out;
};

std::string Quoted(const std::string& Name) { return "\"" + Name + "\""; }

TLinter::TWhere TLinter::Scenario() const {
  if (P != nullptr && !P->EntryPoints.File.empty()) return {P->EntryPoints.File, P->EntryPoints.Line, "scenario"};
  return {FileLabel, 0, "scenario"};
}

std::string TLinter::PropName(int32_t Ref) const {
  if (P != nullptr && static_cast<size_t>(Ref) <= P->Props.size()) return P->Props[static_cast<size_t>(Ref - 1)].Id;
  return S.Props[static_cast<size_t>(Ref - 1)].Name;
}
std::string TLinter::SiteName(int32_t Handle) const {
  if (P != nullptr && static_cast<size_t>(Handle) <= P->Sites.size())
    return P->Sites[static_cast<size_t>(Handle - 1)].Id;
  return S.Sites[static_cast<size_t>(Handle - 1)].Name;
}

TLinter::TWhere TLinter::PropAt(int32_t Ref) const {
  const auto i = static_cast<size_t>(Ref - 1);
  if (P != nullptr && i < P->Props.size()) return {P->Props[i].File, P->Props[i].Line, "prop " + P->Props[i].Id};
  return {FileLabel, 0, "prop " + std::to_string(Ref) + " " + Quoted(S.Props[i].Name)};
}
TLinter::TWhere TLinter::RegionAt(int32_t Ref) const {
  const auto i = static_cast<size_t>(Ref - 1);
  if (P != nullptr && i < P->Regions.size())
    return {P->Regions[i].File, P->Regions[i].Line, "region " + P->Regions[i].Id};
  return {FileLabel, 0,
          "region " + std::to_string(Ref) + " " + Quoted(S.RegionList[i].Name) + " (number " +
              std::to_string(S.RegionList[i].Number) + ")"};
}
TLinter::TWhere TLinter::SiteAt(int32_t Handle) const {
  const auto i = static_cast<size_t>(Handle - 1);
  if (P != nullptr && i < P->Sites.size()) return {P->Sites[i].File, P->Sites[i].Line, "site " + P->Sites[i].Id};
  return {FileLabel, 0,
          "site " + std::to_string(Handle) + " " + Quoted(S.Sites[i].Name) + " (number " +
              std::to_string(S.Sites[i].Number) + ")"};
}
TLinter::TWhere TLinter::SceneAt(int32_t Handle, size_t Index) const {
  const TWhere site = SiteAt(Handle);
  const TSceneDef& c = S.Sites[static_cast<size_t>(Handle - 1)].Scenes[Index];
  const std::string object = "scene " + std::to_string(c.Number) + " of " + site.Object;
  if (P != nullptr && static_cast<size_t>(Handle - 1) < P->Scenes.size() &&
      Index < P->Scenes[static_cast<size_t>(Handle - 1)].size()) {
    const TSourcePlace& place = P->Scenes[static_cast<size_t>(Handle - 1)][Index];
    return {place.File, place.Line, object};
  }
  return {site.File, site.Line, object};
}
TLinter::TWhere TLinter::HintAt(int32_t Ref) const {
  const auto i = static_cast<size_t>(Ref - 1);
  if (P != nullptr && i < P->Hints.size()) return {P->Hints[i].File, P->Hints[i].Line, "hint " + P->Hints[i].Id};
  return {FileLabel, 0, "hint " + std::to_string(Ref) + " " + Quoted(S.HintList[i].Name)};
}
TLinter::TWhere TLinter::AchievementAt(int32_t Ref) const {
  const auto i = static_cast<size_t>(Ref - 1);
  if (P != nullptr && i < P->Achievements.size()) {
    return {P->Achievements[i].File, P->Achievements[i].Line, "achievement " + P->Achievements[i].Id};
  }
  return {FileLabel, 0, "achievement " + std::to_string(Ref) + " " + Quoted(S.AchievementList[i].Name)};
}

// References beyond the lists: the game refuses such a file, and nothing else can be judged.
bool TLinter::CheckReferences() {
  const size_t before = Out.size();
  auto check = [&](const TWhere& Where, const char* Field, int32_t Value, size_t Count, const char* Kind) {
    if (Value > 0 && static_cast<size_t>(Value) > Count) {
      Error(Where, std::string(Field) + " refers to " + Kind + " " + std::to_string(Value) + ", but there are only " +
                       std::to_string(Count));
    }
  };
  auto asset = [&](const TWhere& Where, const char* Field, int32_t Value, TPoolClass Class) {
    check(Where, Field, Value, S.Pool[static_cast<size_t>(Class)].size(), PoolClassName(Class));
  };
  const size_t props = S.Props.size(), regions = S.RegionList.size(), sites = S.Sites.size();
  const size_t hints = S.HintList.size(), achievements = S.AchievementList.size();
  for (size_t i = 0; i < S.Props.size(); ++i) {
    const TWhere w = PropAt(static_cast<int32_t>(i + 1));
    asset(w, "Picture", S.Props[i].Picture, TPoolClass::Picture);
    asset(w, "Caption", S.Props[i].Caption, TPoolClass::Caption);
  }
  for (size_t i = 0; i < S.RegionList.size(); ++i) {
    const TRegionDef& r = S.RegionList[i];
    const TWhere w = RegionAt(static_cast<int32_t>(i + 1));
    asset(w, "Picture", r.Picture, TPoolClass::Picture);
    asset(w, "Caption", r.Caption, TPoolClass::Caption);
    asset(w, "InitialMusic", r.InitialMusic, TPoolClass::Sound);
    for (const auto& tile : r.Tiles) {
      asset(w, "a tile's terrain", tile[0], TPoolClass::Terrain);
      asset(w, "a tile's water", tile[1], TPoolClass::Water);
    }
    for (const TPlotDef& p : r.Plots) {
      asset(w, "a plot's figure", p.Figure, TPoolClass::Figure);
      asset(w, "a plot's group", p.Group, TPoolClass::Group);
      asset(w, "a plot's sound", p.Sound, TPoolClass::Sound);
    }
  }
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    const TSiteDef& s = S.Sites[i];
    const TWhere w = SiteAt(static_cast<int32_t>(i + 1));
    asset(w, "Caption", s.Caption, TPoolClass::Caption);
    check(w, "Destination", s.Destination, regions, "region");
    asset(w, "RegionMusic", s.RegionMusic, TPoolClass::Sound);
    check(w, "NeedsRevealed", s.NeedsRevealed, sites, "site");
    check(w, "NeedsEntered", s.NeedsEntered, sites, "site");
    for (int32_t v : s.NeedsVisited) check(w, "NeedsVisited", v, sites, "site");
    for (const TSlotDef& n : s.Needs) check(w, "NeedsProp", n.Prop, props, "prop");
    asset(w, "RevealGroup", s.RevealGroup, TPoolClass::Group);
    check(w, "DisappearsAfter", s.DisappearsAfter, sites, "site");
    check(w, "Hint", s.Hint, hints, "hint");
    check(w, "NextGuide", s.NextGuide, sites, "site");
    for (size_t j = 0; j < s.Scenes.size(); ++j) {
      const TSceneDef& c = s.Scenes[j];
      const TWhere sw = SceneAt(static_cast<int32_t>(i + 1), j);
      asset(sw, "Music", c.Music, TPoolClass::Sound);
      asset(sw, "Sound", c.Sound, TPoolClass::Sound);
      asset(sw, "Illustration", c.Illustration, TPoolClass::Picture);
      for (const TSlotDef& slot : c.Left) check(sw, "a left slot", slot.Prop, props, "prop");
      for (const TSlotDef& slot : c.Right) check(sw, "a right slot", slot.Prop, props, "prop");
      check(sw, "Achievement", c.Achievement, achievements, "achievement");
      asset(sw, "ExecutionSound", c.ExecutionSound, TPoolClass::Sound);
      asset(sw, "Effector", c.Effector, TPoolClass::Effector);
      for (int32_t g : c.Groups) asset(sw, "a group", g, TPoolClass::Group);
    }
  }
  const TWhere scenario = Scenario();
  check(scenario, "MenuRegion", S.MenuRegion, regions, "region");
  check(scenario, "StartRegion", S.StartRegion, regions, "region");
  check(scenario, "MapRegion", S.MapRegion, regions, "region");
  check(scenario, "GuideStart", S.GuideStart, sites, "site");
  for (size_t i = 0; i < S.HintList.size(); ++i) {
    const THintDef& h = S.HintList[i];
    const TWhere w = HintAt(static_cast<int32_t>(i + 1));
    check(w, "Goal", h.Goal, props, "prop");
    check(w, "NeedsProp", h.NeedsProp, props, "prop");
    check(w, "UntilVisited", h.UntilVisited, sites, "site");
    check(w, "AfterVisited", h.AfterVisited, sites, "site");
    check(w, "UntilEntered", h.UntilEntered, sites, "site");
    check(w, "OutsideRegion", h.OutsideRegion, regions, "region");
    for (int32_t sub : h.SubHints) check(w, "a sub-hint", sub, hints, "hint");
  }
  for (size_t i = 0; i < S.AchievementList.size(); ++i) {
    const TAchievementDef& a = S.AchievementList[i];
    const TWhere w = AchievementAt(static_cast<int32_t>(i + 1));
    asset(w, "Caption", a.Caption, TPoolClass::Caption);
    check(w, "Prop", a.Prop, props, "prop");
    check(w, "Parent", a.Parent, achievements, "achievement");
    check(w, "Prerequisite", a.Prerequisite, achievements, "achievement");
  }
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    if (!ValidRegion(S.Sites[i].Region)) Error(SiteAt(static_cast<int32_t>(i + 1)), "belongs to no region");
  }
  return Out.size() == before;
}

void TLinter::CheckEntryPoints() {
  const TWhere w = Scenario();
  if (S.RegionList.empty()) return;
  if (S.StartRegion <= 0) {
    Error(w, "no start region: a new game has nowhere to begin (write start-region NAME)");
  }
  if (S.MenuRegion <= 0) Warning(w, "no menu region: the main menu shows no map (write menu-region NAME)");
  if (S.GuideStart <= 0 && !S.HintList.empty()) {
    Warning(w, "no guide start: the hint screen never shows a hint (write guide-start SITE)");
  }
  bool unlocksMap = false;
  for (const TSiteDef& s : S.Sites) unlocksMap = unlocksMap || s.Special == SpecialUnlockMap;
  if (S.MapRegion <= 0 && unlocksMap) {
    Error(w, "a site unlocks the map button (special unlock-map), but there is no map region (write map-region NAME)");
  }
  if (S.MapRegion > 0 && !unlocksMap) {
    Warning(w,
            "there is a map region, but no site unlocks the map button (special unlock-map), so it can never be "
            "opened");
  }
  bool ending = false;
  for (const TSiteDef& s : S.Sites) ending = ending || s.Ending;
  if (!ending) Error(w, "no site is an ending: the story can never be finished");
}

void TLinter::CheckNumbers() {
  auto duplicates = [&](const char* What, auto&& Each, TSeverity Severity, const char* Why) {
    std::map<int32_t, std::vector<TWhere>> seen;
    Each([&](int32_t Number, const TWhere& Where) { seen[Number].push_back(Where); });
    for (const auto& [number, places] : seen) {
      for (size_t k = 1; k < places.size(); ++k) {
        Add(Severity, places[k],
            std::string("the ") + What + " number " + std::to_string(number) + " is also used by " + places[0].Object +
                (places[0].Line > 0 ? " (" + places[0].File + ":" + std::to_string(places[0].Line) + ")" : "") + "; " +
                Why);
      }
    }
  };
  duplicates(
      "region",
      [&](auto&& Add_) {
        for (size_t i = 0; i < S.RegionList.size(); ++i)
          Add_(S.RegionList[i].Number, RegionAt(static_cast<int32_t>(i + 1)));
      },
      TSeverity::Error, "saved games find regions by number, so the later one is never found");
  duplicates(
      "site",
      [&](auto&& Add_) {
        for (size_t i = 0; i < S.Sites.size(); ++i) Add_(S.Sites[i].Number, SiteAt(static_cast<int32_t>(i + 1)));
      },
      TSeverity::Error, "saved games find sites by number alone, so a game could replay into the wrong site");
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    duplicates(
        "scene",
        [&](auto&& Add_) {
          for (size_t j = 0; j < S.Sites[i].Scenes.size(); ++j) {
            Add_(S.Sites[i].Scenes[j].Number, SceneAt(static_cast<int32_t>(i + 1), j));
          }
        },
        TSeverity::Error, "saved games find a site's scenes by number, so the later one is never found");
  }
  std::map<int32_t, TWhere> scenes;
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    std::set<int32_t> inSite;
    for (size_t j = 0; j < S.Sites[i].Scenes.size(); ++j) {
      const int32_t n = S.Sites[i].Scenes[j].Number;
      if (!inSite.insert(n).second) continue;
      const auto [it, fresh] = scenes.insert({n, SceneAt(static_cast<int32_t>(i + 1), j)});
      if (!fresh) {
        Warning(SceneAt(static_cast<int32_t>(i + 1), j), "the scene number " + std::to_string(n) + " is also used by " +
                                                             it->second.Object + "; both show the text SceneLegendH" +
                                                             std::to_string(n));
      }
    }
  }
  duplicates(
      "hint",
      [&](auto&& Add_) {
        for (size_t i = 0; i < S.HintList.size(); ++i) Add_(S.HintList[i].Number, HintAt(static_cast<int32_t>(i + 1)));
      },
      TSeverity::Warning, "both show the same text");
  duplicates(
      "achievement",
      [&](auto&& Add_) {
        for (size_t i = 0; i < S.AchievementList.size(); ++i) {
          Add_(S.AchievementList[i].Number, AchievementAt(static_cast<int32_t>(i + 1)));
        }
      },
      TSeverity::Error, "players keep earned achievements by number, so earning one earns both");
}

void TLinter::CheckKindsAndSlots() {
  for (size_t i = 0; i < S.Props.size(); ++i) {
    if (S.Props[i].Kind < 0 || S.Props[i].Kind >= ScenarioPropKindCount) {
      Error(PropAt(static_cast<int32_t>(i + 1)),
            "kind " + std::to_string(S.Props[i].Kind) + " is none of Property, Title, Skill, Companion, Item (0 to 4)");
    }
  }
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    const TSiteDef& s = S.Sites[i];
    const auto handle = static_cast<int32_t>(i + 1);
    if (s.Special != 0 && *SpecialCodeName(s.Special) == '\0') {
      Warning(SiteAt(handle),
              "special code " + std::to_string(s.Special) + " means nothing to the game; codes: " + SpecialCodeList());
    }
    if ((s.Special == SpecialWayBack) && s.Destination <= 0) {
      Warning(SiteAt(handle), "special way-back shows the way-back icon only for a site with a destination");
    }
    if ((s.Special == SpecialMusicEverywhere) && s.RegionMusic <= 0) {
      Warning(SiteAt(handle), "special music-everywhere needs region-music to give every region");
    }
    for (int t = MapTiles; t < RevealTileBytes * 8; ++t) {
      if (s.RevealsTile(t)) {
        Warning(SiteAt(handle), "its reveal sets bits after the last map tile, which mean nothing");
        break;
      }
    }
    if (s.Ending && s.Destination > 0) {
      Warning(SiteAt(handle), "an ending with a destination: the game ends before the hero could travel");
    }
    if (SiteUnderCornerIcon(s.X, s.Y)) {
      Warning(SiteAt(handle), "its marker at (" + std::to_string(static_cast<int>(s.X)) + ", " +
                                  std::to_string(static_cast<int>(s.Y)) +
                                  ") lies under a corner icon of the play form, where the player cannot click it");
    }
    for (size_t j = 0; j < s.Scenes.size(); ++j) {
      const TSceneDef& c = s.Scenes[j];
      const TWhere w = SceneAt(handle, j);
      if (!IsSceneKind(c.Kind)) {
        Error(w, "kind " + std::to_string(c.Kind) + " is not a scene kind (0 to " + std::to_string(SceneKindCount - 1) +
                     ")");
        continue;
      }
      const int32_t left = SceneKindLeftSlots(c.Kind);
      const int32_t right = SceneKindRightSlots(c.Kind);
      for (int k = 0; k < 7; ++k) {
        const TSlotDef& l = c.Left[static_cast<size_t>(k)];
        const TSlotDef& r = c.Right[static_cast<size_t>(k)];
        if (k >= left && (l.Prop != 0 || l.Amount != 0)) {
          Warning(w, std::string("left slot ") + std::to_string(k + 1) + " is filled, but \"" + SceneKindName(c.Kind) +
                         "\" has " + std::to_string(left) + "; the game ignores it");
        }
        if (k >= right && (r.Prop != 0 || r.Amount != 0)) {
          Warning(w, std::string("right slot ") + std::to_string(k + 1) + " is filled, but \"" + SceneKindName(c.Kind) +
                         "\" has " + std::to_string(right) + "; the game ignores it");
        }
        if (IsBarterKind(c.Kind) && k < left && ((l.Prop > 0) != (r.Prop > 0))) {
          Warning(w, "trade " + std::to_string(k + 1) + " has a prop on one side only; the game skips the row");
        }
        if (k < left && l.Prop > 0 && l.Amount <= 0 && !IsBarterKind(c.Kind)) {
          Warning(w, "slot " + std::to_string(k + 1) + " asks for " + std::to_string(l.Amount) + " " +
                         PropName(l.Prop) + "; nothing is needed or lost");
        }
        if (IsBarterKind(c.Kind) && k < left && l.Prop > 0 && r.Prop > 0 && (l.Amount <= 0 || r.Amount <= 0)) {
          Warning(w, "trade " + std::to_string(k + 1) + " exchanges a non-positive amount");
        }
      }
      if (c.Kind == SceneKinds::TextStop && j + 1 < s.Scenes.size()) {
        Error(SceneAt(handle, j + 1), "can never play: the \"Text stop\" scene before it can only be declined");
      }
    }
  }
}

void TLinter::CheckLoops() {
  // Achievements: a parent chain that comes back would make the game add progress forever.
  for (size_t i = 0; i < S.AchievementList.size(); ++i) {
    std::set<int32_t> seen{static_cast<int32_t>(i + 1)};
    for (int32_t a = S.AchievementList[i].Parent; ValidAchievement(a);
         a = S.AchievementList[static_cast<size_t>(a - 1)].Parent) {
      if (!seen.insert(a).second) {
        if (a == static_cast<int32_t>(i + 1)) {
          Error(AchievementAt(a), "its parent chain leads back to itself; progress would be added forever");
        }
        break;
      }
    }
  }
  // Hints: a hint that can reach itself through its sub-hints would be searched forever.
  std::vector<int> state(S.HintList.size() + 1, 0);
  std::function<bool(int32_t)> visit = [&](int32_t h) {
    state[static_cast<size_t>(h)] = 1;
    for (int32_t sub : S.HintList[static_cast<size_t>(h - 1)].SubHints) {
      if (!ValidHint(sub)) continue;
      if (state[static_cast<size_t>(sub)] == 1) {
        Error(HintAt(sub),
              "can reach itself through sub-hints (via " + HintAt(h).Object + "); choosing a hint would never end");
        return true;
      }
      if (state[static_cast<size_t>(sub)] == 0 && visit(sub)) return true;
    }
    state[static_cast<size_t>(h)] = 2;
    return false;
  };
  for (size_t h = 1; h <= S.HintList.size(); ++h) {
    if (state[h] == 0) visit(static_cast<int32_t>(h));
  }
  // The guide chain: it must end, and each of its sites should name the hint to show while it is
  // the first one not completed.
  std::set<int32_t> seen;
  for (int32_t s = S.GuideStart; ValidSite(s); s = S.Sites[static_cast<size_t>(s - 1)].NextGuide) {
    if (!seen.insert(s).second) {
      Error(SiteAt(s), "the guide chain comes back to this site; it must end (next-guide none on its last site)");
      break;
    }
    if (S.Sites[static_cast<size_t>(s - 1)].Hint <= 0) {
      Warning(SiteAt(s), "is on the guide chain but has no hint; the hint screen is empty until it is completed");
    }
  }
}

void TLinter::CheckUse() {
  std::vector<bool> propUsed(S.Props.size() + 1, false), hintUsed(S.HintList.size() + 1, false);
  std::vector<bool> achievementFed(S.AchievementList.size() + 1, false);
  auto prop = [&](int32_t R) {
    if (ValidProp(R)) propUsed[static_cast<size_t>(R)] = true;
  };
  for (const TSiteDef& s : S.Sites) {
    for (const TSlotDef& n : s.Needs) prop(n.Prop);
    if (ValidHint(s.Hint)) hintUsed[static_cast<size_t>(s.Hint)] = true;
    for (const TSceneDef& c : s.Scenes) {
      for (const TSlotDef& slot : c.Left) prop(slot.Prop);
      for (const TSlotDef& slot : c.Right) prop(slot.Prop);
      if (ValidAchievement(c.Achievement) && c.AchievementAmount > 0) {
        achievementFed[static_cast<size_t>(c.Achievement)] = true;
      }
    }
  }
  for (const THintDef& h : S.HintList) {
    prop(h.Goal);
    prop(h.NeedsProp);
    for (int32_t sub : h.SubHints) {
      if (ValidHint(sub)) hintUsed[static_cast<size_t>(sub)] = true;
    }
  }
  for (const TAchievementDef& a : S.AchievementList) prop(a.Prop);
  for (size_t i = 1; i <= S.Props.size(); ++i) {
    if (!propUsed[i]) Warning(PropAt(static_cast<int32_t>(i)), "is never needed, given, taken, traded or counted");
  }
  // Assets listed in the pool that nothing refers to (the compiler lists only what the source
  // names, unless a pool block lists more).
  std::array<std::vector<bool>, PoolClassCount> assetUsed;
  for (int c = 0; c < PoolClassCount; ++c)
    assetUsed[static_cast<size_t>(c)].assign(S.Pool[static_cast<size_t>(c)].size() + 1, false);
  auto asset = [&](TPoolClass Class, int32_t R) {
    auto& used = assetUsed[static_cast<size_t>(Class)];
    if (R > 0 && static_cast<size_t>(R) < used.size()) used[static_cast<size_t>(R)] = true;
  };
  for (const TPropDef& p : S.Props) {
    asset(TPoolClass::Picture, p.Picture);
    asset(TPoolClass::Caption, p.Caption);
  }
  for (const TRegionDef& r : S.RegionList) {
    asset(TPoolClass::Picture, r.Picture);
    asset(TPoolClass::Caption, r.Caption);
    asset(TPoolClass::Sound, r.InitialMusic);
    for (const auto& tile : r.Tiles) {
      asset(TPoolClass::Terrain, tile[0]);
      asset(TPoolClass::Water, tile[1]);
    }
    for (const TPlotDef& p : r.Plots) {
      asset(TPoolClass::Figure, p.Figure);
      asset(TPoolClass::Group, p.Group);
      asset(TPoolClass::Sound, p.Sound);
    }
  }
  for (const TSiteDef& s : S.Sites) {
    asset(TPoolClass::Caption, s.Caption);
    asset(TPoolClass::Sound, s.RegionMusic);
    asset(TPoolClass::Group, s.RevealGroup);
    for (const TSceneDef& c : s.Scenes) {
      asset(TPoolClass::Sound, c.Music);
      asset(TPoolClass::Sound, c.Sound);
      asset(TPoolClass::Picture, c.Illustration);
      asset(TPoolClass::Sound, c.ExecutionSound);
      asset(TPoolClass::Effector, c.Effector);
      for (int32_t g : c.Groups) asset(TPoolClass::Group, g);
    }
  }
  for (const TAchievementDef& a : S.AchievementList) asset(TPoolClass::Caption, a.Caption);
  for (int c = 0; c < PoolClassCount; ++c) {
    const auto cls = static_cast<TPoolClass>(c);
    for (size_t i = 1; i < assetUsed[static_cast<size_t>(c)].size(); ++i) {
      if (assetUsed[static_cast<size_t>(c)][i]) continue;
      const std::string& name = S.Pool[static_cast<size_t>(c)][i - 1];
      Warning(P != nullptr && !P->EntryPoints.File.empty()
                  ? TWhere{P->EntryPoints.File, 0, std::string(PoolClassName(cls)) + " " + name}
                  : TWhere{FileLabel, 0, std::string(PoolClassName(cls)) + " " + name},
              "is listed in the pool, but nothing uses it");
    }
  }
  for (size_t i = 1; i <= S.HintList.size(); ++i) {
    if (!hintUsed[i])
      Warning(HintAt(static_cast<int32_t>(i)), "no site and no other hint leads to it, so it is never shown");
  }
  // An achievement is fed by scenes, by a prop, or by its children.
  bool changed = true;
  for (size_t i = 1; i <= S.AchievementList.size(); ++i) {
    if (ValidProp(S.AchievementList[i - 1].Prop)) achievementFed[i] = true;
  }
  while (changed) {
    changed = false;
    for (size_t i = 1; i <= S.AchievementList.size(); ++i) {
      const int32_t parent = S.AchievementList[i - 1].Parent;
      if (achievementFed[i] && ValidAchievement(parent) && !achievementFed[static_cast<size_t>(parent)]) {
        achievementFed[static_cast<size_t>(parent)] = true;
        changed = true;
      }
    }
  }
  for (size_t i = 1; i <= S.AchievementList.size(); ++i) {
    if (!achievementFed[i] && S.AchievementList[i - 1].Target > 0) {
      Warning(AchievementAt(static_cast<int32_t>(i)),
              "nothing adds progress to it (no scene, no prop, no child), so it can never be earned");
    }
  }
}

// What can ever happen, over-estimated: props count as obtainable up to the most that every
// playable gain could add (losses are ignored), sites as revealable when their conditions could be
// met, scenes as playable when every scene before them in the site can be passed. Whatever this
// finds impossible is impossible in every game.
void TLinter::CheckReachability() {
  const size_t nSites = S.Sites.size();
  std::vector<int64_t> most(S.Props.size() + 1, 0);
  std::vector<bool> region(S.RegionList.size() + 1, false), reveal(nSites + 1, false), complete(nSites + 1, false);
  std::vector<std::vector<bool>> playable(nSites + 1);
  for (size_t i = 1; i <= nSites; ++i) playable[i].assign(S.Sites[i - 1].Scenes.size(), false);
  auto amountOk = [&](int32_t Prop, int32_t Amount) {
    return !ValidProp(Prop) || Amount <= 0 || most[static_cast<size_t>(Prop)] >= Amount;
  };
  auto passable = [&](const TSceneDef& c) {
    if (c.Kind == SceneKinds::TextStop) return false;
    if (IsRequirementKind(c.Kind)) {
      for (int k = 0; k < SceneKindLeftSlots(c.Kind); ++k) {
        if (!amountOk(c.Left[static_cast<size_t>(k)].Prop, c.Left[static_cast<size_t>(k)].Amount)) return false;
      }
    }
    return true;
  };
  for (int round = 0; round < 1000; ++round) {
    bool changed = false;
    // Props: the start amount plus every gain of the scenes found playable so far.
    std::vector<int64_t> next(S.Props.size() + 1, 0);
    for (size_t p = 1; p <= S.Props.size(); ++p) next[p] = std::max<int64_t>(0, S.Props[p - 1].InitialAmount);
    auto gain = [&](int32_t Prop, int64_t Amount, bool Repeats) {
      if (!ValidProp(Prop) || Amount <= 0) return;
      const auto p = static_cast<size_t>(Prop);
      if (!IsCountedKind(S.Props[p - 1].Kind)) {
        next[p] = std::max<int64_t>(next[p], 1);
      } else {
        next[p] = Cap(next[p] + (Repeats ? Unbounded : Amount));
      }
    };
    for (size_t i = 1; i <= nSites; ++i) {
      const TSiteDef& s = S.Sites[i - 1];
      for (size_t j = 0; j < s.Scenes.size(); ++j) {
        if (!playable[i][j]) continue;
        const TSceneDef& c = s.Scenes[j];
        // Generous on purpose: a repeatable scene may come round again even in a site that is not
        // kept, when a visit is left before the end.
        const bool repeats = c.Repeatable;
        if (IsRewardKind(c.Kind)) {
          for (int k = 0; k < SceneKindRightSlots(c.Kind); ++k) {
            gain(c.Right[static_cast<size_t>(k)].Prop, c.Right[static_cast<size_t>(k)].Amount, repeats);
          }
        }
        if (IsBarterKind(c.Kind)) {
          for (int k = 0; k < SceneKindLeftSlots(c.Kind); ++k) {
            const TSlotDef& l = c.Left[static_cast<size_t>(k)];
            const TSlotDef& r = c.Right[static_cast<size_t>(k)];
            if (!ValidProp(l.Prop) || !ValidProp(r.Prop) || r.Amount <= 0) continue;
            const int64_t have = most[static_cast<size_t>(l.Prop)];
            const int64_t times = l.Amount <= 0 ? Unbounded : have / l.Amount;
            if (times <= 0) continue;
            gain(r.Prop, repeats ? Unbounded : Cap(times * r.Amount), repeats);
          }
        }
      }
    }
    if (next != most) {
      most = next;
      changed = true;
    }
    // Regions: the start, the map once a site unlocks it, and every destination of a site that
    // can be completed.
    auto reach = [&](int32_t R) {
      if (ValidRegion(R) && !region[static_cast<size_t>(R)]) {
        region[static_cast<size_t>(R)] = true;
        changed = true;
      }
    };
    reach(S.StartRegion);
    for (size_t i = 1; i <= nSites; ++i) {
      const TSiteDef& s = S.Sites[i - 1];
      if (!complete[i]) continue;
      reach(s.Destination);
      if (s.Special == SpecialUnlockMap) reach(S.MapRegion);
    }
    for (size_t i = 1; i <= nSites; ++i) {
      const TSiteDef& s = S.Sites[i - 1];
      if (!ValidRegion(s.Region) || !region[static_cast<size_t>(s.Region)]) continue;
      bool ok = (!ValidSite(s.NeedsRevealed) || reveal[static_cast<size_t>(s.NeedsRevealed)]) &&
                (!ValidSite(s.NeedsEntered) || reveal[static_cast<size_t>(s.NeedsEntered)]);
      for (int32_t v : s.NeedsVisited) ok = ok && (!ValidSite(v) || complete[static_cast<size_t>(v)]);
      for (const TSlotDef& n : s.Needs) ok = ok && amountOk(n.Prop, n.Amount);
      if (!ok) continue;
      if (!reveal[i]) {
        reveal[i] = true;
        changed = true;
      }
      bool all = true;
      for (size_t j = 0; j < s.Scenes.size(); ++j) {
        if (!playable[i][j]) {
          playable[i][j] = true;
          changed = true;
        }
        if (!passable(s.Scenes[j])) {
          all = false;
          break;
        }
      }
      if (all && !complete[i]) {
        complete[i] = true;
        changed = true;
      }
    }
    if (!changed) break;
  }

  // Report, each time with the first reason found.
  for (size_t r = 1; r <= S.RegionList.size(); ++r) {
    const auto ref = static_cast<int32_t>(r);
    if (region[r] || ref == S.MenuRegion) continue;
    bool isDestination = false;
    for (const TSiteDef& s : S.Sites) isDestination = isDestination || s.Destination == ref;
    Error(RegionAt(ref), ref == S.MapRegion
                             ? std::string("the map region can never be opened: no site that unlocks the "
                                           "map button can be completed")
                         : isDestination ? std::string("can never be reached: no site that leads here can be completed")
                                         : std::string("can never be reached: it is not the start, not the map, and no "
                                                       "site leads here"));
  }
  auto why = [&](const TSiteDef& s) -> std::string {
    if (ValidSite(s.NeedsRevealed) && !reveal[static_cast<size_t>(s.NeedsRevealed)]) {
      return "it needs " + SiteName(s.NeedsRevealed) + " revealed, which never happens";
    }
    if (ValidSite(s.NeedsEntered) && !reveal[static_cast<size_t>(s.NeedsEntered)]) {
      return "it needs " + SiteName(s.NeedsEntered) + " entered, which never happens";
    }
    for (int32_t v : s.NeedsVisited) {
      if (ValidSite(v) && !complete[static_cast<size_t>(v)]) {
        return "it needs " + SiteName(v) + " completed, which never happens";
      }
    }
    for (const TSlotDef& n : s.Needs) {
      if (!amountOk(n.Prop, n.Amount)) {
        const int64_t m = most[static_cast<size_t>(n.Prop)];
        return "it needs " + std::to_string(n.Amount) + " " + PropName(n.Prop) + ", but " +
               (m == 0 ? std::string("nothing gives it") : "at most " + std::to_string(m) + " can be had");
      }
    }
    return "";
  };
  for (size_t i = 1; i <= nSites; ++i) {
    const TSiteDef& s = S.Sites[i - 1];
    const auto handle = static_cast<int32_t>(i);
    if (!ValidRegion(s.Region) || !region[static_cast<size_t>(s.Region)]) continue;  // reported with its region
    if (!reveal[i]) {
      Error(SiteAt(handle), "can never be revealed: " + why(s));
      continue;
    }
    for (size_t j = 0; j < s.Scenes.size(); ++j) {
      const TSceneDef& c = s.Scenes[j];
      if (c.Kind == SceneKinds::TextStop || passable(c)) continue;
      for (int k = 0; k < SceneKindLeftSlots(c.Kind); ++k) {
        const TSlotDef& l = c.Left[static_cast<size_t>(k)];
        if (amountOk(l.Prop, l.Amount)) continue;
        const int64_t m = most[static_cast<size_t>(l.Prop)];
        Error(SceneAt(handle, j),
              "its requirements can never be met: it needs " + std::to_string(l.Amount) + " " + PropName(l.Prop) +
                  ", but " +
                  (m == 0 ? std::string("nothing gives it") : "at most " + std::to_string(m) + " can be had") +
                  (j + 1 < s.Scenes.size() ? "; the scenes after it never play" : ""));
        break;
      }
      break;
    }
    // After a scene that leaves the site, the rest waits for the next visit, which a closing
    // site may never get.
    for (size_t j = 0; j + 1 < s.Scenes.size(); ++j) {
      if (!s.Scenes[j].LeavesSite || !ValidSite(s.DisappearsAfter)) continue;
      if (s.DisappearsAfter == handle) {
        continue;  // closes only once completed, after every scene
      }
      Warning(SceneAt(handle, j + 1), "plays on a later visit only if the hero comes back before " +
                                          SiteName(s.DisappearsAfter) + " is completed, which closes " +
                                          SiteName(handle));
      break;
    }
  }
  bool endingReached = false;
  for (size_t i = 1; i <= nSites; ++i) endingReached = endingReached || (S.Sites[i - 1].Ending && complete[i]);
  bool anyEnding = false;
  for (const TSiteDef& s : S.Sites) anyEnding = anyEnding || s.Ending;
  if (anyEnding && !endingReached) Error(Scenario(), "no ending can ever be completed: the story cannot be finished");

  // Achievements that can never reach their target (those that nothing feeds at all are reported
  // by CheckUse).
  std::vector<int64_t> progress(S.AchievementList.size() + 1, 0);
  std::vector<bool> fed(S.AchievementList.size() + 1, false);
  for (const TSiteDef& s : S.Sites) {
    for (const TSceneDef& c : s.Scenes) {
      for (int32_t a = c.Achievement, steps = 0;
           c.AchievementAmount > 0 && ValidAchievement(a) && steps <= static_cast<int32_t>(S.AchievementList.size());
           a = S.AchievementList[static_cast<size_t>(a - 1)].Parent, ++steps) {
        fed[static_cast<size_t>(a)] = true;
      }
    }
  }
  for (size_t a = 1; a <= S.AchievementList.size(); ++a) fed[a] = fed[a] || ValidProp(S.AchievementList[a - 1].Prop);
  for (size_t i = 1; i <= nSites; ++i) {
    const TSiteDef& s = S.Sites[i - 1];
    for (size_t j = 0; j < s.Scenes.size(); ++j) {
      const TSceneDef& c = s.Scenes[j];
      if (!playable[i][j] || !ValidAchievement(c.Achievement) || c.AchievementAmount <= 0) continue;
      const int64_t add = c.Repeatable ? Unbounded : c.AchievementAmount;
      for (int32_t a = c.Achievement, steps = 0;
           ValidAchievement(a) && steps <= static_cast<int32_t>(S.AchievementList.size());
           a = S.AchievementList[static_cast<size_t>(a - 1)].Parent, ++steps) {
        progress[static_cast<size_t>(a)] = Cap(progress[static_cast<size_t>(a)] + add);
      }
    }
  }
  for (size_t a = 1; a <= S.AchievementList.size(); ++a) {
    const TAchievementDef& ach = S.AchievementList[a - 1];
    const int64_t total = Cap(progress[a] + (ValidProp(ach.Prop) ? most[static_cast<size_t>(ach.Prop)] : 0));
    if (ach.Target > 0 && total < ach.Target && fed[a]) {
      Error(AchievementAt(static_cast<int32_t>(a)), "can never be earned: its target is " + std::to_string(ach.Target) +
                                                        ", but at most " + std::to_string(total) +
                                                        " progress can be gathered");
    }
  }
}

void TLinter::CheckTexts() {
  for (const TScenarioTexts& texts : Opt.Texts) {
    const TWhere file{texts.Path, 0, ""};
    auto need = [&](const TWhere& Where, const std::string& Key, const char* What) {
      if (texts.Keys.count(Key) == 0) {
        Error(Where, std::string(What) + " " + Key + " has no text in " + texts.Path);
      }
    };
    auto caption = [&](const TWhere& Where, int32_t Ref) {
      if (Ref > 0 && static_cast<size_t>(Ref) <= S.Pool[static_cast<size_t>(TPoolClass::Caption)].size()) {
        need(Where, S.Pool[static_cast<size_t>(TPoolClass::Caption)][static_cast<size_t>(Ref - 1)], "its caption");
      }
    };
    for (size_t i = 0; i < S.Props.size(); ++i) caption(PropAt(static_cast<int32_t>(i + 1)), S.Props[i].Caption);
    for (size_t i = 0; i < S.RegionList.size(); ++i)
      caption(RegionAt(static_cast<int32_t>(i + 1)), S.RegionList[i].Caption);
    for (size_t i = 0; i < S.Sites.size(); ++i) {
      const TSiteDef& s = S.Sites[i];
      caption(SiteAt(static_cast<int32_t>(i + 1)), s.Caption);
      for (size_t j = 0; j < s.Scenes.size(); ++j) {
        const TSceneDef& c = s.Scenes[j];
        const std::string key = "SceneLegendH" + std::to_string(c.Number);
        if (c.Kind == SceneKinds::FloatingText) {
          if (texts.Keys.count(key) == 0) {
            Warning(SceneAt(static_cast<int32_t>(i + 1), j),
                    "a \"Floating text\" without its text " + key + " in " + texts.Path + " passes unseen");
          }
        } else if (SceneKindShowsText(c.Kind)) {
          need(SceneAt(static_cast<int32_t>(i + 1), j), key, "its text");
        }
      }
    }
    for (size_t i = 0; i < S.HintList.size(); ++i) {
      if (!S.HintList[i].RouteOnly) {
        need(HintAt(static_cast<int32_t>(i + 1)), "HintLegendH" + std::to_string(S.HintList[i].Number), "its text");
      }
    }
    for (size_t i = 0; i < S.AchievementList.size(); ++i) {
      const TWhere w = AchievementAt(static_cast<int32_t>(i + 1));
      caption(w, S.AchievementList[i].Caption);
      need(w, "AchievementLegendH" + std::to_string(S.AchievementList[i].Number), "its text");
    }
  }
}

void TLinter::CheckAssets() {
  if (Opt.DataFolder.empty()) return;
  namespace fs = std::filesystem;
  fs::path folder(Opt.DataFolder);
  if (fs::is_directory(folder / "Ordinary")) folder /= "Ordinary";
  auto exists = [&](const std::string& Name, std::initializer_list<const char*> Extensions) {
    for (const char* ext : Extensions) {
      if (fs::exists(folder / (Name + ext))) return true;
    }
    return false;
  };
  auto report = [&](TPoolClass Class, const std::string& Name, const char* Files) {
    Warning(
        {FileLabel, 0, std::string(PoolClassName(Class)) + " " + Name},
        std::string("no file ") + Name + " (" + Files + ") in " + folder.string() + "; the game uses a placeholder");
  };
  for (const std::string& n : S.Pool[static_cast<size_t>(TPoolClass::Picture)]) {
    if (!exists(n, {".tpx", ".png", ".jpg"})) report(TPoolClass::Picture, n, ".tpx, .png or .jpg");
  }
  for (const std::string& n : S.Pool[static_cast<size_t>(TPoolClass::Effector)]) {
    if (!exists(n, {".emt"})) report(TPoolClass::Effector, n, ".emt");
  }
  for (const std::string& n : S.Pool[static_cast<size_t>(TPoolClass::Sound)]) {
    if (!exists(n, {".wav", ".ogg"})) report(TPoolClass::Sound, n, ".wav or .ogg");
  }
  for (const TPoolClass c : {TPoolClass::Terrain, TPoolClass::Water}) {
    for (const std::string& n : S.Pool[static_cast<size_t>(c)]) {
      if (!exists(n, {".tpx", ".png", ".jpg"})) report(c, n, ".tpx, .png or .jpg");
    }
  }
  for (const std::string& n : S.Pool[static_cast<size_t>(TPoolClass::Figure)]) {
    const bool effect = n.size() >= 2 && n[1] == '7';
    if (effect ? !exists(n, {".emt"}) : !exists(n, {".tpx", ".png", ".jpg"})) {
      report(TPoolClass::Figure, n,
             effect ? ".emt (a figure whose second character is 7 is a particle effect)" : ".tpx, .png or .jpg");
    }
  }
}

std::vector<TScenarioDiagnostic> TLinter::Run() {
  if (!CheckReferences()) return Out;
  CheckEntryPoints();
  CheckNumbers();
  CheckKindsAndSlots();
  CheckLoops();
  CheckUse();
  CheckReachability();
  CheckTexts();
  CheckAssets();
  std::stable_sort(Out.begin(), Out.end(), [](const TScenarioDiagnostic& a, const TScenarioDiagnostic& b) {
    return a.Severity == TSeverity::Error && b.Severity != TSeverity::Error;
  });
  return Out;
}

}  // namespace

std::vector<TScenarioDiagnostic> LintScenario(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places,
                                              const std::string& Label, const TScenarioLintOptions& Options) {
  TLinter linter(Scenario, Places, Label, Options);
  return linter.Run();
}

}  // namespace tv
