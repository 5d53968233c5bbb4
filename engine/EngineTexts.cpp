#include "engine/EngineTexts.h"

#include <memory>
#include <vector>

#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"

namespace tv {

namespace {

struct TFontRow {
  const char* Texture;
  float LineHeight;
};

constexpr TFontRow FontRows[FontStyleCount] = {
    {"T2FontDefault", 25}, {"T2FontDefault", 30}, {"T2FontCustom", 25},
    {"T2FontCustom", 30},  {"T2FontCustom", 32},  {"T2FontCustom", 35},
};

constexpr int32_t CharacterCacheSize = 512;
constexpr int32_t TextCacheSize = 64;
constexpr int32_t SquareCacheSize = 8;
constexpr const char* IconTextureName = "T2IconsCustom";

struct TTextsState {
  bool Started = false;
  TFontStyle Styles[FontStyleCount];
  std::unique_ptr<TCache> CharacterCache;
  std::unique_ptr<TContainer> Texts;
  std::unique_ptr<TContainer> Squares;
  TTextStats Frame;
  TTextStats LastFrame;
};

TTextsState State;

int32_t ClampFont(int32_t FontIndex) { return Clamp(FontIndex, 0, FontStyleCount - 1); }

// Pixel width of segment Index, the index clamped to the segments there are (none: 1 pixel).
float ClampedWidth(std::span<const TVector> Segments, int32_t Index) {
  if (Segments.empty()) return 1;
  return Segments[static_cast<size_t>(Clamp(Index, 0, static_cast<int32_t>(Segments.size()) - 1))].X;
}

float ClampedHeight(std::span<const TVector> Segments, int32_t Index) {
  if (Segments.empty()) return 1;
  return Segments[static_cast<size_t>(Clamp(Index, 0, static_cast<int32_t>(Segments.size()) - 1))].Y;
}

void MakeCaches() {
  State.CharacterCache = std::make_unique<TCache>(MakeItem<TCharacter>, CharacterCacheSize);
  // Texts made by the cache take their characters from the character cache, so it comes first.
  State.Texts = std::make_unique<TContainer>(false, MakeItem<TText>, TextCacheSize);
  State.Squares = std::make_unique<TContainer>(false, MakeItem<TSquare>, SquareCacheSize);
}

std::vector<TVector> SegmentSizes(const TTexture* Texture) {
  std::vector<TVector> sizes;
  if (Texture == nullptr || !Texture->Segments) return sizes;
  for (const TSegment& s : *Texture->Segments) sizes.push_back(s.PixelSize);
  return sizes;
}

// Sprites live on the video device's canvases: once it is gone they are gone with it.
void ReleaseSprite(TSprite*& Sprite) {
  if (Sprite == nullptr) return;
  if (VideoStarted()) {
    FreeSprite(Sprite);
  } else {
    Sprite = nullptr;
  }
}

// The wrap meaning of a line feed at Index: with word wrap a single one (neither preceded nor
// followed by another, or the last byte) is a space; otherwise it breaks the line.
bool SingleLineFeed(std::string_view Text, size_t Index) {
  const bool before = Index > 0 && Text[Index - 1] == '\n';
  const bool after = Index + 1 < Text.size() && Text[Index + 1] == '\n';
  return !before && !after;
}

// Takes a text or a framed box out of its list (the list keeps it for reuse) and clears the
// caller's pointer to it.
template <typename TListed>
void FreeListed(TListed*& Item) {
  if (Item == nullptr) return;
  if (Item->Container != nullptr) Item->Remove();
  Item = nullptr;
}

}  // namespace

// ---- Font styles ----------------------------------------------------------------------------

const char* FontTextureName(int32_t FontIndex) { return FontRows[ClampFont(FontIndex)].Texture; }
float FontBaseLineHeight(int32_t FontIndex) { return FontRows[ClampFont(FontIndex)].LineHeight; }

void FillFontStyle(TFontStyle& Style, float LineHeight, std::span<const TVector> GlyphSegments,
                   std::span<const TVector> IconSegments) {
  Style.LineHeight = LineHeight;
  // A glyph 32 of no height (a broken font picture) would make every size infinite.
  float spaceHeight = ClampedHeight(GlyphSegments, 32);
  if (!(spaceHeight > 0)) spaceHeight = 1;
  Style.GlyphScale = LineHeight / spaceHeight;
  Style.SpaceWidth = Style.GlyphScale * ClampedWidth(GlyphSegments, 32);
  Style.BackWidth = Style.GlyphScale * ClampedWidth(GlyphSegments, 8);
  Style.Tracking = Style.GlyphScale * GlyphOverlapPixels;
  for (int32_t c = 0; c < 256; ++c) {
    Style.GlyphPixelWidth[c] = ClampedWidth(GlyphSegments, c);
    Style.IconPixelWidth[c] = ClampedWidth(IconSegments, c);
  }
}

void TextsStartup() {
  TextsShutdown();
  TTexture* icons = LoadTexture(IconTextureName);
  const std::vector<TVector> iconSizes = SegmentSizes(icons);
  for (int32_t i = 0; i < FontStyleCount; ++i) {
    TTexture* glyphs = LoadTexture(FontRows[i].Texture);
    FillFontStyle(State.Styles[i], FontRows[i].LineHeight, SegmentSizes(glyphs), iconSizes);
    State.Styles[i].Glyphs = glyphs;
    State.Styles[i].Icons = icons;
  }
  MakeCaches();
  State.Started = true;
}

void RefreshFontStyles() {
  if (!State.Started) return;
  for (int32_t i = 0; i < FontStyleCount; ++i) {
    TTexture* glyphs = State.Styles[i].Glyphs;
    TTexture* icons = State.Styles[i].Icons;
    if (glyphs == nullptr) continue;
    FillFontStyle(State.Styles[i], FontRows[i].LineHeight, SegmentSizes(glyphs), SegmentSizes(icons));
    State.Styles[i].Glyphs = glyphs;
    State.Styles[i].Icons = icons;
  }
}

void TextsStartupFromSegments(std::span<const TVector> DefaultGlyphs, std::span<const TVector> CustomGlyphs,
                              std::span<const TVector> Icons) {
  TextsShutdown();
  for (int32_t i = 0; i < FontStyleCount; ++i) {
    const bool custom = FontRows[i].Texture[6] == 'C';
    FillFontStyle(State.Styles[i], FontRows[i].LineHeight, custom ? CustomGlyphs : DefaultGlyphs, Icons);
    State.Styles[i].Glyphs = nullptr;
    State.Styles[i].Icons = nullptr;
  }
  MakeCaches();
  State.Started = true;
}

void TextsShutdown() {
  State.Started = false;
  State.Squares.reset();
  State.Texts.reset();
  State.CharacterCache.reset();
  State.Frame = {};
  State.LastFrame = {};
}

bool TextsStarted() { return State.Started; }

void UpdateTexts() {
  State.LastFrame = State.Frame;
  State.Frame = {};
}

const TTextStats& LastFrameTextStats() { return State.LastFrame; }
const TTextStats& CurrentTextStats() { return State.Frame; }

const TFontStyle& GetFontStyle(int32_t FontIndex) { return State.Styles[ClampFont(FontIndex)]; }
float FontLineHeight(int32_t FontIndex) { return GetFontStyle(FontIndex).LineHeight; }

// ---- Measuring ------------------------------------------------------------------------------

void MeasureText(std::string_view Text, int32_t FontIndex, float Width, TVector& Size, int32_t& Lines) {
  if (Text.empty()) {
    Size = {0, 0};
    Lines = 0;
    return;
  }
  const TFontStyle& f = GetFontStyle(FontIndex);
  const bool wrap = Width > 0;
  const float limit = 1.025f * Width;
  float word = 0;
  float line = 0;
  bool pending = false;
  float widest = 0;
  int32_t count = 1;
  bool iconNext = false;
  for (size_t i = 0; i < Text.size(); ++i) {
    const auto b = static_cast<uint8_t>(Text[i]);
    if (iconNext) {
      iconNext = false;
      word += f.GlyphScale * f.IconPixelWidth[b] - f.Tracking;
      continue;
    }
    if (b > 32 || (b == 32 && !wrap)) {
      word += f.GlyphScale * f.GlyphPixelWidth[b] - f.Tracking;
      continue;
    }
    if (b == 8) {
      word -= f.BackWidth;
      continue;
    }
    if (b == 1) {
      iconNext = true;
      continue;
    }
    if (b != 32 && b != 10) continue;
    const bool lineBreak = b == 10 && !(wrap && SingleLineFeed(Text, i));
    if (wrap) {
      if (!pending || line + f.SpaceWidth + word < limit) {
        line = pending ? line + f.SpaceWidth + word : word;
      } else {
        widest = MaxF(widest, line);
        line = word;
        ++count;
      }
      if (line >= Width || lineBreak) {
        widest = MaxF(widest, line);
        line = 0;
        pending = false;
        ++count;
      } else {
        pending = true;
      }
    } else {
      widest = MaxF(widest, word);
      ++count;
    }
    word = 0;
  }
  if (pending) {
    if (line + f.SpaceWidth + word < limit) {
      line += f.SpaceWidth + word;
    } else {
      widest = MaxF(widest, line);
      line = word;
      ++count;
    }
  } else {
    line = word;
  }
  widest = MaxF(widest, line);
  Size = {widest, static_cast<float>(count) * f.LineHeight};
  Lines = count;
}

// ---- Characters and texts -------------------------------------------------------------------

void TCharacter::Detached() {
  ReleaseSprite(Sprite);
  Offset = {};
  Size = {};
  Segment = 0;
  Byte = 0;
  Kind = TCharKind::Control;
}

TText::TText() : Characters(false, State.CharacterCache.get()) {}

TText::~TText() { Characters.Clear(); }

void TText::Attached() {
  Color = {1, 1, 1};
  Alpha = 1;
}

void TText::Detached() {
  Text.clear();
  Characters.Clear();
  Lines = 0;
}

void TText::SetText(std::string_view NewText) {
  if (NewText == Text) return;
  Text.assign(NewText.data(), NewText.size());
  const auto wanted = static_cast<int32_t>(Text.size());
  while (Characters.GetCount() > wanted) {
    Characters.Remove(Characters.Last());
    ++State.Frame.CharactersRemoved;
  }
  while (Characters.GetCount() < wanted) {
    auto* c = static_cast<TCharacter*>(Characters.InsertNew(false));
    if (Canvas != nullptr) {
      CreateSprite(c->Sprite, Canvas, Order);
      c->Sprite->Color = {Color.X, Color.Y, Color.Z, Alpha};
    }
    ++State.Frame.CharactersAdded;
  }
  Classify();
  Layout();
  UpdateSprites();
  ++State.Frame.Layouts;
}

void TText::Classify() {
  const bool wrap = TestBit32(Flags, WordWrap);
  bool iconNext = false;
  size_t i = 0;
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    const auto b = static_cast<uint8_t>(Text[i]);
    c->Byte = b;
    if (iconNext) {
      // The byte after byte 1 is an icon, whatever its value.
      iconNext = false;
      c->Kind = TCharKind::Icon;
      c->Segment = b;
    } else if (b > 32) {
      c->Kind = TCharKind::Glyph;
      c->Segment = b;
    } else {
      c->Segment = -static_cast<int32_t>(b);
      if (b == 32) {
        c->Kind = TCharKind::Space;
      } else if (b == 10) {
        if (wrap && SingleLineFeed(Text, i)) {
          c->Kind = TCharKind::Space;
          c->Segment = -32;
        } else {
          c->Kind = TCharKind::Break;
        }
      } else if (b == 8) {
        c->Kind = TCharKind::Back;
      } else {
        c->Kind = TCharKind::Control;
        iconNext = b == 1;
      }
    }
    ++i;
  }
}

