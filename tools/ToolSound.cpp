// "sound synth": a small synthesiser that turns a text recipe into a WAVE or Ogg Vorbis file, so
// that the game's sounds and music are made from sources kept as text.
//
// A recipe has one statement per line; "#" starts a comment. Times are in seconds.
//
//   rate 44100                  output sample rate (default 44100)
//   channels 2                  1 or 2 (default 1)
//   gain 0.8                    master gain (default 1)
//   length 4                    total length (default: the end of the last note's release)
//   seed 7                      seed of the noise generator (default 1)
//   quality 0.4                 Ogg Vorbis quality, -0.1 to 1 (default 0.4)
//   fade 0.002                  fade in and out of the whole sound, so it starts and ends at
//                               exactly zero (default 0.002; not for loops)
//   loop                        the sound loops: everything after "length" is added to its start,
//                               so the end runs on into the beginning without a seam
//   loudness -20                scale to this integrated loudness (LUFS); a sound whose true peak
//                               would pass "ceiling DB" (default -1.5 dBTP, room for the encoder)
//                               is turned down to it instead
//   instrument NAME WAVE [attack S] [decay S] [sustain LEVEL] [release S] [gain G] [pan P]
//                        [vibrato HZ SEMITONES] [slide SEMITONES] [lowpass HZ] [harmonic N LEVEL]...
//                        [highpass HZ] [bandpass HZ Q] [sweep OCTAVES] [fm RATIO INDEX]
//                        [tremolo HZ DEPTH] [curve linear|exp] [damping D]
//       WAVE is sine, square, saw, triangle, noise or pluck (a plucked string: a burst of noise
//       in a delay line as long as one period, losing "damping" per pass, default 0.996).
//       Defaults: attack 0.005, decay 0, sustain 1, release 0.05, gain 0.5, pan 0 (-1 left to
//       1 right). Harmonics add sine partials. The filters (lowpass, highpass, bandpass with its
//       Q) act on the wave; "sweep" moves their cutoffs by that many octaves over the note. "fm"
//       modulates the phase with a sine of RATIO times the pitch, INDEX deep at full envelope (bells
//       and tines). "tremolo" dips the level by DEPTH (0 to 1) HZ times a second. "curve exp" makes
//       decay and release fall exponentially (still reaching exactly zero at the release's end).
//   note NAME START DURATION PITCH [gain G]
//   sequence NAME START STEP PITCH...
//       PITCH is a frequency in Hz or a note name (A4 = 440 Hz, C#5, Bb3); "-" or "R" rests;
//       "PITCH*N" lasts N steps. A noise instrument ignores the pitch.
//   ceiling -1.5                the true peak a "loudness" may reach, in dBTP
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/EngineClasses.h"
#include "engine/EngineLoudness.h"
#include "engine/EngineSoundFiles.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunSoundSynth(const TArgs& Args);

const TToolCommand Command{"sound synth", "RECIPE -o OUT.wav|OUT.ogg",
                           "renders a synthesiser recipe (oscillators, envelopes, noise, notes in sequence) "
                           "to a WAVE or Ogg Vorbis file",
                           RunSoundSynth};

enum class TWave { Sine, Square, Saw, Triangle, Noise, Pluck };

struct TInstrument {
  TWave Wave = TWave::Sine;
  double Attack = 0.005;
  double Decay = 0;
  double Sustain = 1;
  double Release = 0.05;
  double Gain = 0.5;
  double Pan = 0;
  double VibratoHz = 0;
  double VibratoDepth = 0;
  double Slide = 0;
  double Lowpass = 0;
  double Highpass = 0;
  double Bandpass = 0;
  double BandQ = 1;
  double Sweep = 0;
  double FmRatio = 0;
  double FmIndex = 0;
  double TremoloHz = 0;
  double TremoloDepth = 0;
  double Damping = 0.996;
  bool Exponential = false;
  std::vector<std::pair<int, double>> Harmonics;
};

