// "art emoji": an atlas of icons drawn from a colour emoji font through FreeType, for the props,
// the site markers, the inventory headings and the achievements.
//
// The list file has one icon a line, "SEGMENT U+XXXX [tint RRGGBB]", "#" starting a comment.
// Segment i is the cell of icon i (cells in rows of 8); segments the list does not name stay
// empty. Every icon gets a dark ink rim so that it sits on parchment and on wood alike; the
// "medal" style lays it on a round brass medal (achievements).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/PlatformImage.h"
#include "tools/ToolBakeOutput.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunEmoji(const TArgs& Args);

const TToolCommand EmojiCommand = {"art emoji", "LIST --font TTF [--cell N] [--style outline|medal] -o OUT.png",
                                   "draws an icon atlas from a colour emoji font, with its segments file OUT.tsg",
                                   RunEmoji};
TV_TOOL_COMMAND(EmojiCommand);

constexpr int32_t Columns = 8;

// Premultiplied RGBA in floats.
struct TPx {
  float R = 0, G = 0, B = 0, A = 0;
};

struct TEntry {
  uint32_t Code = 0;
  bool Tinted = false;
  float Tint[3] = {1, 1, 1};
};

struct TFreeType {
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
  ~TFreeType() {
    if (Face != nullptr) FT_Done_Face(Face);
    if (Library != nullptr) FT_Done_FreeType(Library);
  }
};

// The glyph scaled into a Size x Size square (keeping its aspect, centred), premultiplied.
bool DrawGlyph(FT_Face Face, uint32_t Code, int32_t Size, std::vector<TPx>& Out) {
  const FT_UInt index = FT_Get_Char_Index(Face, Code);
  if (index == 0 || FT_Load_Glyph(Face, index, FT_LOAD_COLOR) != 0) return false;
  if (Face->glyph->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(Face->glyph, FT_RENDER_MODE_NORMAL) != 0)
    return false;
  const FT_Bitmap& b = Face->glyph->bitmap;
  if (b.pixel_mode != FT_PIXEL_MODE_BGRA || b.width == 0 || b.rows == 0) return false;
  const auto w = static_cast<float>(b.width);
  const auto h = static_cast<float>(b.rows);
  const float scale = static_cast<float>(Size) / std::max(w, h);
  const float ox = (static_cast<float>(Size) - w * scale) / 2;
  const float oy = (static_cast<float>(Size) - h * scale) / 2;
  Out.assign(static_cast<size_t>(Size) * static_cast<size_t>(Size), TPx{});
  // Area sampling: each target pixel averages the source pixels it covers (4 x 4 samples), in
  // premultiplied colour, so edges get no dark or bright fringe.
  for (int32_t y = 0; y < Size; ++y) {
    for (int32_t x = 0; x < Size; ++x) {
      TPx sum;
      for (int32_t sy = 0; sy < 4; ++sy) {
        for (int32_t sx = 0; sx < 4; ++sx) {
          const float fx = (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4 - ox) / scale;
          const float fy = (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4 - oy) / scale;
          if (fx < 0 || fy < 0 || fx >= w || fy >= h) continue;
          const uint8_t* p = b.buffer + static_cast<ptrdiff_t>(fy) * b.pitch + static_cast<ptrdiff_t>(fx) * 4;
          sum.B += p[0] / 255.0f;
          sum.G += p[1] / 255.0f;
          sum.R += p[2] / 255.0f;
          sum.A += p[3] / 255.0f;
        }
      }
      Out[static_cast<size_t>(y * Size + x)] = {sum.R / 16, sum.G / 16, sum.B / 16, sum.A / 16};
    }
  }
  return true;
}

TPx Over(const TPx& Under, const TPx& Top) {
  const float k = 1 - Top.A;
  return {Under.R * k + Top.R, Under.G * k + Top.G, Under.B * k + Top.B, Under.A * k + Top.A};
}

