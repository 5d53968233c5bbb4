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
//   instrument NAME WAVE [attack S] [decay S] [sustain LEVEL] [release S] [gain G] [pan P]
//                        [vibrato HZ SEMITONES] [slide SEMITONES] [lowpass HZ] [harmonic N LEVEL]...
//       WAVE is sine, square, saw, triangle or noise. Defaults: attack 0.005, decay 0, sustain 1,
//       release 0.05, gain 0.5, pan 0 (-1 left to 1 right). Harmonics add sine partials.
//   note NAME START DURATION PITCH [gain G]
//   sequence NAME START STEP PITCH...
//       PITCH is a frequency in Hz or a note name (A4 = 440 Hz, C#5, Bb3); "-" or "R" rests;
//       "PITCH*N" lasts N steps. A noise instrument ignores the pitch.
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "engine/EngineClasses.h"
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

enum class TWave { Sine, Square, Saw, Triangle, Noise };

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
  return recipe;
}

// Renders the recipe to interleaved floats.
std::vector<float> Render(const TRecipe& Recipe) {
  double end = 0;
  for (const TNote& n : Recipe.Notes) {
    end = std::max(end, n.Start + n.Duration + Recipe.Instruments.at(n.Instrument).Release);
  }
  if (Recipe.Length > 0) end = Recipe.Length;
  const size_t frames = static_cast<size_t>(std::ceil(end * Recipe.Rate));
  const size_t channels = static_cast<size_t>(Recipe.Channels);
  std::vector<float> mix(frames * channels, 0.0f);
  uint32_t noise = Recipe.Seed == 0 ? 0x9E3779B9u : Recipe.Seed;
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
    double releaseFrom = -1;
    for (size_t i = 0; i < count && first + i < frames; ++i) {
      const double t = static_cast<double>(i) * dt;
      // Envelope: attack, decay to the sustain level, hold, then release from wherever it was.
      double env;
      if (t < in.Attack) {
        env = t / in.Attack;
      } else if (t < in.Attack + in.Decay) {
        env = 1 - (1 - in.Sustain) * (t - in.Attack) / in.Decay;
      } else {
        env = in.Sustain;
      }
      if (t >= note.Duration) {
        if (releaseFrom < 0) releaseFrom = env;
        env = in.Release > 0 ? releaseFrom * std::max(0.0, 1 - (t - note.Duration) / in.Release) : 0;
      }
      double semis = in.Slide * std::min(1.0, t / note.Duration);
      if (in.VibratoHz > 0) semis += in.VibratoDepth * std::sin(2 * M_PI * in.VibratoHz * t);
      phase += note.Hz * std::pow(2.0, semis / 12.0) * dt;
      phase -= std::floor(phase);
      double v;
      switch (in.Wave) {
        case TWave::Sine:
          v = std::sin(2 * M_PI * phase);
          break;
        case TWave::Square:
          v = phase < 0.5 ? 1 : -1;
          break;
        case TWave::Saw:
          v = 2 * phase - 1;
          break;
        case TWave::Triangle:
          v = 4 * std::abs(phase - 0.5) - 1;
          break;
        case TWave::Noise:
        default:
          noise ^= noise << 13;
          noise ^= noise >> 17;
          noise ^= noise << 5;
          v = static_cast<double>(noise) / 2147483648.0 - 1;
          break;
      }
      for (const auto& [n, level] : in.Harmonics) v += level * std::sin(2 * M_PI * n * phase);
      if (in.Lowpass > 0) {
        const double a = 1 - std::exp(-2 * M_PI * in.Lowpass * dt);
        low += a * (v - low);
        v = low;
      }
      const double s = v * env * in.Gain * note.Gain * Recipe.Gain;
      for (size_t c = 0; c < channels; ++c) mix[(first + i) * channels + c] += static_cast<float>(s * side[c]);
    }
  }
  return mix;
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
    const std::vector<float> mix = Render(recipe);
    std::vector<int16_t> pcm(mix.size());
    float peak = 0;
    size_t clipped = 0;
    for (size_t i = 0; i < mix.size(); ++i) {
      peak = std::max(peak, std::abs(mix[i]));
      if (std::abs(mix[i]) > 1.0f) ++clipped;
      pcm[i] = static_cast<int16_t>(std::lround(std::clamp(mix[i], -1.0f, 1.0f) * 32767.0f));
    }
    const std::string bytes = ext == ".wav" ? EncodeWave(pcm, recipe.Channels, recipe.Rate)
                                            : EncodeOggVorbis(pcm, recipe.Channels, recipe.Rate, recipe.Quality);
    TFileStream out(outPath, TFileStream::Mode::Create);
    if (!out.IsOpen() || !out.Write(bytes)) throw EError("cannot write \"" + outPath + "\"");
    nlohmann::ordered_json report;
    report["output"] = outPath;
    report["seconds"] = static_cast<double>(mix.size() / static_cast<size_t>(recipe.Channels)) / recipe.Rate;
    report["peak"] = peak;
    report["clipped"] = clipped;
    std::printf("%s\n", report.dump().c_str());
    if (clipped > 0) std::fprintf(stderr, "warning: %zu samples clipped; lower the gain\n", clipped);
    return 0;
  } catch (const EError& e) {
    std::fprintf(stderr, "tolvaren-tool sound synth: %s\n", e.what());
    return 1;
  }
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
