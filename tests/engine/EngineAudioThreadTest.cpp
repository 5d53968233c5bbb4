// Streamed music on the real device (SDL's disk driver, which writes what the mixer plays to a
// file at the pace of real time): the main thread refills blocks while the mixer thread plays
// them, and a main thread that stalls for six seconds finds the stream again. Also run under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "base/AppFolders.h"
#include "engine/EngineAudio.h"
#include "engine/EngineSoundFiles.h"
#include "support/AudioTestSupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using Clock = std::chrono::steady_clock;

using test::ToneAmplitude;

constexpr double ToneHz = 500;
constexpr double ToneLevel = 9000;

class AudioThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"Ordinary", "Language", "Branding"}) test::MakeDirs(Dir / sub);
    SetFolderPath(TFolderKind::Ordinary, Dir / "Ordinary/");
    SetFolderPath(TFolderKind::Language, Dir / "Language/");
    SetFolderPath(TFolderKind::Branding, Dir / "Branding/");
    // 36 seconds (long enough to stream) of a tone at 8 kHz: whole periods in every block.
    std::vector<int16_t> pcm(36 * 8000);
    for (size_t i = 0; i < pcm.size(); ++i) {
      pcm[i] =
          static_cast<int16_t>(std::lround(ToneLevel * std::sin(2 * M_PI * ToneHz * static_cast<double>(i) / 8000)));
    }
    test::WriteFile(Dir / "Ordinary/J9Long.ogg", EncodeOggVorbis(pcm, 1, 8000, 0.4f));
    SetSoundClock(TSoundClock::Device);
    AudioStartup();
    ASSERT_NE(GetAudioDevice(), nullptr);
    ASSERT_FALSE(GetAudioDevice()->IsManual());
  }
  void TearDown() override { AudioShutdown(); }

  // Runs the module's update every 20 ms of real time for Seconds.
  static void PlayFor(double Seconds) {
    auto last = Clock::now();
    const auto until = last + std::chrono::duration<double>(Seconds);
    while (Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const auto now = Clock::now();
      AudioUpdateBy(std::chrono::duration<float>(now - last).count());
      last = now;
    }
  }

  // What the device wrote so far, as left-channel samples.
  std::vector<double> Written() const {
    const std::string bytes = test::ReadFile(Raw);
    std::vector<double> left;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
      int16_t s = 0;
      std::memcpy(&s, bytes.data() + i, 2);
      left.push_back(s);
    }
    return left;
  }

  // The tone's level in the last quarter second written.
  double LastToneLevel() const {
    const std::vector<double> left = Written();
    if (left.size() < 12000) return 0;
    return ToneAmplitude(std::vector<double>(left.end() - 12000, left.end()), ToneHz, 48000);
  }

  // Starts the long music, looping: its source and its sample, whose stream is open.
  static void PlayLongMusic(TSource*& Source, TSample*& Sample) {
    Source = PlaySound("J9Long", true, SoundGroupEffects, nullptr);
    ASSERT_NE(Source, nullptr);
    Sample = Source->Sample;
    ASSERT_TRUE(Sample->StreamOpen());
  }

  static void ExpectConsistentRing(const TSample& Sample) {
    int32_t filled = 0;
    for (const TStreamingBlock& block : Sample.Blocks) filled += block.Filled ? 1 : 0;
    EXPECT_EQ(filled + Sample.FreeBlocks, StreamingBlockCount);
  }

  test::TTempDir Dir;
  std::string Raw = Dir / "out.raw";
  test::TScopedEnv Driver{"SDL_AUDIODRIVER", "disk"};
  test::TScopedEnv File{"SDL_DISKAUDIOFILE", Raw.c_str()};
};

TEST_F(AudioThreadTest, MusicStreamsWhileTheMainThreadRefillsBlocks) {
  TSource* source = nullptr;
  TSample* sample = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayLongMusic(source, sample));
  // Three and a half seconds: only two blocks were written before playing began, so what plays
  // at the end was written by refills while the mixer ran.
  PlayFor(3.5);
  EXPECT_FALSE(sample->Failed);
  EXPECT_FALSE(source->IsStopped());
  EXPECT_NE(sample->CurrentBlock, &sample->Blocks[0]) << "the play cursor moved on through the ring";
  ExpectConsistentRing(*sample);
  EXPECT_GT(Written().size(), 48000u * 3) << "the mixer ran in real time";
  EXPECT_NEAR(LastToneLevel(), ToneLevel, ToneLevel * 0.1) << "the refilled blocks hold the music";
}

TEST_F(AudioThreadTest, AMainThreadStalledForSixSecondsFindsTheStreamAgain) {
  TSource* source = nullptr;
  TSample* sample = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayLongMusic(source, sample));
  PlayFor(0.5);
  const size_t before = Written().size();
  // The main thread does nothing for six seconds (longer than the whole ring) while the mixer
  // plays on; nothing the main thread holds may stop it.
  std::this_thread::sleep_for(std::chrono::seconds(6));
  const size_t during = Written().size() - before;
  EXPECT_GT(during, 48000u * 5) << "the mixer kept playing through the stall";
  // The first update after the stall sees a long frame, then play goes on normally.
  AudioUpdateBy(6.0f);
  EXPECT_FALSE(sample->Failed);
  ExpectConsistentRing(*sample);
  PlayFor(1.5);
  EXPECT_FALSE(sample->Failed);
  EXPECT_TRUE(sample->StreamOpen());
  EXPECT_FALSE(source->IsStopped());
  ExpectConsistentRing(*sample);
  EXPECT_NEAR(LastToneLevel(), ToneLevel, ToneLevel * 0.1) << "the music plays on after the stall";
}

}  // namespace
}  // namespace tv
