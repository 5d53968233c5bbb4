#include "app/AppFrameLog.h"

#include <chrono>
#include <cstdio>

#include "base/AppProcess.h"
#include "engine/EngineGui.h"

namespace tv {

namespace {

struct TFrameLog {
  std::FILE* File = nullptr;
  std::chrono::steady_clock::time_point Last;
  long long Frame = 0;
};
TFrameLog Log;

// The form's name as a JSON string body (names are plain ASCII, but quotes and controls are
// escaped all the same so that the line stays valid).
void WriteName(std::FILE* File, const std::string& Name) {
  for (const char c : Name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      std::fputc('\\', File);
      std::fputc(c, File);
    } else if (u < 0x20) {
      std::fprintf(File, "\\u%04x", u);
    } else {
      std::fputc(c, File);
    }
  }
}

}  // namespace

bool StartFrameLog(const std::string& Path) {
  StopFrameLog();
  Log.File = std::fopen(Path.c_str(), "w");
  if (Log.File == nullptr) return false;
  Log.Last = std::chrono::steady_clock::now();
  Log.Frame = 0;
  return true;
}

void LogPresentedFrame() {
  if (Log.File == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  const double ms = std::chrono::duration<double, std::milli>(now - Log.Last).count();
  Log.Last = now;
  ++Log.Frame;
  const TGuiForm* form = CurrentForm();
  std::fprintf(Log.File, "{\"frame\": %lld, \"ms\": %.3f, \"form\": \"", Log.Frame, ms);
  if (form != nullptr) WriteName(Log.File, form->Name);
  std::fputs("\"}\n", Log.File);
}

void StopFrameLog() {
  if (Log.File != nullptr) std::fclose(Log.File);
  Log = TFrameLog{};
}

}  // namespace tv
