#include "game/GameScenarioRecords.h"

#include "game/GameFile.h"

namespace tv {

namespace {

std::string Quoted(const std::string& Name) { return "\"" + Name + "\""; }

// The fields of one record read with TByteReader::Block, at their offsets in the record.
class TRecord {
 public:
  TRecord(const TByteReader& Stream, const uint8_t* Bytes, TScenarioReadNotes& Notes)
      : Stream(Stream), Bytes(Bytes), At(Stream.Position()), Notes(Notes) {}
  // Bytes was the last block read: the record starts Size bytes before the reader's position.
  TRecord& Sized(size_t Size) {
    At -= Size;
    return *this;
  }

  int32_t Int(size_t Offset) const { return LeInt32(Bytes + Offset); }
  float Float(size_t Offset) const { return LeFloat(Bytes + Offset); }
  uint8_t Byte(size_t Offset) const { return Bytes[Offset]; }
  // A Boolean byte; one that is neither 0 nor 1 reads as true and is noted.
  bool Bool(size_t Offset, const char* What) const {
    const uint8_t b = Bytes[Offset];
    if (b > 1) {
      Notes.Lossy.push_back(Stream.Context() + ": " + What + " holds " + std::to_string(b) + " at byte " +
                            std::to_string(At + Offset) + "; it is written back as 1");
    }
    return b != 0;
  }
  void Unused(size_t Offset, const char* What) const {
    const uint8_t b = Bytes[Offset];
    if (b != 0) {
      Notes.Lossy.push_back(Stream.Context() + ": " + What + " holds " + std::to_string(b) + " at byte " +
                            std::to_string(At + Offset) + "; it is written back as 0");
    }
  }