namespace {

void MakeBreak(TCharacter* c) {
  c->Kind = TCharKind::Break;
  c->Segment = -10;
  c->Size.X = 0;
}

// How characters that span Extent along one axis fit into a box Box long: each offset becomes
// Offset x Scale + Shift and each size Size x Scale. What fits keeps its size and is aligned at the
// box's start, its end or (with neither) its middle; what is longer is squeezed into the box.
struct TAxisFit {
  float Scale;
  float Shift;
};

TAxisFit FitAxis(float Extent, float Box, bool AtStart, bool AtEnd) {
  if (Extent > Box) return {Box / Extent, -Box / 2};
  if (AtStart) return {1, -Box / 2};
  if (AtEnd) return {1, Box / 2 - Extent};
  return {1, -Extent / 2};
}

// Ends the line from First to Last (inclusive) whose pen stopped at X: aligns it in the box's
// width, or squeezes it into the width when it is wider.
void EndLine(TCharacter* First, TCharacter* Last, float X, float BoxWidth, int32_t Flags, float Tracking) {
  const TAxisFit fit = FitAxis(X + Tracking, BoxWidth, TestBit32(Flags, AlignLeft), TestBit32(Flags, AlignRight));
  TItem* stop = Last->Next;
  for (TItem* it = First; it != stop; it = it->Next) {
    auto* c = static_cast<TCharacter*>(it);
    c->Offset.X = c->Offset.X * fit.Scale + fit.Shift;
    c->Size.X *= fit.Scale;
  }
}

}  // namespace

