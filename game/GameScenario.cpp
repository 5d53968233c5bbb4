#include "game/GameScenario.h"

#include <memory>
#include <vector>

#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "engine/EngineScript.h"
#include "game/GameAchievement.h"
#include "game/GameAvatar.h"
#include "game/GameHint.h"
#include "game/GameMap.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScene.h"
#include "game/GameSite.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

constexpr int32_t PropRecordSize = 25;

struct TScenarioState {
  std::unique_ptr<TContainer> Props;
  std::unique_ptr<TContainer> Regions;
  std::unique_ptr<TContainer> Hints;
  std::unique_ptr<TContainer> Achievements;
  std::unique_ptr<TAvatar> Avatar;
  TRegion* MenuRegion = nullptr;
  TRegion* StartRegion = nullptr;
  TRegion* MapRegion = nullptr;
  TSite* GuideStart = nullptr;
  TRegion* CurrentRegion = nullptr;
  TRegion* PreviousRegion = nullptr;
  bool Unlocked[3] = {};
  int32_t Pointer = Pointers::Sites;
  int32_t NextNumber = 0;
  bool Loaded = false;
  bool Prepared = false;
  TRegion* RegionCache = nullptr;
  TSite* SiteCache = nullptr;
  int32_t SiteTotal = 0;
  // Position arrays of the load.
  std::vector<TProp*> PropAt;
  std::vector<TRegion*> RegionAt;
  std::vector<TSite*> SiteAt;
  std::vector<THint*> HintAt;
  std::vector<TAchievement*> AchievementAt;
};

TScenarioState Scenario;

void ReleaseLoadPositions() {
  Scenario.PropAt = {};
  Scenario.RegionAt = {};
  Scenario.SiteAt = {};
  Scenario.HintAt = {};
  Scenario.AchievementAt = {};
  ReleasePositions();
}

template <class T>
T* ResolveIn(TByteReader& Stream, const std::vector<T*>& List, int32_t Ref, const char* Field, const char* KindName) {
  if (Ref <= 0) return nullptr;
  if (static_cast<size_t>(Ref) > List.size()) {
    Stream.Fail(std::string(Field) + " refers to " + KindName + " " + std::to_string(Ref) + ", but the file lists " +
                std::to_string(List.size()));
  }
  return List[static_cast<size_t>(Ref) - 1];
}

std::string Quoted(const std::string& Name) { return "\"" + Name + "\""; }

// Fills a site from its 135-byte record (without the scene count).
void ReadSiteRecord(TByteReader& Stream, TSite* Site, const uint8_t* r) {
  Site->Number = LeInt32(r);
  Site->X = LeFloat(r + 4);
  Site->Y = LeFloat(r + 8);
  Site->LayoutA = LeInt32(r + 12);
  Site->LayoutB = LeInt32(r + 16);
  Site->Icon = LeInt32(r + 20);
  Site->Caption = ResolveAsset<TCaption>(Stream, TAssetClass::Caption, LeInt32(r + 24), "Caption");
  Site->HiddenUntilEntered = r[28] != 0;
  Site->EnterOnReveal = r[29] != 0;
  Site->KeepAfterVisit = r[30] != 0;
  Site->MarkUntilVisited = r[31] != 0;
  Site->Ending = r[32] != 0;
  Site->Special = LeInt32(r + 33);
  Site->Destination = ResolveRegion(Stream, LeInt32(r + 37), "Destination");
  Site->RegionMusic = ResolveAsset<TSound>(Stream, TAssetClass::Sound, LeInt32(r + 41), "RegionMusic");
  Site->NeedsRevealed = ResolveSite(Stream, LeInt32(r + 45), "NeedsRevealed");
  Site->NeedsEntered = ResolveSite(Stream, LeInt32(r + 49), "NeedsEntered");
  Site->NeedsVisited1 = ResolveSite(Stream, LeInt32(r + 53), "NeedsVisited1");
  Site->NeedsVisited2 = ResolveSite(Stream, LeInt32(r + 57), "NeedsVisited2");
  Site->NeedsVisited3 = ResolveSite(Stream, LeInt32(r + 61), "NeedsVisited3");
  Site->NeedsProp1 = ResolveProp(Stream, LeInt32(r + 65), "NeedsProp1");
  Site->NeedsAmount1 = LeInt32(r + 69);
  Site->NeedsProp2 = ResolveProp(Stream, LeInt32(r + 73), "NeedsProp2");
  Site->NeedsAmount2 = LeInt32(r + 77);
  Site->NeedsProp3 = ResolveProp(Stream, LeInt32(r + 81), "NeedsProp3");
  Site->NeedsAmount3 = LeInt32(r + 85);
  Site->RevealGroup = ResolveAsset<TGroup>(Stream, TAssetClass::Group, LeInt32(r + 89), "RevealGroup");
  for (int32_t i = 0; i < RevealTilesSize; ++i) Site->RevealTiles[i] = r[93 + i];
  Site->DisappearsAfter = ResolveSite(Stream, LeInt32(r + 119), "DisappearsAfter");
  Site->Hint = ResolveHint(Stream, LeInt32(r + 123), "Hint");
  Site->NextGuide = ResolveSite(Stream, LeInt32(r + 127), "NextGuide");
}

