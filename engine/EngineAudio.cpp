#include "engine/EngineAudio.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "platform/PlatformWindow.h"

namespace tv {

// ---- Loudness -------------------------------------------------------------------------------

namespace {

constexpr std::array<int32_t, 21> LoudnessTable = {0,     -60,   -130,  -210,  -300,  -400,  -510,
                                                   -630,  -760,  -900,  -1050, -1210, -1380, -1560,
                                                   -1750, -1950, -2160, -2380, -2610, -2850, -10000};

}  // namespace

int32_t LoudnessAttenuation(float Level) {
  if (!(Level > 0.0f)) return LoudnessTable[20];  // also NaN
  if (Level > 1.0f) Level = 1.0f;
  const long step = std::lround(20.0f * Level);
  return LoudnessTable[static_cast<size_t>(20 - step)];
}

// ---- Inputs ---------------------------------------------------------------------------------

namespace {

class TFileSoundInput : public TSoundInput {
 public:
  explicit TFileSoundInput(std::unique_ptr<TFileStream> file) : File(std::move(file)) {}
  int64_t Read(void* Buffer, int64_t Count) noexcept override { return File->Read(Buffer, Count); }
  bool Seek(int64_t Offset) noexcept override { return File->Seek(Offset); }
  int64_t Position() noexcept override { return File->Position(); }
  int64_t Size() noexcept override { return File->Size(); }

 private:
  std::unique_ptr<TFileStream> File;
};

class TMemorySoundInput : public TSoundInput {
 public:
  explicit TMemorySoundInput(std::string bytes) : Bytes(std::move(bytes)) {}
  int64_t Read(void* Buffer, int64_t Count) noexcept override {
    const int64_t size = static_cast<int64_t>(Bytes.size());
    if (Count <= 0 || Pos >= size) return 0;
    const int64_t n = std::min(Count, size - Pos);
    std::memcpy(Buffer, Bytes.data() + Pos, static_cast<size_t>(n));
    Pos += n;
    return n;
  }
  bool Seek(int64_t Offset) noexcept override {
    if (Offset < 0) return false;
    Pos = Offset;
    return true;
  }
  int64_t Position() noexcept override { return Pos; }
  int64_t Size() noexcept override { return static_cast<int64_t>(Bytes.size()); }

