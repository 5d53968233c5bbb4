// The scenario file ("S0Scenario.dat") as plain records: the one reader of its bytes and the one
// place that knows its record sizes. The game's loader builds its world from these records and
// judges them (references, kinds); the authoring tools edit them and write them back.
//
// The file, in order: the pool lists (the names of each asset class), the props with their
// records, the names of the regions, sites, hints and achievements, the sites region by region
// (each site record followed by its scene records), the region records with their maps, the entry
// regions, the hint records, the guide start, the achievement records and the next free number.
// Little-endian, packed, strings as a 32-bit length followed by the bytes.
//
// References are 1-based as in the file: assets by their position in their pool list, props,
// regions, hints and achievements by their position in their list, sites by their position in the
// site list. 0 or less means none. The reader keeps them as they are, valid or not.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The asset classes of the pool section, in file order.
enum class TAssetClass { Picture, Effector, Sound, Terrain, Water, Figure, Caption, Group };
constexpr int AssetClassCount = 8;
// "picture", "effector", "sound", "terrain", "water", "figure", "caption", "group".
const char* AssetClassName(TAssetClass Class);

// The records' sizes in bytes (a prop record follows the prop's name).
constexpr int32_t PropRecordSize = 25;
constexpr int32_t SiteRecordSize = 135;  // with the scene count at its end
constexpr int32_t SceneRecordSize = 187;
constexpr int32_t RegionRecordSize = 17;  // followed by the map's tiles and plots
constexpr int32_t TileRecordSize = 8;
constexpr int32_t PlotRecordSize = 32;
constexpr int32_t HintRecordSize = 98;
constexpr int32_t AchievementRecordSize = 29;

// The counts that fix those sizes.
constexpr int32_t MapColumns = 13;
constexpr int32_t MapRows = 15;
// 13 columns by 15 rows: tile t lies in column t mod 13 and row t div 13.
constexpr int32_t MapTileCount = MapColumns * MapRows;  // 195
constexpr int32_t RevealTilesSize = 26;                 // bytes of a site's reveal bit set
constexpr int32_t SiteNeedCount = 3;
constexpr int32_t SceneSlotCount = 7;
constexpr int32_t SceneGroupCount = 4;
constexpr int32_t SubHintCount = 8;

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
  std::array<TSlotDef, SceneSlotCount> Left{};
  std::array<TSlotDef, SceneSlotCount> Right{};
  int32_t Achievement = 0;
  int32_t AchievementAmount = 0;
  float Duration = 0;
  int32_t ExecutionSound = 0;
  int32_t Effector = 0;
  int32_t ExecutionValue = 0;
  std::array<int32_t, SceneGroupCount> Groups{};
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
  std::array<int32_t, SiteNeedCount> NeedsVisited{};
  std::array<TSlotDef, SiteNeedCount> Needs{};  // NeedsProp1..3 with NeedsAmount1..3
  int32_t RevealGroup = 0;
  std::array<uint8_t, RevealTilesSize> RevealTiles{};
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
  std::array<std::array<int32_t, 2>, MapTileCount> Tiles{};  // terrain, water
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
  std::array<int32_t, SubHintCount> SubHints{};
  std::array<int32_t, SubHintCount> SubAmounts{};
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

// What a scenario file holds, record by record.
struct TScenarioRecords {
  int32_t MenuRegion = 0;
  int32_t StartRegion = 0;
  int32_t MapRegion = 0;
  int32_t GuideStart = 0;
  int32_t NextNumber = 0;

  std::array<std::vector<std::string>, AssetClassCount> Pool;
  std::deque<TPropDef> Props;
  std::deque<TRegionDef> RegionList;
  std::deque<TSiteDef> Sites;  // as read: in file order
  std::deque<THintDef> HintList;
  std::deque<TAchievementDef> AchievementList;
};

// How many bytes the reader read (the rest is ignored by the game as well), and every Boolean or
// unused byte it read that is neither 0 nor 1 (written back, such a byte would change).
struct TScenarioReadNotes {
  size_t BytesRead = 0;
  std::vector<std::string> Lossy;  // one line per such byte
};

// Reads the records of a scenario file without judging them: references and kinds are kept as
// they are. A file that is cut short, or whose counts do not fit into it, fails with EError naming
// Label, the record and the field.
TScenarioRecords ReadScenarioRecords(std::string_view Bytes, const std::string& Label, TScenarioReadNotes& Notes);
TScenarioRecords ReadScenarioRecords(std::string_view Bytes, const std::string& Label);

}  // namespace tv
