// The map of one region: a fixed grid of 13 x 15 terrain tiles with blended borders between
// terrains, water, the region's decorative plots (figures, particle effects, ambient sounds) and a
// fog of war lifted tile by tile as the hero reveals sites.
//
// Tiles, plots and fog are composed on an off-screen canvas of the control's size, shown on the
// form's canvas by one sprite. Each tile keeps its masks until the tile or a neighbour changes,
// and its sprites are created once and then only re-pointed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/AppNumeric.h"
#include "base/EngineClasses.h"
#include "engine/EngineGui.h"
#include "game/GameMap.h"

namespace tv {

class TCanvas;
class TSprite;
class TPerformer;
class TSource;
class TRegion;
class TSite;
class TScene;
class TPicture;
class TTerrain;
class TWater;
class TGuiControlMap;

constexpr int32_t MapGridColumns = 13;
constexpr int32_t MapGridRows = 15;
constexpr float MapTileWidth = 120;
constexpr float MapTileHeight = 60;

// Neighbour directions, in this order: N, NE, E, SE, S, SW, W, NW.
enum TMapDirection : int32_t { DirN, DirNE, DirE, DirSE, DirS, DirSW, DirW, DirNW, DirCount };
// The edges and corners of a tile that the neighbour in each direction touches: bit 7 the north
// edge, 6 the north-east corner, 5 east, 4 south-east, 3 south, 2 south-west, 1 west, 0 north-west.
inline constexpr uint8_t DirectionBits[DirCount] = {0xC1, 0x40, 0x70, 0x10, 0x1C, 0x04, 0x07, 0x01};
// Segments of "G2Mask": no mask at all, and the mask covering the whole tile.
constexpr int32_t MaskNone = 8;
constexpr int32_t MaskFull = 35;

// The segments of "G2Mask" (MaskSegments in all): which segment covers the edges and corners a
// set of neighbours touches. Combinations not listed have no mask of their own (MaskNone).
constexpr int32_t MaskSegments = 50;
struct TMaskEntry {
  uint8_t Bits;
  uint8_t Segment;
};
std::span<const TMaskEntry> MaskEntries();
// The segment of "G2Mask" for an OR of direction bits.
int32_t MaskSegment(uint8_t Bits);

// Drawing orders on the map canvas.
constexpr int32_t MapOrderPicture = 0;
constexpr int32_t MapOrderBase = 1;
constexpr int32_t MapOrderBlend = 2;           // + the blend's index
constexpr int32_t MapOrderGroundPlots = 1810;  // + the plot's y
constexpr int32_t MapOrderWater = 3611;
constexpr int32_t MapOrderUpperPlots = 5413;  // + the plot's y
constexpr int32_t MapOrderSceneEffect = 7313;
constexpr int32_t MapOrderFog = 7413;

// One blend of a tile: a higher terrain and the OR of the bits of the neighbours that have it.
class TTerrainBlendItem : public TItem {
 public:
  TTerrain* Terrain = nullptr;
  uint8_t Mask = 0;
  // Items of a sorted container run from the lowest blend order to the highest.
  bool Precedes(const TItem* Other) const override;
};

// A map tile's reveal: hidden under the fog, being revealed (its fog fades), revealed.
namespace TileReveal {
inline constexpr int32_t Hidden = 0;
inline constexpr int32_t Revealing = 1;
inline constexpr int32_t Revealed = 2;
}  // namespace TileReveal

// A plot figure's visibility as the map shows it.
namespace PlotFade {
inline constexpr int32_t Hidden = 0;
inline constexpr int32_t FadingIn = 1;
inline constexpr int32_t Shown = 2;
inline constexpr int32_t FadingOut = 3;
}  // namespace PlotFade

struct TMapTile {
  TGuiControlMap* Owner = nullptr;
  int32_t Index = 0;
  int32_t Column = 0;
  int32_t Row = 0;
  TVector Center;
  int32_t Pattern = 0;  // (row mod 4) x 4 + (column mod 4)
  TMapTile* Neighbours[DirCount] = {};
  TTerrain* Terrain = nullptr;
  TSprite* BaseSprite = nullptr;
  bool BlendsValid = false;
  int32_t BlendCount = 0;
  TTerrain* BlendTerrains[DirCount] = {};
  int32_t BlendMasks[DirCount] = {};
  TSprite* BlendSprites[DirCount] = {};
  TWater* Water = nullptr;
  TSprite* WaterSprite = nullptr;
  bool WaterValid = false;
  int32_t WaterMask = MaskNone;
  int32_t RevealState = TileReveal::Hidden;
  bool FogValid = false;
  int32_t FogMasks[2] = {MaskFull, MaskNone};
  TSprite* FogSprite = nullptr;

  void SetTerrain(TTerrain* Value);
  void SetWater(TWater* Value);
  void SetRevealState(int32_t Value);
  void ComputeBlends();
  void ComputeWater();
  void ComputeFog();
  void ReleaseSprites();
  // Marks Valid stale on this tile and its neighbours, whose borders show this tile too.
  void InvalidateAround(bool TMapTile::*Valid);
};

struct TPlotVisual {
  TGuiControlMap* Owner = nullptr;
  TPlotData* Plot = nullptr;
  int32_t State = PlotFade::Hidden;
  float Alpha = 0;
  float Period = 0;
  float Phase = 0;
  TSprite* Sprite = nullptr;
  TPerformer* Performer = nullptr;
  TSource* Source = nullptr;
  float SoundTimer = 0;
};

class TGuiControlMap : public TGuiControl {
 public:
  TGuiControlMap() = default;
  ~TGuiControlMap() override;

  TRegion* Region = nullptr;
  TMap* MapData = nullptr;
  TPicture* Picture = nullptr;
  TSite* RevealingSite = nullptr;
  TCanvas* MapCanvas = nullptr;
  TCanvas* FogCanvas = nullptr;
  // The picture, terrain bases and blends: they change only with a tile, so this canvas keeps its
  // picture between such changes and the map canvas shows it by one sprite.
  TCanvas* TileCanvas = nullptr;
  TSprite* TileSprite = nullptr;
  float RevealFraction = 0;
  TSprite* PictureSprite = nullptr;
  TPerformer* FogEffect = nullptr;
  TSprite* ViewSprite = nullptr;
  TMapTile TileVisuals[MapTileCount];
  std::vector<TPlotVisual> PlotVisuals;

  void AfterCreate() override;
  void BeforeDestroy() override;
  void Update() override;
  void Render(bool Visible) override;

  void SetRegion(TRegion* NewRegion);
  void RevealAll();
  void RevealVisited();
  void PlaySceneEffects(TScene* Scene);

  // How many tiles recomputed their blends, water or fog masks since the control was made.
  int32_t MaskComputations() const { return Computations; }

 private:
  friend struct TMapTile;
  void RenderTile(TMapTile& Tile);
  void StepPlot(TPlotVisual& Visual, float Dt);
  void DrawPlot(TPlotVisual& Visual, float Dt);
  void ReleasePlot(TPlotVisual& Visual);
  void ReleaseAll();
  int32_t Computations = 0;
  bool TilesChanged = true;
};

}  // namespace tv
