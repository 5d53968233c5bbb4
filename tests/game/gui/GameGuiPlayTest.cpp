// The map control, the site markers and the play form on the memory video device, driven frame by
// frame with a fixed time step over small scenarios compiled from source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GameScreenNames.h"
#include "app/AppGame.h"
#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "engine/EngineScript.h"
#include "engine/EngineSoundFiles.h"
#include "base/AppFolders.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "authoring/GameScenarioSource.h"
#include "game/GameScene.h"
#include "game/GameSite.h"
#include "game/gui/GameGuiControlMap.h"
#include "game/gui/GameGuiControlSite.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiFormPlay.h"
#include "platform/PlatformGraphics.h"
#include "support/ScreensTestSupport.h"
#include "support/VideoTestSupport.h"

namespace tv::test {
namespace {

constexpr float FrameTime = 0.05f;

int32_t TileAt(int32_t Column, int32_t Row) { return Row * MapGridColumns + Column; }

// ---- The mask table ---------------------------------------------------------------------------

TEST(MapMasks, TableMapsTheListedCombinationsAndLeavesEveryOtherWithoutMask) {
  const auto bits = [](std::initializer_list<TMapDirection> Dirs) {
    uint8_t b = 0;
    for (TMapDirection d : Dirs) b = static_cast<uint8_t>(b | DirectionBits[d]);
    return b;
  };
  EXPECT_EQ(MaskSegment(bits({DirN})), 3);
  EXPECT_EQ(MaskSegment(bits({DirNE, DirSW})), 0);
  EXPECT_EQ(MaskSegment(bits({DirN, DirE, DirS, DirW})), 30);
  // The edges already touch every corner: a full ring is the same mask as the four edges.
  EXPECT_EQ(MaskSegment(0xFF), 30);
  EXPECT_EQ(MaskSegment(bits({DirNE, DirSE, DirSW, DirNW})), 37);
  EXPECT_EQ(MaskSegment(bits({DirN, DirW})), 49);
  EXPECT_EQ(MaskSegment(bits({DirS, DirE})), 29);
  EXPECT_EQ(MaskSegment(0), MaskNone);
  // 46 entries are listed; every other of the 256 has no mask.
  int32_t listed = 0;
  for (int32_t i = 0; i < 256; ++i) {
    if (MaskSegment(static_cast<uint8_t>(i)) != MaskNone) ++listed;
  }
  EXPECT_EQ(listed, 46);
  EXPECT_EQ(MaskSegment(0x02), MaskNone);  // a bit no direction sets alone
}

// ---- The map control on its own ---------------------------------------------------------------

class MapControl : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTimer();
    SetFixedFrameTime(FrameTime);
    UpdateTimer();
    EffectsStartup();
    CreatePool();
    CreateScenario();
    for (int32_t i = 0; i < 4; ++i) {
      auto* terrain = new TTerrain("G2T" + std::to_string(i));
      terrain->Loaded = true;
      terrain->OrderKey = (i + 1) * 10;
      Terrain[i] = terrain;
      Terrains()->Insert(terrain, true);
    }
    Sea = new TWater("G2W1Sea");
    Sea->Loaded = true;
    Sea->Factor = 0.5f;
    Waters()->Insert(Sea, true);
    Region = std::make_unique<TRegion>("Test");
    Fill(Terrain[0]);
    Map.Size = Vector(1560, 860);
    Map.Canvas = MainCanvas();
    Map.Layer = -100;
    Map.AfterCreate();
  }
  void TearDown() override {
    Map.BeforeDestroy();
    Region.reset();
    DestroyScenario();
    DestroyPool();
    EffectsShutdown();
  }
  void Fill(TTerrain* T) {
    for (TTile& tile : Region->Map->Tiles) tile.Terrain = T;
  }
  void Set(int32_t Column, int32_t Row, TTerrain* T, TWater* W = nullptr) {
    Region->Map->Tiles[TileAt(Column, Row)] = {T, W};
  }
  TMapTile& Tile(int32_t Column, int32_t Row) { return Map.TileVisuals[TileAt(Column, Row)]; }
  void Show() {
    Map.SetRegion(Region.get());
    Map.Render(true);
  }
  int32_t FogSprites() {
    int32_t n = 0;
    for (const TMapTile& t : Map.TileVisuals) n += t.FogSprite != nullptr ? 1 : 0;
    return n;
  }

  TVideoTestEnv Env;
  TTerrain* Terrain[4] = {};
  TWater* Sea = nullptr;
  std::unique_ptr<TRegion> Region;
  TGuiControlMap Map;
};

