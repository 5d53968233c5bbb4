// "icons bake": draws the icon texture that texts show inline and screens use as badges.
//
// Every icon is a square cell as tall as the font cells, drawn from vector shapes (signed
// distance functions, so edges are antialiased exactly): white shapes with a dark border, to be
// tinted by the sprite that shows them. Segment i is icon i; segment 0 is empty.
//   1 volume down, 2 volume up, 3 sound on, 4 achievements, 5 about, 6 previous, 7 next,
//   8 sound off, 9 inventory, 10 cancel (red-cross badge), 11 accept (green-tick badge),
//   12 barter, 13 exit, 14 hint, 15 map.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/PlatformSystem.h"
#include "tools/ToolBakeOutput.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

// Shapes are given in a unit cell (0..1 both ways, y down); distances are in cell units,
// negative inside.
struct P {
  float X;
  float Y;
};

float Len(float X, float Y) { return std::sqrt(X * X + Y * Y); }

float SegmentDistance(P p, P a, P b) {
  const float bx = b.X - a.X;
  const float by = b.Y - a.Y;
  const float px = p.X - a.X;
  const float py = p.Y - a.Y;
  const float h = std::clamp((px * bx + py * by) / (bx * bx + by * by), 0.0f, 1.0f);
  return Len(px - bx * h, py - by * h);
}

float Circle(P p, P c, float r) { return Len(p.X - c.X, p.Y - c.Y) - r; }
float Ring(P p, P c, float r, float t) { return std::fabs(Circle(p, c, r)) - t; }
float Capsule(P p, P a, P b, float r) { return SegmentDistance(p, a, b) - r; }

float Box(P p, P c, P half, float round = 0) {
  const float dx = std::fabs(p.X - c.X) - (half.X - round);
  const float dy = std::fabs(p.Y - c.Y) - (half.Y - round);
  return Len(std::max(dx, 0.0f), std::max(dy, 0.0f)) + std::min(std::max(dx, dy), 0.0f) - round;
}

float Polygon(P p, std::initializer_list<P> points) {
  const std::vector<P> v(points);
  float d = 1e9f;
  bool inside = false;
  for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    d = std::min(d, SegmentDistance(p, v[j], v[i]));
    if ((v[i].Y > p.Y) != (v[j].Y > p.Y) && p.X < (v[j].X - v[i].X) * (p.Y - v[i].Y) / (v[j].Y - v[i].Y) + v[i].X) {
      inside = !inside;
    }
  }
  return inside ? -d : d;
}

float Union(std::initializer_list<float> d) { return std::min(d); }
float Cut(float a, float b) { return std::max(a, -b); }
float Clip(float a, float b) { return std::max(a, b); }

float Speaker(P p) {
  return Polygon(p, {{0.10f, 0.38f}, {0.27f, 0.38f}, {0.48f, 0.18f}, {0.48f, 0.82f}, {0.27f, 0.62f}, {0.10f, 0.62f}});
}
float Minus(P p) { return Capsule(p, {0.62f, 0.5f}, {0.88f, 0.5f}, 0.055f); }

float Star(P p) {
  std::vector<P> v;
  for (int i = 0; i < 10; ++i) {
    const float angle = static_cast<float>(i) * 3.14159265f / 5.0f;
    const float r = (i % 2 == 0) ? 0.44f : 0.19f;
    v.push_back({0.5f + r * std::sin(angle), 0.54f - r * std::cos(angle)});
  }
  return Polygon(p, {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]});
}

float Arrow(P p, bool Right, float Y, float From, float To) {
  const float tip = Right ? To : From;
  const float base = Right ? To - 0.22f : From + 0.22f;
  return Union({Capsule(p, {Right ? From : base, Y}, {Right ? base : To, Y}, 0.065f),
                Polygon(p, {{tip, Y}, {base, Y - 0.18f}, {base, Y + 0.18f}})});
}