struct TNote {
  std::string Instrument;
  double Start = 0;
  double Duration = 0;
  double Hz = 0;
  double Gain = 1;
};

struct TRecipe {
  int32_t Rate = 44100;
  int32_t Channels = 1;
  double Gain = 1;
  double Length = -1;
  uint32_t Seed = 1;
  float Quality = 0.4f;
  double Fade = 0.002;
  bool Loop = false;
  bool Normalise = false;
  double Loudness = -20;
  double Ceiling = -1.5;
  std::map<std::string, TInstrument> Instruments;
  std::vector<TNote> Notes;
};

class TRecipeError : public EError {
 public:
  using EError::EError;
};

double Number(const std::string& Text) {
  char* end = nullptr;
  const double v = std::strtod(Text.c_str(), &end);
  if (Text.empty() || *end != '\0' || !std::isfinite(v)) throw TRecipeError("not a number: \"" + Text + "\"");
  return v;
}

// A note name (C4, F#3, Bb5) or a frequency in Hz.
double Pitch(const std::string& Text) {
  static const std::map<char, int> Semitones = {{'C', -9}, {'D', -7}, {'E', -5}, {'F', -4},
                                                {'G', -2}, {'A', 0},  {'B', 2}};
  if (!Text.empty() && Semitones.count(static_cast<char>(std::toupper(static_cast<unsigned char>(Text[0])))) != 0) {
    int semitone = Semitones.at(static_cast<char>(std::toupper(static_cast<unsigned char>(Text[0]))));
    size_t i = 1;
    if (i < Text.size() && Text[i] == '#') {
      ++semitone;
      ++i;
    } else if (i < Text.size() && Text[i] == 'b') {
      --semitone;
      ++i;
    }
    const double octave = Number(Text.substr(i));
    return 440.0 * std::pow(2.0, (semitone + 12 * (octave - 4)) / 12.0);
  }
  const double hz = Number(Text);
  if (hz <= 0) throw TRecipeError("a pitch must be above 0 Hz");
  return hz;
}

TWave WaveNamed(const std::string& Name) {
  if (Name == "sine") return TWave::Sine;
  if (Name == "square") return TWave::Square;
  if (Name == "saw") return TWave::Saw;
  if (Name == "triangle") return TWave::Triangle;
  if (Name == "noise") return TWave::Noise;
  if (Name == "pluck") return TWave::Pluck;
  throw TRecipeError("unknown wave \"" + Name + "\"");
}

