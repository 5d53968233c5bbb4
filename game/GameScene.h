// Scenes: the steps of a visit (texts, pictures, tests of the hero's props, losses, rewards and
// barters), the kind table, the requirement test and the effects of carrying a scene out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/EngineClasses.h"
#include "game/GameScenarioRecords.h"

namespace tv {

class TSite;
class TProp;
class TSound;
class TPicture;
class TAchievement;
class TEffector;
class TGroup;

constexpr int32_t SceneKindCount = 40;
constexpr bool IsSceneKind(int32_t Kind) { return Kind >= 0 && Kind < SceneKindCount; }

// One row of the kind table: its name, the eight flags the scene screen reads, and how many
// left and right slots the kind uses.
struct TSceneKindInfo {
  const char* Name;
  uint8_t Flags[8];
  int32_t Left;
  int32_t Right;
};

// Flag indices of the kind table.
constexpr int32_t SceneFlagFloatingText = 0;
constexpr int32_t SceneFlagWindow = 1;
constexpr int32_t SceneFlagIllustration = 2;
constexpr int32_t SceneFlagText = 3;
constexpr int32_t SceneFlagAccept = 4;
constexpr int32_t SceneFlagDecline = 5;

// The kinds that rules name, and the kind table's groups. A scene's kind is a plain number in
// the scenario file (0 to 39); these are its names.
namespace SceneKinds {
inline constexpr int32_t None = 0;
inline constexpr int32_t FloatingText = 1;
inline constexpr int32_t Text = 2;
inline constexpr int32_t TextStop = 3;
inline constexpr int32_t Illustration = 4;
inline constexpr int32_t IllustratedTextTop = 5;
inline constexpr int32_t IllustratedTextLeft = 6;
inline constexpr int32_t FirstRequirements = 7;  // "Hidden requirements 1"
inline constexpr int32_t LastHiddenRequirements = 9;
inline constexpr int32_t LastRequirements = 16;  // "Requirements 7"
inline constexpr int32_t FloatingLoss = 17;      // the first loss kind
inline constexpr int32_t LastLoss = 24;
inline constexpr int32_t FloatingReward = 25;  // the first reward kind
inline constexpr int32_t LastReward = 32;
inline constexpr int32_t Barter1 = 33;  // the first barter kind: one row
inline constexpr int32_t LastBarter = 39;
// The numbered kinds of a group, as the kind table names them ("Requirements 3", "Barter 2"): by
// the slots they use (1 to 3 hidden, 1 to 7 otherwise) or the rows they trade (1 to 7).
constexpr int32_t HiddenRequirements(int32_t Slots) { return FirstRequirements + Slots - 1; }
constexpr int32_t Requirements(int32_t Slots) { return LastHiddenRequirements + Slots; }
constexpr int32_t Losses(int32_t Slots) { return FloatingLoss + Slots; }
constexpr int32_t Rewards(int32_t Slots) { return FloatingReward + Slots; }
constexpr int32_t Barter(int32_t Rows) { return Barter1 + Rows - 1; }
}  // namespace SceneKinds

constexpr bool IsRequirementKind(int32_t Kind) {
  return Kind >= SceneKinds::FirstRequirements && Kind <= SceneKinds::LastRequirements;
}
constexpr bool IsHiddenRequirementKind(int32_t Kind) {
  return Kind >= SceneKinds::FirstRequirements && Kind <= SceneKinds::LastHiddenRequirements;
}
constexpr bool IsLossKind(int32_t Kind) { return Kind >= SceneKinds::FloatingLoss && Kind <= SceneKinds::LastLoss; }
constexpr bool IsRewardKind(int32_t Kind) {
  return Kind >= SceneKinds::FloatingReward && Kind <= SceneKinds::LastReward;
}
constexpr bool IsBarterKind(int32_t Kind) { return Kind >= SceneKinds::Barter1 && Kind <= SceneKinds::LastBarter; }
// A scene shown without a window: a text, a loss or a reward that floats over the map.
constexpr bool IsFloatingKind(int32_t Kind) {
  return Kind == SceneKinds::FloatingText || Kind == SceneKinds::FloatingLoss || Kind == SceneKinds::FloatingReward;
}
// A kind whose window shows rows of props (requirements, losses, rewards, barter rows).
constexpr bool IsRowKind(int32_t Kind) {
  return Kind >= SceneKinds::FirstRequirements && Kind <= SceneKinds::LastBarter && !IsFloatingKind(Kind);
}
// The rows of a barter kind (0 for the other kinds).
constexpr int32_t BarterRowsOf(int32_t Kind) { return IsBarterKind(Kind) ? Kind - SceneKinds::Barter1 + 1 : 0; }

// The row of a kind (0 to 39); kinds outside that range read as kind 0.
const TSceneKindInfo& SceneKind(int32_t Kind);
int32_t LeftSlots(int32_t Kind);
int32_t RightSlots(int32_t Kind);

struct TSceneSlot {
  TProp* Prop = nullptr;
  int32_t Amount = 0;
};

class TScene : public TItem {
 public:
  TSite* Site = nullptr;
  int32_t Number = 0;
  int32_t Count = 0;
  bool Repeatable = false;
  bool LeavesSite = false;
  bool Flag3 = false;
  float DialogX = 0;
  float DialogY = 0;
  int32_t Kind = 0;
  TSound* Music = nullptr;
  TSound* Sound = nullptr;
  TPicture* Illustration = nullptr;
  int32_t IllustrationFrame = 0;
  TSceneSlot Left[SceneSlotCount];   // Left[0] is slot 1
  TSceneSlot Right[SceneSlotCount];  // Right[0] is slot 1
  TAchievement* Achievement = nullptr;
  int32_t AchievementAmount = 0;
  float Duration = 0;
  TSound* ExecutionSound = nullptr;
  TEffector* Effector = nullptr;
  int32_t ExecutionValue = 0;
  TGroup* Groups[SceneGroupCount] = {};