 private:
  std::string Bytes;
  int64_t Pos = 0;
};

// The decoder reads through these; the input stays owned by the sample (or the loader). They are
// called from C and never throw (the inputs' operations are noexcept).
size_t OggRead(void* Ptr, size_t Size, size_t Count, void* Source) noexcept {
  if (Size == 0 || Count == 0) return 0;
  const int64_t got = static_cast<TSoundInput*>(Source)->Read(Ptr, static_cast<int64_t>(Size * Count));
  if (got < 0) {
    // A failed read, told apart from the end of the file as the decoder expects.
    errno = EIO;
    return 0;
  }
  return static_cast<size_t>(got) / Size;
}

int OggSeek(void* Source, ogg_int64_t Offset, int Whence) noexcept {
  auto* in = static_cast<TSoundInput*>(Source);
  int64_t base = 0;
  if (Whence == SEEK_CUR) {
    base = in->Position();
  } else if (Whence == SEEK_END) {
    base = in->Size();
  } else if (Whence != SEEK_SET) {
    return -1;
  }
  const int64_t target = base + Offset;
  if (target < 0) return -1;
  return in->Seek(target) ? 0 : -1;
}

int OggClose(void*) noexcept { return 0; }

long OggTell(void* Source) noexcept { return static_cast<long>(static_cast<TSoundInput*>(Source)->Position()); }

const ov_callbacks OggCallbacks = {OggRead, OggSeek, OggClose, OggTell};

// Reads PCM in the format the buffer was made with. A later link of a chained file in another
// format counts as the end of the sound: its samples would be garbage in this buffer.
long ReadPcm(OggVorbis_File* Decoder, uint8_t* Dest, int64_t Bytes, const TWaveFormat& Format) {
  int link = 0;
  const int request = static_cast<int>(std::min<int64_t>(Bytes, 1 << 16));
  const long got = ov_read(Decoder, reinterpret_cast<char*>(Dest), request, 0, 2, 1, &link);
  if (got <= 0) return got;
  const vorbis_info* info = ov_info(Decoder, link);
  if (info == nullptr || info->channels != Format.Channels || info->rate != static_cast<long>(Format.SamplesPerSec)) {
    return 0;
  }
  return got;
}

// Closes the decoder when a load leaves, whatever the way.
struct TDecoderGuard {
  OggVorbis_File* Decoder;
  ~TDecoderGuard() { ov_clear(Decoder); }
};

}  // namespace

std::unique_ptr<TSoundInput> FileSoundInput(std::unique_ptr<TFileStream> File) {
  return std::make_unique<TFileSoundInput>(std::move(File));
}

std::unique_ptr<TSoundInput> MemorySoundInput(std::string Bytes) {
  return std::make_unique<TMemorySoundInput>(std::move(Bytes));
}

// ---- Module state ---------------------------------------------------------------------------

namespace {

enum class TMusicState { Idle, CrossFading, Starting };

struct TAudioState {
  std::unique_ptr<TSoundDevice> Device;
  bool DevicePresent = false;
  std::unique_ptr<TContainer> Samples;
  std::unique_ptr<TContainer> Sources;
  std::array<int32_t, SoundGroupCount> Steps = {10, 10, 8};
  std::array<bool, SoundGroupCount> Enabled = {false, false, false};
  TSource* Voice = nullptr;
  float VoiceSeconds = 0;
  float Duck = 0;
  float Level = MusicLevel;
  TMusicState State = TMusicState::Starting;
  TSource* CurrentMusic = nullptr;
  TSource* PreviousMusic = nullptr;
  float Progress = 0;
  float MusicSeconds = 0;
  std::string MusicName;
  std::string QueuedName;
};

TAudioState Audio;

bool ValidGroup(int32_t Group) { return Group >= 0 && Group < SoundGroupCount; }

}  // namespace

// ---- TSample --------------------------------------------------------------------------------

TSample::TSample() = default;

TSample::TSample(const std::string& name) : TNamedItem(name) {
  Volume = 1;
  // Without a device the sample is made silent, without looking for its file.
  if (Audio.Device == nullptr) return;
  try {
    for (const TFolderKind kind : {TFolderKind::Ordinary, TFolderKind::Language, TFolderKind::Branding}) {
      for (const TExtKind ext : {TExtKind::Ogg, TExtKind::Wav}) {
        if (!DataFileExists(kind, Name, ext)) continue;
        FolderKind = kind;
        const std::string fileName = Name;
        LoadFrom(ext, [kind, fileName, ext]() { return FileSoundInput(OpenDataFile(kind, fileName, ext)); });
        return;
      }
    }
    throw EError("Missing file");
  } catch (const EError& e) {
    CloseStream();
    Length = 0;
    Duration = 0;
    Streaming = false;
    Buffer.reset();
    AddLogMessage("Failed to load audio sample \"" + Name + "\" (" + e.what() + ")");
  }
}

TSample::~TSample() { CloseStream(); }

void TSample::LoadFrom(TExtKind Ext, TSoundInputOpener opener) {
  Opener = std::move(opener);
  std::unique_ptr<TSoundInput> in = Opener();
  if (!in) throw EError("Missing file");
  if (Ext == TExtKind::Ogg) {
    LoadOgg(std::move(in));
  } else {
    LoadWave(*in);
  }
}

void TSample::LoadWave(TSoundInput& In) {
  TSoundDevice* device = Audio.Device.get();
  auto bytes = [&](void* To, int64_t Count) {
    std::memset(To, 0, static_cast<size_t>(Count));
    In.Read(To, Count);
  };
  auto tag = [&]() {
    std::array<char, 4> t{};
    bytes(t.data(), 4);
    return std::string(t.data(), 4);
  };
  auto u32 = [&]() {
    uint8_t b[4];
    bytes(b, 4);
    return static_cast<uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24));
  };
  auto u16 = [&]() {
    uint8_t b[2];
    bytes(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
  };

  if (tag() != "RIFF") throw EError("Invalid file type");
  u32();
  if (tag() != "WAVE") throw EError("Invalid file type");
  if (tag() != "fmt ") throw EError("Invalid structure of file");
  const uint32_t formatSize = u32();
  TWaveFormat format;
  format.FormatTag = u16();
  format.Channels = u16();
  format.SamplesPerSec = u32();
  format.AvgBytesPerSec = u32();
  format.BlockAlign = u16();
  format.BitsPerSample = u16();
  if (formatSize != 16 || format.FormatTag != WAVE_FORMAT_PCM) throw EError("Unsupported compression format");
  if (format.BitsPerSample != 16) throw EError("Unsupported bits per sample");
  if (format.Channels > 2) throw EError("Unsupported number of channels");
  if (tag() != "data") throw EError("Invalid structure of file");
  const uint32_t dataSize = u32();
  // The data chunk must really be there: a damaged size never makes a buffer larger than the file.
  const int64_t available = In.Size() - In.Position();
  if (static_cast<int64_t>(dataSize) > available) throw EError("Invalid structure of file");

  TSoundBufferDesc desc;
  desc.Flags = DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_LOCDEFER;
  desc.BufferBytes = dataSize;
  desc.Format = format;
  Buffer = device != nullptr ? device->CreateSoundBuffer(desc) : nullptr;
  if (!Buffer) throw EError("Failed to create secondary buffer");
  if (format.AvgBytesPerSec != 0) Length = static_cast<float>(static_cast<double>(dataSize) / format.AvgBytesPerSec);
  Duration = Length;
  // The file is read before the buffer is locked: the mixer is held off only for the copy.
  std::vector<uint8_t> pcm(dataSize);
  const int64_t got = In.Read(pcm.data(), static_cast<int64_t>(pcm.size()));
  void* data = nullptr;
  uint32_t size = 0;
  if (!Buffer->Lock(0, 0, &data, &size, nullptr, nullptr, DSBLOCK_ENTIREBUFFER)) {
    throw EError("Failed to lock secondary buffer");
  }
  if (got > 0) std::memcpy(data, pcm.data(), static_cast<size_t>(std::min<int64_t>(got, size)));
  Buffer->Unlock(data, size, nullptr, 0);
  if (got != static_cast<int64_t>(size)) throw EError("Invalid structure of file");
}

