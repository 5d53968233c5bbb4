#include "authoring/GameScenarioWriter.h"

#include <cstring>

#include "base/EngineClasses.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

void Int(std::string& Out, int32_t V) {
  const auto u = static_cast<uint32_t>(V);
  for (int i = 0; i < 4; ++i) Out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void Float(std::string& Out, float V) {
  int32_t bits = 0;
  std::memcpy(&bits, &V, sizeof bits);
  Int(Out, bits);
}

void Byte(std::string& Out, uint8_t V) { Out.push_back(static_cast<char>(V)); }

void Str(std::string& Out, const std::string& S) {
  Int(Out, static_cast<int32_t>(S.size()));
  Out += S;
}

constexpr size_t PropRecordSize = 25;
constexpr size_t SiteRecordSize = 135;
constexpr size_t SceneRecordSize = 187;
[[maybe_unused]] constexpr size_t RegionRecordSize = 17;
constexpr size_t TileRecordSize = 8;
constexpr size_t PlotRecordSize = 32;
constexpr size_t HintRecordSize = 98;
constexpr size_t AchievementRecordSize = 29;

// Bounded reading: nothing read is trusted, and every failure names the record and the field.
class TRecordReader {
 public:
  TRecordReader(std::string_view Bytes, const std::string& Label, TScenarioReadNotes& Notes)
      : Data(Bytes), FileLabel(Label), ReadNotes(Notes) {}

  std::string Record;  // the record being read, for messages

  [[noreturn]] void Fail(const std::string& Why) const {
    throw EError(FileLabel + ": " + (Record.empty() ? std::string() : Record + ": ") + Why + " (at byte " +
                 std::to_string(Pos) + ")");
  }
  void Need(size_t Size, const char* What) const {
    if (Data.size() - Pos < Size) Fail(std::string("the file ends inside ") + What);
  }
  int32_t Int32(const char* What) {
    Need(4, What);
    const auto* p = reinterpret_cast<const uint8_t*>(Data.data() + Pos);
    Pos += 4;
    const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
  }
  float Float32(const char* What) {
    const int32_t bits = Int32(What);
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  uint8_t Byte8(const char* What) {
    Need(1, What);
    return static_cast<uint8_t>(Data[Pos++]);
  }
  bool Bool(const char* What) {
    const size_t at = Pos;
    const uint8_t b = Byte8(What);
    if (b > 1) {
      ReadNotes.Lossy.push_back(Record + ": " + What + " holds " + std::to_string(b) + " at byte " +
                                std::to_string(at) + "; it is written back as 1");
    }
    return b != 0;
  }
  // A count of records of at least MinBytesEach bytes that must fit into the rest of the file.
  int32_t Count(const char* What, size_t MinBytesEach) {
    const int32_t n = Int32(What);
    if (n < 0) Fail(std::string(What) + " is negative (" + std::to_string(n) + ")");
    if (MinBytesEach > 0 && static_cast<uint64_t>(n) > (Data.size() - Pos) / MinBytesEach) {
      Fail(std::string(What) + " of " + std::to_string(n) + " does not fit into the rest of the file");
    }
    return n;
  }
  std::string String(const char* What) {
    const int32_t n = Count(What, 1);
    std::string s(Data.substr(Pos, static_cast<size_t>(n)));
    Pos += static_cast<size_t>(n);
    return s;
  }
  size_t Position() const { return Pos; }

 private:
  std::string_view Data;
  size_t Pos = 0;
  std::string FileLabel;
  TScenarioReadNotes& ReadNotes;
};

}  // namespace

const char* PoolClassName(TPoolClass Class) {
  static const char* const names[PoolClassCount] = {"picture", "effector", "sound",   "terrain",
                                                    "water",   "figure",   "caption", "group"};
  return names[static_cast<int>(Class)];
}

int32_t TScenarioBuilder::Asset(TPoolClass Class, const std::string& Name) {
  auto& list = Pool[static_cast<size_t>(Class)];
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == Name) return static_cast<int32_t>(i + 1);
  }
  list.push_back(Name);
  return static_cast<int32_t>(list.size());
}