TRecipe ParseRecipe(const std::string& Text) {
  TRecipe recipe;
  std::istringstream lines(Text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    try {
      line = line.substr(0, line.find('#'));
      std::istringstream words(line);
      std::vector<std::string> w;
      for (std::string word; words >> word;) w.push_back(word);
      if (w.empty()) continue;
      auto need = [&](size_t Count) {
        if (w.size() < Count) throw TRecipeError("\"" + w[0] + "\" needs " + std::to_string(Count - 1) + " values");
      };
      const std::string& key = w[0];
      if (key == "rate") {
        need(2);
        recipe.Rate = static_cast<int32_t>(Number(w[1]));
        if (recipe.Rate < 8000 || recipe.Rate > 192000) throw TRecipeError("rate must be 8000 to 192000");
      } else if (key == "channels") {
        need(2);
        recipe.Channels = static_cast<int32_t>(Number(w[1]));
        if (recipe.Channels != 1 && recipe.Channels != 2) throw TRecipeError("channels must be 1 or 2");
      } else if (key == "gain") {
        need(2);
        recipe.Gain = Number(w[1]);
      } else if (key == "length") {
        need(2);
        recipe.Length = Number(w[1]);
        if (recipe.Length <= 0 || recipe.Length > 3600) throw TRecipeError("length must be above 0 and at most 3600");
      } else if (key == "seed") {
        need(2);
        recipe.Seed = static_cast<uint32_t>(Number(w[1]));
      } else if (key == "quality") {
        need(2);
        recipe.Quality = static_cast<float>(std::clamp(Number(w[1]), -0.1, 1.0));
      } else if (key == "fade") {
        need(2);
        recipe.Fade = Number(w[1]);
        if (recipe.Fade < 0 || recipe.Fade > 10) throw TRecipeError("fade must be 0 to 10 seconds");
      } else if (key == "loop") {
        recipe.Loop = true;
      } else if (key == "loudness") {
        need(2);
        recipe.Normalise = true;
        recipe.Loudness = Number(w[1]);
        if (recipe.Loudness < -70 || recipe.Loudness > 0) throw TRecipeError("loudness must be -70 to 0 LUFS");
      } else if (key == "ceiling") {
        need(2);
        recipe.Ceiling = Number(w[1]);
        if (recipe.Ceiling < -30 || recipe.Ceiling > 0) throw TRecipeError("ceiling must be -30 to 0 dB");
      } else if (key == "instrument") {
        need(3);
        TInstrument in;
        in.Wave = WaveNamed(w[2]);
        for (size_t i = 3; i < w.size(); ++i) {
          const std::string& p = w[i];
          auto value = [&]() {
            if (++i >= w.size()) throw TRecipeError("\"" + p + "\" needs a value");
            return Number(w[i]);
          };
          if (p == "attack") {
            in.Attack = value();
          } else if (p == "decay") {
            in.Decay = value();
          } else if (p == "sustain") {
            in.Sustain = value();
          } else if (p == "release") {
            in.Release = value();
          } else if (p == "gain") {
            in.Gain = value();
          } else if (p == "pan") {
            in.Pan = std::clamp(value(), -1.0, 1.0);
          } else if (p == "vibrato") {
            in.VibratoHz = value();
            in.VibratoDepth = value();
          } else if (p == "slide") {
            in.Slide = value();
          } else if (p == "lowpass") {
            in.Lowpass = value();
          } else if (p == "highpass") {
            in.Highpass = value();
          } else if (p == "bandpass") {
            in.Bandpass = value();
            in.BandQ = value();
            if (in.BandQ <= 0) throw TRecipeError("the Q of a band-pass is above 0");
          } else if (p == "sweep") {
            in.Sweep = value();
          } else if (p == "fm") {
            in.FmRatio = value();
            in.FmIndex = value();
          } else if (p == "tremolo") {
            in.TremoloHz = value();
            in.TremoloDepth = std::clamp(value(), 0.0, 1.0);
          } else if (p == "damping") {
            in.Damping = std::clamp(value(), 0.0, 1.0);
          } else if (p == "curve") {
            if (++i >= w.size()) throw TRecipeError("\"curve\" needs linear or exp");
            if (w[i] != "linear" && w[i] != "exp") throw TRecipeError("curve is linear or exp");
            in.Exponential = w[i] == "exp";
          } else if (p == "harmonic") {
            const double n = value();
            const double level = value();
            if (n < 1 || n > 64) throw TRecipeError("a harmonic is 1 to 64");
            in.Harmonics.emplace_back(static_cast<int>(n), level);
          } else {
            throw TRecipeError("unknown instrument setting \"" + p + "\"");
          }
        }
        if (in.Attack < 0 || in.Decay < 0 || in.Release < 0) throw TRecipeError("envelope times cannot be negative");
        recipe.Instruments[w[1]] = in;
      } else if (key == "note" || key == "sequence") {
        need(5);
        const auto found = recipe.Instruments.find(w[1]);
        if (found == recipe.Instruments.end()) throw TRecipeError("unknown instrument \"" + w[1] + "\"");
        const bool noise = found->second.Wave == TWave::Noise;
        const double start = Number(w[2]);
        const double step = Number(w[3]);
        if (start < 0 || step <= 0) throw TRecipeError("start must be 0 or more and the duration above 0");
        if (key == "note") {
          TNote note{w[1], start, step, noise ? 1.0 : Pitch(w[4]), 1.0};
          if (w.size() == 7 && w[5] == "gain") {
            note.Gain = Number(w[6]);
          } else if (w.size() != 5) {
            throw TRecipeError("a note is: note NAME START DURATION PITCH [gain G]");
          }
          recipe.Notes.push_back(note);
        } else {
          double at = start;
          for (size_t i = 4; i < w.size(); ++i) {
            std::string pitch = w[i];
            double steps = 1;
            if (const size_t star = pitch.find('*'); star != std::string::npos) {
              steps = Number(pitch.substr(star + 1));
              pitch = pitch.substr(0, star);
            }
            if (pitch != "-" && pitch != "R") {
              recipe.Notes.push_back(TNote{w[1], at, step * steps, noise ? 1.0 : Pitch(pitch), 1.0});
            }
            at += step * steps;
          }
        }
      } else {
        throw TRecipeError("unknown statement \"" + key + "\"");
      }
    } catch (const TRecipeError& e) {
      throw TRecipeError("line " + std::to_string(number) + ": " + e.what());
    }
  }
  if (recipe.Notes.empty()) throw TRecipeError("the recipe plays no note");
  if (recipe.Loop && recipe.Length <= 0) throw TRecipeError("a loop needs a length");
  return recipe;
}

