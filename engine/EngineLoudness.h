// Loudness of sounds and music: EBU R128 integrated loudness and true peak (through libebur128),
// reading sound files to floating-point samples, and bringing a sound to a target loudness. The
// tool measures and masters the game's sounds with these; tests check the built files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// Interleaved samples in -1..1.
struct TPcm {
  int32_t Channels = 1;
  int32_t Rate = 44100;
  std::vector<float> Samples;
  size_t Frames() const { return Channels > 0 ? Samples.size() / static_cast<size_t>(Channels) : 0; }
};

struct TLoudness {
  double Integrated = 0;  // LUFS; -inf for silence
  double TruePeak = 0;    // dBTP (4x oversampled peak); -inf for silence
  double SamplePeak = 0;  // dBFS
};

// A mono sound is measured as the game plays it, on both speakers. A sound shorter than one
// gating block (0.4 s) is measured as if silence followed it up to 0.4 s, so that short effects
// get a figure that can be compared with each other.
TLoudness MeasureLoudness(const TPcm& Pcm);

// Reads a WAVE file (16-bit PCM or 32-bit float) or an Ogg Vorbis file (by its first bytes).
// Raises EError naming what is wrong.
TPcm ReadSoundFile(const std::string& Path);

// Scales the sound so that its integrated loudness is TargetLufs, then makes sure its true peak
// is at most CeilingDb: with Limit, a look-ahead peak limiter lowers the gain briefly around the
// peaks (treating the sound as a loop when Circular, so the gain at the end meets the gain at the
// start); without it the whole sound is turned down instead. Returns the measurement afterwards.
TLoudness NormaliseLoudness(TPcm& Pcm, double TargetLufs, double CeilingDb, bool Limit, bool Circular);

// The largest difference between neighbouring samples of one channel over frames [First, Last),
// and the difference across the loop point (last frame to first frame).
float LargestStep(const TPcm& Pcm, size_t First, size_t Last);
float LoopStep(const TPcm& Pcm);

}  // namespace tv
