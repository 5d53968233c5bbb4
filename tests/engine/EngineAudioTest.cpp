#include "engine/EngineAudio.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineSoundFiles.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using test::TTempDir;
using test::WriteFile;

// A sine tone of interleaved 16-bit samples (the same value on every channel).
std::vector<int16_t> Tone(double Hz, double Seconds, int32_t Rate, int32_t Channels, double Amplitude = 12000) {
  const size_t frames = static_cast<size_t>(std::llround(Seconds * Rate));
  std::vector<int16_t> out(frames * static_cast<size_t>(Channels));
  for (size_t i = 0; i < frames; ++i) {
    const auto v =
        static_cast<int16_t>(std::lround(Amplitude * std::sin(2 * M_PI * Hz * static_cast<double>(i) / Rate)));
    for (int32_t c = 0; c < Channels; ++c) out[i * static_cast<size_t>(Channels) + static_cast<size_t>(c)] = v;
  }
  return out;
}

// A tone of 8000 at 8 kHz, mono, under noise of +-2000 from a fixed seed: the encoder cannot
// squeeze it, so its Ogg file has many audio pages.
std::vector<int16_t> NoisyTone(double Seconds, uint32_t Seed) {
  std::vector<int16_t> pcm = Tone(220, Seconds, 8000, 1, 8000);
  uint32_t noise = Seed;
  for (int16_t& s : pcm) {
    noise = noise * 1664525u + 1013904223u;
    s = static_cast<int16_t>(s + static_cast<int16_t>((noise >> 16) % 4001) - 2000);
  }
  return pcm;
}

int CountLog(const std::string& Text) {
  int n = 0;
  for (const std::string& line : GetLogMessages()) n += line == Text ? 1 : 0;
  return n;
}

// Sets every page's checksum afresh, so that a deliberate change reaches the decoder.
std::string FixOggChecksums(std::string Bytes) {
  size_t at = 0;
  while ((at = Bytes.find("OggS", at)) != std::string::npos && at + 27 <= Bytes.size()) {
    const size_t segments = static_cast<uint8_t>(Bytes[at + 26]);
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += static_cast<uint8_t>(Bytes[at + 27 + i]);
    ogg_page page;
    page.header = reinterpret_cast<unsigned char*>(&Bytes[at]);
    page.header_len = static_cast<long>(27 + segments);
    page.body = reinterpret_cast<unsigned char*>(&Bytes[at + 27 + segments]);
    page.body_len = static_cast<long>(body);
    ogg_page_checksum_set(&page);
    at += 27 + segments + body;
  }
  return Bytes;
}

// Decodes a whole Ogg file with the decoder directly, for comparison.
std::vector<int16_t> DecodeAll(const std::string& Path) {
  OggVorbis_File vf;
  std::vector<int16_t> pcm;
  if (ov_fopen(Path.c_str(), &vf) != 0) return pcm;
  char chunk[8192];
  int link = 0;
  long n;
  while ((n = ov_read(&vf, chunk, sizeof chunk, 0, 2, 1, &link)) > 0) {
    const size_t at = pcm.size();
    pcm.resize(at + static_cast<size_t>(n) / 2);
    std::memcpy(pcm.data() + at, chunk, static_cast<size_t>(n));
  }
  ov_clear(&vf);
  return pcm;
}

// Every test runs the module on the manual clock with its own three data folders.
class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(48000); }
  void TearDown() override {
    AudioShutdown();
    SetSoundFailures(SoundFailNone);
    SetSoundClock(TSoundClock::Device);
  }

  void Start(int32_t Rate) {
    AudioShutdown();
    for (const char* sub : {"Ordinary", "Language", "Branding"}) test::MakeDirs(Dir / sub);
    SetFolderPath(TFolderKind::Ordinary, Dir / "Ordinary/");
    SetFolderPath(TFolderKind::Language, Dir / "Language/");
    SetFolderPath(TFolderKind::Branding, Dir / "Branding/");
    SetSoundClock(TSoundClock::Manual, Rate);
    AudioStartup();
    ASSERT_NE(GetAudioDevice(), nullptr);
  }

  void Wave(const std::string& Name, const std::vector<int16_t>& Samples, int32_t Channels = 1, int32_t Rate = 48000,
            const char* Folder = "Ordinary") {
    WriteFile(Dir / (std::string(Folder) + "/" + Name + ".wav"), EncodeWave(Samples, Channels, Rate));
  }

  std::vector<int16_t> Render(int32_t Frames) {
    std::vector<int16_t> out(static_cast<size_t>(Frames) * 2);
    GetAudioDevice()->Render(out.data(), Frames);
    return out;
  }

  // Frames of the music machinery: dt of a quarter second keeps every sum exact.
  void Frames(int Count, float Dt = 0.25f) {
    for (int i = 0; i < Count; ++i) AudioUpdateBy(Dt);
  }

  static int32_t VolumeOf(const TSource* Source) { return Source->Buffer ? Source->Buffer->GetVolume() : 1; }

  TTempDir Dir;
};

