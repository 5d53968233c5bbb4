// Texts and framed boxes on a canvas of the memory video device: fonts loaded as textures, one
// sprite per character, the eight pieces and fill of a framed box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EngineTexts.h"
#include "support/VideoTestSupport.h"

namespace tv::test {
namespace {

// A font picture whose segments file gives every glyph 20 x 40 pixels, the space 12 and the
// back step 8 (as the layout tests' font), and an icon picture of 16 cells of 40 x 40.
void WriteFonts(const TVideoTestEnv& Env) {
  std::string glyphs = "SEGMENTS 256\n";
  for (int c = 0; c < 256; ++c) {
    const int width = c == 32 ? 12 : (c == 8 ? 8 : 20);
    glyphs += "SEGMENT " + std::to_string(c) + " 0 0 " + std::to_string(width) + " 40\n";
  }
  std::string icons = "SEGMENTS 16\n";
  for (int i = 0; i < 16; ++i) icons += "SEGMENT " + std::to_string(i) + " " + std::to_string(i * 40) + " 0 40 40\n";
  for (const char* name : {"T2FontDefault", "T2FontCustom"}) {
    WritePacked(Env.Language(std::string(name) + ".tpx"), {SolidPicture(64, 40, 0xFFFFFFFF)});
    WriteFile(Env.Language(std::string(name) + ".tsg"), glyphs);
  }
  WritePacked(Env.Ordinary("T2IconsCustom.tpx"), {SolidPicture(640, 40, 0xFFFFFFFF)});
  WriteFile(Env.Ordinary("T2IconsCustom.tsg"), icons);
  std::string border = "SEGMENTS 8\n";
  for (int i = 0; i < 8; ++i) border += "SEGMENT " + std::to_string(i) + " " + std::to_string(i * 8) + " 0 8 8\n";
  WritePacked(Env.Ordinary("G2Frame.tpx"), {SolidPicture(64, 8, 0xFF808080)});
  WriteFile(Env.Ordinary("G2Frame.tsg"), border);
}

class TextSprites : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFonts(Env);
    TextsStartup();
  }
  void TearDown() override {
    FreeText(Text);
    FreeSquare(Square);
    TextsShutdown();
  }
  int32_t SpritesOnMain() const { return MainCanvas()->Sprites->GetCount(); }

  TVideoTestEnv Env;
  TText* Text = nullptr;
  TSquare* Square = nullptr;
};

TEST_F(TextSprites, StylesComeFromTheLoadedTextures) {
  const TFontStyle& plain = GetFontStyle(1);
  ASSERT_NE(plain.Glyphs, nullptr);
  EXPECT_EQ(static_cast<TNamedItem*>(plain.Glyphs)->Name, "T2FontDefault");
  EXPECT_EQ(static_cast<TNamedItem*>(GetFontStyle(2).Glyphs)->Name, "T2FontCustom");
  EXPECT_EQ(static_cast<TNamedItem*>(plain.Icons)->Name, "T2IconsCustom");
  EXPECT_FLOAT_EQ(plain.GlyphScale, 0.75f);
  EXPECT_FLOAT_EQ(plain.SpaceWidth, 9);
  EXPECT_FLOAT_EQ(plain.BackWidth, 6);
  EXPECT_FLOAT_EQ(plain.Tracking, 3);
  EXPECT_TRUE(Env.Warnings().empty());
}

TEST_F(TextSprites, MissingFontsFallBackToThePlaceholder) {
  ReleaseTexture(GetFontStyle(5).Glyphs);  // loaded textures stay cached until released
  TextsShutdown();
  DeleteFilePath(Env.Language("T2FontCustom.tpx"));
  TextsStartup();
  const TFontStyle& custom = GetFontStyle(5);
  ASSERT_NE(custom.Glyphs, nullptr);
  EXPECT_GT(custom.GlyphScale, 0);
  EXPECT_TRUE(std::isfinite(custom.SpaceWidth));
  bool warned = false;
  for (const std::string& w : Env.Warnings()) warned = warned || w.find("\"T2FontCustom\"") != std::string::npos;
  EXPECT_TRUE(warned);
  CreateText(Text, MainCanvas(), 0, {200, 50}, 5, 0);
  Text->SetText("still drawn");
  EXPECT_EQ(Text->Characters.GetCount(), 11);
}

TEST_F(TextSprites, EveryCharacterIsASpriteThatFollowsTheText) {
  const int32_t before = SpritesOnMain();
  CreateText(Text, MainCanvas(), 40, {200, 60}, 1, AlignLeft);
  Text->SetPosition({100, 50});
  Text->SetText(std::string("a b\x01\x05"));
  EXPECT_EQ(SpritesOnMain(), before + 5);
  const auto* a = Text->Characters.GetAs<TCharacter>(1);
  const auto* space = Text->Characters.GetAs<TCharacter>(2);
  const auto* icon = Text->Characters.GetAs<TCharacter>(5);
  ASSERT_NE(a->Sprite, nullptr);
  EXPECT_EQ(a->Sprite->Order, 40);
  EXPECT_EQ(a->Sprite->GetSegment(0), 'a');
  EXPECT_EQ(a->Sprite->GetTexture(0), GetFontStyle(1).Glyphs);
  EXPECT_TRUE(a->Sprite->Visible);
  EXPECT_FALSE(space->Sprite->Visible);
  EXPECT_EQ(space->Sprite->GetSegment(0), -32);
  EXPECT_EQ(icon->Sprite->GetTexture(0), GetFontStyle(1).Icons);
  EXPECT_EQ(icon->Sprite->GetSegment(0), 5);
  EXPECT_FLOAT_EQ(a->Sprite->Position.X, 100 - 100 + 7.5f);
  EXPECT_FLOAT_EQ(a->Sprite->Position.Y, 50);
  EXPECT_FLOAT_EQ(a->Sprite->Size.X, 15);
  EXPECT_FLOAT_EQ(a->Sprite->Size.Y, 30);

  // Position, colour and alpha touch only the sprites.
  Text->SetPosition({0, 0});
  EXPECT_FLOAT_EQ(a->Sprite->Position.X, -100 + 7.5f);
  EXPECT_FLOAT_EQ(a->Offset.X, -100 + 7.5f);
  Text->SetColor({1, 0.5f, 0});
  Text->SetAlpha(0.25f);
  for (TItem* it : Text->Characters) {
    const TSprite* s = static_cast<TCharacter*>(it)->Sprite;
    EXPECT_FLOAT_EQ(s->Color.G, 0.5f);
    EXPECT_FLOAT_EQ(s->Color.A, 0.25f);
  }
  // New characters take the text's colour; fewer characters give their sprites back.
  Text->SetText("abcdefgh");
  EXPECT_FLOAT_EQ(Text->Characters.LastAs<TCharacter>()->Sprite->Color.A, 0.25f);
  EXPECT_TRUE(Text->Characters.GetAs<TCharacter>(2)->Sprite->Visible);  // was the space
  EXPECT_EQ(SpritesOnMain(), before + 8);
  Text->SetText("ab");
  EXPECT_EQ(SpritesOnMain(), before + 2);
  FreeText(Text);
  EXPECT_EQ(SpritesOnMain(), before);
}

