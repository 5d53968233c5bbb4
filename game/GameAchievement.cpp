#include "game/GameAchievement.h"

#include <unordered_map>
#include <vector>

#include "game/GameFile.h"
#include "game/GamePlayers.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"

namespace tv {

std::string TAchievement::LegendKey() const { return "AchievementLegendH" + std::to_string(Number); }

void TAchievement::Load(const TAchievementDef& Record, const TFilePlace& Place) {
  Number = Record.Number;
  Value = Record.Value;
  Caption = ResolveAsset<TCaption>(Place, TAssetClass::Caption, Record.Caption, "Caption");
  Hidden = Record.Hidden;
  Target = Record.Target;
  Prop = ResolveProp(Place, Record.Prop, "Prop");
  Parent = ResolveAchievement(Place, Record.Parent, "Parent");
  Prerequisite = ResolveAchievement(Place, Record.Prerequisite, "Prerequisite");
}

void TAchievement::Reset() {
  Visible = !Hidden;
  Progress = 0;
}

int32_t TAchievement::Total() const { return Prop != nullptr ? WrapAdd(Progress, Prop->Amount) : Progress; }

bool TAchievement::IsReached() const { return Total() >= Target || HasEarned(CurrentPlayer(), Number); }

bool TAchievement::IsNewlyEarned() const { return Total() >= Target && !HasEarned(CurrentPlayer(), Number); }

bool TAchievement::IsVisible() {
  if (!Visible && Prerequisite != nullptr && Prerequisite->IsReached()) Visible = true;
  return Visible;
}

void TAchievement::AddProgress(int32_t Amount) {
  if (Amount <= 0) {
    Visible = true;
    return;
  }
  // Up the chain of parents; the chains are known to end (checked when the scenario loads).
  for (TAchievement* a = this; a != nullptr; a = a->Parent) a->Progress = WrapAdd(a->Progress, Amount);
}

TAchievement* FirstNewlyEarned() {
  TContainer* achievements = Achievements();
  if (achievements == nullptr) return nullptr;
  for (TItem* item : *achievements) {
    auto* a = static_cast<TAchievement*>(item);
    if (a->IsNewlyEarned()) return a;
  }
  return nullptr;
}

void CheckAchievementParents() {
  TContainer* achievements = Achievements();
  if (achievements == nullptr) return;
  // Each chain is walked once: 1 marks the walk under way, 2 a chain already known to end.
  std::unordered_map<const TAchievement*, uint8_t> state;
  std::vector<TAchievement*> path;
  for (TItem* item : *achievements) {
    path.clear();
    TAchievement* a = static_cast<TAchievement*>(item);
    while (a != nullptr && state[a] == 0) {
      state[a] = 1;
      path.push_back(a);
      a = a->Parent;
    }
    if (a != nullptr && state[a] == 1) {
      throw EError("achievement " + std::to_string(achievements->IndexOf(a)) + " \"" + a->Name +
                   "\" is its own ancestor through its Parent chain");
    }
    for (TAchievement* done : path) state[done] = 2;
  }
}

}  // namespace tv