void TSample::LoadOgg(std::unique_ptr<TSoundInput> In) {
  TSoundDevice* device = Audio.Device.get();
  OggVorbis_File decoder;
  if (ov_open_callbacks(In.get(), &decoder, nullptr, 0, OggCallbacks) < 0) throw EError("Failed to open ogg file");
  TDecoderGuard guard{&decoder};
  vorbis_info* info = ov_info(&decoder, 0);
  if (info == nullptr) throw EError("Failed to open ogg file");
  if (info->channels > 2) throw EError("Unsupported number of channels");
  const uint32_t rate =
      info->rate > 0 && info->rate <= static_cast<long>(DSBFREQUENCY_MAX) ? static_cast<uint32_t>(info->rate) : 0;
  const TWaveFormat format = PcmFormat(static_cast<uint16_t>(std::max(info->channels, 0)), rate);
  int64_t frames = std::max<int64_t>(ov_pcm_total(&decoder, 0), 0);
  // A damaged last page may claim any length. No packet yields more than half the long block, and
  // every packet takes at least one byte of the file: beyond that bound the claim cannot be true.
  const int64_t longBlock = std::max(vorbis_info_blocksize(info, 1), 0);
  const int64_t bound = std::max<int64_t>(In->Size(), 0) * (longBlock / 2);
  frames = std::min(frames, bound);
  const int64_t size = frames * format.BlockAlign;
  const double length = format.AvgBytesPerSec != 0 ? static_cast<double>(size) / format.AvgBytesPerSec : 0.0;
  Length = static_cast<float>(length);
  Duration = Length;
  int64_t bufferBytes = size;
  if (length > StreamingThresholdSeconds) {
    Streaming = true;
    BlockBytes = static_cast<int32_t>(format.BlockAlign * format.SamplesPerSec);
    bufferBytes = static_cast<int64_t>(StreamingBlockCount) * BlockBytes;
    Length = static_cast<float>(StreamingBlockCount);
  }
  TSoundBufferDesc desc;
  desc.Flags = DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_LOCDEFER;
  desc.BufferBytes = static_cast<uint32_t>(std::min<int64_t>(bufferBytes, std::numeric_limits<uint32_t>::max()));
  desc.Format = format;
  Buffer = device != nullptr ? device->CreateSoundBuffer(desc) : nullptr;
  if (!Buffer) throw EError("Failed to create secondary buffer");
  // A streamed sample reopens its file from the same folder when a source takes it.
  if (Streaming) return;
  // Decoded before the buffer is locked: the mixer is held off only for the copy.
  std::vector<uint8_t> pcm(desc.BufferBytes);
  int64_t got = 0;
  bool damaged = false;
  while (got < static_cast<int64_t>(pcm.size())) {
    const long n = ReadPcm(&decoder, pcm.data() + got, static_cast<int64_t>(pcm.size()) - got, format);
    if (n == 0) break;
    if (n < 0) {
      damaged = true;
      break;
    }
    got += n;
  }
  void* data = nullptr;
  uint32_t bytes = 0;
  if (!Buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER)) {
    throw EError("Failed to lock secondary buffer");
  }
  if (!damaged) std::memcpy(data, pcm.data(), std::min<size_t>(pcm.size(), bytes));
  Buffer->Unlock(data, bytes, nullptr, 0);
  if (damaged) throw EError("Failed to decode audio data");
}

