// The built sounds and music: every name the screens and the story use is there and decodes,
// at its level, without clicks; the music loops without a seam at the loudness it was mastered to.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>
#include <regex>
#include <set>
#include <string>

#include "base/AppFolders.h"
#include "base/EngineClasses.h"
#include "engine/EngineAudio.h"
#include "engine/EngineLoudness.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

const std::string Ordinary = std::string(TV_BIN_DIR) + "/Ordinary/";

// The sound and music names the story's sources use, and those the screens ask for.
std::set<std::string> NamesInUse() {
  std::set<std::string> names = {
      "G8Key",    "G8ButtonFocus", "G8ButtonClick",     "G8MapOpen",           "G8MapClose",       "G8Reveal",
      "G8Reward", "G8RewardPop",   "G8SceneDialogOpen", "G8AchievementEarned", "J9CrashCourseFull"};
  const std::regex word(R"(\b(G8|K[0-9]|J9)[A-Za-z0-9_]+)");
  for (const auto& entry : fs::directory_iterator(std::string(TV_SOURCE_DIR) + "/content/scenario")) {
    const std::string text = test::ReadFile(entry.path().string());
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it) {
      names.insert(it->str());
    }
  }
  return names;
}

TEST(SoundContent, EveryNameInUseIsBuiltDecodesAndStaysUnderTheCeiling) {
  const std::set<std::string> names = NamesInUse();
  ASSERT_GT(names.size(), 25u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string path = Ordinary + name + (test::PathExists(Ordinary + name + ".ogg") ? ".ogg" : ".wav");
    ASSERT_TRUE(test::PathExists(path));
    if (name.rfind("J9", 0) == 0) {
      // Music is made from a piece of ours; the next test checks every built track.
      EXPECT_TRUE(test::PathExists(std::string(TV_SOURCE_DIR) + "/content/Music/" + name + ".abc"));
      continue;
    }
    const TPcm pcm = ReadSoundFile(path);
    ASSERT_GT(pcm.Frames(), 0u);
    const TLoudness m = MeasureLoudness(pcm);
    EXPECT_LE(m.TruePeak, -1.0);
    EXPECT_GT(m.Integrated, -32.0);  // audible at all
    if (name.rfind("G8", 0) == 0) {
      // A one-shot effect starts and ends at silence: no click when it starts or stops.
      const size_t ch = static_cast<size_t>(pcm.Channels);
      for (size_t c = 0; c < ch; ++c) {
        EXPECT_LT(std::abs(pcm.Samples[c]), 0.01f);
        EXPECT_LT(std::abs(pcm.Samples[pcm.Samples.size() - ch + c]), 0.01f);
      }
      EXPECT_LE(pcm.Frames(), static_cast<size_t>(pcm.Rate) * 5);
    } else {
      // Environment sounds loop: the jump from the end back to the start is no larger
      // than the steps the sound takes anyway in its last second.
      const size_t frames = pcm.Frames();
      EXPECT_LE(LoopStep(pcm), LargestStep(pcm, frames - static_cast<size_t>(pcm.Rate), frames));
    }
  }
}

TEST(SoundContent, MusicTracksLastLoopAndShareOneLoudness) {
  int tracks = 0;
  for (const auto& entry : fs::directory_iterator(std::string(TV_SOURCE_DIR) + "/content/Music")) {
    if (entry.path().extension() != ".abc") continue;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    ++tracks;
    const TPcm pcm = ReadSoundFile(Ordinary + name + ".ogg");
    const double seconds = static_cast<double>(pcm.Frames()) / pcm.Rate;
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 180.0);
    const TLoudness m = MeasureLoudness(pcm);
    EXPECT_NEAR(m.Integrated, -16.0, 1.0);
    EXPECT_LE(m.TruePeak, -1.0);
    const size_t frames = pcm.Frames();
    EXPECT_LE(LoopStep(pcm), LargestStep(pcm, frames - static_cast<size_t>(pcm.Rate), frames));
  }
  EXPECT_GE(tracks, 11);
}

// As a player hears it: the menu theme through the game's mixer with interface sounds over it,
// mixed by the game's own mixer. Nothing clips, and the music is there at a sensible level.
TEST(SoundContent, TheMenuThemeWithInterfaceSoundsOverItDoesNotClip) {
  // The mixer runs on its manual clock so that every sound lands on the same sample of the music
  // in every run: a real device's timing would make the peaks depend on the machine's load.
  test::TTempDir dir;
  SetFolderPath(TFolderKind::Ordinary, Ordinary);
  SetFolderPath(TFolderKind::Language, dir / "Language/");
  SetFolderPath(TFolderKind::Branding, dir / "Branding/");
  const TSoundClock clock = GetSoundClock();
  SetSoundClock(TSoundClock::Manual, 48000);
  AudioStartup();
  ASSERT_NE(GetAudioDevice(), nullptr);
  for (int32_t g = 0; g < SoundGroupCount; ++g) SetGroupVolume(g, 10);
  SetMusic("J9CrashCourseFull");
  SkipMusicWait();
  const char* sounds[] = {"G8ButtonFocus", "G8ButtonClick",       "G8RewardPop",
                          "G8Reward",      "G8AchievementEarned", "G8ButtonClick"};
  std::vector<int16_t> out;
  std::vector<int16_t> block(2 * 2400);
  for (int step = 0; step < 60; ++step) {
    AudioUpdateBy(0.05f);
    if (step >= 6 && step % 8 == 6 && step / 8 < 6) {
      EXPECT_NE(PlaySound(sounds[step / 8], false, SoundGroupEffects, nullptr), nullptr) << sounds[step / 8];
    }
    GetAudioDevice()->Render(block.data(), 2400);
    out.insert(out.end(), block.begin(), block.end());
  }
  AudioShutdown();
  SetSoundClock(clock);

  ASSERT_GT(out.size(), 2u * 48000);
  int peak = 0;
  double sum = 0;
  for (const int16_t s : out) {
    peak = std::max(peak, std::abs(static_cast<int>(s)));
    sum += static_cast<double>(s) * s;
  }
  const double rmsDb = 10 * std::log10(sum / static_cast<double>(out.size()) / (32768.0 * 32768.0));
  EXPECT_LT(peak, 32767 * 0.95) << "the peaks stay below full scale (peak " << peak << ")";
  EXPECT_GT(rmsDb, -40.0) << "the music is heard";
  EXPECT_LT(rmsDb, -12.0);
}

}  // namespace
}  // namespace tv
