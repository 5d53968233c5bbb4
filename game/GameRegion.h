// Regions: the parts of the world, each with its map and its sites.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/EngineClasses.h"
#include "game/GameMap.h"
#include "game/GameScenarioRecords.h"

namespace tv {

class TPicture;
class TCaption;
class TSound;
class TSite;

class TRegion : public TNamedItem {
 public:
  explicit TRegion(std::string Name = {});
  ~TRegion() override;

  int32_t Number = 0;
  TPicture* Picture = nullptr;
  TCaption* Caption = nullptr;
  TSound* InitialMusic = nullptr;
  bool Flag = false;
  TSound* Music = nullptr;
  std::unique_ptr<TMap> Map;
  std::unique_ptr<TContainer> Sites;  // TSite, file order, owned

  // Music back to its initial track, the map and every site reset.
  void Reset();
  // Loads what showing the region needs: its picture, its music (when music plays), the map's
  // sounds and the sounds of every site still to be shown.
  void Preload();
  // The first site, in list order, that is neither revealed nor closed and whose conditions hold.
  TSite* FirstRevealable() const;
  // The first site that is not closed and whose DisappearsAfter site has been completed.
  TSite* FirstToClose() const;

  TSite* FirstSite() const;
};

}  // namespace tv