namespace {
TSoundBuffer* StreamPlayBuffer(TSample& Sample) {
  if (Sample.StreamSource != nullptr && Sample.StreamSource->Buffer) return Sample.StreamSource->Buffer.get();
  return Sample.Buffer.get();
}
}  // namespace

bool TSample::OpenStream() {
  if (Decoder) return true;
  if (!Streaming || !Buffer || !Opener || BlockBytes <= 0) return false;
  try {
    Stream = Opener();
  } catch (const EError&) {
    Stream.reset();
  }
  if (!Stream) {
    CloseStream();
    return false;
  }
  Decoder = std::make_unique<OggVorbis_File>();
  if (ov_open_callbacks(Stream.get(), Decoder.get(), nullptr, 0, OggCallbacks) < 0) {
    // A failed open has already released what it took.
    Decoder.reset();
    CloseStream();
    return false;
  }
  // The file may have changed since it was measured: its format must still fit the buffer.
  const vorbis_info* info = ov_info(Decoder.get(), 0);
  const TWaveFormat& format = Buffer->GetFormat();
  if (info == nullptr || info->channels != format.Channels || info->rate != static_cast<long>(format.SamplesPerSec)) {
    CloseStream();
    return false;
  }
  Failed = false;
  Blocks.assign(StreamingBlockCount, TStreamingBlock{});
  for (int32_t i = 0; i < StreamingBlockCount; ++i) {
    Blocks[static_cast<size_t>(i)].Offset = i * BlockBytes;
    Blocks[static_cast<size_t>(i)].Next = &Blocks[static_cast<size_t>((i + 1) % StreamingBlockCount)];
  }
  CurrentBlock = &Blocks[0];
  FreeBlocks = StreamingBlockCount;
  Staging.assign(static_cast<size_t>(BlockBytes), 0);
  Staged = false;
  DecodeBlock();
  TStreamingBlock* target = &Blocks[0];
  for (int i = 0; i < 2 && !Failed; ++i) {
    WriteBlock(target);
    target = target->Next;
    DecodeBlock();
  }
  return true;
}

void TSample::FailStream() {
  if (TSoundBuffer* buffer = StreamPlayBuffer(*this)) buffer->Stop();
  Failed = true;
}

void TSample::DecodeBlock() {
  if (!Decoder) return;
  int64_t got = 0;
  bool atStart = false;
  while (got < BlockBytes) {
    const long n = ReadPcm(Decoder.get(), Staging.data() + got, BlockBytes - got, Buffer->GetFormat());
    if (n < 0) {
      FailStream();
      return;
    }
    if (n == 0) {
      // The end: go on from the beginning, so the track loops without a gap. A stream that gives
      // nothing right after a seek to its start holds no sound at all.
      if (atStart || ov_pcm_seek(Decoder.get(), 0) != 0) {
        FailStream();
        return;
      }
      atStart = true;
      continue;
    }
    got += n;
    atStart = false;
  }
  Staged = true;
}

void TSample::WriteBlock(TStreamingBlock* Block) {
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0;
  uint32_t n2 = 0;
  if (Buffer->Lock(static_cast<uint32_t>(Block->Offset), static_cast<uint32_t>(BlockBytes), &p1, &n1, &p2, &n2, 0)) {
    std::memcpy(p1, Staging.data(), n1);
    if (p2 != nullptr) std::memcpy(p2, Staging.data() + n1, n2);
    Buffer->Unlock(p1, n1, p2, n2);
  } else {
    FailStream();
  }
  Block->Filled = true;
  --FreeBlocks;
  Staged = false;
}

