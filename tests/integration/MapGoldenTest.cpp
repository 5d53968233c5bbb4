// Golden pictures of the map control on real OpenGL: a test region whose terrains, water and fog
// give every mask of the table, drawn with test textures made here (each mask segment shows the
// edges and corners its directions stand for), with a fixed frame time and seed.
//
// Regenerate on purpose, after checking the new pictures by eye:
//   TV_UPDATE_GOLDENS=1 build/tests/test_integration --gtest_filter='MapGolden*'
// A picture that differs is written to build/golden-actual/NAME.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/AppGame.h"
#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineEffects.h"
#include "game/GameAvatar.h"
#include "game/GamePool.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameSite.h"
#include "game/gui/GameGuiControlMap.h"
#include "platform/PlatformWindow.h"
#include "support/GoldenSupport.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

constexpr int32_t CellW = 120;
constexpr int32_t CellH = 60;

uint32_t Mix(uint32_t Argb, float Shade) {
  const auto ch = [&](int Shift) {
    return static_cast<uint32_t>(std::clamp(static_cast<float>((Argb >> Shift) & 0xFF) * Shade, 0.0f, 255.0f)) << Shift;
  };
  return 0xFF000000u | ch(16) | ch(8) | ch(0);
}

// Rgba bytes of a picture made cell by cell.
template <class F>
std::vector<uint8_t> Picture(int32_t W, int32_t H, F Pixel) {
  std::vector<uint8_t> bytes(static_cast<size_t>(W) * static_cast<size_t>(H) * 4);
  for (int32_t y = 0; y < H; ++y) {
    for (int32_t x = 0; x < W; ++x) {
      const uint32_t argb = Pixel(x, y);
      const float a = static_cast<float>(argb >> 24) / 255.0f;
      uint8_t* p = &bytes[(static_cast<size_t>(y) * static_cast<size_t>(W) + static_cast<size_t>(x)) * 4];
      // Stored unpremultiplied; the loader premultiplies.
      p[0] = static_cast<uint8_t>((argb >> 16) & 0xFF);
      p[1] = static_cast<uint8_t>((argb >> 8) & 0xFF);
      p[2] = static_cast<uint8_t>(argb & 0xFF);
      p[3] = static_cast<uint8_t>(std::lround(a * 255));
    }
  }
  return bytes;
}

std::string GridSegments(int32_t Columns, int32_t Rows) {
  std::string s = "SEGMENTS " + std::to_string(Columns * Rows) + "\n";
  for (int32_t i = 0; i < Columns * Rows; ++i) {
    s += "SEGMENT " + std::to_string(i) + " " + std::to_string((i % Columns) * CellW) + " " +
         std::to_string((i / Columns) * CellH) + " " + std::to_string(CellW) + " " + std::to_string(CellH) + "\n";
  }
  return s;
}

// The alpha of a mask whose directions are Bits at (u, v) inside its cell: each edge covers a
// band of 35 % with a soft inner edge, each corner a quarter disc.
float MaskAlpha(uint8_t Bits, float U, float V) {
  const auto band = [](float D) { return std::clamp((0.35f - D) / 0.15f, 0.0f, 1.0f); };
  const auto corner = [](float Du, float Dv) { return std::clamp((0.45f - std::hypot(Du, Dv)) / 0.15f, 0.0f, 1.0f); };
  float a = 0;
  if ((Bits & 0x80) != 0) a = std::max(a, band(V));
  if ((Bits & 0x20) != 0) a = std::max(a, band(1 - U));
  if ((Bits & 0x08) != 0) a = std::max(a, band(1 - V));
  if ((Bits & 0x02) != 0) a = std::max(a, band(U));
  if ((Bits & 0x40) != 0) a = std::max(a, corner(1 - U, V));
  if ((Bits & 0x10) != 0) a = std::max(a, corner(1 - U, 1 - V));
  if ((Bits & 0x04) != 0) a = std::max(a, corner(U, 1 - V));
  if ((Bits & 0x01) != 0) a = std::max(a, corner(U, V));
  return a;
}

