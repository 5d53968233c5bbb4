#include "engine/EngineLoudness.h"

#include <ebur128.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <limits>
#include <memory>

#include "base/EngineClasses.h"

namespace tv {

namespace {

double ToDb(double Linear) { return Linear > 0 ? 20 * std::log10(Linear) : -std::numeric_limits<double>::infinity(); }

void Scale(TPcm& Pcm, double Db) {
  const float g = static_cast<float>(std::pow(10.0, Db / 20));
  for (float& s : Pcm.Samples) s *= g;
}

uint32_t U32(const std::string& B, size_t At) {
  return static_cast<uint32_t>(static_cast<uint8_t>(B[At]) | (static_cast<uint8_t>(B[At + 1]) << 8) |
                               (static_cast<uint8_t>(B[At + 2]) << 16) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(B[At + 3])) << 24));
}

uint16_t U16(const std::string& B, size_t At) {
  return static_cast<uint16_t>(static_cast<uint8_t>(B[At]) | (static_cast<uint8_t>(B[At + 1]) << 8));
}

TPcm ReadWave(const std::string& Bytes) {
  if (Bytes.size() < 12 || Bytes.compare(0, 4, "RIFF") != 0 || Bytes.compare(8, 4, "WAVE") != 0) {
    throw EError("not a WAVE file");
  }
  TPcm pcm;
  uint16_t format = 0;
  uint16_t bits = 0;
  bool haveFormat = false;
  // Walk the chunks: writers put "fact", "PEAK", "LIST" and others beside "fmt " and "data".
  for (size_t at = 12; at + 8 <= Bytes.size();) {
    const std::string id = Bytes.substr(at, 4);
    const size_t size = U32(Bytes, at + 4);
    const size_t body = at + 8;
    if (size > Bytes.size() - body) throw EError("chunk \"" + id + "\" runs past the end of the file");
    if (id == "fmt ") {
      if (size < 16) throw EError("format chunk too short");
      format = U16(Bytes, body);
      pcm.Channels = U16(Bytes, body + 2);
      pcm.Rate = static_cast<int32_t>(U32(Bytes, body + 4));
      bits = U16(Bytes, body + 14);
      if (format == 0xFFFE && size >= 26) format = U16(Bytes, body + 24);  // extensible: the sub-format
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat) throw EError("data before the format chunk");
      if (pcm.Channels < 1 || pcm.Channels > 8 || pcm.Rate <= 0) throw EError("unsupported channels or rate");
      if (format == 1 && bits == 16) {
        pcm.Samples.resize(size / 2);
        for (size_t i = 0; i < pcm.Samples.size(); ++i) {
          pcm.Samples[i] = static_cast<float>(static_cast<int16_t>(U16(Bytes, body + 2 * i))) / 32768.0f;
        }
      } else if (format == 3 && bits == 32) {
        pcm.Samples.resize(size / 4);
        std::memcpy(pcm.Samples.data(), Bytes.data() + body, pcm.Samples.size() * 4);
      } else {
        throw EError("only 16-bit PCM and 32-bit float WAVE files are read");
      }
      pcm.Samples.resize(pcm.Frames() * static_cast<size_t>(pcm.Channels));
      return pcm;
    }
    at = body + size + (size & 1);
  }
  throw EError("no data chunk");
}

TPcm ReadOgg(const std::string& Path) {
  OggVorbis_File file;
  if (ov_fopen(Path.c_str(), &file) != 0) throw EError("not an Ogg Vorbis file");
  std::unique_ptr<OggVorbis_File, int (*)(OggVorbis_File*)> guard(&file, ov_clear);
  const vorbis_info* info = ov_info(&file, -1);
  TPcm pcm;
  pcm.Channels = info->channels;
  pcm.Rate = static_cast<int32_t>(info->rate);
  for (;;) {
    float** channels = nullptr;
    int link = 0;
    const long got = ov_read_float(&file, &channels, 4096, &link);
    if (got == OV_HOLE) continue;
    if (got < 0) throw EError("damaged Ogg Vorbis data");
    if (got == 0) break;
    if (ov_info(&file, link)->channels != pcm.Channels) throw EError("the channel count changes inside the file");
    for (long i = 0; i < got; ++i) {
      for (int c = 0; c < pcm.Channels; ++c) pcm.Samples.push_back(channels[c][i]);
    }
  }
  return pcm;
}