void TText::Layout() {
  Lines = 0;
  if (Characters.GetCount() == 0 || Font == nullptr) return;
  const TFontStyle& f = *Font;
  const float boxW = BoxSize.X;
  const float boxH = BoxSize.Y;

  // 1. Widths, and with word wrap the line breaks.
  const bool wrap = TestBit32(Flags, WordWrap);
  const float limit = 1.025f * boxW;
  float word = 0;
  float line = 0;
  bool pending = false;
  TCharacter* pendingSpace = nullptr;  // the gap before the current word
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    c->Size = {0, f.LineHeight};
    switch (c->Kind) {
      case TCharKind::Glyph:
        c->Size.X = f.GlyphScale * f.GlyphPixelWidth[c->Byte];
        word += c->Size.X - f.Tracking;
        break;
      case TCharKind::Icon:
        c->Size.X = f.GlyphScale * f.IconPixelWidth[c->Byte];
        word += c->Size.X - f.Tracking;
        break;
      case TCharKind::Space: c->Size.X = f.SpaceWidth; break;
      case TCharKind::Back:
        c->Size.X = f.BackWidth;
        word -= f.BackWidth;
        break;
      case TCharKind::Break:
      case TCharKind::Control: break;
    }
    if (!wrap || (c->Kind != TCharKind::Space && c->Kind != TCharKind::Break)) continue;
    if (!pending || line + f.SpaceWidth + word < limit) {
      line = pending ? line + f.SpaceWidth + word : word;
    } else {
      MakeBreak(pendingSpace);
      line = word;
    }
    if (line >= boxW || c->Kind == TCharKind::Break) {
      MakeBreak(c);
      line = 0;
      pending = false;
      pendingSpace = nullptr;
    } else {
      pending = true;
      pendingSpace = c;
    }
    word = 0;
  }
  if (wrap && pending && !(line + f.SpaceWidth + word < limit)) MakeBreak(pendingSpace);

  // 2. and 3. Positions, line by line, each line aligned or squeezed.
  float x = 0;
  float y = f.LineHeight / 2;
  TCharacter* lineStart = Characters.FirstAs<TCharacter>();
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    switch (c->Kind) {
      case TCharKind::Glyph:
      case TCharKind::Icon:
      case TCharKind::Space:
        c->Offset = {x + c->Size.X / 2, y};
        x += c->Size.X - f.Tracking;
        break;
      case TCharKind::Back:
        x -= c->Size.X;
        c->Offset = {x + c->Size.X / 2, y};
        break;
      case TCharKind::Break:
      case TCharKind::Control: c->Offset = {x, y}; break;
    }
    if (c->Kind == TCharKind::Break || c->IsLast()) {
      EndLine(lineStart, c, x, boxW, Flags, f.Tracking);
      x = 0;
      y += f.LineHeight;
      ++Lines;
      lineStart = static_cast<TCharacter*>(c->GetNext());
    }
  }

  // 4. The block in the box's height, compressed when it is taller.
  const float h = static_cast<float>(Lines) * f.LineHeight;
  const TAxisFit fit = FitAxis(h, boxH, TestBit32(Flags, AlignTop), TestBit32(Flags, AlignBottom));
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    c->Offset.Y = c->Offset.Y * fit.Scale + fit.Shift;
    c->Size.Y *= fit.Scale;
  }
}

