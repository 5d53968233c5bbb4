// Text layout without a graphics device: the module started from segment sizes alone.
#include "engine/EngineTexts.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tv {
namespace {

// A font whose cells are 40 pixels tall: every glyph 20 pixels wide, "W" 36, the space 12 and
// the back step 8. With font 1 (line height 30) the scale is 0.75, so a glyph is 15 units wide,
// advances 12 (tracking 3), a space is 9 wide and the back step 6. Icons are 40 x 40 (30 units).
std::vector<TVector> TestGlyphs() {
  std::vector<TVector> g(256, TVector{20, 40});
  g['W'] = {36, 40};
  g[32] = {12, 40};
  g[8] = {8, 40};
  return g;
}

std::vector<TVector> TestIcons() {
  std::vector<TVector> i(16, TVector{40, 40});
  i[5] = {60, 40};
  return i;
}

class TextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Glyphs = TestGlyphs();
    Icons = TestIcons();
    TextsStartupFromSegments(Glyphs, Glyphs, Icons);
  }
  void TearDown() override {
    FreeText(Text);
    TextsShutdown();
  }
  TText* Make(std::string_view Bytes, TVector Box, int32_t Flags, int32_t Font = 1) {
    FreeText(Text);
    CreateText(Text, nullptr, 0, Box, Font, Flags);
    Text->SetText(Bytes);
    return Text;
  }
  const TCharacter* Char(int32_t Index) const { return Text->Characters.GetAs<TCharacter>(Index); }
  std::vector<float> Ys() const {
    std::vector<float> ys;
    for (TItem* it : Text->Characters) ys.push_back(static_cast<TCharacter*>(it)->Offset.Y);
    return ys;
  }

  std::vector<TVector> Glyphs;
  std::vector<TVector> Icons;
  TText* Text = nullptr;
};

TEST_F(TextsTest, FontStylesComeFromTheSegmentSizes) {
  const TFontStyle& f = GetFontStyle(1);
  EXPECT_FLOAT_EQ(f.LineHeight, 30);
  EXPECT_FLOAT_EQ(f.GlyphScale, 0.75f);
  EXPECT_FLOAT_EQ(f.SpaceWidth, 9);
  EXPECT_FLOAT_EQ(f.BackWidth, 6);
  EXPECT_FLOAT_EQ(f.Tracking, 3);
  EXPECT_FLOAT_EQ(FontLineHeight(5), 35);
  EXPECT_FLOAT_EQ(FontLineHeight(99), 35);  // clamped to the last style
  EXPECT_STREQ(FontTextureName(0), "T2FontDefault");
  EXPECT_STREQ(FontTextureName(3), "T2FontCustom");
  // Icon 200 lies beyond the 16 icon segments: it takes the last one, as drawing does.
  EXPECT_FLOAT_EQ(f.IconPixelWidth[200], 40);
  EXPECT_FLOAT_EQ(f.IconPixelWidth[5], 60);

  // A font picture without segments or with a flat glyph 32 still gives finite sizes.
  TFontStyle broken;
  const std::vector<TVector> flat(33, TVector{10, 0});
  FillFontStyle(broken, 25, flat, {});
  EXPECT_FLOAT_EQ(broken.GlyphScale, 25);
  EXPECT_FLOAT_EQ(broken.IconPixelWidth[3], 1);
}

TEST_F(TextsTest, StartAndShutDownRepeatedly) {
  TextsShutdown();
  TextsShutdown();  // twice, and without a start, does nothing harmful
  EXPECT_FALSE(TextsStarted());
  for (int i = 0; i < 3; ++i) {
    TextsStartupFromSegments(Glyphs, Glyphs, Icons);
    TText* t = nullptr;
    CreateText(t, nullptr, 0, {100, 100}, 0, 0);
    t->SetText("left behind");  // a text still in use at shutdown goes with the module
    TextsShutdown();
  }
  TextsStartupFromSegments(Glyphs, Glyphs, Icons);
  EXPECT_TRUE(TextsStarted());
}

