// "sound master": turns a rendering of a piece of music into the game's looping Ogg track.
//
// The renderer plays the piece once and lets the last notes ring out. The loop is the piece's
// length (given, or read from its MIDI file: the last note's end rounded up to a whole bar);
// whatever rings on past it is added to the loop's start, exactly as it would sound when the
// piece starts over, so the end runs into the beginning without a seam. Then the loop is brought
// to the target loudness, its peaks limited (around the loop), turned so that the file begins at
// a still moment just before the downbeat, and encoded.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>

#include "base/EngineClasses.h"
#include "engine/EngineLoudness.h"
#include "engine/EngineSoundFiles.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunSoundMaster(const TArgs& Args);

const TToolCommand Command{
    "sound master",
    "RENDER.wav (--midi PIECE.mid | --loop SECONDS) -o OUT.ogg|OUT.wav [--loudness LUFS] [--ceiling DB] [--quality Q]",
    "makes a seamless loop of a rendered piece, brings it to the loudness (default -16 LUFS) under the true "
    "peak ceiling (default -1.5 dBTP) and encodes it as Ogg Vorbis (or 16-bit WAVE)",
    RunSoundMaster};

class TMidiError : public EError {
 public:
  using EError::EError;
};

// The length of a standard MIDI file's music in seconds: from the start to the end of its last
// note, rounded up to a whole bar of its first time signature, through its tempo changes.
double MidiLoopSeconds(const std::string& Bytes) {
  size_t at = 0;
  auto need = [&](size_t Count) {
    if (at > Bytes.size() || Bytes.size() - at < Count) throw TMidiError("the MIDI file ends too early");
  };
  auto u8 = [&]() {
    need(1);
    return static_cast<uint8_t>(Bytes[at++]);
  };
  auto be = [&](int Count) {
    uint32_t v = 0;
    for (int i = 0; i < Count; ++i) v = (v << 8) | u8();
    return v;
  };
  auto variable = [&]() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t b = u8();
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return v;
    }
    throw TMidiError("a variable-length number is too long");
  };
  need(14);
  if (Bytes.compare(0, 4, "MThd") != 0) throw TMidiError("not a MIDI file");
  at = 4;
  const uint32_t headerSize = be(4);
  be(2);
  const uint32_t tracks = be(2);
  const uint32_t division = be(2);
  if (division == 0 || (division & 0x8000) != 0) throw TMidiError("only ticks per quarter note are understood");
  at = 8 + headerSize;
  std::map<uint64_t, uint32_t> tempo = {{0, 500000}};
  uint64_t lastNote = 0;
  uint32_t numerator = 4;
  uint32_t denominator = 4;
  bool haveMetre = false;
  for (uint32_t t = 0; t < tracks; ++t) {
    need(8);
    if (Bytes.compare(at, 4, "MTrk") != 0) throw TMidiError("a track is missing");
    at += 4;
    const uint32_t size = be(4);
    need(size);
    const size_t end = at + size;
    uint64_t tick = 0;
    uint8_t status = 0;
    while (at < end) {
      tick += variable();
      uint8_t b = u8();
      if (b == 0xFF) {
        const uint8_t type = u8();
        const uint32_t length = variable();
        need(length);
        if (type == 0x51 && length == 3) {
          tempo[tick] = be(3);
          continue;
        }
        if (type == 0x58 && length >= 2 && !haveMetre) {
          numerator = static_cast<uint8_t>(Bytes[at]);
          denominator = 1u << std::min<uint32_t>(static_cast<uint8_t>(Bytes[at + 1]), 6);
          haveMetre = numerator > 0;
        }
        at += length;
        continue;
      }
      if (b == 0xF0 || b == 0xF7) {
        const uint32_t length = variable();
        need(length);
        at += length;
        continue;
      }
      if ((b & 0x80) != 0) {
        status = b;
        b = u8();
      } else if (status == 0) {
        throw TMidiError("running status without a status");
      }
      const uint8_t kind = status & 0xF0;
      const bool two = kind != 0xC0 && kind != 0xD0;
      const uint8_t second = two ? u8() : 0;
      if (kind == 0x80 || (kind == 0x90 && second == 0)) lastNote = std::max(lastNote, tick);
      (void)b;
    }
    at = end;
  }
  if (lastNote == 0) throw TMidiError("the MIDI file plays no note");
  const uint64_t bar = static_cast<uint64_t>(division) * 4 * numerator / denominator;
  const uint64_t endTick = (lastNote + bar - 1) / bar * bar;
  double seconds = 0;
  for (auto it = tempo.begin(); it != tempo.end() && it->first < endTick; ++it) {
    const auto next = std::next(it);
    const uint64_t until = next == tempo.end() ? endTick : std::min(endTick, next->first);
    seconds += static_cast<double>(until - it->first) / division * it->second / 1e6;
  }
  return seconds;
}

std::string ReadAll(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) throw EError("cannot read \"" + Path + "\"");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

nlohmann::ordered_json Figure(double Db) {
  return std::isfinite(Db) ? nlohmann::ordered_json(std::round(Db * 100) / 100) : nlohmann::ordered_json(nullptr);
}