void TText::UpdateSprites() {
  if (Font == nullptr) return;
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    TSprite* sprite = c->Sprite;
    if (sprite == nullptr) continue;
    sprite->SetTexture(0, c->Kind == TCharKind::Icon ? Font->Icons : Font->Glyphs);
    sprite->SetSegment(0, c->Segment);
    sprite->Visible = c->Segment > 0;
    sprite->Size = c->Size;
    sprite->Position = Add(Position, c->Offset);
  }
}

void TText::MoveSprites() {
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    if (c->Sprite != nullptr) c->Sprite->Position = Add(Position, c->Offset);
  }
}

void TText::ColorSprites() {
  for (TItem* it : Characters) {
    auto* c = static_cast<TCharacter*>(it);
    if (c->Sprite != nullptr) c->Sprite->Color = {Color.X, Color.Y, Color.Z, Alpha};
  }
}

void TText::SetPosition(TVector NewPosition) {
  if (VectorsEqual(NewPosition, Position)) return;
  Position = NewPosition;
  MoveSprites();
}

void TText::SetColor(TVector3 NewColor) {
  if (Vector3Equal(NewColor, Color)) return;
  Color = NewColor;
  ColorSprites();
}

void TText::SetAlpha(float NewAlpha) {
  if (SameFloat(NewAlpha, Alpha)) return;
  Alpha = NewAlpha;
  ColorSprites();
}

