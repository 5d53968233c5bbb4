#include "platform/PlatformCrash.h"

#include "platform/PlatformCrashImpl.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <exception>

namespace tv {

namespace {

constexpr int CrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int SignalCount = sizeof(CrashSignals) / sizeof(CrashSignals[0]);
constexpr size_t PathCapacity = 4096;
constexpr int MaxFrames = 64;

struct TCrashState {
  bool Installed = false;
  char Path[PathCapacity] = {};
  TCrashWriter Head = nullptr;
  struct sigaction Previous[SignalCount] = {};
  std::terminate_handler PreviousTerminate = nullptr;
  stack_t PreviousStack = {};
  volatile sig_atomic_t Reporting = 0;
  // What std::terminate knew (the exception's message), reported with the SIGABRT that follows.
  char Note[512] = {};
};

TCrashState Crash;
alignas(16) char AlternateStack[64 * 1024];

const char* SignalName(int Signal) {
  switch (Signal) {
    case SIGSEGV: return "SIGSEGV (segmentation fault)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (aborted)";
    default: return "unknown signal";
  }
}

void WriteReport(int Fd, int Signal) {
  if (Crash.Head != nullptr) Crash.Head(Fd);
  WriteCrashText(Fd, "Crash: signal ");
  WriteCrashText(Fd, SignalName(Signal));
  WriteCrashText(Fd, "\r\n");
  if (Crash.Note[0] != '\0') {
    WriteCrashText(Fd, Crash.Note);
    WriteCrashText(Fd, "\r\n");
  }
  WriteCrashText(Fd, "Backtrace:\r\n");
  void* frames[MaxFrames];
  const int count = backtrace(frames, MaxFrames);
  backtrace_symbols_fd(frames, count, Fd);
}

void OnCrashSignal(int Signal) {
  // A second fault while reporting ends the process at once.
  if (Crash.Reporting == 0) {
    Crash.Reporting = 1;
    WriteCrashText(STDERR_FILENO, "Crash: signal ");
    WriteCrashText(STDERR_FILENO, SignalName(Signal));
    WriteCrashText(STDERR_FILENO, "\n");
    if (Crash.Path[0] != '\0') {
      const int fd = open(Crash.Path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd >= 0) {
        WriteReport(fd, Signal);
        fsync(fd);
        close(fd);
      }
    }
  }
  // The default action gives the process the signal's usual status (and a core dump where the
  // system keeps them).
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(Signal, &fallback, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, Signal);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(Signal);
  _exit(128 + Signal);
}

void OnTerminate() {
  NoteTerminateReason(Crash.Note, sizeof(Crash.Note));
  std::abort();
}

}  // namespace

long WriteCrashBytes(int Fd, const char* Text, size_t Count) { return write(Fd, Text, Count); }

void InstallCrashHandlers(const std::string& Report, TCrashWriter Head) {
  SetCrashReportPath(Report);
  Crash.Head = Head;
  Crash.Note[0] = '\0';
  Crash.Reporting = 0;
  if (Crash.Installed) return;
  // backtrace loads its unwinder on first use: do that now, outside any signal handler.
  void* warm[4];
  backtrace(warm, 4);
  stack_t stack = {};
  stack.ss_sp = AlternateStack;
  stack.ss_size = sizeof(AlternateStack);
  sigaltstack(&stack, &Crash.PreviousStack);
  for (int i = 0; i < SignalCount; ++i) {
    struct sigaction action = {};
    action.sa_handler = OnCrashSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK;
    sigaction(CrashSignals[i], &action, &Crash.Previous[i]);
  }
  Crash.PreviousTerminate = std::set_terminate(OnTerminate);
  Crash.Installed = true;
}

void SetCrashReportPath(const std::string& Report) {
  if (Report.size() >= PathCapacity) {
    Crash.Path[0] = '\0';
    return;
  }
  CopyCrashText(Crash.Path, PathCapacity, Report.c_str());
}

void RemoveCrashHandlers() {
  if (!Crash.Installed) return;
  for (int i = 0; i < SignalCount; ++i) sigaction(CrashSignals[i], &Crash.Previous[i], nullptr);
  std::set_terminate(Crash.PreviousTerminate);
  sigaltstack(&Crash.PreviousStack, nullptr);
  Crash.Installed = false;
  Crash.Head = nullptr;
  Crash.Path[0] = '\0';
}

bool CrashHandlersInstalled() { return Crash.Installed; }

}  // namespace tv
