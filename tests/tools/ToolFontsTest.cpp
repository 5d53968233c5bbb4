// The font and icon bakers and the headless text layout, run as the build and authors run them.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace tv::test {
namespace {

const std::string Tool = std::string(TV_BIN_DIR) + "/tolvaren-tool";
const std::string FontDir = "/usr/share/fonts/truetype/dejavu/";

struct TSeg {
  int X = 0, Y = 0, W = 0, H = 0;
};

std::vector<TSeg> ReadSegments(const std::string& Path) {
  std::istringstream in(ReadFile(Path));
  std::string word;
  int count = 0;
  in >> word >> count;
  EXPECT_EQ(word, "SEGMENTS");
  std::vector<TSeg> segs(static_cast<size_t>(count));
  int index = 0;
  while (in >> word >> index) {
    EXPECT_EQ(word, "SEGMENT");
    TSeg& s = segs.at(static_cast<size_t>(index));
    in >> s.X >> s.Y >> s.W >> s.H;
  }
  return segs;
}

// The first picture chunk of a packed texture.
struct TPicture {
  int Width = 0, Height = 0, Format = 0, Bpp = 0, Pitch = 0;
  std::string Rows;
  int AlphaAt(int X, int Y) const {
    return static_cast<uint8_t>(Rows[static_cast<size_t>(Y * Pitch + X * Bpp + Bpp - 1)]);
  }
  int LumAt(int X, int Y) const { return static_cast<uint8_t>(Rows[static_cast<size_t>(Y * Pitch + X * Bpp)]); }
  int InkIn(const TSeg& S) const {
    int ink = 0;
    for (int y = S.Y; y < S.Y + S.H; ++y) {
      for (int x = S.X; x < S.X + S.W; ++x) ink += AlphaAt(x, y) > 0 ? 1 : 0;
    }
    return ink;
  }
};

TPicture ReadPicture(const std::string& Path) {
  const std::string bytes = ReadFile(Path);
  TPicture p;
  int32_t head[8] = {};
  EXPECT_GE(bytes.size(), sizeof head);
  if (bytes.size() < sizeof head) return p;
  std::memcpy(head, bytes.data(), sizeof head);
  EXPECT_EQ(head[1], 1);  // a picture chunk
  p.Width = head[3];
  p.Height = head[4];
  p.Format = head[5];
  p.Bpp = head[6];
  p.Pitch = head[7];
  EXPECT_EQ(head[0], 24 + p.Pitch * p.Height);  // the chunk's size is exactly its data
  EXPECT_EQ(bytes.size(), sizeof head + static_cast<size_t>(p.Pitch * p.Height));
  p.Rows = bytes.substr(sizeof head);
  return p;
}

int Bake(const TTempDir& Dir, const std::string& Extra, std::string* Err = nullptr) {
  return RunCommand(Tool + " font bake --font " + FontDir + "DejaVuSans.ttf --out " + Dir.Path() + " " + Extra, nullptr,
                    Err);
}

TEST(ToolFontBake, EveryCodePageGetsAGlyphForEveryByte) {
  for (int codePage : {1250, 1251, 1252}) {
    TTempDir dir;
    ASSERT_EQ(Bake(dir, "--name F --codepage " + std::to_string(codePage) + " --size 20 --height 32"), 0) << codePage;
    const std::vector<TSeg> segs = ReadSegments(dir / "F.tsg");
    ASSERT_EQ(segs.size(), 256u);
    const TPicture pic = ReadPicture(dir / "F.tpx");
    EXPECT_EQ(pic.Format, 51);  // A8L8
    EXPECT_EQ(pic.Bpp, 2);
    EXPECT_EQ(pic.Pitch, pic.Width * 2);
    for (int b = 0; b < 256; ++b) {
      const TSeg& s = segs[static_cast<size_t>(b)];
      EXPECT_EQ(s.H, 32) << b;  // one cell height, so glyph 32 gives the scale of all
      EXPECT_GE(s.X, 0);
      EXPECT_LE(s.X + s.W, pic.Width);
      EXPECT_LE(s.Y + s.H, pic.Height);
    }
    // The space is its advance plus the 4-pixel overlap; the back step exactly one advance.
    EXPECT_EQ(segs[8].W, segs[32].W - 4);
    EXPECT_EQ(pic.InkIn(segs[32]), 0);
    EXPECT_EQ(pic.InkIn(segs[8]), 0);
    // Letters have ink, and no glyph's ink leaks into the one-pixel gaps between cells.
    for (int b : {int{'A'}, int{'g'}, 0xC0, 0xE0, 0xC8})
      EXPECT_GT(pic.InkIn(segs[static_cast<size_t>(b)]), 10) << codePage << " " << b;
    EXPECT_EQ(ReadFile(dir / "F.txt").rfind("CodePageIdentifier " + std::to_string(codePage) + "\n", 0), 0u);
  }
}

TEST(ToolFontBake, CodePagesDrawTheirOwnCharacters) {
  TTempDir western;
  TTempDir cyrillic;
  ASSERT_EQ(Bake(western, "--name F --codepage 1252 --size 20 --height 32"), 0);
  ASSERT_EQ(Bake(cyrillic, "--name F --codepage 1251 --size 20 --height 32"), 0);
  const std::vector<TSeg> w = ReadSegments(western / "F.tsg");
  const std::vector<TSeg> c = ReadSegments(cyrillic / "F.tsg");
  // ASCII is shared; byte 0xE6 is "ae" in 1252 and "zhe" in 1251, of other widths.
  EXPECT_EQ(w['M'].W, c['M'].W);
  EXPECT_NE(w[0xE6].W, c[0xE6].W);
  // 1251 leaves 0x98 unmapped: it shows the missing-glyph box rather than nothing.
  const TPicture pic = ReadPicture(cyrillic / "F.tpx");
  EXPECT_GT(pic.InkIn(c[0x98]), 10);
}

TEST(ToolFontBake, DecorationFormatAndFailures) {
  TTempDir plain;
  TTempDir decorated;
  ASSERT_EQ(Bake(plain, "--name P --size 24 --height 40 --format a8"), 0);
  ASSERT_EQ(Bake(decorated, "--name D --size 24 --height 40 --outline 2 --shadow 2 --gradient 30"), 0);
  const TPicture a8 = ReadPicture(plain / "P.tpx");
  EXPECT_EQ(a8.Format, 28);
  EXPECT_EQ(a8.Bpp, 1);
  const std::vector<TSeg> p = ReadSegments(plain / "P.tsg");
  const std::vector<TSeg> d = ReadSegments(decorated / "D.tsg");
  // The outline widens every advance alike by its thickness; the shadow lies in the overlap.
  EXPECT_EQ(d['A'].W, p['A'].W + 2);
  EXPECT_EQ(d[32].W, p[32].W + 2);
  // The decorated glyph has dark pixels (outline: opaque but not bright), the plain one none.
  const TPicture dec = ReadPicture(decorated / "D.tpx");
  int dark = 0;
  const TSeg& s = d['O'];
  for (int y = s.Y; y < s.Y + s.H; ++y) {
    for (int x = s.X; x < s.X + s.W; ++x) dark += (dec.AlphaAt(x, y) > 200 && dec.LumAt(x, y) < 60) ? 1 : 0;
  }
  EXPECT_GT(dark, 20);

  TTempDir dir;
  std::string err;
  EXPECT_EQ(Bake(dir, "--codepage 99999 --size 20"), 2);  // out of range
  EXPECT_EQ(Bake(dir, "--codepage 4242", &err), 1);       // no such code page
  EXPECT_NE(err.find("code page"), std::string::npos);
  EXPECT_EQ(RunCommand(Tool + " font bake --font /nonexistent.ttf --out " + dir.Path(), nullptr, &err), 1);
  EXPECT_EQ(RunCommand(Tool + " font bake --out " + dir.Path(), nullptr, &err), 2);
  EXPECT_EQ(Bake(dir, "--size"), 2);
}

TEST(ToolIconsBake, SixteenSquareIcons) {
  TTempDir dir;
  ASSERT_EQ(RunCommand(Tool + " icons bake --out " + dir.Path() + " --height 40"), 0);
  const std::vector<TSeg> segs = ReadSegments(dir / "T2IconsCustom.tsg");
  ASSERT_EQ(segs.size(), 16u);
  const TPicture pic = ReadPicture(dir / "T2IconsCustom.tpx");
  EXPECT_EQ(pic.Format, 51);
  EXPECT_EQ(pic.InkIn(segs[0]), 0);
  for (size_t i = 1; i < 16; ++i) {
    EXPECT_EQ(segs[i].W, 40);
    EXPECT_EQ(segs[i].H, 40);
    EXPECT_GT(pic.InkIn(segs[i]), 100) << i;
    // The border stays inside the cell: its outermost pixels are clear.
    EXPECT_EQ(pic.AlphaAt(segs[i].X, segs[i].Y), 0) << i;
  }
  // Icons are white to be tinted (the badges are tinted red and green): some pixel is opaque white.
  int white = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = segs[11].X; x < segs[11].X + 40; ++x)
      white += (pic.AlphaAt(x, y) == 255 && pic.LumAt(x, y) == 255) ? 1 : 0;
  }
  EXPECT_GT(white, 50);
  EXPECT_EQ(RunCommand(Tool + " icons bake --out " + dir.Path() + " --height 2"), 2);
}

