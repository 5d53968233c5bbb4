// The command table of tolvaren-tool. Each command lives in its own file under tools/ and
// registers itself with TV_TOOL_COMMAND, so adding one touches no other file.
#pragma once

#include <string>
#include <vector>

namespace tv::tool {

using TArgs = std::vector<std::string>;

struct TToolCommand {
  const char* Name;               // the first word(s) on the command line, e.g. "texts" or "audio info"
  const char* Usage;              // one line: the arguments after the name
  const char* Summary;            // one line: what it does
  int (*Run)(const TArgs& Args);  // the arguments after the name; returns the exit code
};

bool RegisterToolCommand(const TToolCommand& Command);

// Prints a failure to stderr and returns the exit code 2 (wrong usage).
int UsageError(const TToolCommand& Command, const std::string& Why);

}  // namespace tv::tool

#define TV_TOOL_CONCAT2(a, b) a##b
#define TV_TOOL_CONCAT(a, b) TV_TOOL_CONCAT2(a, b)
#define TV_TOOL_COMMAND(...) \
  static const bool TV_TOOL_CONCAT(ToolCommandRegistered, __LINE__) = ::tv::tool::RegisterToolCommand({__VA_ARGS__})
