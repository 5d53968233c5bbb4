// The asset pool: one named object per picture, effect, sound, terrain, water, map figure, text key
// and plot group of the scenario. An asset holds only its name until it is first used; Load then
// fetches it through the engine's loaders.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/EngineClasses.h"
#include "game/GameScenarioRecords.h"

namespace tv {

class TTexture;
class TEffect;
class TSample;
struct TPlotData;

class TPicture : public TNamedItem {
 public:
  explicit TPicture(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  bool Loaded = false;
  TTexture* Texture = nullptr;
  void Load();
};

class TEffector : public TNamedItem {
 public:
  explicit TEffector(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  bool Loaded = false;
  TEffect* Effect = nullptr;
  void Load();
};

class TSound : public TNamedItem {
 public:
  explicit TSound(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  bool Loaded = false;
  // Environment sounds (names beginning with "K") play in the environment group, the others in
  // the effects group. Set when the sound is put into its container.
  bool IsEnvironment = false;
  TSample* Sample = nullptr;
  void Attached() override;
  void Load();
  // The volume group the sound plays in: 1 environment, 0 effects.
  int32_t Group() const { return IsEnvironment ? 1 : 0; }
};

class TTerrain : public TNamedItem {
 public:
  explicit TTerrain(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  bool Loaded = false;
  int32_t OrderKey = 0;
  TTexture* Texture = nullptr;
  void Load();
};

class TWater : public TNamedItem {
 public:
  explicit TWater(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  bool Loaded = false;
  bool Animated = false;
  TTexture* Texture = nullptr;
  float Factor = 0;
  float Period = 0;
  float Phase = 0;
  void Load();
};

class TFigure : public TNamedItem {
 public:
  explicit TFigure(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  bool Loaded = false;
  // A figure whose name has "7" as its second character is a particle effect, any other a texture.
  bool IsEffect = false;
  bool Animated = false;
  TTexture* Texture = nullptr;
  TEffect* Effect = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  void Attached() override;
  void Load();
};

// A text key naming a prop, region or site.
class TCaption : public TNamedItem {
 public:
  explicit TCaption(std::string Name = {}) : TNamedItem(std::move(Name)) {}
};

// A named group of map plots; its list is filled once, by the first game reset.
class TGroup : public TNamedItem {
 public:
  explicit TGroup(std::string Name = {}) : TNamedItem(std::move(Name)) {}
  std::vector<TPlotData*> Plots;
  // Flips the visibility of every plot of the group.
  void Toggle();
};

// The key of a terrain name: its third, fourth and last two bytes. Names shorter than four bytes
// use the bytes they have and 0 for the missing ones.
int32_t TerrainOrderKey(const std::string& Name);

// ---- The engine's loaders -----------------------------------------------------------------------
// Pictures, terrains, waters and figures need the texture loader, effectors and effect figures the
// particle loader. Those modules install themselves here when they start; until then (and in
// headless runs) an asset loads as "loaded, with nothing attached".

// What the texture loader reports of a texture it loaded.
struct TTextureFacts {
  TTexture* Texture = nullptr;
  int32_t FrameCount = 1;     // more than 1 for an animated texture
  float AnimationLength = 0;  // seconds of one cycle of the animation
  int32_t Width = 0;          // size of frame 0
  int32_t Height = 0;
};

struct TEffectFacts {
  TEffect* Effect = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
};

struct TPoolLoaders {
  std::function<TTextureFacts(const std::string& Name)> LoadTexture;
  std::function<TEffectFacts(const std::string& Name)> LoadEffect;
  // Hands an animated texture its phase (0 to below 1); the texture shows the matching frame.
  std::function<void(TTexture* Texture, float Phase)> ShowPhase;
};

void SetPoolLoaders(TPoolLoaders Loaders);
// The loaders installed now, so that one engine module can add its own and keep the others'.
const TPoolLoaders& GetPoolLoaders();

// ---- The eight containers -------------------------------------------------------------------------

// Creates the eight sorted, owning containers (pictures, effectors, sounds, terrains, waters,
// figures, captions, groups, in this order); DestroyPool frees them in the reverse order and is
// safe without CreatePool.
void CreatePool();
void DestroyPool();

TContainer* Pictures();
TContainer* Effectors();
TContainer* Sounds();
TContainer* Terrains();
TContainer* Waters();
TContainer* Figures();
TContainer* Captions();
TContainer* Groups();

// Makes the objects of the scenario file's pool section (the names of each class). The objects
// are appended in file order and remembered by position until ReleasePositions.
void LoadPool(const std::array<std::vector<std::string>, AssetClassCount>& Names);
// The object at a 1-based position of its class; nullptr for Index <= 0. Only while a scenario
// loads; positions beyond the class's count are the caller's to reject (see PoolCount).
TPicture* PictureAt(int32_t Index);
TEffector* EffectorAt(int32_t Index);
TSound* SoundAt(int32_t Index);
TTerrain* TerrainAt(int32_t Index);
TWater* WaterAt(int32_t Index);
TFigure* FigureAt(int32_t Index);
TCaption* CaptionAt(int32_t Index);
TGroup* GroupAt(int32_t Index);

// How many objects of the class the pool section listed (valid until ReleasePositions).
int32_t PoolCount(TAssetClass Class);
void ReleasePositions();

// Advances the animation of every loaded, animated water by the frame time, at most once a frame.
void UpdateWaters();
void UpdateWaters(float FrameTime);

}  // namespace tv
