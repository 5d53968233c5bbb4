// The game's built data holds every texture and particle effect that the screens and the demo
// story draw (content/Art/Required.txt), each with the segments drawn, every segment inside its
// picture, and every effect's particles drawn from segments that exist; and the splash pictures of
// the branding folder fill the design screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/EngineEffects.h"
#include "engine/EngineTextures.h"
#include "support/TestSupport.h"
#include "support/VideoTestSupport.h"

namespace tv {
namespace {

struct TRequiredArt {
  std::map<std::string, std::pair<int32_t, int32_t>> Textures;  // name -> first and last segment drawn
  std::vector<std::string> Effects;
};

TRequiredArt ReadRequiredArt() {
  TRequiredArt r;
  std::istringstream lines(test::ReadFile(std::string(TV_SOURCE_DIR) + "/content/Art/Required.txt"));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string kind;
    std::string name;
    if (!(words >> kind >> name)) continue;
    if (kind == "effect") {
      r.Effects.push_back(name);
      continue;
    }
    char dash = 0;
    int32_t first = -1;
    int32_t last = -1;
    EXPECT_EQ(kind, "texture") << line;
    EXPECT_TRUE(words >> first >> dash >> last && dash == '-' && first <= last) << line;
    r.Textures[name] = {first, last};
  }
  return r;
}

class ArtData : public ::testing::Test {
 protected:
  test::TVideoTestEnv Env;
  void SetUp() override {
    DoneFolders();
    InitFoldersFrom(std::string(TV_BIN_DIR) + "/tolvaren");
  }
};

TEST_F(ArtData, EveryTextureExistsWithTheSegmentsDrawnInsideItsPicture) {
  const TRequiredArt required = ReadRequiredArt();
  ASSERT_GT(required.Textures.size(), 40u);
  for (const auto& [name, range] : required.Textures) {
    SCOPED_TRACE(name);
    TFolderKind folder{};
    TExtKind ext{};
    ASSERT_TRUE(FindTextureFile(name, folder, ext)) << "missing from the built data";
    EXPECT_EQ(folder, TFolderKind::Ordinary);
    const TTexture* texture = LoadTexture(name);
    ASSERT_NE(texture, nullptr);
    EXPECT_GT(range.second, -1);
    ASSERT_GT(texture->SegmentCount(), range.second) << "too few segments";
    for (int32_t i = 0; i < texture->SegmentCount(); ++i) {
      const TSegment& s = *texture->SegmentAt(i);
      EXPECT_GT(s.PixelSize.X, 0) << "segment " << i;
      EXPECT_GT(s.PixelSize.Y, 0) << "segment " << i;
      EXPECT_GE(s.UVOffset.X, 0) << "segment " << i;
      EXPECT_GE(s.UVOffset.Y, 0) << "segment " << i;
      EXPECT_LE(s.UVOffset.X + s.UVScale.X, 1.0f + 1e-6f) << "segment " << i;
      EXPECT_LE(s.UVOffset.Y + s.UVScale.Y, 1.0f + 1e-6f) << "segment " << i;
    }
  }
  // A missing file or a broken segments file is logged by the loader.
  EXPECT_TRUE(Env.Warnings().empty()) << Env.Warnings().front();
}

TEST_F(ArtData, EveryEffectExistsAndDrawsSegmentsThatExist) {
  const TRequiredArt required = ReadRequiredArt();
  ASSERT_GT(required.Effects.size(), 7u);
  for (const std::string& name : required.Effects) {
    SCOPED_TRACE(name);
    const std::string path = std::string(TV_BIN_DIR) + "/Ordinary/" + name + ".emt";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing " << path;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    TEffectFile file;
    ASSERT_NO_THROW(file = ReadEffectFile(bytes.str()));
    ASSERT_FALSE(file.Emitters.empty());
    for (const TEmitterRecord& e : file.Emitters) {
      const TTexture* texture = LoadTexture(e.Texture0Name);
      EXPECT_LT(e.Segment0, texture->SegmentCount()) << "emitter " << e.Name << " draws " << e.Texture0Name;
      EXPECT_GE(e.Segment0, 0) << "emitter " << e.Name;
    }
  }
  EXPECT_TRUE(Env.Warnings().empty()) << Env.Warnings().front();
}

// The splash shows every picture of the branding folder, in name order, fitted to the screen: the
// built ones are opaque 1600 x 900 PNG pictures, so they fill the design screen without a border,
// and the texture loader finds each in the branding folder (a same-named texture of the common
// or language folder would be shown instead; a packed texture there would not be found at all).
TEST_F(ArtData, TheSplashPicturesAreOpaqueAndFillTheDesignScreen) {
  std::vector<std::string> names;
  std::string name;
  TExtKind ext{};
  while (FindNextDataFile(TFolderKind::Branding, name, ext)) {
    EXPECT_EQ(ext, TExtKind::Png) << name;
    names.push_back(name);
  }
  EndFindDataFiles();
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "B1Quillmark");  // the studio's mark first, then the title card
  EXPECT_EQ(names[1], "B2Tolvaren");
  for (const std::string& n : names) {
    SCOPED_TRACE(n);
    TFolderKind folder{};
    ASSERT_TRUE(FindTextureFile(n, folder, ext));
    EXPECT_EQ(folder, TFolderKind::Branding);
    const std::string bytes = test::ReadFile(std::string(TV_BIN_DIR) + "/Branding/" + n + ".png");
    const TImage picture = DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false);
    EXPECT_EQ(picture.Width, 1600);
    EXPECT_EQ(picture.Height, 900);
    int64_t seeThrough = 0;
    for (size_t i = 3; i < picture.Bytes.size(); i += 4) seeThrough += picture.Bytes[i] != 255;
    EXPECT_EQ(seeThrough, 0);
    const TTexture* texture = LoadTexture(n);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->SegmentCount(), 1);
  }
  EXPECT_TRUE(Env.Warnings().empty()) << Env.Warnings().front();
}

}  // namespace
}  // namespace tv
