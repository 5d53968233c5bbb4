#include "platform/PlatformSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tv {
namespace {

class SoundDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSoundClock(TSoundClock::Manual, 48000);
    Device = SoundCreate();
    ASSERT_NE(Device, nullptr);
  }
  void TearDown() override {
    SetSoundFailures(SoundFailNone);
    SetSoundClock(TSoundClock::Device);
  }

  TSoundBufferPtr MakeBuffer(const std::vector<int16_t>& Samples, uint16_t Channels, uint32_t Rate) {
    TSoundBufferDesc desc;
    desc.BufferBytes = static_cast<uint32_t>(Samples.size() * 2);
    desc.Format = PcmFormat(Channels, Rate);
    TSoundBufferPtr buffer = Device->CreateSoundBuffer(desc);
    if (!buffer) return nullptr;
    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_TRUE(buffer->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
    std::memcpy(p, Samples.data(), n);
    buffer->Unlock(p, n, nullptr, 0);
    return buffer;
  }

  std::vector<int16_t> Render(int32_t Frames) {
    std::vector<int16_t> out(static_cast<size_t>(Frames) * 2);
    Device->Render(out.data(), Frames);
    return out;
  }

  std::unique_ptr<TSoundDevice> Device;
};

TEST_F(SoundDeviceTest, RefusesFormatsAndSizesTheMixerCannotPlay) {
  auto make = [&](TWaveFormat Format, uint32_t Bytes) {
    TSoundBufferDesc desc;
    desc.BufferBytes = Bytes;
    desc.Format = Format;
    return Device->CreateSoundBuffer(desc) != nullptr;
  };
  EXPECT_TRUE(make(PcmFormat(1, 44100), 100));
  EXPECT_TRUE(make(PcmFormat(2, 8000), 100));
  EXPECT_FALSE(make(PcmFormat(3, 44100), 120));
  EXPECT_FALSE(make(PcmFormat(0, 44100), 100));
  EXPECT_FALSE(make(PcmFormat(1, 50), 100));
  EXPECT_FALSE(make(PcmFormat(1, 400000), 100));
  EXPECT_FALSE(make(PcmFormat(1, 44100), 0));
  EXPECT_FALSE(make(PcmFormat(1, 44100), DSBSIZE_MAX + 1));
  TWaveFormat eightBit = PcmFormat(1, 44100);
  eightBit.BitsPerSample = 8;
  EXPECT_FALSE(make(eightBit, 100));
  TWaveFormat badAlign = PcmFormat(2, 44100);
  badAlign.BlockAlign = 2;
  EXPECT_FALSE(make(badAlign, 100));
  SetSoundFailures(SoundFailCreateBuffer);
  EXPECT_FALSE(make(PcmFormat(1, 44100), 100));
}

TEST_F(SoundDeviceTest, PlaysOnceAtTheOutputRateExactlyThenStopsAtTheStart) {
  std::vector<int16_t> mono = {100, -200, 300, -400, 29000, -29000};
  TSoundBufferPtr buffer = MakeBuffer(mono, 1, 48000);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->GetStatus(), 0u);
  ASSERT_TRUE(buffer->Play(0, 0));
  EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
  std::vector<int16_t> out = Render(4);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(out[2 * i], mono[i]);
    EXPECT_EQ(out[2 * i + 1], mono[i]) << "mono plays on both sides";
  }
  uint32_t play = 99;
  ASSERT_TRUE(buffer->GetCurrentPosition(&play, nullptr));
  EXPECT_EQ(play, 8u);
  out = Render(4);
  EXPECT_EQ(out[0], 29000);
  EXPECT_EQ(out[2], -29000);
  EXPECT_EQ(out[4], 0) << "silence after the end";
  EXPECT_EQ(buffer->GetStatus(), 0u);
  ASSERT_TRUE(buffer->GetCurrentPosition(&play, nullptr));
  EXPECT_EQ(play, 0u);
  EXPECT_EQ(Device->PlayingCount(), 0);
}

TEST_F(SoundDeviceTest, LoopsWithoutAGapAndStopKeepsThePosition) {
  std::vector<int16_t> stereo = {1, -1, 2, -2, 3, -3};
  TSoundBufferPtr buffer = MakeBuffer(stereo, 2, 48000);
  ASSERT_TRUE(buffer->Play(0, DSBPLAY_LOOPING));
  EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  std::vector<int16_t> out = Render(7);
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(out[2 * i], static_cast<int16_t>(i % 3 + 1));
    EXPECT_EQ(out[2 * i + 1], -static_cast<int16_t>(i % 3 + 1));
  }
  ASSERT_TRUE(buffer->Stop());
  uint32_t play = 0;
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 4u);
  out = Render(1);
  EXPECT_EQ(out[0], 0);
  buffer->Play(0, 0);
  out = Render(1);
  EXPECT_EQ(out[0], 2) << "resumes where it stopped";
}

