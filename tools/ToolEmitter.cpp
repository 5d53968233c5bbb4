// "emitter compile", "emitter decompile" and "emitter fields": the readable source of particle
// effect files and the ".emt" files the game reads.
#include <cstdio>
#include <string>

#include "base/EngineClasses.h"
#include "engine/EngineEffectSource.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

std::string ReadWholeFile(const std::string& Path) {
  TFileStream file(Path, TFileStream::Mode::Read);
  if (!file.IsOpen()) throw EError("cannot open \"" + Path + "\"");
  return file.ReadRest();
}

void WriteWholeFile(const std::string& Path, const std::string& Bytes) {
  TFileStream file(Path, TFileStream::Mode::Create);
  if (!file.IsOpen() || !file.Write(Bytes)) throw EError("cannot write \"" + Path + "\"");
}

// Splits "SRC [-o OUT]"; false on a malformed command line.
bool InputAndOutput(const TArgs& Args, std::string& In, std::string& Out) {
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "-o") {
      if (i + 1 >= Args.size() || !Out.empty()) return false;
      Out = Args[++i];
    } else if (In.empty()) {
      In = Args[i];
    } else {
      return false;
    }
  }
  return !In.empty();
}

extern const TToolCommand CompileCommand;
extern const TToolCommand DecompileCommand;

int RunCompile(const TArgs& Args) {
  std::string in, out;
  if (!InputAndOutput(Args, in, out)) return UsageError(CompileCommand, "expected a source file and -o NAME.emt");
  if (out.empty()) {
    const size_t slash = in.find_last_of('/');
    const size_t dot = in.find_last_of('.');
    out = (dot != std::string::npos && (slash == std::string::npos || dot > slash) ? in.substr(0, dot) : in) + ".emt";
  }
  try {
    const TEffectFile file = EffectFileFromSource(ReadWholeFile(in));
    WriteWholeFile(out, WriteEffectFile(file));
  } catch (const EError& e) {
    std::fprintf(stderr, "%s: %s\n", in.c_str(), e.what());
    return 1;
  }
  return 0;
}

int RunDecompile(const TArgs& Args) {
  std::string in, out;
  if (!InputAndOutput(Args, in, out)) return UsageError(DecompileCommand, "expected one .emt file");
  try {
    const std::string bytes = ReadWholeFile(in);
    size_t trailing = 0;
    const TEffectFile file = ReadEffectFile(bytes, &trailing);
    // The game ignores them, but a source without them would not compile back to this file.
    if (trailing != 0) throw EError(std::to_string(trailing) + " bytes follow the last emitter");
    const std::string source = EffectFileToSource(file);
    if (out.empty()) {
      std::fwrite(source.data(), 1, source.size(), stdout);
    } else {
      WriteWholeFile(out, source);
    }
  } catch (const EError& e) {
    std::fprintf(stderr, "%s: %s\n", in.c_str(), e.what());
    return 1;
  }
  return 0;
}

int RunFields(const TArgs&) {
  const std::string text = EffectSourceReference();
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

const TToolCommand CompileCommand = {"emitter compile", "SRC [-o NAME.emt]",
                                     "compiles an emitter source into the effect file the game reads", RunCompile};
const TToolCommand DecompileCommand = {"emitter decompile", "NAME.emt [-o SRC]",
                                       "writes an effect file as emitter source (to stdout without -o)", RunDecompile};
TV_TOOL_COMMAND(CompileCommand);
TV_TOOL_COMMAND(DecompileCommand);
TV_TOOL_COMMAND("emitter fields", "", "lists the fields of the emitter source with their values and defaults",
                RunFields);

}  // namespace
}  // namespace tv::tool