TEST_F(MapControl, GridGeometryPatternsAndNeighbours) {
  const TMapTile& first = Map.TileVisuals[0];
  EXPECT_TRUE(VectorsEqual(first.Center, Vector(-720, -420)));
  EXPECT_EQ(first.Neighbours[DirN], nullptr);
  EXPECT_EQ(first.Neighbours[DirW], nullptr);
  EXPECT_EQ(first.Neighbours[DirE], &Map.TileVisuals[1]);
  EXPECT_EQ(first.Neighbours[DirSE], &Map.TileVisuals[14]);
  const TMapTile& t = Tile(6, 7);
  EXPECT_TRUE(VectorsEqual(t.Center, Vector(0, 0)));
  EXPECT_EQ(t.Pattern, (7 % 4) * 4 + 6 % 4);
  EXPECT_EQ(t.Neighbours[DirNE], &Tile(7, 6));
  EXPECT_EQ(t.Neighbours[DirSW], &Tile(5, 8));
  EXPECT_EQ(Map.TileVisuals[MapTileCount - 1].Neighbours[DirS], nullptr);
  // The fog canvas: a quarter of the resolution, one cell per tile, the first row 20 units above.
  ASSERT_NE(Map.FogCanvas, nullptr);
  EXPECT_FLOAT_EQ(Map.FogCanvas->Scale, 0.25f);
  EXPECT_EQ(Map.FogCanvas->TileColumns, 13);
  EXPECT_EQ(Map.FogCanvas->TileRows, 15);
  EXPECT_FLOAT_EQ(Map.FogCanvas->TileOrigin.Y, -20);
}

TEST_F(MapControl, BlendsComeFromHigherNeighboursSortedAndMergedPerTerrain) {
  // Ringed by a higher terrain: one blend covering all four edges.
  for (int32_t d = 0; d < DirCount; ++d) Set(2 + (d % 3), 2 + (d / 3), Terrain[2]);
  Set(3, 3, Terrain[1]);
  // Two neighbours of one higher terrain (N and E) and one of a still higher terrain (SW); a lower
  // neighbour (W) adds nothing.
  Set(9, 9, Terrain[1]);
  Set(9, 8, Terrain[2]);
  Set(10, 9, Terrain[2]);
  Set(8, 10, Terrain[3]);
  // A corner tile whose three neighbours are all higher.
  Set(0, 0, Terrain[0]);
  Set(1, 0, Terrain[3]);
  Set(0, 1, Terrain[3]);
  Set(1, 1, Terrain[3]);
  // A tile without terrain blends with every neighbour terrain.
  Set(6, 13, nullptr);
  Map.RevealAll();
  Show();

  const TMapTile& ringed = Tile(3, 3);
  ASSERT_EQ(ringed.BlendCount, 1);
  EXPECT_EQ(ringed.BlendTerrains[0], Terrain[2]);
  EXPECT_EQ(ringed.BlendMasks[0], 30);
  ASSERT_NE(ringed.BlendSprites[0], nullptr);
  EXPECT_EQ(ringed.BlendSprites[0]->Order, MapOrderBlend);
  EXPECT_EQ(ringed.BlendSprites[0]->Mode, FindShadingMode("AlphaMask"));
  EXPECT_EQ(ringed.BlendSprites[0]->GetSegment(1), 30);
  EXPECT_EQ(ringed.BlendSprites[1], nullptr);

  const TMapTile& merged = Tile(9, 9);
  ASSERT_EQ(merged.BlendCount, 2);
  EXPECT_EQ(merged.BlendTerrains[0], Terrain[2]);
  EXPECT_EQ(merged.BlendMasks[0], MaskSegment(DirectionBits[DirN] | DirectionBits[DirE]));
  EXPECT_EQ(merged.BlendMasks[0], 45);
  EXPECT_EQ(merged.BlendTerrains[1], Terrain[3]);
  EXPECT_EQ(merged.BlendMasks[1], 10);
  EXPECT_EQ(merged.BlendSprites[1]->Order, MapOrderBlend + 1);

  const TMapTile& corner = Tile(0, 0);
  ASSERT_EQ(corner.BlendCount, 1);
  EXPECT_EQ(corner.BlendMasks[0], 29);  // S + E (their bits cover the south-east corner)

  const TMapTile& bare = Tile(6, 13);
  EXPECT_EQ(bare.BaseSprite, nullptr);
  ASSERT_EQ(bare.BlendCount, 1);
  EXPECT_EQ(bare.BlendTerrains[0], Terrain[0]);
  EXPECT_EQ(bare.BlendMasks[0], 30);

  // A tile among equals has no blend at all, only its base at the pattern segment.
  const TMapTile& plain = Tile(6, 5);
  EXPECT_EQ(plain.BlendCount, 0);
  ASSERT_NE(plain.BaseSprite, nullptr);
  EXPECT_EQ(plain.BaseSprite->Order, MapOrderBase);
  EXPECT_EQ(plain.BaseSprite->GetSegment(0), plain.Pattern);
}

