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
// The play screen's buttons that sites unlock, by their unlock codes (the site special codes
// SpecialUnlockHint to SpecialUnlockMap carry the same numbers).
namespace Buttons {
inline constexpr int32_t Hint = 1;
inline constexpr int32_t Inventory = 2;
inline constexpr int32_t Map = 3;
inline constexpr int32_t Count = 3;
}  // namespace Buttons
constexpr bool IsButton(int32_t Code) { return Code >= Buttons::Hint && Code <= Buttons::Map; }
// Unlocks one of the Buttons; other codes do nothing.
void Unlock(int32_t Button);
bool IsUnlocked(int32_t Button);
// The tutorial pointer: what the play screen's arrow points at. The three icons are the buttons
// that sites unlock, numbered as the Buttons.
namespace Pointers {
inline constexpr int32_t Nothing = 0;
inline constexpr int32_t HintIcon = Buttons::Hint;
inline constexpr int32_t InventoryIcon = Buttons::Inventory;
inline constexpr int32_t MapIcon = Buttons::Map;
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
// objects listed fails the load with a message naming the record (Place's context) and Field.

TNamedItem* ResolveAssetRef(const TFilePlace& Place, TAssetClass Class, int32_t Ref, const char* Field);
template <class T>
T* ResolveAsset(const TFilePlace& Place, TAssetClass Class, int32_t Ref, const char* Field) {
  return static_cast<T*>(ResolveAssetRef(Place, Class, Ref, Field));
}
TProp* ResolveProp(const TFilePlace& Place, int32_t Ref, const char* Field);
TRegion* ResolveRegion(const TFilePlace& Place, int32_t Ref, const char* Field);
TSite* ResolveSite(const TFilePlace& Place, int32_t Ref, const char* Field);
THint* ResolveHint(const TFilePlace& Place, int32_t Ref, const char* Field);
TAchievement* ResolveAchievement(const TFilePlace& Place, int32_t Ref, const char* Field);

}  // namespace tv
