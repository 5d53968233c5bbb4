#include "platform/PlatformSound.h"

#include "platform/PlatformWindowSdl.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace tv {

namespace {

std::atomic<uint32_t> Failures{SoundFailNone};
TSoundClock NextClock = TSoundClock::Device;
int32_t NextManualRate = 48000;

constexpr int32_t DeviceRate = 48000;
constexpr int32_t DeviceFrames = 1024;
constexpr int32_t ChunkFrames = 1024;

// The mix's ceiling, 1 dB under full scale: a louder sum is turned down at once, by the factor
// that brings its peak to the ceiling, and the gain then comes back towards 1 by a fixed fraction
// of the distance each frame (a time constant of 80 ms: from half gain back to 1 in about 0.7 s).
// A sum that stays under the ceiling passes untouched.
constexpr float MixCeiling = 29204.0f;  // 32767 x 10^(-1/20)
constexpr float MixReleaseSeconds = 0.08f;

bool Failing(TSoundFailure What) { return (Failures.load() & What) != 0; }

}  // namespace

// The mixer: the list of playing buffers and the scratch sum, shared by the device and its
// buffers so that a buffer outliving its device stays safe to use and to destroy.
class TSoundMixer {
 public:
  SDL_AudioDeviceID DeviceId = 0;  // 0 with the manual clock and after closing
  bool Open = true;
  int32_t Rate = DeviceRate;
  std::vector<TSoundBuffer*> Active;
  float Sum[ChunkFrames * 2] = {};
  float LimiterGain = 1.0f;  // the limiter's gain, 1 while the mix stays under the ceiling
  // Device locks held by buffers between Lock and Unlock (main thread only).
  uint32_t HeldLocks = 0;

  void Lock() const {
    if (DeviceId != 0) SDL_LockAudioDevice(DeviceId);
  }
  void Unlock() const {
    if (DeviceId != 0) SDL_UnlockAudioDevice(DeviceId);
  }

  void List(TSoundBuffer* Buffer) {
    if (Buffer->Listed) return;
    Active.push_back(Buffer);
    Buffer->Listed = true;
  }
  void Unlist(TSoundBuffer* Buffer) {
    if (!Buffer->Listed) return;
    Active.erase(std::find(Active.begin(), Active.end(), Buffer));
    Buffer->Listed = false;
  }

  // Mixes Frames stereo frames into Out. Runs in the audio callback (under the device lock) or
  // from Render with the manual clock.
  void Mix(int16_t* Out, int32_t Frames) {
    while (Frames > 0) {
      const int32_t n = std::min(Frames, ChunkFrames);
      std::fill(Sum, Sum + 2 * n, 0.0f);
      for (size_t i = 0; i < Active.size();) {
        TSoundBuffer* buffer = Active[i];
        MixOne(*buffer, n);
        if (buffer->Playing) {
          ++i;
        } else {
          buffer->Listed = false;
          Active.erase(Active.begin() + static_cast<std::ptrdiff_t>(i));
        }
      }
      Limit(n);
      for (int32_t i = 0; i < 2 * n; ++i) {
        const float v = std::clamp(Sum[i], -MixCeiling, MixCeiling);
        Out[i] = static_cast<int16_t>(std::lrint(v));
      }
      Out += 2 * n;
      Frames -= n;
    }
  }

 private:
  // Keeps the n stereo frames of Sum under the ceiling: both sides share one gain, so the picture
  // of the stereo mix stays where it was.
  void Limit(int32_t n) {
    const float release = 1.0f - std::exp(-1.0f / (MixReleaseSeconds * static_cast<float>(Rate)));
    float gain = LimiterGain;
    for (int32_t i = 0; i < n; ++i) {
      const float peak = std::max(std::fabs(Sum[2 * i]), std::fabs(Sum[2 * i + 1]));
      if (peak * gain > MixCeiling) gain = MixCeiling / peak;
      if (gain != 1.0f) {
        Sum[2 * i] *= gain;
        Sum[2 * i + 1] *= gain;
        gain += (1.0f - gain) * release;
        if (gain > 0.999f) gain = 1.0f;  // the last 0.01 dB at once: float steps would stall short of 1
      }
    }
    LimiterGain = gain;
  }