int32_t TScenarioBuilder::AddProp(const std::string& Name, int32_t Kind, int32_t InitialAmount) {
  TPropDef prop;
  prop.Name = Name;
  prop.Number = static_cast<int32_t>(Props.size()) + 1;
  prop.Kind = Kind;
  prop.InitialAmount = InitialAmount;
  Props.push_back(prop);
  return static_cast<int32_t>(Props.size());
}

int32_t TScenarioBuilder::AddRegion(const std::string& Name, int32_t Number) {
  TRegionDef region;
  region.Name = Name;
  region.Number = Number;
  RegionList.push_back(std::move(region));
  if (StartRegion == 0) StartRegion = static_cast<int32_t>(RegionList.size());
  return static_cast<int32_t>(RegionList.size());
}

int32_t TScenarioBuilder::AddSite(int32_t Region, const std::string& Name, int32_t Number) {
  TSiteDef site;
  site.Name = Name;
  site.Region = Region;
  site.Number = Number;
  Sites.push_back(std::move(site));
  return static_cast<int32_t>(Sites.size());
}

TSceneDef& TScenarioBuilder::AddScene(int32_t SiteHandle, int32_t Number, int32_t Kind) {
  TSceneDef scene;
  scene.Number = Number;
  scene.Kind = Kind;
  auto& scenes = Site(SiteHandle).Scenes;
  scenes.push_back(scene);
  return scenes.back();
}

int32_t TScenarioBuilder::AddHint(const std::string& Name, int32_t Number) {
  THintDef hint;
  hint.Name = Name;
  hint.Number = Number;
  HintList.push_back(std::move(hint));
  return static_cast<int32_t>(HintList.size());
}

int32_t TScenarioBuilder::AddAchievement(const std::string& Name, int32_t Number, int32_t Target) {
  TAchievementDef achievement;
  achievement.Name = Name;
  achievement.Number = Number;
  achievement.Target = Target;
  AchievementList.push_back(std::move(achievement));
  return static_cast<int32_t>(AchievementList.size());
}