void MakeData(const test::TVideoTestEnv& Env) {
  // G2Mask: 10 x 5 cells; a listed segment draws the directions it stands for, 35 covers all.
  uint8_t bitsOf[50] = {};
  for (int32_t b = 255; b >= 0; --b) {
    const int32_t s = MaskSegment(static_cast<uint8_t>(b));
    if (s != MaskNone) bitsOf[s] = static_cast<uint8_t>(b);
  }
  WritePngRgba(Env.Ordinary("G2Mask.png"), 10 * CellW, 5 * CellH,
               Picture(10 * CellW, 5 * CellH, [&](int32_t x, int32_t y) -> uint32_t {
                 const int32_t s = (y / CellH) * 10 + x / CellW;
                 const float u = (static_cast<float>(x % CellW) + 0.5f) / CellW;
                 const float v = (static_cast<float>(y % CellH) + 0.5f) / CellH;
                 float a = s == MaskFull ? 1.0f : (s == MaskNone ? 0.0f : MaskAlpha(bitsOf[s], u, v));
                 return static_cast<uint32_t>(std::lround(a * 255)) << 24 | 0xFFFFFF;
               }));
  test::WriteFile(Env.Ordinary("G2Mask.tsg"), GridSegments(10, 5));
  // Terrains and waters: 4 x 4 pattern cells of one colour, shaded by the pattern and dotted.
  const struct {
    const char* Name;
    uint32_t Color;
  } grounds[] = {{"G2T1Sand", 0xFFE8D090},
                 {"G2T2Grass", 0xFF58A048},
                 {"G2T3Forest", 0xFF246030},
                 {"G2T4Rock", 0xFF888078},
                 {"G2W1Sea", 0xFF2850C0}};
  for (const auto& g : grounds) {
    const uint32_t color = g.Color;
    WritePngRgba(Env.Ordinary(std::string(g.Name) + ".png"), 4 * CellW, 4 * CellH,
                 Picture(4 * CellW, 4 * CellH, [color](int32_t x, int32_t y) -> uint32_t {
                   const int32_t pattern = (y / CellH) * 4 + x / CellW;
                   float shade = 0.85f + 0.02f * static_cast<float>(pattern);
                   if ((x % 24 == 5 && y % 12 == 3) || (x % 24 == 17 && y % 12 == 9)) shade *= 0.7f;
                   return Mix(color, shade);
                 }));
    test::WriteFile(Env.Ordinary(std::string(g.Name) + ".tsg"), GridSegments(4, 4));
  }
  // The parchment under the fog: one cell per tile, with a faint grid.
  WritePngRgba(Env.Ordinary("G2BackgroundMap.png"), 13 * CellW, 15 * CellH,
               Picture(13 * CellW, 15 * CellH, [](int32_t x, int32_t y) -> uint32_t {
                 const bool line = x % CellW == 0 || y % CellH == 0;
                 return Mix(0xFFD8C8A0, line ? 0.8f : 1.0f - 0.0002f * static_cast<float>(x + y));
               }));
  test::WriteFile(Env.Ordinary("G2BackgroundMap.tsg"), GridSegments(13, 15));
  // A map fog without emitters, so that the picture does not depend on particles.
  TEffectFile fog;
  fog.Area = {1560, 860};
  test::WriteFile(Env.Ordinary("G2MapFog.emt"), WriteEffectFile(fog));
}

// Terrain letters of the test region: patches of four terrains with single tiles, pairs, rings
// and corners of each other, and a sea with an island, a bay and a channel.
const char* const Rows[MapGridRows] = {
    "4444333222111", "4344333212111", "4444332222141", "2223332111111", "2123222212121",
    "2222111111111", "1111114111333", "1341111111313", "1111122211333", "1111121211111",
    "111SSS222SSSS", "11SSSSS2SS3SS", "1SS1SSSSSS3SS", "SSSSSSS1SSSSS", "SSSSSSSSSSSSS",
};

