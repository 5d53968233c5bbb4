// The parts of the crash report that are the same on every platform: the async-signal-safe text
// helpers and the note std::terminate leaves. Each platform's file installs the handlers and
// writes the report.
#include "platform/PlatformCrash.h"

#include "platform/PlatformCrashImpl.h"

#include <exception>

namespace tv {

size_t CrashTextLength(const char* Text) {
  size_t n = 0;
  while (Text[n] != '\0') ++n;
  return n;
}

void CopyCrashText(char* To, size_t Capacity, const char* From) {
  size_t i = 0;
  for (; i + 1 < Capacity && From[i] != '\0'; ++i) To[i] = From[i];
  To[i] = '\0';
}

void NoteTerminateReason(char* Note, size_t Capacity) {
  CopyCrashText(Note, Capacity, "std::terminate called");
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      CopyCrashText(Note, Capacity, "std::terminate called after an exception: ");
      const size_t used = CrashTextLength(Note);
      CopyCrashText(Note + used, Capacity - used, e.what());
    } catch (...) {
      CopyCrashText(Note, Capacity, "std::terminate called after an unknown exception");
    }
  }
}

void WriteCrashText(int Fd, const char* Text) {
  size_t left = CrashTextLength(Text);
  while (left > 0) {
    const long n = WriteCrashBytes(Fd, Text, left);
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

}  // namespace tv