void ReadSceneRecord(TByteReader& Stream, TScene* Scene, const uint8_t* r) {
  Scene->Number = LeInt32(r);
  Scene->Repeatable = r[4] != 0;
  Scene->LeavesSite = r[5] != 0;
  Scene->Flag3 = r[6] != 0;
  Scene->DialogX = LeFloat(r + 7);
  Scene->DialogY = LeFloat(r + 11);
  const int32_t kind = LeInt32(r + 15);
  if (kind < 0 || kind >= SceneKindCount) {
    Stream.Fail("Kind " + std::to_string(kind) + " is not a scene kind (0 to 39)");
  }
  Scene->Kind = kind;
  Scene->Music = ResolveAsset<TSound>(Stream, TAssetClass::Sound, LeInt32(r + 19), "Music");
  Scene->Sound = ResolveAsset<TSound>(Stream, TAssetClass::Sound, LeInt32(r + 23), "Sound");
  Scene->Illustration = ResolveAsset<TPicture>(Stream, TAssetClass::Picture, LeInt32(r + 27), "Illustration");
  Scene->IllustrationFrame = LeInt32(r + 31);
  static const char* leftNames[SceneSlotCount] = {"Left1", "Left2", "Left3", "Left4", "Left5", "Left6", "Left7"};
  static const char* rightNames[SceneSlotCount] = {"Right1", "Right2", "Right3", "Right4",
                                                   "Right5", "Right6", "Right7"};
  // Only the slots of the scene's kind are taken; the others stay empty whatever the file holds.
  const int32_t left = LeftSlots(kind);
  const int32_t right = RightSlots(kind);
  for (int32_t i = 0; i < SceneSlotCount; ++i) {
    Scene->Left[i] = {};
    Scene->Right[i] = {};
    if (i < left) {
      Scene->Left[i].Prop = ResolveProp(Stream, LeInt32(r + 35 + 8 * i), leftNames[i]);
      Scene->Left[i].Amount = LeInt32(r + 39 + 8 * i);
    }
    if (i < right) {
      Scene->Right[i].Prop = ResolveProp(Stream, LeInt32(r + 91 + 8 * i), rightNames[i]);
      Scene->Right[i].Amount = LeInt32(r + 95 + 8 * i);
    }
  }
  Scene->Achievement = ResolveAchievement(Stream, LeInt32(r + 147), "Achievement");
  Scene->AchievementAmount = LeInt32(r + 151);
  Scene->Duration = LeFloat(r + 155);
  Scene->ExecutionSound = ResolveAsset<TSound>(Stream, TAssetClass::Sound, LeInt32(r + 159), "ExecutionSound");
  Scene->Effector = ResolveAsset<TEffector>(Stream, TAssetClass::Effector, LeInt32(r + 163), "Effector");
  Scene->ExecutionValue = LeInt32(r + 167);
  static const char* groupNames[SceneGroupCount] = {"Group1", "Group2", "Group3", "Group4"};
  for (int32_t i = 0; i < SceneGroupCount; ++i) {
    Scene->Groups[i] = ResolveAsset<TGroup>(Stream, TAssetClass::Group, LeInt32(r + 171 + 4 * i), groupNames[i]);
  }
}

// Reads the name list of one kind of object, creating each object as its name is read.
template <class T>
void ReadNames(TByteReader& Stream, const char* What, std::vector<T*>& Positions, TContainer* Container) {
  Stream.SetContext(What);
  const int32_t count = Stream.Count("count", 4);
  Positions.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    Positions.push_back(Container->Insert(std::make_unique<T>(Stream.String("name")), false));
  }
}

