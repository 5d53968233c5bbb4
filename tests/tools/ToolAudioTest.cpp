// tolvaren-tool's sound commands: "sound synth" and "audio info".
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/EngineLoudness.h"
#include "engine/EngineSoundFiles.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using nlohmann::json;
using TCaseList = std::vector<std::pair<std::string, std::string>>;

using test::RunTool;

json Info(const std::string& Path, int ExpectedCode) {
  std::string out;
  std::string err;
  EXPECT_EQ(RunTool("audio info '" + Path + "'", &out, &err), ExpectedCode) << err;
  return json::parse(out);
}

// Runs "sound synth" on the recipe Dir/Recipe to write Dir/Output; its exit code.
int Synth(const test::TTempDir& Dir, const std::string& Recipe, const std::string& Output, std::string* Out,
          std::string* Err) {
  return RunTool("sound synth '" + Dir / Recipe + "' -o '" + Dir / Output + "'", Out, Err);
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
  ASSERT_EQ(Synth(dir, "tone.txt", "tone.wav", &out, &err), 0) << err;
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
  ASSERT_EQ(Synth(dir, "tone.txt", "tone.ogg", &out, &err), 0) << err;
  const json info = Info(dir / "tone.ogg", 0);
  EXPECT_EQ(info["format"], "ogg");
  EXPECT_EQ(info["channels"], 1);
  EXPECT_EQ(info["rate"], 8000);
  EXPECT_NEAR(info["length"].get<double>(), 2.0, 1e-6);
  EXPECT_EQ(info["streaming"], false);
  EXPECT_TRUE(info["error"].is_null());
  // A half-scale tone peaks at -6 dB; the encoded copy is as loud as the exact one.
  const json exact = Info(dir / "tone.wav", 0);
  EXPECT_NEAR(exact["true_peak"].get<double>(), -6.0, 0.3);
  EXPECT_NEAR(info["loudness"].get<double>(), exact["loudness"].get<double>(), 0.2);
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
    EXPECT_EQ(Synth(dir, "r.txt", "r.wav", &out, &err), 1);
    EXPECT_NE(err.find(c.Message), std::string::npos) << err;
    EXPECT_FALSE(test::PathExists(dir / "r.wav"));
  }
  std::string err;
  EXPECT_EQ(Synth(dir, "r.txt", "r.mp3", nullptr, &err), 2);
  EXPECT_EQ(RunTool("sound synth '" + dir / "r.txt" + "'", nullptr, &err), 2);
  EXPECT_EQ(Synth(dir, "missing.txt", "r.wav", nullptr, &err), 1);
}

TEST(ToolSound, LoopsFoldTheirTailAndLoudnessMeetsItsTarget) {
  test::TTempDir dir;
  // A swelling noise and a tone that ring on past the loop's length: folded onto the start, the
  // end runs on into the beginning.
  test::WriteFile(dir / "loop.txt",
                  "rate 22050\nchannels 2\nlength 2\nloop\nloudness -24\n"
                  "instrument surf noise attack 0.5 sustain 1 release 0.8 lowpass 900 bandpass 400 2 sweep 1\n"
                  "instrument hum sine attack 0.2 release 0.5 fm 2 1 tremolo 3 0.5 curve exp\n"
                  "note surf 1.2 0.7 -\nnote hum 1.5 0.4 220\n");
  std::string out;
  std::string err;
  ASSERT_EQ(Synth(dir, "loop.txt", "loop.wav", &out, &err), 0) << err;
  const json report = json::parse(out);
  EXPECT_DOUBLE_EQ(report["seconds"].get<double>(), 2.0);
  EXPECT_NEAR(report["loudness"].get<double>(), -24.0, 0.1);
  EXPECT_LE(report["true_peak"].get<double>(), -1.5);
  const TPcm loop = ReadSoundFile(dir / "loop.wav");
  ASSERT_EQ(loop.Frames(), 44100u);
  EXPECT_GT(std::abs(loop.Samples[0]) + std::abs(loop.Samples[1000]), 0.0f);  // the tail is at the start
  EXPECT_LE(LoopStep(loop), LargestStep(loop, 22050, 44100));

  // A one-shot sound starts and ends at exactly zero, even with an instant attack; plucks decay.
  test::WriteFile(dir / "pluck.txt",
                  "instrument s pluck attack 0 release 0 damping 0.99\n"
                  "instrument n noise attack 0 release 0 highpass 2000\n"
                  "note s 0 0.5 A3\nnote n 0 0.5 -\n");
  ASSERT_EQ(Synth(dir, "pluck.txt", "pluck.wav", &out, &err), 0) << err;
  const std::vector<int16_t> pcm = WaveSamples(test::ReadFile(dir / "pluck.wav"));
  ASSERT_FALSE(pcm.empty());
  EXPECT_EQ(pcm.front(), 0);
  EXPECT_EQ(pcm.back(), 0);

  const TCaseList mistakes = {
      {"loop\ninstrument a sine\nnote a 0 1 A4\n", "a loop needs a length"},
      {"instrument a sine curve round\n", "line 1: curve is linear or exp"},
      {"instrument a noise bandpass 400 0\n", "line 1: the Q of a band-pass is above 0"},
      {"loudness 3\n", "line 1: loudness must be -70 to 0 LUFS"},
  };
  for (const auto& [recipe, message] : mistakes) {
    test::WriteFile(dir / "r.txt", recipe);
    EXPECT_EQ(Synth(dir, "r.txt", "r.wav", &out, &err), 1);
    EXPECT_NE(err.find(message), std::string::npos) << err;
  }
}