void TSample::RefillStream() {
  if (!Decoder || Failed || CurrentBlock == nullptr) return;
  uint32_t cursor = 0;
  TSoundBuffer* buffer = StreamPlayBuffer(*this);
  if (buffer == nullptr || !buffer->GetCurrentPosition(&cursor, nullptr)) {
    FailStream();
    return;
  }
  const auto holds = [&](const TStreamingBlock* b) {
    return cursor >= static_cast<uint32_t>(b->Offset) && cursor < static_cast<uint32_t>(b->Offset + BlockBytes);
  };
  TStreamingBlock* found = CurrentBlock;
  int32_t steps = 0;
  while (!holds(found) && steps < StreamingBlockCount) {
    found = found->Next;
    ++steps;
  }
  if (holds(found)) {
    // Blocks passed on the way have been played.
    for (TStreamingBlock* b = CurrentBlock; b != found; b = b->Next) {
      if (b->Filled) {
        b->Filled = false;
        ++FreeBlocks;
      }
    }
    CurrentBlock = found;
    if (!found->Filled) {
      found->Filled = true;
      --FreeBlocks;
    }
  }
  if (!Staged) {
    DecodeBlock();
  } else if (FreeBlocks > 0) {
    TStreamingBlock* target = CurrentBlock->Next;
    while (target->Filled && target != CurrentBlock) target = target->Next;
    if (!target->Filled) WriteBlock(target);
  }
}

void TSample::CloseStream() {
  if (Decoder) {
    ov_clear(Decoder.get());
    Decoder.reset();
  }
  Stream.reset();
  std::vector<uint8_t>().swap(Staging);
  std::vector<TStreamingBlock>().swap(Blocks);
  CurrentBlock = nullptr;
  FreeBlocks = 0;
  Staged = false;
  StreamSource = nullptr;
}

// ---- TSource --------------------------------------------------------------------------------

void TSource::Attached() { Volume = 1; }

void TSource::Detached() {
  Owner = nullptr;
  Kept = false;
  SetSample(nullptr);
  Looping = false;
  Group = SoundGroupEffects;
}

void TSource::SetSample(TSample* NewSample) {
  if (NewSample == Sample) return;
  SetPlaying(false);
  if (Sample != nullptr) {
    if (Sample->Streaming && Sample->StreamSource == this) Sample->CloseStream();
    if (Buffer) Buffer->Stop();
    Buffer.reset();
    if (UsesSampleBuffer) Sample->InUse = false;
    UsesSampleBuffer = false;
  }
  Sample = NewSample;
  if (Sample == nullptr) return;
  if (Sample->Buffer) {
    if (Sample->InUse) {
      Buffer = Audio.Device ? Audio.Device->DuplicateSoundBuffer(Sample->Buffer) : nullptr;
    } else {
      Buffer = Sample->Buffer;
      UsesSampleBuffer = true;
      Sample->InUse = true;
    }
  }
  ApplyVolume();
  if (Buffer) Buffer->SetCurrentPosition(0);
  // One source at a time reads a sample's stream; another source of it stays silent.
  if (Sample->Streaming && Buffer && !Sample->StreamOpen()) {
    Sample->StreamSource = this;
    if (!Sample->OpenStream()) Sample->CloseStream();
  }
}

void TSource::SetSampleName(const std::string& Name) {
  if (Name.empty()) {
    SetSample(nullptr);
  } else if (Sample == nullptr || Sample->Name != Name) {
    SetSample(GetSample(Name, 1));
  }
}

void TSource::SetLooping(bool Flag) {
  if (Flag == Looping) return;
  Looping = Flag;
  if (Sample != nullptr && Playing && GroupEnabled(Group)) Start();
}

void TSource::SetGroup(int32_t NewGroup) {
  if (NewGroup == Group) return;
  Group = NewGroup;
  if (Sample == nullptr) return;
  if (Playing) {
    if (GroupEnabled(Group)) {
      Start();
    } else if (Buffer) {
      Buffer->Stop();
    }
  }
  ApplyVolume();
}

void TSource::SetVolume(float Level) {
  Level = std::clamp(Level, 0.0f, 1.0f);
  if (Level == Volume) return;
  Volume = Level;
  ApplyVolume();
}

void TSource::SetPlaying(bool Flag) {
  if (Sample == nullptr || Flag == Playing) return;
  Playing = Flag;
  if (Flag) {
    if (GroupEnabled(Group)) Start();
  } else if (Buffer) {
    Buffer->Stop();
  }
}

bool TSource::IsStopped() const { return !Buffer || (Buffer->GetStatus() & DSBSTATUS_PLAYING) == 0; }

void TSource::Start() {
  if (!Buffer || Sample == nullptr) return;
  if (Sample->Streaming && !(Sample->StreamOpen() && Sample->StreamSource == this)) return;
  double priority = std::round(10.0 * Sample->Length);
  if (Looping) priority += 65535;
  priority = std::clamp(priority, 0.0, 4294967295.0);
  Buffer->Play(static_cast<uint32_t>(priority), Looping ? DSBPLAY_LOOPING : 0);
}

