// "font bake": makes a font texture for one code page from a TrueType font, with FreeType.
//
// Every byte 33..255 is drawn as the glyph of the Unicode character the code page maps it to
// (a byte the page leaves unmapped, or a character the font lacks, shows the font's missing-glyph
// box). All glyph cells are CellHeight pixels tall; a cell is the glyph's advance plus 4 pixels
// wide, since the layout overlaps neighbouring cells by 4 pixels. The space (byte 32) is such a
// cell too; the back step (byte 8) is exactly one space advance wide, so that it undoes a space.
// An outline widens every advance by its thickness (neighbouring outlines may just touch); the
// shadow falls into the overlap and adds nothing.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/EngineTexts.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolBakeOutput.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

struct TFontBakeOptions {
  std::string FontFile;
  std::string OutFolder;
  std::string Name = "T2FontCustom";
  int32_t CodePage = 1252;
  int32_t PixelSize = 30;
  int32_t CellHeight = 0;  // 0: from the font's ascender and descender
  int32_t Outline = 0;
  int32_t Shadow = 0;
  int32_t Gradient = 0;  // percent darker at the bottom of the glyphs
  int32_t AtlasWidth = 1024;
  int32_t Format = PackedFormatA8L8;
};

// A coverage plane of one glyph cell, floats 0..1.
struct TPlane {
  int32_t W = 0;
  int32_t H = 0;
  std::vector<float> V;
  void Reset(int32_t Width, int32_t Height) {
    W = Width;
    H = Height;
    V.assign(static_cast<size_t>(W) * static_cast<size_t>(H), 0.0f);
  }
  float At(int32_t X, int32_t Y) const {
    if (X < 0 || Y < 0 || X >= W || Y >= H) return 0;
    return V[static_cast<size_t>(Y) * static_cast<size_t>(W) + static_cast<size_t>(X)];
  }
  float& Ref(int32_t X, int32_t Y) {
    return V[static_cast<size_t>(Y) * static_cast<size_t>(W) + static_cast<size_t>(X)];
  }
};

class TFreeType {
 public:
  ~TFreeType() {
    if (Stroker != nullptr) FT_Stroker_Done(Stroker);
    if (Face != nullptr) FT_Done_Face(Face);
    if (Library != nullptr) FT_Done_FreeType(Library);
  }
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
  FT_Stroker Stroker = nullptr;
};

// Draws a FreeType glyph (fill, or with Stroker its outside border) into Plane with the pen at
// (PenX, Baseline).
bool RenderGlyph(FT_Face Face, FT_Stroker Stroker, TPlane& Plane, int32_t PenX, int32_t Baseline) {
  FT_Glyph glyph = nullptr;
  if (FT_Get_Glyph(Face->glyph, &glyph) != 0) return false;
  if (Stroker != nullptr && FT_Glyph_StrokeBorder(&glyph, Stroker, 0, 1) != 0) {
    FT_Done_Glyph(glyph);
    return false;
  }
  if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) != 0) {
    FT_Done_Glyph(glyph);
    return false;
  }
  const auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
  const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
  for (uint32_t row = 0; row < bitmap.rows; ++row) {
    const int32_t y = Baseline - bitmapGlyph->top + static_cast<int32_t>(row);
    if (y < 0 || y >= Plane.H) continue;
    const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
    for (uint32_t col = 0; col < bitmap.width; ++col) {
      const int32_t x = PenX + bitmapGlyph->left + static_cast<int32_t>(col);
      if (x < 0 || x >= Plane.W) continue;
      float& v = Plane.Ref(x, y);
      v = std::max(v, static_cast<float>(src[col]) / 255.0f);
    }
  }
  FT_Done_Glyph(glyph);
  return true;
}

struct TCell {
  TPlane Fill;
  TPlane Border;
  int32_t Advance = 0;
};

int RunFontBake(const TArgs& Args);
const TToolCommand& Command();