TEST_F(MapControl, WaterMasksMarkTheNeighboursWithOtherWater) {
  TWater* shallows = new TWater("G2W2Shallows");
  shallows->Loaded = true;
  Waters()->Insert(shallows, true);
  for (int32_t c = 0; c < MapGridColumns; ++c) {
    for (int32_t r = 10; r < MapGridRows; ++r) Set(c, r, Terrain[0], Sea);
  }
  Set(4, 12, Terrain[0], shallows);
  Map.RevealAll();
  Show();
  const TMapTile& shore = Tile(5, 10);  // dry above (NW, N, NE)
  ASSERT_NE(shore.WaterSprite, nullptr);
  EXPECT_EQ(shore.WaterMask, MaskSegment(DirectionBits[DirNW] | DirectionBits[DirN] | DirectionBits[DirNE]));
  EXPECT_EQ(shore.WaterSprite->Order, MapOrderWater);
  EXPECT_EQ(shore.WaterSprite->Mode, FindShadingMode("AlphaInvMask"));
  EXPECT_FLOAT_EQ(shore.WaterSprite->Color.A, 0.5f);
  EXPECT_EQ(Tile(6, 13).WaterMask, MaskNone);  // open sea
  EXPECT_EQ(Tile(4, 12).WaterMask, 30);        // other water on every side
  EXPECT_EQ(Tile(5, 12).WaterMask, 7);         // shallows to the west
  EXPECT_EQ(Tile(6, 6).WaterSprite, nullptr);  // dry land
}

TEST_F(MapControl, FogCoversHiddenTilesAndFollowsTheirRevealedNeighbours) {
  Region->Sites->Insert(new TSite("Quay"), false);
  auto* quay = static_cast<TSite*>(Region->Sites->First());
  quay->Revealed = true;
  for (int32_t c = 4; c <= 8; ++c) {
    for (int32_t r = 5; r <= 9; ++r)
      quay->RevealTiles[TileAt(c, r) / 8] |= static_cast<uint8_t>(1 << (TileAt(c, r) % 8));
  }
  Map.SetRegion(Region.get());
  Map.RevealVisited();
  Map.Render(true);

  const TMapTile& hidden = Tile(0, 0);
  EXPECT_EQ(hidden.RevealState, 0);
  EXPECT_EQ(hidden.FogMasks[0], MaskFull);
  EXPECT_EQ(hidden.FogMasks[1], MaskNone);
  EXPECT_EQ(hidden.BaseSprite, nullptr);
  ASSERT_NE(hidden.FogSprite, nullptr);
  EXPECT_EQ(hidden.FogSprite->Order, MapOrderFog);
  EXPECT_EQ(hidden.FogSprite->Mode, FindShadingMode("MapReveal"));
  EXPECT_EQ(hidden.FogSprite->GetSegment(2), hidden.Index);
  EXPECT_EQ(hidden.FogSprite->GetTexture(3), Map.FogCanvas->Target.get());
  EXPECT_EQ(hidden.FogSprite->GetSegment(3), hidden.Index);

  const TMapTile& inner = Tile(6, 7);
  EXPECT_EQ(inner.RevealState, 2);
  EXPECT_EQ(inner.FogSprite, nullptr);  // every neighbour revealed: no fog at all
  EXPECT_NE(inner.BaseSprite, nullptr);
  const TMapTile& edge = Tile(6, 5);  // hidden tiles to the north
  EXPECT_EQ(edge.FogMasks[0], MaskSegment(DirectionBits[DirNW] | DirectionBits[DirN] | DirectionBits[DirNE]));
  EXPECT_EQ(edge.FogMasks[1], MaskNone);
  EXPECT_NE(edge.FogSprite, nullptr);
  const TMapTile& corner = Tile(4, 5);
  EXPECT_EQ(corner.FogMasks[0], 49);  // hidden N, NE, NW, W and SW: the north and west edges

  // World-map mode: everything revealed, not one fog sprite.
  Map.RevealAll();
  Map.Render(true);
  EXPECT_EQ(FogSprites(), 0);
}

TEST_F(MapControl, MasksAreRecomputedOnlyForChangedTilesAndSpritesAreKept) {
  Map.RevealAll();
  Show();
  const int32_t first = Map.MaskComputations();
  EXPECT_GE(first, MapTileCount);  // blends and fog of every tile, once
  TSprite* base = Tile(6, 7).BaseSprite;
  Map.Render(true);
  Map.Render(true);
  EXPECT_EQ(Map.MaskComputations(), first);
  EXPECT_EQ(Tile(6, 7).BaseSprite, base);

  // Hiding one tile again touches the fog of that tile and its eight neighbours only.
  Tile(6, 7).SetRevealState(0);
  Map.Render(true);
  EXPECT_EQ(Map.MaskComputations(), first + 9);
  EXPECT_EQ(Tile(6, 7).BaseSprite, nullptr);
  EXPECT_EQ(Tile(6, 6).FogMasks[0], MaskSegment(DirectionBits[DirS]));

  // A new terrain for one tile: blends of the tile and its neighbours.
  const int32_t before = Map.MaskComputations();
  Tile(2, 2).SetTerrain(Terrain[3]);
  Map.Render(true);
  EXPECT_EQ(Map.MaskComputations(), before + 9);
  EXPECT_EQ(Tile(1, 1).BlendMasks[0], MaskSegment(DirectionBits[DirSE]));
}