TEST_F(SoundDeviceTest, VolumeIsInHundredthsOfADecibel) {
  EXPECT_FLOAT_EQ(VolumeGain(0), 1.0f);
  EXPECT_NEAR(VolumeGain(-600), 0.5012f, 1e-4);
  EXPECT_NEAR(VolumeGain(-1050), 0.2985f, 1e-4);
  EXPECT_EQ(VolumeGain(-10000), 0.0f);
  TSoundBufferPtr buffer = MakeBuffer(std::vector<int16_t>(64, 10000), 1, 48000);
  EXPECT_FALSE(buffer->SetVolume(1));
  EXPECT_FALSE(buffer->SetVolume(-10001));
  ASSERT_TRUE(buffer->SetVolume(-600));
  EXPECT_EQ(buffer->GetVolume(), -600);
  buffer->Play(0, DSBPLAY_LOOPING);
  std::vector<int16_t> out = Render(8);
  EXPECT_EQ(out[0], static_cast<int16_t>(std::lround(10000 * VolumeGain(-600))));
  buffer->SetVolume(DSBVOLUME_MIN);
  out = Render(8);
  EXPECT_EQ(out[0], 0);
  uint32_t play = 0;
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 32u) << "a silent buffer still moves on";
}

TEST_F(SoundDeviceTest, ResamplesLinearly) {
  // 24 kHz into 48 kHz: every other output frame lies halfway between two input frames.
  TSoundBufferPtr slow = MakeBuffer({0, 1000, 2000, 3000}, 1, 24000);
  slow->Play(0, 0);
  std::vector<int16_t> out = Render(8);
  const int16_t expected[] = {0, 500, 1000, 1500, 2000, 2500, 3000, 3000};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(out[2 * i], expected[i]) << i;
  EXPECT_EQ(slow->GetStatus(), 0u);

  TSoundBufferPtr c = MakeBuffer(std::vector<int16_t>(16, -3000), 1, 96000);
  c->Play(0, 0);
  out = Render(2);
  EXPECT_EQ(out[0], -3000);
  uint32_t play = 0;
  c->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 8u) << "96 kHz moves two frames per output frame";
}

// A loud sum (music near full scale with a sound on top) is turned down below full scale instead of
// clipping, with both sides alike; the gain comes back once the sum is quiet again, and a mix that
// stays under the ceiling is never touched (the other tests play such mixes sample for sample).
TEST_F(SoundDeviceTest, TheLimiterKeepsTheSumUnderFullScaleAndLetsGoAfterwards) {
  // A 1 kHz tone at 0.85 of full scale on both sides, and on top of it, for a quarter of a second,
  // a 440 Hz tone at 0.7 on the left only: peaks of about 1.5 times full scale.
  constexpr int32_t Rate = 48000;
  std::vector<int16_t> music(2 * Rate * 5 / 4);
  for (size_t i = 0; i < music.size() / 2; ++i) {
    const auto v = static_cast<int16_t>(std::lround(27850 * std::sin(2 * 3.14159265358979 * 1000 * i / Rate)));
    music[2 * i] = v;
    music[2 * i + 1] = v;
  }
  std::vector<int16_t> click(2 * Rate / 4);
  for (size_t i = 0; i < click.size() / 2; ++i) {
    click[2 * i] = static_cast<int16_t>(std::lround(22937 * std::sin(2 * 3.14159265358979 * 440 * i / Rate)));
  }
  TSoundBufferPtr a = MakeBuffer(music, 2, Rate);
  TSoundBufferPtr b = MakeBuffer(click, 2, Rate);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  a->Play(0, 0);
  b->Play(0, 0);
  const std::vector<int16_t> out = Render(Rate * 5 / 4);
  int peak = 0;
  int64_t unequal = 0;
  for (size_t i = 0; i < out.size(); i += 2) {
    peak = std::max({peak, std::abs(int{out[i]}), std::abs(int{out[i + 1]})});
    // Three quarters of a second after the sound the gain is 1 again: the music is as it was.
    if (i / 2 >= static_cast<size_t>(Rate) && out[i] != music[i]) ++unequal;
  }
  EXPECT_LE(peak, 29204) << "1 dB under full scale";
  EXPECT_GT(peak, 28000) << "turned down to the ceiling, not far below it";
  EXPECT_EQ(unequal, 0);
  // While limited, the right side (the music alone) was turned down with the left.
  double heard = 0;
  double played = 0;
  for (size_t i = 2 * static_cast<size_t>(Rate / 20); i < 2 * static_cast<size_t>(Rate / 5); i += 2) {
    heard += std::abs(int{out[i + 1]});
    played += std::abs(int{music[i + 1]});
  }
  EXPECT_LT(heard, 0.9 * played);
}