// A state-variable filter (trapezoidal integration: stable up to half the sample rate).
struct TFilter {
  double Ic1 = 0;
  double Ic2 = 0;
  // Returns low, band and high pass of V at cutoff Hz with damping K (1 / Q).
  std::array<double, 3> Run(double V, double Hz, double K, double Rate) {
    const double g = std::tan(M_PI * std::min(Hz, Rate * 0.45) / Rate);
    const double a1 = 1 / (1 + g * (g + K));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = V - Ic2;
    const double v1 = a1 * Ic1 + a2 * v3;
    const double v2 = Ic2 + a2 * Ic1 + a3 * v3;
    Ic1 = 2 * v1 - Ic1;
    Ic2 = 2 * v2 - Ic2;
    return {v2, v1, V - K * v1 - v2};
  }
};

// Renders the recipe to interleaved floats. A loop is rendered to its end and everything past
// its length is folded onto its start.
std::vector<float> Render(const TRecipe& Recipe) {
  double end = 0;
  for (const TNote& n : Recipe.Notes) {
    end = std::max(end, n.Start + n.Duration + Recipe.Instruments.at(n.Instrument).Release);
  }
  const size_t length = static_cast<size_t>(std::ceil((Recipe.Length > 0 ? Recipe.Length : end) * Recipe.Rate));
  const size_t frames = Recipe.Loop ? std::max(length, static_cast<size_t>(std::ceil(end * Recipe.Rate))) : length;
  const size_t channels = static_cast<size_t>(Recipe.Channels);
  std::vector<float> mix(frames * channels, 0.0f);
  uint32_t noise = Recipe.Seed == 0 ? 0x9E3779B9u : Recipe.Seed;
  auto white = [&noise]() {
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    return static_cast<double>(noise) / 2147483648.0 - 1;
  };
  const double dt = 1.0 / Recipe.Rate;
  for (const TNote& note : Recipe.Notes) {
    const TInstrument& in = Recipe.Instruments.at(note.Instrument);
    const size_t first = static_cast<size_t>(std::llround(note.Start * Recipe.Rate));
    const size_t count = static_cast<size_t>(std::ceil((note.Duration + in.Release) * Recipe.Rate));
    const double angle = (in.Pan + 1) * M_PI / 4;
    const std::array<double, 2> side = {channels == 2 ? std::cos(angle) * M_SQRT2 : 1.0,
                                        channels == 2 ? std::sin(angle) * M_SQRT2 : 1.0};
    double phase = 0;
    double low = 0;
    TFilter high;
    TFilter band;
    double releaseFrom = -1;
    // A plucked string: one period of noise circulating through a damped averaging delay line.
    std::vector<double> string;
    size_t at = 0;
    if (in.Wave == TWave::Pluck) {
      string.resize(std::max<size_t>(2, static_cast<size_t>(std::lround(Recipe.Rate / note.Hz))));
      for (double& v : string) v = white();
    }
    for (size_t i = 0; i < count && first + i < frames; ++i) {
      const double t = static_cast<double>(i) * dt;
      // Envelope: attack, decay to the sustain level, hold, then release from wherever it was.
      double env;
      if (t < in.Attack) {
        env = t / in.Attack;
      } else if (t < in.Attack + in.Decay) {
        const double x = (t - in.Attack) / in.Decay;
        env = in.Exponential ? in.Sustain + (1 - in.Sustain) * std::exp(-5 * x) : 1 - (1 - in.Sustain) * x;
      } else {
        env = in.Sustain;
      }
      if (t >= note.Duration) {
        if (releaseFrom < 0) releaseFrom = env;
        const double x = in.Release > 0 ? std::min(1.0, (t - note.Duration) / in.Release) : 1;
        env = releaseFrom * (1 - x) * (in.Exponential ? std::exp(-4 * x) : 1);
      }
      if (in.TremoloHz > 0) env *= 1 - in.TremoloDepth * (0.5 - 0.5 * std::cos(2 * M_PI * in.TremoloHz * t));
      const double progress = std::min(1.0, t / note.Duration);
      double semis = in.Slide * progress;
      if (in.VibratoHz > 0) semis += in.VibratoDepth * std::sin(2 * M_PI * in.VibratoHz * t);
      phase += note.Hz * std::pow(2.0, semis / 12.0) * dt;
      phase -= std::floor(phase);
      double v;
      switch (in.Wave) {
        case TWave::Sine:
          v = std::sin(2 * M_PI * phase +
                       (in.FmRatio > 0 ? in.FmIndex * env * std::sin(2 * M_PI * in.FmRatio * phase) : 0));
          break;
        case TWave::Square: v = phase < 0.5 ? 1 : -1; break;
        case TWave::Saw: v = 2 * phase - 1; break;
        case TWave::Triangle: v = 4 * std::abs(phase - 0.5) - 1; break;
        case TWave::Pluck: {
          const size_t next = (at + 1) % string.size();
          v = string[at];
          string[at] = 0.5 * (string[at] + string[next]) * in.Damping;
          at = next;
          break;
        }
        case TWave::Noise:
        default: v = white(); break;
      }
      for (const auto& [n, level] : in.Harmonics) v += level * std::sin(2 * M_PI * n * phase);
      const double sweep = in.Sweep != 0 ? std::pow(2.0, in.Sweep * progress) : 1.0;
      if (in.Lowpass > 0) {
        const double a = 1 - std::exp(-2 * M_PI * std::min(in.Lowpass * sweep, Recipe.Rate * 0.45) * dt);
        low += a * (v - low);
        v = low;
      }
      if (in.Highpass > 0) v = high.Run(v, in.Highpass * sweep, M_SQRT2, Recipe.Rate)[2];
      if (in.Bandpass > 0) v = band.Run(v, in.Bandpass * sweep, 1 / in.BandQ, Recipe.Rate)[1] / in.BandQ;
      const double s = v * env * in.Gain * note.Gain * Recipe.Gain;
      for (size_t c = 0; c < channels; ++c) mix[(first + i) * channels + c] += static_cast<float>(s * side[c]);
    }
  }
  if (Recipe.Loop) {
    for (size_t i = length * channels; i < mix.size(); ++i) mix[i % (length * channels)] += mix[i];
    mix.resize(length * channels);
  } else if (Recipe.Fade > 0) {
    // Fades of the whole sound: its first and last samples are exactly zero.
    const size_t fade = std::min(length / 2, static_cast<size_t>(std::ceil(Recipe.Fade * Recipe.Rate)) + 1);
    for (size_t f = 0; f < fade; ++f) {
      const float g = static_cast<float>(f) / static_cast<float>(fade);
      for (size_t c = 0; c < channels; ++c) {
        mix[f * channels + c] *= g;
        mix[(length - 1 - f) * channels + c] *= g;
      }
    }
  }
  return mix;
}