void TSource::ApplyVolume() {
  if (!Buffer) return;
  const float step = static_cast<float>(GetGroupVolume(Group));
  const float sampleVolume = Sample != nullptr ? Sample->Volume : 1.0f;
  const float level = std::clamp(step * 0.1f * Volume * sampleVolume, 0.0f, 1.0f);
  Buffer->SetVolume(LoudnessAttenuation(level));
}

// ---- The module -----------------------------------------------------------------------------

namespace {

TSource* Next(TSource* Source) { return static_cast<TSource*>(Source->GetNext()); }
TSource* FirstSource() { return Audio.Sources ? Audio.Sources->FirstAs<TSource>() : nullptr; }

void ResetMusic() {
  Audio.Voice = nullptr;
  Audio.VoiceSeconds = 0;
  Audio.Duck = 0;
  Audio.Level = MusicLevel;
  Audio.State = TMusicState::Starting;
  Audio.CurrentMusic = nullptr;
  Audio.PreviousMusic = nullptr;
  Audio.Progress = 0;
  Audio.MusicSeconds = 0;
  Audio.MusicName.clear();
  Audio.QueuedName.clear();
}

}  // namespace

void AudioStartup() {
  AudioShutdown();
  std::string reason;
  Audio.Device = SoundCreate(&reason);
  try {
    if (!Audio.Device) throw EError("Failed to create DirectSound device");
    if (!Audio.Device->SetCooperativeLevel(PlatformWindowHandle(), DSSCL_PRIORITY)) {
      throw EError("Failed to set DirectSound device cooperative level");
    }
  } catch (const EError& e) {
    AddLogMessage(e.what());
    Audio.Device.reset();
  }
  Audio.DevicePresent = Audio.Device != nullptr;
  Audio.Samples = std::make_unique<TContainer>(true, true);
  Audio.Sources = std::make_unique<TContainer>(false, MakeItem<TSource>, 16);
  Audio.Steps = {10, 10, 8};
  for (int32_t g = 0; g < SoundGroupCount; ++g) {
    Audio.Enabled[static_cast<size_t>(g)] = Audio.DevicePresent && Audio.Steps[static_cast<size_t>(g)] > 0;
  }
  ResetMusic();
}

void AudioShutdown() {
  ResetMusic();
  Audio.Sources.reset();
  Audio.Samples.reset();
  Audio.Device.reset();
  Audio.DevicePresent = false;
  Audio.Enabled = {false, false, false};
}

void AudioUpdate() { AudioUpdateBy(ElapsedSeconds()); }

void AudioUpdateBy(float Dt) {
  if (!Audio.Sources) return;
  // 1. Streams and finished sources.
  if (Audio.Enabled[0] || Audio.Enabled[1] || Audio.Enabled[2]) {
    for (TSource* source = FirstSource(); source != nullptr;) {
      TSource* next = Next(source);
      TSample* sample = source->Sample;
      if (sample != nullptr && sample->Streaming && sample->StreamOpen() && sample->StreamSource == source) {
        sample->RefillStream();
        if (sample->Failed) sample->CloseStream();
      }
      if (!source->Kept && source->IsStopped()) Audio.Sources->Remove(source);
      source = next;
    }
  }
  // 2. Without music the newest wish waits as the current track.
  if (!GroupEnabled(SoundGroupMusic)) {
    if (!Audio.QueuedName.empty()) SetMusic(std::string(Audio.QueuedName));
    return;
  }
  // 3. Voice.
  if (Audio.Voice != nullptr) {
    if (Audio.Voice->IsStopped()) {
      FreeSource(Audio.Voice);
    } else {
      Audio.VoiceSeconds += Dt;
    }
  }
  // 4. Ducking: the music gives way while the voice has more than a second left to say.
  const bool speaking = Audio.Voice != nullptr && Audio.Voice->Sample != nullptr &&
                        Audio.Voice->Sample->Duration - Audio.VoiceSeconds > 1.0f;
  if (speaking) {
    Audio.Duck = std::min(1.0f, Audio.Duck + DuckRisePerSecond * Dt);
  } else if (Audio.Duck > 0) {
    Audio.Duck = std::max(0.0f, Audio.Duck - DuckFallPerSecond * Dt);
  }
  Audio.Level = MusicLevel * (1.0f - Audio.Duck);
  // 5. Playing on, or moving to the queued track.
  if (Audio.State == TMusicState::Idle && Audio.CurrentMusic != nullptr) {
    Audio.MusicSeconds += Dt;
    if (Audio.MusicSeconds >= MusicQueueWaitSeconds && !Audio.QueuedName.empty()) {
      SetMusic(std::string(Audio.QueuedName));
    } else {
      Audio.CurrentMusic->SetVolume(Audio.Level);
    }
  }
  // 6. A new track: the old one becomes the one fading out.
  if (Audio.State == TMusicState::Starting) {
    FreeSource(Audio.PreviousMusic);
    Audio.PreviousMusic = Audio.CurrentMusic;
    Audio.CurrentMusic = nullptr;
    if (!Audio.MusicName.empty()) {
      CreateSource(Audio.CurrentMusic);
      TSource* music = Audio.CurrentMusic;
      music->SetLooping(true);
      music->SetGroup(SoundGroupMusic);
      music->SetVolume(0);
      music->SetSampleName(Audio.MusicName);
      music->SetPlaying(true);
    }
    Audio.MusicSeconds = 0;
    Audio.Progress = 0;
    Audio.State = TMusicState::CrossFading;
  }
  // 7. Cross-fade.
  if (Audio.State == TMusicState::CrossFading) {
    Audio.Progress += Dt / MusicCrossFadeSeconds;
    if (Audio.Progress >= 1.0f) {
      Audio.Progress = 1.0f;
      Audio.State = TMusicState::Idle;
      FreeSource(Audio.PreviousMusic);
    }
    if (Audio.PreviousMusic != nullptr) Audio.PreviousMusic->SetVolume((1.0f - Audio.Progress) * Audio.Level);
    if (Audio.CurrentMusic != nullptr) Audio.CurrentMusic->SetVolume(Audio.Level * Audio.Progress);
  }
}