 private:
  const TByteReader& Stream;
  const uint8_t* Bytes;
  size_t At;
  TScenarioReadNotes& Notes;
};

TRecord ReadBlock(TByteReader& Stream, size_t Size, const char* What, TScenarioReadNotes& Notes) {
  const uint8_t* bytes = Stream.Block(Size, What);
  return TRecord(Stream, bytes, Notes).Sized(Size);
}

void ReadProp(const TRecord& r, TPropDef& p) {
  p.Number = r.Int(0);
  p.Kind = r.Int(4);
  p.SingleUnit = r.Bool(8, "SingleUnit");
  p.Picture = r.Int(9);
  p.Frame = r.Int(13);
  p.Caption = r.Int(17);
  p.InitialAmount = r.Int(21);
}

// The site record without its scene count (the last four bytes).
void ReadSite(const TRecord& r, TSiteDef& s) {
  s.Number = r.Int(0);
  s.X = r.Float(4);
  s.Y = r.Float(8);
  s.LayoutA = r.Int(12);
  s.LayoutB = r.Int(16);
  s.Icon = r.Int(20);
  s.Caption = r.Int(24);
  s.HiddenUntilEntered = r.Bool(28, "HiddenUntilEntered");
  s.EnterOnReveal = r.Bool(29, "EnterOnReveal");
  s.KeepAfterVisit = r.Bool(30, "KeepAfterVisit");
  s.MarkUntilVisited = r.Bool(31, "MarkUntilVisited");
  s.Ending = r.Bool(32, "Ending");
  s.Special = r.Int(33);
  s.Destination = r.Int(37);
  s.RegionMusic = r.Int(41);
  s.NeedsRevealed = r.Int(45);
  s.NeedsEntered = r.Int(49);
  for (size_t i = 0; i < SiteNeedCount; ++i) s.NeedsVisited[i] = r.Int(53 + 4 * i);
  for (size_t i = 0; i < SiteNeedCount; ++i) s.Needs[i] = {r.Int(65 + 8 * i), r.Int(69 + 8 * i)};
  s.RevealGroup = r.Int(89);
  for (size_t i = 0; i < RevealTilesSize; ++i) s.RevealTiles[i] = r.Byte(93 + i);
  s.DisappearsAfter = r.Int(119);
  s.Hint = r.Int(123);
  s.NextGuide = r.Int(127);
}
constexpr size_t SceneCountOffset = 131;

void ReadScene(const TRecord& r, TSceneDef& c) {
  c.Number = r.Int(0);
  c.Repeatable = r.Bool(4, "Repeatable");
  c.LeavesSite = r.Bool(5, "LeavesSite");
  c.Flag3 = r.Bool(6, "Flag3");
  c.DialogX = r.Float(7);
  c.DialogY = r.Float(11);
  c.Kind = r.Int(15);
  c.Music = r.Int(19);
  c.Sound = r.Int(23);
  c.Illustration = r.Int(27);
  c.IllustrationFrame = r.Int(31);
  for (size_t i = 0; i < SceneSlotCount; ++i) {
    c.Left[i] = {r.Int(35 + 8 * i), r.Int(39 + 8 * i)};
    c.Right[i] = {r.Int(91 + 8 * i), r.Int(95 + 8 * i)};
  }
  c.Achievement = r.Int(147);
  c.AchievementAmount = r.Int(151);
  c.Duration = r.Float(155);
  c.ExecutionSound = r.Int(159);
  c.Effector = r.Int(163);
  c.ExecutionValue = r.Int(167);
  for (size_t i = 0; i < SceneGroupCount; ++i) c.Groups[i] = r.Int(171 + 4 * i);
}

void ReadRegion(const TRecord& r, TRegionDef& region) {
  region.Number = r.Int(0);
  region.Picture = r.Int(4);
  region.Caption = r.Int(8);
  region.InitialMusic = r.Int(12);
  region.Flag = r.Bool(16, "Flag");
}

void ReadMap(TByteReader& Stream, TRegionDef& region, TScenarioReadNotes& Notes) {
  const TRecord tiles = ReadBlock(Stream, static_cast<size_t>(MapTileCount) * TileRecordSize, "map tiles", Notes);
  for (size_t t = 0; t < MapTileCount; ++t)
    region.Tiles[t] = {tiles.Int(TileRecordSize * t), tiles.Int(TileRecordSize * t + 4)};
  const int32_t count = Stream.Count("plot count", PlotRecordSize);
  const TRecord plots = ReadBlock(Stream, static_cast<size_t>(count) * PlotRecordSize, "plots", Notes);
  region.Plots.resize(static_cast<size_t>(count));
  for (size_t i = 0; i < region.Plots.size(); ++i) {
    const size_t at = PlotRecordSize * i;
    TPlotDef& p = region.Plots[i];
    p.Figure = plots.Int(at);
    p.Group = plots.Int(at + 4);
    p.X = plots.Float(at + 8);
    p.Y = plots.Float(at + 12);
    p.ParamA = plots.Int(at + 16);
    p.ParamB = plots.Int(at + 20);
    p.Sound = plots.Int(at + 24);
    p.ByteA = plots.Byte(at + 28);
    p.Layer = plots.Byte(at + 29);
    p.Visible = plots.Bool(at + 30, ("plot " + std::to_string(i + 1) + " InitialVisible").c_str());
    plots.Unused(at + 31, ("the unused byte of plot " + std::to_string(i + 1)).c_str());
  }
}

void ReadHint(const TRecord& r, THintDef& h) {
  h.Number = r.Int(0);
  h.Goal = r.Int(4);
  h.NeedsProp = r.Int(8);
  h.NeedsAmount = r.Int(12);
  h.UntilVisited = r.Int(16);
  h.AfterVisited = r.Int(20);
  h.UntilEntered = r.Int(24);
  h.OutsideRegion = r.Int(28);
  for (size_t i = 0; i < SubHintCount; ++i) {
    h.SubHints[i] = r.Int(32 + 4 * i);
    h.SubAmounts[i] = r.Int(64 + 4 * i);
  }
  h.RouteOnly = r.Bool(96, "RouteOnly");
  h.ShowNeed = r.Bool(97, "ShowNeed");
}

void ReadAchievement(const TRecord& r, TAchievementDef& a) {
  a.Number = r.Int(0);
  a.Value = r.Int(4);
  a.Caption = r.Int(8);
  a.Hidden = r.Bool(12, "Hidden");
  a.Target = r.Int(13);
  a.Prop = r.Int(17);
  a.Parent = r.Int(21);
  a.Prerequisite = r.Int(25);
}

// Reads the name list of one kind of object.
template <class T>
void ReadNames(TByteReader& Stream, const char* What, std::deque<T>& List) {
  Stream.SetContext(What);
  const int32_t count = Stream.Count("count", 4);
  for (int32_t i = 0; i < count; ++i) List.emplace_back().Name = Stream.String("name");
}

void ReadSites(TByteReader& Stream, TScenarioRecords& s, TScenarioReadNotes& Notes) {
  const size_t siteCount = s.Sites.size();
  size_t placed = 0;
  for (size_t k = 0; k < s.RegionList.size(); ++k) {
    Stream.SetContext("site bodies of region " + std::to_string(k + 1) + " " + Quoted(s.RegionList[k].Name));
    const int32_t n = Stream.Count("site count", SiteRecordSize);
    if (static_cast<size_t>(n) > siteCount - placed) {
      Stream.Fail("site count " + std::to_string(n) + " goes beyond the " + std::to_string(siteCount) +
                  " sites listed");
    }
    for (int32_t j = 0; j < n; ++j) {
      const size_t index = placed++;
      TSiteDef& site = s.Sites[index];
      site.Region = static_cast<int32_t>(k + 1);
      const std::string context = "site " + std::to_string(index + 1) + " " + Quoted(site.Name);
      Stream.SetContext(context);
      const TRecord r = ReadBlock(Stream, SiteRecordSize, "record", Notes);
      ReadSite(r, site);
      const int32_t sceneCount = r.Int(SceneCountOffset);
      if (sceneCount < 0) Stream.Fail("negative scene count " + std::to_string(sceneCount));
      if (static_cast<uint64_t>(sceneCount) * SceneRecordSize > Stream.Remaining()) {
        Stream.Fail("scene count " + std::to_string(sceneCount) + " does not fit into the " +
                    std::to_string(Stream.Remaining()) + " bytes left");
      }
      site.Scenes.resize(static_cast<size_t>(sceneCount));
      for (size_t c = 0; c < site.Scenes.size(); ++c) {
        Stream.SetContext(context + ", scene " + std::to_string(c + 1));
        ReadScene(ReadBlock(Stream, SceneRecordSize, "scene record", Notes), site.Scenes[c]);
      }
    }
  }
  if (placed < siteCount) {
    Stream.SetContext("site bodies");
    Stream.Fail(std::to_string(siteCount - placed) + " of the " + std::to_string(siteCount) +
                " sites listed belong to no region");
  }
}

}  // namespace

const char* AssetClassName(TAssetClass Class) {
  static const char* const names[AssetClassCount] = {"picture", "effector", "sound",   "terrain",
                                                     "water",   "figure",   "caption", "group"};
  return names[static_cast<size_t>(Class)];
}

TScenarioRecords ReadScenarioRecords(std::string_view Bytes, const std::string& Label) {
  TScenarioReadNotes notes;
  return ReadScenarioRecords(Bytes, Label, notes);
}

TScenarioRecords ReadScenarioRecords(std::string_view Bytes, const std::string& Label, TScenarioReadNotes& Notes) {
  TScenarioRecords s;
  TByteReader Stream(Bytes, Label);

  for (int k = 0; k < AssetClassCount; ++k) {
    Stream.SetContext(std::string("pool section, ") + AssetClassName(static_cast<TAssetClass>(k)) + " names");
    const int32_t count = Stream.Count("count", 4);
    auto& names = s.Pool[static_cast<size_t>(k)];
    names.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) names.push_back(Stream.String("name"));
  }

