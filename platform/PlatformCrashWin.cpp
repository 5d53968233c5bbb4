// The crash report on Windows: an unhandled-exception filter (access violations, stack overflows,
// divisions by zero, ...), a SIGABRT handler (abort) and std::terminate write the same report as
// on POSIX systems: the installed writer's head, the exception, and the stack as module and offset
// of each return address (MinGW programs carry no symbols that the system could name). Then the
// process ends with the exception's code as its status (3 after abort), without the system's
// error dialog.
#include "platform/PlatformCrash.h"

#include "platform/PlatformCrashImpl.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <exception>

#include "platform/PlatformWinApi.h"

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
  const size_t used = CrashTextLength(what);
  CopyCrashText(what + used, sizeof what - used, ExceptionName(code));
  Report(what, code, true);
  // Ends the process with the exception's code as its status.
  return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int) {
  Report("signal SIGABRT (aborted)", 0, false);
  TerminateProcess(GetCurrentProcess(), 3);
}

void OnTerminate() {
  NoteTerminateReason(Crash.Note, sizeof(Crash.Note));
  std::abort();
}

}  // namespace

long WriteCrashBytes(int Fd, const char* Text, size_t Count) { return _write(Fd, Text, static_cast<unsigned>(Count)); }

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
