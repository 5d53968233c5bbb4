// The command table of tolvaren-tool. Each command lives in its own file under tools/ and
// registers itself with TV_TOOL_COMMAND, so adding one touches no other file.
#pragma once

#include <initializer_list>
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

// Prints "tolvaren-tool NAME: Why" to stderr and returns the exit code 1 (the command failed).
int Failure(const TToolCommand& Command, const std::string& Why);

// An option that takes the next argument as its value ("-o FILE").
struct TValueOption {
  const char* Name;     // "-o"
  std::string* Value;   // where the value goes
  const char* Missing;  // the usage error when no value follows ("-o needs a file name")
};

// Where the arguments that are not options go: every one into All, or the only one into One (a
// second is the usage error TooMany).
struct TWords {
  std::vector<std::string>* All = nullptr;
  std::string* One = nullptr;
  const char* TooMany = nullptr;
};

// Reads Args in order: the options of Options with their values, and the words. An argument that
// starts with "-" and is none of Options is an unknown option. Returns 0, or the exit code of the
// first usage error (printed).
int ReadArgs(const TToolCommand& Command, const TArgs& Args, std::initializer_list<TValueOption> Options,
             const TWords& Words);

// The data folders a command works on: the tool's own (Data empty), or those the program in the
// folder Data would use.
void InitDataFolders(const std::string& Data);

// Reads the whole file at Path into Bytes; false when it cannot be opened.
bool ReadBytes(const std::string& Path, std::string& Bytes);

}  // namespace tv::tool

#define TV_TOOL_CONCAT2(a, b) a##b
#define TV_TOOL_CONCAT(a, b) TV_TOOL_CONCAT2(a, b)
#define TV_TOOL_COMMAND(...) \
  static const bool TV_TOOL_CONCAT(ToolCommandRegistered, __LINE__) = ::tv::tool::RegisterToolCommand({__VA_ARGS__})
