// A report when the process dies: a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT), on
// Windows an unhandled exception or abort, or std::terminate. The report is written with
// async-signal-safe calls only: what the installed writer adds (the program's log so far), the
// signal or exception, and a backtrace; then the process ends with the usual status.
#pragma once

#include <string>

namespace tv {

// Writes the head of a crash report to the open file Fd. Called inside a signal handler: it may
// only use async-signal-safe calls (WriteCrashText below, no allocation, no locks).
using TCrashWriter = void (*)(int Fd);

// Installs the handlers (and an alternate signal stack, so that a stack overflow is reported too).
// Report is the file written (empty: the report goes to the standard error only). Safe to call
// again: the latest path and writer win.
void InstallCrashHandlers(const std::string& Report, TCrashWriter Head);
// Changes the file the report goes to (the user folder becomes known after the handlers are in).
void SetCrashReportPath(const std::string& Report);
// Puts the previous handlers back.
void RemoveCrashHandlers();
bool CrashHandlersInstalled();

// Async-signal-safe helpers for writers.
void WriteCrashText(int Fd, const char* Text);
void WriteCrashNumber(int Fd, unsigned long long Value);

}  // namespace tv