class MapGolden : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(PlatformOpenWindow("test", error)) << error;
    Env = std::make_unique<test::TVideoTestEnv>(960, 540, TGfxBackend::OpenGL);
    ASSERT_TRUE(VideoStarted());
    MakeData(*Env);
    InitTimer();
    SetFixedFrameTime(1.0 / 60);
    UpdateTimer();
    SeedRandom(7);
    EffectsStartup();
    CreatePool();
    CreateScenario();
    InstallPoolTextureLoader();
    const char* names[] = {"G2T1Sand", "G2T2Grass", "G2T3Forest", "G2T4Rock"};
    for (const char* n : names) Terrains()->Insert(new TTerrain(n), true);
    auto* sea = new TWater("G2W1Sea");
    Waters()->Insert(sea, true);
    Region = std::make_unique<TRegion>("Golden");
    for (int32_t r = 0; r < MapGridRows; ++r) {
      for (int32_t c = 0; c < MapGridColumns; ++c) {
        const char ch = Rows[r][c];
        TTile& tile = Region->Map->Tiles[r * MapGridColumns + c];
        if (ch == 'S') {
          tile.Water = sea;
        } else {
          tile.Terrain = static_cast<TTerrain*>(Terrains()->Find(names[ch - '1']));
        }
      }
    }
    // Four sites, each uncovering a patch; two of them are revealed.
    const int32_t patches[4][4] = {{1, 1, 5, 4}, {7, 8, 11, 12}, {2, 9, 5, 13}, {8, 2, 11, 5}};
    for (int32_t i = 0; i < 4; ++i) {
      auto* site = new TSite("Site" + std::to_string(i));
      for (int32_t r = patches[i][1]; r <= patches[i][3]; ++r) {
        for (int32_t c = patches[i][0]; c <= patches[i][2]; ++c) {
          if ((r + c + i) % 7 == 0) continue;  // ragged borders
          const int32_t t = r * MapGridColumns + c;
          site->RevealTiles[t / 8] = static_cast<uint8_t>(site->RevealTiles[t / 8] | (1 << (t % 8)));
        }
      }
      site->Revealed = i < 2;
      Region->Sites->Insert(site, false);
    }
    Map = std::make_unique<TGuiControlMap>();
    Map->Size = Vector(1560, 860);
    Map->Canvas = MainCanvas();
    Map->AfterCreate();
    Map->SetRegion(Region.get());
  }
  void TearDown() override {
    if (TAvatar* avatar = Avatar()) avatar->Site = nullptr;
    if (Map) Map->BeforeDestroy();
    Map.reset();
    Region.reset();
    DestroyScenario();
    DestroyPool();
    EffectsShutdown();
    Env.reset();
    PlatformCloseWindow();
  }

  void Check(const std::string& Name) {
    Map->Update();
    Map->Render(true);
    std::vector<uint8_t> frame;
    int32_t w = 0;
    int32_t h = 0;
    ASSERT_TRUE(test::RenderAndReadBack(frame, w, h));
    ASSERT_FALSE(frame.empty());
    // The shot goes beside the other actual pictures; the shared comparison reads it from there.
    const std::string dir = std::string(TV_BIN_DIR) + "/../golden-shots";
    test::MakeDirs(dir);
    const std::string shot = dir + "/" + Name + ".png";
    ASSERT_TRUE(WritePngRgba(shot, w, h, frame));
    test::CheckGolden(Name, shot);
  }

  std::unique_ptr<test::TVideoTestEnv> Env;
  std::unique_ptr<TRegion> Region;
  std::unique_ptr<TGuiControlMap> Map;
};

TEST_F(MapGolden, WorldMapMode) {
  Map->RevealAll();
  Check("map_world");
}

TEST_F(MapGolden, RegionModeWithHalfTheSitesRevealed) {
  Map->RevealVisited();
  Check("map_region");
}

TEST_F(MapGolden, MidRevealAtTimerHalf) {
  Map->RevealVisited();
  TAvatar* avatar = Avatar();
  avatar->State = StateRevealing;
  avatar->Site = static_cast<TSite*>(Region->Sites->GetItem(4));
  avatar->Timer = 0.5f;
  Check("map_reveal");
  avatar->State = StateIdle;
}

}  // namespace
}  // namespace tv
