#include "game/gui/GameGuiControlMap.h"

#include <array>
#include <cmath>
#include <memory>

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePool.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv {

namespace {

constexpr uint8_t BitN = DirectionBits[DirN];
constexpr uint8_t BitNE = DirectionBits[DirNE];
constexpr uint8_t BitE = DirectionBits[DirE];
constexpr uint8_t BitSE = DirectionBits[DirSE];
constexpr uint8_t BitS = DirectionBits[DirS];
constexpr uint8_t BitSW = DirectionBits[DirSW];
constexpr uint8_t BitW = DirectionBits[DirW];
constexpr uint8_t BitNW = DirectionBits[DirNW];

constexpr int32_t ColumnOffsets[DirCount] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int32_t RowOffsets[DirCount] = {-1, -1, 0, 1, 1, 1, 0, -1};

// The combinations of neighbours that have a mask of their own, with its segment.
constexpr TMaskEntry MaskEntryTable[] = {
    {BitNE | BitSW, 0},
    {BitN | BitSE, 1},
    {BitN | BitSW, 2},
    {BitN, 3},
    {BitNW | BitSE, 4},
    {BitNW, 5},
    {BitE, 6},
    {BitW, 7},
    {BitNE, 9},
    {BitSW, 10},
    {BitNE | BitSE, 11},
    {BitNW | BitSW, 12},
    {BitSE, 14},
    {BitW | BitSE, 15},
    {BitNE | BitSE | BitSW, 16},
    {BitNW | BitSW | BitSE, 17},
    {BitSW | BitSE, 18},
    {BitE | BitSW, 19},
    {BitW | BitNE, 20},
    {BitNW | BitNE | BitSE, 21},
    {BitNW | BitNE | BitSW, 22},
    {BitNW | BitNE, 23},
    {BitE | BitNW, 24},
    {BitW | BitS, 25},
    {BitS | BitNE, 26},
    {BitS | BitNW, 27},
    {BitS, 28},
    {BitS | BitE, 29},
    {BitN | BitE | BitS | BitW, 30},
    {BitN | BitW | BitSE, 31},
    {BitN | BitSE | BitSW, 32},
    {BitN | BitE | BitSW, 33},
    {BitN | BitE | BitW, 34},
    {BitW | BitNE | BitSE, 36},
    {BitNE | BitSE | BitSW | BitNW, 37},
    {BitE | BitSW | BitNW, 38},
    {BitE | BitW, 39},
    {BitS | BitW | BitNE, 41},
    {BitS | BitNE | BitNW, 42},
    {BitS | BitE | BitNW, 43},
    {BitE | BitS | BitW, 44},
    {BitN | BitE, 45},
    {BitN | BitS | BitW, 46},
    {BitN | BitS, 47},
    {BitN | BitE | BitS, 48},
    {BitN | BitW, 49},
};

std::array<uint8_t, 256> MakeMaskTable() {
  std::array<uint8_t, 256> table{};
  table.fill(MaskNone);
  for (const TMaskEntry& entry : MaskEntries()) table[entry.Bits] = entry.Segment;
  return table;
}

const std::array<uint8_t, 256>& MaskTable() {
  static const std::array<uint8_t, 256> table = MakeMaskTable();
  return table;
}

// The one container every tile sorts its blends in; its cache keeps the items for reuse.
TContainer& BlendItems() {
  static TContainer items(true, MakeItem<TTerrainBlendItem>, DirCount);
  return items;
}

int32_t BlendOrder(const TTerrain* Terrain) { return Terrain != nullptr ? Terrain->OrderKey : INT32_MIN; }

void LoadTerrain(TTerrain* Terrain) {
  if (Terrain != nullptr && !Terrain->Loaded) Terrain->Load();
}

TTexture* MaskTexture() { return LoadTexture("G2Mask"); }

bool Audible(const TSound* Sound) { return Sound != nullptr && GroupEnabled(Sound->Group()); }

TSource* PlayPoolSound(TSound* Sound, bool Looping, const void* Owner) {
  if (!Audible(Sound)) return nullptr;
  if (!Sound->Loaded) Sound->Load();
  if (Sound->Sample == nullptr) return nullptr;
  return PlaySample(Sound->Sample, Looping, Sound->Group(), Owner);
}

}  // namespace

std::span<const TMaskEntry> MaskEntries() { return MaskEntryTable; }

int32_t MaskSegment(uint8_t Bits) { return MaskTable()[Bits]; }

bool TTerrainBlendItem::Precedes(const TItem* Other) const {
  return BlendOrder(static_cast<const TTerrainBlendItem*>(Other)->Terrain) >= BlendOrder(Terrain);
}

// ---- Tiles ----------------------------------------------------------------------------------

void TMapTile::InvalidateAround(bool TMapTile::*Valid) {
  this->*Valid = false;
  for (TMapTile* n : Neighbours) {
    if (n != nullptr) n->*Valid = false;
  }
}

void TMapTile::SetTerrain(TTerrain* Value) {
  if (Value == Terrain) return;
  Terrain = Value;
  InvalidateAround(&TMapTile::BlendsValid);
  if (Owner != nullptr) Owner->TilesChanged = true;
}

void TMapTile::SetWater(TWater* Value) {
  if (Value == Water) return;
  Water = Value;
  InvalidateAround(&TMapTile::WaterValid);
}

void TMapTile::SetRevealState(int32_t Value) {
  if (Value == RevealState) return;
  RevealState = Value;
  InvalidateAround(&TMapTile::FogValid);
  if (Owner != nullptr) Owner->TilesChanged = true;
}

void TMapTile::ComputeBlends() {
  TContainer& items = BlendItems();
  items.Clear();
  const int32_t own = BlendOrder(Terrain);
  for (int32_t d = 0; d < DirCount; ++d) {
    const TMapTile* n = Neighbours[d];
    if (n == nullptr || n->Terrain == nullptr) continue;
    if (Terrain != nullptr && n->Terrain->OrderKey <= own) continue;
    TTerrainBlendItem* found = nullptr;
    for (TItem* item : items) {
      auto* blend = static_cast<TTerrainBlendItem*>(item);
      if (blend->Terrain == n->Terrain) {
        found = blend;
        break;
      }
    }
    if (found != nullptr) {
      found->Mask = static_cast<uint8_t>(found->Mask | DirectionBits[d]);
      continue;
    }
    auto* blend = static_cast<TTerrainBlendItem*>(items.GetCache()->Acquire());
    blend->Terrain = n->Terrain;
    blend->Mask = DirectionBits[d];
    items.Insert(blend, true);
  }
  BlendCount = 0;
  for (TItem* item : items) {
    auto* blend = static_cast<TTerrainBlendItem*>(item);
    BlendTerrains[BlendCount] = blend->Terrain;
    BlendMasks[BlendCount] = MaskSegment(blend->Mask);
    ++BlendCount;
  }
  for (int32_t i = BlendCount; i < DirCount; ++i) {
    BlendTerrains[i] = nullptr;
    BlendMasks[i] = MaskNone;
  }
  items.Clear();
  BlendsValid = true;
  if (Owner != nullptr) ++Owner->Computations;
}

void TMapTile::ComputeWater() {
  uint8_t bits = 0;
  for (int32_t d = 0; d < DirCount; ++d) {
    const TMapTile* n = Neighbours[d];
    if (n != nullptr && n->Water != Water) bits = static_cast<uint8_t>(bits | DirectionBits[d]);
  }
  WaterMask = MaskSegment(bits);
  WaterValid = true;
  if (Owner != nullptr) ++Owner->Computations;
}

void TMapTile::ComputeFog() {
  uint8_t hidden = 0;
  uint8_t revealing = 0;
  for (int32_t d = 0; d < DirCount; ++d) {
    const TMapTile* n = Neighbours[d];
    if (n == nullptr) continue;
    if (n->RevealState == TileReveal::Hidden) hidden = static_cast<uint8_t>(hidden | DirectionBits[d]);
    if (n->RevealState == TileReveal::Revealing) revealing = static_cast<uint8_t>(revealing | DirectionBits[d]);
  }
  switch (RevealState) {
    case TileReveal::Hidden:
      FogMasks[0] = MaskFull;
      FogMasks[1] = MaskNone;
      break;
    case TileReveal::Revealing:
      FogMasks[0] = MaskSegment(hidden);
      FogMasks[1] = MaskFull;
      break;
    default:
      FogMasks[0] = MaskSegment(hidden);
      FogMasks[1] = MaskSegment(revealing);
      break;
  }
  FogValid = true;
  if (Owner != nullptr) ++Owner->Computations;
}

void TMapTile::ReleaseSprites() {
  FreeSprite(BaseSprite);
  for (TSprite*& s : BlendSprites) FreeSprite(s);
  FreeSprite(WaterSprite);
  FreeSprite(FogSprite);
}

// ---- The control ----------------------------------------------------------------------------

TGuiControlMap::~TGuiControlMap() { ReleaseAll(); }

void TGuiControlMap::AfterCreate() {
  MaskTexture();
  LoadTexture("G2BackgroundMap");
  CreateCanvas(FogCanvas, Layer - 3, Size);
  if (FogCanvas != nullptr) {
    FogCanvas->OnlyWhenShown = true;  // only the fog sprites of hidden tiles show it
    FogCanvas->SetScale(0.25f);
    // The grid is 40 units taller than the control: its first row starts 20 units above the top.
    FogCanvas->SetTiles(Vector(0, (Size.Y - MapGridRows * MapTileHeight) / 2), Vector(MapTileWidth, MapTileHeight),
                        MapGridColumns, MapGridRows);
  }
  CreateCanvas(TileCanvas, Layer - 2, Size);
  if (TileCanvas != nullptr) TileCanvas->KeepPicture = true;
  CreateCanvas(MapCanvas, Layer - 1, Size);
  for (int32_t t = 0; t < MapTileCount; ++t) {
    TMapTile& tile = TileVisuals[t];
    tile.Owner = this;
    tile.Index = t;
    tile.Column = t % MapGridColumns;
    tile.Row = t / MapGridColumns;
    tile.Center =
        Vector(static_cast<float>(tile.Column - 6) * MapTileWidth, static_cast<float>(tile.Row - 7) * MapTileHeight);
    tile.Pattern = (tile.Row % 4) * 4 + (tile.Column % 4);
    for (int32_t d = 0; d < DirCount; ++d) {
      const int32_t c = tile.Column + ColumnOffsets[d];
      const int32_t r = tile.Row + RowOffsets[d];
      const bool inside = c >= 0 && c < MapGridColumns && r >= 0 && r < MapGridRows;
      tile.Neighbours[d] = inside ? &TileVisuals[r * MapGridColumns + c] : nullptr;
    }
  }
}

void TGuiControlMap::BeforeDestroy() { ReleaseAll(); }

void TGuiControlMap::ReleaseAll() {
  for (TMapTile& tile : TileVisuals) tile.ReleaseSprites();
  for (TPlotVisual& v : PlotVisuals) ReleasePlot(v);
  PlotVisuals.clear();
  FreeSprite(PictureSprite);
  FreePerformer(FogEffect);
  FreeSprite(ViewSprite);
  FreeSprite(TileSprite);
  StopEffects(this, true);
  StopSounds(this);
  FreeCanvas(TileCanvas);
  FreeCanvas(MapCanvas);
  FreeCanvas(FogCanvas);
}

void TGuiControlMap::SetRegion(TRegion* NewRegion) {
  if (NewRegion == Region) return;
  Region = NewRegion;
  MapData = Region != nullptr ? Region->Map.get() : nullptr;
  Picture = Region != nullptr ? Region->Picture : nullptr;
  TilesChanged = true;
  for (TPlotVisual& v : PlotVisuals) ReleasePlot(v);
  PlotVisuals.clear();
  for (TMapTile& tile : TileVisuals) {
    const TTile* source = MapData != nullptr ? &MapData->Tile(tile.Index) : nullptr;
    TTerrain* terrain = source != nullptr ? source->Terrain : nullptr;
    LoadTerrain(terrain);
    TWater* water = source != nullptr ? source->Water : nullptr;
    if (water != nullptr && !water->Loaded) water->Load();
    tile.SetTerrain(terrain);
    tile.SetWater(water);
  }
  if (MapData != nullptr) {
    PlotVisuals.resize(static_cast<size_t>(MapData->PlotCount()));
    for (int32_t i = 0; i < MapData->PlotCount(); ++i) {
      TPlotVisual& v = PlotVisuals[static_cast<size_t>(i)];
      v.Owner = this;
      v.Plot = &MapData->Plot(i);
      v.State = v.Plot->Visible ? PlotFade::Shown : PlotFade::Hidden;
      v.Alpha = v.State == PlotFade::Shown ? 1.0f : 0.0f;
      TFigure* figure = v.Plot->Figure;
      if (figure != nullptr && !figure->Loaded) figure->Load();
      if (figure != nullptr && figure->Animated && figure->Texture != nullptr && figure->Texture->FrameRate() > 0) {
        v.Period = static_cast<float>(figure->Texture->FrameCount()) / figure->Texture->FrameRate();
        v.Phase = RandomFloat();
      }
    }
  }
  MarkDirty();
}

void TGuiControlMap::RevealAll() {
  for (TMapTile& tile : TileVisuals) tile.SetRevealState(TileReveal::Revealed);
  MarkDirty();
}

void TGuiControlMap::RevealVisited() {
  if (Region == nullptr) return;
  for (TItem* item : *Region->Sites) {
    auto* site = static_cast<TSite*>(item);
    if (!site->Revealed) continue;
    for (TMapTile& tile : TileVisuals) {
      if (tile.RevealState != TileReveal::Revealed && site->RevealsTile(tile.Index))
        tile.SetRevealState(TileReveal::Revealed);
    }
  }
  MarkDirty();
}

void TGuiControlMap::PlaySceneEffects(TScene* Scene) {
  if (Scene == nullptr) return;
  PlayPoolSound(Scene->ExecutionSound, false, this);
  TEffector* effector = Scene->Effector;
  if (effector == nullptr) return;
  if (!effector->Loaded) effector->Load();
  if (effector->Effect == nullptr || MapCanvas == nullptr) return;
  TVector at = Vector(0, 0);
  if (Scene->ExecutionValue == 0 && Scene->Site != nullptr) at = Vector(Scene->Site->X, Scene->Site->Y);
  PlayEffect(this, MapCanvas, MapOrderSceneEffect, at, effector->Effect);
}

void TGuiControlMap::Update() {
  UpdateWaters();
  TAvatar* avatar = Avatar();
  if (avatar != nullptr && avatar->State == StateRevealing && avatar->Site != nullptr) {
    if (avatar->Site != RevealingSite) {
      RevealingSite = avatar->Site;
      for (TMapTile& tile : TileVisuals) {
        if (tile.RevealState == TileReveal::Revealing) {
          tile.SetRevealState(TileReveal::Revealed);
        } else if (tile.RevealState == TileReveal::Hidden && RevealingSite->RevealsTile(tile.Index)) {
          tile.SetRevealState(TileReveal::Revealing);
        }
      }
    }
    RevealFraction = 1 - avatar->Timer;
  } else if (RevealingSite != nullptr) {
    for (TMapTile& tile : TileVisuals) {
      if (tile.RevealState == TileReveal::Revealing) tile.SetRevealState(TileReveal::Revealed);
    }
    RevealingSite = nullptr;
  }
  MarkDirty();
}

void TGuiControlMap::RenderTile(TMapTile& Tile) {
  if (!Tile.FogValid) Tile.ComputeFog();
  if (Tile.RevealState == TileReveal::Hidden) {
    FreeSprite(Tile.BaseSprite);
    for (TSprite*& s : Tile.BlendSprites) FreeSprite(s);
    FreeSprite(Tile.WaterSprite);
  } else {
    if (Tile.Terrain != nullptr) {
      CreateSprite(Tile.BaseSprite, TileCanvas, MapOrderBase);
      if (TSprite* s = Tile.BaseSprite) {
        s->Position = Tile.Center;
        s->Size = Vector(MapTileWidth, MapTileHeight);
        s->SetTexture(0, Tile.Terrain->Texture);
        s->SetSegment(0, Tile.Pattern);
      }
    } else {
      FreeSprite(Tile.BaseSprite);
    }
    if (!Tile.BlendsValid) Tile.ComputeBlends();
    static const int32_t alphaMask = FindShadingMode("AlphaMask");
    for (int32_t i = 0; i < DirCount; ++i) {
      if (i >= Tile.BlendCount) {
        FreeSprite(Tile.BlendSprites[i]);
        continue;
      }
      CreateSprite(Tile.BlendSprites[i], TileCanvas, MapOrderBlend + i);
      TSprite* s = Tile.BlendSprites[i];
      if (s == nullptr) continue;
      s->Position = Tile.Center;
      s->Size = Vector(MapTileWidth, MapTileHeight);
      s->Mode = alphaMask;
      s->SetTexture(0, Tile.BlendTerrains[i]->Texture);
      s->SetSegment(0, Tile.Pattern);
      s->SetTexture(1, MaskTexture());
      s->SetSegment(1, Tile.BlendMasks[i]);
    }
    if (Tile.Water != nullptr) {
      if (!Tile.WaterValid) Tile.ComputeWater();
      static const int32_t alphaInvMask = FindShadingMode("AlphaInvMask");
      CreateSprite(Tile.WaterSprite, MapCanvas, MapOrderWater);
      if (TSprite* s = Tile.WaterSprite) {
        s->Position = Tile.Center;
        s->Size = Vector(MapTileWidth, MapTileHeight);
        s->Mode = alphaInvMask;
        TTexture* texture = Tile.Water->Texture;
        if (Tile.Water->Animated && texture != nullptr) texture = texture->FrameAt(Tile.Water->Phase);
        s->SetTexture(0, texture);
        s->SetSegment(0, Tile.Pattern);
        s->SetTexture(1, MaskTexture());
        s->SetSegment(1, Tile.WaterMask);
        s->Color.A = Tile.Water->Factor;
      }
    } else {
      FreeSprite(Tile.WaterSprite);
    }
  }
  if (Tile.FogMasks[0] == MaskNone && Tile.FogMasks[1] == MaskNone) {
    FreeSprite(Tile.FogSprite);
    return;
  }
  static const int32_t mapReveal = FindShadingMode("MapReveal");
  CreateSprite(Tile.FogSprite, MapCanvas, MapOrderFog);
  TSprite* s = Tile.FogSprite;
  if (s == nullptr) return;
  s->Position = Tile.Center;
  s->Size = Vector(MapTileWidth, MapTileHeight);
  s->Mode = mapReveal;
  s->SetTexture(0, MaskTexture());
  s->SetSegment(0, Tile.FogMasks[0]);
  s->SetTexture(1, MaskTexture());
  s->SetSegment(1, Tile.FogMasks[1]);
  s->SetTextureName(2, "G2BackgroundMap");
  s->SetSegment(2, Tile.Index);
  s->SetTexture(3, FogCanvas != nullptr ? FogCanvas->Target.get() : nullptr);
  s->SetSegment(3, Tile.Index);
  s->Color.A = RevealFraction;
}

void TGuiControlMap::StepPlot(TPlotVisual& Visual, float Dt) {
  const bool shown = Visual.Plot->Visible;
  switch (Visual.State) {
    case PlotFade::Hidden:
      if (shown) {
        Visual.State = PlotFade::FadingIn;
        Visual.Alpha = 0;
      }
      break;
    case PlotFade::FadingIn:
      Visual.Alpha += Dt;
      if (Visual.Alpha >= 1) {
        Visual.Alpha = 1;
        Visual.State = PlotFade::Shown;
      }
      break;
    case PlotFade::Shown:
      if (!shown) {
        Visual.State = PlotFade::FadingOut;
        Visual.Alpha = 1;
      }
      break;
    default:
      Visual.Alpha -= Dt;
      if (Visual.Alpha <= 0) {
        Visual.Alpha = 0;
        Visual.State = PlotFade::Hidden;
      }
      break;
  }
}

void TGuiControlMap::ReleasePlot(TPlotVisual& Visual) {
  FreeSprite(Visual.Sprite);
  FreePerformer(Visual.Performer);
  if (Visual.Source != nullptr) Visual.Source->SetPlaying(false);
  FreeSource(Visual.Source);
}

void TGuiControlMap::DrawPlot(TPlotVisual& Visual, float Dt) {
  TPlotData& plot = *Visual.Plot;
  TFigure* figure = plot.Figure;
  if (Visual.State == PlotFade::Hidden || plot.Layer == 2 || figure == nullptr || MapCanvas == nullptr) {
    FreeSprite(Visual.Sprite);
    FreePerformer(Visual.Performer);
  } else {
    const int32_t order =
        (plot.Layer == 0 ? MapOrderGroundPlots : MapOrderUpperPlots) + static_cast<int32_t>(std::lround(plot.Y));
    if (figure->IsEffect) {
      FreeSprite(Visual.Sprite);
      if (Visual.Performer == nullptr && figure->Effect != nullptr) {
        CreatePerformerFor(Visual.Performer, MapCanvas, order, figure->Effect);
        if (Visual.Performer != nullptr) Visual.Performer->SetActive(true);
      }
      if (TPerformer* p = Visual.Performer) {
        p->Order = order;
        p->Position = Vector(plot.X, plot.Y);
        p->Area = Vector(static_cast<float>(figure->Width), static_cast<float>(figure->Height));
        p->Alpha = Visual.Alpha;
      }
    } else {
      FreePerformer(Visual.Performer);
      CreateSprite(Visual.Sprite, MapCanvas, order);
      if (TSprite* s = Visual.Sprite) {
        s->SetOrder(order);
        s->Position = Vector(plot.X, plot.Y);
        s->Size = Vector(static_cast<float>(figure->Width), static_cast<float>(figure->Height));
        TTexture* texture = figure->Texture;
        if (Visual.Period > 0 && texture != nullptr) {
          Visual.Phase += Dt / Visual.Period;
          Visual.Phase -= std::floor(Visual.Phase);
          texture = texture->FrameAt(Visual.Phase);
        }
        s->SetTexture(0, texture);
        s->SetSegment(0, 0);
        s->Color.A = Visual.Alpha;
      }
    }
  }
  // Ambient sound: mode 0 loops, 1 plays once each time the plot appears, n >= 2 repeats about
  // every n seconds. A hidden plot starts over: its next appearance plays (mode 1) or waits a
  // first random part of n (n >= 2) again.
  if (Visual.State == PlotFade::Hidden || plot.Sound == nullptr) {
    if (Visual.Source != nullptr) Visual.Source->SetPlaying(false);
    FreeSource(Visual.Source);
    Visual.SoundTimer = 0;
    return;
  }
  const int32_t mode = plot.ParamA;
  if (mode == 0) {
    if (Visual.Source == nullptr) {
      Visual.Source = PlayPoolSound(plot.Sound, true, this);
      if (Visual.Source != nullptr) Visual.Source->Kept = true;
    }
  } else if (mode == 1) {
    if (Visual.SoundTimer >= 0) {
      PlayPoolSound(plot.Sound, false, this);
      Visual.SoundTimer = -1;
    }
  } else {
    const auto n = static_cast<float>(mode);
    if (Visual.SoundTimer == 0) Visual.SoundTimer = RandomFloat() * n + 0.5f;
    Visual.SoundTimer -= Dt;
    if (Visual.SoundTimer <= 0) {
      PlayPoolSound(plot.Sound, false, this);
      Visual.SoundTimer = n * (0.75f + 0.5f * RandomFloat());
    }
  }
}

void TGuiControlMap::Render(bool Visible) {
  if (!Visible) {
    for (TMapTile& tile : TileVisuals) tile.ReleaseSprites();
    for (TPlotVisual& v : PlotVisuals) ReleasePlot(v);
    FreeSprite(PictureSprite);
    FreePerformer(FogEffect);
    FreeSprite(ViewSprite);
    FreeSprite(TileSprite);
    TilesChanged = true;
    return;
  }
  for (TMapTile& tile : TileVisuals) RenderTile(tile);
  const float dt = ElapsedSeconds();
  for (TPlotVisual& v : PlotVisuals) {
    StepPlot(v, dt);
    DrawPlot(v, dt);
  }
  if (Picture != nullptr && TileCanvas != nullptr) {
    if (!Picture->Loaded) Picture->Load();
    CreateSprite(PictureSprite, TileCanvas, MapOrderPicture);
    if (TSprite* s = PictureSprite) {
      s->Position = Vector(0, 0);
      s->SetTexture(0, Picture->Texture);
      s->SetSegment(0, 0);
      s->Size = Picture->Texture != nullptr ? SegmentSize(Picture->Texture, 0) : Size;
    }
  } else {
    FreeSprite(PictureSprite);
  }
  if (TileCanvas != nullptr) {
    if (TilesChanged) TileCanvas->Invalidate();
    TilesChanged = false;
    CreateSprite(TileSprite, MapCanvas, MapOrderBase);
    if (TSprite* s = TileSprite) {
      s->Position = Vector(0, 0);
      s->Size = Size;
      s->SetTexture(0, TileCanvas->Target.get());
      s->SetSegment(0, 0);
    }
  }
  if (FogEffect == nullptr && FogCanvas != nullptr) {
    CreatePerformer(FogEffect, FogCanvas, 0, "G2MapFog");
    if (FogEffect != nullptr) FogEffect->SetActive(true);
  }
  if (FogEffect != nullptr) {
    FogEffect->Position = Vector(0, 0);
    FogEffect->Area = Size;
  }
  CreateSprite(ViewSprite, Canvas, Layer + 3);
  if (TSprite* s = ViewSprite) {
    s->Position = Offset;
    s->Size = Size;
    s->Scale = Scale;
    s->Color = {Color.X, Color.Y, Color.Z, Alpha};
    s->Orientation = Param1;
    s->Mode = Param3;
    s->SetTexture(0, MapCanvas != nullptr ? MapCanvas->Target.get() : nullptr);
    s->SetSegment(0, 0);
    s->SetTextureName(1, ParamB);
    s->SetSegment(1, ParamE);
  }
}

}  // namespace tv