TEST_F(MapControl, ARevealUncoversTheSiteTilesWithTheAvatarTimer) {
  Region->Sites->Insert(new TSite("Tower"), false);
  auto* tower = static_cast<TSite*>(Region->Sites->First());
  const int32_t t = TileAt(3, 3);
  tower->RevealTiles[t / 8] |= static_cast<uint8_t>(1 << (t % 8));
  Map.SetRegion(Region.get());
  Map.RevealVisited();
  Map.Render(true);
  EXPECT_EQ(Map.TileVisuals[t].RevealState, 0);

  TAvatar* avatar = Avatar();
  avatar->State = StateRevealing;
  avatar->Site = tower;
  avatar->Timer = 0.25f;
  Map.Update();
  Map.Render(true);
  EXPECT_EQ(Map.RevealingSite, tower);
  EXPECT_EQ(Map.TileVisuals[t].RevealState, 1);
  EXPECT_FLOAT_EQ(Map.RevealFraction, 0.75f);
  const TMapTile& tile = Map.TileVisuals[t];
  EXPECT_EQ(tile.FogMasks[0], 30);        // hidden all around
  EXPECT_EQ(tile.FogMasks[1], MaskFull);  // and itself fading by the fraction
  ASSERT_NE(tile.FogSprite, nullptr);
  EXPECT_FLOAT_EQ(tile.FogSprite->Color.A, 0.75f);
  EXPECT_EQ(Tile(4, 3).FogMasks[0], MaskFull);  // a hidden neighbour stays covered
  EXPECT_EQ(Tile(4, 3).FogMasks[1], MaskNone);
  EXPECT_EQ(Tile(1, 1).RevealState, 0);

  avatar->Timer = 0.5f;
  Map.Update();
  Map.Render(true);
  EXPECT_FLOAT_EQ(tile.FogSprite->Color.A, 0.5f);

  // The reveal ends: the tile is revealed for good.
  avatar->State = StateIdle;
  Map.Update();
  Map.Render(true);
  EXPECT_EQ(Map.RevealingSite, nullptr);
  EXPECT_EQ(tile.RevealState, 2);
  EXPECT_EQ(tile.FogMasks[1], MaskNone);
  avatar->Site = nullptr;
}

TEST_F(MapControl, PlotsFadeInAndOutOverOneSecond) {
  auto* figure = new TFigure("G2FigTree");
  figure->Loaded = true;
  figure->Width = 40;
  figure->Height = 80;
  Figures()->Insert(figure, true);
  TPlotData plot;
  plot.Figure = figure;
  plot.X = 100;
  plot.Y = -50.4f;
  plot.Visible = false;
  Region->Map->Plots = {plot, plot};
  Region->Map->Plots[1].Visible = true;
  Region->Map->Plots[1].Layer = 1;
  Map.RevealAll();
  Map.SetRegion(Region.get());
  TPlotVisual& hidden = Map.PlotVisuals[0];
  TPlotVisual& shown = Map.PlotVisuals[1];
  EXPECT_EQ(hidden.State, 0);
  EXPECT_EQ(shown.State, 2);
  Map.Render(true);
  EXPECT_EQ(hidden.Sprite, nullptr);
  ASSERT_NE(shown.Sprite, nullptr);
  EXPECT_EQ(shown.Sprite->Order, MapOrderUpperPlots - 50);
  EXPECT_FLOAT_EQ(shown.Sprite->Color.A, 1);

  Region->Map->Plots[0].Visible = true;
  Region->Map->Plots[1].Visible = false;
  std::vector<float> in;
  std::vector<float> out;
  for (int i = 0; i < 22; ++i) {
    Map.Render(true);
    in.push_back(hidden.Alpha);
    out.push_back(shown.Alpha);
  }
  // The first frame starts the fade; 20 frames of 0.05 s later it is complete.
  EXPECT_FLOAT_EQ(in[0], 0);
  EXPECT_EQ(hidden.State, 2);
  EXPECT_NEAR(in[10], 0.5f, 1e-4f);
  EXPECT_FLOAT_EQ(in[21], 1);
  ASSERT_NE(hidden.Sprite, nullptr);
  EXPECT_EQ(hidden.Sprite->Order, MapOrderGroundPlots - 50);
  EXPECT_FLOAT_EQ(out[0], 1);
  EXPECT_NEAR(out[10], 0.5f, 1e-4f);
  EXPECT_EQ(shown.State, 0);
  EXPECT_EQ(shown.Sprite, nullptr);
}

