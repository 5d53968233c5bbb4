#include "authoring/GameScenarioCoverage.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "authoring/GameScenarioLint.h"
#include "authoring/GameScenarioSolver.h"
#include "engine/EngineScript.h"
#include "game/GameAchievement.h"
#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GameHint.h"
#include "game/GamePlayers.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv {

namespace {

std::string Quoted(const std::string& Name) { return "\"" + Name + "\""; }

TCoverageItem MakeItem(const char* Kind, std::string Object, std::string File = {}, int Line = 0) {
  TCoverageItem item;
  item.Kind = Kind;
  item.Object = std::move(Object);
  item.File = std::move(File);
  item.Line = Line;
  return item;
}

// What one way (or the exploration) has seen, by the builder's positions.
struct TSeen {
  std::set<size_t> Items;  // indices into the result's items
  std::set<std::string> Texts;
};

class TCoverage {
 public:
  TCoverage(const TScenarioBuilder& S, const TScenarioSourceMap* P, const std::string& Label)
      : S(S), P(P), Label(Label) {
    BuildItems();
  }

  void Run(const TCoverageOptions& Options, TCoverageResult& Result);

 private:
  const TScenarioBuilder& S;
  const TScenarioSourceMap* P;
  std::string Label;
  std::vector<TCoverageItem> Items;
  std::map<std::pair<int32_t, int32_t>, int32_t> SiteHandle;  // (region number, site number)
  std::map<std::pair<int32_t, int32_t>, size_t> SceneItem;    // (site handle, scene number)
  std::map<std::pair<size_t, int32_t>, size_t> RowItem;       // (scene item, row)
  std::vector<size_t> SiteItem;                               // by handle - 1
  std::map<int32_t, size_t> AchievementItem, HintItem;        // by number
  std::map<std::string, std::string> TextOwner;               // key -> what it belongs to

  void Place(TCoverageItem& Item, const std::vector<TSourcePlace>* Places, size_t Index) const {
    if (Places != nullptr && Index < Places->size()) {
      Item.File = (*Places)[Index].File;
      Item.Line = (*Places)[Index].Line;
    }
  }
  std::string SiteObject(size_t I) const {
    if (P != nullptr && I < P->Sites.size()) return "site " + P->Sites[I].Id;
    return "site " + std::to_string(I + 1) + " " + Quoted(S.Sites[I].Name) + " (number " +
           std::to_string(S.Sites[I].Number) + ")";
  }
  std::string CaptionKey(int32_t Ref) const {
    const auto& captions = S.Pool[static_cast<size_t>(TPoolClass::Caption)];
    return Ref > 0 && static_cast<size_t>(Ref) <= captions.size() ? captions[static_cast<size_t>(Ref - 1)] : "";
  }
  void Own(const std::string& Key, const std::string& Owner) {
    if (!Key.empty() && TextOwner.count(Key) == 0) TextOwner[Key] = Owner;
  }

