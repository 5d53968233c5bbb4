// "texture pack", "texture info" and "render" run as content authors run them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/PlatformImage.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;
using test::TTempDir;

std::string Tool(const std::string& Args, int* Code, std::string* Err = nullptr) {
  std::string out;
  *Code = test::RunCommand("'" TV_BIN_DIR "/tolvaren-tool' " + Args, &out, Err);
  return out;
}

class ToolTexture : public ::testing::Test {
 protected:
  TTempDir Dir;
  test::TScopedEnv Xdg{"XDG_DATA_HOME", (Dir / "xdg").c_str()};

  void SetUp() override {
    test::MakeDirs(Dir / "data/Ordinary");
    test::MakeDirs(Dir / "data/Languages/English");
    for (int i = 0; i < 3; ++i) {
      std::vector<uint8_t> rgba(static_cast<size_t>(4 * 2 * 4), static_cast<uint8_t>(60 * i + 30));
      ASSERT_TRUE(WritePngRgba(Dir / ("frame" + std::to_string(i) + ".png"), i == 2 ? 2 : 4, 2, rgba));
    }
  }

  json Info(const std::string& Name) {
    int code = 0;
    std::string err;
    const std::string out = Tool("texture info " + Name + " --data '" + Dir / "data" + "'", &code, &err);
    EXPECT_EQ(code, 0) << err;
    return json::parse(out);
  }
};

TEST_F(ToolTexture, PacksPicturesAndAnimationsThatTheGameLoads) {
  int code = 0;
  std::string err;
  Tool("texture pack '" + Dir / "frame0.png" + "' -o '" + Dir / "data/Ordinary/G2One.tpx" + "'", &code, &err);
  ASSERT_EQ(code, 0) << err;
  test::WriteFile(Dir / "data/Ordinary/G2One.tsg", "SEGMENTS 2 SEGMENT 1 2 0 2 2");
  json one = Info("G2One");
  EXPECT_EQ(one["folder"], "Ordinary");
  EXPECT_NE(one["file"].get<std::string>().find("G2One.tpx"), std::string::npos);
  EXPECT_EQ(one["size"], json::array({4.0, 2.0}));
  EXPECT_EQ(one["frames"], 1);
  EXPECT_EQ(one["format"], "argb");
  EXPECT_EQ(one["segments_name"], "G2One");
  ASSERT_EQ(one["segments"].size(), 2u);
  EXPECT_EQ(one["segments"][1]["uv_offset"], json::array({0.5, 0.0}));
  EXPECT_TRUE(one["warnings"].empty());

  Tool("texture pack '" + Dir / "frame0.png" + "' '" + Dir / "frame1.png" + "' '" + Dir / "frame2.png" +
           "' --fps 12.5 --curve 0-1-0 -o '" + Dir / "data/Languages/English/G2Anim.tpx" + "'",
       &code, &err);
  ASSERT_EQ(code, 0) << err;
  json anim = Info("G2Anim");
  EXPECT_EQ(anim["folder"], "Language");
  EXPECT_EQ(anim["frames"], 3);
  EXPECT_EQ(anim["frame_rate"], 12.5);
  EXPECT_EQ(anim["frame_curve"], "0-1-0");

  for (const char* format : {"a8", "l8", "a8l8"}) {
    const std::string name = std::string("G2Format") + format;
    Tool("texture pack '" + Dir / "frame1.png" + "' --format " + format + " -o '" +
             Dir / ("data/Ordinary/" + name + ".tpx") + "'",
         &code, &err);
    ASSERT_EQ(code, 0) << err;
    EXPECT_EQ(Info(name)["format"], format);
  }
}

TEST_F(ToolTexture, ReportsMissingAndBadInput) {
  json missing = Info("G2Nowhere");
  EXPECT_TRUE(missing["file"].is_null());
  ASSERT_FALSE(missing["warnings"].empty());
  EXPECT_NE(missing["warnings"][0].get<std::string>().find("(Missing file)"), std::string::npos);

  int code = 0;
  Tool("texture pack '" + Dir / "nothing.png" + "' -o '" + Dir / "x.tpx" + "'", &code);
  EXPECT_EQ(code, 1);
  test::WriteFile(Dir / "broken.png", "\x89PNG\r\n\x1a\n broken");
  Tool("texture pack '" + Dir / "broken.png" + "' -o '" + Dir / "x.tpx" + "'", &code);
  EXPECT_EQ(code, 1);
  Tool("texture pack '" + Dir / "frame0.png" + "' --format rgb565 -o '" + Dir / "x.tpx" + "'", &code);
  EXPECT_EQ(code, 2);
  Tool("texture pack '" + Dir / "frame0.png" + "'", &code);
  EXPECT_EQ(code, 2);
  Tool("texture info", &code);
  EXPECT_EQ(code, 2);

  // Scenes that are refused before any window opens.
  std::string err;
  test::WriteFile(Dir / "scene.json", "{\"sprites\": []}");
  Tool("render '" + Dir / "scene.json" + "' -o '" + Dir / "out.png" + "'", &code, &err);
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("\"size\""), std::string::npos) << err;
  test::WriteFile(Dir / "scene.json", "{\"size\": [64, 36");
  Tool("render '" + Dir / "scene.json" + "' -o '" + Dir / "out.png" + "'", &code, &err);
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(test::PathExists(Dir / "out.png"));
}

}  // namespace
}  // namespace tv