  Stream.SetContext("props");
  const int32_t propCount = Stream.Count("prop count", 4 + PropRecordSize);
  for (int32_t i = 1; i <= propCount; ++i) {
    Stream.SetContext("prop " + std::to_string(i));
    TPropDef& prop = s.Props.emplace_back();
    prop.Name = Stream.String("name");
    Stream.SetContext("prop " + std::to_string(i) + " " + Quoted(prop.Name));
    ReadProp(ReadBlock(Stream, PropRecordSize, "record", Notes), prop);
  }

  ReadNames(Stream, "region names", s.RegionList);
  ReadNames(Stream, "site names", s.Sites);
  ReadNames(Stream, "hint names", s.HintList);
  ReadNames(Stream, "achievement names", s.AchievementList);

  ReadSites(Stream, s, Notes);

  for (size_t k = 0; k < s.RegionList.size(); ++k) {
    TRegionDef& region = s.RegionList[k];
    Stream.SetContext("region " + std::to_string(k + 1) + " " + Quoted(region.Name));
    ReadRegion(ReadBlock(Stream, RegionRecordSize, "record", Notes), region);
    ReadMap(Stream, region, Notes);
  }

  Stream.SetContext("entry regions");
  s.MenuRegion = Stream.Int32("MenuRegion");
  s.StartRegion = Stream.Int32("StartRegion");
  s.MapRegion = Stream.Int32("MapRegion");

  for (size_t k = 0; k < s.HintList.size(); ++k) {
    Stream.SetContext("hint " + std::to_string(k + 1) + " " + Quoted(s.HintList[k].Name));
    ReadHint(ReadBlock(Stream, HintRecordSize, "record", Notes), s.HintList[k]);
  }

  Stream.SetContext("guide chain");
  s.GuideStart = Stream.Int32("GuideStart");

  for (size_t k = 0; k < s.AchievementList.size(); ++k) {
    Stream.SetContext("achievement " + std::to_string(k + 1) + " " + Quoted(s.AchievementList[k].Name));
    ReadAchievement(ReadBlock(Stream, AchievementRecordSize, "record", Notes), s.AchievementList[k]);
  }

  Stream.SetContext("end of file");
  s.NextNumber = Stream.Int32("NextNumber");
  Notes.BytesRead = Stream.Position();
  return s;
}

}  // namespace tv