void ReadFile(TByteReader& Stream) {
  LoadPool(Stream);

  Stream.SetContext("props");
  const int32_t propCount = Stream.Count("prop count", 4 + PropRecordSize);
  Scenario.PropAt.reserve(static_cast<size_t>(propCount));
  for (int32_t i = 1; i <= propCount; ++i) {
    Stream.SetContext("prop " + std::to_string(i));
    TProp* prop = Scenario.Props->Insert(std::make_unique<TProp>(Stream.String("name")), false);
    Scenario.PropAt.push_back(prop);
    Stream.SetContext("prop " + std::to_string(i) + " " + Quoted(prop->Name));
    const uint8_t* r = Stream.Block(PropRecordSize, "record");
    prop->Number = LeInt32(r);
    const int32_t kind = LeInt32(r + 4);
    if (kind < 0 || kind >= PropKindCount) Stream.Fail("Kind " + std::to_string(kind) + " is not a prop kind (0 to 4)");
    prop->Kind = static_cast<TPropKind>(kind);
    prop->SingleUnit = r[8] != 0;
    prop->Picture = ResolveAsset<TPicture>(Stream, TAssetClass::Picture, LeInt32(r + 9), "Picture");
    prop->Frame = LeInt32(r + 13);
    prop->Caption = ResolveAsset<TCaption>(Stream, TAssetClass::Caption, LeInt32(r + 17), "Caption");
    prop->InitialAmount = LeInt32(r + 21);
    prop->Amount = prop->InitialAmount;
  }

  ReadNames(Stream, "region names", Scenario.RegionAt, Scenario.Regions.get());
  // Sites join their region's list when their bodies are read; until then they are owned here,
  // so that a failed load frees them.
  std::vector<std::unique_ptr<TSite>> unplaced;
  Stream.SetContext("site names");
  const int32_t listedSites = Stream.Count("count", 4);
  unplaced.reserve(static_cast<size_t>(listedSites));
  Scenario.SiteAt.reserve(static_cast<size_t>(listedSites));
  for (int32_t i = 0; i < listedSites; ++i) {
    unplaced.push_back(std::make_unique<TSite>(Stream.String("name")));
    Scenario.SiteAt.push_back(unplaced.back().get());
  }
  ReadNames(Stream, "hint names", Scenario.HintAt, Scenario.Hints.get());
  ReadNames(Stream, "achievement names", Scenario.AchievementAt, Scenario.Achievements.get());

  const size_t siteCount = Scenario.SiteAt.size();
  size_t placed = 0;
  for (size_t k = 0; k < Scenario.RegionAt.size(); ++k) {
    TRegion* region = Scenario.RegionAt[k];
    Stream.SetContext("site bodies of region " + std::to_string(k + 1) + " " + Quoted(region->Name));
    const int32_t n = Stream.Count("site count", SiteRecordSize);
    if (static_cast<size_t>(n) > siteCount - placed) {
      Stream.Fail("site count " + std::to_string(n) + " goes beyond the " + std::to_string(siteCount) +
                  " sites listed");
    }
    for (int32_t j = 0; j < n; ++j) {
      const size_t index = placed++;
      TSite* site = unplaced[index].release();
      site->Region = region;
      region->Sites->Insert(site, false);
      Stream.SetContext("site " + std::to_string(index + 1) + " " + Quoted(site->Name));
      const uint8_t* r = Stream.Block(SiteRecordSize, "record");
      ReadSiteRecord(Stream, site, r);
      const int32_t sceneCount = LeInt32(r + 131);
      if (sceneCount < 0) Stream.Fail("negative scene count " + std::to_string(sceneCount));
      if (static_cast<uint64_t>(sceneCount) * SceneRecordSize > Stream.Remaining()) {
        Stream.Fail("scene count " + std::to_string(sceneCount) + " does not fit into the " +
                    std::to_string(Stream.Remaining()) + " bytes left");
      }
      for (int32_t s = 0; s < sceneCount; ++s) {
        auto scene = std::make_unique<TScene>();
        scene->Site = site;
        site->Scenes->Insert(std::move(scene), true);
      }
      const uint8_t* block = Stream.Block(static_cast<size_t>(sceneCount) * SceneRecordSize, "scene records");
      int32_t s = 0;
      for (TItem* item : *site->Scenes) {
        Stream.SetContext("site " + std::to_string(index + 1) + " " + Quoted(site->Name) + ", scene " +
                          std::to_string(s + 1));
        ReadSceneRecord(Stream, static_cast<TScene*>(item), block + static_cast<ptrdiff_t>(s) * SceneRecordSize);
        ++s;
      }
    }
  }
  if (placed < siteCount) {
    Stream.SetContext("site bodies");
    Stream.Fail(std::to_string(siteCount - placed) + " of the " + std::to_string(siteCount) +
                " sites listed belong to no region");
  }
  Scenario.SiteTotal = static_cast<int32_t>(siteCount);

  for (size_t k = 0; k < Scenario.RegionAt.size(); ++k) {
    TRegion* region = Scenario.RegionAt[k];
    Stream.SetContext("region " + std::to_string(k + 1) + " " + Quoted(region->Name));
    const uint8_t* r = Stream.Block(RegionRecordSize, "record");
    region->Number = LeInt32(r);
    region->Picture = ResolveAsset<TPicture>(Stream, TAssetClass::Picture, LeInt32(r + 4), "Picture");
    region->Caption = ResolveAsset<TCaption>(Stream, TAssetClass::Caption, LeInt32(r + 8), "Caption");
    region->InitialMusic = ResolveAsset<TSound>(Stream, TAssetClass::Sound, LeInt32(r + 12), "InitialMusic");
    region->Flag = r[16] != 0;
    region->Music = region->InitialMusic;
    region->Map->Load(Stream);
  }

  Stream.SetContext("entry regions");
  Scenario.MenuRegion = ResolveRegion(Stream, Stream.Int32("MenuRegion"), "MenuRegion");
  Scenario.StartRegion = ResolveRegion(Stream, Stream.Int32("StartRegion"), "StartRegion");
  Scenario.MapRegion = ResolveRegion(Stream, Stream.Int32("MapRegion"), "MapRegion");

  for (size_t k = 0; k < Scenario.HintAt.size(); ++k) {
    THint* hint = Scenario.HintAt[k];
    Stream.SetContext("hint " + std::to_string(k + 1) + " " + Quoted(hint->Name));
    hint->Load(Stream);
  }

  Stream.SetContext("guide chain");
  Scenario.GuideStart = ResolveSite(Stream, Stream.Int32("GuideStart"), "GuideStart");

  for (size_t k = 0; k < Scenario.AchievementAt.size(); ++k) {
    TAchievement* achievement = Scenario.AchievementAt[k];
    Stream.SetContext("achievement " + std::to_string(k + 1) + " " + Quoted(achievement->Name));
    achievement->Load(Stream);
  }

  Stream.SetContext("end of file");
  Scenario.NextNumber = Stream.Int32("NextNumber");

  // Content that would hang or crash the game later is refused now, naming the object.
  if (!Scenario.RegionAt.empty() && Scenario.StartRegion == nullptr) {
    Stream.SetContext("entry regions");
    Stream.Fail("the file lists " + std::to_string(Scenario.RegionAt.size()) + " regions but no StartRegion");
  }
  Stream.SetContext({});
  try {
    CheckAchievementParents();
    CheckHintTrees();
  } catch (const EError& e) {
    Stream.Fail(e.what());
  }
}

