// Achievements: milestones of a player, reached by progress from scenes and props.
#pragma once

#include <cstdint>
#include <string>

#include "base/EngineClasses.h"
#include "game/GameScenarioRecords.h"

namespace tv {

class TFilePlace;
class TCaption;
class TProp;

class TAchievement : public TNamedItem {
 public:
  explicit TAchievement(std::string Name = {}) : TNamedItem(std::move(Name)) {}

  int32_t Number = 0;
  int32_t Value = 0;
  TCaption* Caption = nullptr;
  bool Hidden = false;
  int32_t Target = 0;
  TProp* Prop = nullptr;
  TAchievement* Parent = nullptr;
  TAchievement* Prerequisite = nullptr;
  bool Visible = false;
  int32_t Progress = 0;

  // The achievement's text key: "AchievementLegendH" and its number.
  std::string LegendKey() const;
  // Takes the record; references are judged at Place.
  void Load(const TAchievementDef& Record, const TFilePlace& Place);
  void Reset();
  int32_t Total() const;
  // Reached in this game, or earned by the current player before.
  bool IsReached() const;
  // Reached in this game and not yet earned by the current player.
  bool IsNewlyEarned() const;
  // A hidden achievement becomes visible once its prerequisite is reached.
  bool IsVisible();
  // A positive amount is progress for this achievement and every parent above it; zero or less
  // only makes it visible.
  void AddProgress(int32_t Amount);
};

// The first achievement, in scenario order, that is newly earned.
TAchievement* FirstNewlyEarned();
// Fails the load when an achievement's chain of parents comes back to itself.
void CheckAchievementParents();

}  // namespace tv