  // Adds n output frames of one buffer to Sum, linearly interpolating between source frames,
  // and moves its position on; a buffer that runs off its end without looping stops at 0.
  void MixOne(TSoundBuffer& B, int32_t n) {
    const uint32_t frames = B.Frames;
    if (frames == 0) {
      B.Playing = false;
      return;
    }
    const uint64_t end = static_cast<uint64_t>(frames) << 32;
    uint64_t pos = B.Position;
    const uint64_t step = B.Step;
    const float gain = B.Gain;
    if (gain == 0.0f) {
      // Silent: only the position moves.
      StorePosition(B, pos + step * static_cast<uint64_t>(n), end);
      return;
    }
    const int16_t* d = B.Data->data();
    const bool stereo = B.Format.Channels == 2;
    constexpr float FracScale = 1.0f / 4294967296.0f;
    for (int32_t i = 0; i < n; ++i) {
      if (pos >= end) {
        if (!B.Looping) {
          B.Playing = false;
          pos = 0;
          break;
        }
        pos %= end;
      }
      const uint32_t idx = static_cast<uint32_t>(pos >> 32);
      const float frac = static_cast<float>(static_cast<uint32_t>(pos)) * FracScale;
      uint32_t nxt = idx + 1;
      if (nxt >= frames) nxt = B.Looping ? 0 : idx;
      if (stereo) {
        const float l0 = d[2 * idx];
        const float r0 = d[2 * idx + 1];
        const float l = l0 + (static_cast<float>(d[2 * nxt]) - l0) * frac;
        const float r = r0 + (static_cast<float>(d[2 * nxt + 1]) - r0) * frac;
        Sum[2 * i] += l * gain;
        Sum[2 * i + 1] += r * gain;
      } else {
        const float s0 = d[idx];
        const float s = (s0 + (static_cast<float>(d[nxt]) - s0) * frac) * gain;
        Sum[2 * i] += s;
        Sum[2 * i + 1] += s;
      }
      pos += step;
    }
    StorePosition(B, pos, end);
  }

  // Stores the position a mix moved B on to (Pos; End is the end of its data): past the end a
  // looping buffer goes round, any other stops at 0. A buffer stopped during the mix is at 0.
  static void StorePosition(TSoundBuffer& B, uint64_t Pos, uint64_t End) {
    if (Pos >= End) {
      if (B.Looping) {
        Pos %= End;
      } else {
        B.Playing = false;
        Pos = 0;
      }
    }
    B.Position = Pos;
  }
};

namespace {

// Holds the device lock for one buffer operation (nothing to hold with the manual clock).
class TMixerGuard {
 public:
  explicit TMixerGuard(const std::shared_ptr<TSoundMixer>& m) : M(m.get()) {
    if (M != nullptr) M->Lock();
  }
  ~TMixerGuard() {
    if (M != nullptr) M->Unlock();
  }
  TMixerGuard(const TMixerGuard&) = delete;
  TMixerGuard& operator=(const TMixerGuard&) = delete;

 private:
  const TSoundMixer* M;
};

// Called by SDL from its audio thread: nothing may unwind into C, so a failure plays silence.
void AudioCallback(void* User, Uint8* Stream, int Len) noexcept {
  try {
    static_cast<TSoundMixer*>(User)->Mix(reinterpret_cast<int16_t*>(Stream), Len / 4);
  } catch (...) {
    std::fill(Stream, Stream + Len, Uint8{0});
  }
}

uint64_t StepFor(uint32_t Rate, int32_t OutputRate) {
  return (static_cast<uint64_t>(Rate) << 32) / static_cast<uint64_t>(OutputRate);
}

}  // namespace

TWaveFormat PcmFormat(uint16_t Channels, uint32_t Rate) {
  TWaveFormat format;
  format.FormatTag = WAVE_FORMAT_PCM;
  format.Channels = Channels;
  format.SamplesPerSec = Rate;
  format.BitsPerSample = 16;
  format.BlockAlign = static_cast<uint16_t>(2 * Channels);
  format.AvgBytesPerSec = Rate * format.BlockAlign;
  return format;
}

float VolumeGain(int32_t Volume) {
  if (Volume <= DSBVOLUME_MIN) return 0.0f;
  if (Volume >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, static_cast<double>(Volume) / 2000.0));
}

void SetSoundFailures(uint32_t f) { Failures = f; }

// ---- TSoundBuffer ---------------------------------------------------------------------------

TSoundBuffer::~TSoundBuffer() {
  if (!Mixer) return;
  // A buffer destroyed while locked gives its locks back, or the mixer would wait forever.
  while (Locks > 0) Unlock(this, 0, nullptr, 0);
  TMixerGuard guard(Mixer);
  Mixer->Unlist(this);
}