TEST_F(TextSprites, FramedBoxPieces) {
  const int32_t before = SpritesOnMain();
  CreateSquare(Square, MainCanvas(), 10, 20, "G2Frame", true);
  ASSERT_NE(Square, nullptr);
  EXPECT_EQ(SpritesOnMain(), before + 9);
  EXPECT_FLOAT_EQ(Square->Size.X, 60);  // three borders until it is sized
  EXPECT_EQ(Square->Fill->Order, 9);
  EXPECT_EQ(Square->Fill->Mode, FindShadingMode("OnlyTint"));
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Square->Borders[i]->GetSegment(0), i);
    EXPECT_EQ(Square->Borders[i]->Order, 10);
    EXPECT_FLOAT_EQ(Square->Borders[i]->Position.X, SquarePieceDirection(i).X * 20);
  }

  Square->SetSize({100, 60});
  EXPECT_FLOAT_EQ(Square->Fill->Size.X, 60);
  EXPECT_FLOAT_EQ(Square->Fill->Size.Y, 20);
  EXPECT_FLOAT_EQ(Square->Borders[0]->Size.X, 60);  // top and bottom edges: the inner width
  EXPECT_FLOAT_EQ(Square->Borders[4]->Size.X, 60);
  EXPECT_FLOAT_EQ(Square->Borders[4]->Size.Y, 20);
  EXPECT_FLOAT_EQ(Square->Borders[2]->Size.Y, 20);  // left and right edges: the inner height
  EXPECT_FLOAT_EQ(Square->Borders[6]->Size.X, 20);
  for (int corner : {1, 3, 5, 7}) {
    const TSprite* s = Square->Borders[corner];
    EXPECT_FLOAT_EQ(s->Size.X, 20);
    EXPECT_FLOAT_EQ(s->Size.Y, 20);
    EXPECT_FLOAT_EQ(s->Position.X, 40 * SquarePieceDirection(corner).X);
    EXPECT_FLOAT_EQ(s->Position.Y, 20 * SquarePieceDirection(corner).Y);
  }
  EXPECT_FLOAT_EQ(Square->Borders[0]->Position.Y, -20);

  Square->SetPosition({5, -5});
  EXPECT_FLOAT_EQ(Square->Borders[3]->Position.X, 45);
  EXPECT_FLOAT_EQ(Square->Borders[3]->Position.Y, 15);
  EXPECT_FLOAT_EQ(Square->Fill->Position.X, 5);
  Square->SetColor({0, 1, 0});
  Square->SetAlpha(0.5f);
  EXPECT_FLOAT_EQ(Square->Fill->Color.G, 1);
  EXPECT_FLOAT_EQ(Square->Borders[7]->Color.R, 0);
  EXPECT_FLOAT_EQ(Square->Borders[7]->Color.A, 0.5f);

  // Smaller than its two borders: the inside is empty, never negative.
  Square->SetSize({30, 10});
  EXPECT_FLOAT_EQ(Square->Fill->Size.X, 0);
  EXPECT_FLOAT_EQ(Square->Borders[2]->Size.Y, 0);
  EXPECT_FLOAT_EQ(Square->Borders[1]->Position.X, 5 + 10);

  FreeSquare(Square);
  EXPECT_EQ(SpritesOnMain(), before);
  // Without a fill there are eight pieces only; a recycled square starts afresh.
  CreateSquare(Square, MainCanvas(), 0, 8, "G2Frame", false);
  EXPECT_EQ(Square->Fill, nullptr);
  EXPECT_EQ(SpritesOnMain(), before + 8);
  EXPECT_FLOAT_EQ(Square->Size.X, 24);
  EXPECT_FLOAT_EQ(Square->Alpha, 1);
  EXPECT_FLOAT_EQ(Square->Position.X, 0);
}

TEST_F(TextSprites, ShutdownAfterTheVideoDeviceIsHarmless) {
  CreateText(Text, MainCanvas(), 0, {100, 40}, 0, 0);
  Text->SetText("orphans");
  CreateSquare(Square, MainCanvas(), 0, 8, "G2Frame", true);
  VideoShutdown();
  Text = nullptr;
  Square = nullptr;
  TextsShutdown();  // the sprites went with the device; nothing is freed twice
  EXPECT_FALSE(TextsStarted());
}

}  // namespace
}  // namespace tv::test