TEST_F(AudioTest, LoudnessTableAndGroupStepsSetTheBufferVolume) {
  EXPECT_EQ(LoudnessAttenuation(1.0f), 0);
  EXPECT_EQ(LoudnessAttenuation(0.5f), -1050);
  EXPECT_EQ(LoudnessAttenuation(0.97f), -60);
  EXPECT_EQ(LoudnessAttenuation(0.02f), -10000);
  EXPECT_EQ(LoudnessAttenuation(0.0f), -10000);
  EXPECT_EQ(LoudnessAttenuation(-3.0f), -10000);
  EXPECT_EQ(LoudnessAttenuation(7.0f), 0);
  EXPECT_EQ(LoudnessAttenuation(std::nanf("")), -10000);

  EXPECT_EQ(GetGroupVolume(SoundGroupEffects), 10);
  EXPECT_EQ(GetGroupVolume(SoundGroupEnvironment), 10);
  EXPECT_EQ(GetGroupVolume(SoundGroupMusic), 8);
  EXPECT_TRUE(GroupEnabled(SoundGroupEffects));
  EXPECT_FALSE(GroupEnabled(7));

  Wave("G8Beep", std::vector<int16_t>(4800, 1000));
  TSource* source = PlaySound("G8Beep", true, SoundGroupEffects, nullptr);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(VolumeOf(source), 0) << "step 10, source and sample at 1: 0 dB";
  std::vector<int16_t> out = Render(4);
  EXPECT_EQ(out[0], 1000);
  SetGroupVolume(SoundGroupEffects, 5);
  EXPECT_EQ(VolumeOf(source), -1050);
  source->SetVolume(0.5f);
  EXPECT_EQ(VolumeOf(source), -1950) << "0.25 is entry 15";
  source->SetVolume(3.0f);
  EXPECT_EQ(source->Volume, 1.0f);
  SetGroupVolume(SoundGroupEffects, 42);
  EXPECT_EQ(GetGroupVolume(SoundGroupEffects), 10);
}

TEST_F(AudioTest, ADisabledGroupDropsOneShotsAndHoldsLoops) {
  Wave("G8Beep", std::vector<int16_t>(4800, 1000));
  TSource* once = PlaySound("G8Beep", false, SoundGroupEffects, nullptr);
  TSource* loop = PlaySound("G8Beep", true, SoundGroupEffects, nullptr);
  TSource* kept = nullptr;
  CreateSource(kept);
  kept->SetSampleName("G8Beep");
  kept->SetPlaying(true);
  ASSERT_NE(once, nullptr);
  EXPECT_EQ(SourceCount(), 3);

  SetGroupVolume(SoundGroupEffects, 0);
  EXPECT_FALSE(GroupEnabled(SoundGroupEffects));
  EXPECT_EQ(SourceCount(), 2) << "the one-shot is removed at once";
  EXPECT_TRUE(loop->IsStopped());
  EXPECT_TRUE(loop->Playing);
  EXPECT_TRUE(kept->IsStopped());
  EXPECT_EQ(PlaySound("G8Beep", false, SoundGroupEffects, nullptr), nullptr);
  EXPECT_EQ(PlaySound("", true, SoundGroupEffects, nullptr), nullptr);

  // A new loop in the disabled group is made, but being stopped, the next update reclaims it;
  // so is the held loop, while the kept source stays.
  EXPECT_NE(PlaySound("G8Beep", true, SoundGroupEffects, nullptr), nullptr);
  EXPECT_EQ(SourceCount(), 3);
  AudioUpdateBy(0.1f);
  EXPECT_EQ(SourceCount(), 1);
  SetGroupVolume(SoundGroupEffects, 4);
  EXPECT_FALSE(kept->IsStopped()) << "a kept, playing source starts again with its group";
  FreeSource(kept);
  EXPECT_EQ(kept, nullptr);
  EXPECT_EQ(SourceCount(), 0);
}

TEST_F(AudioTest, APlayingSourceMovedToAnotherGroupTakesItsVolumeAndItsSwitch) {
  Wave("G8Hum", std::vector<int16_t>(4800, 1000));
  SetGroupVolume(SoundGroupEnvironment, 5);
  SetGroupVolume(SoundGroupMusic, 0);
  TSource* kept = nullptr;
  CreateSource(kept);
  kept->SetLooping(true);
  kept->SetSampleName("G8Hum");
  kept->SetPlaying(true);
  ASSERT_FALSE(kept->IsStopped());
  EXPECT_EQ(VolumeOf(kept), 0) << "effects at step 10";
  // To a group at step 5: it plays on at that group's level.
  kept->SetGroup(SoundGroupEnvironment);
  EXPECT_FALSE(kept->IsStopped());
  EXPECT_EQ(VolumeOf(kept), LoudnessAttenuation(0.5f));
  EXPECT_EQ(Render(4)[0], static_cast<int16_t>(std::lround(1000 * VolumeGain(LoudnessAttenuation(0.5f)))));
  // To a disabled group: silent but still wanted, so it starts again when moved back.
  kept->SetGroup(SoundGroupMusic);
  EXPECT_TRUE(kept->IsStopped());
  EXPECT_TRUE(kept->Playing);
  EXPECT_EQ(Render(4)[0], 0);
  kept->SetGroup(SoundGroupEffects);
  EXPECT_FALSE(kept->IsStopped());
  EXPECT_EQ(VolumeOf(kept), 0);
  EXPECT_EQ(Render(4)[0], 1000);
  // The group it now belongs to is the one its volume steps follow.
  SetGroupVolume(SoundGroupEnvironment, 1);
  EXPECT_EQ(VolumeOf(kept), 0);
  SetGroupVolume(SoundGroupEffects, 5);
  EXPECT_EQ(VolumeOf(kept), LoudnessAttenuation(0.5f));
  FreeSource(kept);
}

