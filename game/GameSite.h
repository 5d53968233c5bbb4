// Sites: the places on a region's map where the hero can go, with their reveal conditions, their
// scenes and what completing them does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/EngineClasses.h"
#include "game/GameScenarioRecords.h"

namespace tv {

class TRegion;
class TScene;
class TCaption;
class TSound;
class TProp;
class TGroup;
class THint;

// Special codes of a site.
constexpr int32_t SpecialUnlockHint = 1;
constexpr int32_t SpecialUnlockInventory = 2;
constexpr int32_t SpecialUnlockMap = 3;
constexpr int32_t SpecialPointSites = 9;
constexpr int32_t SpecialPointerOff = 10;
// The scene screen's arrow at one of its buttons: accept (a scene without requirements),
// requirements (met or not), the first reward, the first barter row.
constexpr int32_t SpecialArrowAccept = 110;
constexpr int32_t SpecialArrowRequirements = 111;
constexpr int32_t SpecialArrowReward = 112;
constexpr int32_t SpecialArrowBarter = 113;
constexpr int32_t SpecialWayBack = 200;
constexpr int32_t SpecialMusicEverywhere = 444;
constexpr int32_t SpecialMusicAtOnce = 446;

class TSite : public TNamedItem {
 public:
  explicit TSite(std::string Name = {});
  ~TSite() override;

  std::unique_ptr<TContainer> Scenes;  // TScene, file order, owned
  TRegion* Region = nullptr;
  int32_t Number = 0;
  float X = 0;
  float Y = 0;
  int32_t LayoutA = 0;
  int32_t LayoutB = 0;
  int32_t Icon = 0;
  TCaption* Caption = nullptr;
  bool HiddenUntilEntered = false;
  bool EnterOnReveal = false;
  bool KeepAfterVisit = false;
  bool MarkUntilVisited = false;
  bool Ending = false;
  int32_t Special = 0;
  TRegion* Destination = nullptr;
  TSound* RegionMusic = nullptr;
  TSite* NeedsRevealed = nullptr;
  TSite* NeedsEntered = nullptr;
  TSite* NeedsVisited1 = nullptr;
  TSite* NeedsVisited2 = nullptr;
  TSite* NeedsVisited3 = nullptr;
  TProp* NeedsProp1 = nullptr;
  int32_t NeedsAmount1 = 0;
  TProp* NeedsProp2 = nullptr;
  int32_t NeedsAmount2 = 0;
  TProp* NeedsProp3 = nullptr;
  int32_t NeedsAmount3 = 0;
  TGroup* RevealGroup = nullptr;
  uint8_t RevealTiles[RevealTilesSize] = {};
  TSite* DisappearsAfter = nullptr;
  THint* Hint = nullptr;
  TSite* NextGuide = nullptr;
  bool Revealed = false;
  bool Entered = false;
  int32_t Count = 0;
  bool Closed = false;

  void Reset();
  void Preload();
  bool CanReveal() const;
  // Revealed at once, without the timed uncovering of map tiles.
  bool InstantReveal() const;
  bool RevealTilesEmpty() const;
  bool RevealsTile(int32_t Tile) const;
  void ToggleRevealGroup();
  // A completion during a replay: Count grows; a last scene left behind is brought up to date.
  void ReplayCompletion();

  TScene* FirstScene() const;
  TScene* LastScene() const;
};

}  // namespace tv