// Writes 16-bit WAVE or Ogg Vorbis (by the extension) and prints what was written: length,
// peak, clipped samples, loudness and true peak of the samples as written.
void WriteSound(const TPcm& Pcm, const std::string& OutPath, float Quality) {
  std::vector<int16_t> pcm(Pcm.Samples.size());
  float peak = 0;
  size_t clipped = 0;
  for (size_t i = 0; i < Pcm.Samples.size(); ++i) {
    const float v = Pcm.Samples[i];
    peak = std::max(peak, std::abs(v));
    if (std::abs(v) > 1.0f) ++clipped;
    pcm[i] = static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
  }
  const bool wave = OutPath.size() >= 4 &&
                    (OutPath.substr(OutPath.size() - 4) == ".wav" || OutPath.substr(OutPath.size() - 4) == ".WAV");
  const std::string bytes =
      wave ? EncodeWave(pcm, Pcm.Channels, Pcm.Rate) : EncodeOggVorbis(pcm, Pcm.Channels, Pcm.Rate, Quality);
  TFileStream out(OutPath, TFileStream::Mode::Create);
  if (!out.IsOpen() || !out.Write(bytes)) throw EError("cannot write \"" + OutPath + "\"");
  const TLoudness loudness = MeasureLoudness(Pcm);
  auto figure = [](double Db) {
    return std::isfinite(Db) ? nlohmann::ordered_json(std::round(Db * 100) / 100) : nlohmann::ordered_json(nullptr);
  };
  nlohmann::ordered_json report;
  report["output"] = OutPath;
  report["seconds"] = static_cast<double>(Pcm.Frames()) / Pcm.Rate;
  report["peak"] = peak;
  report["clipped"] = clipped;
  report["loudness"] = figure(loudness.Integrated);
  report["true_peak"] = figure(loudness.TruePeak);
  std::printf("%s\n", report.dump().c_str());
  if (clipped > 0) std::fprintf(stderr, "warning: %zu samples clipped; lower the gain\n", clipped);
}

