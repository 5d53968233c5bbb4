// "art": the procedural pictures of the game's data, drawn from a fixed seed so that every build
// makes the same bytes. Each command writes OUT.png and, beside it, OUT.tsg with the segments the
// screens draw.
//
//   art terrain KIND   a 480 x 240 sheet that tiles seamlessly, cut into 16 cells of 120 x 60
//                      (4 columns x 4 rows); neighbouring map tiles show neighbouring cells, so
//                      the sheet continues across tiles. KIND: sand grass forest rock marsh path,
//                      and the waters sea shallows river pond.
//   art parchment      the hidden map: a 1560 x 900 sheet of parchment, 195 cells of 120 x 60
//                      (13 columns x 15 rows), cell = row x 13 + column.
//   art paper          a plain parchment for dialog backgrounds (1600 x 900, one segment).
//   art seabed         the picture under a region's tiles: deep water seen from above (1560 x 860).
//   art mask           the blending masks of the map: segment s is opaque along the edges and
//                      corners that the direction bits of s touch, fading towards the tile's middle.
//   art particles      the white particle shapes that the effects tint (16 cells of 64 x 64).
//
// Light falls from the top left everywhere (see content/ART.md).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "game/gui/GameGuiControlMap.h"
#include "platform/PlatformImage.h"
#include "tools/ToolBakeOutput.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunArt(const TArgs& Args);

const TToolCommand ArtCommand = {"art", "terrain KIND|parchment|paper|seabed|mask|particles [--seed N] -o OUT.png",
                                 "draws a procedural picture of the game's data with its segments file OUT.tsg",
                                 RunArt};
TV_TOOL_COMMAND(ArtCommand);

struct TColor {
  float R = 0;
  float G = 0;
  float B = 0;
  float A = 1;
};

TColor Mix(const TColor& A, const TColor& B, float T) {
  T = std::clamp(T, 0.0f, 1.0f);
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T, A.A + (B.A - A.A) * T};
}

TColor Scale(const TColor& C, float K) { return {C.R * K, C.G * K, C.B * K, C.A}; }

TColor Hex(uint32_t Rgb) {
  return {static_cast<float>((Rgb >> 16) & 255) / 255.0f, static_cast<float>((Rgb >> 8) & 255) / 255.0f,
          static_cast<float>(Rgb & 255) / 255.0f, 1.0f};
}

