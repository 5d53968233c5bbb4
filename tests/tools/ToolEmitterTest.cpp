#include <gtest/gtest.h>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineEffects.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TTempDir;

std::string Tool(const std::string& Args, int* Code, std::string* Err = nullptr) {
  std::string out;
  *Code = test::RunCommand("'" TV_BIN_DIR "/tolvaren-tool' " + Args, &out, Err);
  return out;
}

TEST(ToolEmitter, CompileAndDecompileRoundTripByteForByte) {
  TTempDir dir;
  test::WriteFile(dir / "glow.emitter",
                  "Area 200 100\n"
                  "Emitter Glow\n"
                  "  Interval 0.25\n"
                  "  PositionMode Area\n"
                  "  ColorA 0.1 0.2 0.3\n"
                  "Emitter \"Second one\"\n"
                  "  Mode Timed\n");
  int code = 0;
  Tool("emitter compile '" + dir / "glow.emitter" + "' -o '" + dir / "G2Glow.emt" + "'", &code);
  ASSERT_EQ(code, 0);
  const std::string bytes = test::ReadFile(dir / "G2Glow.emt");
  const TEffectFile file = ReadEffectFile(bytes);
  ASSERT_EQ(file.Emitters.size(), 2u);
  EXPECT_EQ(file.Emitters[0].PositionMode, PositionArea);
  EXPECT_EQ(file.Emitters[1].Name, "Second one");

  const std::string source = Tool("emitter decompile '" + dir / "G2Glow.emt" + "'", &code);
  ASSERT_EQ(code, 0);
  EXPECT_NE(source.find("Emitter \"Glow\"\n  Interval 0.25\n  PositionMode Area\n"), std::string::npos) << source;
  test::WriteFile(dir / "again.emitter", source);
  Tool("emitter compile '" + dir / "again.emitter" + "' -o '" + dir / "again.emt" + "'", &code);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(test::ReadFile(dir / "again.emt"), bytes);

  // Without -o the effect file goes beside the source, named after it; -o works for decompile too.
  Tool("emitter compile '" + dir / "glow.emitter" + "'", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(test::ReadFile(dir / "glow.emt"), bytes);
  Tool("emitter decompile '" + dir / "glow.emt" + "' -o '" + dir / "out.emitter" + "'", &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(test::ReadFile(dir / "out.emitter"), source);
}

TEST(ToolEmitter, FailuresSayWhereAndExitNonZero) {
  TTempDir dir;
  test::WriteFile(dir / "bad.emitter", "Emitter a\n  Spin 1\n");
  int code = 0;
  std::string err;
  Tool("emitter compile '" + dir / "bad.emitter" + "' -o '" + dir / "bad.emt" + "'", &code, &err);
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("bad.emitter: line 2: unknown field \"Spin\""), std::string::npos) << err;
  EXPECT_FALSE(test::PathExists(dir / "bad.emt"));

  // A file the game would read but that carries bytes after its last emitter: decompiling would
  // lose them, so it is refused.
  test::WriteFile(dir / "tail.emt", WriteEffectFile(PlaceholderEffectFile()) + "junk");
  Tool("emitter decompile '" + dir / "tail.emt" + "'", &code, &err);
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("4 bytes follow the last emitter"), std::string::npos) << err;

  test::WriteFile(dir / "short.emt", "abc");
  Tool("emitter decompile '" + dir / "short.emt" + "'", &code, &err);
  EXPECT_EQ(code, 1);
  EXPECT_NE(err.find("Unexpected end of file"), std::string::npos) << err;

  Tool("emitter decompile '" + dir / "none.emt" + "'", &code, &err);
  EXPECT_EQ(code, 1);
  Tool("emitter compile", &code, &err);
  EXPECT_EQ(code, 2);
  Tool("emitter compile a b", &code, &err);
  EXPECT_EQ(code, 2);
}

// The bundled effects compile, load without a warning and produce particles.
TEST(ToolEmitter, BundledEffectsCompileAndPlay) {
  TTempDir dir;
  test::MakeDirs(dir / "Ordinary");
  test::TScopedEnv xdg("XDG_DATA_HOME", (dir / "data").c_str());
  int code = 0;
  const char* names[] = {"G2Site", "G2ClickWave", "G2PropReward"};
  for (const char* name : names) {
    Tool(std::string("emitter compile '" TV_SOURCE_DIR "/content/Emitters/") + name + ".emitter' -o '" +
             dir / "Ordinary/" + name + ".emt'",
         &code);
    ASSERT_EQ(code, 0) << name;
  }
  InitFoldersFrom(dir / "tolvaren");
  EffectsStartup();
  SeedRandom(5);
  const size_t logBefore = GetLogMessages().size();
  for (const char* name : names) {
    TPerformer* p = PlayEffect(nullptr, nullptr, 0, {0, 0}, GetEffect(name));
    ASSERT_NE(p, nullptr);
    EffectsUpdateBy(0.05f);
    EXPECT_GT(p->ParticleCount(), 0) << name;
    StopEffects(nullptr, true);
  }
  EXPECT_EQ(GetLogMessages().size(), logBefore);
  // The click wave is a one-shot: it finishes by itself.
  PlayEffect(nullptr, nullptr, 0, {0, 0}, GetEffect("G2ClickWave"));
  for (int i = 0; i < 20; ++i) EffectsUpdateBy(0.05f);
  EXPECT_EQ(PerformerCount(), 0);
  EffectsShutdown();
  DoneFolders();
}

}  // namespace
}  // namespace tv
