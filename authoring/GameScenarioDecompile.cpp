// The decompiler: a scenario's records back to source text that compiles to the same bytes.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "authoring/GameScenarioSource.h"
#include "base/EngineClasses.h"

namespace tv {

namespace {

constexpr int KindProp = 0, KindRegion = 1, KindSite = 2, KindHint = 3, KindAchievement = 4;
const char* const KindWords[5] = {"prop", "region", "site", "hint", "achievement"};

// A source identifier made from a stored name: letters, digits, "_", "-" and "." kept, anything
// else becomes "_"; a leading character that cannot start a name gets a prefix.
std::string Sanitize(const std::string& Name, const char* Prefix) {
  std::string out;
  for (const char c : Name) {
    const bool ok =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    out += ok ? c : '_';
  }
  if (out.empty() || !((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z') || out[0] == '_')) {
    out = std::string(Prefix) + "_" + out;
  }
  if (out == "none") out = "none_";
  return out;
}

class TDecompiler {
 public:
  explicit TDecompiler(const TScenarioBuilder& Scenario) : S(Scenario) {}
  std::string Run(const std::string& Origin);

 private:
  void Check();
  void CheckRef(int Kind, int32_t Value, const std::string& Where);
  void CheckAsset(TPoolClass Class, int32_t Value, const std::string& Where);
  void NameObjects();
  std::string Ref(int Kind, int32_t Value) const;
  std::string Asset(TPoolClass Class, int32_t Value) const;
  std::string Body(bool WithPool);
  void Prop(std::string& Out, size_t I);
  void Region(std::string& Out, size_t I);
  void Site(std::string& Out, size_t Handle);
  void Scene(std::string& Out, const TSceneDef& C);
  void Hint(std::string& Out, size_t I);
  void Achievement(std::string& Out, size_t I);

  const TScenarioBuilder& S;
  std::vector<std::string> Ids[5];
  std::vector<std::string> AssetIds[PoolClassCount];
  bool AssetAliases = false;
};

std::string Int(int32_t V) { return std::to_string(V); }
std::string Flt(float V) { return ScenarioSourceFloat(V); }

void TDecompiler::CheckRef(int Kind, int32_t Value, const std::string& Where) {
  static const auto count = [](const TScenarioBuilder& B, int K) -> size_t {
    switch (K) {
      case KindProp: return B.Props.size();
      case KindRegion: return B.RegionList.size();
      case KindSite: return B.Sites.size();
      case KindHint: return B.HintList.size();
      default: return B.AchievementList.size();
    }
  };
  if (Value > 0 && static_cast<size_t>(Value) > count(S, Kind)) {
    throw EError(Where + " refers to " + KindWords[Kind] + " " + std::to_string(Value) + ", but the file lists only " +
                 std::to_string(count(S, Kind)));
  }
}

void TDecompiler::CheckAsset(TPoolClass Class, int32_t Value, const std::string& Where) {
  const size_t n = S.Pool[static_cast<size_t>(Class)].size();
  if (Value > 0 && static_cast<size_t>(Value) > n) {
    throw EError(Where + " refers to " + PoolClassName(Class) + " " + std::to_string(Value) +
                 ", but the pool lists only " + std::to_string(n));
  }
}

void TDecompiler::Check() {
  for (size_t i = 0; i < S.Props.size(); ++i) {
    const TPropDef& p = S.Props[i];
    const std::string where = "prop " + std::to_string(i + 1);
    CheckAsset(TPoolClass::Picture, p.Picture, where);
    CheckAsset(TPoolClass::Caption, p.Caption, where);
  }
  for (size_t i = 0; i < S.RegionList.size(); ++i) {
    const TRegionDef& r = S.RegionList[i];
    const std::string where = "region " + std::to_string(i + 1);
    CheckAsset(TPoolClass::Picture, r.Picture, where);
    CheckAsset(TPoolClass::Caption, r.Caption, where);
    CheckAsset(TPoolClass::Sound, r.InitialMusic, where);
    for (const auto& tile : r.Tiles) {
      CheckAsset(TPoolClass::Terrain, tile[0], where + " tile");
      CheckAsset(TPoolClass::Water, tile[1], where + " tile");
    }
    for (const TPlotDef& p : r.Plots) {
      CheckAsset(TPoolClass::Figure, p.Figure, where + " plot");
      CheckAsset(TPoolClass::Group, p.Group, where + " plot");
      CheckAsset(TPoolClass::Sound, p.Sound, where + " plot");
    }
  }
  for (size_t i = 0; i < S.Sites.size(); ++i) {
    const TSiteDef& s = S.Sites[i];
    const std::string where = "site " + std::to_string(i + 1);
    if (s.Region < 1 || static_cast<size_t>(s.Region) > S.RegionList.size()) {
      throw EError(where + " belongs to no region of the file");
    }
    CheckAsset(TPoolClass::Caption, s.Caption, where);
    CheckRef(KindRegion, s.Destination, where);
    CheckAsset(TPoolClass::Sound, s.RegionMusic, where);
    CheckRef(KindSite, s.NeedsRevealed, where);
    CheckRef(KindSite, s.NeedsEntered, where);
    for (int32_t v : s.NeedsVisited) CheckRef(KindSite, v, where);
    for (const TSlotDef& n : s.Needs) CheckRef(KindProp, n.Prop, where);
    CheckAsset(TPoolClass::Group, s.RevealGroup, where);
    CheckRef(KindSite, s.DisappearsAfter, where);
    CheckRef(KindHint, s.Hint, where);
    CheckRef(KindSite, s.NextGuide, where);
    for (const TSceneDef& c : s.Scenes) {
      const std::string in = "scene " + std::to_string(c.Number) + " of " + where;
      if (!IsSceneKind(c.Kind)) {
        throw EError(in + " has kind " + std::to_string(c.Kind) + "; kinds run from 0 to " +
                     std::to_string(SceneKindCount - 1));
      }
      CheckAsset(TPoolClass::Sound, c.Music, in);
      CheckAsset(TPoolClass::Sound, c.Sound, in);
      CheckAsset(TPoolClass::Picture, c.Illustration, in);
      for (const TSlotDef& slot : c.Left) CheckRef(KindProp, slot.Prop, in);
      for (const TSlotDef& slot : c.Right) CheckRef(KindProp, slot.Prop, in);
      CheckRef(KindAchievement, c.Achievement, in);
      CheckAsset(TPoolClass::Sound, c.ExecutionSound, in);
      CheckAsset(TPoolClass::Effector, c.Effector, in);
      for (int32_t g : c.Groups) CheckAsset(TPoolClass::Group, g, in);
    }
  }
  CheckRef(KindRegion, S.MenuRegion, "the menu region");
  CheckRef(KindRegion, S.StartRegion, "the start region");
  CheckRef(KindRegion, S.MapRegion, "the map region");
  CheckRef(KindSite, S.GuideStart, "the guide start");
  for (size_t i = 0; i < S.HintList.size(); ++i) {
    const THintDef& h = S.HintList[i];
    const std::string where = "hint " + std::to_string(i + 1);
    CheckRef(KindProp, h.Goal, where);
    CheckRef(KindProp, h.NeedsProp, where);
    CheckRef(KindSite, h.UntilVisited, where);
    CheckRef(KindSite, h.AfterVisited, where);
    CheckRef(KindSite, h.UntilEntered, where);
    CheckRef(KindRegion, h.OutsideRegion, where);
    for (int32_t sub : h.SubHints) CheckRef(KindHint, sub, where);
  }
  for (size_t i = 0; i < S.AchievementList.size(); ++i) {
    const TAchievementDef& a = S.AchievementList[i];
    const std::string where = "achievement " + std::to_string(i + 1);
    CheckAsset(TPoolClass::Caption, a.Caption, where);
    CheckRef(KindProp, a.Prop, where);
    CheckRef(KindAchievement, a.Parent, where);
    CheckRef(KindAchievement, a.Prerequisite, where);
  }
}

void TDecompiler::NameObjects() {
  auto name = [](std::vector<std::string>& Out, std::set<std::string>& Taken, const std::string& Stored,
                 const char* Prefix) {
    std::string id = ScenarioSourceName(Stored) == Stored ? Stored : Sanitize(Stored, Prefix);
    if (Taken.count(id) != 0) {
      const std::string base = id;
      for (int k = 2;; ++k) {
        id = base + "_" + std::to_string(k);
        if (Taken.count(id) == 0) break;
      }
    }
    Taken.insert(id);
    Out.push_back(id);
  };
  std::set<std::string> taken[5];
  for (const TPropDef& p : S.Props) name(Ids[KindProp], taken[KindProp], p.Name, "prop");
  for (const TRegionDef& r : S.RegionList) name(Ids[KindRegion], taken[KindRegion], r.Name, "region");
  for (const TSiteDef& s : S.Sites) name(Ids[KindSite], taken[KindSite], s.Name, "site");
  for (const THintDef& h : S.HintList) name(Ids[KindHint], taken[KindHint], h.Name, "hint");
  for (const TAchievementDef& a : S.AchievementList) {
    name(Ids[KindAchievement], taken[KindAchievement], a.Name, "achievement");
  }
  // Assets are referred to by their names; a name listed twice gets an alias for its later entries.
  for (int c = 0; c < PoolClassCount; ++c) {
    std::set<std::string> seen;
    std::set<std::string> all(S.Pool[static_cast<size_t>(c)].begin(), S.Pool[static_cast<size_t>(c)].end());
    for (size_t i = 0; i < S.Pool[static_cast<size_t>(c)].size(); ++i) {
      const std::string& n = S.Pool[static_cast<size_t>(c)][i];
      if (seen.insert(n).second) {
        AssetIds[c].push_back(n);
        continue;
      }
      AssetAliases = true;
      std::string alias;
      for (int k = 2;; ++k) {
        alias = Sanitize(n, "asset") + "~" + std::to_string(k);
        if (all.count(alias) == 0 && seen.count(alias) == 0) break;
      }
      seen.insert(alias);
      AssetIds[c].push_back(alias);
    }
  }
}

std::string TDecompiler::Ref(int Kind, int32_t Value) const {
  if (Value == 0) return "none";
  if (Value < 0) return Int(Value);
  return ScenarioSourceName(Ids[Kind][static_cast<size_t>(Value - 1)]);
}

std::string TDecompiler::Asset(TPoolClass Class, int32_t Value) const {
  if (Value == 0) return "none";
  if (Value < 0) return Int(Value);
  return ScenarioSourceName(AssetIds[static_cast<int>(Class)][static_cast<size_t>(Value - 1)]);
}

// The "name" field when an object's identifier differs from its stored name.
std::string NameField(const std::string& Id, const std::string& Stored) {
  return Id == Stored ? "" : " name " + ScenarioSourceName(Stored);
}

// Fields of slot arrays in the order the compiler fills them: a plain keyword takes the slot after
// the highest one used so far, a numbered keyword ("needs2") a given slot.
std::string SlotKeyword(const std::string& Base, int Slot, int& Used) {
  const std::string key = Slot == Used ? Base : Base + std::to_string(Slot + 1);
  Used = std::max(Used, Slot + 1);
  return key;
}

// The fields after an entry's head: without any the line ends; otherwise a block of " {", a line
// a field one step deeper than Indent, and the closing "}" at Indent.
void AppendBlock(std::string& Out, const std::vector<std::string>& Fields, const std::string& Indent) {
  if (Fields.empty()) {
    Out += "\n";
    return;
  }
  Out += " {\n";
  for (const std::string& field : Fields) Out += Indent + "  " + field + "\n";
  Out += Indent + "}\n";
}

void TDecompiler::Prop(std::string& Out, size_t I) {
  const TPropDef& p = S.Props[I];
  const std::string& id = Ids[KindProp][I];
  Out += "prop " + ScenarioSourceName(id) + " " + Int(p.Number);
  if (p.Kind != 0) {
    const char* kind = PropKindName(p.Kind);
    Out += *kind != '\0' ? std::string(" ") + kind : " kind " + Int(p.Kind);
  }
  if (p.SingleUnit) Out += " single-unit";
  if (p.InitialAmount != 0) Out += " initial " + Int(p.InitialAmount);
  if (p.Caption != 0) Out += " caption " + Asset(TPoolClass::Caption, p.Caption);
  if (p.Picture != 0) Out += " picture " + Asset(TPoolClass::Picture, p.Picture);
  if (p.Frame != 0) Out += " frame " + Int(p.Frame);
  Out += NameField(id, p.Name) + "\n";
}

void TDecompiler::Region(std::string& Out, size_t I) {
  const TRegionDef& r = S.RegionList[I];
  const std::string& id = Ids[KindRegion][I];
  Out += "region " + ScenarioSourceName(id) + " " + Int(r.Number) + " {\n";
  if (id != r.Name) Out += "  name " + ScenarioSourceName(r.Name) + "\n";
  if (r.Caption != 0) Out += "  caption " + Asset(TPoolClass::Caption, r.Caption) + "\n";
  if (r.Picture != 0) Out += "  picture " + Asset(TPoolClass::Picture, r.Picture) + "\n";
  if (r.InitialMusic != 0) Out += "  music " + Asset(TPoolClass::Sound, r.InitialMusic) + "\n";
  if (r.Flag) Out += "  flag\n";

  // The map: one letter per distinct pair of terrain and water, "." for none.
  std::map<std::pair<int32_t, int32_t>, char> letters;
  std::vector<std::pair<std::pair<int32_t, int32_t>, char>> legend;
  std::set<char> used{'.'};
  static const std::string alphabet =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789~+*=%&!?@$^<>|/\\:,'()[]-_`";
  std::vector<size_t> overflow;
  for (size_t t = 0; t < r.Tiles.size(); ++t) {
    const std::pair<int32_t, int32_t> pair{r.Tiles[t][0], r.Tiles[t][1]};
    if (pair == std::pair<int32_t, int32_t>{0, 0} || letters.count(pair) != 0) continue;
    // Prefer the first letter of the terrain's (or water's) name after its "X9" prefix.
    std::vector<char> wishes;
    const int32_t named = pair.first > 0 ? pair.first : 0;
    if (named > 0) {
      const std::string& n = S.Pool[static_cast<size_t>(TPoolClass::Terrain)][static_cast<size_t>(named - 1)];
      size_t k = n.size() >= 2 && n[0] >= 'A' && n[0] <= 'Z' && n[1] >= '0' && n[1] <= '9' ? 2 : 0;
      while (k < n.size() && !std::isalpha(static_cast<unsigned char>(n[k]))) ++k;
      if (k < n.size()) {
        wishes.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(n[k]))));
        wishes.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(n[k]))));
      }
    } else {
      wishes.push_back('~');
    }
    char chosen = 0;
    for (const char w : wishes) {
      if (used.count(w) == 0) {
        chosen = w;
        break;
      }
    }
    for (size_t k = 0; chosen == 0 && k < alphabet.size(); ++k) {
      if (used.count(alphabet[k]) == 0) chosen = alphabet[k];
    }
    if (chosen == 0) continue;  // out of letters: these tiles are written one by one below
    used.insert(chosen);
    letters[pair] = chosen;
    legend.push_back({pair, chosen});
  }
  if (!legend.empty()) {
    Out += "  legend {\n";
    for (const auto& [pair, letter] : legend) {
      Out += std::string("    ") + letter + " " + Asset(TPoolClass::Terrain, pair.first);
      if (pair.second != 0) Out += " " + Asset(TPoolClass::Water, pair.second);
      Out += "\n";
    }
    Out += "  }\n  tiles {\n";
    for (int row = 0; row < MapRows; ++row) {
      Out += "    ";
      for (int column = 0; column < MapColumns; ++column) {
        const size_t t = static_cast<size_t>(row) * MapColumns + static_cast<size_t>(column);
        const std::pair<int32_t, int32_t> pair{r.Tiles[t][0], r.Tiles[t][1]};
        const auto found = letters.find(pair);
        if (found != letters.end()) {
          Out += found->second;
        } else {
          Out += '.';
          if (pair != std::pair<int32_t, int32_t>{0, 0}) overflow.push_back(t);
        }
      }
      Out += "\n";
    }
    Out += "  }\n";
  } else {
    for (size_t t = 0; t < r.Tiles.size(); ++t) {
      if (r.Tiles[t][0] != 0 || r.Tiles[t][1] != 0) overflow.push_back(t);
    }
  }
  for (const size_t t : overflow) {
    Out += "  tile " + std::to_string(t % MapColumns) + " " + std::to_string(t / MapColumns) + " " +
           Asset(TPoolClass::Terrain, r.Tiles[t][0]) + " " + Asset(TPoolClass::Water, r.Tiles[t][1]) + "\n";
  }
  for (const TPlotDef& p : r.Plots) {
    Out += "  plot " + Asset(TPoolClass::Figure, p.Figure) + " at " + Flt(p.X) + " " + Flt(p.Y);
    if (p.Group != 0) Out += " group " + Asset(TPoolClass::Group, p.Group);
    if (p.Layer == 1) {
      Out += " layer upper";
    } else if (p.Layer != 0) {
      Out += " layer " + Int(p.Layer);
    }
    if (!p.Visible) Out += " hidden";
    if (p.ParamA != 0 || p.ParamB != 0) Out += " param " + Int(p.ParamA) + " " + Int(p.ParamB);
    if (p.Sound != 0) Out += " sound " + Asset(TPoolClass::Sound, p.Sound);
    if (p.ByteA != 0) Out += " byte " + Int(p.ByteA);
    Out += "\n";
  }
  for (size_t h = 0; h < S.Sites.size(); ++h) {
    if (S.Sites[h].Region == static_cast<int32_t>(I + 1)) Site(Out, h);
  }
  Out += "}\n";
}