  void BuildItems();
  void Observe(TSeen& Seen, const THeadlessPlay& Play);
  // Plays one way of actions (or, with Random, random choices); true when it reached an ending.
  bool PlayWay(THeadlessPlay& Play, const std::vector<std::string>* Actions, std::mt19937* Random, int32_t MaxActions,
               TSeen& Seen);
};

void TCoverage::BuildItems() {
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    const TSiteDef& site = S.Sites[i];
    const int32_t region = site.Region > 0 && static_cast<size_t>(site.Region) <= S.RegionList.size()
                               ? S.RegionList[static_cast<size_t>(site.Region - 1)].Number
                               : 0;
    SiteHandle.emplace(std::make_pair(region, site.Number), static_cast<int32_t>(i + 1));
    TCoverageItem item = MakeItem("site", SiteObject(i));
    Place(item, P != nullptr ? &P->Sites : nullptr, i);
    SiteItem.push_back(Items.size());
    Items.push_back(item);
    Own(CaptionKey(site.Caption), item.Object);
    for (size_t j = 0; j < site.Scenes.size(); ++j) {
      const TSceneDef& scene = site.Scenes[j];
      TCoverageItem s =
          MakeItem("scene", "scene " + std::to_string(scene.Number) + " of " + SiteObject(i), item.File, item.Line);
      if (P != nullptr && i < P->Scenes.size()) Place(s, &P->Scenes[i], j);
      const size_t sceneIndex = Items.size();
      SceneItem.emplace(std::make_pair(static_cast<int32_t>(i + 1), scene.Number), sceneIndex);
      Items.push_back(s);
      Own("SceneLegendH" + std::to_string(scene.Number), s.Object);
      if (!IsBarterKind(scene.Kind)) continue;
      for (int32_t row = 0; row < SceneKindLeftSlots(scene.Kind) && row < 7; ++row) {
        if (scene.Left[static_cast<size_t>(row)].Prop <= 0 || scene.Right[static_cast<size_t>(row)].Prop <= 0) continue;
        TCoverageItem r = MakeItem("barter row", "row " + std::to_string(row + 1) + " of " + s.Object, s.File, s.Line);
        RowItem.emplace(std::make_pair(sceneIndex, row), Items.size());
        Items.push_back(r);
      }
    }
  }
  for (size_t i = 0; i < S.AchievementList.size(); ++i) {
    const TAchievementDef& a = S.AchievementList[i];
    TCoverageItem item = MakeItem("achievement", P != nullptr && i < P->Achievements.size()
                                                     ? "achievement " + P->Achievements[i].Id
                                                     : "achievement " + std::to_string(i + 1) + " " + Quoted(a.Name));
    Place(item, P != nullptr ? &P->Achievements : nullptr, i);
    AchievementItem.emplace(a.Number, Items.size());
    Items.push_back(item);
    Own(CaptionKey(a.Caption), item.Object);
    Own("AchievementLegendH" + std::to_string(a.Number), item.Object);
  }
  for (size_t i = 0; i < S.HintList.size(); ++i) {
    const THintDef& h = S.HintList[i];
    TCoverageItem item =
        MakeItem("hint", P != nullptr && i < P->Hints.size() ? "hint " + P->Hints[i].Id
                                                             : "hint " + std::to_string(i + 1) + " " + Quoted(h.Name));
    Place(item, P != nullptr ? &P->Hints : nullptr, i);
    HintItem.emplace(h.Number, Items.size());
    Items.push_back(item);
    if (!h.RouteOnly) Own("HintLegendH" + std::to_string(h.Number), item.Object);
  }
  for (size_t i = 0; i < S.Props.size(); ++i) Own(CaptionKey(S.Props[i].Caption), "prop " + S.Props[i].Name);
  for (size_t i = 0; i < S.RegionList.size(); ++i)
    Own(CaptionKey(S.RegionList[i].Caption), "region " + S.RegionList[i].Name);
}