std::string TScenarioBuilder::Build() const {
  // Sites in file order: region by region, in creation order within a region; sites of regions
  // that do not exist go last (and make the file invalid, as they would in any file).
  std::vector<int32_t> order;
  for (size_t r = 1; r <= RegionList.size(); ++r) {
    for (size_t s = 0; s < Sites.size(); ++s) {
      if (Sites[s].Region == static_cast<int32_t>(r)) order.push_back(static_cast<int32_t>(s + 1));
    }
  }
  for (size_t s = 0; s < Sites.size(); ++s) {
    if (Sites[s].Region < 1 || Sites[s].Region > static_cast<int32_t>(RegionList.size())) {
      order.push_back(static_cast<int32_t>(s + 1));
    }
  }
  std::vector<int32_t> position(Sites.size() + 1, 0);
  for (size_t i = 0; i < order.size(); ++i) position[static_cast<size_t>(order[i])] = static_cast<int32_t>(i + 1);
  auto site = [&](int32_t Handle) {
    return (Handle >= 1 && Handle <= static_cast<int32_t>(Sites.size())) ? position[static_cast<size_t>(Handle)]
                                                                         : Handle;
  };

  std::string out;
  for (const auto& list : Pool) {
    Int(out, static_cast<int32_t>(list.size()));
    for (const std::string& name : list) Str(out, name);
  }
  Int(out, static_cast<int32_t>(Props.size()));
  for (const TPropDef& p : Props) {
    Str(out, p.Name);
    Int(out, p.Number);
    Int(out, p.Kind);
    Byte(out, p.SingleUnit ? 1 : 0);
    Int(out, p.Picture);
    Int(out, p.Frame);
    Int(out, p.Caption);
    Int(out, p.InitialAmount);
  }
  Int(out, static_cast<int32_t>(RegionList.size()));
  for (const TRegionDef& r : RegionList) Str(out, r.Name);
  Int(out, static_cast<int32_t>(order.size()));
  for (int32_t handle : order) Str(out, Sites[static_cast<size_t>(handle - 1)].Name);
  Int(out, static_cast<int32_t>(HintList.size()));
  for (const THintDef& h : HintList) Str(out, h.Name);
  Int(out, static_cast<int32_t>(AchievementList.size()));
  for (const TAchievementDef& a : AchievementList) Str(out, a.Name);

  for (size_t r = 1; r <= RegionList.size(); ++r) {
    int32_t n = 0;
    for (const TSiteDef& s : Sites) n += s.Region == static_cast<int32_t>(r) ? 1 : 0;
    Int(out, n);
    for (const TSiteDef& s : Sites) {
      if (s.Region != static_cast<int32_t>(r)) continue;
      Int(out, s.Number);
      Float(out, s.X);
      Float(out, s.Y);
      Int(out, s.LayoutA);
      Int(out, s.LayoutB);
      Int(out, s.Icon);
      Int(out, s.Caption);
      Byte(out, s.HiddenUntilEntered ? 1 : 0);
      Byte(out, s.EnterOnReveal ? 1 : 0);
      Byte(out, s.KeepAfterVisit ? 1 : 0);
      Byte(out, s.MarkUntilVisited ? 1 : 0);
      Byte(out, s.Ending ? 1 : 0);
      Int(out, s.Special);
      Int(out, s.Destination);
      Int(out, s.RegionMusic);
      Int(out, site(s.NeedsRevealed));
      Int(out, site(s.NeedsEntered));
      for (int32_t v : s.NeedsVisited) Int(out, site(v));
      for (const TSlotDef& need : s.Needs) {
        Int(out, need.Prop);
        Int(out, need.Amount);
      }
      Int(out, s.RevealGroup);
      for (uint8_t b : s.RevealTiles) Byte(out, b);
      Int(out, site(s.DisappearsAfter));
      Int(out, s.Hint);
      Int(out, site(s.NextGuide));
      Int(out, static_cast<int32_t>(s.Scenes.size()));
      for (const TSceneDef& c : s.Scenes) {
        Int(out, c.Number);
        Byte(out, c.Repeatable ? 1 : 0);
        Byte(out, c.LeavesSite ? 1 : 0);
        Byte(out, c.Flag3 ? 1 : 0);
        Float(out, c.DialogX);
        Float(out, c.DialogY);
        Int(out, c.Kind);
        Int(out, c.Music);
        Int(out, c.Sound);
        Int(out, c.Illustration);
        Int(out, c.IllustrationFrame);
        for (const TSlotDef& slot : c.Left) {
          Int(out, slot.Prop);
          Int(out, slot.Amount);
        }
        for (const TSlotDef& slot : c.Right) {
          Int(out, slot.Prop);
          Int(out, slot.Amount);
        }
        Int(out, c.Achievement);
        Int(out, c.AchievementAmount);
        Float(out, c.Duration);
        Int(out, c.ExecutionSound);
        Int(out, c.Effector);
        Int(out, c.ExecutionValue);
        for (int32_t g : c.Groups) Int(out, g);
      }
    }
  }
  for (const TRegionDef& r : RegionList) {
    Int(out, r.Number);
    Int(out, r.Picture);
    Int(out, r.Caption);
    Int(out, r.InitialMusic);
    Byte(out, r.Flag ? 1 : 0);
    for (const auto& tile : r.Tiles) {
      Int(out, tile[0]);
      Int(out, tile[1]);
    }
    Int(out, static_cast<int32_t>(r.Plots.size()));
    for (const TPlotDef& p : r.Plots) {
      Int(out, p.Figure);
      Int(out, p.Group);
      Float(out, p.X);
      Float(out, p.Y);
      Int(out, p.ParamA);
      Int(out, p.ParamB);
      Int(out, p.Sound);
      Byte(out, p.ByteA);
      Byte(out, p.Layer);
      Byte(out, p.Visible ? 1 : 0);
      Byte(out, 0);
    }
  }
  Int(out, MenuRegion);
  Int(out, StartRegion);
  Int(out, MapRegion);
  for (const THintDef& h : HintList) {
    Int(out, h.Number);
    Int(out, h.Goal);
    Int(out, h.NeedsProp);
    Int(out, h.NeedsAmount);
    Int(out, site(h.UntilVisited));
    Int(out, site(h.AfterVisited));
    Int(out, site(h.UntilEntered));
    Int(out, h.OutsideRegion);
    for (int32_t sub : h.SubHints) Int(out, sub);
    for (int32_t amount : h.SubAmounts) Int(out, amount);
    Byte(out, h.RouteOnly ? 1 : 0);
    Byte(out, h.ShowNeed ? 1 : 0);
  }
  Int(out, site(GuideStart));
  for (const TAchievementDef& a : AchievementList) {
    Int(out, a.Number);
    Int(out, a.Value);
    Int(out, a.Caption);
    Byte(out, a.Hidden ? 1 : 0);
    Int(out, a.Target);
    Int(out, a.Prop);
    Int(out, a.Parent);
    Int(out, a.Prerequisite);
  }
  Int(out, NextNumber);
  return out;
}