TEST_F(AudioTest, WithEveryGroupDisabledTheUpdateReclaimsNothing) {
  Wave("G8Beep", std::vector<int16_t>(480, 1000));
  SetGroupVolume(SoundGroupMusic, 0);
  SetGroupVolume(SoundGroupEnvironment, 0);
  SetGroupVolume(SoundGroupEffects, 0);
  EXPECT_NE(PlaySound("G8Beep", true, SoundGroupEffects, nullptr), nullptr);
  AudioUpdateBy(0.1f);
  EXPECT_EQ(SourceCount(), 1);
}

TEST_F(AudioTest, TwoSourcesOfOneSamplePlayAtOnceOnADuplicate) {
  Wave("G8Beep", std::vector<int16_t>(480, 1000));
  TSource* first = PlaySound("G8Beep", false, SoundGroupEffects, nullptr);
  TSource* second = PlaySound("G8Beep", false, SoundGroupEffects, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(SampleCount(), 1) << "loaded once";
  EXPECT_TRUE(first->UsesSampleBuffer);
  EXPECT_FALSE(second->UsesSampleBuffer);
  EXPECT_NE(first->Buffer, second->Buffer);
  EXPECT_TRUE(second->Buffer->SharesDataWith(*first->Buffer));
  EXPECT_TRUE(first->Sample->InUse);
  std::vector<int16_t> out = Render(2);
  EXPECT_EQ(out[0], 2000) << "both heard";

  // Once the first is gone the sample's own buffer is free for the next source.
  Render(480);
  AudioUpdateBy(0.1f);
  EXPECT_EQ(SourceCount(), 0);
  TSample* sample = GetSample("G8Beep", 1);
  EXPECT_FALSE(sample->InUse);
  TSource* third = PlaySample(sample, false, SoundGroupEffects, nullptr);
  EXPECT_TRUE(third->UsesSampleBuffer);

  // A refused duplicate leaves the source silent, never started.
  SetSoundFailures(SoundFailDuplicate);
  TSource* fourth = PlaySample(sample, false, SoundGroupEffects, nullptr);
  ASSERT_NE(fourth, nullptr);
  EXPECT_EQ(fourth->Buffer, nullptr);
  EXPECT_TRUE(fourth->IsStopped());
}

TEST_F(AudioTest, OwnersStopTheirSoundsAndPauseHoldsEverything) {
  Wave("G8Beep", std::vector<int16_t>(48000, 1000));
  int ownerA = 0, ownerB = 0;
  TSource* a = PlaySound("G8Beep", true, SoundGroupEffects, &ownerA);
  TSource* b = PlaySound("G8Beep", true, SoundGroupEnvironment, &ownerB);
  TSource* kept = nullptr;
  CreateSource(kept);
  kept->Owner = &ownerA;
  kept->SetSampleName("G8Beep");
  kept->SetPlaying(true);
  StopSounds(&ownerA);
  EXPECT_FALSE(a->Playing);
  EXPECT_TRUE(a->IsStopped());
  EXPECT_FALSE(kept->IsStopped()) << "kept sources are their creator's business";
  AudioUpdateBy(0.1f);
  EXPECT_EQ(SourceCount(), 2);

  Render(100);
  uint32_t before = 0;
  b->Buffer->GetCurrentPosition(&before, nullptr);
  PauseAudio();
  EXPECT_TRUE(b->IsStopped());
  EXPECT_TRUE(b->Playing);
  Render(100);
  ResumeAudio();
  EXPECT_FALSE(b->IsStopped());
  EXPECT_FALSE(kept->IsStopped());
  uint32_t after = 0;
  b->Buffer->GetCurrentPosition(&after, nullptr);
  EXPECT_EQ(after, before) << "nothing played while paused";
  FreeSource(kept);
}

// The live reload: a loaded sample takes its new file in place, and the source playing it plays
// the new sound; a file that no longer loads keeps the old sound.
TEST_F(AudioTest, ReloadReplacesASampleInPlaceAndAFailureKeepsIt) {
  Wave("G8Beep", std::vector<int16_t>(4800, 1000));
  TSource* source = PlaySound("G8Beep", true, SoundGroupEffects, nullptr);
  TSample* sample = GetSample("G8Beep", 1);
  EXPECT_EQ(Render(2)[0], 1000);
  Wave("G8Beep", std::vector<int16_t>(9600, 3000));
  std::string error;
  EXPECT_TRUE(ReloadSample("G8Beep", error)) << error;
  EXPECT_EQ(GetSample("G8Beep", 1), sample);
  EXPECT_FLOAT_EQ(sample->Length, 0.2f);
  EXPECT_EQ(source->Sample, sample);
  EXPECT_TRUE(source->Playing);
  EXPECT_EQ(Render(2)[0], 3000);

  WriteFile(Dir / "Ordinary/G8Beep.wav", "RIFF and nothing more");
  EXPECT_FALSE(ReloadSample("G8Beep", error));
  EXPECT_NE(error.find("G8Beep"), std::string::npos);
  EXPECT_EQ(Render(2)[0], 3000);
  EXPECT_FALSE(ReloadSample("G8NeverLoaded", error));
}

TEST_F(AudioTest, MissingAndDamagedFilesLogOnceAndStaySilent) {
  const size_t logBefore = GetLogMessages().size();
  EXPECT_EQ(PlaySound("G8Nowhere", false, SoundGroupEffects, nullptr)->Buffer, nullptr);
  PlaySound("G8Nowhere", false, SoundGroupEffects, nullptr);
  EXPECT_EQ(CountLog("Failed to load audio sample \"G8Nowhere\" (Missing file)"), 1);
  EXPECT_EQ(GetLogMessages().size(), logBefore + 1);
  TSample* sample = GetSample("G8Nowhere", 1);
  EXPECT_EQ(sample->Length, 0.0f);
  AudioUpdateBy(0.1f);
  EXPECT_EQ(SourceCount(), 0) << "silent sources are reclaimed";

  WriteFile(Dir / "Ordinary/G8Garbage.ogg", "this is not an ogg file at all");
  EXPECT_EQ(GetSample("G8Garbage", 1)->Buffer, nullptr);
  EXPECT_EQ(CountLog("Failed to load audio sample \"G8Garbage\" (Failed to open ogg file)"), 1);
}

TEST_F(AudioTest, FilesAreFoundOggFirstThenByFolder) {
  Wave("G8Where", std::vector<int16_t>(48, 1), 1, 48000, "Branding");
  Wave("G8Where", std::vector<int16_t>(48, 2), 1, 48000, "Language");
  WriteFile(Dir / "Language/G8Where.ogg", EncodeOggVorbis(Tone(440, 0.5, 8000, 1), 1, 8000));
  TSample* sample = GetSample("G8Where", 1);
  ASSERT_NE(sample->Buffer, nullptr);
  EXPECT_EQ(sample->FolderKind, TFolderKind::Language);
  EXPECT_EQ(sample->Buffer->GetFormat().SamplesPerSec, 8000u) << "the Ogg wins over the WAVE";

  Wave("G8Brand", std::vector<int16_t>(4800, 1), 2, 48000, "Branding");
  TSample* brand = GetSample("G8Brand", 1);
  EXPECT_EQ(brand->FolderKind, TFolderKind::Branding);
  EXPECT_FLOAT_EQ(brand->Length, 0.05f);
  EXPECT_FALSE(brand->Streaming);
}

// Each damaged WAVE gives its message and a silent sample; none makes a buffer of a claimed size.
TEST_F(AudioTest, WaveChecksGiveTheirMessages) {
  const std::string good = EncodeWave(std::vector<int16_t>(100, 7), 1, 22050);
  auto patch16 = [](std::string s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
    return s;
  };
  auto patch32 = [](std::string s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  // A format chunk of another size, with the data chunk after it.
  auto longFormat = [&](uint32_t Size) {
    std::string s = patch32(good, 16, Size);
    s.insert(36, std::string(Size - 16, '\0'));
    return s;
  };
  std::string listed = good;
  listed.insert(36, std::string("LIST\x04\0\0\0INFO", 12));
  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Message;
  };
  const TCase cases[] = {
      {"G8NotRiff", "RIFX" + good.substr(4), "Invalid file type"},
      {"G8NotWave", patch32(good, 8, 0x45564157u ^ 0x20), "Invalid file type"},
      {"G8Empty", "", "Invalid file type"},
      {"G8NoFormat", good.substr(0, 12) + "junk" + good.substr(16), "Invalid structure of file"},
      {"G8List", listed, "Invalid structure of file"},
      {"G8Format18", longFormat(18), "Unsupported compression format"},
      {"G8Format40", longFormat(40), "Unsupported compression format"},
      {"G8Float", patch16(good, 20, 3), "Unsupported compression format"},
      {"G8Bits8", patch16(good, 34, 8), "Unsupported bits per sample"},
      {"G8Bits24", patch16(good, 34, 24), "Unsupported bits per sample"},
      {"G8Quad", patch16(good, 22, 4), "Unsupported number of channels"},
      {"G8Short", good.substr(0, good.size() - 1), "Invalid structure of file"},
      {"G8Huge", patch32(good, 40, 0xFFFFFFF0u), "Invalid structure of file"},
      {"G8CutFormat", good.substr(0, 20), "Unsupported compression format"},
      {"G8CutBits", good.substr(0, 30), "Unsupported bits per sample"},
      {"G8CutData", good.substr(0, 44), "Invalid structure of file"},
      {"G8NoData", patch32(good.substr(0, 44), 40, 0), "Failed to create secondary buffer"},
      {"G8BadAlign", patch16(good, 32, 4), "Failed to create secondary buffer"},
  };
  for (const TCase& c : cases) {
    WriteFile(Dir / ("Ordinary/" + std::string(c.Name) + ".wav"), c.Bytes);
    TSample* sample = GetSample(c.Name, 1);
    EXPECT_EQ(sample->Buffer, nullptr) << c.Name;
    EXPECT_EQ(sample->Length, 0.0f) << c.Name;
    EXPECT_EQ(CountLog("Failed to load audio sample \"" + std::string(c.Name) + "\" (" + c.Message + ")"), 1)
        << c.Name << ": " << (GetLogMessages().empty() ? "" : GetLogMessages().back());
  }
  SetSoundFailures(SoundFailLock);
  WriteFile(Dir / "Ordinary/G8Locked.wav", good);
  EXPECT_EQ(GetSample("G8Locked", 1)->Buffer, nullptr);
  EXPECT_EQ(CountLog("Failed to load audio sample \"G8Locked\" (Failed to lock secondary buffer)"), 1);
  SetSoundFailures(SoundFailNone);
  WriteFile(Dir / "Ordinary/G8Good.wav", good);
  TSample* sample = GetSample("G8Good", 1);
  ASSERT_NE(sample->Buffer, nullptr);
  EXPECT_FLOAT_EQ(sample->Length, 100.0f / 22050.0f);
}

TEST_F(AudioTest, OggIsLoadedWholeUpTo35SecondsAndStreamedBeyond) {
  WriteFile(Dir / "Ordinary/J9Exact.ogg", EncodeOggVorbis(Tone(300, 35.0, 8000, 1), 1, 8000, 0.0f));
  WriteFile(Dir / "Ordinary/J9Longer.ogg", EncodeOggVorbis(Tone(300, 35.1, 8000, 2), 2, 8000, 0.0f));
  TSample* exact = GetSample("J9Exact", 1);
  ASSERT_NE(exact->Buffer, nullptr);
  EXPECT_FALSE(exact->Streaming);
  EXPECT_FLOAT_EQ(exact->Length, 35.0f);
  EXPECT_EQ(exact->Buffer->GetSize(), 35u * 8000 * 2);
  TSample* longer = GetSample("J9Longer", 1);
  ASSERT_NE(longer->Buffer, nullptr);
  EXPECT_TRUE(longer->Streaming);
  EXPECT_FLOAT_EQ(longer->Length, 6.0f);
  EXPECT_NEAR(longer->Duration, 35.1f, 1e-4);
  EXPECT_EQ(longer->BlockBytes, 8000 * 4);
  EXPECT_EQ(longer->Buffer->GetSize(), 6u * 8000 * 4);
  EXPECT_FALSE(longer->StreamOpen()) << "the decoder opens again when a source takes it";

  // The whole sound is in the buffer, as the decoder gives it.
  const std::vector<int16_t> reference = DecodeAll(Dir / "Ordinary/J9Exact.ogg");
  void* data = nullptr;
  uint32_t bytes = 0;
  ASSERT_TRUE(exact->Buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
  ASSERT_EQ(bytes, reference.size() * 2);
  EXPECT_EQ(std::memcmp(data, reference.data(), bytes), 0);
  exact->Buffer->Unlock(data, bytes, nullptr, 0);
}

TEST_F(AudioTest, DamagedOggFilesLoadWhatIsIntactAndNeverTheirClaims) {
  // Twenty seconds of a tone under noise: large enough that damage lands in the audio pages.
  const std::string good = EncodeOggVorbis(NoisyTone(20.0, 12345), 1, 8000, 0.5f);
  // Cut in half: the pages that are whole still play.
  WriteFile(Dir / "Ordinary/J9Half.ogg", good.substr(0, good.size() / 2));
  TSample* half = GetSample("J9Half", 1);
  ASSERT_NE(half->Buffer, nullptr);
  EXPECT_GT(half->Length, 2.0f);
  EXPECT_LT(half->Length, 15.0f);
  // Bytes changed inside an audio page: a hole in the stream, reported as a decoding failure.
  std::string flipped = good;
  for (size_t i = good.size() / 2; i < good.size() / 2 + 200; ++i) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
  WriteFile(Dir / "Ordinary/J9Flipped.ogg", flipped);
  EXPECT_EQ(GetSample("J9Flipped", 1)->Buffer, nullptr);
  EXPECT_EQ(CountLog("Failed to load audio sample \"J9Flipped\" (Failed to decode audio data)"), 1);
  // A last page claiming a million seconds: the claim is held to what the file could hold, which
  // streams through the six-second ring instead of asking for gigabytes.
  std::string claim = good;
  const size_t last = claim.rfind("OggS");
  const uint64_t granule = 8000ull * 1000000;
  for (int i = 0; i < 8; ++i) claim[last + 6 + static_cast<size_t>(i)] = static_cast<char>((granule >> (8 * i)) & 0xFF);
  WriteFile(Dir / "Ordinary/J9Claim.ogg", FixOggChecksums(claim));
  TSample* claimed = GetSample("J9Claim", 1);
  ASSERT_NE(claimed->Buffer, nullptr);
  EXPECT_TRUE(claimed->Streaming);
  EXPECT_EQ(claimed->Buffer->GetSize(), 6u * 8000 * 2);
  EXPECT_LT(claimed->Duration, static_cast<float>(good.size()) * 1024 / 8000 + 1);
  // It still plays, looping at the real end of its sound.
  TSource* source = PlaySample(claimed, true, SoundGroupEffects, nullptr);
  for (int i = 0; i < 300; ++i) {
    Render(4800);
    AudioUpdateBy(0.1f);
  }
  EXPECT_FALSE(claimed->Failed);
  EXPECT_FALSE(source->IsStopped());
}

TEST_F(AudioTest, OggWithTooManyChannelsIsRefused) {
  WriteFile(Dir / "Ordinary/G8Three.ogg", EncodeOggVorbis(Tone(300, 0.2, 8000, 3), 3, 8000));
  EXPECT_EQ(GetSample("G8Three", 1)->Buffer, nullptr);
  EXPECT_EQ(CountLog("Failed to load audio sample \"G8Three\" (Unsupported number of channels)"), 1);
}

TEST_F(AudioTest, AStreamedTrackLoopsWithoutAGap) {
  // Output at the file's own rate and 0 dB: the mix must equal the decoded file, sample for sample.
  Start(8000);
  const std::string path = Dir / "Ordinary/J9Stream.ogg";
  WriteFile(path, EncodeOggVorbis(Tone(523.25, 36.0, 8000, 1, 9000), 1, 8000, 0.0f));
  const std::vector<int16_t> reference = DecodeAll(path);
  ASSERT_EQ(reference.size(), 36u * 8000);
  TSource* source = PlaySound("J9Stream", true, SoundGroupEffects, nullptr);
  ASSERT_NE(source, nullptr);
  TSample* sample = source->Sample;
  ASSERT_TRUE(sample->StreamOpen());
  EXPECT_EQ(sample->FreeBlocks, 4) << "two seconds written";
  EXPECT_TRUE(sample->Staged) << "a third decoded ahead";
  // Ten frames a second: each renders a tenth of a second, then runs the update.
  size_t mismatches = 0;
  size_t first = 0;
  const size_t total = 40 * 8000;
  for (size_t done = 0; done < total; done += 800) {
    std::vector<int16_t> out = Render(800);
    for (size_t i = 0; i < 800; ++i) {
      const int16_t want = reference[(done + i) % reference.size()];
      if (out[2 * i] != want || out[2 * i + 1] != want) {
        if (mismatches++ == 0) first = done + i;
      }
    }
    AudioUpdateBy(0.1f);
    ASSERT_FALSE(sample->Failed);
  }
  EXPECT_EQ(mismatches, 0u) << "first difference at frame " << first;
  EXPECT_FALSE(source->IsStopped());

  // A second source of the streamed sample cannot share the stream: it stays silent.
  TSource* second = PlaySound("J9Stream", true, SoundGroupEffects, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->IsStopped());
  EXPECT_EQ(sample->StreamSource, source);
  // Letting the source go closes the stream.
  StopSounds(nullptr);
  AudioUpdateBy(0.1f);
  EXPECT_FALSE(sample->StreamOpen());
  EXPECT_EQ(SourceCount(), 0);
}

TEST_F(AudioTest, ADecodingErrorWhileStreamingStopsTheTrackAndClosesItsStream) {
  // A tone under noise, so that the pages are many; bytes changed in the middle of the file make
  // a hole the decoder reports only when playing reaches it (loading only measures the file).
  std::string bytes = EncodeOggVorbis(NoisyTone(36.0, 777), 1, 8000, 0.5f);
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 200; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  WriteFile(Dir / "Ordinary/J9Holed.ogg", bytes);
  TSource* source = PlaySound("J9Holed", true, SoundGroupEffects, nullptr);
  ASSERT_NE(source, nullptr);
  TSample* sample = source->Sample;
  ASSERT_TRUE(sample->Streaming);
  ASSERT_TRUE(sample->StreamOpen());
  int frames = 0;
  for (; frames < 400 && !source->IsStopped(); ++frames) {
    Render(4800);
    AudioUpdateBy(0.1f);
  }
  EXPECT_TRUE(source->IsStopped()) << "the hole stops the track";
  EXPECT_GT(frames, 50) << "only once playing reached the middle of the file";
  EXPECT_FALSE(sample->StreamOpen()) << "the failed stream is closed";
  EXPECT_TRUE(sample->Failed);
  std::vector<int16_t> after = Render(4800);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](int16_t v) { return v == 0; })) << "and stays silent";
  AudioUpdateBy(0.1f);
  EXPECT_EQ(SourceCount(), 0) << "the stopped source is reclaimed";
}

