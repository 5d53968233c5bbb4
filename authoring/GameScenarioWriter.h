// The scenario file as plain records: what the scenario compiler produces, what tests build in a
// few readable lines, and what the decompiler reads back. Build() lays the records out exactly as
// the game reads them; ReadScenarioRecords() takes a file apart again without judging it (the
// loader and the linter judge).
//
// References are 1-based as in the file: assets by their position in their pool list (Asset()
// adds a name once and returns its position), props, regions, hints and achievements by their
// position of creation, sites by their handle (the order of AddSite). Build() writes sites region
// by region, so a site's position in the file may differ from its handle; references to sites are
// translated. Any reference beyond what was created is written unchanged, which lets tests write
// broken files on purpose. 0 means none.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

enum class TPoolClass { Picture, Effector, Sound, Terrain, Water, Figure, Caption, Group };
constexpr int PoolClassCount = 8;

constexpr int MapColumns = 13;
constexpr int MapRows = 15;
constexpr int MapTiles = MapColumns * MapRows;  // 195
constexpr int RevealTileBytes = 26;

struct TSlotDef {
  int32_t Prop = 0;
  int32_t Amount = 0;
};

struct TPropDef {
  std::string Name;
  int32_t Number = 0;
  int32_t Kind = 0;
  bool SingleUnit = false;
  int32_t Picture = 0;
  int32_t Frame = 0;
  int32_t Caption = 0;
  int32_t InitialAmount = 0;
};

struct TSceneDef {
  int32_t Number = 0;
  bool Repeatable = false;
  bool LeavesSite = false;
  bool Flag3 = false;
  float DialogX = 0;
  float DialogY = 0;
  int32_t Kind = 0;
  int32_t Music = 0;
  int32_t Sound = 0;
  int32_t Illustration = 0;
  int32_t IllustrationFrame = 0;
  std::array<TSlotDef, 7> Left{};
  std::array<TSlotDef, 7> Right{};
  int32_t Achievement = 0;
  int32_t AchievementAmount = 0;
  float Duration = 0;
  int32_t ExecutionSound = 0;
  int32_t Effector = 0;
  int32_t ExecutionValue = 0;
  std::array<int32_t, 4> Groups{};
};

struct TSiteDef {
  std::string Name;
  int32_t Region = 0;  // the region that holds the site
  int32_t Number = 0;
  float X = 0;
  float Y = 0;
  int32_t LayoutA = 0;
  int32_t LayoutB = 0;
  int32_t Icon = 0;
  int32_t Caption = 0;
  bool HiddenUntilEntered = false;
  bool EnterOnReveal = false;
  bool KeepAfterVisit = false;
  bool MarkUntilVisited = false;
  bool Ending = false;
  int32_t Special = 0;
  int32_t Destination = 0;
  int32_t RegionMusic = 0;
  int32_t NeedsRevealed = 0;
  int32_t NeedsEntered = 0;
  std::array<int32_t, 3> NeedsVisited{};
  std::array<TSlotDef, 3> Needs{};  // NeedsProp1..3 with NeedsAmount1..3
  int32_t RevealGroup = 0;
  std::array<uint8_t, RevealTileBytes> RevealTiles{};
  int32_t DisappearsAfter = 0;
  int32_t Hint = 0;
  int32_t NextGuide = 0;
  std::deque<TSceneDef> Scenes;

  // Marks map tile T (0 to 194) as uncovered by the site's reveal.
  void RevealTile(int32_t T) { RevealTiles[static_cast<size_t>(T / 8)] |= static_cast<uint8_t>(1u << (T % 8)); }
  bool RevealsTile(int32_t T) const { return (RevealTiles[static_cast<size_t>(T / 8)] >> (T % 8)) & 1u; }
};

struct TPlotDef {
  int32_t Figure = 0;
  int32_t Group = 0;
  float X = 0;
  float Y = 0;
  int32_t ParamA = 0;
  int32_t ParamB = 0;
  int32_t Sound = 0;
  uint8_t ByteA = 0;
  uint8_t Layer = 0;
  bool Visible = true;
};