void PauseAudio() {
  for (TSource* source = FirstSource(); source != nullptr; source = Next(source)) {
    if (source->Sample != nullptr && source->Playing && source->Buffer) source->Buffer->Stop();
  }
}

void ResumeAudio() {
  for (TSource* source = FirstSource(); source != nullptr; source = Next(source)) {
    if (source->Sample != nullptr && source->Playing && GroupEnabled(source->Group)) source->Start();
  }
}

int32_t GetGroupVolume(int32_t Group) { return ValidGroup(Group) ? Audio.Steps[static_cast<size_t>(Group)] : 0; }

bool GroupEnabled(int32_t Group) { return ValidGroup(Group) && Audio.Enabled[static_cast<size_t>(Group)]; }

void SetGroupVolume(int32_t Group, int32_t Step) {
  if (!ValidGroup(Group)) return;
  Step = std::clamp(Step, 0, 10);
  const size_t g = static_cast<size_t>(Group);
  const int32_t old = Audio.Steps[g];
  if (Step == old) return;
  Audio.Steps[g] = Step;
  Audio.Enabled[g] = Audio.DevicePresent && Step > 0;
  if (Group == SoundGroupMusic && Step < 1) {
    FreeSource(Audio.Voice);
    FreeSource(Audio.CurrentMusic);
    FreeSource(Audio.PreviousMusic);
    Audio.State = TMusicState::Starting;
  }
  for (TSource* source = FirstSource(); source != nullptr;) {
    TSource* next = Next(source);
    if (source->Group == Group && source->Sample != nullptr) {
      if (Step >= 1) {
        source->ApplyVolume();
        if (old == 0 && source->Playing) source->Start();
      } else if (!source->Kept && !source->Looping) {
        Audio.Sources->Remove(source);
      } else if (source->Playing && source->Buffer) {
        source->Buffer->Stop();
      }
    }
    source = next;
  }
}

TSample* GetSample(const std::string& Name, float Volume) {
  if (!Audio.Samples) return nullptr;
  if (TSample* sample = Audio.Samples->FindAs<TSample>(Name)) return sample;
  auto sample = std::make_unique<TSample>(Name);
  sample->Volume = Volume;
  return Audio.Samples->Insert(std::move(sample), true);
}