// Pulls "key": number pairs of one character record of the layout's JSON.
std::vector<std::map<std::string, double>> ParseChars(const std::string& Json) {
  std::vector<std::map<std::string, double>> out;
  size_t at = 0;
  while ((at = Json.find("{\"byte\"", at)) != std::string::npos) {
    const size_t end = Json.find('}', at);
    std::map<std::string, double> rec;
    const std::string body = Json.substr(at + 1, end - at - 1);
    size_t k = 0;
    while ((k = body.find('"', k)) != std::string::npos) {
      const size_t ke = body.find('"', k + 1);
      const std::string key = body.substr(k + 1, ke - k - 1);
      const std::string value = body.substr(ke + 2, body.find_first_of(",}", ke) - ke - 2);
      rec[key] = value.find("true") != std::string::npos
                     ? 1
                     : (value.find("false") != std::string::npos ? 0 : std::stod(value));
      k = body.find_first_of(",", ke);
      if (k == std::string::npos) break;
    }
    out.push_back(rec);
    at = end;
  }
  return out;
}

TEST(ToolTextLayout, RussianTextInItsOwnCodePageAndFont) {
  TTempDir data;
  ASSERT_EQ(Bake(data, "--name T2FontCustom --codepage 1251 --size 20 --height 32"), 0);
  ASSERT_EQ(Bake(data, "--name T2FontDefault --codepage 1251 --size 20 --height 32"), 0);
  ASSERT_EQ(RunCommand(Tool + " icons bake --out " + data.Path() + " --height 32"), 0);
  std::string out;
  ASSERT_EQ(RunCommand(Tool + " text-layout --data " + data.Path() +
                           " --font 2 --box 160 100 --flags 19 --text 'Жили-были дед да баба'",
                       &out),
            0);
  const auto chars = ParseChars(out);
  ASSERT_EQ(chars.size(), 21u);          // one byte a letter in code page 1251
  EXPECT_EQ(chars[0].at("byte"), 0xC6);  // "Zhe"
  EXPECT_EQ(chars[0].at("segment"), 0xC6);
  EXPECT_EQ(chars[9].at("segment"), -32);
  EXPECT_EQ(chars[16].at("segment"), -10);  // the line breaks before "baba"
  EXPECT_NEAR(chars[17].at("y") - chars[0].at("y"), 25, 1e-4);
  const std::vector<TSeg> segs = ReadSegments(data / "T2FontCustom.tsg");
  const double scale = 25.0 / 32.0;
  EXPECT_NEAR(chars[1].at("w"), scale * segs[0xE8].W, 1e-4);        // "i", unsqueezed
  EXPECT_NEAR(chars[0].at("x") - chars[0].at("w") / 2, -80, 1e-3);  // left-aligned in the box
  EXPECT_NE(out.find("\"measure\": {\"size\": ["), std::string::npos);
  EXPECT_NE(out.find("\"lines\": 2"), std::string::npos);

  // Raw bytes, with an icon: the icon is as wide as a font cell is tall, so it lies square.
  ASSERT_EQ(
      RunCommand(Tool + " text-layout --data " + data.Path() + " --font 0 --box 300 40 --flags 0 --hex 41010b42", &out),
      0);
  const auto icon = ParseChars(out);
  ASSERT_EQ(icon.size(), 4u);
  EXPECT_EQ(icon[2].at("segment"), 11);
  EXPECT_NEAR(icon[2].at("w"), icon[2].at("h"), 1e-4);
  EXPECT_EQ(icon[1].at("visible"), 0);

  EXPECT_EQ(RunCommand(Tool + " text-layout --data " + data.Path() + " --font 9 --box 1 1 --flags 0 --text x"), 2);
  EXPECT_EQ(RunCommand(Tool + " text-layout --data " + data.Path() + " --font 0 --box 1 1 --flags 0 --hex 4"), 2);
  EXPECT_EQ(RunCommand(Tool + " text-layout --font 0 --box 1 1 --text x"), 2);
}

