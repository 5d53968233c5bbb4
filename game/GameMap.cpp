#include "game/GameMap.h"

#include "game/GameFile.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv {

void TMap::Load(TByteReader& Stream) {
  const uint8_t* tiles = Stream.Block(static_cast<size_t>(MapTileCount) * TileRecordSize, "map tiles");
  for (int32_t t = 0; t < MapTileCount; ++t) {
    const uint8_t* record = tiles + static_cast<ptrdiff_t>(t) * TileRecordSize;
    Tiles[t].Terrain = ResolveAsset<TTerrain>(Stream, TAssetClass::Terrain, LeInt32(record), "tile terrain");
    Tiles[t].Water = ResolveAsset<TWater>(Stream, TAssetClass::Water, LeInt32(record + 4), "tile water");
  }
  const int32_t count = Stream.Count("plot count", PlotRecordSize);
  Plots.clear();
  if (count <= 0) return;
  const uint8_t* records = Stream.Block(static_cast<size_t>(count) * PlotRecordSize, "plots");
  Plots.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* r = records + static_cast<ptrdiff_t>(i) * PlotRecordSize;
    TPlotData& plot = Plots[static_cast<size_t>(i)];
    plot.Figure = ResolveAsset<TFigure>(Stream, TAssetClass::Figure, LeInt32(r), "plot figure");
    plot.Group = ResolveAsset<TGroup>(Stream, TAssetClass::Group, LeInt32(r + 4), "plot group");
    plot.InitialX = LeFloat(r + 8);
    plot.InitialY = LeFloat(r + 12);
    plot.ParamA = LeInt32(r + 16);
    plot.ParamB = LeInt32(r + 20);
    plot.Sound = ResolveAsset<TSound>(Stream, TAssetClass::Sound, LeInt32(r + 24), "plot sound");
    plot.ByteA = r[28];
    plot.Layer = r[29];
    plot.InitialVisible = r[30] != 0;
  }
}

void TMap::Reset() {
  for (TPlotData& plot : Plots) {
    plot.X = plot.InitialX;
    plot.Y = plot.InitialY;
    plot.Visible = plot.InitialVisible;
  }
}

void TMap::Prepare() {
  for (TPlotData& plot : Plots) {
    if (plot.Group != nullptr) plot.Group->Plots.push_back(&plot);
  }
}

void TMap::Preload() {
  for (TPlotData& plot : Plots) {
    if (plot.Sound != nullptr && !plot.Sound->Loaded) plot.Sound->Load();
  }
}

}  // namespace tv