TEST_F(AudioTest, AStreamThatCannotBeReopenedNeverStarts) {
  const std::string path = Dir / "Ordinary/J9Gone.ogg";
  WriteFile(path, EncodeOggVorbis(Tone(300, 36.0, 8000, 1), 1, 8000, 0.0f));
  TSample* sample = GetSample("J9Gone", 1);
  ASSERT_TRUE(sample->Streaming);
  WriteFile(path, "now garbage");
  TSource* source = PlaySample(sample, true, SoundGroupEffects, nullptr);
  ASSERT_NE(source, nullptr);
  EXPECT_FALSE(sample->StreamOpen());
  EXPECT_TRUE(source->IsStopped());
  // Replaced by a file of another format: refused as well.
  WriteFile(path, EncodeOggVorbis(Tone(300, 1.0, 11025, 1), 1, 11025));
  source->SetSample(nullptr);
  source->SetSample(sample);
  EXPECT_FALSE(sample->StreamOpen());
}

TEST_F(AudioTest, MusicCrossFadesAndWaitsForTheQueue) {
  Wave("J9First", std::vector<int16_t>(4800, 1000));
  Wave("J9Second", std::vector<int16_t>(4800, 1000));
  Wave("J9Third", std::vector<int16_t>(4800, 1000));
  QueueMusic("J9First");  // nothing playing: starts at once
  EXPECT_EQ(CurrentMusicName(), "J9First");
  Frames(1);
  TSource* first = CurrentMusicSource();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->Kept);
  EXPECT_TRUE(first->Looping);
  EXPECT_EQ(first->Group, SoundGroupMusic);
  EXPECT_FLOAT_EQ(first->Volume, 0.75f * 0.25f);
  Frames(1);
  // Step 8 x 0.1 x 0.75 x 0.5 = 0.3: entry 14.
  EXPECT_EQ(VolumeOf(first), -1750);
  Frames(2);
  EXPECT_FLOAT_EQ(first->Volume, 0.75f);
  EXPECT_EQ(VolumeOf(first), -760);
  EXPECT_EQ(PreviousMusicSource(), nullptr);

  // Queued 3 seconds after the start: it waits until the track has played 15 seconds, counted
  // from the end of its fade-in.
  Frames(8);
  EXPECT_FLOAT_EQ(MusicPlayedSeconds(), 2.0f);
  QueueMusic("J9Second");
  EXPECT_EQ(QueuedMusicName(), "J9Second");
  EXPECT_EQ(CurrentMusicName(), "J9First");
  Frames(51);
  EXPECT_FLOAT_EQ(MusicPlayedSeconds(), 14.75f);
  EXPECT_EQ(CurrentMusicSource(), first);
  Frames(1);
  EXPECT_EQ(CurrentMusicName(), "J9Second");
  EXPECT_EQ(QueuedMusicName(), "");
  TSource* second = CurrentMusicSource();
  ASSERT_NE(second, first);
  EXPECT_EQ(PreviousMusicSource(), first);
  EXPECT_FLOAT_EQ(first->Volume, 0.75f * 0.75f);
  EXPECT_FLOAT_EQ(second->Volume, 0.75f * 0.25f);
  Frames(3);
  EXPECT_EQ(PreviousMusicSource(), nullptr) << "the old track is freed after one second";
  EXPECT_FLOAT_EQ(second->Volume, 0.75f);

  // Queueing the playing track clears the queue; skipping the wait switches on the next frame.
  QueueMusic("J9Third");
  QueueMusic("J9Second");
  EXPECT_EQ(QueuedMusicName(), "");
  QueueMusic("J9Third");
  Frames(2);
  EXPECT_EQ(CurrentMusicName(), "J9Second");
  SkipMusicWait();
  Frames(1);
  EXPECT_EQ(CurrentMusicName(), "J9Third");
  EXPECT_EQ(PreviousMusicSource(), second);

  // Setting the same track again changes nothing; an empty name fades the music out.
  SetMusic("J9Third");
  Frames(4);
  TSource* third = CurrentMusicSource();
  SetMusic("");
  Frames(1);
  EXPECT_EQ(CurrentMusicSource(), nullptr);
  EXPECT_EQ(PreviousMusicSource(), third);
  Frames(4);
  EXPECT_EQ(PreviousMusicSource(), nullptr);
  EXPECT_EQ(SourceCount(), 0);
}