void TDecompiler::Site(std::string& Out, size_t Handle) {
  const TSiteDef& s = S.Sites[Handle];
  const std::string& id = Ids[KindSite][Handle];
  Out += "\n  site " + ScenarioSourceName(id) + " " + Int(s.Number) + " {\n";
  std::string f;
  auto line = [&](const std::string& Text) { f += "    " + Text + "\n"; };
  if (id != s.Name) line("name " + ScenarioSourceName(s.Name));
  if (s.Caption != 0) line("caption " + Asset(TPoolClass::Caption, s.Caption));
  line("at " + Flt(s.X) + " " + Flt(s.Y));
  if (s.Icon != 0) line("icon " + Int(s.Icon));
  if (s.LayoutA != 0 || s.LayoutB != 0) line("layout " + Int(s.LayoutA) + " " + Int(s.LayoutB));
  std::string flags;
  if (s.HiddenUntilEntered) flags += " hidden-until-entered";
  if (s.EnterOnReveal) flags += " enter-on-reveal";
  if (s.KeepAfterVisit) flags += " keep-after-visit";
  if (s.MarkUntilVisited) flags += " mark-until-visited";
  if (s.Ending) flags += " ending";
  if (!flags.empty()) line(flags.substr(1));
  if (s.Special != 0) {
    const char* name = SpecialCodeName(s.Special);
    line("special " + (*name != '\0' ? std::string(name) : Int(s.Special)));
  }
  if (s.Destination != 0) line("destination " + Ref(KindRegion, s.Destination));
  if (s.RegionMusic != 0) line("region-music " + Asset(TPoolClass::Sound, s.RegionMusic));
  if (s.NeedsRevealed != 0) line("needs-revealed " + Ref(KindSite, s.NeedsRevealed));
  if (s.NeedsEntered != 0) line("needs-entered " + Ref(KindSite, s.NeedsEntered));
  int used = 0;
  for (int k = 0; k < 3; ++k) {
    if (s.NeedsVisited[static_cast<size_t>(k)] == 0) continue;
    line(SlotKeyword("needs-visited", k, used) + " " + Ref(KindSite, s.NeedsVisited[static_cast<size_t>(k)]));
  }
  used = 0;
  for (int k = 0; k < 3; ++k) {
    const TSlotDef& n = s.Needs[static_cast<size_t>(k)];
    if (n.Prop == 0 && n.Amount == 0) continue;
    line(SlotKeyword("needs", k, used) + " " + Ref(KindProp, n.Prop) + " " + Int(n.Amount));
  }
  if (s.RevealGroup != 0) line("reveal-group " + Asset(TPoolClass::Group, s.RevealGroup));
  bool anyTile = false;
  for (int t = 0; t < MapTiles; ++t) anyTile = anyTile || s.RevealsTile(t);
  if (anyTile) {
    f += "    reveal {\n";
    for (int row = 0; row < MapRows; ++row) {
      f += "      ";
      for (int column = 0; column < MapColumns; ++column) f += s.RevealsTile(row * MapColumns + column) ? 'x' : '.';
      f += "\n";
    }
    f += "    }\n";
  }
  int spare = 0;
  for (int b = 0; b < 13; ++b) spare |= s.RevealsTile(MapTiles + b) ? (1 << b) : 0;
  if (spare != 0) line("reveal-spare " + Int(spare));
  if (s.DisappearsAfter != 0) line("disappears-after " + Ref(KindSite, s.DisappearsAfter));
  if (s.Hint != 0) line("hint " + Ref(KindHint, s.Hint));
  if (s.NextGuide != 0) line("next-guide " + Ref(KindSite, s.NextGuide));
  Out += f;
  for (const TSceneDef& c : s.Scenes) Scene(Out, c);
  Out += "  }\n";
}

