// The crash report on Windows: an unhandled-exception filter (access violations, stack overflows,
// divisions by zero, ...), a SIGABRT handler (abort) and std::terminate write the same report as
// on POSIX systems: the installed writer's head, the exception, and the stack as module and offset
// of each return address (MinGW programs carry no symbols that the system could name). Then the
// process ends with the exception's code as its status (3 after abort), without the system's
// error dialog.
#include "platform/PlatformCrash.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <exception>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace tv {

namespace {

constexpr size_t PathCapacity = 4096;
constexpr int MaxFrames = 62;  // what CaptureStackBackTrace takes at most on older systems
constexpr int StderrFd = 2;

using TSignalHandler = void (*)(int);

struct TCrashState {
  bool Installed = false;
  wchar_t Path[PathCapacity] = {};
  TCrashWriter Head = nullptr;
  LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = nullptr;
  TSignalHandler PreviousAbort = SIG_DFL;
  std::terminate_handler PreviousTerminate = nullptr;
  UINT PreviousErrorMode = 0;
  volatile LONG Reporting = 0;
  char Note[512] = {};
};

TCrashState Crash;

size_t Length(const char* Text) {
  size_t n = 0;
  while (Text[n] != '\0') ++n;
  return n;
}

void CopyText(char* To, size_t Capacity, const char* From) {
  size_t i = 0;
  for (; i + 1 < Capacity && From[i] != '\0'; ++i) To[i] = From[i];
  To[i] = '\0';
}

void WriteHex(int Fd, unsigned long long Value, int Digits) {
  char text[20];
  int i = 0;
  text[i++] = '0';
  text[i++] = 'x';
  for (int shift = (Digits - 1) * 4; shift >= 0; shift -= 4) text[i++] = "0123456789ABCDEF"[(Value >> shift) & 0xF];
  text[i] = '\0';
  WriteCrashText(Fd, text);
}

const char* ExceptionName(DWORD Code) {
  switch (Code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_IN_PAGE_ERROR: return "page error";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT: return "misaligned data";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW: return "floating-point error";
    default: return "unknown exception";
  }
}

// Module name and offset of each frame: "tolvaren.exe+0x1234", which addr2line turns into a line.
void WriteStack(int Fd) {
  WriteCrashText(Fd, "Backtrace:\r\n");
  void* frames[MaxFrames];
  const USHORT count = CaptureStackBackTrace(0, MaxFrames, frames, nullptr);
  for (USHORT i = 0; i < count; ++i) {
    HMODULE module = nullptr;
    const auto address = reinterpret_cast<uintptr_t>(frames[i]);
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(frames[i]), &module) != 0) {
      char name[MAX_PATH];
      const DWORD n = GetModuleFileNameA(module, name, MAX_PATH);
      const char* base = name;
      for (DWORD k = 0; k < n; ++k) {
        if (name[k] == '\\' || name[k] == '/') base = name + k + 1;
      }
      WriteCrashText(Fd, n > 0 ? base : "?");
      WriteCrashText(Fd, "+");
      WriteHex(Fd, address - reinterpret_cast<uintptr_t>(module), 8);
    } else {
      WriteHex(Fd, address, 16);
    }
    WriteCrashText(Fd, "\r\n");
  }
}

// Writes the report to the standard error (its first line) and to the report file (all of it).
// Only the first caller reports; a fault while reporting goes straight to the end.
void Report(const char* What, DWORD Code, bool HasCode) {
  if (InterlockedExchange(&Crash.Reporting, 1) != 0) return;
  WriteCrashText(StderrFd, "Crash: ");
  WriteCrashText(StderrFd, What);
  WriteCrashText(StderrFd, "\n");
  if (Crash.Path[0] == L'\0') return;
  const int fd = _wopen(Crash.Path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return;
  if (Crash.Head != nullptr) Crash.Head(fd);
  WriteCrashText(fd, "Crash: ");
  WriteCrashText(fd, What);
  if (HasCode) {
    WriteCrashText(fd, " ");
    WriteHex(fd, Code, 8);
  }
  WriteCrashText(fd, "\r\n");
  if (Crash.Note[0] != '\0') {
    WriteCrashText(fd, Crash.Note);
    WriteCrashText(fd, "\r\n");
  }
  WriteStack(fd);
  _commit(fd);
  _close(fd);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* Info) {
  const DWORD code = Info != nullptr && Info->ExceptionRecord != nullptr ? Info->ExceptionRecord->ExceptionCode : 0;
  char what[64] = "exception ";
  const size_t used = Length(what);
  CopyText(what + used, sizeof what - used, ExceptionName(code));
  Report(what, code, true);
  // Ends the process with the exception's code as its status.
  return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int) {
  Report("signal SIGABRT (aborted)", 0, false);
  TerminateProcess(GetCurrentProcess(), 3);
}

void OnTerminate() {
  CopyText(Crash.Note, sizeof(Crash.Note), "std::terminate called");
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      CopyText(Crash.Note, sizeof(Crash.Note), "std::terminate called after an exception: ");
      const size_t used = Length(Crash.Note);
      CopyText(Crash.Note + used, sizeof(Crash.Note) - used, e.what());
    } catch (...) {
      CopyText(Crash.Note, sizeof(Crash.Note), "std::terminate called after an unknown exception");
    }
  }
  std::abort();
}

}  // namespace

void WriteCrashText(int Fd, const char* Text) {
  size_t left = Length(Text);
  while (left > 0) {
    const int n = _write(Fd, Text, static_cast<unsigned>(left));
    if (n <= 0) return;
    Text += n;
    left -= static_cast<size_t>(n);
  }
}

void WriteCrashNumber(int Fd, unsigned long long Value) {
  char digits[24];
  int i = sizeof(digits) - 1;
  digits[i] = '\0';
  do {
    digits[--i] = static_cast<char>('0' + Value % 10);
    Value /= 10;
  } while (Value > 0 && i > 0);
  WriteCrashText(Fd, digits + i);
}

void InstallCrashHandlers(const std::string& Report, TCrashWriter Head) {
  SetCrashReportPath(Report);
  Crash.Head = Head;
  Crash.Note[0] = '\0';
  Crash.Reporting = 0;
  if (Crash.Installed) return;
  // Room for the filter to run after a stack overflow.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  // The report replaces the system's error dialog.
  Crash.PreviousErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  Crash.PreviousFilter = SetUnhandledExceptionFilter(OnUnhandledException);
  Crash.PreviousAbort = std::signal(SIGABRT, OnAbort);
  Crash.PreviousTerminate = std::set_terminate(OnTerminate);
  Crash.Installed = true;
}

void SetCrashReportPath(const std::string& Report) {
  Crash.Path[0] = L'\0';
  if (Report.empty()) return;
  const int n = MultiByteToWideChar(CP_UTF8, 0, Report.data(), static_cast<int>(Report.size()), Crash.Path,
                                    static_cast<int>(PathCapacity - 1));
  Crash.Path[n > 0 ? n : 0] = L'\0';
}

void RemoveCrashHandlers() {
  if (!Crash.Installed) return;
  SetUnhandledExceptionFilter(Crash.PreviousFilter);
  std::signal(SIGABRT, Crash.PreviousAbort == SIG_ERR ? SIG_DFL : Crash.PreviousAbort);
  std::set_terminate(Crash.PreviousTerminate);
  SetErrorMode(Crash.PreviousErrorMode);
  Crash.Installed = false;
  Crash.Head = nullptr;
  Crash.Path[0] = L'\0';
}

bool CrashHandlersInstalled() { return Crash.Installed; }

}  // namespace tv