// A type-0 MIDI file at 120 beats a minute in 3/4 whose one note ends after four beats.
std::string FourBeatMidi() {
  const std::string track = std::string("\x00\xFF\x51\x03\x07\xA1\x20", 7) +      // tempo 500000 us
                            std::string("\x00\xFF\x58\x04\x03\x02\x18\x08", 8) +  // 3/4
                            std::string("\x00\x90\x45\x60", 4) +                  // note on
                            std::string("\x8F\x00\x80\x45\x00", 5) +              // 1920 ticks later: off
                            std::string("\x00\xFF\x2F\x00", 4);
  std::string midi("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 14);
  midi += "MTrk";
  midi += std::string("\x00\x00\x00", 3) + static_cast<char>(track.size());
  return midi + track;
}

TEST(ToolSound, MasterMakesALoopOfTheWholeBarsAtTheLoudness) {
  test::TTempDir dir;
  // The "rendering": a tone that lasts four beats and rings on for two more.
  test::WriteFile(dir / "piece.txt",
                  "channels 2\ninstrument pad triangle attack 0.3 release 1 lowpass 2000\n"
                  "note pad 0 2 C4\nnote pad 0.5 1.5 G4\n");
  std::string out;
  std::string err;
  ASSERT_EQ(Synth(dir, "piece.txt", "piece.wav", &out, &err), 0) << err;
  test::WriteFile(dir / "piece.mid", FourBeatMidi());
  ASSERT_EQ(RunTool("sound master '" + dir / "piece.wav" + "' --midi '" + dir / "piece.mid" + "' -o '" +
                        dir / "piece.ogg" + "'",
                    &out, &err),
            0)
      << err;
  // Four beats round up to two bars of three: 3 seconds.
  const TPcm pcm = ReadSoundFile(dir / "piece.ogg");
  EXPECT_EQ(pcm.Frames(), 3u * 44100u);
  const TLoudness m = MeasureLoudness(pcm);
  EXPECT_NEAR(m.Integrated, -16, 0.5);
  EXPECT_LE(m.TruePeak, -1.0);
  const json info = Info(dir / "piece.ogg", 0);
  EXPECT_NEAR(info["loudness"].get<double>(), m.Integrated, 0.01);
  EXPECT_NEAR(info["true_peak"].get<double>(), m.TruePeak, 0.01);

  // A damaged MIDI file: an error, and no output left behind.
  std::string midi = FourBeatMidi();
  test::WriteFile(dir / "cut.mid", midi.substr(0, midi.size() - 6));
  EXPECT_EQ(
      RunTool("sound master '" + dir / "piece.wav" + "' --midi '" + dir / "cut.mid" + "' -o '" + dir / "cut.ogg" + "'",
              &out, &err),
      1);
  EXPECT_NE(err.find("ends too early"), std::string::npos) << err;
  EXPECT_FALSE(test::PathExists(dir / "cut.ogg"));
  EXPECT_EQ(RunTool("sound master '" + dir / "piece.wav" + "' -o x.ogg", nullptr, &err), 2);
}

TEST(ToolAudioInfo, ReportsStreamingAndLoadFailures) {
  test::TTempDir dir;
  test::WriteFile(dir / "long.txt", "rate 8000\nchannels 2\ninstrument pad triangle release 0\nnote pad 0 36 C3\n");
  std::string err;
  ASSERT_EQ(Synth(dir, "long.txt", "long.ogg", nullptr, &err), 0) << err;
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
  EXPECT_TRUE(info["loudness"].is_null());
  EXPECT_TRUE(info["true_peak"].is_null());

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
