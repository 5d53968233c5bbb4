#include "game/GameSite.h"

#include "engine/EngineAudio.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScene.h"

namespace tv {

TSite::TSite(std::string Name) : TNamedItem(std::move(Name)), Scenes(std::make_unique<TContainer>(false, true)) {}

TSite::~TSite() = default;

void TSite::Reset() {
  Revealed = false;
  Entered = false;
  Closed = false;
  Count = 0;
  for (TItem* item : *Scenes) static_cast<TScene*>(item)->Reset();
}

void TSite::Preload() {
  if (RegionMusic != nullptr && !RegionMusic->Loaded && GroupEnabled(SoundGroupMusic)) RegionMusic->Load();
  for (TItem* item : *Scenes) {
    auto* scene = static_cast<TScene*>(item);
    if (scene->Count == 0 || scene->Repeatable) scene->Preload();
  }
}

bool TSite::CanReveal() const {
  if (NeedsRevealed != nullptr && !NeedsRevealed->Revealed) return false;
  if (NeedsEntered != nullptr && !NeedsEntered->Entered) return false;
  if (NeedsVisited1 != nullptr && NeedsVisited1->Count <= 0) return false;
  if (NeedsVisited2 != nullptr && NeedsVisited2->Count <= 0) return false;
  if (NeedsVisited3 != nullptr && NeedsVisited3->Count <= 0) return false;
  if (NeedsProp1 != nullptr && NeedsProp1->Amount < NeedsAmount1) return false;
  if (NeedsProp2 != nullptr && NeedsProp2->Amount < NeedsAmount2) return false;
  if (NeedsProp3 != nullptr && NeedsProp3->Amount < NeedsAmount3) return false;
  return true;
}

bool TSite::InstantReveal() const { return (HiddenUntilEntered || EnterOnReveal) && RevealTilesEmpty(); }

bool TSite::RevealTilesEmpty() const {
  for (uint8_t b : RevealTiles) {
    if (b != 0) return false;
  }
  return true;
}

bool TSite::RevealsTile(int32_t Tile) const {
  if (Tile < 0 || Tile >= RevealTilesSize * 8) return false;
  return (RevealTiles[Tile / 8] & (1u << (Tile % 8))) != 0;
}

void TSite::ToggleRevealGroup() {
  if (RevealGroup != nullptr) RevealGroup->Toggle();
}

void TSite::ReplayCompletion() {
  ++Count;
  TScene* last = LastScene();
  if (last != nullptr && last->Count < Count) last->ReplayPerformance();
}

TScene* TSite::FirstScene() const { return static_cast<TScene*>(Scenes->First()); }
TScene* TSite::LastScene() const { return static_cast<TScene*>(Scenes->Last()); }

}  // namespace tv