struct TRegionDef {
  std::string Name;
  int32_t Number = 0;
  int32_t Picture = 0;
  int32_t Caption = 0;
  int32_t InitialMusic = 0;
  bool Flag = false;
  std::array<std::array<int32_t, 2>, MapTiles> Tiles{};  // terrain, water
  std::vector<TPlotDef> Plots;
};

struct THintDef {
  std::string Name;
  int32_t Number = 0;
  int32_t Goal = 0;
  int32_t NeedsProp = 0;
  int32_t NeedsAmount = 0;
  int32_t UntilVisited = 0;
  int32_t AfterVisited = 0;
  int32_t UntilEntered = 0;
  int32_t OutsideRegion = 0;
  std::array<int32_t, 8> SubHints{};
  std::array<int32_t, 8> SubAmounts{};
  bool RouteOnly = false;
  bool ShowNeed = false;
};

struct TAchievementDef {
  std::string Name;
  int32_t Number = 0;
  int32_t Value = 0;
  int32_t Caption = 0;
  bool Hidden = false;
  int32_t Target = 0;
  int32_t Prop = 0;
  int32_t Parent = 0;
  int32_t Prerequisite = 0;
};

class TScenarioBuilder {
 public:
  // The position of Name in its pool list, added at the end when missing.
  int32_t Asset(TPoolClass Class, const std::string& Name);

  // Each Add returns the new object's reference; the Def accessors stay valid for the builder's life.
  int32_t AddProp(const std::string& Name, int32_t Kind = 0, int32_t InitialAmount = 0);
  int32_t AddRegion(const std::string& Name, int32_t Number);
  int32_t AddSite(int32_t Region, const std::string& Name, int32_t Number);
  TSceneDef& AddScene(int32_t Site, int32_t Number, int32_t Kind);
  int32_t AddHint(const std::string& Name, int32_t Number);
  int32_t AddAchievement(const std::string& Name, int32_t Number, int32_t Target);

  TPropDef& Prop(int32_t Ref) { return Props.at(static_cast<size_t>(Ref - 1)); }
  TRegionDef& Region(int32_t Ref) { return RegionList.at(static_cast<size_t>(Ref - 1)); }
  TSiteDef& Site(int32_t Handle) { return Sites.at(static_cast<size_t>(Handle - 1)); }
  THintDef& Hint(int32_t Ref) { return HintList.at(static_cast<size_t>(Ref - 1)); }
  TAchievementDef& Achievement(int32_t Ref) { return AchievementList.at(static_cast<size_t>(Ref - 1)); }

  // The file's bytes.
  std::string Build() const;
  // Writes the bytes to Path; fails with EError naming the path.
  void WriteTo(const std::string& Path) const;

  int32_t MenuRegion = 0;
  int32_t StartRegion = 0;
  int32_t MapRegion = 0;
  int32_t GuideStart = 0;
  int32_t NextNumber = 0;

  std::array<std::vector<std::string>, PoolClassCount> Pool;
  std::deque<TPropDef> Props;
  std::deque<TRegionDef> RegionList;
  std::deque<TSiteDef> Sites;
  std::deque<THintDef> HintList;
  std::deque<TAchievementDef> AchievementList;
};

// What a scenario file holds, record by record, with site handles equal to the sites' positions in
// the file (Build() of the result gives the same bytes back, apart from bytes the game never reads:
// anything after NextNumber, the unused byte of each plot record, and Boolean bytes other than 0
// and 1, which come back as 1). References are kept as they are, valid or not. A file that is cut
// short, or whose counts do not fit into it, fails with EError naming Label, the record and the field.
TScenarioBuilder ReadScenarioRecords(std::string_view Bytes, const std::string& Label);

// How many bytes of Bytes ReadScenarioRecords reads (the rest is ignored by the game as well), and
// whether every Boolean and unused byte it reads is one Build() writes back unchanged.
struct TScenarioReadNotes {
  size_t BytesRead = 0;
  std::vector<std::string> Lossy;  // one line per byte Build() would write differently
};
TScenarioBuilder ReadScenarioRecords(std::string_view Bytes, const std::string& Label, TScenarioReadNotes& Notes);

// The names of the pool classes as the file lists them: "picture", "effector", "sound", "terrain",
// "water", "figure", "caption", "group".
const char* PoolClassName(TPoolClass Class);

}  // namespace tv