// A program folder's language folder is the one the game would use: a single "Language/"
// folder wins over "Languages/NAME/", and an unknown language falls back to English.
TEST(ToolTextLayout, ProgramFolderLanguageIsPickedAsTheGamePicksIt) {
  TTempDir program;
  auto bakeInto = [&](const std::string& Folder, int CodePage) {
    MakeDirs(program / Folder);
    for (const char* name : {"T2FontCustom", "T2FontDefault"}) {
      ASSERT_EQ(RunCommand(Tool + " font bake --font " + FontDir + "DejaVuSans.ttf --out " + (program / Folder) +
                           " --name " + name + " --codepage " + std::to_string(CodePage) + " --size 20 --height 32"),
                0);
    }
  };
  MakeDirs(program / "Ordinary");
  ASSERT_EQ(RunCommand(Tool + " icons bake --out " + (program / "Ordinary") + " --height 32"), 0);
  bakeInto("Languages/English", 1252);
  const std::string layout =
      Tool + " text-layout --data " + program.Path() + " --font 2 --box 400 100 --flags 0 --text 'Ж'";
  std::string out;
  // Only the English folder: an unknown language falls back to it (code page 1252 has no Zhe).
  ASSERT_EQ(RunCommand(layout + " --language Nowhere", &out), 0);
  ASSERT_EQ(ParseChars(out).size(), 1u);
  EXPECT_NE(ParseChars(out)[0].at("byte"), 0xC6);
  // A single language folder is preferred, whatever the language asked for.
  bakeInto("Language", 1251);
  ASSERT_EQ(RunCommand(layout + " --language English", &out), 0);
  const auto chars = ParseChars(out);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].at("byte"), 0xC6);
}

}  // namespace
}  // namespace tv::test