TEST_F(TextsTest, MeasureText) {
  TVector size;
  int32_t lines = -1;
  MeasureText("", 1, 100, size, lines);
  EXPECT_EQ(lines, 0);
  EXPECT_FLOAT_EQ(size.X, 0);
  EXPECT_FLOAT_EQ(size.Y, 0);

  // Without wrapping a space is a glyph of its own width: 3 glyphs and 2 spaces.
  MeasureText("a b c", 1, 0, size, lines);
  EXPECT_EQ(lines, 1);
  EXPECT_FLOAT_EQ(size.X, 3 * 12 + 2 * 6);
  EXPECT_FLOAT_EQ(size.Y, 30);

  // Without wrapping a line feed always breaks; the widest line wins.
  MeasureText("aaa\nb", 1, 0, size, lines);
  EXPECT_EQ(lines, 2);
  EXPECT_FLOAT_EQ(size.X, 36);
  EXPECT_FLOAT_EQ(size.Y, 60);

  // With wrapping a single line feed joins like a space (12 + 9 + 12); two in a row each break.
  MeasureText("a\nb", 1, 200, size, lines);
  EXPECT_EQ(lines, 1);
  EXPECT_FLOAT_EQ(size.X, 33);
  MeasureText("a\n\nb", 1, 200, size, lines);
  EXPECT_EQ(lines, 3);

  // Words of 4 glyphs are 48 wide; two with their gap 105: they fit 105 and wrap at 100.
  MeasureText("aaaa aaaa", 1, 110, size, lines);
  EXPECT_EQ(lines, 1);
  MeasureText("aaaa aaaa", 1, 90, size, lines);
  EXPECT_EQ(lines, 2);
  EXPECT_FLOAT_EQ(size.X, 48);
  // 105 is within 2.5 % over 103 (limit 105.575): kept on one line.
  MeasureText("aaaa aaaa", 1, 103, size, lines);
  EXPECT_EQ(lines, 1);
  EXPECT_FLOAT_EQ(size.X, 105);

  // An icon counts its own width; byte 1 none; a back step subtracts.
  MeasureText(std::string("\x01\x05") + "a", 1, 0, size, lines);
  EXPECT_FLOAT_EQ(size.X, (45 - 3) + 12);
  MeasureText("a\ba", 1, 0, size, lines);
  EXPECT_FLOAT_EQ(size.X, 24 - 6);
}

TEST_F(TextsTest, LineFeedsUnderWordWrap) {
  // a, line feed, b with wrapping lies like a, space, b on one line.
  Make("a\nb", {200, 100}, WordWrap);
  const std::vector<float> joined{Char(1)->Offset.X, Char(2)->Offset.X, Char(3)->Offset.X};
  EXPECT_EQ(Char(2)->Segment, -32);
  EXPECT_FALSE(Char(2)->Visible());
  EXPECT_EQ(Text->LineCount(), 1);
  Make("a b", {200, 100}, WordWrap);
  EXPECT_FLOAT_EQ(Char(1)->Offset.X, joined[0]);
  EXPECT_FLOAT_EQ(Char(2)->Offset.X, joined[1]);
  EXPECT_FLOAT_EQ(Char(3)->Offset.X, joined[2]);

  // Two line feeds each break: b lies two lines below a.
  Make("a\n\nb", {200, 100}, WordWrap);
  EXPECT_EQ(Char(2)->Segment, -10);
  EXPECT_EQ(Char(3)->Segment, -10);
  EXPECT_EQ(Text->LineCount(), 3);
  EXPECT_FLOAT_EQ(Char(4)->Offset.Y - Char(1)->Offset.Y, 60);

  // Without wrapping a single line feed breaks, and spaces keep their width.
  Make("a\nb", {200, 100}, AlignLeft | AlignTop);
  EXPECT_EQ(Char(2)->Segment, -10);
  EXPECT_EQ(Text->LineCount(), 2);
  EXPECT_FLOAT_EQ(Char(1)->Offset.Y, -50 + 15);
  EXPECT_FLOAT_EQ(Char(3)->Offset.Y, -50 + 45);
  Make("a  b", {200, 100}, AlignLeft);
  EXPECT_FLOAT_EQ(Char(2)->Size.X, 9);
  EXPECT_FLOAT_EQ(Char(4)->Offset.X - Char(1)->Offset.X, 12 + 6 + 6);
}

