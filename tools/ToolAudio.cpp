// "audio info": loads a sound file the way the game does and describes it as JSON.
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "engine/EngineAudio.h"
#include "engine/EngineLoudness.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunAudioInfo(const TArgs& Args);

const TToolCommand Command{"audio info", "FILE",
                           "loads a .wav or .ogg as the game would and prints its format, length, whether it "
                           "streams, its loudness (LUFS) and true peak (dBTP) and the load failure's message "
                           "(exit 1 when it would not load)",
                           RunAudioInfo};

std::string LowerExtension(const std::string& Path) {
  const size_t dot = Path.find_last_of('.');
  const size_t slash = Path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = Path.substr(dot);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

// The extension decides; a file with neither is judged by its first bytes.
TExtKind SoundKind(const std::string& Path) {
  const std::string ext = LowerExtension(Path);
  if (ext == ".ogg") return TExtKind::Ogg;
  if (ext == ".wav") return TExtKind::Wav;
  TFileStream file(Path, TFileStream::Mode::Read);
  char magic[4] = {};
  if (file.IsOpen() && file.Read(magic, 4) == 4 && std::string(magic, 4) == "OggS") return TExtKind::Ogg;
  return TExtKind::Wav;
}

int RunAudioInfo(const TArgs& Args) {
  if (Args.size() != 1) return UsageError(Command, "one sound file is needed");
  const std::string path = Args[0];
  const TExtKind kind = SoundKind(path);
  // The loaders need a device: a mixer on the manual clock, with no sound output at all.
  const TSoundClock clock = GetSoundClock();
  SetSoundClock(TSoundClock::Manual);
  AudioStartup();
  std::string error;
  nlohmann::ordered_json result;
  {
    TSample sample;
    const size_t slash = path.find_last_of('/');
    sample.Name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    try {
      sample.LoadFrom(kind, [path]() -> std::unique_ptr<TSoundInput> {
        auto file = std::make_unique<TFileStream>(path, TFileStream::Mode::Read);
        if (!file->IsOpen()) throw EError("Missing file");
        return FileSoundInput(std::move(file));
      });
    } catch (const EError& e) {
      error = e.what();
    }
    const bool loaded = error.empty() && sample.Buffer != nullptr;
    result["format"] = kind == TExtKind::Ogg ? "ogg" : "wav";
    result["channels"] = loaded ? sample.Buffer->GetFormat().Channels : 0;
    result["rate"] = loaded ? sample.Buffer->GetFormat().SamplesPerSec : 0;
    result["length"] = loaded ? sample.Duration : 0.0f;
    result["streaming"] = loaded && sample.Streaming;
    // EBU R128 figures of the decoded samples: integrated loudness (LUFS) and true peak (dBTP).
    nlohmann::ordered_json loudness(nullptr);
    nlohmann::ordered_json truePeak(nullptr);
    if (loaded) {
      try {
        const TLoudness m = MeasureLoudness(ReadSoundFile(path));
        if (std::isfinite(m.Integrated)) loudness = std::round(m.Integrated * 100) / 100;
        if (std::isfinite(m.TruePeak)) truePeak = std::round(m.TruePeak * 100) / 100;
      } catch (const EError&) {
        // The game reads it, the measurement cannot: the figures stay null.
      }
    }
    result["loudness"] = loudness;
    result["true_peak"] = truePeak;
    result["error"] = error.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(error);
  }
  AudioShutdown();
  SetSoundClock(clock);
  std::printf("%s\n", result.dump().c_str());
  return error.empty() ? 0 : 1;
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
