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
  bool Unlocked[Buttons::Count] = {};
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
T* ResolveIn(const TFilePlace& Place, const std::vector<T*>& List, int32_t Ref, const char* Field,
             const char* KindName) {
  if (Ref <= 0) return nullptr;
  if (static_cast<size_t>(Ref) > List.size()) {
    Place.Fail(std::string(Field) + " refers to " + KindName + " " + std::to_string(Ref) + ", but the file lists " +
               std::to_string(List.size()));
  }
  return List[static_cast<size_t>(Ref) - 1];
}

std::string Quoted(const std::string& Name) { return "\"" + Name + "\""; }

// Fills a site from its record.
void LoadSite(const TFilePlace& Place, TSite* Site, const TSiteDef& r) {
  Site->Number = r.Number;
  Site->X = r.X;
  Site->Y = r.Y;
  Site->LayoutA = r.LayoutA;
  Site->LayoutB = r.LayoutB;
  Site->Icon = r.Icon;
  Site->Caption = ResolveAsset<TCaption>(Place, TAssetClass::Caption, r.Caption, "Caption");
  Site->HiddenUntilEntered = r.HiddenUntilEntered;
  Site->EnterOnReveal = r.EnterOnReveal;
  Site->KeepAfterVisit = r.KeepAfterVisit;
  Site->MarkUntilVisited = r.MarkUntilVisited;
  Site->Ending = r.Ending;
  Site->Special = r.Special;
  Site->Destination = ResolveRegion(Place, r.Destination, "Destination");
  Site->RegionMusic = ResolveAsset<TSound>(Place, TAssetClass::Sound, r.RegionMusic, "RegionMusic");
  Site->NeedsRevealed = ResolveSite(Place, r.NeedsRevealed, "NeedsRevealed");
  Site->NeedsEntered = ResolveSite(Place, r.NeedsEntered, "NeedsEntered");
  Site->NeedsVisited1 = ResolveSite(Place, r.NeedsVisited[0], "NeedsVisited1");
  Site->NeedsVisited2 = ResolveSite(Place, r.NeedsVisited[1], "NeedsVisited2");
  Site->NeedsVisited3 = ResolveSite(Place, r.NeedsVisited[2], "NeedsVisited3");
  Site->NeedsProp1 = ResolveProp(Place, r.Needs[0].Prop, "NeedsProp1");
  Site->NeedsAmount1 = r.Needs[0].Amount;
  Site->NeedsProp2 = ResolveProp(Place, r.Needs[1].Prop, "NeedsProp2");
  Site->NeedsAmount2 = r.Needs[1].Amount;
  Site->NeedsProp3 = ResolveProp(Place, r.Needs[2].Prop, "NeedsProp3");
  Site->NeedsAmount3 = r.Needs[2].Amount;
  Site->RevealGroup = ResolveAsset<TGroup>(Place, TAssetClass::Group, r.RevealGroup, "RevealGroup");
  for (int32_t i = 0; i < RevealTilesSize; ++i) Site->RevealTiles[i] = r.RevealTiles[static_cast<size_t>(i)];
  Site->DisappearsAfter = ResolveSite(Place, r.DisappearsAfter, "DisappearsAfter");
  Site->Hint = ResolveHint(Place, r.Hint, "Hint");
  Site->NextGuide = ResolveSite(Place, r.NextGuide, "NextGuide");
}

