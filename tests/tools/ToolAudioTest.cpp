// tolvaren-tool's sound commands: "sound synth" and "audio info".
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/EngineSoundFiles.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;

const std::string Tool = std::string(TV_BIN_DIR) + "/tolvaren-tool";

int RunTool(const std::string& Args, std::string* Out, std::string* Err = nullptr) {
  return test::RunCommand("'" + Tool + "' " + Args, Out, Err);
}

json Info(const std::string& Path, int ExpectedCode) {
  std::string out;
  std::string err;
  EXPECT_EQ(RunTool("audio info '" + Path + "'", &out, &err), ExpectedCode) << err;
  return json::parse(out);
}

// The 16-bit samples of a canonical WAVE file as the synthesiser writes it.
std::vector<int16_t> WaveSamples(const std::string& Bytes) {
  std::vector<int16_t> samples((Bytes.size() - 44) / 2);
  std::memcpy(samples.data(), Bytes.data() + 44, samples.size() * 2);
  return samples;
}

TEST(ToolSound, SynthesisesNotesWithTheirPitchLevelAndLength) {
  test::TTempDir dir;
  test::WriteFile(dir / "tone.txt",
                  "# one steady A4 then a rest and a sequence of two\n"
                  "rate 8000\n"
                  "instrument flute sine attack 0 release 0 gain 0.5\n"
                  "note flute 0 1 A4\n"
                  "sequence flute 1 0.25 R 880*2\n"
                  "length 2\n");
  std::string out;
  std::string err;
  ASSERT_EQ(RunTool("sound synth '" + dir / "tone.txt" + "' -o '" + dir / "tone.wav" + "'", &out, &err), 0) << err;
  const json report = json::parse(out);
  EXPECT_DOUBLE_EQ(report["seconds"].get<double>(), 2.0);
  EXPECT_EQ(report["clipped"], 0);
  const std::vector<int16_t> pcm = WaveSamples(test::ReadFile(dir / "tone.wav"));
  ASSERT_EQ(pcm.size(), 16000u);
  // The first second: 440 rising zero crossings at half of full scale.
  int crossings = 0;
  int peak = 0;
  for (size_t i = 1; i < 8000; ++i) {
    crossings += pcm[i - 1] < 0 && pcm[i] >= 0 ? 1 : 0;
    peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
  }
  EXPECT_NEAR(crossings, 440, 1);
  EXPECT_NEAR(peak, 16384, 40);
  // The rest is silent; then 880 Hz for half a second; then silence to the given length.
  for (size_t i = 8000; i < 10000; ++i) ASSERT_EQ(pcm[i], 0) << i;
  crossings = 0;
  for (size_t i = 10001; i < 14000; ++i) crossings += pcm[i - 1] < 0 && pcm[i] >= 0 ? 1 : 0;
  EXPECT_NEAR(crossings, 440, 1);
  for (size_t i = 14001; i < 16000; ++i) ASSERT_EQ(pcm[i], 0) << i;

  // The same recipe as Ogg Vorbis, and described by "audio info".
  ASSERT_EQ(RunTool("sound synth '" + dir / "tone.txt" + "' -o '" + dir / "tone.ogg" + "'", &out, &err), 0) << err;
  const json info = Info(dir / "tone.ogg", 0);
  EXPECT_EQ(info["format"], "ogg");
  EXPECT_EQ(info["channels"], 1);
  EXPECT_EQ(info["rate"], 8000);
  EXPECT_NEAR(info["length"].get<double>(), 2.0, 1e-6);
  EXPECT_EQ(info["streaming"], false);
  EXPECT_TRUE(info["error"].is_null());
}

TEST(ToolSound, RecipeMistakesNameTheirLine) {
  test::TTempDir dir;
  struct TCase {
    const char* Recipe;
    const char* Message;
  };
  const TCase cases[] = {
      {"instrument a sine\nnote b 0 1 A4\n", "line 2: unknown instrument \"b\""},
      {"instrument a kazoo\n", "line 1: unknown wave \"kazoo\""},
      {"rate 12\n", "line 1: rate must be 8000 to 192000"},
      {"instrument a sine\nnote a 0 1 H4\n", "line 2: not a number: \"H4\""},
      {"instrument a sine attack\n", "line 1: \"attack\" needs a value"},
      {"# nothing\n", "the recipe plays no note"},
      {"channels 3\n", "line 1: channels must be 1 or 2"},
  };
  for (const TCase& c : cases) {
    test::WriteFile(dir / "r.txt", c.Recipe);
    std::string out;
    std::string err;
    EXPECT_EQ(RunTool("sound synth '" + dir / "r.txt" + "' -o '" + dir / "r.wav" + "'", &out, &err), 1);
    EXPECT_NE(err.find(c.Message), std::string::npos) << err;
    EXPECT_FALSE(test::PathExists(dir / "r.wav"));
  }
  std::string err;
  EXPECT_EQ(RunTool("sound synth '" + dir / "r.txt" + "' -o '" + dir / "r.mp3" + "'", nullptr, &err), 2);
  EXPECT_EQ(RunTool("sound synth '" + dir / "r.txt" + "'", nullptr, &err), 2);
  EXPECT_EQ(RunTool("sound synth '" + dir / "missing.txt" + "' -o '" + dir / "r.wav" + "'", nullptr, &err), 1);
}

TEST(ToolAudioInfo, ReportsStreamingAndLoadFailures) {
  test::TTempDir dir;
  test::WriteFile(dir / "long.txt",
                  "rate 8000\nchannels 2\ninstrument pad triangle release 0\nnote pad 0 36 C3\n");
  std::string err;
  ASSERT_EQ(RunTool("sound synth '" + dir / "long.txt" + "' -o '" + dir / "long.ogg" + "'", nullptr, &err), 0) << err;
  json info = Info(dir / "long.ogg", 0);
  EXPECT_EQ(info["streaming"], true);
  EXPECT_EQ(info["channels"], 2);
  EXPECT_NEAR(info["length"].get<double>(), 36.0, 1e-3);

  std::string wave = EncodeWave(std::vector<int16_t>(10, 0), 1, 8000);
  wave[34] = 8;  // 8 bits per sample
  test::WriteFile(dir / "eight.wav", wave);
  info = Info(dir / "eight.wav", 1);
  EXPECT_EQ(info["format"], "wav");
  EXPECT_EQ(info["error"], "Unsupported bits per sample");
  EXPECT_EQ(info["channels"], 0);

  // Without a known extension the first bytes decide.
  test::WriteFile(dir / "sound.bin", test::ReadFile(dir / "long.ogg"));
  EXPECT_EQ(Info(dir / "sound.bin", 0)["format"], "ogg");
  test::WriteFile(dir / "junk.ogg", "OggS but nothing after");
  EXPECT_EQ(Info(dir / "junk.ogg", 1)["error"], "Failed to open ogg file");
  EXPECT_EQ(Info(dir / "absent.wav", 1)["error"], "Missing file");
  EXPECT_EQ(RunTool("audio info", nullptr, &err), 2);
}

}  // namespace
}  // namespace tv
