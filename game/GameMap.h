// A region's map: a 13 x 15 grid of terrain and water tiles, and the plots (figures) placed on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/GameScenarioRecords.h"

namespace tv {

class TFilePlace;
class TTerrain;
class TWater;
class TFigure;
class TGroup;
class TSound;

struct TTile {
  TTerrain* Terrain = nullptr;
  TWater* Water = nullptr;
};

struct TPlotData {
  TFigure* Figure = nullptr;
  TGroup* Group = nullptr;
  float InitialX = 0;
  float InitialY = 0;
  float X = 0;
  float Y = 0;
  int32_t ParamA = 0;
  int32_t ParamB = 0;
  TSound* Sound = nullptr;
  uint8_t ByteA = 0;
  uint8_t Layer = 0;  // 0 ground, 1 upper; 2 is left out of the layered drawing
  bool InitialVisible = false;
  bool Visible = false;
};

class TMap {
 public:
  TTile Tiles[MapTileCount];
  std::vector<TPlotData> Plots;

  // Reads the tile grid and the plots (part of a region body); asset references must lie within
  // the pool section.
  // Takes the map of a region record; references are judged at Place.
  void Load(const TRegionDef& Record, const TFilePlace& Place);
  // Plots back to their initial position and visibility.
  void Reset();
  // Appends every plot that names a group to that group's list (once per run).
  void Prepare();
  // Loads the sound of every plot that has one.
  void Preload();

  const TTile& Tile(int32_t T) const { return Tiles[T]; }
  int32_t PlotCount() const { return static_cast<int32_t>(Plots.size()); }
  TPlotData& Plot(int32_t I) { return Plots[static_cast<size_t>(I)]; }
};

}  // namespace tv