void TCoverage::Observe(TSeen& Seen, const THeadlessPlay&) {
  auto caption = [&Seen](const TCaption* Caption) {
    if (Caption != nullptr) Seen.Texts.insert(Caption->Name);
  };
  for (TItem* r : *Regions()) {
    for (TItem* s : *static_cast<TRegion*>(r)->Sites) {
      const auto* site = static_cast<TSite*>(s);
      const auto handle = SiteHandle.find({site->Region->Number, site->Number});
      if (handle == SiteHandle.end()) continue;
      if (site->Revealed) caption(site->Caption);
      if (site->Entered || site->Count > 0) Seen.Items.insert(SiteItem[static_cast<size_t>(handle->second - 1)]);
      for (TItem* c : *site->Scenes) {
        const auto* scene = static_cast<TScene*>(c);
        if (scene->Count <= 0) continue;
        const auto item = SceneItem.find({handle->second, scene->Number});
        if (item != SceneItem.end()) Seen.Items.insert(item->second);
        if (SceneKindShowsText(scene->Kind)) Seen.Texts.insert("SceneLegendH" + std::to_string(scene->Number));
      }
    }
  }
  if (CurrentRegion() != nullptr) caption(CurrentRegion()->Caption);
  // The menu shows its region's map and name.
  if (MenuRegion() != nullptr) caption(MenuRegion()->Caption);
  for (TItem* item : *Props()) {
    const auto* prop = static_cast<TProp*>(item);
    if (prop->Amount > 0) caption(prop->Caption);
  }
  // A scene window shows its text and the props of its slots.
  const TAvatar* avatar = Avatar();
  if (avatar->State == StatePresenting && avatar->Scene != nullptr) {
    const TScene* scene = avatar->Scene;
    Seen.Texts.insert("SceneLegendH" + std::to_string(scene->Number));
    if (scene->Site != nullptr && scene->Site->Region != nullptr) {
      const auto handle = SiteHandle.find({scene->Site->Region->Number, scene->Site->Number});
      const auto item = handle != SiteHandle.end() ? SceneItem.find({handle->second, scene->Number}) : SceneItem.end();
      if (item != SceneItem.end()) Seen.Items.insert(item->second);
    }
    for (int32_t i = 0; i < SceneSlotCount; ++i) {
      if (scene->Left[i].Prop != nullptr) caption(scene->Left[i].Prop->Caption);
      if (scene->Right[i].Prop != nullptr) caption(scene->Right[i].Prop->Caption);
    }
  }
  if (const THint* hint = CurrentHint()) {
    const auto item = HintItem.find(hint->Number);
    if (item != HintItem.end()) Seen.Items.insert(item->second);
    Seen.Texts.insert("HintLegendH" + std::to_string(hint->Number));
  }
  // The achievements dialog lists every achievement that is not hidden; a hidden one once earned.
  for (TItem* item : *Achievements()) {
    const auto* a = static_cast<TAchievement*>(item);
    const bool earned = HasEarned(CurrentPlayer(), a->Number);
    if (earned) {
      const auto found = AchievementItem.find(a->Number);
      if (found != AchievementItem.end()) Seen.Items.insert(found->second);
    }
    if (earned || !a->Hidden) {
      caption(a->Caption);
      Seen.Texts.insert("AchievementLegendH" + std::to_string(a->Number));
    }
  }
  // Barter rows traded: a BarterApplied event after the counts of its trade.
  const TPlayer* player = CurrentPlayer();
  const TItem* before = nullptr;
  for (const TItem* item : *player->Events) {
    const TData& data = static_cast<const TEvent*>(item)->Data;
    if (data.Kind == BarterApplied && before != nullptr &&
        static_cast<const TEvent*>(before)->Data.Kind == BarterCounts) {
      const TData& counts = static_cast<const TEvent*>(before)->Data;
      const int32_t quantity[7] = {counts.Region,   counts.Site,     counts.Scene,   counts.Value,
                                   counts.Extra[0], counts.Extra[1], counts.Extra[2]};
      const auto handle = SiteHandle.find({data.Region, data.Site});
      if (handle != SiteHandle.end()) {
        const auto scene = SceneItem.find({handle->second, data.Scene});
        for (int32_t row = 0; scene != SceneItem.end() && row < 7; ++row) {
          if (quantity[row] <= 0) continue;
          const auto r = RowItem.find({scene->second, row});
          if (r != RowItem.end()) Seen.Items.insert(r->second);
        }
      }
    }
    before = item;
  }
}

bool EndingCall(const THeadlessPlay& Play) {
  return std::find(Play.Gui.Calls.begin(), Play.Gui.Calls.end(), "form Menu FadeEnding") != Play.Gui.Calls.end();
}

bool TCoverage::PlayWay(THeadlessPlay& Play, const std::vector<std::string>* Actions, std::mt19937* Random,
                        int32_t MaxActions, TSeen& Seen) {
  auto observe = [&] { Observe(Seen, Play); };
  // Achievements are the player's, kept across games: each way starts with none earned.
  CurrentPlayer()->Earned.clear();
  NewGame();
  Play.Gui.Calls.clear();
  if (!SettleObserving(Play, observe)) return false;
  const size_t steps = Actions != nullptr ? Actions->size() : static_cast<size_t>(std::max(MaxActions, 0));
  for (size_t step = 0; step < steps; ++step) {
    std::string action;
    if (Actions != nullptr) {
      action = (*Actions)[step];
    } else {
      const std::vector<std::string> choices = PlayerChoices();
      if (choices.empty()) break;
      action = choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(*Random)];
    }
    Play.Gui.Calls.clear();
    if (Play.Perform(action) != "ok") continue;
    if (!SettleObserving(Play, observe)) return false;
    if (EndingCall(Play)) return true;
  }
  return false;
}

