// The sound device: secondary buffers of 16-bit PCM that play once or looping, with a volume in
// hundredths of a decibel, a play position, lock and unlock of byte ranges for filling them, and
// duplicates that share one buffer's data. Our own mixer resamples every playing buffer to the
// output rate, applies its gain and keeps the sum 1 dB under full scale with a limiter that turns
// a louder sum down at once and lets it back up over 80 ms (a sum under that passes untouched).
//
// With the real device the mixer runs in SDL's audio callback, under the device lock: the only
// code of the program that runs off the main thread. Every buffer operation takes that lock for
// the few instructions it needs. With the manual clock there is no SDL device at all: the mixer
// runs only when Render is called, so tests can check positions, loops and levels sample by
// sample.
//
// A successful Lock holds the device lock until the matching Unlock, so the mixer never reads
// PCM while it is being written: fill the regions and unlock at once (copying one block takes
// microseconds), and never block or wait for the mixer in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv {

// Status bits, play flags, capability flags and limits, with the values of the original interface.
constexpr uint32_t DSBSTATUS_PLAYING = 0x1;
constexpr uint32_t DSBSTATUS_LOOPING = 0x4;
constexpr uint32_t DSBPLAY_LOOPING = 0x1;
constexpr uint32_t DSBLOCK_ENTIREBUFFER = 0x2;
constexpr uint32_t DSBCAPS_CTRLVOLUME = 0x80;
constexpr uint32_t DSBCAPS_GETCURRENTPOSITION2 = 0x10000;
constexpr uint32_t DSBCAPS_LOCDEFER = 0x40000;
constexpr int32_t DSBVOLUME_MIN = -10000;
constexpr int32_t DSBVOLUME_MAX = 0;
constexpr uint32_t DSBSIZE_MIN = 4;
constexpr uint32_t DSBSIZE_MAX = 0x0FFFFFFF;
constexpr uint32_t DSBFREQUENCY_MIN = 100;
constexpr uint32_t DSBFREQUENCY_MAX = 200000;
constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint32_t DSSCL_PRIORITY = 2;

struct TWaveFormat {
  uint16_t FormatTag = WAVE_FORMAT_PCM;
  uint16_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t AvgBytesPerSec = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
};

// A 16-bit PCM format of 1 or 2 channels at a rate, with the derived fields filled in.
TWaveFormat PcmFormat(uint16_t Channels, uint32_t Rate);

struct TSoundBufferDesc {
  uint32_t Size = 36;
  uint32_t Flags = 0;
  uint32_t BufferBytes = 0;
  TWaveFormat Format;
};

// Gain factor of a volume in hundredths of a decibel: 10^(Volume / 2000), and 0 at or below
// DSBVOLUME_MIN.
float VolumeGain(int32_t Volume);

// Failures that tests can force on the next calls, to reach the paths the real device takes
// when it refuses something. Each bit stays set until cleared.
enum TSoundFailure : uint32_t {
  SoundFailNone = 0,
  SoundFailDevice = 1,        // creating the device
  SoundFailCooperative = 2,   // setting the cooperative level
  SoundFailCreateBuffer = 4,  // creating a secondary buffer
  SoundFailDuplicate = 8,     // duplicating a buffer
  SoundFailLock = 16,         // locking a buffer
};
void SetSoundFailures(uint32_t Failures);

class TSoundMixer;

class TSoundBuffer {
  // Only the device makes buffers: the key opens the constructor to it (and to make_shared).
  class TKey {
    friend class TSoundDevice;
    TKey() = default;
  };

 public:
  explicit TSoundBuffer(TKey /*Key*/) {}
  ~TSoundBuffer();
  TSoundBuffer(const TSoundBuffer&) = delete;
  TSoundBuffer& operator=(const TSoundBuffer&) = delete;