void TDecompiler::Scene(std::string& Out, const TSceneDef& C) {
  std::vector<std::string> f;
  if (C.Repeatable) f.emplace_back("repeatable");
  if (C.LeavesSite) f.emplace_back("leaves-site");
  if (C.Flag3) f.emplace_back("flag3");
  if (C.DialogX != 0 || C.DialogY != 0 || std::signbit(C.DialogX) || std::signbit(C.DialogY)) {
    f.push_back("dialog " + Flt(C.DialogX) + " " + Flt(C.DialogY));
  }
  if (C.Illustration != 0) f.push_back("illustration " + Asset(TPoolClass::Picture, C.Illustration));
  if (C.IllustrationFrame != 0) f.push_back("frame " + Int(C.IllustrationFrame));
  if (C.Music != 0) f.push_back("music " + Asset(TPoolClass::Sound, C.Music));
  if (C.Sound != 0) f.push_back("sound " + Asset(TPoolClass::Sound, C.Sound));

  const int32_t leftSlots = SceneKindLeftSlots(C.Kind);
  const int32_t rightSlots = SceneKindRightSlots(C.Kind);
  int leftUsed = 0;
  int rightUsed = 0;
  auto filled = [](const TSlotDef& Slot) { return Slot.Prop != 0 || Slot.Amount != 0; };
  auto slot = [&](const TSlotDef& Slot) { return Ref(KindProp, Slot.Prop) + " " + Int(Slot.Amount); };
  for (int k = 0; k < 7; ++k) {
    const TSlotDef& l = C.Left[static_cast<size_t>(k)];
    const TSlotDef& r = C.Right[static_cast<size_t>(k)];
    if (IsBarterKind(C.Kind) && k < leftSlots) {
      if (!filled(l) && !filled(r)) continue;
      int row = std::max(leftUsed, rightUsed);
      const std::string key = k == row ? "trade" : "trade" + std::to_string(k + 1);
      leftUsed = std::max(leftUsed, k + 1);
      rightUsed = std::max(rightUsed, k + 1);
      f.push_back(key + " " + slot(l) + " for " + slot(r));
      continue;
    }
    if (filled(l)) {
      const char* base = k < leftSlots && IsRequirementKind(C.Kind) ? "need"
                         : k < leftSlots && IsLossKind(C.Kind)      ? "lose"
                                                                    : "left";
      f.push_back(SlotKeyword(base, k, leftUsed) + " " + slot(l));
    }
  }
  for (int k = 0; k < 7; ++k) {
    const TSlotDef& r = C.Right[static_cast<size_t>(k)];
    if (IsBarterKind(C.Kind) && k < leftSlots) continue;
    if (!filled(r)) continue;
    const char* base = k < rightSlots && IsRewardKind(C.Kind) ? "gain" : "right";
    f.push_back(SlotKeyword(base, k, rightUsed) + " " + slot(r));
  }
  if (C.Achievement != 0 || C.AchievementAmount != 0) {
    f.push_back("achievement " + Ref(KindAchievement, C.Achievement) + " " + Int(C.AchievementAmount));
  }
  if (C.Duration != 0 || std::signbit(C.Duration)) f.push_back("duration " + Flt(C.Duration));
  if (C.ExecutionSound != 0) f.push_back("execution-sound " + Asset(TPoolClass::Sound, C.ExecutionSound));
  if (C.Effector != 0) f.push_back("effect " + Asset(TPoolClass::Effector, C.Effector));
  if (C.ExecutionValue != 0) f.push_back("execution-value " + Int(C.ExecutionValue));
  int groupsUsed = 0;
  for (int k = 0; k < 4; ++k) {
    if (C.Groups[static_cast<size_t>(k)] == 0) continue;
    f.push_back(SlotKeyword("toggle", k, groupsUsed) + " " +
                Asset(TPoolClass::Group, C.Groups[static_cast<size_t>(k)]));
  }
  Out += "    scene " + Int(C.Number) + " " + SceneKindName(C.Kind);
  if (!f.empty() && f.size() <= 2 && f[0].size() + (f.size() > 1 ? f[1].size() : 0) < 40) {
    for (const std::string& field : f) Out += " " + field;
    Out += "\n";
  } else {
    AppendBlock(Out, f, "    ");
  }
}

