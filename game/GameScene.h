// Scenes: the steps of a visit (texts, pictures, tests of the hero's props, losses, rewards and
// barters), the kind table, the requirement test and the effects of carrying a scene out.
#pragma once

#include <cstdint>
#include <string>

#include "base/EngineClasses.h"

namespace tv {

class TSite;
class TProp;
class TSound;
class TPicture;
class TAchievement;
class TEffector;
class TGroup;

constexpr int32_t SceneRecordSize = 187;
constexpr int32_t SceneSlotCount = 7;
constexpr int32_t SceneKindCount = 40;
constexpr int32_t SceneGroupCount = 4;

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

  bool HasRequirements() const { return Kind >= 7 && Kind <= 16; }
  bool IsBarter() const { return Kind >= 33 && Kind <= 39; }
  bool IsLoss() const { return Kind >= 17 && Kind <= 24; }
  bool IsReward() const { return Kind >= 25 && Kind <= 32; }
  bool RequirementsMet() const;
  bool NeedsPresentation() const;
  // Whether carrying it out gives the play screen anything to show.
  bool HasExecutionEffects() const { return ExecutionSound != nullptr || Effector != nullptr || ExecutionValue != 0; }

  void ApplyLossesAndRewards();
  // Uses the avatar's BarterCounts.
  void ApplyBarter();
  void ApplyAchievement();
  void ToggleGroups();
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
