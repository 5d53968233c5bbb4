// The scenario: the whole content of the game, loaded once from "S0Scenario.dat", and the small
// global game state that no single object keeps (current region, unlocked buttons, tutorial
// pointer). Also the reset of the world to the start of a game and the look-up of objects by the
// numbers that saved events use.
#pragma once

#include <cstdint>
#include <string>

#include "game/GameFile.h"
#include "game/GamePool.h"

namespace tv {

class TProp;
class TRegion;
class TSite;
class TScene;
class THint;
class TAchievement;
class TAvatar;

void CreateScenario();
// Safe without CreateScenario; a later CreateScenario starts from scratch.
void DestroyScenario();
// Loads the scenario texts and the scenario file from the game-data folder, once.
void LoadScenario();
// Loads the scenario file at Path, once (LoadScenario without the texts): a missing file gives
// the empty world of one region. A damaged file fails with a message naming the record and the
// field; the scenario is then left empty and not loaded.
void LoadScenarioFile(const std::string& Path);
// Loads a scenario from bytes in memory (Label names it in messages).
void LoadScenarioBytes(std::string_view Bytes, const std::string& Label);
bool IsScenarioLoaded();

// Puts the world into its state at the start of a game.
void ResetGame();
int32_t NewNumber();

TRegion* FindRegion(int32_t Number);
// Answers from the last site found when its number matches, whatever the region (stored games
// rely on site numbers being unique across the scenario).
TSite* FindSite(int32_t RegionNumber, int32_t SiteNumber);
TScene* FindScene(int32_t RegionNumber, int32_t SiteNumber, int32_t SceneNumber);

void SetCurrentRegion(TRegion* Region);
void SetMusicOfAllRegions(TSound* Music);
void Unlock(int32_t Index);
bool IsUnlocked(int32_t Index);
// The tutorial pointer: what the play screen's arrow points at. The three icons are the buttons
// that sites unlock (1 to 3, the same numbers as their unlock codes).
namespace Pointers {
inline constexpr int32_t Nothing = 0;
inline constexpr int32_t HintIcon = 1;
inline constexpr int32_t InventoryIcon = 2;
inline constexpr int32_t MapIcon = 3;
inline constexpr int32_t Sites = 9;  // the sites of the map; where a new game starts
}  // namespace Pointers
// Whether the pointer is at one of the play screen's icons (and so the sites wait).
constexpr bool PointsAtIcon(int32_t Pointer) { return Pointer >= Pointers::HintIcon && Pointer <= Pointers::MapIcon; }
int32_t GetPointer();
void SetPointer(int32_t Value);

TContainer* Props();
TContainer* Regions();
TContainer* Hints();
TContainer* Achievements();
TAvatar* Avatar();
TRegion* MenuRegion();
TRegion* StartRegion();
TRegion* MapRegion();
TSite* GuideStart();
TRegion* CurrentRegion();
TRegion* PreviousRegion();
int32_t GetNextNumber();
// How many sites the scenario holds over all its regions.
int32_t TotalSiteCount();

// ---- Resolution of references while a scenario file loads -------------------------------------
// A reference k is the k-th object of its kind in file order; 0 or less is none; one beyond the
// objects listed fails the load with a message naming the record (the reader's context) and Field.

TNamedItem* ResolveAssetRef(TByteReader& Stream, TAssetClass Class, int32_t Ref, const char* Field);
template <class T>
T* ResolveAsset(TByteReader& Stream, TAssetClass Class, int32_t Ref, const char* Field) {
  return static_cast<T*>(ResolveAssetRef(Stream, Class, Ref, Field));
}
TProp* ResolveProp(TByteReader& Stream, int32_t Ref, const char* Field);
TRegion* ResolveRegion(TByteReader& Stream, int32_t Ref, const char* Field);
TSite* ResolveSite(TByteReader& Stream, int32_t Ref, const char* Field);
THint* ResolveHint(TByteReader& Stream, int32_t Ref, const char* Field);
TAchievement* ResolveAchievement(TByteReader& Stream, int32_t Ref, const char* Field);

}  // namespace tv