TEST_F(TextsTest, WrappingSqueezingAndCompression) {
  // A word wider than the box stands alone and is squeezed to exactly the box width.
  Make("a WWWWWWWW a", {100, 200}, WordWrap | AlignLeft);
  EXPECT_EQ(Text->LineCount(), 3);
  EXPECT_EQ(Char(2)->Segment, -10);
  EXPECT_EQ(Char(11)->Segment, -10);
  const TCharacter* first = Char(3);
  const TCharacter* last = Char(10);
  EXPECT_NEAR(first->Offset.X - first->Size.X / 2, -50, 1e-3);
  EXPECT_NEAR(last->Offset.X + last->Size.X / 2, 50, 1e-3);
  EXPECT_LT(first->Size.X, 27.0f);  // 36 pixels x 0.75, narrowed

  // A line within 2.5 % over the box is kept whole and squeezed, not broken.
  Make("aaaa aaaa", {103, 100}, WordWrap);  // 105 wide plus tracking
  EXPECT_EQ(Text->LineCount(), 1);
  EXPECT_NEAR(Char(1)->Offset.X - Char(1)->Size.X / 2, -51.5, 1e-3);
  EXPECT_NEAR(Char(9)->Offset.X + Char(9)->Size.X / 2, 51.5, 1e-3);
  // A little more and it breaks at the space.
  Make("aaaa aaaaa", {103, 100}, WordWrap);
  EXPECT_EQ(Text->LineCount(), 2);
  EXPECT_EQ(Char(5)->Segment, -10);
  EXPECT_FLOAT_EQ(Char(5)->Size.X, 0);

  // Lines taller than the box are compressed into it.
  Make("a\nb\nc\nd", {100, 60}, AlignTop);
  EXPECT_EQ(Text->LineCount(), 4);
  for (TItem* it : Text->Characters) {
    const auto* c = static_cast<TCharacter*>(it);
    EXPECT_GE(c->Offset.Y - c->Size.Y / 2, -30 - 1e-3);
    EXPECT_LE(c->Offset.Y + c->Size.Y / 2, 30 + 1e-3);
    EXPECT_FLOAT_EQ(c->Size.Y, 15);
  }
}

TEST_F(TextsTest, AlignmentInNinePositions) {
  // One glyph 15 wide (line width 15 with the tracking back), 30 high, in a 100 x 60 box.
  const struct {
    int32_t Flags;
    float X;
    float Y;
  } cases[] = {
      {AlignLeft | AlignTop, -50 + 7.5f, -30 + 15},
      {AlignTop, 0, -30 + 15},
      {AlignRight | AlignTop, 50 - 7.5f, -30 + 15},
      {AlignLeft, -50 + 7.5f, 0},
      {0, 0, 0},
      {AlignRight, 50 - 7.5f, 0},
      {AlignLeft | AlignBottom, -50 + 7.5f, 15},
      {AlignBottom, 0, 15},
      {AlignRight | AlignBottom, 50 - 7.5f, 15},
  };
  for (const auto& c : cases) {
    Make("a", {100, 60}, c.Flags);
    EXPECT_FLOAT_EQ(Char(1)->Offset.X, c.X) << "flags " << c.Flags;
    EXPECT_FLOAT_EQ(Char(1)->Offset.Y, c.Y) << "flags " << c.Flags;
  }
}