TEST_F(AudioTest, MusicRestartsWithAFadeWhenItsGroupReturns) {
  Wave("J9First", std::vector<int16_t>(4800, 1000));
  Wave("J9Second", std::vector<int16_t>(4800, 1000));
  SetMusic("J9First");
  Frames(8);
  ASSERT_NE(CurrentMusicSource(), nullptr);
  QueueMusic("J9Second");
  SetGroupVolume(SoundGroupMusic, 0);
  EXPECT_EQ(CurrentMusicSource(), nullptr);
  EXPECT_EQ(SourceCount(), 0);
  // While music is off, the newest wish becomes the current track.
  Frames(1);
  EXPECT_EQ(CurrentMusicName(), "J9Second");
  EXPECT_EQ(CurrentMusicSource(), nullptr);
  PlayVoice("J9First");
  EXPECT_EQ(VoiceSource(), nullptr) << "no voice without music";
  SetGroupVolume(SoundGroupMusic, 8);
  Frames(1);
  TSource* music = CurrentMusicSource();
  ASSERT_NE(music, nullptr);
  EXPECT_EQ(music->Sample->Name, "J9Second");
  EXPECT_FLOAT_EQ(music->Volume, 0.75f * 0.25f) << "fading in from silence";
  EXPECT_FALSE(music->IsStopped());
}

