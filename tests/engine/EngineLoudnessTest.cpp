// Loudness measurement, sound file reading and mastering to a loudness under a peak ceiling.
#include <gtest/gtest.h>

#include <cmath>

#include "base/EngineClasses.h"
#include "engine/EngineLoudness.h"
#include "engine/EngineSoundFiles.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

TPcm Sine(double Hz, double Amplitude, double Seconds, int32_t Channels = 1, int32_t Rate = 44100) {
  TPcm pcm{Channels, Rate, {}};
  const size_t frames = static_cast<size_t>(Seconds * Rate);
  for (size_t f = 0; f < frames; ++f) {
    const float v = static_cast<float>(Amplitude * std::sin(2 * M_PI * Hz * static_cast<double>(f) / Rate));
    for (int32_t c = 0; c < Channels; ++c) pcm.Samples.push_back(v);
  }
  return pcm;
}

TEST(EngineLoudness, MeasuresLevelsAndTreatsMonoAsBothSpeakers) {
  const TLoudness loud = MeasureLoudness(Sine(997, 0.5, 2));
  const TLoudness quiet = MeasureLoudness(Sine(997, 0.25, 2));
  EXPECT_NEAR(loud.Integrated - quiet.Integrated, 6.02, 0.05);
  EXPECT_NEAR(loud.SamplePeak, -6.02, 0.05);
  EXPECT_NEAR(loud.TruePeak, -6.02, 0.1);
  // The same signal on both channels of a stereo file is as loud as the mono file.
  EXPECT_NEAR(MeasureLoudness(Sine(997, 0.5, 2, 2)).Integrated, loud.Integrated, 0.05);
  // A click shorter than one gating block still gets a figure; silence gets none.
  EXPECT_TRUE(std::isfinite(MeasureLoudness(Sine(997, 0.5, 0.05)).Integrated));
  EXPECT_FALSE(std::isfinite(MeasureLoudness(TPcm{1, 44100, std::vector<float>(44100, 0.0f)}).Integrated));
}

TEST(EngineLoudness, NormalisingReachesTheTargetAndLimitsPeaksAroundTheLoop) {
  // A quiet tone with a loud burst across the loop point: the target loudness would push the
  // burst far over the ceiling.
  TPcm pcm = Sine(440, 0.05, 4);
  const size_t frames = pcm.Frames();
  for (size_t f = 0; f < 600; ++f) {
    pcm.Samples[f] *= 12;
    pcm.Samples[frames - 1 - f] *= 12;
  }
  TPcm limited = pcm;
  const TLoudness m = NormaliseLoudness(limited, -16, -1.5, true, true);
  EXPECT_NEAR(m.Integrated, -16, 0.2);
  EXPECT_LE(m.TruePeak, -1.5);
  // The limiter's gain runs on around the loop: the end still joins the start smoothly.
  EXPECT_LE(LoopStep(limited), LargestStep(limited, frames - 44100, frames));

  // Without the limiter the whole sound is turned down to the ceiling instead.
  TPcm lowered = pcm;
  const TLoudness d = NormaliseLoudness(lowered, -16, -1.5, false, false);
  EXPECT_LE(d.TruePeak, -1.5);
  EXPECT_LT(d.Integrated, -17);
}

TEST(EngineLoudness, ReadsWaveAndOggAndRejectsDamagedFiles) {
  test::TTempDir dir;
  std::vector<int16_t> samples(8000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i % 2 == 0 ? 16384 : -16384);
  test::WriteFile(dir / "a.wav", EncodeWave(samples, 2, 8000));
  TPcm wave = ReadSoundFile(dir / "a.wav");
  EXPECT_EQ(wave.Channels, 2);
  EXPECT_EQ(wave.Rate, 8000);
  ASSERT_EQ(wave.Frames(), 4000u);
  EXPECT_FLOAT_EQ(wave.Samples[0], 0.5f);
  EXPECT_FLOAT_EQ(wave.Samples[1], -0.5f);

  test::WriteFile(dir / "a.ogg", EncodeOggVorbis(std::vector<int16_t>(16000, 0), 1, 16000));
  const TPcm ogg = ReadSoundFile(dir / "a.ogg");
  EXPECT_EQ(ogg.Rate, 16000);
  EXPECT_EQ(ogg.Frames(), 16000u);

  std::string cut = EncodeWave(samples, 2, 8000);
  cut.resize(cut.size() / 2);
  test::WriteFile(dir / "cut.wav", cut);
  EXPECT_THROW(ReadSoundFile(dir / "cut.wav"), EError);
  std::string eight = EncodeWave(samples, 2, 8000);
  eight[34] = 8;
  test::WriteFile(dir / "eight.wav", eight);
  EXPECT_THROW(ReadSoundFile(dir / "eight.wav"), EError);
  test::WriteFile(dir / "junk.ogg", "OggS and nothing else");
  EXPECT_THROW(ReadSoundFile(dir / "junk.ogg"), EError);
  EXPECT_THROW(ReadSoundFile(dir / "absent.wav"), EError);
}

}  // namespace
}  // namespace tv