// Look-ahead peak limiter: the gain reaches what the loudest sample within Window frames needs
// before that sample arrives, and recovers with a time constant of Release seconds. The gain is
// smoothed with a moving average, which never lets it rise above what any sample needs.
void LimitPeaks(TPcm& Pcm, double Threshold, bool Circular) {
  const size_t frames = Pcm.Frames();
  const size_t ch = static_cast<size_t>(Pcm.Channels);
  if (frames == 0) return;
  const size_t window = static_cast<size_t>(Pcm.Rate * 0.002) + 1;
  const double release = 0.08;
  std::vector<double> need(frames);
  for (size_t f = 0; f < frames; ++f) {
    float peak = 0;
    for (size_t c = 0; c < ch; ++c) peak = std::max(peak, std::abs(Pcm.Samples[f * ch + c]));
    need[f] = peak > Threshold ? Threshold / peak : 1.0;
  }
  // A frame outside [0, frames): the other end of the loop, or no reduction at all.
  auto needAt = [&](int64_t F) {
    const int64_t n = static_cast<int64_t>(frames);
    if (Circular) return need[static_cast<size_t>(((F % n) + n) % n)];
    return F < 0 || F >= n ? 1.0 : need[static_cast<size_t>(F)];
  };
  // Sliding minimum over [f - window, f + window] (monotonic queue).
  const int64_t w = static_cast<int64_t>(window);
  const int64_t n = static_cast<int64_t>(frames);
  std::vector<double> low(frames);
  std::deque<std::pair<int64_t, double>> queue;
  for (int64_t f = -2 * w; f < n; ++f) {
    const int64_t incoming = f + w;
    const double v = needAt(incoming);
    while (!queue.empty() && queue.back().second >= v) queue.pop_back();
    queue.emplace_back(incoming, v);
    while (queue.front().first < f - w) queue.pop_front();
    if (f >= 0) low[static_cast<size_t>(f)] = queue.front().second;
  }
  // Falls at once, rises slowly. Around a loop the second lap starts from the first lap's end.
  const double rise = 1 - std::exp(-1.0 / (release * Pcm.Rate));
  std::vector<double> gain(frames);
  double g = 1;
  for (int lap = 0; lap < (Circular ? 2 : 1); ++lap) {
    for (size_t f = 0; f < frames; ++f) {
      g = std::min(low[f], g + (1 - g) * rise);
      gain[f] = g;
    }
  }
  // Moving average over window frames centred on each frame.
  const int64_t half = w / 2;
  auto gainAt = [&](int64_t F) {
    if (Circular) return gain[static_cast<size_t>(((F % n) + n) % n)];
    return gain[static_cast<size_t>(std::clamp<int64_t>(F, 0, n - 1))];
  };
  double sum = 0;
  for (int64_t k = -half; k <= half; ++k) sum += gainAt(k);
  const double count = static_cast<double>(2 * half + 1);
  for (int64_t f = 0; f < n; ++f) {
    const float s = static_cast<float>(sum / count);
    for (size_t c = 0; c < ch; ++c) Pcm.Samples[static_cast<size_t>(f) * ch + c] *= s;
    sum += gainAt(f + half + 1) - gainAt(f - half);
  }
}

}  // namespace

