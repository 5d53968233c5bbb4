// Texts, fonts and framed boxes.
//
// A font is a texture whose segment c is the glyph of byte c of the game's code page; a second
// texture holds small icons that a text can show inline (byte 1 followed by the icon's number).
// A TText lays its bytes out in a box: broken into lines when it wraps, each line aligned left,
// right or centred, the block aligned top, bottom or in the middle, and squeezed rather than cut
// when it does not fit. Every character is one TCharacter; with a canvas it also owns one sprite.
// A TSquare is a framed box of eight border pieces with an optional flat fill.
//
// The layout itself needs only the pixel sizes of the font and icon segments, so the module can
// also be started from those sizes alone (TextsStartupFromSegments): tools and tests lay texts
// out without a graphics device, with texts that have no canvas and hence no sprites.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/AppNumeric.h"
#include "base/EngineClasses.h"

namespace tv {

class TTexture;
class TCanvas;
class TSprite;

// Layout flags.
constexpr int32_t AlignLeft = 1;
constexpr int32_t AlignTop = 2;
constexpr int32_t AlignRight = 4;
constexpr int32_t AlignBottom = 8;
constexpr int32_t WordWrap = 16;

constexpr int32_t FontStyleCount = 6;
// The six font styles by name: the plain font at two sizes, the outlined custom font at four.
namespace FontStyles {
inline constexpr int32_t Plain = 0;       // "T2FontDefault", 25 (debug hints)
inline constexpr int32_t PlainLarge = 1;  // "T2FontDefault", 30
inline constexpr int32_t Small = 2;       // "T2FontCustom", 25
inline constexpr int32_t Medium = 3;      // "T2FontCustom", 30
inline constexpr int32_t Label = 4;       // "T2FontCustom", 32: labels, buttons, texts
inline constexpr int32_t Title = 5;       // "T2FontCustom", 35: titles and captions
}  // namespace FontStyles
// Neighbouring glyph cells overlap by this many source pixels (room for antialiasing, outlines
// and shadows that would otherwise be clipped at the cell's edge).
constexpr float GlyphOverlapPixels = 4;

// One of the six font styles.
struct TFontStyle {
  TTexture* Glyphs = nullptr;  // segment c is the glyph of byte c
  TTexture* Icons = nullptr;   // segment c is icon c
  float LineHeight = 0;        // virtual units
  float GlyphScale = 0;        // LineHeight / pixel height of glyph 32
  float SpaceWidth = 0;        // GlyphScale x pixel width of glyph 32
  float BackWidth = 0;         // GlyphScale x pixel width of glyph 8
  float Tracking = 0;          // GlyphScale x GlyphOverlapPixels
  // Pixel widths of segments 0..255 of each texture, read at start-up; an index beyond a
  // texture's segments takes its last segment, as drawing does.
  float GlyphPixelWidth[256] = {};
  float IconPixelWidth[256] = {};
};

// The style's names and line heights, fixed by the game's data.
const char* FontTextureName(int32_t FontIndex);
float FontBaseLineHeight(int32_t FontIndex);
// Fills a style from the pixel sizes of its font's and the icon texture's segments.
void FillFontStyle(TFontStyle& Style, float LineHeight, std::span<const TVector> GlyphSegments,
                   std::span<const TVector> IconSegments);

// Loads the font and icon textures (the video device must be running), fills the six styles and
// makes the caches: characters 512, texts 64, squares 8.
void TextsStartup();
// Starts the module without a graphics device: the styles come from the segment pixel sizes of
// "T2FontDefault", "T2FontCustom" and "T2IconsCustom"; texts made then have no sprites.
void TextsStartupFromSegments(std::span<const TVector> DefaultGlyphs, std::span<const TVector> CustomGlyphs,
                              std::span<const TVector> Icons);
// Takes the glyph sizes of the font textures again, once they were reloaded in place from another
// language folder: texts laid out from then on use them; the caches and the texts made stay.
void RefreshFontStyles();
// Destroys the square and text containers and the character cache; safe when never started.
void TextsShutdown();
bool TextsStarted();
// The frame step of the texts (after the particle effects, before drawing).
void UpdateTexts();

// The style of an index (clamped to 0..5); the module must be started.
const TFontStyle& GetFontStyle(int32_t FontIndex);
float FontLineHeight(int32_t FontIndex);

// The size of Text laid out at Width (> 0 wraps at that width), without making anything.
void MeasureText(std::string_view Text, int32_t FontIndex, float Width, TVector& Size, int32_t& Lines);

// What a character of a text is, decided from its byte and the wrap rule.
enum class TCharKind : uint8_t {
  Glyph,    // a glyph of the font (bytes 33..255)
  Icon,     // the byte after byte 1: an icon of the icon texture
  Space,    // a word gap (byte 32, or a single line feed that wraps like a space)
  Break,    // a line break (a line feed, or a space where a wrapped line ends)
  Back,     // byte 8: steps back by BackWidth
  Control,  // any other byte below 32 (byte 1 included): no room, nothing drawn
};

class TCharacter : public TItem {
 public:
  TSprite* Sprite = nullptr;
  TVector Offset;  // the glyph's centre relative to the text's Position
  // The layout's record, mirrored into the sprite when there is one.
  TVector Size;         // sprite width and height
  int32_t Segment = 0;  // the byte for glyphs and icons, its negation for bytes 0..32
  uint8_t Byte = 0;
  TCharKind Kind = TCharKind::Control;

