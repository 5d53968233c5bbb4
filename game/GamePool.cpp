#include "game/GamePool.h"

#include <array>
#include <cmath>
#include <memory>

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "game/GameFile.h"
#include "game/GameMap.h"

namespace tv {

namespace {

constexpr int kClasses = AssetClassCount;

struct TPoolState {
  std::array<std::unique_ptr<TContainer>, kClasses> Containers;
  // Position arrays of the scenario load, one per class.
  std::array<std::vector<TNamedItem*>, kClasses> Positions;
  TPoolLoaders Loaders;
  uint32_t WaterFrame = 0;
  bool WaterRan = false;
};

TPoolState Pool;

TContainer* ContainerOf(TAssetClass Class) { return Pool.Containers[static_cast<size_t>(Class)].get(); }

TNamedItem* At(TAssetClass Class, int32_t Index) {
  const auto& list = Pool.Positions[static_cast<size_t>(Class)];
  if (Index <= 0 || static_cast<size_t>(Index) > list.size()) return nullptr;
  return list[static_cast<size_t>(Index) - 1];
}

std::unique_ptr<TNamedItem> MakeAsset(TAssetClass Class, std::string Name) {
  switch (Class) {
    case TAssetClass::Picture: return std::make_unique<TPicture>(std::move(Name));
    case TAssetClass::Effector: return std::make_unique<TEffector>(std::move(Name));
    case TAssetClass::Sound: return std::make_unique<TSound>(std::move(Name));
    case TAssetClass::Terrain: return std::make_unique<TTerrain>(std::move(Name));
    case TAssetClass::Water: return std::make_unique<TWater>(std::move(Name));
    case TAssetClass::Figure: return std::make_unique<TFigure>(std::move(Name));
    case TAssetClass::Caption: return std::make_unique<TCaption>(std::move(Name));
    case TAssetClass::Group: return std::make_unique<TGroup>(std::move(Name));
  }
  return nullptr;
}

TTextureFacts LoadTextureFacts(const std::string& Name) {
  if (Pool.Loaders.LoadTexture) return Pool.Loaders.LoadTexture(Name);
  return {};
}

TEffectFacts LoadEffectFacts(const std::string& Name) {
  if (Pool.Loaders.LoadEffect) return Pool.Loaders.LoadEffect(Name);
  return {};
}

}  // namespace

// ---- Assets -------------------------------------------------------------------------------------

void TPicture::Load() {
  Texture = LoadTextureFacts(Name).Texture;
  Loaded = true;
}

void TEffector::Load() {
  Effect = LoadEffectFacts(Name).Effect;
  Loaded = true;
}

void TSound::Attached() { IsEnvironment = !Name.empty() && Name[0] == 'K'; }

void TSound::Load() {
  Sample = GetSample(Name, 1.0f);
  Loaded = true;
}

int32_t TerrainOrderKey(const std::string& Name) {
  const auto c = [&](size_t i) -> uint32_t { return i < Name.size() ? static_cast<uint8_t>(Name[i]) : 0u; };
  const size_t length = Name.size();
  const uint32_t last2 = length >= 2 ? c(length - 2) : 0u;
  const uint32_t last1 = length >= 1 ? c(length - 1) : 0u;
  return static_cast<int32_t>((c(2) << 21) + (c(3) << 14) + (last2 << 7) + last1);
}

void TTerrain::Load() {
  OrderKey = TerrainOrderKey(Name);
  Texture = LoadTextureFacts(Name).Texture;
  Loaded = true;
}

void TWater::Load() {
  const TTextureFacts facts = LoadTextureFacts(Name);
  Texture = facts.Texture;
  if (facts.FrameCount > 1) {
    Animated = true;
    Period = facts.AnimationLength;
    Phase = 0;
  }
  Factor = 0.5f;
  Loaded = true;
}

void TFigure::Attached() { IsEffect = Name.size() >= 2 && Name[1] == '7'; }

void TFigure::Load() {
  if (IsEffect) {
    const TEffectFacts facts = LoadEffectFacts(Name);
    Effect = facts.Effect;
    Width = facts.Width;
    Height = facts.Height;
  } else {
    const TTextureFacts facts = LoadTextureFacts(Name);
    Texture = facts.Texture;
    Animated = facts.FrameCount > 1;
    Width = facts.Width;
    Height = facts.Height;
  }
  Loaded = true;
}

void TGroup::Toggle() {
  for (TPlotData* plot : Plots) plot->Visible = !plot->Visible;
}

void SetPoolLoaders(TPoolLoaders Loaders) { Pool.Loaders = std::move(Loaders); }
const TPoolLoaders& GetPoolLoaders() { return Pool.Loaders; }

// ---- Containers ---------------------------------------------------------------------------------

void CreatePool() {
  for (auto& container : Pool.Containers) {
    if (!container) container = std::make_unique<TContainer>(true, true);
  }
}

void DestroyPool() {
  ReleasePositions();
  for (size_t i = kClasses; i-- > 0;) Pool.Containers[i].reset();
  Pool.WaterRan = false;
}

TContainer* Pictures() { return ContainerOf(TAssetClass::Picture); }
TContainer* Effectors() { return ContainerOf(TAssetClass::Effector); }
TContainer* Sounds() { return ContainerOf(TAssetClass::Sound); }
TContainer* Terrains() { return ContainerOf(TAssetClass::Terrain); }
TContainer* Waters() { return ContainerOf(TAssetClass::Water); }
TContainer* Figures() { return ContainerOf(TAssetClass::Figure); }
TContainer* Captions() { return ContainerOf(TAssetClass::Caption); }
TContainer* Groups() { return ContainerOf(TAssetClass::Group); }

void LoadPool(const std::array<std::vector<std::string>, AssetClassCount>& Names) {
  CreatePool();
  for (int k = 0; k < kClasses; ++k) {
    const auto assetClass = static_cast<TAssetClass>(k);
    auto& positions = Pool.Positions[static_cast<size_t>(k)];
    positions.clear();
    positions.reserve(Names[static_cast<size_t>(k)].size());
    for (const std::string& name : Names[static_cast<size_t>(k)]) {
      positions.push_back(Pool.Containers[static_cast<size_t>(k)]->Insert(MakeAsset(assetClass, name), false));
    }
  }
}

TPicture* PictureAt(int32_t Index) { return static_cast<TPicture*>(At(TAssetClass::Picture, Index)); }
TEffector* EffectorAt(int32_t Index) { return static_cast<TEffector*>(At(TAssetClass::Effector, Index)); }
TSound* SoundAt(int32_t Index) { return static_cast<TSound*>(At(TAssetClass::Sound, Index)); }
TTerrain* TerrainAt(int32_t Index) { return static_cast<TTerrain*>(At(TAssetClass::Terrain, Index)); }
TWater* WaterAt(int32_t Index) { return static_cast<TWater*>(At(TAssetClass::Water, Index)); }
TFigure* FigureAt(int32_t Index) { return static_cast<TFigure*>(At(TAssetClass::Figure, Index)); }
TCaption* CaptionAt(int32_t Index) { return static_cast<TCaption*>(At(TAssetClass::Caption, Index)); }
TGroup* GroupAt(int32_t Index) { return static_cast<TGroup*>(At(TAssetClass::Group, Index)); }

int32_t PoolCount(TAssetClass Class) { return static_cast<int32_t>(Pool.Positions[static_cast<size_t>(Class)].size()); }

void ReleasePositions() {
  for (auto& positions : Pool.Positions) {
    positions.clear();
    positions.shrink_to_fit();
  }
}

// ---- Water animation ------------------------------------------------------------------------------

void UpdateWaters() { UpdateWaters(ElapsedSeconds()); }

void UpdateWaters(float FrameTime) {
  const uint32_t frame = GetFrameNumber();
  if (Pool.WaterRan && Pool.WaterFrame == frame) return;
  Pool.WaterRan = true;
  Pool.WaterFrame = frame;
  TContainer* waters = Waters();
  if (waters == nullptr) return;
  for (TItem* item : *waters) {
    auto* water = static_cast<TWater*>(item);
    if (!water->Loaded || !water->Animated) continue;
    if (water->Period != 0) {
      const float phase = water->Phase + FrameTime / water->Period;
      water->Phase = phase - std::floor(phase);
      if (!(water->Phase >= 0 && water->Phase < 1)) water->Phase = 0;
    }
    if (Pool.Loaders.ShowPhase) Pool.Loaders.ShowPhase(water->Texture, water->Phase);
  }
}

}  // namespace tv
