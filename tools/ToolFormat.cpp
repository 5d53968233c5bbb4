// "format-integer" and "format-hundredths": the number formats with the default settings.
#include <charconv>
#include <cstdio>

#include "engine/EngineScript.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunFormat(const TToolCommand& Command, const TArgs& Args, std::string (*Format)(int32_t)) {
  if (Args.empty()) return UsageError(Command, "at least one number is needed");
  ResetLocalization();
  for (const std::string& arg : Args) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), value);
    if (arg.empty() || error != std::errc() || end != arg.data() + arg.size()) {
      return UsageError(Command, "not a 32-bit integer: \"" + arg + "\"");
    }
    std::printf("%s\n", Format(value).c_str());
  }
  return 0;
}

int RunFormatInteger(const TArgs& Args);
int RunFormatHundredths(const TArgs& Args);

const TToolCommand IntegerCommand{"format-integer", "N [N ...]",
                                  "prints each integer as the game shows it (default digit grouping)",
                                  RunFormatInteger};
const TToolCommand HundredthsCommand{"format-hundredths", "N [N ...]",
                                     "prints each count of hundredths as a number with two decimals",
                                     RunFormatHundredths};

int RunFormatInteger(const TArgs& Args) { return RunFormat(IntegerCommand, Args, FormatInteger); }
int RunFormatHundredths(const TArgs& Args) { return RunFormat(HundredthsCommand, Args, FormatHundredths); }

TV_TOOL_COMMAND(IntegerCommand);
TV_TOOL_COMMAND(HundredthsCommand);

}  // namespace
}  // namespace tv::tool