bool ReloadSample(const std::string& Name, std::string& Error) {
  if (!Audio.Samples || Audio.Device == nullptr) return false;
  TSample* sample = Audio.Samples->FindAs<TSample>(Name);
  if (sample == nullptr) return false;
  for (const TFolderKind kind : {TFolderKind::Ordinary, TFolderKind::Language, TFolderKind::Branding}) {
    for (const TExtKind ext : {TExtKind::Ogg, TExtKind::Wav}) {
      if (!DataFileExists(kind, Name, ext)) continue;
      const std::string fileName = Name;
      auto opener = [kind, fileName, ext]() { return FileSoundInput(OpenDataFile(kind, fileName, ext)); };
      // The new file must load before the old sound is given up.
      try {
        TSample trial;
        trial.LoadFrom(ext, opener);
      } catch (const EError& e) {
        Error = "Failed to load audio sample \"" + Name + "\" (" + e.what() + ")";
        return false;
      }
      // The sources that play it let go of it, and take it up again once it holds the new sound.
      struct TUser {
        TSource* Source;
        bool Playing;
      };
      std::vector<TUser> users;
      for (TSource* source = FirstSource(); source != nullptr; source = Next(source)) {
        if (source->Sample != sample) continue;
        users.push_back({source, source->Playing});
        source->SetSample(nullptr);
      }
      sample->CloseStream();
      sample->Buffer.reset();
      sample->Streaming = false;
      sample->FolderKind = kind;
      try {
        sample->LoadFrom(ext, opener);
      } catch (const EError& e) {
        Error = "Failed to load audio sample \"" + Name + "\" (" + e.what() + ")";
      }
      for (const TUser& user : users) {
        user.Source->SetSample(sample);
        user.Source->SetPlaying(user.Playing);
      }
      return Error.empty();
    }
  }
  Error = "Failed to load audio sample \"" + Name + "\" (Missing file)";
  return false;
}

TSource* PlaySample(TSample* Sample, bool Looping, int32_t Group, const void* Owner) {
  if (Sample == nullptr || !Audio.Sources) return nullptr;
  if (!Looping && !GroupEnabled(Group)) return nullptr;
  TSource* source = Audio.Sources->InsertNewAs<TSource>(false);
  source->Owner = Owner;
  source->SetLooping(Looping);
  source->SetGroup(Group);
  source->SetSample(Sample);
  source->SetPlaying(true);
  return source;
}

TSource* PlaySound(const std::string& Name, bool Looping, int32_t Group, const void* Owner) {
  if (Name.empty() || !Audio.Sources) return nullptr;
  if (!Looping && !GroupEnabled(Group)) return nullptr;
  return PlaySample(GetSample(Name, 1), Looping, Group, Owner);
}

void StopSounds(const void* Owner) {
  for (TSource* source = FirstSource(); source != nullptr; source = Next(source)) {
    if (!source->Kept && source->Owner == Owner) source->SetPlaying(false);
  }
}

void CreateSource(TSource*& Source) {
  if (Source != nullptr || !Audio.Sources) return;
  Source = Audio.Sources->InsertNewAs<TSource>(false);
  Source->Kept = true;
}

void FreeSource(TSource*& Source) {
  if (Source == nullptr) return;
  if (Source->Container != nullptr) Source->Container->Remove(Source);
  Source = nullptr;
}

void PlayVoice(const std::string& Name) {
  if (Name.empty() || !GroupEnabled(SoundGroupMusic)) {
    FreeSource(Audio.Voice);
    return;
  }
  CreateSource(Audio.Voice);
  if (Audio.Voice == nullptr) return;
  Audio.Voice->SetSample(nullptr);
  Audio.Voice->SetGroup(SoundGroupMusic);
  Audio.Voice->SetVolume(VoiceLevel);
  Audio.Voice->SetSampleName(Name);
  Audio.Voice->SetPlaying(true);
  Audio.VoiceSeconds = 0;
}

void SetMusic(const std::string& Name) {
  if (Name == Audio.MusicName) return;
  Audio.QueuedName.clear();
  Audio.MusicName = Name;
  Audio.State = TMusicState::Starting;
}

void QueueMusic(const std::string& Name) {
  if (Name == Audio.QueuedName) return;
  if (Name != Audio.MusicName) {
    if (Audio.MusicName.empty()) {
      SetMusic(Name);
    } else {
      Audio.QueuedName = Name;
    }
  } else {
    Audio.QueuedName.clear();
  }
}

void SkipMusicWait() { Audio.MusicSeconds = MusicQueueWaitSeconds; }

TSoundDevice* GetAudioDevice() { return Audio.Device.get(); }
int32_t SourceCount() { return Audio.Sources ? Audio.Sources->GetCount() : 0; }
int32_t SampleCount() { return Audio.Samples ? Audio.Samples->GetCount() : 0; }
const std::string& CurrentMusicName() { return Audio.MusicName; }
const std::string& QueuedMusicName() { return Audio.QueuedName; }
TSource* CurrentMusicSource() { return Audio.CurrentMusic; }
TSource* PreviousMusicSource() { return Audio.PreviousMusic; }
float MusicPlayedSeconds() { return Audio.MusicSeconds; }
float DuckingFactor() { return Audio.Duck; }
TSource* VoiceSource() { return Audio.Voice; }

}  // namespace tv