TEST_F(SoundDeviceTest, LockHandsOutWrappedRegionsAndRejectsBadRanges) {
  TSoundBufferPtr buffer = MakeBuffer(std::vector<int16_t>(8, 0), 1, 48000);  // 16 bytes
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  ASSERT_TRUE(buffer->Lock(12, 8, &p1, &n1, &p2, &n2, 0));
  EXPECT_EQ(n1, 4u);
  EXPECT_EQ(n2, 4u);
  EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 12);
  ASSERT_TRUE(buffer->Lock(4, 8, &p1, &n1, &p2, &n2, 0));
  EXPECT_EQ(n1, 8u);
  EXPECT_EQ(p2, nullptr);
  EXPECT_FALSE(buffer->Lock(16, 2, &p1, &n1, &p2, &n2, 0));
  EXPECT_FALSE(buffer->Lock(0, 17, &p1, &n1, &p2, &n2, 0));
  EXPECT_FALSE(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, 0));
  EXPECT_FALSE(buffer->Lock(12, 8, &p1, &n1, nullptr, nullptr, 0)) << "a wrapped range needs the second region";
  SetSoundFailures(SoundFailLock);
  EXPECT_FALSE(buffer->Lock(0, 4, &p1, &n1, &p2, &n2, 0));
  EXPECT_FALSE(buffer->SetCurrentPosition(18));
  EXPECT_TRUE(buffer->SetCurrentPosition(6));
  uint32_t play = 0;
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 6u);
}

TEST_F(SoundDeviceTest, DuplicatesShareDataButPlayOnTheirOwn) {
  TSoundBufferPtr original = MakeBuffer({10, 20, 30, 40}, 1, 48000);
  original->SetVolume(-2000);
  TSoundBufferPtr copy = Device->DuplicateSoundBuffer(original);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->SharesDataWith(*original));
  EXPECT_EQ(copy->GetVolume(), -2000);
  copy->SetVolume(0);
  // A write through the original is heard through the copy.
  void* p = nullptr;
  uint32_t n = 0;
  ASSERT_TRUE(original->Lock(0, 2, &p, &n, nullptr, nullptr, 0));
  *static_cast<int16_t*>(p) = 1000;
  original->Unlock(p, n, nullptr, 0);
  copy->SetCurrentPosition(0);
  copy->Play(0, 0);
  std::vector<int16_t> out = Render(2);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[2], 20);
  EXPECT_EQ(original->GetStatus(), 0u);
  original.reset();
  out = Render(2);
  EXPECT_EQ(out[0], 30) << "the copy keeps the data alive";
  SetSoundFailures(SoundFailDuplicate);
  EXPECT_EQ(Device->DuplicateSoundBuffer(copy), nullptr);
}

TEST_F(SoundDeviceTest, BuffersOutlivingTheirDeviceAreHarmless) {
  TSoundBufferPtr buffer = MakeBuffer({1, 2, 3, 4}, 1, 48000);
  buffer->Play(0, DSBPLAY_LOOPING);
  Device.reset();
  EXPECT_EQ(buffer->GetStatus(), 0u);
  EXPECT_FALSE(buffer->Play(0, 0));
  EXPECT_TRUE(buffer->Stop());
  EXPECT_TRUE(buffer->SetVolume(-100));
}

TEST_F(SoundDeviceTest, DeviceCreationCanBeRefused) {
  SetSoundFailures(SoundFailDevice);
  std::string reason;
  EXPECT_EQ(SoundCreate(&reason), nullptr);
  EXPECT_FALSE(reason.empty());
  SetSoundFailures(SoundFailCooperative);
  auto device = SoundCreate();
  ASSERT_NE(device, nullptr);
  EXPECT_FALSE(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY));
  EXPECT_TRUE(device->IsManual());
  EXPECT_EQ(device->GetOutputRate(), 48000);
}

}  // namespace
}  // namespace tv