// Frees everything a load made, leaving empty containers.
void ClearWorld() {
  if (Scenario.Achievements) Scenario.Achievements->Clear();
  if (Scenario.Hints) Scenario.Hints->Clear();
  if (Scenario.Regions) Scenario.Regions->Clear();
  if (Scenario.Props) Scenario.Props->Clear();
  for (TContainer* c : {Pictures(), Effectors(), Sounds(), Terrains(), Waters(), Figures(), Captions(), Groups()}) {
    if (c != nullptr) c->Clear();
  }
  Scenario.MenuRegion = Scenario.StartRegion = Scenario.MapRegion = nullptr;
  Scenario.CurrentRegion = Scenario.PreviousRegion = nullptr;
  Scenario.GuideStart = nullptr;
  Scenario.RegionCache = nullptr;
  Scenario.SiteCache = nullptr;
  Scenario.SiteTotal = 0;
  Scenario.NextNumber = 0;
  Scenario.Prepared = false;
  if (Scenario.Avatar) Scenario.Avatar->Reset();
}

void MakeEmptyWorld() {
  auto made = std::make_unique<TRegion>("Region01");
  made->Number = NewNumber();
  TRegion* region = Scenario.Regions->Insert(std::move(made), true);
  Scenario.StartRegion = region;
  Scenario.MenuRegion = region;
}

}  // namespace

// ---- Life -----------------------------------------------------------------------------------------