  bool Visible() const { return Segment > 0; }
  void Detached() override;
};

class TText : public TItem {
 public:
  TText();
  ~TText() override;

  TContainer Characters;  // one per byte of Text, in order; shares the character cache
  std::string Text;
  const TFontStyle* Font = nullptr;
  int32_t FontIndex = 0;
  int32_t Flags = 0;
  TCanvas* Canvas = nullptr;
  int32_t Order = 0;
  TVector Position;
  TVector BoxSize;
  TVector3 Color{1, 1, 1};
  float Alpha = 1;

  void Attached() override;
  void Detached() override;

  // Replaces the text (nothing happens when it is the same) and lays it out again.
  void SetText(std::string_view NewText);
  void SetPosition(TVector NewPosition);
  void SetColor(TVector3 NewColor);
  void SetAlpha(float NewAlpha);
  // The point before character Index (counted from 1), for an input line's caret.
  TVector CaretPosition(int32_t Index) const;
  // Lines of the last layout.
  int32_t LineCount() const { return Lines; }

 private:
  void Classify();
  void Layout();
  void UpdateSprites();
  void MoveSprites();
  void ColorSprites();
  int32_t Lines = 0;
};

// Takes a text from the cache when Text is empty; it stays empty until SetText.
void CreateText(TText*& Text, TCanvas* Canvas, int32_t Order, TVector BoxSize, int32_t FontIndex, int32_t Flags);
// Returns a text to the cache and empties the variable.
void FreeText(TText*& Text);

// A framed box: border pieces 0..7 (top, then clockwise; even ones edges, odd ones corners) show
// segments 0..7 of one texture; the optional fill is a flat quad of the tint one order below.
class TSquare : public TItem {
 public:
  TSprite* Fill = nullptr;
  TSprite* Borders[8] = {};
  TCanvas* Canvas = nullptr;
  int32_t Order = 0;
  int32_t BorderSize = 0;  // thickness of the border and size of a corner
  TVector Position;        // centre
  TVector Size;            // outer width and height
  TVector3 Color{1, 1, 1};
  float Alpha = 1;

  void Attached() override;
  void Detached() override;

  void SetPosition(TVector NewPosition);
  void SetSize(TVector NewSize);
  void SetColor(TVector3 NewColor);
  void SetAlpha(float NewAlpha);
};

// The direction of border piece I from the centre.
TVector SquarePieceDirection(int32_t Index);
// Takes a square from the cache when Square is empty and builds its pieces.
void CreateSquare(TSquare*& Square, TCanvas* Canvas, int32_t Order, int32_t BorderSize, const std::string& TextureName,
                  bool WithFill);
void FreeSquare(TSquare*& Square);

// Statistics of the frame, reset by UpdateTexts.
struct TTextStats {
  int32_t Layouts = 0;          // SetText calls that laid a text out
  int32_t CharactersAdded = 0;  // characters taken from the cache
  int32_t CharactersRemoved = 0;
};
const TTextStats& LastFrameTextStats();
const TTextStats& CurrentTextStats();

}  // namespace tv