// Where the file should begin: the loop's start itself, or up to 50 ms before it, wherever the
// waveform changes least from one sample to the next. The encoder's small errors at the two ends
// of the file then meet where the music is nearly still, and the jump back stays inaudible. The
// result is a frame index (0, or one within the last 50 ms).
size_t QuietestStart(const TPcm& Pcm) {
  const size_t frames = Pcm.Frames();
  const size_t ch = static_cast<size_t>(Pcm.Channels);
  const size_t window = std::min(frames - 1, static_cast<size_t>(Pcm.Rate) / 20);
  auto step = [&](size_t F) {  // from frame F - 1 (around the loop) to frame F
    const size_t prev = (F + frames - 1) % frames;
    float most = 0;
    for (size_t c = 0; c < ch; ++c)
      most = std::max(most, std::abs(Pcm.Samples[F * ch + c] - Pcm.Samples[prev * ch + c]));
    return most;
  };
  size_t best = 0;
  float bestStep = step(0);
  for (size_t back = 1; back <= window; ++back) {
    const size_t f = frames - back;
    if (const float s = step(f); s < bestStep) {
      best = f;
      bestStep = s;
    }
  }
  return best;
}

int RunSoundMaster(const TArgs& Args) {
  std::string input;
  std::string output;
  std::string midi;
  double loop = 0;
  double loudness = -16;
  double ceiling = -1.5;
  float quality = 0.4f;
  try {
    for (size_t i = 0; i < Args.size(); ++i) {
      auto value = [&]() -> const std::string& {
        if (i + 1 >= Args.size()) throw EError(Args[i] + " needs a value");
        return Args[++i];
      };
      auto number = [&]() {
        const std::string& text = value();
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(v)) throw EError("not a number: \"" + text + "\"");
        return v;
      };
      if (Args[i] == "-o") {
        output = value();
      } else if (Args[i] == "--midi") {
        midi = value();
      } else if (Args[i] == "--loop") {
        loop = number();
      } else if (Args[i] == "--loudness") {
        loudness = number();
      } else if (Args[i] == "--ceiling") {
        ceiling = number();
      } else if (Args[i] == "--quality") {
        quality = static_cast<float>(std::clamp(number(), -0.1, 1.0));
      } else if (input.empty()) {
        input = Args[i];
      } else {
        throw EError("one rendering only");
      }
    }
  } catch (const EError& e) {
    return UsageError(Command, e.what());
  }
  if (input.empty() || output.empty()) return UsageError(Command, "a rendering and -o OUT.ogg are needed");
  if (midi.empty() == (loop <= 0)) return UsageError(Command, "give the loop's length either by --midi or by --loop");
  try {
    if (!midi.empty()) loop = MidiLoopSeconds(ReadAll(midi));
    TPcm pcm = ReadSoundFile(input);
    const size_t channels = static_cast<size_t>(pcm.Channels);
    const size_t length = static_cast<size_t>(std::llround(loop * pcm.Rate)) * channels;
    if (length == 0) throw EError("the loop is empty");
    if (pcm.Samples.size() < length) pcm.Samples.resize(length, 0.0f);
    for (size_t i = length; i < pcm.Samples.size(); ++i) pcm.Samples[i % length] += pcm.Samples[i];
    pcm.Samples.resize(length);
    const TLoudness before = MeasureLoudness(pcm);
    NormaliseLoudness(pcm, loudness, ceiling, true, true);
    const size_t lead = QuietestStart(pcm);
    std::rotate(pcm.Samples.begin(), pcm.Samples.begin() + static_cast<std::ptrdiff_t>(lead * channels),
                pcm.Samples.end());
    std::vector<int16_t> samples(pcm.Samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
      samples[i] = static_cast<int16_t>(std::lround(std::clamp(pcm.Samples[i], -1.0f, 1.0f) * 32767.0f));
    }
    const bool wave = output.size() >= 4 && output.compare(output.size() - 4, 4, ".wav") == 0;
    const std::string bytes =
        wave ? EncodeWave(samples, pcm.Channels, pcm.Rate) : EncodeOggVorbis(samples, pcm.Channels, pcm.Rate, quality);
    {
      std::ofstream out(output, std::ios::binary | std::ios::trunc);
      if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw EError("cannot write \"" + output + "\"");
      }
    }
    // The figures of the file as the game will decode it.
    const TPcm decoded = ReadSoundFile(output);
    const TLoudness after = MeasureLoudness(decoded);
    nlohmann::ordered_json report;
    report["output"] = output;
    report["seconds"] = static_cast<double>(decoded.Frames()) / decoded.Rate;
    report["starts_early"] = lead == 0 ? 0.0 : static_cast<double>(pcm.Frames() - lead) / pcm.Rate;
    report["rendered_loudness"] = Figure(before.Integrated);
    report["loudness"] = Figure(after.Integrated);
    report["true_peak"] = Figure(after.TruePeak);
    report["bytes"] = bytes.size();
    std::printf("%s\n", report.dump().c_str());
    return 0;
  } catch (const EError& e) {
    std::fprintf(stderr, "tolvaren-tool sound master: %s\n", e.what());
    std::remove(output.c_str());
    return 1;
  }
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