void TDecompiler::Hint(std::string& Out, size_t I) {
  const THintDef& h = S.HintList[I];
  const std::string& id = Ids[KindHint][I];
  std::vector<std::string> f;
  if (id != h.Name) f.push_back("name " + ScenarioSourceName(h.Name));
  if (h.Goal != 0) f.push_back("goal " + Ref(KindProp, h.Goal));
  if (h.NeedsProp != 0 || h.NeedsAmount != 0)
    f.push_back("needs " + Ref(KindProp, h.NeedsProp) + " " + Int(h.NeedsAmount));
  if (h.UntilVisited != 0) f.push_back("until-visited " + Ref(KindSite, h.UntilVisited));
  if (h.AfterVisited != 0) f.push_back("after-visited " + Ref(KindSite, h.AfterVisited));
  if (h.UntilEntered != 0) f.push_back("until-entered " + Ref(KindSite, h.UntilEntered));
  if (h.OutsideRegion != 0) f.push_back("outside-region " + Ref(KindRegion, h.OutsideRegion));
  int used = 0;
  for (int k = 0; k < 8; ++k) {
    const int32_t sub = h.SubHints[static_cast<size_t>(k)];
    const int32_t amount = h.SubAmounts[static_cast<size_t>(k)];
    if (sub == 0 && amount == 0) continue;
    f.push_back(SlotKeyword("sub", k, used) + " " + Ref(KindHint, sub) + " " + Int(amount));
  }
  if (h.RouteOnly) f.emplace_back("route-only");
  if (h.ShowNeed) f.emplace_back("show-need");
  Out += "hint " + ScenarioSourceName(id) + " " + Int(h.Number);
  AppendBlock(Out, f, "");
}