TEST_F(MapControl, AnAmbientSoundOfModeOnePlaysEachTimeItsPlotAppears) {
  TTempDir dir;
  MakeDirs(dir / "Ordinary");
  SetFolderPath(TFolderKind::Ordinary, dir / "Ordinary/");
  WriteFile(dir / "Ordinary/K1Gull.wav", EncodeWave(std::vector<int16_t>(4800, 1000), 1, 48000));
  SetSoundClock(TSoundClock::Manual, 48000);
  AudioStartup();
  auto* gull = new TSound("K1Gull");
  Sounds()->Insert(gull, true);
  TPlotData plot;
  plot.Sound = gull;
  plot.ParamA = 1;
  plot.Visible = true;
  Region->Map->Plots = {plot};
  Map.RevealAll();
  Map.SetRegion(Region.get());
  // Sources are reclaimed only by the audio update, which never runs here: each play stays counted.
  const int32_t before = SourceCount();
  for (int i = 0; i < 10; ++i) Map.Render(true);
  EXPECT_EQ(SourceCount(), before + 1);
  Region->Map->Plots[0].Visible = false;
  for (int i = 0; i < 30; ++i) Map.Render(true);
  EXPECT_EQ(Map.PlotVisuals[0].State, 0);
  EXPECT_EQ(SourceCount(), before + 1);
  Region->Map->Plots[0].Visible = true;
  for (int i = 0; i < 10; ++i) Map.Render(true);
  EXPECT_EQ(SourceCount(), before + 2);
  Map.Render(false);
  AudioShutdown();
  SetSoundClock(TSoundClock::Device);
}

TEST_F(MapControl, HidingTheControlReleasesEverySprite) {
  Map.SetRegion(Region.get());
  Map.Render(true);
  const int32_t onMap = Map.MapCanvas->Sprites->GetCount();
  EXPECT_EQ(onMap, MapTileCount + 1);  // all hidden: one fog sprite per tile, and the tiles' picture
  EXPECT_EQ(Map.TileCanvas->Sprites->GetCount(), 0);
  EXPECT_NE(Map.ViewSprite, nullptr);
  EXPECT_EQ(Map.ViewSprite->GetTexture(0), Map.MapCanvas->Target.get());
  Map.Render(false);
  EXPECT_EQ(Map.MapCanvas->Sprites->GetCount(), 0);
  EXPECT_EQ(Map.ViewSprite, nullptr);
}

TEST_F(MapControl, TheTilesPictureIsDrawnAgainOnlyAfterATileChanged) {
  Map.RevealAll();
  Show();
  ASSERT_NE(Map.TileCanvas, nullptr);
  EXPECT_TRUE(Map.TileCanvas->KeepPicture);
  EXPECT_EQ(Tile(6, 7).BaseSprite->Canvas, Map.TileCanvas);
  ASSERT_NE(Map.TileSprite, nullptr);
  EXPECT_EQ(Map.TileSprite->GetTexture(0), Map.TileCanvas->Target.get());
  ASSERT_TRUE(RenderFrame(nullptr));
  EXPECT_TRUE(Map.TileCanvas->PictureValid);
  // A frame without changes leaves the tiles' canvas alone: only the map and screen draw.
  const int64_t first = GfxStats().Draw;
  ASSERT_TRUE(RenderFrame(nullptr));
  const int64_t steady = GfxStats().Draw - first;
  Map.Render(true);
  ASSERT_TRUE(RenderFrame(nullptr));
  EXPECT_EQ(GfxStats().Draw - first - steady, steady);
  // Hiding one tile draws the tiles again, once.
  Tile(3, 3).SetRevealState(0);
  Map.Render(true);
  EXPECT_FALSE(Map.TileCanvas->PictureValid);
  const int64_t before = GfxStats().Draw;
  ASSERT_TRUE(RenderFrame(nullptr));
  EXPECT_GT(GfxStats().Draw - before, steady + MapTileCount - 2);
  EXPECT_TRUE(Map.TileCanvas->PictureValid);
}

// ---- The play form ----------------------------------------------------------------------------

const std::string PlayScenario = R"(
start-region Town
map-region World
legend {
  g G2T2Grass
  r G2T4Rock
  ~ none G2W1Sea
}
prop Coin 1 Property initial 0 caption PropCoin
region World 2 {
  site ToTown 201 {
    at -360 240
    icon 3
    keep-after-visit
    destination Town
    special way-back
  }
}
region Town 3 {
  caption RegionTown
)" + TownTiles + R"(  site Quay 301 {
    caption SiteQuay
    at 120 180
    icon 0
    mark-until-visited
    reveal {
      .............
      .............
      .............
      .............
      .............
      ......xxx....
      ....xxxxxxx..
      ....xxxxxxx..
      .............
      .............
      .............
      .............
      .............
      .............
      .............
    }
    scene 3011 Floating reward {
      gain Coin 1
    }
  }
  site Shop 302 {
    at -240 -380
    icon 7
    keep-after-visit
    needs-visited Quay
    scene 3021 Requirements 1 {
      need Coin 2
    }
  }
}
)";