TEST_F(AudioTest, TheVoiceDucksTheMusic) {
  Wave("J9Music", std::vector<int16_t>(48000, 1000));
  Wave("V1Line", std::vector<int16_t>(3 * 48000, 1000));  // three seconds
  SetMusic("J9Music");
  Frames(4);
  TSource* music = CurrentMusicSource();
  ASSERT_FLOAT_EQ(music->Volume, 0.75f);
  PlayVoice("V1Line");
  TSource* voice = VoiceSource();
  ASSERT_NE(voice, nullptr);
  EXPECT_TRUE(voice->Kept);
  EXPECT_FLOAT_EQ(voice->Volume, 0.875f);
  EXPECT_EQ(voice->Group, SoundGroupMusic);
  // Rises at 2 per second while more than a second is left to say.
  Frames(1);
  EXPECT_FLOAT_EQ(DuckingFactor(), 0.5f);
  EXPECT_FLOAT_EQ(music->Volume, 0.375f);
  Frames(1);
  EXPECT_FLOAT_EQ(DuckingFactor(), 1.0f);
  EXPECT_FLOAT_EQ(music->Volume, 0.0f);
  Frames(6);  // 2 seconds said: one left
  EXPECT_FLOAT_EQ(DuckingFactor(), 0.875f) << "falls at 0.5 per second near the end";
  // The mixer runs the voice out; the update frees it and the music comes back.
  Render(3 * 48000);
  Frames(1);
  EXPECT_EQ(VoiceSource(), nullptr);
  Frames(20);
  EXPECT_FLOAT_EQ(DuckingFactor(), 0.0f);
  EXPECT_FLOAT_EQ(music->Volume, 0.75f);
  // Saying the same line again restarts it; an empty name frees the voice.
  PlayVoice("V1Line");
  PlayVoice("V1Line");
  ASSERT_NE(VoiceSource(), nullptr);
  uint32_t cursor = 1;
  VoiceSource()->Buffer->GetCurrentPosition(&cursor, nullptr);
  EXPECT_EQ(cursor, 0u);
  PlayVoice("");
  EXPECT_EQ(VoiceSource(), nullptr);
}

