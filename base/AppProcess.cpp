#include "base/AppProcess.h"

#include <csignal>

#include "platform/PlatformCrash.h"

namespace tv {

namespace {

struct TServicesState {
  bool Terminated = false;
  int32_t ErrorCode = 0;
  std::vector<std::string> Log;
  std::string OpenAtExit;
  bool DebugMode = false;
  uint32_t FrameNumber = 1;
};

TServicesState Services;
// Set while the log is being changed, so that a crash report does not read it half-changed.
volatile std::sig_atomic_t LogChanging = 0;

uint64_t RandomState = 0x853C49E6748FEA9BULL;

}  // namespace

// ---- Process services -----------------------------------------------------------------------

void ResetProcessServices() {
  LogChanging = 1;
  Services = TServicesState{};
  LogChanging = 0;
}
void Terminate() { Services.Terminated = true; }
bool IsTerminated() { return Services.Terminated; }
void SetErrorCode(int32_t Code) { Services.ErrorCode = Code; }
int32_t GetErrorCode() { return Services.ErrorCode; }
void AddLogMessage(const std::string& Text) {
  LogChanging = 1;
  Services.Log.push_back(Text);
  LogChanging = 0;
}
void WriteLogMessagesForCrash(int Fd) {
  if (LogChanging != 0) {
    WriteCrashText(Fd, "(the log was being changed when the program crashed)\r\n");
    return;
  }
  for (const std::string& line : Services.Log) {
    WriteCrashText(Fd, line.c_str());
    WriteCrashText(Fd, "\r\n");
  }
}
const std::vector<std::string>& GetLogMessages() { return Services.Log; }
void ClearLogMessages() {
  LogChanging = 1;
  Services.Log.clear();
  LogChanging = 0;
}
bool IsDebugMode() { return Services.DebugMode; }
void SetDebugMode(bool Value) { Services.DebugMode = Value; }
uint32_t GetFrameNumber() { return Services.FrameNumber; }
uint32_t NextFrameNumber(uint32_t Frame) { return Frame >= 0xFFFFFFFEu ? 0 : Frame + 1; }
void AdvanceFrameNumber() { Services.FrameNumber = NextFrameNumber(Services.FrameNumber); }
void SetOpenAtExit(const std::string& Path) { Services.OpenAtExit = Path; }
const std::string& GetOpenAtExit() { return Services.OpenAtExit; }

std::string ErrorCodeMessage(int32_t Code) {
  switch (Code) {
    case 0: return {};
    case 2: return "Your system does not meet the minimum system requirements to run this game.";
    default: return "An error has occured during the game execution.";
  }
}

std::string ReportText(int32_t Code, const std::vector<std::string>& Log) {
  std::string text = ErrorCodeMessage(Code);
  if (!Log.empty()) {
    text += "\r\n\r\nLog messages:";
    for (const std::string& line : Log) text += "\r\n" + line;
  }
  return text;
}

// ---- Random generator -----------------------------------------------------------------------

void SeedRandom(uint32_t Seed) {
  RandomState = 0x853C49E6748FEA9BULL ^ (static_cast<uint64_t>(Seed) * 0x9E3779B97F4A7C15ULL);
}

namespace {
// splitmix64: small, fast and the same on every machine, so seeded runs repeat exactly.
uint64_t NextRandom() {
  uint64_t z = (RandomState += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}
}  // namespace

float RandomFloat() { return static_cast<float>(NextRandom() >> 40) / 16777216.0f; }

int32_t RandomInt(int32_t Range) {
  if (Range <= 0) return 0;
  return static_cast<int32_t>((NextRandom() >> 32) % static_cast<uint64_t>(Range));
}

}  // namespace tv