class PlayForm : public ::testing::Test {
 protected:
  void SetUp() override {
    StartScreensModel();
    InstallPoolTextureLoader();
    InstallPoolEffectLoader();
    GuiStartup();
    InstallScreenHooks();
    RegisterScreens();
  }
  void TearDown() override {
    ClearScreenHooks();
    StopScreensModel();
  }
  TGuiFormPlay* ShowPlay() {
    ShowForm(gui::FormPlay);
    auto* form = static_cast<TGuiFormPlay*>(CurrentForm());
    EXPECT_NE(form, nullptr);
    EXPECT_EQ(form->Name, "Play");
    return form;
  }
  TGuiControlSite* SiteControl(TGuiForm* Form, const std::string& Name) {
    return static_cast<TGuiControlSite*>(Form->FindControl(Name));
  }
  static void Click(TGuiForm* Form, TGuiControl* Control) {
    ASSERT_NE(Control, nullptr);
    ASSERT_TRUE(Control->Usable()) << Control->Name;
    Control->OnClick();
    Form->Sender = Control;
    Form->OnClick();
  }
  TSite* Site(const char* Name) {
    for (TItem* r : *Regions()) {
      if (auto* s = static_cast<TSite*>(static_cast<TRegion*>(r)->Sites->Find(Name))) return s;
    }
    return nullptr;
  }

  TVideoTestEnv Env;
};

TEST_F(PlayForm, ShowBuildsTheMapTheSitesAndTheIconsInTheirCorners) {
  LoadScenarioSource("play", PlayScenario);
  TGuiFormPlay* form = ShowPlay();
  ASSERT_NE(form->MapControl, nullptr);
  EXPECT_EQ(form->MapControl->Region, CurrentRegion());
  EXPECT_EQ(form->MapControl->Layer, -100);
  EXPECT_TRUE(VectorsEqual(form->MapControl->Size, Vector(1560, 860)));
  EXPECT_FALSE(form->MapOpen);
  EXPECT_EQ(form->FindControl("Undo"), nullptr);  // no debug mode
  TGuiControlSite* quay = SiteControl(form, "Quay");
  ASSERT_NE(quay, nullptr);
  EXPECT_EQ(quay->Group, "SiteControl");
  EXPECT_EQ(quay->Layer, -40);
  EXPECT_EQ(quay->HintTextKey, "SiteQuay");
  EXPECT_EQ(SiteControl(form, "Shop")->HintTextKey, "");
  EXPECT_EQ(form->KeyControls[KeySlotCancel], form->ExitIcon);
  EXPECT_EQ(form->KeyControls[KeySlotMap], form->MapIcon);
  EXPECT_EQ(form->ExitIcon->ParamF, 3);
  EXPECT_EQ(form->MapIcon->HintTextKey, "HintMap1");
  // Before the slide: all icons at their corners, disabled.
  EXPECT_TRUE(VectorsEqual(form->ExitIcon->ScreenCenter(), Vector(770, -420)));
  EXPECT_TRUE(VectorsEqual(form->InventoryIcon->ScreenCenter(), Vector(-770, 420)));
  EXPECT_FALSE(form->ExitIcon->Enabled);
  EXPECT_FLOAT_EQ(SiteEmphasis(), 0);
}

TEST_F(PlayForm, IconsSlideInWhenIdleOutUnderADialogAndLockedOnesStayPut) {
  LoadScenarioSource("play", PlayScenario);
  Unlock(Buttons::Hint);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  RunFrames(12);
  EXPECT_FLOAT_EQ(form->IconsShown, 1);
  EXPECT_TRUE(form->ExitIcon->Enabled);
  EXPECT_TRUE(VectorsEqual(form->ExitIcon->ScreenCenter(), Vector(740, -390)));
  EXPECT_TRUE(form->HintIcon->Enabled);
  EXPECT_TRUE(VectorsEqual(form->HintIcon->ScreenCenter(), Vector(740, 390)));
  // Locked: at the corner without the slide, disabled.
  EXPECT_FALSE(form->MapIcon->Enabled);
  EXPECT_TRUE(VectorsEqual(form->MapIcon->ScreenCenter(), Vector(-770, -420)));
  EXPECT_FALSE(form->InventoryIcon->Enabled);
  EXPECT_NEAR(SiteEmphasis(), 1, 1e-5f);
  TGuiControlSite* quay = SiteControl(form, "Quay");
  EXPECT_TRUE(quay->Visible);
  EXPECT_NEAR(quay->Alpha, 1, 1e-5f);

  // A dialog takes the input: icons slide out and go disabled, the markers dim to 0.4.
  ShowDialog(gui::DialogMessageCustom, {.MessageKey = "Copyright"});
  RunFrames(3);
  EXPECT_LT(form->IconsShown, 1);
  RunFrames(20);
  EXPECT_FLOAT_EQ(form->IconsShown, 0);
  EXPECT_FALSE(form->ExitIcon->Enabled);
  EXPECT_FALSE(form->HintIcon->Enabled);
  EXPECT_TRUE(VectorsEqual(form->ExitIcon->ScreenCenter(), Vector(770, -420)));
  EXPECT_NEAR(SiteEmphasis(), 0.4f, 1e-5f);
  EXPECT_NEAR(quay->Alpha, 0.4f, 1e-5f);
}

