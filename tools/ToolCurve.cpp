// "curve": evaluates a curve string at the given points.
#include <cstdio>
#include <cstdlib>

#include "engine/EngineTextures.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

int RunCurve(const TArgs& Args);

const TToolCommand Command{"curve", "CURVE T [T ...]", "prints the value of a curve string at each T, one per line",
                           RunCurve};

int RunCurve(const TArgs& Args) {
  if (Args.size() < 2) return UsageError(Command, "a curve and at least one point are needed");
  for (size_t i = 1; i < Args.size(); ++i) {
    char* end = nullptr;
    const float t = std::strtof(Args[i].c_str(), &end);
    if (end == Args[i].c_str() || *end != '\0') return UsageError(Command, "not a number: \"" + Args[i] + "\"");
    std::printf("%.9g\n", static_cast<double>(EvalCurve(Args[0], t)));
  }
  return 0;
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
