#include "support/TestSupport.h"

#include "platform/PlatformSystem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tv::test {

TTempDir::TTempDir() {
  // A name nobody else holds: the process id and a counter, made unique by creating the folder.
  static uint32_t counter = 0;
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char name[48];
    std::snprintf(name, sizeof name, "tolvaren-test-%u-%u", static_cast<unsigned>(CurrentProcessId()),
                  static_cast<unsigned>(counter++));
    std::error_code ec;
    if (std::filesystem::create_directory(temp / name, ec)) {
      Dir = (temp / name).generic_string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Make everything removable again (tests take write permission away on purpose).
  for (auto it = std::filesystem::recursive_directory_iterator(Dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(Dir, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(Dir, ec);
}

TScopedEnv::TScopedEnv(const char* Name, const char* Value) : Key(Name) {
  if (const char* old = std::getenv(Name)) {
    HadOld = true;
    Old = old;
  }
  SetEnvValue(Name, Value);
}

TScopedEnv::~TScopedEnv() { SetEnvValue(Key.c_str(), HadOld ? Old.c_str() : nullptr); }

void WriteFile(const std::string& Path, const std::string& Bytes) {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool PathExists(const std::string& Path) {
  std::error_code ec;
  return std::filesystem::exists(Path, ec);
}

void MakeDirs(const std::string& Path) { std::filesystem::create_directories(Path); }

int RunCommand(const std::string& Command, std::string* Out, std::string* Err) {
  TTempDir scratch;
  const std::string outPath = scratch / "out";
  const std::string errPath = scratch / "err";
  const std::string full = "(" + Command + ") >'" + outPath + "' 2>'" + errPath + "' </dev/null";
  const int status = RunShellCommand(full);
  if (Out != nullptr) *Out = ReadFile(outPath);
  if (Err != nullptr) *Err = ReadFile(errPath);
  return status;
}

std::string ToolPath() { return std::string(TV_BIN_DIR) + "/tolvaren-tool"; }

int RunTool(const std::string& Args, std::string* Out, std::string* Err) {
  return RunCommand("'" + ToolPath() + "' " + Args, Out, Err);
}

void MakePlayTestProgram(const TTempDir& Dir, const std::string& Source) {
  const std::string bin = TV_BIN_DIR;
  const std::string program = Dir / "program";
  MakeDirs(program);
  ASSERT_EQ(RunCommand("cp -r '" + bin + "/Ordinary' '" + bin + "/Languages' '" + bin + "/tolvaren-playtest' '" +
                       program + "/'"),
            0);
  WriteFile(Dir / "scenario.tvs", Source);
  std::string err;
  ASSERT_EQ(RunTool("scenario compile '" + (Dir / "scenario.tvs") + "' -o '" + program + "/Ordinary/S0Scenario.dat'",
                    nullptr, &err),
            0)
      << err;
}

int RunPlayTestProgram(const TTempDir& Dir, const std::string& Desktop, const std::string& Script, std::string& Err) {
  WriteFile(Dir / "input.txt", Script);
  return RunCommand("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TOLVAREN_DESKTOP=" + Desktop + " XDG_DATA_HOME='" +
                        (Dir / "data") + "' '" + (Dir / "program/tolvaren-playtest") +
                        "' -fixed-dt 0.02 -seed 7 -frames 3000 -input '" + (Dir / "input.txt") + "' -gui-trace '" +
                        (Dir / "trace.jsonl") + "'",
                    nullptr, &Err);
}

std::string SavedEvents(const std::string& Save) {
  std::string out;
  std::string err;
  EXPECT_EQ(RunTool("save dump '" + Save + "'", &out, &err), 0) << err;
  const size_t at = out.find("\"events\"");
  if (at == std::string::npos) return out;
  // Up to the bracket that closes the list of events.
  int depth = 0;
  for (size_t i = out.find('[', at); i < out.size(); ++i) {
    if (out[i] == '[') ++depth;
    if (out[i] == ']' && --depth == 0) return out.substr(at, i - at + 1);
  }
  return out.substr(at);
}

bool ContainsInOrder(const std::string& Text, const std::vector<std::string>& Parts, std::string& Missing) {
  size_t from = 0;
  for (const std::string& part : Parts) {
    const size_t at = Text.find(part, from);
    if (at == std::string::npos) {
      Missing = part;
      return false;
    }
    from = at + 1;
  }
  return true;
}

bool UpdatingGoldens() {
  const char* value = std::getenv("TV_UPDATE_GOLDENS");
  return value != nullptr && std::string(value) == "1";
}

}  // namespace tv::test