TEST_F(PlayForm, SiteMarkersHitACircleAndShowTheirRequirementBadge) {
  LoadScenarioSource("play", PlayScenario);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  TGuiControlSite* quay = SiteControl(form, "Quay");
  ASSERT_TRUE(quay->Visible);
  EXPECT_TRUE(VectorsEqual(quay->ScreenCenter(), Vector(120, 180)));
  EXPECT_TRUE(quay->Main);
  EXPECT_NE(quay->MainEffect, nullptr);
  const TVector c = Sub(quay->ScreenCenter(), quay->Origin);
  EXPECT_TRUE(quay->HitTest(Vector(c.X + 29, c.Y)));
  EXPECT_TRUE(quay->HitTest(Vector(c.X + 20, c.Y - 20)));
  // Just inside the box's corner, outside the circle of radius 30.
  EXPECT_FALSE(quay->HitTest(Vector(c.X + 28, c.Y + 28)));
  EXPECT_FALSE(quay->HitTest(Vector(c.X + 31, c.Y)));

  // The shop needs the quay visited, then 2 coins (the quay gives 1).
  TGuiControlSite* shop = SiteControl(form, "Shop");
  EXPECT_FALSE(shop->Visible);
  RunFrames(12);
  Click(form, quay);
  SettleAvatar();
  RunFrames(30);
  SettleAvatar();
  EXPECT_FALSE(quay->Visible);  // completed, not kept
  ASSERT_TRUE(shop->Visible);
  ASSERT_NE(shop->PendingScene, nullptr);
  EXPECT_FALSE(shop->PendingMet);
  ASSERT_NE(shop->BadgeSprite, nullptr);
  EXPECT_EQ(shop->BadgeSprite->GetSegment(0), 10);
  EXPECT_FLOAT_EQ(shop->BadgeSprite->Color.R, 1);
  EXPECT_FLOAT_EQ(shop->BadgeSprite->Color.G, 0);
  EXPECT_FLOAT_EQ(shop->BadgeSprite->Position.X, shop->IconSprite->Position.X + 6.5f);
  EXPECT_FLOAT_EQ(shop->BadgeSprite->Position.Y, shop->IconSprite->Position.Y - 17);
  static_cast<TProp*>(Props()->First())->Amount = 2;
  RunFrames(1);
  EXPECT_TRUE(shop->PendingMet);
  EXPECT_EQ(shop->BadgeSprite->GetSegment(0), 11);
  EXPECT_FLOAT_EQ(shop->BadgeSprite->Color.G, 1);
  // The icon bobs by at most two units above the base.
  float low = 1e9f;
  float high = -1e9f;
  for (int i = 0; i < 30; ++i) {
    RunFrames(1);
    low = std::min(low, shop->IconSprite->Position.Y);
    high = std::max(high, shop->IconSprite->Position.Y);
  }
  EXPECT_NEAR(high, -380, 1e-3f);
  EXPECT_NEAR(low, -382, 0.1f);
}

TEST_F(PlayForm, ARevealedSiteFadesInWithTheTimerAndHidesWhileTheHeroIsInside) {
  LoadScenarioSource("play", PlayScenario);
  TGuiFormPlay* form = ShowPlay();
  TGuiControlSite* quay = SiteControl(form, "Quay");
  TAvatar* avatar = Avatar();
  std::vector<float> fade;
  for (int i = 0; i < 400 && avatar->State != StateIdle; ++i) {
    RunFrames(1);
    if (avatar->State == StateRevealing && avatar->Site == Site("Quay")) {
      ASSERT_TRUE(quay->Visible);
      EXPECT_NEAR(quay->Alpha, SiteEmphasis() * avatar->Timer, 1e-5f);
      fade.push_back(avatar->Timer);
    }
  }
  ASSERT_GE(fade.size(), 3u);  // the opening reveal of the quay took several frames
  EXPECT_LT(fade.front(), fade.back());
  RunFrames(12);
  Click(form, quay);
  RunFrames(1);
  ASSERT_GE(avatar->State, StateEntering);
  EXPECT_FALSE(quay->Visible);
  EXPECT_EQ(quay->IconSprite, nullptr);
}

TEST_F(PlayForm, ArrowOnAnIconDisablesTheMarkersAndPointerNineRecommendsASite) {
  LoadScenarioSource("play", PlayScenario);
  Unlock(Buttons::Inventory);
  SetPointer(Pointers::InventoryIcon);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  RunFrames(12);
  EXPECT_EQ(form->RecommendedControl, form->InventoryIcon);
  EXPECT_EQ(form->RecommendedSide, 1);
  EXPECT_NEAR(SiteEmphasis(), 0.4f, 1e-5f);
  TGuiControlSite* quay = SiteControl(form, "Quay");
  EXPECT_TRUE(quay->Visible);
  EXPECT_FALSE(quay->Enabled);

  SetPointer(Pointers::Sites);
  RunFrames(1);
  EXPECT_EQ(form->RecommendedControl, quay);
  EXPECT_EQ(form->RecommendedSide, 0);
  EXPECT_TRUE(quay->Enabled);
  SetPointer(Pointers::Nothing);
  RunFrames(2);
  EXPECT_EQ(form->RecommendedControl, nullptr);
  EXPECT_TRUE(quay->Enabled);
}