float Smooth(float E0, float E1, float X) {
  const float t = std::clamp((X - E0) / (E1 - E0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

struct TPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<TColor> Pixels;

  TPicture(int32_t W, int32_t H) : Width(W), Height(H), Pixels(static_cast<size_t>(W) * static_cast<size_t>(H)) {}
  TColor& At(int32_t X, int32_t Y) {
    return Pixels[static_cast<size_t>(Y) * static_cast<size_t>(Width) + static_cast<size_t>(X)];
  }

  bool Write(const std::string& Path) const {
    std::vector<uint8_t> rgba(Pixels.size() * 4);
    auto byte = [](float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    for (size_t i = 0; i < Pixels.size(); ++i) {
      const TColor& c = Pixels[i];
      // A fully transparent pixel keeps no colour, so nothing can bleed out of it.
      const bool clear = byte(c.A) == 0;
      rgba[4 * i] = clear ? 0 : byte(c.R);
      rgba[4 * i + 1] = clear ? 0 : byte(c.G);
      rgba[4 * i + 2] = clear ? 0 : byte(c.B);
      rgba[4 * i + 3] = byte(c.A);
    }
    return WritePngRgba(Path, Width, Height, rgba);
  }
};

// Random numbers from integer coordinates: the same inputs give the same value on every machine.
uint32_t Hash(int32_t X, int32_t Y, uint32_t Seed) {
  uint32_t h = Seed * 0x9E3779B9u ^ static_cast<uint32_t>(X) * 0x85EBCA6Bu ^ static_cast<uint32_t>(Y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float Random01(int32_t X, int32_t Y, uint32_t Seed) {
  return static_cast<float>(Hash(X, Y, Seed) & 0xFFFFFF) / 16777216.0f;
}

int32_t Wrap(int32_t V, int32_t Period) { return ((V % Period) + Period) % Period; }

// Value noise on a lattice of PeriodX x PeriodY cells that repeats after one period; X and Y in
// lattice units.
float PeriodicNoise(float X, float Y, int32_t PeriodX, int32_t PeriodY, uint32_t Seed) {
  const float fx = std::floor(X);
  const float fy = std::floor(Y);
  const auto ix = static_cast<int32_t>(fx);
  const auto iy = static_cast<int32_t>(fy);
  float tx = X - fx;
  float ty = Y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto v = [&](int32_t dx, int32_t dy) { return Random01(Wrap(ix + dx, PeriodX), Wrap(iy + dy, PeriodY), Seed); };
  const float a = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
  const float b = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
  return a + (b - a) * ty;
}

// Fractal noise over a W x H picture that repeats with the picture: the coarsest octave has
// CellsX x CellsY lattice cells, each further octave twice as many. Result about 0..1.
float Fbm(float X, float Y, int32_t W, int32_t H, int32_t CellsX, int32_t CellsY, int32_t Octaves, uint32_t Seed) {
  float sum = 0;
  float weight = 0.5f;
  float total = 0;
  for (int32_t o = 0; o < Octaves; ++o) {
    const int32_t cx = CellsX << o;
    const int32_t cy = CellsY << o;
    sum += weight * PeriodicNoise(X * static_cast<float>(cx) / static_cast<float>(W),
                                  Y * static_cast<float>(cy) / static_cast<float>(H), cx, cy,
                                  Seed + static_cast<uint32_t>(o) * 101u);
    total += weight;
    weight *= 0.5f;
  }
  return sum / total;
}

// Cellular noise repeating with the picture: one feature point in each of CellsX x CellsY cells.
// Gives the nearest and second-nearest distances (pixels) and the nearest point's cell id and
// its offset from the pixel.
struct TCell {
  float F1 = 1e9f;
  float F2 = 1e9f;
  uint32_t Id = 0;
  float Dx = 0;
  float Dy = 0;
};

TCell Cellular(float X, float Y, int32_t W, int32_t H, int32_t CellsX, int32_t CellsY, uint32_t Seed) {
  const float cw = static_cast<float>(W) / static_cast<float>(CellsX);
  const float ch = static_cast<float>(H) / static_cast<float>(CellsY);
  const auto cx = static_cast<int32_t>(std::floor(X / cw));
  const auto cy = static_cast<int32_t>(std::floor(Y / ch));
  TCell r;
  for (int32_t dy = -1; dy <= 1; ++dy) {
    for (int32_t dx = -1; dx <= 1; ++dx) {
      const int32_t gx = cx + dx;
      const int32_t gy = cy + dy;
      const int32_t wx = Wrap(gx, CellsX);
      const int32_t wy = Wrap(gy, CellsY);
      const float px = (static_cast<float>(gx) + 0.15f + 0.7f * Random01(wx, wy, Seed)) * cw;
      const float py = (static_cast<float>(gy) + 0.15f + 0.7f * Random01(wx, wy, Seed + 7u)) * ch;
      const float d = std::hypot(X - px, Y - py);
      if (d < r.F1) {
        r.F2 = r.F1;
        r.F1 = d;
        r.Id = Hash(wx, wy, Seed + 13u);
        r.Dx = X - px;
        r.Dy = Y - py;
      } else if (d < r.F2) {
        r.F2 = d;
      }
    }
  }
  return r;
}

float IdRandom(uint32_t Id, uint32_t Salt) { return Random01(static_cast<int32_t>(Id & 0x7FFFFFFF), 17, Salt); }

// --- terrains and waters -----------------------------------------------------------------------

constexpr int32_t SheetW = 480;
constexpr int32_t SheetH = 240;

// Soft canopies of trees seen from above, lit from the top left; the highest canopy wins.
TColor Forest(float X, float Y, uint32_t Seed) {
  const TColor ground = Hex(0x2F4A1C);
  TColor best = Mix(ground, Hex(0x3E5A22), Fbm(X, Y, SheetW, SheetH, 8, 4, 4, Seed));
  float bestHeight = 0;
  for (int32_t layer = 0; layer < 2; ++layer) {
    const TCell c = Cellular(X, Y, SheetW, SheetH, 16, 8, Seed + 31u * static_cast<uint32_t>(layer + 1));
    const float radius = 13.0f + 7.0f * IdRandom(c.Id, 3);
    // Canopy edges are lobed, not round.
    const float angle = std::atan2(c.Dy, c.Dx);
    const float lobes = 1.0f + 0.12f * std::sin(angle * 5.0f + 6.0f * IdRandom(c.Id, 5));
    const float d = c.F1 / (radius * lobes);
    if (d >= 1.0f) continue;
    const float height = (1.0f - d * d) * (0.8f + 0.4f * IdRandom(c.Id, 9)) + 0.05f * static_cast<float>(layer);
    if (height <= bestHeight) continue;
    bestHeight = height;
    const float light = std::clamp(0.62f + 0.55f * (-c.Dx - c.Dy) / (radius * 1.41f), 0.3f, 1.15f);
    TColor leaf = Mix(Hex(0x3B6B25), Hex(0x5C8A2E), IdRandom(c.Id, 11));
    const float grain = Fbm(X, Y, SheetW, SheetH, 32, 16, 3, Seed + 77u);
    leaf = Scale(leaf, light * (0.85f + 0.3f * grain));
    // An inked rim where the canopy meets the ground.
    best = Mix(leaf, Hex(0x1E2E12), Smooth(0.82f, 1.0f, d));
  }
  return best;
}

TColor Terrain(const std::string& Kind, float X, float Y, uint32_t Seed) {
  const float broad = Fbm(X, Y, SheetW, SheetH, 4, 2, 5, Seed);
  const float fine = Fbm(X, Y, SheetW, SheetH, 32, 16, 3, Seed + 1000u);
  const float speck = Random01(static_cast<int32_t>(X), static_cast<int32_t>(Y), Seed + 55u);
  if (Kind == "sand") {
    TColor c = Mix(Hex(0xD9BD82), Hex(0xEBD5A0), broad);
    // Wind ripples, bent by the broad noise.
    const float ripple = std::sin((Y * 0.9f + X * 0.15f + broad * 40.0f) * 6.2831853f / 12.0f);
    c = Scale(c, 0.96f + 0.05f * ripple + 0.08f * (fine - 0.5f));
    if (speck > 0.985f) c = Scale(c, 0.8f);
    return c;
  }
  if (Kind == "grass") {
    TColor c = Mix(Hex(0x6E9A3C), Hex(0x8DB04E), broad);
    const float tufts = Fbm(X, Y * 2.0f, SheetW, SheetH * 2, 24, 24, 2, Seed + 9u);
    c = Scale(c, 0.88f + 0.22f * tufts + 0.1f * (fine - 0.5f));
    if (speck > 0.992f) c = Hex(0xE8D66A);  // a few flowers
    return c;
  }
  if (Kind == "forest") return Forest(X, Y, Seed);
  if (Kind == "rock") {
    const TCell c = Cellular(X, Y, SheetW, SheetH, 12, 6, Seed);
    TColor stone = Mix(Hex(0x8A8174), Hex(0xA89F8E), IdRandom(c.Id, 2));
    // Each stone is lit from the top left: brighter towards that side of its cell.
    const float light = 0.9f + 0.25f * std::clamp((-c.Dx - c.Dy) / 40.0f, -1.0f, 1.0f);
    stone = Scale(stone, light * (0.85f + 0.3f * fine));
    const float crack = Smooth(0.0f, 3.5f, c.F2 - c.F1);
    return Mix(Hex(0x4A443C), stone, crack);
  }
  if (Kind == "marsh") {
    TColor c = Mix(Hex(0x6B7440), Hex(0x858A4E), broad);
    c = Scale(c, 0.9f + 0.2f * fine);
    // Small pools of standing water with a pale rim on their lit side.
    const float wet = Fbm(X, Y, SheetW, SheetH, 16, 8, 3, Seed + 3u);
    const float pool = Smooth(0.67f, 0.71f, wet);
    c = Mix(c, Hex(0x4F6E5E), pool * 0.85f);
    const float rim = Smooth(0.63f, 0.67f, wet) * (1 - pool);
    c = Mix(c, Hex(0x9AA060), rim * 0.6f);
    // Tufts of reeds: three short strokes fanning out from a foot.
    const TCell t = Cellular(X, Y, SheetW, SheetH, 24, 12, Seed + 21u);
    if (IdRandom(t.Id, 8) < 0.55f && t.Dy > -7.0f && t.Dy < 0.5f && pool < 0.5f) {
      const float up = std::max(0.0f, -t.Dy);
      for (float lean : {-0.6f, 0.0f, 0.6f}) {
        if (std::fabs(t.Dx - lean * up) < 0.65f) c = Hex(0x3D4526);
      }
    }
    return c;
  }
  if (Kind == "path") {
    TColor c = Mix(Hex(0xA98458), Hex(0xC19A68), broad);
    c = Scale(c, 0.9f + 0.2f * fine);
    const TCell p = Cellular(X, Y, SheetW, SheetH, 24, 12, Seed + 5u);
    if (IdRandom(p.Id, 6) < 0.45f && p.F1 < 1.8f + 1.4f * IdRandom(p.Id, 4)) {
      const float light = std::clamp(1.0f + (-p.Dx - p.Dy) / 5.0f, 0.6f, 1.3f);
      c = Scale(Hex(0x9C968A), light);
    }
    return c;
  }
  // Waters: bands of light on the surface, bent by the noise.
  struct TWaterLook {
    uint32_t Deep;
    uint32_t Light;
    float Waves;
  };
  TWaterLook look{0x2C5F7A, 0x3F7E96, 1.0f};
  if (Kind == "shallows") look = {0x4D9AA0, 0x76BDB5, 0.7f};
  if (Kind == "river") look = {0x3A7090, 0x5592AC, 0.8f};
  if (Kind == "pond") look = {0x35624F, 0x4D7F66, 0.4f};
  TColor c = Mix(Hex(look.Deep), Hex(look.Light), broad);
  const float bend = Fbm(X, Y, SheetW, SheetH, 8, 4, 3, Seed + 8u);
  const float band = std::sin((Y + bend * 30.0f) * 6.2831853f / 20.0f + X * 6.2831853f * 2.0f / SheetW);
  const float crest = Smooth(0.86f, 0.97f, band) * Smooth(0.45f, 0.7f, fine);
  return Mix(c, Hex(0xD8EEF0), crest * 0.55f * look.Waves);
}

bool IsTerrainKind(const std::string& Kind) {
  static const char* const Kinds[] = {"sand", "grass", "forest",   "rock",  "marsh",
                                      "path", "sea",   "shallows", "river", "pond"};
  return std::any_of(std::begin(Kinds), std::end(Kinds), [&](const char* k) { return Kind == k; });
}

// --- parchment ---------------------------------------------------------------------------------

TColor Parchment(float X, float Y, int32_t W, int32_t H, uint32_t Seed, bool Chart) {
  const float broad = Fbm(X, Y, W, H, 3, 2, 6, Seed);
  const float fibre = Fbm(X, Y, W, H, 20, 90, 2, Seed + 40u);
  TColor c = Mix(Hex(0xD2B98C), Hex(0xF2E4C2), Smooth(0.2f, 0.8f, broad));
  c = Scale(c, 0.95f + 0.08f * fibre);
  // Tea-coloured stains.
  const float stain = Fbm(X, Y, W, H, 6, 4, 4, Seed + 90u);
  c = Mix(c, Hex(0xB99866), Smooth(0.62f, 0.75f, stain) * 0.35f);
  // Edges darkened by handling.
  const float ex = std::min(X, static_cast<float>(W) - X) / static_cast<float>(W);
  const float ey = std::min(Y, static_cast<float>(H) - Y) / static_cast<float>(H);
  const float edge = 1.0f - Smooth(0.0f, 0.12f, std::min(ex, ey * 0.6f));
  c = Mix(c, Hex(0x9C7A4C), edge * 0.5f);
  if (!Chart) return c;
  // A sea chart's rhumb lines: sixteen faint inked rays from two compass points, and a rose
  // drawn round each.
  const float centres[2][2] = {{0.3f, 0.38f}, {0.74f, 0.66f}};
  float ink = 0;
  for (const auto& centre : centres) {
    const float dx = X - centre[0] * static_cast<float>(W);
    const float dy = Y - centre[1] * static_cast<float>(H);
    const float r = std::hypot(dx, dy);
    const float step = 6.2831853f / 16.0f;
    const float angle = std::atan2(dy, dx);
    const float nearest = std::round(angle / step) * step;
    const float off = r * std::fabs(std::sin(angle - nearest));
    ink = std::max(ink, (1 - Smooth(0.3f, 1.1f, off)) * Smooth(40.0f, 70.0f, r) * 0.18f);
    ink = std::max(ink, (1 - Smooth(0.4f, 1.3f, std::fabs(r - 36.0f))) * 0.45f);
    ink = std::max(ink, (1 - Smooth(0.3f, 1.0f, std::fabs(r - 30.0f))) * 0.3f);
    // The rose's four long points.
    const float quarter = std::round(angle / 1.5707963f) * 1.5707963f;
    const float along = r * std::cos(angle - quarter);
    const float across = r * std::fabs(std::sin(angle - quarter));
    if (along < 34.0f && across < 6.0f * (1 - along / 34.0f)) ink = std::max(ink, 0.35f);
  }
  return Mix(c, Hex(0x4A3420), ink);
}

// --- masks -------------------------------------------------------------------------------------

// The mask of each segment covers the edges and corners named by its direction bits
// (DirectionBits, MaskEntries); the map blends its tiles with them.
constexpr int32_t TileW = 120;
constexpr int32_t TileH = 60;

// Coverage of the mask with the given bits at a point of the tile (U, V in 0..1). Edges fade with
// the distance from their side, corners with the distance from their corner, so that a corner's
// fade along a side equals the fade of the edge across it and neighbouring tiles meet.
float MaskCoverage(uint8_t Bits, float U, float V, uint32_t Seed) {
  // The wobble repeats with the tile, so it is the same on both sides of a shared edge.
  const float wobble = (Fbm(U * TileW, V * TileH, TileW, TileH, 3, 2, 3, Seed) - 0.5f) * 0.3f;
  float d = 1e9f;
  if (Bits & 0x80) d = std::min(d, V);
  if (Bits & 0x20) d = std::min(d, 1 - U);
  if (Bits & 0x08) d = std::min(d, 1 - V);
  if (Bits & 0x02) d = std::min(d, U);
  if (Bits & 0x40) d = std::min(d, std::hypot(1 - U, V));
  if (Bits & 0x10) d = std::min(d, std::hypot(1 - U, 1 - V));
  if (Bits & 0x04) d = std::min(d, std::hypot(U, 1 - V));
  if (Bits & 0x01) d = std::min(d, std::hypot(U, V));
  // Exactly opaque on the touched sides, whatever the wobble.
  const float edgeWeight = Smooth(0.0f, 0.12f, d);
  return 1.0f - Smooth(0.14f, 0.5f, d + wobble * edgeWeight);
}

// --- particles ---------------------------------------------------------------------------------

constexpr int32_t ParticleCell = 64;

// Alpha of particle shape S at a point of its cell (X, Y in -1..1, y down).
float ParticleAlpha(int32_t S, float X, float Y, uint32_t Seed) {
  const float r = std::hypot(X, Y);
  const float a = std::atan2(Y, X);
  switch (S) {
    case 0:  // small hard dot
      return 1 - Smooth(0.45f, 0.6f, r);
    case 1:  // thin ring
      return 1 - Smooth(0.04f, 0.1f, std::fabs(r - 0.8f));
    case 2:  // soft halo ring
      return std::pow(1 - Smooth(0.0f, 0.3f, std::fabs(r - 0.65f)), 2.0f);
    case 3: {  // four-pointed spark with a soft heart
      const float star = std::max(0.0f, 1 - std::fabs(X) * 9.0f - std::fabs(Y) * 1.1f);
      const float star2 = std::max(0.0f, 1 - std::fabs(Y) * 9.0f - std::fabs(X) * 1.1f);
      return std::clamp(std::max(star, star2) + std::pow(std::max(0.0f, 1 - r * 2.2f), 2.0f), 0.0f, 1.0f);
    }
    case 4: {  // wisp of cloud
      const float n = Fbm((X + 1) * 32, (Y + 1) * 32, 64, 64, 4, 4, 4, Seed);
      return std::clamp((1 - Smooth(0.2f, 1.0f, r)) * (0.4f + 1.2f * n) - 0.15f, 0.0f, 1.0f);
    }
    case 5: {  // smoke puff
      const float n = Fbm((X + 1) * 32, (Y + 1) * 32, 64, 64, 3, 3, 3, Seed + 5u);
      return std::clamp((1 - Smooth(0.3f, 0.95f, r + 0.25f * (n - 0.5f))) * 0.9f, 0.0f, 1.0f);
    }
    case 6: {  // leaf
      const float w = 0.38f * std::sqrt(std::max(0.0f, 1 - X * X));
      return (1 - Smooth(w - 0.06f, w, std::fabs(Y))) * (1 - Smooth(0.88f, 0.95f, std::fabs(X)));
    }
    case 7:  // streak of light
      return (1 - Smooth(0.0f, 0.12f, std::fabs(Y))) * (1 - Smooth(0.3f, 1.0f, std::fabs(X)));
    case 8:  // soft round glow
      return std::pow(std::max(0.0f, 1 - r), 2.0f);
    case 9: {  // flame: a round foot narrowing to a tip at the top
      float d;
      if (Y >= 0.3f)
        d = std::hypot(X, Y - 0.3f) - 0.45f;
      else
        d = std::fabs(X) - 0.45f * std::max(0.0f, (Y + 0.9f) / 1.2f);
      return 1 - Smooth(-0.04f, 0.04f, d);
    }
    case 10: {  // gull seen from afar: two arcs
      const float side = std::fabs(X);
      const float arc = std::fabs(Y + 0.25f - 0.9f * (side - 0.45f) * (side - 0.45f) * 2.0f + 0.35f);
      return (1 - Smooth(0.05f, 0.11f, arc)) * (1 - Smooth(0.8f, 0.9f, side));
    }
    case 11:  // ripple: a flat ellipse ring
      return 1 - Smooth(0.04f, 0.1f, std::fabs(std::hypot(X, Y * 2.2f) - 0.8f));
    case 12:  // firefly: a bright core in a glow
      return std::clamp((1 - Smooth(0.1f, 0.18f, r)) + 0.5f * std::pow(std::max(0.0f, 1 - r), 3.0f), 0.0f, 1.0f);
    case 13:  // bubble
      return std::clamp((1 - Smooth(0.05f, 0.1f, std::fabs(r - 0.75f))) +
                            0.7f * (1 - Smooth(0.0f, 0.15f, std::hypot(X + 0.3f, Y + 0.3f))),
                        0.0f, 1.0f);
    case 14: {  // diagonal shine band
      const float t = (X + Y) * 0.7071f;
      return (1 - Smooth(0.05f, 0.35f, std::fabs(t))) * (1 - Smooth(0.7f, 1.0f, r));
    }
    default: {  // 15: a long bank of mist
      const float n = Fbm((X + 1) * 32, (Y + 1) * 32, 64, 64, 4, 2, 4, Seed + 9u);
      const float shape = 1 - Smooth(0.45f, 1.0f, std::hypot(X / 0.95f, Y / 0.45f));
      (void)a;
      return std::clamp(shape * (0.3f + 0.9f * n), 0.0f, 1.0f);
    }
  }
}

// --- output ------------------------------------------------------------------------------------

struct TRect {
  int32_t X, Y, W, H;
};

bool WriteSegments(const std::string& Path, const std::vector<TRect>& Segments) {
  std::ofstream out(Path, std::ios::trunc);
  out << "SEGMENTS " << Segments.size() << "\n";
  for (size_t i = 0; i < Segments.size(); ++i) {
    const TRect& s = Segments[i];
    out << "SEGMENT " << i << " " << s.X << " " << s.Y << " " << s.W << " " << s.H << "\n";
  }
  return static_cast<bool>(out);
}

std::vector<TRect> Grid(int32_t Columns, int32_t Rows, int32_t W, int32_t H, int32_t Pitch = 0) {
  std::vector<TRect> cells;
  for (int32_t r = 0; r < Rows; ++r) {
    for (int32_t c = 0; c < Columns; ++c)
      cells.push_back({c * (W + Pitch) + Pitch / 2, r * (H + Pitch) + Pitch / 2, W, H});
  }
  return cells;
}

void Fill(TPicture& P, const std::function<TColor(float, float)>& F) {
  for (int32_t y = 0; y < P.Height; ++y) {
    for (int32_t x = 0; x < P.Width; ++x) P.At(x, y) = F(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
  }
}

int RunArt(const TArgs& Args) {
  std::string kind;
  std::string variant;
  std::string output;
  int32_t seed = 1;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    if (a == "-o" && i + 1 < Args.size()) {
      output = Args[++i];
    } else if (a == "--seed" && i + 1 < Args.size()) {
      if (!ParseIntOption(Args[++i], 0, 1 << 30, seed)) return UsageError(ArtCommand, "--seed needs a number");
    } else if (!a.empty() && a[0] == '-') {
      return UsageError(ArtCommand, "unknown option \"" + a + "\"");
    } else if (kind.empty()) {
      kind = a;
    } else if (variant.empty()) {
      variant = a;
    } else {
      return UsageError(ArtCommand, "unexpected \"" + a + "\"");
    }
  }
  if (kind.empty() || output.empty()) return UsageError(ArtCommand, "needs a kind and -o");
  const auto s = static_cast<uint32_t>(seed);
  const std::string segmentsPath = output.substr(0, output.rfind('.')) + ".tsg";
  std::vector<TRect> segments;
  TPicture picture(1, 1);
  if (kind == "terrain") {
    if (!IsTerrainKind(variant)) return UsageError(ArtCommand, "unknown terrain \"" + variant + "\"");
    picture = TPicture(SheetW, SheetH);
    Fill(picture, [&](float x, float y) { return Terrain(variant, x, y, s); });
    segments = Grid(4, 4, TileW, TileH);
  } else if (kind == "parchment") {
    picture = TPicture(13 * TileW, 15 * TileH);
    Fill(picture, [&](float x, float y) { return Parchment(x, y, picture.Width, picture.Height, s, true); });
    segments = Grid(13, 15, TileW, TileH);
  } else if (kind == "paper") {
    picture = TPicture(1600, 900);
    Fill(picture, [&](float x, float y) { return Parchment(x, y, 1600, 900, s, false); });
    segments = {{0, 0, 1600, 900}};
  } else if (kind == "seabed") {
    picture = TPicture(1560, 860);
    Fill(picture, [&](float x, float y) {
      // Smooth depth only, so the picture stays small on disk.
      const float d = std::hypot((x - 780.0f) / 1560.0f, (y - 430.0f) / 860.0f);
      return Mix(Hex(0x336A80), Hex(0x1F4A63), Smooth(0.1f, 0.7f, d));
    });
    segments = {{0, 0, 1560, 860}};
  } else if (kind == "mask") {
    // Cells of 120 x 60 with a 2-pixel gutter that repeats each cell's border pixels, so that
    // filtering at a tile's edge never reads a neighbouring cell.
    constexpr int32_t Gutter = 2;
    constexpr int32_t Columns = 10;
    const int32_t rows = (MaskSegments + Columns - 1) / Columns;
    picture = TPicture(Columns * (TileW + 2 * Gutter), rows * (TileH + 2 * Gutter));
    std::array<int32_t, MaskSegments> bitsOf{};
    bitsOf.fill(-1);
    for (const TMaskEntry& e : MaskEntries()) bitsOf[static_cast<size_t>(e.Segment)] = e.Bits;
    for (int32_t seg = 0; seg < MaskSegments; ++seg) {
      const int32_t ox = (seg % Columns) * (TileW + 2 * Gutter);
      const int32_t oy = (seg / Columns) * (TileH + 2 * Gutter);
      segments.push_back({ox + Gutter, oy + Gutter, TileW, TileH});
      for (int32_t y = 0; y < TileH + 2 * Gutter; ++y) {
        for (int32_t x = 0; x < TileW + 2 * Gutter; ++x) {
          const float u = (static_cast<float>(std::clamp(x - Gutter, 0, TileW - 1)) + 0.5f) / TileW;
          const float v = (static_cast<float>(std::clamp(y - Gutter, 0, TileH - 1)) + 0.5f) / TileH;
          float alpha = 0;
          if (seg == MaskFull)
            alpha = 1;
          else if (bitsOf[static_cast<size_t>(seg)] >= 0)
            alpha = MaskCoverage(static_cast<uint8_t>(bitsOf[static_cast<size_t>(seg)]), u, v, s);
          picture.At(ox + x, oy + y) = {1, 1, 1, alpha};
        }
      }
    }
    // MaskNone and every unused segment stay empty: "no mask".
  } else if (kind == "particles") {
    picture = TPicture(4 * ParticleCell, 4 * ParticleCell);
    segments = Grid(4, 4, ParticleCell, ParticleCell);
    for (int32_t seg = 0; seg < 16; ++seg) {
      const TRect& r = segments[static_cast<size_t>(seg)];
      for (int32_t y = 0; y < r.H; ++y) {
        for (int32_t x = 0; x < r.W; ++x) {
          // The outermost pixels stay clear so that neighbouring shapes never bleed in.
          const float fx = (static_cast<float>(x) + 0.5f) / (r.W / 2.0f) - 1.0f;
          const float fy = (static_cast<float>(y) + 0.5f) / (r.H / 2.0f) - 1.0f;
          const bool rim = x == 0 || y == 0 || x == r.W - 1 || y == r.H - 1;
          const float alpha = rim ? 0.0f : std::clamp(ParticleAlpha(seg, fx * 1.04f, fy * 1.04f, s), 0.0f, 1.0f);
          picture.At(r.X + x, r.Y + y) = {1, 1, 1, alpha};
        }
      }
    }
  } else {
    return UsageError(ArtCommand, "unknown kind \"" + kind + "\"");
  }
  if (!picture.Write(output) || !WriteSegments(segmentsPath, segments)) {
    std::fprintf(stderr, "tolvaren-tool art: cannot write \"%s\"\n", output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace tv::tool
