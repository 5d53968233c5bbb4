#include "game/GameScene.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "engine/EngineAudio.h"
#include "engine/EngineScript.h"
#include "game/GameAchievement.h"
#include "game/GameAvatar.h"
#include "game/GameFile.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/GameSite.h"

namespace tv {

namespace {

// F0 floating text, F1 window, F2 illustration, F3 text, F4 accept, F5 decline, F6 and F7 unused.
const TSceneKindInfo Kinds[SceneKindCount] = {
    {"None", {0, 0, 0, 0, 1, 0, 0, 0}, 0, 0},
    {"Floating text", {1, 0, 0, 1, 1, 0, 0, 0}, 0, 0},
    {"Text", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 0},
    {"Text stop", {0, 1, 0, 1, 0, 1, 0, 0}, 0, 0},
    {"Illustration", {0, 1, 1, 0, 1, 0, 0, 0}, 0, 0},
    {"Illustrated text (top)", {0, 1, 1, 1, 1, 0, 0, 0}, 0, 0},
    {"Illustrated text (left)", {0, 1, 1, 1, 1, 0, 0, 0}, 0, 0},
    {"Hidden requirements 1", {0, 1, 0, 1, 1, 1, 0, 0}, 1, 0},
    {"Hidden requirements 2", {0, 1, 0, 1, 1, 1, 0, 0}, 2, 0},
    {"Hidden requirements 3", {0, 1, 0, 1, 1, 1, 0, 0}, 3, 0},
    {"Requirements 1", {0, 1, 0, 1, 1, 1, 0, 0}, 1, 0},
    {"Requirements 2", {0, 1, 0, 1, 1, 1, 0, 0}, 2, 0},
    {"Requirements 3", {0, 1, 0, 1, 1, 1, 0, 0}, 3, 0},
    {"Requirements 4", {0, 1, 0, 1, 1, 1, 0, 0}, 4, 0},
    {"Requirements 5", {0, 1, 0, 1, 1, 1, 0, 0}, 5, 0},
    {"Requirements 6", {0, 1, 0, 1, 1, 1, 0, 0}, 6, 0},
    {"Requirements 7", {0, 1, 0, 1, 1, 1, 0, 0}, 7, 0},
    {"Floating loss", {0, 0, 0, 0, 1, 0, 0, 0}, 1, 0},
    {"Losses 1", {0, 1, 0, 1, 1, 0, 0, 0}, 1, 0},
    {"Losses 2", {0, 1, 0, 1, 1, 0, 0, 0}, 2, 0},
    {"Losses 3", {0, 1, 0, 1, 1, 0, 0, 0}, 3, 0},
    {"Losses 4", {0, 1, 0, 1, 1, 0, 0, 0}, 4, 0},
    {"Losses 5", {0, 1, 0, 1, 1, 0, 0, 0}, 5, 0},
    {"Losses 6", {0, 1, 0, 1, 1, 0, 0, 0}, 6, 0},
    {"Losses 7", {0, 1, 0, 1, 1, 0, 0, 0}, 7, 0},
    {"Floating reward", {0, 0, 0, 0, 1, 0, 0, 0}, 0, 1},
    {"Rewards 1", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 1},
    {"Rewards 2", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 2},
    {"Rewards 3", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 3},
    {"Rewards 4", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 4},
    {"Rewards 5", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 5},
    {"Rewards 6", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 6},
    {"Rewards 7", {0, 1, 0, 1, 1, 0, 0, 0}, 0, 7},
    {"Barter 1", {0, 1, 0, 1, 1, 1, 0, 0}, 1, 1},
    {"Barter 2", {0, 1, 0, 1, 1, 1, 0, 0}, 2, 2},
    {"Barter 3", {0, 1, 0, 1, 1, 1, 0, 0}, 3, 3},
    {"Barter 4", {0, 1, 0, 1, 1, 1, 0, 0}, 4, 4},
    {"Barter 5", {0, 1, 0, 1, 1, 1, 0, 0}, 5, 5},
    {"Barter 6", {0, 1, 0, 1, 1, 1, 0, 0}, 6, 6},
    {"Barter 7", {0, 1, 0, 1, 1, 1, 0, 0}, 7, 7},
};

void LoadIfNeeded(TSound* Sound) {
  if (Sound != nullptr && !Sound->Loaded) Sound->Load();
}

}  // namespace

const TSceneKindInfo& SceneKind(int32_t Kind) { return Kinds[(Kind >= 0 && Kind < SceneKindCount) ? Kind : 0]; }
int32_t LeftSlots(int32_t Kind) { return SceneKind(Kind).Left; }
int32_t RightSlots(int32_t Kind) { return SceneKind(Kind).Right; }

std::string TScene::LegendKey() const { return "SceneLegendH" + std::to_string(Number); }

bool TScene::RequirementsMet() const {
  if (!HasRequirements()) return true;
  const int32_t slots = LeftSlots(Kind);
  for (int32_t i = 0; i < slots; ++i) {
    const TSceneSlot& slot = Left[i];
    if (slot.Prop != nullptr && slot.Prop->Amount < slot.Amount) return false;
  }
  return true;
}

bool TScene::NeedsPresentation() const {
  switch (Kind) {
    case 0: return false;
    case 1: return TextExists(LegendKey());
    case 7:
    case 8:
    case 9: return !RequirementsMet();
    case 17: return Left[0].Prop != nullptr;
    case 25: return Right[0].Prop != nullptr;
    default: return true;
  }
}

void TScene::ApplyLossesAndRewards() {
  if (IsLoss()) {
    const int32_t slots = LeftSlots(Kind);
    for (int32_t i = 0; i < slots; ++i) {
      if (Left[i].Prop != nullptr) Left[i].Prop->Lose(Left[i].Amount);
    }
  } else if (IsReward()) {
    const int32_t slots = RightSlots(Kind);
    for (int32_t i = 0; i < slots; ++i) {
      if (Right[i].Prop != nullptr) Right[i].Prop->Gain(Right[i].Amount);
    }
  }
}

void TScene::ApplyBarter() {
  if (!IsBarter()) return;
  TAvatar* avatar = Avatar();
  if (avatar == nullptr) return;
  const TCounts& q = avatar->BarterCounts;
  const int32_t rows = LeftSlots(Kind);
  auto applies = [&](int32_t i) {
    return Left[i].Prop != nullptr && Right[i].Prop != nullptr && q[static_cast<size_t>(i)] > 0;
  };
  for (int32_t i = 0; i < rows; ++i) {
    if (!applies(i)) continue;
    const int32_t n = q[static_cast<size_t>(i)];
    Left[i].Prop->Amount = WrapSub(Left[i].Prop->Amount, WrapMul(n, Left[i].Amount));
    Right[i].Prop->Amount = WrapAdd(Right[i].Prop->Amount, WrapMul(n, Right[i].Amount));
  }
  // Every row is applied before any is normalised: a prop in several rows is normalised once
  // after all its changes.
  for (int32_t i = 0; i < rows; ++i) {
    if (!applies(i)) continue;
    Left[i].Prop->Normalize();
    Right[i].Prop->Normalize();
  }
}

void TScene::BeginBarter() {
  if (Props() != nullptr) {
    for (TItem* item : *Props()) {
      auto* prop = static_cast<TProp*>(item);
      prop->AmountBefore = prop->Amount;
    }
  }
  if (Avatar() != nullptr) Avatar()->BarterCounts = {};
}

namespace {
bool RowInRange(const TScene& Scene, int32_t Row) {
  return Scene.IsBarter() && Row >= 1 && Row <= LeftSlots(Scene.Kind) && Scene.Left[Row - 1].Prop != nullptr &&
         Scene.Right[Row - 1].Prop != nullptr;
}
}  // namespace

bool TScene::CanTrade(int32_t Row) const {
  if (!RowInRange(*this, Row)) return false;
  const TSceneSlot& left = Left[Row - 1];
  return left.Prop->AmountBefore >= left.Amount;
}

void TScene::TradeGive(int32_t Row) {
  if (!RowInRange(*this, Row)) return;
  TSceneSlot& left = Left[Row - 1];
  left.Prop->AmountBefore = WrapSub(left.Prop->AmountBefore, left.Amount);
}

void TScene::TradeReceive(int32_t Row) {
  if (!RowInRange(*this, Row)) return;
  TSceneSlot& right = Right[Row - 1];
  right.Prop->AmountBefore = WrapAdd(right.Prop->AmountBefore, right.Amount);
}

void TScene::TradeCount(int32_t Row) {
  if (!RowInRange(*this, Row) || Avatar() == nullptr) return;
  int32_t& count = Avatar()->BarterCounts[static_cast<size_t>(Row - 1)];
  if (count < INT32_MAX) ++count;
}

bool TScene::Trade(int32_t Row) {
  if (!CanTrade(Row)) return false;
  TradeGive(Row);
  TradeReceive(Row);
  TradeCount(Row);
  return true;
}

void TScene::TradeRows(const std::vector<int32_t>& Clicks) {
  const int32_t rows = std::min<int32_t>(LeftSlots(Kind), static_cast<int32_t>(Clicks.size()));
  for (int32_t row = 1; row <= rows; ++row) {
    for (int32_t click = 0; click < Clicks[static_cast<size_t>(row - 1)]; ++click) {
      if (!Trade(row)) break;
    }
  }
}

void TScene::ApplyAchievement() {
  if (Achievement != nullptr) Achievement->AddProgress(AchievementAmount);
}

void TScene::ToggleGroups() {
  for (TGroup* group : Groups) {
    if (group != nullptr) group->Toggle();
  }
}

void TScene::Preload() {
  if (Music != nullptr && !Music->Loaded && GroupEnabled(SoundGroupMusic)) Music->Load();
  if (Sound != nullptr && !Sound->Loaded && GroupEnabled(Sound->Group())) Sound->Load();
  if (ExecutionSound != nullptr && !ExecutionSound->Loaded && GroupEnabled(ExecutionSound->Group())) {
    ExecutionSound->Load();
  }
  if (Effector != nullptr && !Effector->Loaded) Effector->Load();
}

void TScene::StartSounds() {
  if (Music != nullptr && GroupEnabled(SoundGroupMusic)) {
    LoadIfNeeded(Music);
    SetMusic(Music->Name);
  }
  if (Sound != nullptr && GroupEnabled(Sound->Group())) {
    LoadIfNeeded(Sound);
    PlaySample(Sound->Sample, false, Sound->Group(), Avatar());
  }
}

void TScene::ReplayPerformance() {
  // The recursion of the rule (bring the previous scene up first when it lags behind) is walked
  // as a loop, so a long list of scenes cannot exhaust the stack: count each scene of the chain,
  // then apply their effects from the earliest one on.
  std::vector<TScene*> chain;
  TScene* scene = this;
  while (true) {
    ++scene->Count;
    chain.push_back(scene);
    TScene* previous = scene->PrevScene();
    if (previous == nullptr || previous->Count >= scene->Count) break;
    scene = previous;
  }
  for (size_t i = chain.size(); i-- > 0;) {
    TScene* s = chain[i];
    if (s->Repeatable || s->Count == 1) {
      s->ApplyLossesAndRewards();
      s->ApplyAchievement();
      s->ToggleGroups();
    }
  }
}

void TScene::ReplayBarter() {
  if (Repeatable || Count == 1) ApplyBarter();
}

TScene* SkipPerformed(TScene* Scene) {
  while (Scene != nullptr) {
    if (Scene->Repeatable || Scene->Count == 0) return Scene;
    ++Scene->Count;
    Scene = Scene->NextScene();
  }
  return nullptr;
}

TScene* FirstSceneOfVisit(TSite* Site) {
  if (Site == nullptr) return nullptr;
  TScene* scene = Site->LastScene();
  if (scene == nullptr) return nullptr;
  if (Site->Count < scene->Count) return nullptr;
  while (scene->PrevScene() != nullptr && scene->PrevScene()->Count == scene->Count) scene = scene->PrevScene();
  return SkipPerformed(scene);
}

}  // namespace tv