int RunFontBake(const TArgs& Args) {
  TFontBakeOptions o;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    const bool hasValue = i + 1 < Args.size();
    if (!hasValue) return UsageError(Command(), "missing value after " + a);
    const std::string& v = Args[++i];
    bool ok = true;
    if (a == "--font") {
      o.FontFile = v;
    } else if (a == "--out") {
      o.OutFolder = v;
    } else if (a == "--name") {
      o.Name = v;
    } else if (a == "--codepage") {
      ok = ParseIntOption(v, 1, 65535, o.CodePage);
    } else if (a == "--size") {
      ok = ParseIntOption(v, 4, 256, o.PixelSize);
    } else if (a == "--height") {
      ok = ParseIntOption(v, 4, 512, o.CellHeight);
    } else if (a == "--outline") {
      ok = ParseIntOption(v, 0, 16, o.Outline);
    } else if (a == "--shadow") {
      ok = ParseIntOption(v, 0, 16, o.Shadow);
    } else if (a == "--gradient") {
      ok = ParseIntOption(v, 0, 100, o.Gradient);
    } else if (a == "--atlas-width") {
      ok = ParseIntOption(v, 64, 8192, o.AtlasWidth);
    } else if (a == "--format") {
      if (v == "a8") {
        o.Format = PackedFormatA8;
      } else if (v == "a8l8") {
        o.Format = PackedFormatA8L8;
      } else {
        ok = false;
      }
    } else {
      return UsageError(Command(), "unknown option " + a);
    }
    if (!ok) return UsageError(Command(), "bad value for " + a + ": " + v);
  }
  if (o.FontFile.empty() || o.OutFolder.empty()) return UsageError(Command(), "--font and --out are required");
  const TCodePage* page = CodePageTables(o.CodePage);
  if (page == nullptr) {
    std::fprintf(stderr, "font bake: unknown code page %d\n", o.CodePage);
    return 1;
  }
  if (!MakeDirectory(o.OutFolder)) {
    std::fprintf(stderr, "font bake: cannot make folder %s\n", o.OutFolder.c_str());
    return 1;
  }

  TFreeType ft;
  if (FT_Init_FreeType(&ft.Library) != 0 || FT_New_Face(ft.Library, o.FontFile.c_str(), 0, &ft.Face) != 0) {
    std::fprintf(stderr, "font bake: cannot read font %s\n", o.FontFile.c_str());
    return 1;
  }
  if (FT_Set_Pixel_Sizes(ft.Face, 0, static_cast<FT_UInt>(o.PixelSize)) != 0) {
    std::fprintf(stderr, "font bake: the font has no size %d\n", o.PixelSize);
    return 1;
  }
  if (o.Outline > 0) {
    FT_Stroker_New(ft.Library, &ft.Stroker);
    FT_Stroker_Set(ft.Stroker, o.Outline * 64, FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
  }

  const int32_t ascent = static_cast<int32_t>(std::ceil(static_cast<double>(ft.Face->size->metrics.ascender) / 64.0));
  const int32_t descent =
      static_cast<int32_t>(std::ceil(-static_cast<double>(ft.Face->size->metrics.descender) / 64.0));
  const int32_t decoration = 2 * o.Outline + o.Shadow;
  const int32_t cellHeight = o.CellHeight > 0 ? o.CellHeight : ascent + descent + decoration + 2;
  const int32_t baseline = (cellHeight - (ascent + descent + decoration)) / 2 + o.Outline + ascent;
  const int32_t leftPad = static_cast<int32_t>(GlyphOverlapPixels) / 2 + (o.Outline + 1) / 2;

  // Draws one glyph index into a cell.
  auto makeCell = [&](FT_UInt GlyphIndex, TCell& Cell) -> bool {
    if (FT_Load_Glyph(ft.Face, GlyphIndex, FT_LOAD_NO_BITMAP) != 0) return false;
    const int32_t advance = static_cast<int32_t>(std::lround(static_cast<double>(ft.Face->glyph->advance.x) / 64.0));
    Cell.Advance = advance + o.Outline;
    const int32_t width = Cell.Advance + static_cast<int32_t>(GlyphOverlapPixels);
    Cell.Fill.Reset(width, cellHeight);
    Cell.Border.Reset(width, cellHeight);
    if (!RenderGlyph(ft.Face, nullptr, Cell.Fill, leftPad, baseline)) return false;
    if (ft.Stroker != nullptr && !RenderGlyph(ft.Face, ft.Stroker, Cell.Border, leftPad, baseline)) return false;
    return true;
  };

  // Cells by glyph index (bytes that show the same glyph share it), and each byte's glyph index.
  std::map<FT_UInt, TCell> cells;
  FT_UInt byteGlyph[256] = {};
  for (int b = 32; b < 256; ++b) {
    const char16_t unit = b == 32 ? u' ' : page->ToWide[b];
    byteGlyph[b] = unit == 0 ? 0 : FT_Get_Char_Index(ft.Face, unit);
    if (cells.count(byteGlyph[b]) != 0) continue;
    if (!makeCell(byteGlyph[b], cells[byteGlyph[b]])) {
      std::fprintf(stderr, "font bake: cannot draw the glyph of byte %d\n", b);
      return 1;
    }
  }

  // Packs the cells in rows, one transparent pixel between cells so that filtering never
  // reaches a neighbour; the back step gets an empty cell of its own after them.
  std::map<FT_UInt, TBakedSegment> placed;
  int32_t x = 0;
  int32_t y = 0;
  auto place = [&](int32_t Width) {
    if (x > 0 && x + Width > o.AtlasWidth) {
      x = 0;
      y += cellHeight + 1;
    }
    TBakedSegment s{x, y, Width, cellHeight};
    x += Width + 1;
    return s;
  };
  for (auto& [glyph, cell] : cells) placed[glyph] = place(cell.Fill.W);
  const int32_t backWidth = cells[byteGlyph[32]].Advance;
  const TBakedSegment back = place(std::max(backWidth, 1));
  if (backWidth < 1) {
    std::fprintf(stderr, "font bake: the font's space has no width\n");
    return 1;
  }

  TBakedPicture picture;
  picture.Resize(o.AtlasWidth, y + cellHeight);
  const float shadowAlpha = 0.55f;
  const float gradient = static_cast<float>(o.Gradient) / 100.0f;
  for (auto& [glyph, cell] : cells) {
    const TBakedSegment& s = placed[glyph];
    const TPlane& under = o.Outline > 0 ? cell.Border : cell.Fill;
    for (int32_t cy = 0; cy < cell.Fill.H; ++cy) {
      // Darkens the fill toward the bottom of the letters (baseline), for the decorated face.
      const float t = std::clamp(static_cast<float>(cy - (baseline - ascent)) / static_cast<float>(ascent), 0.0f, 1.0f);
      const float shade = 1.0f - gradient * t;
      for (int32_t cx = 0; cx < cell.Fill.W; ++cx) {
        const float fill = cell.Fill.At(cx, cy);
        const float border = o.Outline > 0 ? under.At(cx, cy) : 0.0f;
        float shadow = 0;
        if (o.Shadow > 0) {
          // A soft copy of the glyph (or its outline) moved right and down.
          float sum = 0;
          for (int32_t dy = -1; dy <= 1; ++dy) {
            for (int32_t dx = -1; dx <= 1; ++dx) sum += under.At(cx - o.Shadow + dx, cy - o.Shadow + dy);
          }
          shadow = sum / 9.0f * shadowAlpha;
        }
        // Black shadow under a black outline under the white fill, premultiplied.
        const float below = border + shadow * (1.0f - border);
        const float alpha = fill + below * (1.0f - fill);
        picture.Set(s.X + cx, s.Y + cy, fill * shade, alpha);
      }
    }
  }

  std::vector<TBakedSegment> segments(256);
  for (int b = 0; b < 256; ++b) {
    if (b == 8) {
      segments[static_cast<size_t>(b)] = back;
    } else if (b <= 32) {
      segments[static_cast<size_t>(b)] = placed[byteGlyph[32]];
    } else {
      segments[static_cast<size_t>(b)] = placed[byteGlyph[b]];
    }
  }
  const std::string error = WriteBakedTexture(o.OutFolder, o.Name, picture, o.Format, segments);
  if (!error.empty()) {
    std::fprintf(stderr, "font bake: %s\n", error.c_str());
    return 1;
  }
  // The font's description: the code page its bytes are in (read by the text table), and how it
  // was made.
  const std::string description = o.OutFolder + "/" + o.Name + ".txt";
  std::ofstream txt(description, std::ios::trunc);
  txt << "CodePageIdentifier " << o.CodePage << "\n"
      << "PixelSize " << o.PixelSize << "\n"
      << "CellHeight " << cellHeight << "\n";
  if (!txt) {
    std::fprintf(stderr, "font bake: cannot write %s\n", description.c_str());
    return 1;
  }
  std::printf("%s: %d x %d pixels, cell height %d, code page %d\n", o.Name.c_str(), picture.Width, picture.Height,
              cellHeight, o.CodePage);
  return 0;
}

const TToolCommand& Command() {
  static const TToolCommand command{
      "font bake",
      "--font TTF --out DIR [--name NAME] [--codepage N] [--size PX] [--height PX] [--outline PX] "
      "[--shadow PX] [--gradient PERCENT] [--format a8|a8l8] [--atlas-width PX]",
      "makes a font texture (.tpx, .tsg, .txt) of every byte of a code page from a TrueType font", RunFontBake};
  return command;
}

const bool Registered = RegisterToolCommand(Command());

}  // namespace
}  // namespace tv::tool