TVector TText::CaretPosition(int32_t Index) const {
  const int32_t count = Characters.GetCount();
  if (count == 0) {
    const float lineHeight = Font != nullptr ? Font->LineHeight : 0;
    TVector at{0, 0};
    if (TestBit32(Flags, AlignLeft)) {
      at.X = -BoxSize.X / 2;
    } else if (TestBit32(Flags, AlignRight)) {
      at.X = BoxSize.X / 2;
    }
    if (TestBit32(Flags, AlignTop)) {
      at.Y = -BoxSize.Y / 2 + lineHeight / 2;
    } else if (TestBit32(Flags, AlignBottom)) {
      at.Y = BoxSize.Y / 2 - lineHeight / 2;
    }
    return Add(Position, at);
  }
  // Index 0 or below means the first character, as an input line's caret at its start.
  const int32_t index = Clamp(Index, 1, count);
  const TCharacter* c = Characters.GetAs<TCharacter>(index);
  float x = c->Offset.X - c->Size.X / 2;
  if (Index > count) x = c->Offset.X + c->Size.X / 2 - (Font != nullptr ? Font->Tracking : 0);
  return Add(Position, {x, c->Offset.Y});
}

void CreateText(TText*& Text, TCanvas* Canvas, int32_t Order, TVector BoxSize, int32_t FontIndex, int32_t Flags) {
  if (Text != nullptr || !State.Started) return;
  auto* text = static_cast<TText*>(State.Texts->GetCache()->Acquire());
  text->Canvas = Canvas;
  text->Order = Order;
  text->BoxSize = BoxSize;
  text->FontIndex = ClampFont(FontIndex);
  text->Font = &State.Styles[text->FontIndex];
  text->Flags = Flags;
  text->Position = {};
  State.Texts->Insert(text, false);
  Text = text;
}

void FreeText(TText*& Text) { FreeListed(Text); }

// ---- Framed boxes ---------------------------------------------------------------------------

