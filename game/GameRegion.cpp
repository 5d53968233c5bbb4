#include "game/GameRegion.h"

#include "engine/EngineAudio.h"
#include "game/GamePool.h"
#include "game/GameSite.h"

namespace tv {

TRegion::TRegion(std::string Name)
    : TNamedItem(std::move(Name)), Map(std::make_unique<TMap>()), Sites(std::make_unique<TContainer>(false, true)) {}

TRegion::~TRegion() {
  Sites.reset();
  Map.reset();
}

void TRegion::Reset() {
  Music = InitialMusic;
  Map->Reset();
  for (TItem* item : *Sites) static_cast<TSite*>(item)->Reset();
}

void TRegion::Preload() {
  if (Picture != nullptr && !Picture->Loaded) Picture->Load();
  if (Music != nullptr && !Music->Loaded && GroupEnabled(SoundGroupMusic)) Music->Load();
  Map->Preload();
  for (TItem* item : *Sites) {
    auto* site = static_cast<TSite*>(item);
    if (site->Count == 0 || site->KeepAfterVisit) site->Preload();
  }
}

TSite* TRegion::FirstRevealable() const {
  for (TItem* item : *Sites) {
    auto* site = static_cast<TSite*>(item);
    if (!site->Revealed && !site->Closed && site->CanReveal()) return site;
  }
  return nullptr;
}

TSite* TRegion::FirstToClose() const {
  for (TItem* item : *Sites) {
    auto* site = static_cast<TSite*>(item);
    if (!site->Closed && site->DisappearsAfter != nullptr && site->DisappearsAfter->Count > 0) return site;
  }
  return nullptr;
}

TSite* TRegion::FirstSite() const { return static_cast<TSite*>(Sites->First()); }

}  // namespace tv