void CreateScenario() {
  DestroyScenario();
  Scenario.Props = std::make_unique<TContainer>(true, true);
  Scenario.Regions = std::make_unique<TContainer>(true, true);
  Scenario.Hints = std::make_unique<TContainer>(true, true);
  Scenario.Achievements = std::make_unique<TContainer>(true, true);
  Scenario.Avatar = std::make_unique<TAvatar>();
}

void DestroyScenario() {
  Scenario.Avatar.reset();
  Scenario.Achievements.reset();
  Scenario.Hints.reset();
  Scenario.Regions.reset();
  Scenario.Props.reset();
  // The groups' plot lists point into the maps just freed.
  if (TContainer* groups = Groups()) {
    for (TItem* item : *groups) static_cast<TGroup*>(item)->Plots.clear();
  }
  ReleaseLoadPositions();
  Scenario = TScenarioState{};
}

void LoadScenario() {
  if (Scenario.Loaded) return;
  LoadScenarioTexts();
  const std::string path = DataFilePath(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat);
  // Not an error: the game runs in the empty one-region world (and keeps the players' events as
  // they are). But a player would find their world gone, so the log says why.
  if (!FileExists(path)) {
    AddLogMessage("The scenario file \"" + path + "\" is missing; the game starts with an empty world");
  } else if (!DataFileExists(TFolderKind::Language, "T1ScriptScenario", TExtKind::Xml)) {
    AddLogMessage("The scenario's texts \"" + DataFilePath(TFolderKind::Language, "T1ScriptScenario", TExtKind::Xml) +
                  "\" are missing");
  }
  LoadScenarioFile(path);
}

void LoadScenarioFile(const std::string& Path) {
  if (Scenario.Loaded) return;
  if (!FileExists(Path)) {
    if (!Scenario.Props) CreateScenario();
    CreatePool();
    MakeEmptyWorld();
    Scenario.Loaded = true;
    return;
  }
  const std::string bytes = ReadWholeFile(Path);
  LoadScenarioBytes(bytes, Path);
}

void LoadScenarioBytes(std::string_view Bytes, const std::string& Label) {
  if (Scenario.Loaded) return;
  if (!Scenario.Props) CreateScenario();
  CreatePool();
  TByteReader stream(Bytes, "Scenario file \"" + Label + "\"");
  try {
    ReadFile(stream);
  } catch (...) {
    ReleaseLoadPositions();
    ClearWorld();
    throw;
  }
  ReleaseLoadPositions();
  Scenario.Loaded = true;
}

bool IsScenarioLoaded() { return Scenario.Loaded; }

// ---- Resolution -----------------------------------------------------------------------------------

TNamedItem* ResolveAssetRef(TByteReader& Stream, TAssetClass Class, int32_t Ref, const char* Field) {
  if (Ref <= 0) return nullptr;
  const int32_t count = PoolCount(Class);
  if (Ref > count) {
    Stream.Fail(std::string(Field) + " refers to " + AssetClassName(Class) + " " + std::to_string(Ref) +
                ", but the pool section lists " + std::to_string(count));
  }
  switch (Class) {
    case TAssetClass::Picture: return PictureAt(Ref);
    case TAssetClass::Effector: return EffectorAt(Ref);
    case TAssetClass::Sound: return SoundAt(Ref);
    case TAssetClass::Terrain: return TerrainAt(Ref);
    case TAssetClass::Water: return WaterAt(Ref);
    case TAssetClass::Figure: return FigureAt(Ref);
    case TAssetClass::Caption: return CaptionAt(Ref);
    case TAssetClass::Group: return GroupAt(Ref);
  }
  return nullptr;
}

TProp* ResolveProp(TByteReader& Stream, int32_t Ref, const char* Field) {
  return ResolveIn(Stream, Scenario.PropAt, Ref, Field, "prop");
}
TRegion* ResolveRegion(TByteReader& Stream, int32_t Ref, const char* Field) {
  return ResolveIn(Stream, Scenario.RegionAt, Ref, Field, "region");
}
TSite* ResolveSite(TByteReader& Stream, int32_t Ref, const char* Field) {
  return ResolveIn(Stream, Scenario.SiteAt, Ref, Field, "site");
}
THint* ResolveHint(TByteReader& Stream, int32_t Ref, const char* Field) {
  return ResolveIn(Stream, Scenario.HintAt, Ref, Field, "hint");
}
TAchievement* ResolveAchievement(TByteReader& Stream, int32_t Ref, const char* Field) {
  return ResolveIn(Stream, Scenario.AchievementAt, Ref, Field, "achievement");
}