void LoadScene(const TFilePlace& Place, TScene* Scene, const TSceneDef& r) {
  Scene->Number = r.Number;
  Scene->Repeatable = r.Repeatable;
  Scene->LeavesSite = r.LeavesSite;
  Scene->Flag3 = r.Flag3;
  Scene->DialogX = r.DialogX;
  Scene->DialogY = r.DialogY;
  if (!IsSceneKind(r.Kind)) {
    Place.Fail("Kind " + std::to_string(r.Kind) + " is not a scene kind (0 to " + std::to_string(SceneKindCount - 1) +
               ")");
  }
  Scene->Kind = r.Kind;
  Scene->Music = ResolveAsset<TSound>(Place, TAssetClass::Sound, r.Music, "Music");
  Scene->Sound = ResolveAsset<TSound>(Place, TAssetClass::Sound, r.Sound, "Sound");
  Scene->Illustration = ResolveAsset<TPicture>(Place, TAssetClass::Picture, r.Illustration, "Illustration");
  Scene->IllustrationFrame = r.IllustrationFrame;
  static const char* leftNames[SceneSlotCount] = {"Left1", "Left2", "Left3", "Left4", "Left5", "Left6", "Left7"};
  static const char* rightNames[SceneSlotCount] = {"Right1", "Right2", "Right3", "Right4",
                                                   "Right5", "Right6", "Right7"};
  // Only the slots of the scene's kind are taken; the others stay empty whatever the file holds.
  const int32_t left = LeftSlots(r.Kind);
  const int32_t right = RightSlots(r.Kind);
  for (int32_t i = 0; i < SceneSlotCount; ++i) {
    const auto slot = static_cast<size_t>(i);
    Scene->Left[i] = {};
    Scene->Right[i] = {};
    if (i < left) {
      Scene->Left[i].Prop = ResolveProp(Place, r.Left[slot].Prop, leftNames[i]);
      Scene->Left[i].Amount = r.Left[slot].Amount;
    }
    if (i < right) {
      Scene->Right[i].Prop = ResolveProp(Place, r.Right[slot].Prop, rightNames[i]);
      Scene->Right[i].Amount = r.Right[slot].Amount;
    }
  }
  Scene->Achievement = ResolveAchievement(Place, r.Achievement, "Achievement");
  Scene->AchievementAmount = r.AchievementAmount;
  Scene->Duration = r.Duration;
  Scene->ExecutionSound = ResolveAsset<TSound>(Place, TAssetClass::Sound, r.ExecutionSound, "ExecutionSound");
  Scene->Effector = ResolveAsset<TEffector>(Place, TAssetClass::Effector, r.Effector, "Effector");
  Scene->ExecutionValue = r.ExecutionValue;
  static const char* groupNames[SceneGroupCount] = {"Group1", "Group2", "Group3", "Group4"};
  for (int32_t i = 0; i < SceneGroupCount; ++i) {
    Scene->Groups[i] = ResolveAsset<TGroup>(Place, TAssetClass::Group, r.Groups[static_cast<size_t>(i)], groupNames[i]);
  }
}

void LoadProp(const TFilePlace& Place, TProp* Prop, const TPropDef& r) {
  Prop->Number = r.Number;
  if (r.Kind < 0 || r.Kind >= PropKindCount) {
    Place.Fail("Kind " + std::to_string(r.Kind) + " is not a prop kind (0 to " + std::to_string(PropKindCount - 1) +
               ")");
  }
  Prop->Kind = static_cast<TPropKind>(r.Kind);
  Prop->SingleUnit = r.SingleUnit;
  Prop->Picture = ResolveAsset<TPicture>(Place, TAssetClass::Picture, r.Picture, "Picture");
  Prop->Frame = r.Frame;
  Prop->Caption = ResolveAsset<TCaption>(Place, TAssetClass::Caption, r.Caption, "Caption");
  Prop->InitialAmount = r.InitialAmount;
  Prop->Amount = Prop->InitialAmount;
}

// Makes the objects of one name list, in file order.
template <class T, class TDef>
void MakeNamed(const std::deque<TDef>& Records, std::vector<T*>& Positions, TContainer* Container) {
  Positions.reserve(Records.size());
  for (const TDef& r : Records) Positions.push_back(Container->Insert(std::make_unique<T>(r.Name), false));
}

