// What the shared crash-report code and each platform's file give one another. Everything here
// is async-signal-safe: no allocation, no locks.
#pragma once

#include <cstddef>

namespace tv {

size_t CrashTextLength(const char* Text);
// Copies From into To (Capacity bytes with the terminating zero), cut short where it does not fit.
void CopyCrashText(char* To, size_t Capacity, const char* From);
// The note a crash report gives when std::terminate ends the process: the exception's message
// when one is in flight.
void NoteTerminateReason(char* Note, size_t Capacity);

// One write of at most Count bytes to the open file Fd: the bytes written, or 0 or less on an error.
long WriteCrashBytes(int Fd, const char* Text, size_t Count);

}  // namespace tv