float Icon(int Index, P p) {
  switch (Index) {
    case 1: return Union({Speaker(p), Minus(p)});
    case 2: return Union({Speaker(p), Minus(p), Capsule(p, {0.75f, 0.37f}, {0.75f, 0.63f}, 0.055f)});
    case 3:
      return Union({Speaker(p), Clip(Ring(p, {0.46f, 0.5f}, 0.17f, 0.045f), 0.56f - p.X),
                    Clip(Ring(p, {0.46f, 0.5f}, 0.33f, 0.045f), 0.58f - p.X)});
    case 4: return Star(p);
    case 5:
      return Cut(Circle(p, {0.5f, 0.5f}, 0.42f),
                 Union({Circle(p, {0.5f, 0.29f}, 0.07f), Capsule(p, {0.5f, 0.46f}, {0.5f, 0.74f}, 0.06f)}));
    case 6: return Arrow(p, false, 0.5f, 0.1f, 0.88f);
    case 7: return Arrow(p, true, 0.5f, 0.12f, 0.9f);
    case 8:
      return Union({Speaker(p), Capsule(p, {0.62f, 0.38f}, {0.86f, 0.62f}, 0.05f),
                    Capsule(p, {0.86f, 0.38f}, {0.62f, 0.62f}, 0.05f)});
    case 9:
      return Union({Cut(Box(p, {0.5f, 0.63f}, {0.4f, 0.26f}, 0.09f), Box(p, {0.5f, 0.56f}, {0.42f, 0.025f})),
                    Clip(Ring(p, {0.5f, 0.37f}, 0.15f, 0.045f), p.Y - 0.38f)});
    case 10:
      return Union(
          {Capsule(p, {0.22f, 0.22f}, {0.78f, 0.78f}, 0.09f), Capsule(p, {0.78f, 0.22f}, {0.22f, 0.78f}, 0.09f)});
    case 11:
      return Union(
          {Capsule(p, {0.17f, 0.53f}, {0.40f, 0.76f}, 0.09f), Capsule(p, {0.40f, 0.76f}, {0.84f, 0.24f}, 0.09f)});
    case 12: return Union({Arrow(p, true, 0.32f, 0.12f, 0.9f), Arrow(p, false, 0.68f, 0.1f, 0.88f)});
    case 13:
      return Union({Cut(std::fabs(Box(p, {0.34f, 0.5f}, {0.22f, 0.38f})) - 0.05f, Box(p, {0.56f, 0.5f}, {0.1f, 0.15f})),
                    Arrow(p, true, 0.5f, 0.36f, 0.94f)});
    case 14:
      return Union({Circle(p, {0.5f, 0.38f}, 0.27f), Box(p, {0.5f, 0.7f}, {0.13f, 0.1f}),
                    Capsule(p, {0.42f, 0.86f}, {0.58f, 0.86f}, 0.04f)});
    case 15:
      return Cut(Polygon(p, {{0.08f, 0.22f},
                             {0.36f, 0.11f},
                             {0.64f, 0.22f},
                             {0.92f, 0.11f},
                             {0.92f, 0.78f},
                             {0.64f, 0.89f},
                             {0.36f, 0.78f},
                             {0.08f, 0.89f}}),
                 Union({Capsule(p, {0.36f, 0.11f}, {0.36f, 0.78f}, 0.018f),
                        Capsule(p, {0.64f, 0.22f}, {0.64f, 0.89f}, 0.018f)}));
    default: return 1;  // empty
  }
}

constexpr int IconCount = 16;

int RunIconsBake(const TArgs& Args);
const TToolCommand& Command();

int RunIconsBake(const TArgs& Args) {
  std::string out;
  std::string name = "T2IconsCustom";
  int32_t height = 48;
  int32_t format = PackedFormatA8L8;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    if (i + 1 >= Args.size()) return UsageError(Command(), "missing value after " + a);
    const std::string& v = Args[++i];
    bool ok = true;
    if (a == "--out") {
      out = v;
    } else if (a == "--name") {
      name = v;
    } else if (a == "--height") {
      ok = ParseIntOption(v, 8, 512, height);
    } else if (a == "--format") {
      ok = v == "a8" || v == "a8l8";
      format = v == "a8" ? PackedFormatA8 : PackedFormatA8L8;
    } else {
      return UsageError(Command(), "unknown option " + a);
    }
    if (!ok) return UsageError(Command(), "bad value for " + a + ": " + v);
  }
  if (out.empty()) return UsageError(Command(), "--out is required");
  if (!MakeDirectory(out)) {
    std::fprintf(stderr, "icons bake: cannot make folder %s\n", out.c_str());
    return 1;
  }
  const auto size = static_cast<float>(height);
  const float border = std::max(1.5f, size / 24.0f);  // the dark rim, in pixels
  TBakedPicture picture;
  picture.Resize(IconCount * (height + 1), height);
  std::vector<TBakedSegment> segments;
  for (int icon = 0; icon < IconCount; ++icon) {
    const int32_t left = icon * (height + 1);
    segments.push_back({left, 0, height, height});
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < height; ++x) {
        const P p{(static_cast<float>(x) + 0.5f) / size, (static_cast<float>(y) + 0.5f) / size};
        const float d = Icon(icon, p) * size;  // pixels
        const float fill = std::clamp(0.5f - d, 0.0f, 1.0f);
        const float rim = std::clamp(0.5f - (d - border), 0.0f, 1.0f) * 0.85f;
        picture.Set(left + x, y, fill, fill + rim * (1.0f - fill));
      }
    }
  }
  const std::string error = WriteBakedTexture(out, name, picture, format, segments);
  if (!error.empty()) {
    std::fprintf(stderr, "icons bake: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s: %d icons of %d x %d pixels\n", name.c_str(), IconCount, height, height);
  return 0;
}

const TToolCommand& Command() {
  static const TToolCommand command{"icons bake", "--out DIR [--name NAME] [--height PX] [--format a8|a8l8]",
                                    "draws the icon texture (.tpx, .tsg) that texts show inline", RunIconsBake};
  return command;
}

const bool Registered = RegisterToolCommand(Command());

}  // namespace
}  // namespace tv::tool