// Builds the world from the file's records, judging every reference as it goes.
void LoadRecords(const TScenarioRecords& File, TFilePlace& Place) {
  LoadPool(File.Pool);

  MakeNamed(File.Props, Scenario.PropAt, Scenario.Props.get());
  MakeNamed(File.RegionList, Scenario.RegionAt, Scenario.Regions.get());
  MakeNamed(File.HintList, Scenario.HintAt, Scenario.Hints.get());
  MakeNamed(File.AchievementList, Scenario.AchievementAt, Scenario.Achievements.get());
  // Sites join their region's list as they are filled; until then they are owned here, so that a
  // failed load frees them.
  std::vector<std::unique_ptr<TSite>> unplaced;
  unplaced.reserve(File.Sites.size());
  Scenario.SiteAt.reserve(File.Sites.size());
  for (const TSiteDef& r : File.Sites) {
    unplaced.push_back(std::make_unique<TSite>(r.Name));
    Scenario.SiteAt.push_back(unplaced.back().get());
  }

  for (size_t k = 0; k < File.Props.size(); ++k) {
    Place.SetContext("prop " + std::to_string(k + 1) + " " + Quoted(File.Props[k].Name));
    LoadProp(Place, Scenario.PropAt[k], File.Props[k]);
  }

  for (size_t index = 0; index < File.Sites.size(); ++index) {
    const TSiteDef& r = File.Sites[index];
    TSite* site = unplaced[index].release();
    site->Region = Scenario.RegionAt[static_cast<size_t>(r.Region) - 1];
    site->Region->Sites->Insert(site, false);
    const std::string context = "site " + std::to_string(index + 1) + " " + Quoted(site->Name);
    Place.SetContext(context);
    LoadSite(Place, site, r);
    for (size_t s = 0; s < r.Scenes.size(); ++s) {
      auto scene = std::make_unique<TScene>();
      scene->Site = site;
      site->Scenes->Insert(std::move(scene), true);
    }
    size_t s = 0;
    for (TItem* item : *site->Scenes) {
      Place.SetContext(context + ", scene " + std::to_string(s + 1));
      LoadScene(Place, static_cast<TScene*>(item), r.Scenes[s]);
      ++s;
    }
  }
  Scenario.SiteTotal = static_cast<int32_t>(File.Sites.size());

  for (size_t k = 0; k < File.RegionList.size(); ++k) {
    const TRegionDef& r = File.RegionList[k];
    TRegion* region = Scenario.RegionAt[k];
    Place.SetContext("region " + std::to_string(k + 1) + " " + Quoted(region->Name));
    region->Number = r.Number;
    region->Picture = ResolveAsset<TPicture>(Place, TAssetClass::Picture, r.Picture, "Picture");
    region->Caption = ResolveAsset<TCaption>(Place, TAssetClass::Caption, r.Caption, "Caption");
    region->InitialMusic = ResolveAsset<TSound>(Place, TAssetClass::Sound, r.InitialMusic, "InitialMusic");
    region->Flag = r.Flag;
    region->Music = region->InitialMusic;
    region->Map->Load(r, Place);
  }

  Place.SetContext("entry regions");
  Scenario.MenuRegion = ResolveRegion(Place, File.MenuRegion, "MenuRegion");
  Scenario.StartRegion = ResolveRegion(Place, File.StartRegion, "StartRegion");
  Scenario.MapRegion = ResolveRegion(Place, File.MapRegion, "MapRegion");

  for (size_t k = 0; k < File.HintList.size(); ++k) {
    THint* hint = Scenario.HintAt[k];
    Place.SetContext("hint " + std::to_string(k + 1) + " " + Quoted(hint->Name));
    hint->Load(File.HintList[k], Place);
  }

  Place.SetContext("guide chain");
  Scenario.GuideStart = ResolveSite(Place, File.GuideStart, "GuideStart");

  for (size_t k = 0; k < File.AchievementList.size(); ++k) {
    TAchievement* achievement = Scenario.AchievementAt[k];
    Place.SetContext("achievement " + std::to_string(k + 1) + " " + Quoted(achievement->Name));
    achievement->Load(File.AchievementList[k], Place);
  }

  Scenario.NextNumber = File.NextNumber;

  // Content that would hang or crash the game later is refused now, naming the object.
  if (!Scenario.RegionAt.empty() && Scenario.StartRegion == nullptr) {
    Place.SetContext("entry regions");
    Place.Fail("the file lists " + std::to_string(Scenario.RegionAt.size()) + " regions but no StartRegion");
  }
  Place.SetContext({});
  try {
    CheckAchievementParents();
    CheckHintTrees();
  } catch (const EError& e) {
    Place.Fail(e.what());
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
  TFilePlace place("Scenario file \"" + Label + "\"");
  try {
    const TScenarioRecords file = ReadScenarioRecords(Bytes, "Scenario file \"" + Label + "\"");
    LoadRecords(file, place);
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

TNamedItem* ResolveAssetRef(const TFilePlace& Place, TAssetClass Class, int32_t Ref, const char* Field) {
  if (Ref <= 0) return nullptr;
  const int32_t count = PoolCount(Class);
  if (Ref > count) {
    Place.Fail(std::string(Field) + " refers to " + AssetClassName(Class) + " " + std::to_string(Ref) +
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

TProp* ResolveProp(const TFilePlace& Place, int32_t Ref, const char* Field) {
  return ResolveIn(Place, Scenario.PropAt, Ref, Field, "prop");
}
TRegion* ResolveRegion(const TFilePlace& Place, int32_t Ref, const char* Field) {
  return ResolveIn(Place, Scenario.RegionAt, Ref, Field, "region");
}
TSite* ResolveSite(const TFilePlace& Place, int32_t Ref, const char* Field) {
  return ResolveIn(Place, Scenario.SiteAt, Ref, Field, "site");
}
THint* ResolveHint(const TFilePlace& Place, int32_t Ref, const char* Field) {
  return ResolveIn(Place, Scenario.HintAt, Ref, Field, "hint");
}
TAchievement* ResolveAchievement(const TFilePlace& Place, int32_t Ref, const char* Field) {
  return ResolveIn(Place, Scenario.AchievementAt, Ref, Field, "achievement");
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

void Unlock(int32_t Button) {
  if (IsButton(Button)) Scenario.Unlocked[Button - Buttons::Hint] = true;
}

bool IsUnlocked(int32_t Button) { return IsButton(Button) && Scenario.Unlocked[Button - Buttons::Hint]; }

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