void TCoverage::Run(const TCoverageOptions& Options, TCoverageResult& Result) {
  // What the linter proves can never happen.
  std::map<std::string, std::string> proofs;
  for (const TScenarioDiagnostic& d : LintScenario(S, P, Label, {})) {
    if (d.Severity != TScenarioDiagnostic::TSeverity::Error || d.Object.empty()) continue;
    if (d.Message.find("can never") == std::string::npos && d.Message.find("never be") == std::string::npos) continue;
    proofs.emplace(d.Object, d.Message);
  }

  std::vector<TSeen> ways;
  {
    TSolveOptions solve;
    solve.MaxStates = Options.MaxStates;
    const TSolveResult way = SolveScenario(solve);
    if (way.Found) {
      THeadlessPlay play;
      TSeen seen;
      Result.SolverFound = true;
      Result.WaysEnded += PlayWay(play, &way.Actions, nullptr, 0, seen) ? 1 : 0;
      ways.push_back(std::move(seen));
    }
  }
  THeadlessPlay play;
  for (int32_t w = 0; w < Options.Ways; ++w) {
    std::mt19937 random(Options.Seed + static_cast<uint32_t>(w) * 7919u);
    TSeen seen;
    Result.WaysEnded += PlayWay(play, nullptr, &random, Options.MaxActions, seen) ? 1 : 0;
    ways.push_back(std::move(seen));
  }
  Result.WaysPlayed = static_cast<int32_t>(ways.size());

  // Every state a player can reach: what none of them holds is unreachable.
  TSeen explored;
  CurrentPlayer()->Earned.clear();
  TSolveOptions explore;
  explore.MaxStates = Options.MaxStates;
  Result.Explored = ExploreScenario(
      explore, play, [&] { Observe(explored, play); }, &Result.ExploredStates);

  std::set<std::string> shown;
  for (const TSeen& seen : ways) {
    for (const size_t i : seen.Items) ++Items[i].Ways;
    shown.insert(seen.Texts.begin(), seen.Texts.end());
  }
  // A proof carries over to what lies behind it: the scenes of a site that can never be
  // revealed, and the scenes after one that can never be passed.
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    const std::string site = SiteObject(i);
    std::string behind;
    const auto siteProof = proofs.find(site);
    if (siteProof != proofs.end()) behind = "its site " + siteProof->second;
    for (const TSceneDef& scene : S.Sites[i].Scenes) {
      const std::string object = "scene " + std::to_string(scene.Number) + " of " + site;
      if (!behind.empty()) proofs.emplace(object, behind);
      const auto proof = proofs.find(object);
      if (behind.empty() && proof != proofs.end()) {
        behind = "it lies behind scene " + std::to_string(scene.Number) + " (" + proof->second + ")";
      }
    }
  }
  const TCoverageItem* scene = nullptr;  // the scene of the barter rows that follow it
  for (TCoverageItem& item : Items) {
    if (item.Kind == "scene") scene = &item;
    if (item.Ways > 0) continue;
    const auto proof = proofs.find(item.Object);
    if (item.Kind == "barter row" && scene != nullptr && scene->Unreachable) {
      item.Unreachable = true;
      item.Why = "its scene is unreachable: " + scene->Why;
    } else if (proof != proofs.end()) {
      item.Unreachable = true;
      item.Why = proof->second;
    } else if (Result.Explored && explored.Items.count(static_cast<size_t>(&item - Items.data())) == 0) {
      item.Unreachable = true;
      item.Why = "no state a player can reach holds it (all " + std::to_string(Result.ExploredStates) +
                 " states from a new game explored)";
    }
  }
  for (const auto& [key, owner] : TextOwner) {
    if (shown.count(key) == 0 && TextExists(key)) Result.TextsNeverShown.push_back(key + " (" + owner + ")");
  }
  Result.Items = std::move(Items);
  Result.Ok = true;
}

