#include "game/GameMap.h"

#include "game/GameFile.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv {

void TMap::Load(const TRegionDef& Record, const TFilePlace& Place) {
  for (int32_t t = 0; t < MapTileCount; ++t) {
    const auto& tile = Record.Tiles[static_cast<size_t>(t)];
    Tiles[t].Terrain = ResolveAsset<TTerrain>(Place, TAssetClass::Terrain, tile[0], "tile terrain");
    Tiles[t].Water = ResolveAsset<TWater>(Place, TAssetClass::Water, tile[1], "tile water");
  }
  Plots.clear();
  Plots.resize(Record.Plots.size());
  for (size_t i = 0; i < Record.Plots.size(); ++i) {
    const TPlotDef& r = Record.Plots[i];
    TPlotData& plot = Plots[i];
    plot.Figure = ResolveAsset<TFigure>(Place, TAssetClass::Figure, r.Figure, "plot figure");
    plot.Group = ResolveAsset<TGroup>(Place, TAssetClass::Group, r.Group, "plot group");
    plot.InitialX = r.X;
    plot.InitialY = r.Y;
    plot.ParamA = r.ParamA;
    plot.ParamB = r.ParamB;
    plot.Sound = ResolveAsset<TSound>(Place, TAssetClass::Sound, r.Sound, "plot sound");
    plot.ByteA = r.ByteA;
    plot.Layer = r.Layer;
    plot.InitialVisible = r.Visible;
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