TEST_F(TextsTest, IconsAndBackSteps) {
  Make(std::string("a\x01\x05") + "b", {200, 60}, AlignLeft);
  EXPECT_EQ(Char(2)->Segment, -1);
  EXPECT_FLOAT_EQ(Char(2)->Size.X, 0);  // byte 1 takes no room
  EXPECT_EQ(Char(3)->Kind, TCharKind::Icon);
  EXPECT_EQ(Char(3)->Segment, 5);
  EXPECT_TRUE(Char(3)->Visible());
  EXPECT_FLOAT_EQ(Char(3)->Size.X, 45);
  EXPECT_FLOAT_EQ(Char(3)->Offset.X, -100 + 12 + 22.5f);
  EXPECT_FLOAT_EQ(Char(4)->Offset.X, -100 + 12 + 42 + 7.5f);
  // Icon 10 and icon 1 are icons, not a line feed or a marker.
  Make(std::string("\x01\x0a\x01\x01"), {200, 60}, WordWrap);
  EXPECT_EQ(Text->LineCount(), 1);
  EXPECT_EQ(Char(2)->Segment, 10);
  EXPECT_EQ(Char(4)->Segment, 1);

  // The back step pulls the next glyph 6 units back.
  Make("a\bb", {200, 60}, AlignLeft);
  EXPECT_EQ(Char(2)->Segment, -8);
  EXPECT_FLOAT_EQ(Char(3)->Offset.X - Char(1)->Offset.X, 12 - 6);
  // Other control bytes take no room.
  Make(
      "a\x02"
      "b",
      {200, 60}, AlignLeft);
  EXPECT_FLOAT_EQ(Char(3)->Offset.X - Char(1)->Offset.X, 12);
}

TEST_F(TextsTest, CaretPosition) {
  Make("", {100, 60}, AlignLeft | AlignTop);
  Text->SetPosition({10, 20});
  TVector at = Text->CaretPosition(1);
  EXPECT_FLOAT_EQ(at.X, 10 - 50);
  EXPECT_FLOAT_EQ(at.Y, 20 - 30 + 15);
  Make("", {100, 60}, AlignRight | AlignBottom);
  at = Text->CaretPosition(1);
  EXPECT_FLOAT_EQ(at.X, 50);
  EXPECT_FLOAT_EQ(at.Y, 30 - 15);
  Make("", {100, 60}, 0);
  at = Text->CaretPosition(1);
  EXPECT_FLOAT_EQ(at.X, 0);
  EXPECT_FLOAT_EQ(at.Y, 0);

  Make("ab", {100, 60}, AlignLeft);
  EXPECT_FLOAT_EQ(Text->CaretPosition(1).X, -50);
  EXPECT_FLOAT_EQ(Text->CaretPosition(2).X, -50 + 12);
  EXPECT_FLOAT_EQ(Text->CaretPosition(3).X, -50 + 24);  // after the last glyph: its advance
  EXPECT_FLOAT_EQ(Text->CaretPosition(99).X, -50 + 24);
  EXPECT_FLOAT_EQ(Text->CaretPosition(0).X, -50);  // before the first, not a crash
  EXPECT_FLOAT_EQ(Text->CaretPosition(2).Y, 0);
}

TEST_F(TextsTest, CharactersAreReusedAcrossSetText) {
  Make("hello world", {300, 60}, 0);
  const TCharacter* first = Char(1);
  const TTextStats before = CurrentTextStats();
  Text->SetText("hello world");  // the same text costs nothing
  EXPECT_EQ(CurrentTextStats().Layouts, before.Layouts);
  Text->SetText("hi");
  EXPECT_EQ(Text->Characters.GetCount(), 2);
  EXPECT_EQ(Char(1), first);
  EXPECT_EQ(CurrentTextStats().CharactersRemoved - before.CharactersRemoved, 9);
  Text->SetText("hi there, longer");
  EXPECT_EQ(Char(1), first);
  EXPECT_EQ(CurrentTextStats().CharactersAdded - before.CharactersAdded, 14);
  EXPECT_EQ(Char(3)->Byte, ' ');
  EXPECT_EQ(Char(3)->Segment, -32);  // a reused character takes the new byte's meaning
  UpdateTexts();
  EXPECT_EQ(LastFrameTextStats().Layouts, before.Layouts + 2);
  EXPECT_EQ(CurrentTextStats().Layouts, 0);

  // A text longer than the character cache takes more from it and gives them back.
  const std::string longText(700, 'x');
  Text->SetText(longText);
  EXPECT_EQ(Text->Characters.GetCount(), 700);
  Text->SetText("");
  EXPECT_EQ(Text->Characters.GetCount(), 0);
  Text->SetText(longText);  // now from the grown cache
  EXPECT_EQ(Text->Characters.GetCount(), 700);
  FreeText(Text);
  EXPECT_EQ(Text, nullptr);
  FreeText(Text);  // freeing an empty variable does nothing
}

