// The game's sounds: the device, samples loaded once by name (WAVE or Ogg Vorbis, long Ogg music
// streamed through a six-second ring), sources that play them, three volume groups set in ten
// steps, one music track changing with a one-second cross-fade plus a queued one, and a voice
// channel that lowers the music while it speaks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/AppFolders.h"
#include "base/EngineClasses.h"
#include "platform/PlatformSound.h"

struct OggVorbis_File;

namespace tv {

// Volume groups.
constexpr int32_t SoundGroupEffects = 0;
constexpr int32_t SoundGroupEnvironment = 1;
constexpr int32_t SoundGroupMusic = 2;
constexpr int32_t SoundGroupCount = 3;

// Music and voice constants.
constexpr float MusicCrossFadeSeconds = 1.0f;
constexpr float MusicQueueWaitSeconds = 15.0f;
constexpr float MusicLevel = 0.75f;
constexpr float DuckRisePerSecond = 2.0f;
constexpr float DuckFallPerSecond = 0.5f;
constexpr float VoiceLevel = 0.875f;
// Ogg files longer than this are streamed.
constexpr float StreamingThresholdSeconds = 35.0f;
constexpr int32_t StreamingBlockCount = 6;

// The attenuation in hundredths of a decibel for a linear level 0..1: entry
// 20 - round(20 * Level) of the loudness table (the last entry is silence).
int32_t LoudnessAttenuation(float Level);

// Where a sound's bytes come from: a file, or memory (tests, tools and fuzzing). The decoder, a C
// library, calls these through its callbacks, so none of them may throw.
class TSoundInput {
 public:
  virtual ~TSoundInput() = default;
  // Reads up to Count bytes; returns how many were read (0 at the end), or -1 on failure.
  virtual int64_t Read(void* Buffer, int64_t Count) noexcept = 0;
  virtual bool Seek(int64_t Offset) noexcept = 0;
  virtual int64_t Position() noexcept = 0;
  virtual int64_t Size() noexcept = 0;
};

// The whole file, read through TFileStream.
std::unique_ptr<TSoundInput> FileSoundInput(std::unique_ptr<TFileStream> File);
// A copy of Bytes.
std::unique_ptr<TSoundInput> MemorySoundInput(std::string Bytes);

// Makes the input for a sample's file; called once to load it and again each time its stream opens.
using TSoundInputOpener = std::function<std::unique_ptr<TSoundInput>()>;

struct TStreamingBlock {
  TStreamingBlock* Next = nullptr;
  int32_t Offset = 0;
  bool Filled = false;
};

class TSource;

class TSample : public TNamedItem {
 public:
  TSample();
  // Finds the sound's file in the data folders and loads it. Never raises: a failure is logged
  // ("Failed to load audio sample "Name" (reason)") and leaves a silent sample.
  explicit TSample(const std::string& Name);
  ~TSample() override;

  float Volume = 1;
  // Seconds of sound in the buffer: the whole sound, or the ring's 6 seconds when streaming.
  float Length = 0;
  TSoundBufferPtr Buffer;
  bool InUse = false;
  bool Streaming = false;
  TFolderKind FolderKind = TFolderKind::Ordinary;
  std::unique_ptr<TSoundInput> Stream;
  std::unique_ptr<OggVorbis_File> Decoder;
  bool Failed = false;
  int32_t BlockBytes = 0;
  std::vector<TStreamingBlock> Blocks;
  bool Staged = false;
  std::vector<uint8_t> Staging;
  TStreamingBlock* CurrentBlock = nullptr;
  int32_t FreeBlocks = 0;
  // Seconds of the whole sound, also for a streamed one (the voice's ducking needs it).
  float Duration = 0;
  // The source whose playing the stream feeds; a stream has one reader at a time.
  TSource* StreamSource = nullptr;

  // Loads from an opener: Ext is TExtKind::Wav or TExtKind::Ogg. Raises EError with the
  // reader's message; the opener is kept for reopening a stream.
  void LoadFrom(TExtKind Ext, TSoundInputOpener Opener);
  // Starts streaming a sample marked Streaming; false (and everything freed) when the file or
  // its decoder cannot be opened again.
  bool OpenStream();
  // One step: follows the play cursor, then decodes one block or writes the staged one.
  void RefillStream();
  void CloseStream();
  bool StreamOpen() const { return Decoder != nullptr; }

 private:
  void LoadWave(TSoundInput& In);
  void LoadOgg(std::unique_ptr<TSoundInput> In);
  void DecodeBlock();
  void WriteBlock(TStreamingBlock* Block);
  void FailStream();

  TSoundInputOpener Opener;
};

class TSource : public TItem {
 public:
  const void* Owner = nullptr;
  bool Kept = false;
  TSoundBufferPtr Buffer;
  bool UsesSampleBuffer = false;
  TSample* Sample = nullptr;
  bool Looping = false;
  int32_t Group = SoundGroupEffects;
  float Volume = 1;
  bool Playing = false;

  void Attached() override;
  void Detached() override;

  void SetSample(TSample* NewSample);
  void SetSampleName(const std::string& Name);
  void SetLooping(bool Flag);
  void SetGroup(int32_t NewGroup);
  void SetVolume(float Level);
  void SetPlaying(bool Flag);
  bool IsStopped() const;

  // Starts the buffer (when it has one, and a streaming sample's stream is open for it).
  void Start();
  // Sets the buffer's volume from the group step, the source's and the sample's levels.
  void ApplyVolume();
};

// ---- The module -----------------------------------------------------------------------------

void AudioStartup();
void AudioShutdown();
// Once per frame after drawing, with the frame's elapsed seconds.
void AudioUpdate();
// The same with an explicit frame time (tests, tools).
void AudioUpdateBy(float Seconds);
void PauseAudio();
void ResumeAudio();

int32_t GetGroupVolume(int32_t Group);
void SetGroupVolume(int32_t Group, int32_t Step);
bool GroupEnabled(int32_t Group);

TSample* GetSample(const std::string& Name, float Volume);
// A new source playing the named sound (or the sample); nullptr when nothing is started.
TSource* PlaySound(const std::string& Name, bool Looping, int32_t Group, const void* Owner);
// Loads a sample that is already loaded again from its file, in place (the sources playing it play
// the new sound from its start). False when no such sample is loaded, or, with the reason in
// Error, when the new file cannot be loaded (the old sound stays).
bool ReloadSample(const std::string& Name, std::string& Error);
TSource* PlaySample(TSample* Sample, bool Looping, int32_t Group, const void* Owner);
void StopSounds(const void* Owner);
void CreateSource(TSource*& Source);
void FreeSource(TSource*& Source);

void PlayVoice(const std::string& Name);
void QueueMusic(const std::string& Name);
void SetMusic(const std::string& Name);
void SkipMusicWait();

// ---- Inspection, for tests and tools ----------------------------------------------------------

// The device, or nullptr when there is none (not started, or it failed).
TSoundDevice* GetAudioDevice();
// Number of sources alive (automatic and kept).
int32_t SourceCount();
// Number of cached samples.
int32_t SampleCount();
// The music machinery: current and queued track, the current and previous music sources, the
// seconds the current track has played, the ducking factor and the voice source.
const std::string& CurrentMusicName();
const std::string& QueuedMusicName();
TSource* CurrentMusicSource();
TSource* PreviousMusicSource();
float MusicPlayedSeconds();
float DuckingFactor();
TSource* VoiceSource();

}  // namespace tv