TEST_F(AudioTest, WithoutADeviceTheGameRunsSilent) {
  AudioShutdown();
  const size_t before = GetLogMessages().size();
  SetSoundFailures(SoundFailDevice);
  AudioStartup();
  EXPECT_EQ(GetAudioDevice(), nullptr);
  EXPECT_EQ(CountLog("Failed to create DirectSound device"), 1);
  EXPECT_EQ(GetLogMessages().size(), before + 1);
  for (int32_t g = 0; g < SoundGroupCount; ++g) EXPECT_FALSE(GroupEnabled(g));
  EXPECT_EQ(PlaySound("G8Beep", false, SoundGroupEffects, nullptr), nullptr);
  TSample* sample = GetSample("G8Beep", 1);
  ASSERT_NE(sample, nullptr);
  EXPECT_EQ(sample->Buffer, nullptr);
  EXPECT_EQ(GetLogMessages().size(), before + 1) << "no warnings for files never looked for";
  SetMusic("J9Music");
  PlayVoice("V1Line");
  AudioUpdateBy(0.5f);
  SetGroupVolume(SoundGroupMusic, 5);
  EXPECT_FALSE(GroupEnabled(SoundGroupMusic));

  SetSoundFailures(SoundFailCooperative);
  AudioStartup();
  EXPECT_EQ(GetAudioDevice(), nullptr);
  EXPECT_EQ(CountLog("Failed to set DirectSound device cooperative level"), 1);
}