bool TSoundBuffer::Play(uint32_t, uint32_t Flags) {
  TMixerGuard guard(Mixer);
  if (!Mixer->Open) return false;
  Looping = (Flags & DSBPLAY_LOOPING) != 0;
  Playing = true;
  Mixer->List(this);
  return true;
}

bool TSoundBuffer::Stop() {
  TMixerGuard guard(Mixer);
  Playing = false;
  Mixer->Unlist(this);
  return true;
}

uint32_t TSoundBuffer::GetStatus() const {
  TMixerGuard guard(Mixer);
  uint32_t status = 0;
  if (Playing) status |= DSBSTATUS_PLAYING;
  if (Playing && Looping) status |= DSBSTATUS_LOOPING;
  return status;
}

bool TSoundBuffer::SetVolume(int32_t v) {
  if (v < DSBVOLUME_MIN || v > DSBVOLUME_MAX) return false;
  const float gain = VolumeGain(v);
  TMixerGuard guard(Mixer);
  Volume = v;
  Gain = gain;
  return true;
}

int32_t TSoundBuffer::GetVolume() const {
  TMixerGuard guard(Mixer);
  return Volume;
}

bool TSoundBuffer::SetCurrentPosition(uint32_t Offset) {
  if (Offset > Bytes) return false;
  TMixerGuard guard(Mixer);
  Position = static_cast<uint64_t>(Offset / Format.BlockAlign) << 32;
  if (Position >= (static_cast<uint64_t>(Frames) << 32)) Position = 0;
  return true;
}

bool TSoundBuffer::GetCurrentPosition(uint32_t* PlayCursor, uint32_t* WriteCursor) const {
  uint64_t pos;
  {
    TMixerGuard guard(Mixer);
    pos = Position;
  }
  const uint32_t bytes = static_cast<uint32_t>(pos >> 32) * Format.BlockAlign;
  if (PlayCursor != nullptr) *PlayCursor = bytes;
  if (WriteCursor != nullptr) *WriteCursor = bytes;
  return true;
}

bool TSoundBuffer::Lock(uint32_t Offset, uint32_t Count, void** Ptr1, uint32_t* Bytes1, void** Ptr2, uint32_t* Bytes2,
                        uint32_t Flags) {
  if (Ptr1 == nullptr || Bytes1 == nullptr) return false;
  *Ptr1 = nullptr;
  *Bytes1 = 0;
  if (Ptr2 != nullptr) *Ptr2 = nullptr;
  if (Bytes2 != nullptr) *Bytes2 = 0;
  if (Failing(SoundFailLock)) return false;
  if ((Flags & DSBLOCK_ENTIREBUFFER) != 0) {
    Offset = 0;
    Count = Bytes;
  }
  if (Offset >= Bytes || Count == 0 || Count > Bytes) return false;
  uint8_t* base = reinterpret_cast<uint8_t*>(Data->data());
  const uint32_t first = std::min(Count, Bytes - Offset);
  if (first < Count && (Ptr2 == nullptr || Bytes2 == nullptr)) return false;
  // Held until Unlock: the mixer may read this buffer's data (or a duplicate's, which is the
  // same data) at any moment.
  Mixer->Lock();
  ++Mixer->HeldLocks;
  ++Locks;
  *Ptr1 = base + Offset;
  *Bytes1 = first;
  if (first < Count) {
    *Ptr2 = base;
    *Bytes2 = Count - first;
  }
  return true;
}

bool TSoundBuffer::Unlock(void* Ptr1, uint32_t, void*, uint32_t) {
  if (Locks > 0) {
    --Locks;
    // After the device closed its lock is gone, and so are the locks it counted.
    if (Mixer->HeldLocks > 0) {
      --Mixer->HeldLocks;
      Mixer->Unlock();
    }
  }
  return Ptr1 != nullptr;
}

// ---- TSoundDevice ---------------------------------------------------------------------------