int RunEmoji(const TArgs& Args) {
  std::string list;
  std::string font;
  std::string output;
  std::string style = "outline";
  int32_t cell = 96;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    const bool hasValue = i + 1 < Args.size();
    if (a == "-o" && hasValue)
      output = Args[++i];
    else if (a == "--font" && hasValue)
      font = Args[++i];
    else if (a == "--style" && hasValue)
      style = Args[++i];
    else if (a == "--cell" && hasValue) {
      if (!ParseIntOption(Args[++i], 16, 512, cell)) return UsageError(EmojiCommand, "--cell needs 16 to 512");
    } else if (!a.empty() && a[0] == '-')
      return UsageError(EmojiCommand, "unknown option \"" + a + "\"");
    else if (list.empty())
      list = a;
    else
      return UsageError(EmojiCommand, "one list only");
  }
  if (list.empty() || font.empty() || output.empty()) return UsageError(EmojiCommand, "needs a list, --font and -o");
  if (style != "outline" && style != "medal") return UsageError(EmojiCommand, "--style is outline or medal");

  std::ifstream in(list);
  if (!in) {
    std::fprintf(stderr, "tolvaren-tool art emoji: cannot read \"%s\"\n", list.c_str());
    return 1;
  }
  std::map<int32_t, TEntry> entries;
  std::string line;
  int32_t lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    int32_t segment = 0;
    std::string code;
    if (!(words >> segment)) continue;
    TEntry e;
    if (!(words >> code) || code.rfind("U+", 0) != 0 || segment < 0 || segment > 1023) {
      std::fprintf(stderr, "%s:%d: expected \"SEGMENT U+XXXX\"\n", list.c_str(), lineNumber);
      return 1;
    }
    e.Code = static_cast<uint32_t>(std::strtoul(code.c_str() + 2, nullptr, 16));
    std::string word;
    if (words >> word && word == "tint" && words >> word && word.size() == 6) {
      const auto rgb = static_cast<uint32_t>(std::strtoul(word.c_str(), nullptr, 16));
      e.Tinted = true;
      e.Tint[0] = static_cast<float>((rgb >> 16) & 255) / 255.0f;
      e.Tint[1] = static_cast<float>((rgb >> 8) & 255) / 255.0f;
      e.Tint[2] = static_cast<float>(rgb & 255) / 255.0f;
    }
    entries[segment] = e;
  }
  if (entries.empty()) return UsageError(EmojiCommand, "the list names no icon");

  TFreeType ft;
  if (FT_Init_FreeType(&ft.Library) != 0 || FT_New_Face(ft.Library, font.c_str(), 0, &ft.Face) != 0) {
    std::fprintf(stderr, "tolvaren-tool art emoji: cannot open the font \"%s\"\n", font.c_str());
    return 1;
  }
  // Colour bitmap fonts come in fixed sizes: take the largest.
  if (ft.Face->num_fixed_sizes > 0)
    FT_Select_Size(ft.Face, ft.Face->num_fixed_sizes - 1);
  else
    FT_Set_Pixel_Sizes(ft.Face, 0, 128);

  const int32_t count = entries.rbegin()->first + 1;
  const int32_t columns = std::min(Columns, count);
  const int32_t rows = (count + Columns - 1) / Columns;
  const int32_t width = columns * cell;
  const int32_t height = rows * cell;
  std::vector<TPx> atlas(static_cast<size_t>(width) * static_cast<size_t>(height));
  const bool medal = style == "medal";
  // Room for the rim (and the medal) around the glyph; the outermost pixel of a cell stays clear.
  const int32_t inset = medal ? cell * 22 / 100 : std::max(3, cell / 14);
  const int32_t glyphSize = cell - 2 * inset;
  const float rim = std::max(1.5f, static_cast<float>(cell) / 40.0f);
  for (const auto& [segment, entry] : entries) {
    std::vector<TPx> glyph;
    if (!DrawGlyph(ft.Face, entry.Code, glyphSize, glyph)) {
      std::fprintf(stderr, "tolvaren-tool art emoji: the font has no picture for U+%04X\n", entry.Code);
      return 1;
    }
    if (entry.Tinted) {
      for (TPx& p : glyph) {
        const float l = 0.3f * p.R + 0.59f * p.G + 0.11f * p.B;
        p.R = std::min(p.A, l * entry.Tint[0] * 1.4f);
        p.G = std::min(p.A, l * entry.Tint[1] * 1.4f);
        p.B = std::min(p.A, l * entry.Tint[2] * 1.4f);
      }
    }
    const int32_t cx = (segment % Columns) * cell;
    const int32_t cy = (segment / Columns) * cell;
    const float centre = static_cast<float>(cell) / 2;
    for (int32_t y = 1; y < cell - 1; ++y) {
      for (int32_t x = 1; x < cell - 1; ++x) {
        TPx p;
        const float px = static_cast<float>(x) + 0.5f;
        const float py = static_cast<float>(y) + 0.5f;
        if (medal) {
          // A brass disc lit from the top left, with an inked edge.
          const float r = std::hypot(px - centre, py - centre) / (centre - 2);
          const float cover = std::clamp((1.0f - r) * (centre - 2), 0.0f, 1.0f);
          const float light = std::clamp(0.75f + 0.35f * ((centre - px) + (centre - py)) / centre, 0.4f, 1.2f);
          const float ring = r > 0.84f ? 0.7f : 1.0f;
          const float ink = r > 0.95f ? 0.25f : 1.0f;
          p = {0.78f * light * ring * ink * cover, 0.58f * light * ring * ink * cover,
               0.24f * light * ring * ink * cover, cover};
        }
        // The ink rim: the glyph's coverage widened by the rim width, in dark brown.
        const int32_t gx = x - inset;
        const int32_t gy = y - inset;
        float near = 0;
        const int32_t reach = static_cast<int32_t>(std::ceil(rim));
        for (int32_t dy = -reach; dy <= reach; ++dy) {
          for (int32_t dx = -reach; dx <= reach; ++dx) {
            const int32_t sx = gx + dx;
            const int32_t sy = gy + dy;
            if (sx < 0 || sy < 0 || sx >= glyphSize || sy >= glyphSize) continue;
            const float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
            const float weight = std::clamp(rim + 0.5f - d, 0.0f, 1.0f);
            near = std::max(near, glyph[static_cast<size_t>(sy * glyphSize + sx)].A * weight);
          }
        }
        p = Over(p, TPx{0.17f * near * 0.9f, 0.11f * near * 0.9f, 0.07f * near * 0.9f, near * 0.9f});
        if (gx >= 0 && gy >= 0 && gx < glyphSize && gy < glyphSize)
          p = Over(p, glyph[static_cast<size_t>(gy * glyphSize + gx)]);
        atlas[static_cast<size_t>((cy + y) * width + cx + x)] = p;
      }
    }
  }
  std::vector<uint8_t> rgba(atlas.size() * 4);
  for (size_t i = 0; i < atlas.size(); ++i) {
    const TPx& p = atlas[i];
    const float a = std::clamp(p.A, 0.0f, 1.0f);
    auto byte = [](float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    // The PNG holds straight colour; the packer premultiplies it again.
    rgba[4 * i] = a > 0 ? byte(p.R / a) : 0;
    rgba[4 * i + 1] = a > 0 ? byte(p.G / a) : 0;
    rgba[4 * i + 2] = a > 0 ? byte(p.B / a) : 0;
    rgba[4 * i + 3] = byte(a);
  }
  if (!WritePngRgba(output, width, height, rgba)) {
    std::fprintf(stderr, "tolvaren-tool art emoji: cannot write \"%s\"\n", output.c_str());
    return 1;
  }
  std::ofstream tsg(output.substr(0, output.rfind('.')) + ".tsg", std::ios::trunc);
  tsg << "SEGMENTS " << count << "\n";
  for (int32_t s = 0; s < count; ++s) {
    tsg << "SEGMENT " << s << " " << (s % Columns) * cell << " " << (s / Columns) * cell << " " << cell << " " << cell
        << "\n";
  }
  return tsg ? 0 : 1;
}

}  // namespace
}  // namespace tv::tool