TEST_F(PlayForm, ExitIconAnswersCancelOnlyWhileEnabledAndLeadsToTheMenu) {
  LoadScenarioSource("play", PlayScenario);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  TGuiInputFrame input;
  SetGuiInputOverride(&input);
  const auto press = [&] {
    input.Down[1] = true;
    RunFrames(1);
    input.WasDown[1] = true;
    input.Down[1] = false;
    RunFrames(1);
    input.WasDown[1] = false;
  };
  // Freshly shown, the icons have not slid in yet: Cancel does nothing.
  ShowForm("");
  form = ShowPlay();
  ASSERT_FALSE(form->ExitIcon->Enabled);
  press();
  RunFrames(10);
  EXPECT_EQ(TopDialog(), nullptr);
  RunFrames(12);
  ASSERT_TRUE(form->ExitIcon->Enabled);
  press();
  RunFrames(10);
  TGuiDialog* query = TopDialog();
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(query->Name, "QueryCustom");
  EXPECT_EQ(query->MessageKey, "QueryExitToMenu");
  ASSERT_TRUE(query->OnDone);
  query->OnDone();
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFade));
  EXPECT_EQ(PendingForm(), FindForm(gui::FormMenu));  // none until the menu exists
}

TEST_F(PlayForm, MapIconTravelsToTheWorldMapOnlyWhileTheAvatarIsIdle) {
  LoadScenarioSource("play", PlayScenario);
  Unlock(Buttons::Map);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  RunFrames(12);
  const int32_t events = CurrentPlayer()->Events->GetCount();
  Avatar()->State = StateEntering;
  RunFrames(0);
  form->MapIcon->Enabled = true;
  Click(form, form->MapIcon);
  EXPECT_EQ(CurrentPlayer()->Events->GetCount(), events);
  EXPECT_EQ(RunningTransition(), nullptr);
  Avatar()->State = StateIdle;
  RunFrames(12);
  Click(form, form->MapIcon);
  EXPECT_EQ(CurrentPlayer()->Events->GetCount(), events + 1);
  EXPECT_EQ(RunningTransition(), FindTransition(gui::TransitionFade));
  RunFrames(30);
  form = static_cast<TGuiFormPlay*>(CurrentForm());
  ASSERT_EQ(form, FindForm(gui::FormPlay));
  EXPECT_EQ(CurrentRegion(), MapRegion());
  EXPECT_TRUE(form->MapOpen);
  EXPECT_EQ(form->MapIcon->HintTextKey, "HintMap2");
  // World-map mode: no fog anywhere.
  RunFrames(1);
  for (const TMapTile& t : form->MapControl->TileVisuals) EXPECT_EQ(t.FogSprite, nullptr);
  SettleAvatar();
  RunFrames(12);
  Click(form, form->MapIcon);
  RunFrames(30);
  EXPECT_EQ(CurrentRegion()->Name, "Town");
}

TEST_F(PlayForm, DebugUndoTakesBackTheLastVisit) {
  SetDebugMode(true);
  GuiShutdown();
  GuiStartup();
  InstallScreenHooks();
  RegisterScreens();
  LoadScenarioSource("play", PlayScenario);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  RunFrames(12);
  TGuiControl* undo = form->FindControl("Undo");
  ASSERT_NE(undo, nullptr);
  EXPECT_EQ(undo->Text, "UNDO");
  EXPECT_EQ(undo->Layer, 1010);
  EXPECT_TRUE(undo->Visible);
  Click(form, SiteControl(form, "Quay"));
  SettleAvatar();
  ASSERT_EQ(Site("Quay")->Count, 1);
  RunFrames(12);
  Click(form, form->FindControl("Undo"));
  EXPECT_EQ(Site("Quay")->Count, 0);
  EXPECT_EQ(CurrentForm(), FindForm(gui::FormPlay));
  EXPECT_NE(static_cast<TGuiFormPlay*>(CurrentForm())->MapControl, nullptr);
  SetDebugMode(false);
}

TEST_F(PlayForm, ExecutionEffectsCommandReachesTheMap) {
  LoadScenarioSource("play", PlayScenario);
  TGuiFormPlay* form = ShowPlay();
  SettleAvatar();
  TSite* quay = Site("Quay");
  ASSERT_NE(quay, nullptr);
  auto* scene = static_cast<TScene*>(quay->Scenes->First());
  auto* effector = new TEffector("E1Sparkle");
  Effectors()->Insert(effector, true);
  scene->Effector = effector;
  const int32_t performers = PerformerCount();
  SendCommand(gui::FormPlay, gui::CommandPlaySceneExecutionEffects, scene);
  EXPECT_EQ(PerformerCount(), performers + 1);
  SendCommand(gui::FormPlay, "SomethingElse", scene);
  EXPECT_EQ(PerformerCount(), performers + 1);
  scene->Effector = nullptr;
  (void)form;
}

}  // namespace
}  // namespace tv::test