TEST_F(TextsTest, CreateTextFillsTheFieldsOnce) {
  CreateText(Text, nullptr, 7, {120, 40}, 3, AlignLeft);
  TText* made = Text;
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Order, 7);
  EXPECT_EQ(made->FontIndex, 3);
  EXPECT_FLOAT_EQ(made->Color.X, 1);
  EXPECT_FLOAT_EQ(made->Alpha, 1);
  EXPECT_TRUE(made->Text.empty());
  CreateText(Text, nullptr, 9, {1, 1}, 0, 0);  // already set: nothing happens
  EXPECT_EQ(Text, made);
  EXPECT_EQ(made->Order, 7);
  made->SetColor({1, 0, 0});
  made->SetAlpha(0.5f);
  made->SetText("x");
  FreeText(Text);
  CreateText(Text, nullptr, 0, {1, 1}, 0, 0);  // a recycled text starts white, opaque and empty
  EXPECT_FLOAT_EQ(Text->Color.Y, 1);
  EXPECT_FLOAT_EQ(Text->Alpha, 1);
  EXPECT_TRUE(Text->Text.empty());
  EXPECT_EQ(Text->Characters.GetCount(), 0);
}

// Random texts of words, spaces, line feeds, icons and back steps, in random boxes and flags:
// nothing leaves the box, and the wrapped line count agrees with MeasureText.
TEST_F(TextsTest, RandomTextsStayInTheirBoxes) {
  std::mt19937 random(12345);
  const char alphabet[] = "aaaaW   \n";
  for (int round = 0; round < 400; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 80);
    for (int i = 0; i < length; ++i) {
      const uint32_t pick = random() % 40;
      if (pick == 0) {
        bytes += std::string("\x01") + static_cast<char>(random() % 16);
      } else {
        bytes += alphabet[random() % (sizeof alphabet - 1)];
      }
    }
    const TVector box{static_cast<float>(20 + random() % 300), static_cast<float>(20 + random() % 200)};
    const int32_t flags = static_cast<int32_t>(random() % 32);
    const int32_t font = static_cast<int32_t>(random() % 6);
    Make(bytes, box, flags, font);
    for (TItem* it : Text->Characters) {
      const auto* c = static_cast<TCharacter*>(it);
      if (!c->Visible()) continue;
      ASSERT_GE(c->Offset.X - c->Size.X / 2, -box.X / 2 - 0.01f) << round;
      ASSERT_LE(c->Offset.X + c->Size.X / 2, box.X / 2 + 0.01f) << round;
      ASSERT_GE(c->Offset.Y - c->Size.Y / 2, -box.Y / 2 - 0.01f) << round;
      ASSERT_LE(c->Offset.Y + c->Size.Y / 2, box.Y / 2 + 0.01f) << round;
    }
    // A text that ends in a line break measures one line more (the empty line the break opens)
    // than it lays out; every other wrapped text agrees.
    if (TestBit32(flags, WordWrap) && !bytes.empty() && Text->Characters.LastAs<TCharacter>()->Segment != -10) {
      TVector size;
      int32_t lines = 0;
      MeasureText(bytes, font, box.X, size, lines);
      EXPECT_EQ(lines, Text->LineCount()) << round;
    }
  }
}

}  // namespace
}  // namespace tv