TSoundDevice::~TSoundDevice() {
  if (!Mixer) return;
  const SDL_AudioDeviceID id = Mixer->DeviceId;
  // Locks still held by buffers are given back first: closing waits for the callback, which
  // would wait for them.
  for (; Mixer->HeldLocks > 0; --Mixer->HeldLocks) Mixer->Unlock();
  if (id != 0) {
    // Closing waits for a running callback; after it no other thread touches the mixer.
    SDL_CloseAudioDevice(id);
    Mixer->DeviceId = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  Mixer->Open = false;
  for (TSoundBuffer* buffer : Mixer->Active) {
    buffer->Listed = false;
    buffer->Playing = false;
  }
  Mixer->Active.clear();
}

bool TSoundDevice::SetCooperativeLevel(void*, uint32_t) { return !Failing(SoundFailCooperative); }

TSoundBufferPtr TSoundDevice::CreateSoundBuffer(const TSoundBufferDesc& Desc) {
  if (Failing(SoundFailCreateBuffer)) return nullptr;
  const TWaveFormat& f = Desc.Format;
  if (f.FormatTag != WAVE_FORMAT_PCM || f.BitsPerSample != 16 || f.Channels < 1 || f.Channels > 2) return nullptr;
  if (f.BlockAlign != 2 * f.Channels) return nullptr;
  if (f.SamplesPerSec < DSBFREQUENCY_MIN || f.SamplesPerSec > DSBFREQUENCY_MAX) return nullptr;
  if (Desc.BufferBytes < DSBSIZE_MIN || Desc.BufferBytes > DSBSIZE_MAX) return nullptr;
  auto buffer = std::make_shared<TSoundBuffer>(TSoundBuffer::TKey());
  buffer->Mixer = Mixer;
  buffer->Format = f;
  buffer->Bytes = Desc.BufferBytes;
  buffer->Frames = Desc.BufferBytes / f.BlockAlign;
  // Whole 16-bit samples, rounded up so that an odd byte count still has room for its last byte.
  buffer->Data = std::make_shared<std::vector<int16_t>>((Desc.BufferBytes + 1) / 2, int16_t{0});
  buffer->Step = StepFor(f.SamplesPerSec, Mixer->Rate);
  return buffer;
}

TSoundBufferPtr TSoundDevice::DuplicateSoundBuffer(const TSoundBufferPtr& Original) {
  if (!Original || Failing(SoundFailDuplicate)) return nullptr;
  auto buffer = std::make_shared<TSoundBuffer>(TSoundBuffer::TKey());
  buffer->Mixer = Mixer;
  buffer->Data = Original->Data;
  buffer->Format = Original->Format;
  buffer->Bytes = Original->Bytes;
  buffer->Frames = Original->Frames;
  buffer->Step = StepFor(Original->Format.SamplesPerSec, Mixer->Rate);
  TMixerGuard guard(Mixer);
  buffer->Volume = Original->Volume;
  buffer->Gain = Original->Gain;
  return buffer;
}

int32_t TSoundDevice::GetOutputRate() const { return Mixer->Rate; }

bool TSoundDevice::IsManual() const { return Mixer->DeviceId == 0; }

int32_t TSoundDevice::PlayingCount() const {
  TMixerGuard guard(Mixer);
  return static_cast<int32_t>(Mixer->Active.size());
}

void TSoundDevice::Render(int16_t* Out, int32_t Frames) {
  if (!IsManual() || Frames <= 0) return;
  Mixer->Mix(Out, Frames);
}

void SetSoundClock(TSoundClock Clock, int32_t ManualRate) {
  NextClock = Clock;
  NextManualRate =
      std::clamp(ManualRate, static_cast<int32_t>(DSBFREQUENCY_MIN), static_cast<int32_t>(DSBFREQUENCY_MAX));
}

TSoundClock GetSoundClock() { return NextClock; }

std::unique_ptr<TSoundDevice> SoundCreate(std::string* Error) {
  if (Failing(SoundFailDevice)) {
    if (Error != nullptr) *Error = "no sound device";
    return nullptr;
  }
  auto device = std::make_unique<TSoundDevice>(TSoundDevice::TKey());
  device->Mixer = std::make_shared<TSoundMixer>();
  if (NextClock == TSoundClock::Manual) {
    device->Mixer->Rate = NextManualRate;
    return device;
  }
  PlatformPrepareSdl();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (Error != nullptr) *Error = SDL_GetError();
    return nullptr;
  }
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = DeviceRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = DeviceFrames;
  want.callback = AudioCallback;
  want.userdata = device->Mixer.get();
  // No changes allowed: SDL converts our 48 kHz stereo to whatever the hardware takes.
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) {
    if (Error != nullptr) *Error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  device->Mixer->DeviceId = id;
  device->Mixer->Rate = DeviceRate;
  SDL_PauseAudioDevice(id, 0);
  return device;
}

}  // namespace tv