// ---- The game state -------------------------------------------------------------------------------

void ResetGame() {
  if (Scenario.Avatar) Scenario.Avatar->Reset();
  if (Scenario.Props) {
    for (TItem* item : *Scenario.Props) static_cast<TProp*>(item)->Reset();
  }
  if (Scenario.Regions) {
    for (TItem* item : *Scenario.Regions) static_cast<TRegion*>(item)->Reset();
  }
  if (Scenario.Achievements) {
    for (TItem* item : *Scenario.Achievements) static_cast<TAchievement*>(item)->Reset();
  }
  Scenario.RegionCache = nullptr;
  Scenario.SiteCache = nullptr;
  if (!Scenario.Prepared && Scenario.Regions) {
    Scenario.Prepared = true;
    for (TItem* item : *Scenario.Regions) static_cast<TRegion*>(item)->Map->Prepare();
  }
  Scenario.CurrentRegion = Scenario.StartRegion;
  Scenario.PreviousRegion = Scenario.StartRegion;
  for (bool& flag : Scenario.Unlocked) flag = false;
  Scenario.Pointer = Pointers::Sites;
}

int32_t NewNumber() {
  Scenario.NextNumber = WrapAdd(Scenario.NextNumber, 1);
  return Scenario.NextNumber;
}

TRegion* FindRegion(int32_t Number) {
  if (Scenario.RegionCache != nullptr && Scenario.RegionCache->Number == Number) return Scenario.RegionCache;
  if (!Scenario.Regions) return nullptr;
  for (TItem* item : *Scenario.Regions) {
    auto* region = static_cast<TRegion*>(item);
    if (region->Number == Number) {
      Scenario.RegionCache = region;
      return region;
    }
  }
  return nullptr;
}

TSite* FindSite(int32_t RegionNumber, int32_t SiteNumber) {
  if (Scenario.SiteCache != nullptr && Scenario.SiteCache->Number == SiteNumber) return Scenario.SiteCache;
  TRegion* region = FindRegion(RegionNumber);
  if (region == nullptr) return nullptr;
  for (TItem* item : *region->Sites) {
    auto* site = static_cast<TSite*>(item);
    if (site->Number == SiteNumber) {
      Scenario.SiteCache = site;
      return site;
    }
  }
  return nullptr;
}

TScene* FindScene(int32_t RegionNumber, int32_t SiteNumber, int32_t SceneNumber) {
  TSite* site = FindSite(RegionNumber, SiteNumber);
  if (site == nullptr) return nullptr;
  for (TItem* item : *site->Scenes) {
    auto* scene = static_cast<TScene*>(item);
    if (scene->Number == SceneNumber) return scene;
  }
  return nullptr;
}

void SetCurrentRegion(TRegion* Region) {
  Scenario.PreviousRegion = Scenario.CurrentRegion;
  Scenario.CurrentRegion = Region;
}

void SetMusicOfAllRegions(TSound* Music) {
  if (!Scenario.Regions) return;
  for (TItem* item : *Scenario.Regions) static_cast<TRegion*>(item)->Music = Music;
}

void Unlock(int32_t Index) {
  if (Index >= 1 && Index <= 3) Scenario.Unlocked[Index - 1] = true;
}

bool IsUnlocked(int32_t Index) { return Index >= 1 && Index <= 3 && Scenario.Unlocked[Index - 1]; }

int32_t GetPointer() { return Scenario.Pointer; }
void SetPointer(int32_t Value) { Scenario.Pointer = Value; }

TContainer* Props() { return Scenario.Props.get(); }
TContainer* Regions() { return Scenario.Regions.get(); }
TContainer* Hints() { return Scenario.Hints.get(); }
TContainer* Achievements() { return Scenario.Achievements.get(); }
TAvatar* Avatar() { return Scenario.Avatar.get(); }
TRegion* MenuRegion() { return Scenario.MenuRegion; }
TRegion* StartRegion() { return Scenario.StartRegion; }
TRegion* MapRegion() { return Scenario.MapRegion; }
TSite* GuideStart() { return Scenario.GuideStart; }
TRegion* CurrentRegion() { return Scenario.CurrentRegion; }
TRegion* PreviousRegion() { return Scenario.PreviousRegion; }
int32_t GetNextNumber() { return Scenario.NextNumber; }
int32_t TotalSiteCount() { return Scenario.SiteTotal; }

}  // namespace tv