  // The scene's text key: "SceneLegendH" and its number.
  std::string LegendKey() const;

  bool HasRequirements() const { return IsRequirementKind(Kind); }
  bool IsBarter() const { return IsBarterKind(Kind); }
  bool IsLoss() const { return IsLossKind(Kind); }
  bool IsReward() const { return IsRewardKind(Kind); }
  bool RequirementsMet() const;
  bool NeedsPresentation() const;
  // Whether carrying it out gives the play screen anything to show.
  bool HasExecutionEffects() const { return ExecutionSound != nullptr || Effector != nullptr || ExecutionValue != 0; }

  void ApplyLossesAndRewards();
  // Uses the avatar's BarterCounts.
  void ApplyBarter();
  void ApplyAchievement();
  void ToggleGroups();

  // The barter as the player makes it, one trade per click of a row's trade button. Trades
  // change only the props' AmountBefore and the avatar's BarterCounts; the amounts themselves
  // change when the accepted scene is carried out (ApplyBarter). Rows count from 1.
  //
  // Opens the barter: every prop's AmountBefore becomes its Amount, and the counts are cleared.
  void BeginBarter();
  // Whether the row has both props and its left prop's AmountBefore still pays the row's left
  // amount; a barter kind only.
  bool CanTrade(int32_t Row) const;
  // The three steps of one trade, in this order: the left prop's AmountBefore pays the left
  // amount, the right prop's AmountBefore receives the right amount, the row's count grows by one.
  // Rows without both props are left alone.
  void TradeGive(int32_t Row);
  void TradeReceive(int32_t Row);
  void TradeCount(int32_t Row);
  // One whole trade when CanTrade allows it; whether it took place.
  bool Trade(int32_t Row);
  // Clicks[i] clicks on the trade button of row i + 1, row after row, each trade checked and
  // applied on its own; a row that runs short takes no further trades. Clicks beyond the scene's
  // rows, and counts of 0 or below, do nothing.
  void TradeRows(const std::vector<int32_t>& Clicks);
  void Reset() { Count = 0; }
  void Preload();
  // Starts the scene's music and sound (when their groups play).
  void StartSounds();
  void ReplayPerformance();
  void ReplayBarter();

  TScene* PrevScene() const { return static_cast<TScene*>(GetPrev()); }
  TScene* NextScene() const { return static_cast<TScene*>(GetNext()); }
};

// The first scene to play on a visit of the site, or nullptr when there is nothing to play.
TScene* FirstSceneOfVisit(TSite* Site);
// Scene when it is to be played; otherwise counts it as passed and goes on with the next one.
TScene* SkipPerformed(TScene* Scene);

}  // namespace tv