TEST_F(AudioTest, EverythingIsSafeBeforeStartUpAndAfterShutdown) {
  AudioShutdown();
  AudioShutdown();
  EXPECT_EQ(GetSample("G8Beep", 1), nullptr);
  EXPECT_EQ(PlaySound("G8Beep", true, SoundGroupEffects, nullptr), nullptr);
  TSource* source = nullptr;
  CreateSource(source);
  EXPECT_EQ(source, nullptr);
  FreeSource(source);
  StopSounds(nullptr);
  PauseAudio();
  ResumeAudio();
  SetMusic("J9Music");
  QueueMusic("J9Other");
  SkipMusicWait();
  PlayVoice("V1Line");
  SetGroupVolume(SoundGroupMusic, 3);
  AudioUpdateBy(0.1f);
  // And it starts again cleanly, with the default steps.
  AudioStartup();
  EXPECT_EQ(GetGroupVolume(SoundGroupMusic), 8);
  EXPECT_EQ(CurrentMusicName(), "");
  Wave("G8Beep", std::vector<int16_t>(48, 5));
  EXPECT_NE(PlaySound("G8Beep", false, SoundGroupEffects, nullptr), nullptr);
  // Shutting down with sources, a stream and music alive releases everything.
  WriteFile(Dir / "Ordinary/J9Long.ogg", EncodeOggVorbis(Tone(300, 36.0, 8000, 1), 1, 8000, 0.0f));
  SetMusic("J9Long");
  AudioUpdateBy(0.1f);
  ASSERT_NE(CurrentMusicSource(), nullptr);
  EXPECT_TRUE(CurrentMusicSource()->Sample->StreamOpen());
  AudioShutdown();
  EXPECT_EQ(SourceCount(), 0);
}

}  // namespace
}  // namespace tv
