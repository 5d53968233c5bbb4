// Helpers shared by the tests: temporary folders, environment overrides, files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tv::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return Dir; }  // without a trailing "/"
  std::string operator/(const std::string& Name) const { return Dir + "/" + Name; }

 private:
  std::string Dir;
};

// Sets (or with nullptr unsets) an environment variable for the life of the object.
class TScopedEnv {
 public:
  TScopedEnv(const char* Name, const char* Value);
  ~TScopedEnv();
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  std::string Key;
  bool HadOld = false;
  std::string Old;
};

void WriteFile(const std::string& Path, const std::string& Bytes);
std::string ReadFile(const std::string& Path);
bool PathExists(const std::string& Path);
void MakeDirs(const std::string& Path);

// Runs a shell command, returning its exit code and what it wrote to stdout (stderr to Err).
int RunCommand(const std::string& Command, std::string* Out = nullptr, std::string* Err = nullptr);

// The build's tolvaren-tool, and a run of it with Args (quoted by the caller) as RunCommand runs.
std::string ToolPath();
int RunTool(const std::string& Args, std::string* Out = nullptr, std::string* Err = nullptr);

// A copy of "tolvaren-playtest" with the game's data in Dir/program, its scenario replaced by
// Source compiled with the tool; a failure fails the test.
void MakePlayTestProgram(const TTempDir& Dir, const std::string& Source);

// Runs the program MakePlayTestProgram made in Dir headless in a desktop of Desktop ("640x360"),
// with a fixed frame time and seed, on the input script Script (written to Dir/input.txt); its
// data go to Dir/data and its GUI trace to Dir/trace.jsonl. Returns the exit code, stderr in Err.
int RunPlayTestProgram(const TTempDir& Dir, const std::string& Desktop, const std::string& Script, std::string& Err);

// The events of a save file as "tolvaren-tool save dump" lists them (its JSON list "events", or
// the whole dump when it has none); a failed dump fails the test.
std::string SavedEvents(const std::string& Save);

// Whether Text holds each of Parts, in that order (each found after the one before); false with
// the first part missing in Missing.
bool ContainsInOrder(const std::string& Text, const std::vector<std::string>& Parts, std::string& Missing);

// A table of string cases: each row an input and what a function must return for it.
using TStringCases = std::vector<std::pair<std::string, std::string>>;

// Checks Fn(input) against each row of Cases, naming the input of a row that fails.
template <class TFn>
void ExpectEach(TFn Fn, const TStringCases& Cases) {
  for (const auto& [input, expected] : Cases) EXPECT_EQ(Fn(input), expected) << input;
}

// Whether golden pictures are being regenerated (TV_UPDATE_GOLDENS=1): a golden test then writes
// its picture and reports itself skipped, never passed.
bool UpdatingGoldens();

}  // namespace tv::test