void TScenarioBuilder::WriteTo(const std::string& Path) const {
  const std::string bytes = Build();
  TFileStream file(Path, TFileStream::Mode::Create);
  if (!file.IsOpen() || !file.Write(bytes)) throw EError("Unable to write file \"" + Path + "\"");
}

TScenarioBuilder ReadScenarioRecords(std::string_view Bytes, const std::string& Label) {
  TScenarioReadNotes notes;
  return ReadScenarioRecords(Bytes, Label, notes);
}

TScenarioBuilder ReadScenarioRecords(std::string_view Bytes, const std::string& Label, TScenarioReadNotes& Notes) {
  TScenarioBuilder b;
  TRecordReader in(Bytes, Label, Notes);

  for (int c = 0; c < PoolClassCount; ++c) {
    in.Record = std::string("pool list of ") + PoolClassName(static_cast<TPoolClass>(c));
    const int32_t n = in.Count("asset count", 4);
    auto& list = b.Pool[static_cast<size_t>(c)];
    list.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) list.push_back(in.String("asset name"));
  }

  in.Record = "prop list";
  const int32_t propCount = in.Count("prop count", 4 + PropRecordSize);
  for (int32_t i = 0; i < propCount; ++i) {
    in.Record = "prop " + std::to_string(i + 1);
    TPropDef p;
    p.Name = in.String("name");
    p.Number = in.Int32("Number");
    p.Kind = in.Int32("Kind");
    p.SingleUnit = in.Bool("SingleUnit");
    p.Picture = in.Int32("Picture");
    p.Frame = in.Int32("Frame");
    p.Caption = in.Int32("Caption");
    p.InitialAmount = in.Int32("InitialAmount");
    b.Props.push_back(std::move(p));
  }

  in.Record = "region list";
  const int32_t regionCount = in.Count("region count", 4);
  for (int32_t i = 0; i < regionCount; ++i) {
    TRegionDef r;
    r.Name = in.String("region name");
    b.RegionList.push_back(std::move(r));
  }
  in.Record = "site list";
  const int32_t siteCount = in.Count("site count", 4);
  for (int32_t i = 0; i < siteCount; ++i) {
    TSiteDef s;
    s.Name = in.String("site name");
    b.Sites.push_back(std::move(s));
  }
  in.Record = "hint list";
  const int32_t hintCount = in.Count("hint count", 4);
  for (int32_t i = 0; i < hintCount; ++i) {
    THintDef h;
    h.Name = in.String("hint name");
    b.HintList.push_back(std::move(h));
  }
  in.Record = "achievement list";
  const int32_t achievementCount = in.Count("achievement count", 4);
  for (int32_t i = 0; i < achievementCount; ++i) {
    TAchievementDef a;
    a.Name = in.String("achievement name");
    b.AchievementList.push_back(std::move(a));
  }

  int32_t nextSite = 0;
  for (int32_t r = 0; r < regionCount; ++r) {
    in.Record = "sites of region " + std::to_string(r + 1);
    const int32_t n = in.Count("site count", SiteRecordSize);
    if (n > siteCount - nextSite) {
      in.Fail("site count " + std::to_string(n) + " is more than the " + std::to_string(siteCount - nextSite) +
              " sites left in the site list");
    }
    for (int32_t k = 0; k < n; ++k) {
      TSiteDef& s = b.Sites[static_cast<size_t>(nextSite)];
      in.Record = "site " + std::to_string(nextSite + 1) + " \"" + s.Name + "\"";
      ++nextSite;
      s.Region = r + 1;
      s.Number = in.Int32("Number");
      s.X = in.Float32("X");
      s.Y = in.Float32("Y");
      s.LayoutA = in.Int32("LayoutA");
      s.LayoutB = in.Int32("LayoutB");
      s.Icon = in.Int32("Icon");
      s.Caption = in.Int32("Caption");
      s.HiddenUntilEntered = in.Bool("HiddenUntilEntered");
      s.EnterOnReveal = in.Bool("EnterOnReveal");
      s.KeepAfterVisit = in.Bool("KeepAfterVisit");
      s.MarkUntilVisited = in.Bool("MarkUntilVisited");
      s.Ending = in.Bool("Ending");
      s.Special = in.Int32("Special");
      s.Destination = in.Int32("Destination");
      s.RegionMusic = in.Int32("RegionMusic");
      s.NeedsRevealed = in.Int32("NeedsRevealed");
      s.NeedsEntered = in.Int32("NeedsEntered");
      s.NeedsVisited[0] = in.Int32("NeedsVisited1");
      s.NeedsVisited[1] = in.Int32("NeedsVisited2");
      s.NeedsVisited[2] = in.Int32("NeedsVisited3");
      static const char* const propFields[3][2] = {
          {"NeedsProp1", "NeedsAmount1"}, {"NeedsProp2", "NeedsAmount2"}, {"NeedsProp3", "NeedsAmount3"}};
      for (int i = 0; i < 3; ++i) {
        s.Needs[static_cast<size_t>(i)].Prop = in.Int32(propFields[i][0]);
        s.Needs[static_cast<size_t>(i)].Amount = in.Int32(propFields[i][1]);
      }
      s.RevealGroup = in.Int32("RevealGroup");
      for (auto& byte : s.RevealTiles) byte = in.Byte8("RevealTiles");
      s.DisappearsAfter = in.Int32("DisappearsAfter");
      s.Hint = in.Int32("Hint");
      s.NextGuide = in.Int32("NextGuide");
      const int32_t scenes = in.Count("scene count", SceneRecordSize);
      for (int32_t j = 0; j < scenes; ++j) {
        in.Record = "scene " + std::to_string(j + 1) + " of site \"" + s.Name + "\"";
        TSceneDef c;
        c.Number = in.Int32("Number");
        c.Repeatable = in.Bool("Repeatable");
        c.LeavesSite = in.Bool("LeavesSite");
        c.Flag3 = in.Bool("Flag3");
        c.DialogX = in.Float32("DialogX");
        c.DialogY = in.Float32("DialogY");
        c.Kind = in.Int32("Kind");
        c.Music = in.Int32("Music");
        c.Sound = in.Int32("Sound");
        c.Illustration = in.Int32("Illustration");
        c.IllustrationFrame = in.Int32("IllustrationFrame");
        for (auto& slot : c.Left) {
          slot.Prop = in.Int32("left slot prop");
          slot.Amount = in.Int32("left slot amount");
        }
        for (auto& slot : c.Right) {
          slot.Prop = in.Int32("right slot prop");
          slot.Amount = in.Int32("right slot amount");
        }
        c.Achievement = in.Int32("Achievement");
        c.AchievementAmount = in.Int32("AchievementAmount");
        c.Duration = in.Float32("Duration");
        c.ExecutionSound = in.Int32("ExecutionSound");
        c.Effector = in.Int32("Effector");
        c.ExecutionValue = in.Int32("ExecutionValue");
        for (auto& g : c.Groups) g = in.Int32("group");
        s.Scenes.push_back(c);
      }
    }
  }
  if (nextSite != siteCount) {
    in.Record = "site bodies";
    in.Fail("the regions hold " + std::to_string(nextSite) + " sites but the site list names " +
            std::to_string(siteCount));
  }

  for (int32_t r = 0; r < regionCount; ++r) {
    TRegionDef& region = b.RegionList[static_cast<size_t>(r)];
    in.Record = "region " + std::to_string(r + 1) + " \"" + region.Name + "\"";
    in.Need(RegionRecordSize, "the region record");
    region.Number = in.Int32("Number");
    region.Picture = in.Int32("Picture");
    region.Caption = in.Int32("Caption");
    region.InitialMusic = in.Int32("InitialMusic");
    region.Flag = in.Bool("Flag");
    in.Need(MapTiles * TileRecordSize, "the map's tiles");
    for (auto& tile : region.Tiles) {
      tile[0] = in.Int32("tile terrain");
      tile[1] = in.Int32("tile water");
    }
    const int32_t plots = in.Count("plot count", PlotRecordSize);
    region.Plots.reserve(static_cast<size_t>(plots));
    for (int32_t i = 0; i < plots; ++i) {
      TPlotDef p;
      p.Figure = in.Int32("plot figure");
      p.Group = in.Int32("plot group");
      p.X = in.Float32("plot InitialX");
      p.Y = in.Float32("plot InitialY");
      p.ParamA = in.Int32("plot ParamA");
      p.ParamB = in.Int32("plot ParamB");
      p.Sound = in.Int32("plot sound");
      p.ByteA = in.Byte8("plot ByteA");
      p.Layer = in.Byte8("plot Layer");
      p.Visible = in.Bool("plot InitialVisible");
      const size_t at = in.Position();
      const uint8_t unused = in.Byte8("plot's unused byte");
      if (unused != 0) {
        Notes.Lossy.push_back(in.Record + ": the unused byte of plot " + std::to_string(i + 1) + " holds " +
                              std::to_string(unused) + " at byte " + std::to_string(at) + "; it is written back as 0");
      }
      region.Plots.push_back(p);
    }
  }

  in.Record = "entry points";
  b.MenuRegion = in.Int32("MenuRegion");
  b.StartRegion = in.Int32("StartRegion");
  b.MapRegion = in.Int32("MapRegion");

  for (int32_t i = 0; i < hintCount; ++i) {
    THintDef& h = b.HintList[static_cast<size_t>(i)];
    in.Record = "hint " + std::to_string(i + 1) + " \"" + h.Name + "\"";
    in.Need(HintRecordSize, "the hint record");
    h.Number = in.Int32("Number");
    h.Goal = in.Int32("Goal");
    h.NeedsProp = in.Int32("NeedsProp");
    h.NeedsAmount = in.Int32("NeedsAmount");
    h.UntilVisited = in.Int32("UntilVisited");
    h.AfterVisited = in.Int32("AfterVisited");
    h.UntilEntered = in.Int32("UntilEntered");
    h.OutsideRegion = in.Int32("OutsideRegion");
    for (auto& sub : h.SubHints) sub = in.Int32("SubHints");
    for (auto& amount : h.SubAmounts) amount = in.Int32("SubAmounts");
    h.RouteOnly = in.Bool("RouteOnly");
    h.ShowNeed = in.Bool("ShowNeed");
  }
  in.Record = "entry points";
  b.GuideStart = in.Int32("GuideStart");

  for (int32_t i = 0; i < achievementCount; ++i) {
    TAchievementDef& a = b.AchievementList[static_cast<size_t>(i)];
    in.Record = "achievement " + std::to_string(i + 1) + " \"" + a.Name + "\"";
    in.Need(AchievementRecordSize, "the achievement record");
    a.Number = in.Int32("Number");
    a.Value = in.Int32("Value");
    a.Caption = in.Int32("Caption");
    a.Hidden = in.Bool("Hidden");
    a.Target = in.Int32("Target");
    a.Prop = in.Int32("Prop");
    a.Parent = in.Int32("Parent");
    a.Prerequisite = in.Int32("Prerequisite");
  }
  in.Record = "end of the file";
  b.NextNumber = in.Int32("NextNumber");
  Notes.BytesRead = in.Position();
  return b;
}

}  // namespace tv