TLoudness MeasureLoudness(const TPcm& Pcm) {
  TLoudness out;
  if (Pcm.Channels < 1 || Pcm.Rate <= 0) throw EError("no channels to measure");
  ebur128_state* state = ebur128_init(static_cast<unsigned>(Pcm.Channels), static_cast<unsigned long>(Pcm.Rate),
                                      EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_SAMPLE_PEAK);
  if (state == nullptr) throw EError("cannot measure this format");
  std::unique_ptr<ebur128_state*, void (*)(ebur128_state**)> guard(&state, ebur128_destroy);
  if (Pcm.Channels == 1) ebur128_set_channel(state, 0, EBUR128_DUAL_MONO);
  ebur128_add_frames_float(state, Pcm.Samples.data(), Pcm.Frames());
  const size_t block = static_cast<size_t>(Pcm.Rate) * 4 / 10;
  if (Pcm.Frames() < block) {
    const std::vector<float> silence((block - Pcm.Frames()) * static_cast<size_t>(Pcm.Channels), 0.0f);
    ebur128_add_frames_float(state, silence.data(), block - Pcm.Frames());
  }
  ebur128_loudness_global(state, &out.Integrated);
  if (!std::isfinite(out.Integrated)) out.Integrated = -std::numeric_limits<double>::infinity();
  double truePeak = 0;
  double samplePeak = 0;
  for (unsigned c = 0; c < static_cast<unsigned>(Pcm.Channels); ++c) {
    double v = 0;
    ebur128_true_peak(state, c, &v);
    truePeak = std::max(truePeak, v);
    ebur128_sample_peak(state, c, &v);
    samplePeak = std::max(samplePeak, v);
  }
  out.TruePeak = ToDb(std::max(truePeak, samplePeak));
  out.SamplePeak = ToDb(samplePeak);
  return out;
}

TPcm ReadSoundFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) throw EError("cannot read \"" + Path + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.compare(0, 4, "OggS") == 0) return ReadOgg(Path);
  return ReadWave(bytes);
}

TLoudness NormaliseLoudness(TPcm& Pcm, double TargetLufs, double CeilingDb, bool Limit, bool Circular) {
  TLoudness m = MeasureLoudness(Pcm);
  double margin = 0.1;
  for (int round = 0; round < 8 && std::isfinite(m.Integrated); ++round) {
    if (std::abs(m.Integrated - TargetLufs) > 0.02) {
      Scale(Pcm, TargetLufs - m.Integrated);
      m = MeasureLoudness(Pcm);
    }
    if (m.TruePeak <= CeilingDb) return m;
    if (!Limit) {
      Scale(Pcm, CeilingDb - m.TruePeak - 0.01);
      return MeasureLoudness(Pcm);
    }
    // The limiter works on sample peaks; the margin grows until the peaks between samples fit too.
    LimitPeaks(Pcm, std::pow(10.0, (CeilingDb - margin) / 20), Circular);
    m = MeasureLoudness(Pcm);
    margin += std::max(0.1, m.TruePeak - CeilingDb);
  }
  if (std::isfinite(m.TruePeak) && m.TruePeak > CeilingDb) {
    Scale(Pcm, CeilingDb - m.TruePeak - 0.01);
    m = MeasureLoudness(Pcm);
  }
  return m;
}

float LargestStep(const TPcm& Pcm, size_t First, size_t Last) {
  const size_t ch = static_cast<size_t>(Pcm.Channels);
  float step = 0;
  for (size_t f = std::max<size_t>(First, 1); f < std::min(Last, Pcm.Frames()); ++f) {
    for (size_t c = 0; c < ch; ++c)
      step = std::max(step, std::abs(Pcm.Samples[f * ch + c] - Pcm.Samples[(f - 1) * ch + c]));
  }
  return step;
}

float LoopStep(const TPcm& Pcm) {
  const size_t ch = static_cast<size_t>(Pcm.Channels);
  const size_t frames = Pcm.Frames();
  if (frames == 0) return 0;
  float step = 0;
  for (size_t c = 0; c < ch; ++c) step = std::max(step, std::abs(Pcm.Samples[c] - Pcm.Samples[(frames - 1) * ch + c]));
  return step;
}

}  // namespace tv
