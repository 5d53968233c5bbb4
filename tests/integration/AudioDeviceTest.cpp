// The real SDL audio device: with the "disk" driver it writes what the mixer plays to a file, where
// a known tone must turn up at the level its volume step gives.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineAudio.h"
#include "engine/EngineSoundFiles.h"
#include "support/AudioTestSupport.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TScopedEnv;
using test::TTempDir;

using test::ToneAmplitude;

TEST(AudioDevice, TheDiskDriverRecordsAToneAtItsLevel) {
  TTempDir dir;
  const std::string raw = dir / "out.raw";
  TScopedEnv driver("SDL_AUDIODRIVER", "disk");
  TScopedEnv file("SDL_DISKAUDIOFILE", raw.c_str());
  test::MakeDirs(dir / "Ordinary");
  SetFolderPath(TFolderKind::Ordinary, dir / "Ordinary/");
  SetFolderPath(TFolderKind::Language, dir / "Language/");
  SetFolderPath(TFolderKind::Branding, dir / "Branding/");
  // Two seconds of 1 kHz at amplitude 16000, mono, at 44.1 kHz so the mixer must resample.
  std::vector<int16_t> tone(88200);
  for (size_t i = 0; i < tone.size(); ++i) {
    tone[i] = static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * 1000 * static_cast<double>(i) / 44100)));
  }
  test::WriteFile(dir / "Ordinary/G8Tone.wav", EncodeWave(tone, 1, 44100));

  SetSoundClock(TSoundClock::Device);
  AudioStartup();
  ASSERT_NE(GetAudioDevice(), nullptr);
  EXPECT_FALSE(GetAudioDevice()->IsManual());
  SetGroupVolume(SoundGroupEffects, 5);  // -10.5 dB
  TSource* source = PlaySound("G8Tone", false, SoundGroupEffects, nullptr);
  ASSERT_NE(source, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_FALSE(source->IsStopped());
  AudioShutdown();

  const std::string bytes = test::ReadFile(raw);
  std::vector<int16_t> out(bytes.size() / 2);
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  ASSERT_GT(out.size(), 2u * 48000 / 5) << "at least a fifth of a second was written";
  size_t onset = 0;
  while (onset < out.size() && out[onset] == 0) ++onset;
  onset -= onset % 2;
  // A tenth of a second, a little after the sound began.
  const size_t from = onset + 2 * 480;
  ASSERT_LE(from + 2 * 4800, out.size());
  std::vector<double> left, right;
  for (size_t i = 0; i < 4800; ++i) {
    left.push_back(out[from + 2 * i]);
    right.push_back(out[from + 2 * i + 1]);
  }
  const double expected = 16000 * std::pow(10.0, -1050 / 2000.0);
  EXPECT_NEAR(ToneAmplitude(left, 1000, 48000), expected, expected * 0.01);
  EXPECT_NEAR(ToneAmplitude(right, 1000, 48000), expected, expected * 0.01);
  EXPECT_LT(ToneAmplitude(left, 1500, 48000), expected * 0.01) << "nothing but the tone";
}

TEST(AudioDevice, TheGameRunsSilentWhenThereIsNoDevice) {
  TTempDir dir;
  std::string err;
  const int code = test::RunCommand(
      "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=no-such-driver TOLVAREN_DESKTOP=1280x720 "
      "XDG_DATA_HOME='" +
          dir.Path() + "' '" TV_BIN_DIR "/tolvaren' -frames 20 -fixed-dt 0.016",
      nullptr, &err);
  EXPECT_EQ(code, 0) << err;
  const std::string log = test::ReadFile(dir / "Quillmark/Tolvaren/Log.txt");
  EXPECT_NE(log.find("Failed to create DirectSound device\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace tv