void TDecompiler::Achievement(std::string& Out, size_t I) {
  const TAchievementDef& a = S.AchievementList[I];
  const std::string& id = Ids[KindAchievement][I];
  Out += "achievement " + ScenarioSourceName(id) + " " + Int(a.Number);
  if (a.Target != 0) Out += " target " + Int(a.Target);
  if (a.Value != 0) Out += " value " + Int(a.Value);
  if (a.Hidden) Out += " hidden";
  if (a.Caption != 0) Out += " caption " + Asset(TPoolClass::Caption, a.Caption);
  if (a.Prop != 0) Out += " prop " + Ref(KindProp, a.Prop);
  if (a.Parent != 0) Out += " parent " + Ref(KindAchievement, a.Parent);
  if (a.Prerequisite != 0) Out += " prerequisite " + Ref(KindAchievement, a.Prerequisite);
  Out += NameField(id, a.Name) + "\n";
}

std::string TDecompiler::Body(bool WithPool) {
  std::string out;
  if (!S.RegionList.empty() || S.StartRegion != 0) out += "start-region " + Ref(KindRegion, S.StartRegion) + "\n";
  if (S.MenuRegion != 0) out += "menu-region " + Ref(KindRegion, S.MenuRegion) + "\n";
  if (S.MapRegion != 0) out += "map-region " + Ref(KindRegion, S.MapRegion) + "\n";
  if (S.GuideStart != 0) out += "guide-start " + Ref(KindSite, S.GuideStart) + "\n";
  int32_t highest = 0;
  for (const TPropDef& p : S.Props) highest = std::max(highest, p.Number);
  for (const TRegionDef& r : S.RegionList) highest = std::max(highest, r.Number);
  for (const TSiteDef& s : S.Sites) {
    highest = std::max(highest, s.Number);
    for (const TSceneDef& c : s.Scenes) highest = std::max(highest, c.Number);
  }
  for (const THintDef& h : S.HintList) highest = std::max(highest, h.Number);
  for (const TAchievementDef& a : S.AchievementList) highest = std::max(highest, a.Number);
  if (S.NextNumber != highest) out += "next-number " + Int(S.NextNumber) + "\n";

  if (WithPool) {
    out += "\n# The assets in the order of the file.\npool {\n";
    for (int c = 0; c < PoolClassCount; ++c) {
      const auto& list = S.Pool[static_cast<size_t>(c)];
      for (size_t i = 0; i < list.size(); ++i) {
        out += std::string("  ") + PoolClassName(static_cast<TPoolClass>(c)) + " " + ScenarioSourceName(list[i]);
        if (AssetIds[c][i] != list[i]) out += " as " + ScenarioSourceName(AssetIds[c][i]);
        out += "\n";
      }
    }
    out += "}\n";
  }
  if (!S.Props.empty()) out += "\n";
  for (size_t i = 0; i < S.Props.size(); ++i) Prop(out, i);
  for (size_t i = 0; i < S.RegionList.size(); ++i) {
    out += "\n";
    Region(out, i);
  }
  if (!S.HintList.empty()) out += "\n";
  for (size_t i = 0; i < S.HintList.size(); ++i) Hint(out, i);
  if (!S.AchievementList.empty()) out += "\n";
  for (size_t i = 0; i < S.AchievementList.size(); ++i) Achievement(out, i);
  return out;
}

std::string TDecompiler::Run(const std::string& Origin) {
  Check();
  NameObjects();
  const std::string header = Origin.empty() ? "" : "# Decompiled from " + Origin + "\n\n";
  // Without a pool block the compiler lists assets in the order the source first names them; when
  // that is not the file's order, the pool block fixes it.
  if (!AssetAliases) {
    const std::string text = header + Body(false);
    const TScenarioCompileResult trial = CompileScenarioSources({{"decompiled", text}});
    if (trial.Ok && trial.Scenario.Pool == S.Pool) return text;
  }
  return header + Body(true);
}

}  // namespace

std::string DecompileScenario(const TScenarioBuilder& Scenario, const std::string& Origin) {
  TDecompiler decompiler(Scenario);
  return decompiler.Run(Origin);
}

}  // namespace tv