  // Starts playing from the current position (a playing buffer only takes the new flags).
  // Priority is accepted for the interface's sake; every buffer plays.
  bool Play(uint32_t Priority, uint32_t Flags);
  // Stops; the position stays where it was.
  bool Stop();
  uint32_t GetStatus() const;
  bool SetVolume(int32_t Volume);
  int32_t GetVolume() const;
  // Byte offsets; the position must lie inside the buffer.
  bool SetCurrentPosition(uint32_t Position);
  // The play cursor and the write cursor in bytes (the mixer reads ahead of nothing, so both are
  // the position of the next frame to be mixed).
  bool GetCurrentPosition(uint32_t* Play, uint32_t* Write) const;
  // A byte range for writing: Bytes from Offset, wrapping to the buffer's start when it runs
  // past the end (then the second region is set). DSBLOCK_ENTIREBUFFER locks everything. On
  // success the mixer is held off until Unlock.
  bool Lock(uint32_t Offset, uint32_t Bytes, void** Ptr1, uint32_t* Bytes1, void** Ptr2, uint32_t* Bytes2,
            uint32_t Flags);
  // Ends the last successful Lock and lets the mixer run again; false when Ptr1 is null.
  bool Unlock(void* Ptr1, uint32_t Bytes1, void* Ptr2, uint32_t Bytes2);

  uint32_t GetSize() const { return Bytes; }
  const TWaveFormat& GetFormat() const { return Format; }
  // Whether two buffers share their data (one is a duplicate of the other).
  bool SharesDataWith(const TSoundBuffer& Other) const { return Data == Other.Data; }

 private:
  friend class TSoundDevice;
  friend class TSoundMixer;

  std::shared_ptr<TSoundMixer> Mixer;
  std::shared_ptr<std::vector<int16_t>> Data;
  TWaveFormat Format;
  uint32_t Bytes = 0;
  uint32_t Frames = 0;
  // Mixer state, read and written under the device lock.
  bool Playing = false;
  bool Looping = false;
  bool Listed = false;    // in the mixer's list of playing buffers
  uint64_t Position = 0;  // frames, 32.32 fixed point
  uint64_t Step = 0;      // frames per output frame, 32.32 fixed point
  int32_t Volume = 0;
  float Gain = 1;
  // Successful Locks not yet unlocked (main thread only); each holds the device lock once.
  uint32_t Locks = 0;
};

using TSoundBufferPtr = std::shared_ptr<TSoundBuffer>;

enum class TSoundClock { Device, Manual };

class TSoundDevice {
  // Only SoundCreate makes the device: the key opens the constructor to it (and to make_unique).
  class TKey {
    friend std::unique_ptr<TSoundDevice> SoundCreate(std::string* Error);
    TKey() = default;
  };

 public:
  explicit TSoundDevice(TKey /*Key*/) {}
  ~TSoundDevice();
  TSoundDevice(const TSoundDevice&) = delete;
  TSoundDevice& operator=(const TSoundDevice&) = delete;

  // Nothing to arrange on this platform; kept so that the start-up path matches the original.
  bool SetCooperativeLevel(void* Window, uint32_t Level);
  // A buffer of the description's size and format (16-bit PCM, 1 or 2 channels, a rate the
  // mixer accepts); nullptr when the description is refused.
  TSoundBufferPtr CreateSoundBuffer(const TSoundBufferDesc& Desc);
  // A new buffer sharing the original's data, stopped at position 0 with the original's volume.
  TSoundBufferPtr DuplicateSoundBuffer(const TSoundBufferPtr& Original);

  int32_t GetOutputRate() const;
  bool IsManual() const;
  // Number of buffers the mixer plays at the moment.
  int32_t PlayingCount() const;
  // Manual clock only: mixes Frames stereo frames into Out (interleaved left, right) and moves
  // every playing buffer on by that much.
  void Render(int16_t* Out, int32_t Frames);

 private:
  friend std::unique_ptr<TSoundDevice> SoundCreate(std::string* Error);
  std::shared_ptr<TSoundMixer> Mixer;
};

// Chooses what the next SoundCreate makes: the default output device through SDL (the
// default), or a mixer on a manual clock at the given output rate (tests and tools).
void SetSoundClock(TSoundClock Clock, int32_t ManualRate = 48000);
TSoundClock GetSoundClock();

// Opens the default output device (48 kHz stereo, 16-bit) and starts its mixer; nullptr with the
// reason in Error when there is none.
std::unique_ptr<TSoundDevice> SoundCreate(std::string* Error = nullptr);

}  // namespace tv
