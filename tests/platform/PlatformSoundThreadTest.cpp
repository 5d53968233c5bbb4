// The sound device with its real mixer thread (SDL's dummy driver): a locked buffer holds the mixer
// off until it is unlocked, and locks left behind never hang the mixer or the device's closing.
// These tests are also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/PlatformSound.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

using Clock = std::chrono::steady_clock;

class SoundThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSoundClock(TSoundClock::Device);
    Device = SoundCreate();
    ASSERT_NE(Device, nullptr);
    ASSERT_FALSE(Device->IsManual());
  }
  void TearDown() override { Device.reset(); }

  // A looping mono buffer of one second at the output rate, full of a constant.
  TSoundBufferPtr LoopingBuffer() {
    TSoundBufferDesc desc;
    desc.BufferBytes = 48000 * 2;
    desc.Format = PcmFormat(1, 48000);
    TSoundBufferPtr buffer = Device->CreateSoundBuffer(desc);
    EXPECT_NE(buffer, nullptr);
    if (!buffer) return nullptr;
    void* p = nullptr;
    uint32_t n = 0;
    EXPECT_TRUE(buffer->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
    std::vector<int16_t> ones(n / 2, 1000);
    std::memcpy(p, ones.data(), n);
    EXPECT_TRUE(buffer->Unlock(p, n, nullptr, 0));
    EXPECT_TRUE(buffer->Play(0, DSBPLAY_LOOPING));
    return buffer;
  }

  static uint32_t Cursor(const TSoundBuffer& Buffer) {
    uint32_t play = 0;
    Buffer.GetCurrentPosition(&play, nullptr);
    return play;
  }

  // Whether the mixer moves the buffer on within two seconds.
  static bool Moves(const TSoundBuffer& Buffer) {
    const uint32_t from = Cursor(Buffer);
    const auto until = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < until) {
      if (Cursor(Buffer) != from) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  test::TScopedEnv Driver{"SDL_AUDIODRIVER", "dummy"};
  std::unique_ptr<TSoundDevice> Device;
};

TEST_F(SoundThreadTest, ALockedBufferHoldsTheMixerOffUntilItIsUnlocked) {
  TSoundBufferPtr buffer = LoopingBuffer();
  ASSERT_NE(buffer, nullptr);
  ASSERT_TRUE(Moves(*buffer)) << "the mixer thread runs";

  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0;
  uint32_t n2 = 0;
  ASSERT_TRUE(buffer->Lock(48000, 48000, &p1, &n1, &p2, &n2, 0));
  const uint32_t held = Cursor(*buffer);
  // Three of the device's periods: the mixer would have moved on at least twice.
  std::this_thread::sleep_for(std::chrono::milliseconds(70));
  EXPECT_EQ(Cursor(*buffer), held) << "the mixer ran while the buffer was locked";
  std::memset(p1, 0, n1);
  if (p2 != nullptr) std::memset(p2, 0, n2);  // the locked range may not wrap
  EXPECT_TRUE(buffer->Unlock(p1, n1, p2, n2));
  EXPECT_TRUE(Moves(*buffer)) << "unlocking lets the mixer run again";

  // A lock that failed holds nothing; neither does an Unlock without a Lock.
  EXPECT_FALSE(buffer->Lock(96000, 2, &p1, &n1, &p2, &n2, 0));
  EXPECT_TRUE(Moves(*buffer));
  EXPECT_TRUE(buffer->Unlock(p1 == nullptr ? buffer.get() : p1, 0, nullptr, 0));
  EXPECT_TRUE(Moves(*buffer));
}

TEST_F(SoundThreadTest, LocksLeftBehindNeverHangTheMixerOrTheDevice) {
  TSoundBufferPtr playing = LoopingBuffer();
  ASSERT_NE(playing, nullptr);
  TSoundBufferPtr forgotten = LoopingBuffer();
  ASSERT_NE(forgotten, nullptr);
  void* p = nullptr;
  uint32_t n = 0;
  ASSERT_TRUE(forgotten->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
  ASSERT_TRUE(forgotten->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
  // Destroying a buffer that is still locked gives its locks back.
  forgotten.reset();
  EXPECT_TRUE(Moves(*playing));

  // Closing the device while a buffer is locked returns, and the buffer stays safe to unlock.
  ASSERT_TRUE(playing->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER));
  const auto start = Clock::now();
  Device.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(playing->Unlock(p, n, nullptr, 0));
  EXPECT_EQ(playing->GetStatus(), 0u);
}

TEST_F(SoundThreadTest, WritersOnTheMainThreadAndTheMixerNeverOverlap) {
  // Blocks all round the buffer are rewritten while the mixer plays it and a duplicate sharing
  // its data. The loop does nothing else that takes the device lock, so under ThreadSanitizer a
  // write to the PCM outside Lock and Unlock is reported as a race with the mixer's reads.
  TSoundBufferPtr buffer = LoopingBuffer();
  ASSERT_NE(buffer, nullptr);
  TSoundBufferPtr copy = Device->DuplicateSoundBuffer(buffer);
  ASSERT_NE(copy, nullptr);
  ASSERT_TRUE(copy->Play(0, DSBPLAY_LOOPING));
  const auto until = Clock::now() + std::chrono::milliseconds(300);
  int rounds = 0;
  while (Clock::now() < until) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    const uint32_t at = static_cast<uint32_t>(rounds % 10) * 9600 + 4800;
    ASSERT_TRUE(buffer->Lock(at, 9600, &p1, &n1, &p2, &n2, 0));
    std::vector<int16_t> block(4800, static_cast<int16_t>(rounds % 100));
    std::memcpy(p1, block.data(), n1);
    if (p2 != nullptr) std::memcpy(p2, reinterpret_cast<const uint8_t*>(block.data()) + n1, n2);
    ASSERT_TRUE(buffer->Unlock(p1, n1, p2, n2));
    ++rounds;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  EXPECT_GT(rounds, 10);
  EXPECT_EQ(Device->PlayingCount(), 2);
}

}  // namespace
}  // namespace tv