namespace {

constexpr TVector PieceDirections[8] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};

}  // namespace

TVector SquarePieceDirection(int32_t Index) { return PieceDirections[Clamp(Index, 0, 7)]; }

void TSquare::Attached() {
  Color = {1, 1, 1};
  Alpha = 1;
  const auto b = static_cast<float>(BorderSize);
  Size = {3 * b, 3 * b};
}

void TSquare::Detached() {
  ReleaseSprite(Fill);
  for (TSprite*& piece : Borders) ReleaseSprite(piece);
  Position = {0, 0};
}

void TSquare::SetPosition(TVector NewPosition) {
  if (VectorsEqual(NewPosition, Position)) return;
  const TVector delta = Sub(NewPosition, Position);
  Position = NewPosition;
  if (Fill != nullptr) Fill->Position = Add(Fill->Position, delta);
  for (TSprite* piece : Borders) {
    if (piece != nullptr) piece->Position = Add(piece->Position, delta);
  }
}

void TSquare::SetSize(TVector NewSize) {
  if (VectorsEqual(NewSize, Size)) return;
  Size = NewSize;
  const auto b = static_cast<float>(BorderSize);
  // A box smaller than its two borders has no inside; the pieces then meet rather than turning
  // inside out with negative sizes.
  const TVector inner{MaxF(Size.X - 2 * b, 0), MaxF(Size.Y - 2 * b, 0)};
  const TVector reach{inner.X / 2 + b / 2, inner.Y / 2 + b / 2};
  if (Fill != nullptr) {
    Fill->Position = Position;
    Fill->Size = inner;
  }
  for (int32_t i = 0; i < 8; ++i) {
    TSprite* piece = Borders[i];
    if (piece == nullptr) continue;
    piece->Position = Add(Position, MulComponents(PieceDirections[i], reach));
    if (i == 0 || i == 4) {
      piece->Size = {inner.X, b};
    } else if (i == 2 || i == 6) {
      piece->Size = {b, inner.Y};
    } else {
      piece->Size = {b, b};
    }
  }
}

void TSquare::SetColor(TVector3 NewColor) {
  if (Vector3Equal(NewColor, Color)) return;
  Color = NewColor;
  const TColor4 tint{Color.X, Color.Y, Color.Z, Alpha};
  if (Fill != nullptr) Fill->Color = tint;
  for (TSprite* piece : Borders) {
    if (piece != nullptr) piece->Color = tint;
  }
}

void TSquare::SetAlpha(float NewAlpha) {
  if (SameFloat(NewAlpha, Alpha)) return;
  Alpha = NewAlpha;
  if (Fill != nullptr) Fill->Color.A = Alpha;
  for (TSprite* piece : Borders) {
    if (piece != nullptr) piece->Color.A = Alpha;
  }
}

void CreateSquare(TSquare*& Square, TCanvas* Canvas, int32_t Order, int32_t BorderSize, const std::string& TextureName,
                  bool WithFill) {
  if (Square != nullptr || !State.Started) return;
  auto* square = static_cast<TSquare*>(State.Squares->GetCache()->Acquire());
  square->Canvas = Canvas;
  square->Order = Order;
  square->BorderSize = BorderSize;
  const auto b = static_cast<float>(BorderSize);
  if (Canvas != nullptr) {
    if (WithFill) {
      CreateSprite(square->Fill, Canvas, Order - 1);
      square->Fill->Size = {b, b};
      square->Fill->Mode = FindShadingMode("OnlyTint");
    }
    TTexture* texture = LoadTexture(TextureName);
    for (int32_t i = 0; i < 8; ++i) {
      TSprite*& piece = square->Borders[i];
      CreateSprite(piece, Canvas, Order);
      piece->Position = Scale(PieceDirections[i], b);
      piece->Size = {b, b};
      piece->SetTexture(0, texture);
      piece->SetSegment(0, i);
    }
  }
  State.Squares->Insert(square, false);
  Square = square;
}

void FreeSquare(TSquare*& Square) { FreeListed(Square); }

}  // namespace tv
