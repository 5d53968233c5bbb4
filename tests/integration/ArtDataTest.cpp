// The game's built data holds every texture and particle effect that the screens and the demo
// story draw (content/Art/Required.txt), each with the segments drawn, every segment inside its
// picture, and every effect's particles drawn from segments that exist.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "engine/EngineEffects.h"
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

}  // namespace
}  // namespace tv