std::string Place(const TCoverageItem& Item, const std::string& Label) {
  if (Item.File.empty()) return Label;
  return Item.File + ":" + std::to_string(Item.Line);
}

std::string Verdict(const TCoverageItem& Item, int32_t Ways) {
  if (Item.Ways > 0) return "reached by " + std::to_string(Item.Ways) + " of " + std::to_string(Ways) + " ways";
  if (Item.Unreachable) return "unreachable: " + Item.Why;
  return "never reached";
}

std::string Html(const std::string& Text) { return EscapeMarkup(Text); }

std::string Summary(const TCoverageResult& R) {
  int32_t reached = 0, never = 0, unreachable = 0;
  for (const TCoverageItem& item : R.Items) {
    if (item.Ways > 0) {
      ++reached;
    } else if (item.Unreachable) {
      ++unreachable;
    } else {
      ++never;
    }
  }
  return std::to_string(R.WaysPlayed) + " ways (" + (R.SolverFound ? "the solver's and " : "no solver's way, ") +
         std::to_string(R.WaysPlayed - (R.SolverFound ? 1 : 0)) + " random), " + std::to_string(R.WaysEnded) +
         " reached an ending; " + std::to_string(reached) + " reached, " + std::to_string(never) + " never reached, " +
         std::to_string(unreachable) + " unreachable; " +
         (R.Explored ? "all " + std::to_string(R.ExploredStates) + " reachable states explored"
                     : "not every reachable state explored (" + std::to_string(R.ExploredStates) + " visited)");
}

}  // namespace

TCoverageResult ScenarioCoverage(const TScenarioBuilder& Scenario, const TScenarioSourceMap* Places,
                                 const std::string& Label, const TCoverageOptions& Options) {
  TCoverageResult result;
  if (CurrentPlayer() == nullptr) {
    result.Why = "no current player";
    return result;
  }
  TCoverage coverage(Scenario, Places, Label);
  coverage.Run(Options, result);
  CurrentPlayer()->Earned.clear();
  NewGame();
  return result;
}

std::string CoverageText(const TCoverageResult& Result) {
  std::string out = "# " + Summary(Result) + "\n";
  for (const TCoverageItem& item : Result.Items) {
    out += Place(item, "") + (item.File.empty() ? "" : ": ") + item.Object + ": " + Verdict(item, Result.WaysPlayed) +
           "\n";
  }
  out += "# texts never shown: " + std::to_string(Result.TextsNeverShown.size()) + "\n";
  for (const std::string& text : Result.TextsNeverShown) out += "text " + text + "\n";
  return out;
}

std::string CoverageHtml(const TCoverageResult& Result, const std::string& Title, const std::string& Graph) {
  std::string out = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Coverage of " + Html(Title) +
                    "</title>\n<style>body{font-family:sans-serif}td,th{padding:2px 8px;text-align:left}"
                    ".reached{background:#d8f0d0}.never{background:#f8e8b0}.unreachable{background:#f4c0c0}</style>"
                    "</head><body>\n<h1>Coverage of " +
                    Html(Title) + "</h1>\n<p>" + Html(Summary(Result)) + "</p>\n";
  if (!Graph.empty()) out += "<p><a href=\"" + Html(Graph) + "\">The story's graph</a></p>\n";
  out += "<table>\n<tr><th>what</th><th>where</th><th>ways</th><th>verdict</th></tr>\n";
  for (const TCoverageItem& item : Result.Items) {
    const char* cls = item.Ways > 0 ? "reached" : item.Unreachable ? "unreachable" : "never";
    out += "<tr class=\"" + std::string(cls) + "\"><td>" + Html(item.Object) + "</td><td>" + Html(Place(item, "")) +
           "</td><td>" + std::to_string(item.Ways) + "</td><td>" + Html(Verdict(item, Result.WaysPlayed)) +
           "</td></tr>\n";
  }
  out += "</table>\n<h2>Texts never shown (" + std::to_string(Result.TextsNeverShown.size()) + ")</h2>\n<ul>\n";
  for (const std::string& text : Result.TextsNeverShown) out += "<li>" + Html(text) + "</li>\n";
  out += "</ul>\n</body></html>\n";
  return out;
}

}  // namespace tv