int RunSoundSynth(const TArgs& Args) {
  std::string recipePath;
  std::string outPath;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "-o") {
      if (++i >= Args.size()) return UsageError(Command, "-o needs a file");
      outPath = Args[i];
    } else if (recipePath.empty()) {
      recipePath = Args[i];
    } else {
      return UsageError(Command, "one recipe only");
    }
  }
  if (recipePath.empty() || outPath.empty()) return UsageError(Command, "a recipe and -o OUT are needed");
  std::string ext = outPath.size() >= 4 ? outPath.substr(outPath.size() - 4) : "";
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".wav" && ext != ".ogg") return UsageError(Command, "the output must end in .wav or .ogg");
  try {
    TFileStream in(recipePath, TFileStream::Mode::Read);
    if (!in.IsOpen()) throw EError("cannot read \"" + recipePath + "\"");
    const TRecipe recipe = ParseRecipe(in.ReadRest());
    TPcm pcm{recipe.Channels, recipe.Rate, Render(recipe)};
    if (recipe.Normalise) NormaliseLoudness(pcm, recipe.Loudness, recipe.Ceiling, false, recipe.Loop);
    WriteSound(pcm, outPath, recipe.Quality);
    return 0;
  } catch (const EError& e) {
    return Failure(Command, e.what());
  }
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
