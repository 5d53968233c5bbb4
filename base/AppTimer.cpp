#include "base/AppTimer.h"

#include <cmath>
#include <string>

#include "base/AppProcess.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

struct TTimerState {
  int64_t Frequency = 0;
  int64_t Now = 0;
  int64_t Previous = 0;
  float Elapsed = 0;
  double FixedDt = 0;
  int64_t SimulatedCounter = 0;
};

TTimerState Timer;

int64_t CounterNow() { return Timer.FixedDt > 0 ? Timer.SimulatedCounter : PerformanceCounter(); }

}  // namespace

void InitTimer() {
  Timer = TTimerState{};
  Timer.Frequency = PerformanceFrequency();
  if (Timer.Frequency == 0) {
    SetErrorCode(1);
    throw EError("Failed to initialize timer (zero frequency)");
  }
  Timer.Now = Timer.Previous = CounterNow();
}

void SetFixedFrameTime(double Seconds) {
  Timer.FixedDt = Seconds > 0 ? Seconds : 0;
  Timer.Now = Timer.Previous = CounterNow();
}

// The update takes its previous value from the last "now", so restarting moves both: the first
// frame after a resume then counts only the time since the resume, not the time suspended.
void RestartTimer() { Timer.Previous = Timer.Now = CounterNow(); }

void UpdateTimer() {
  if (Timer.FixedDt > 0) {
    Timer.SimulatedCounter += std::llround(Timer.FixedDt * static_cast<double>(Timer.Frequency));
  }
  Timer.Previous = Timer.Now;
  Timer.Now = CounterNow();
  Timer.Elapsed =
      Timer.Frequency == 0
          ? 0.0f
          : static_cast<float>(static_cast<double>(Timer.Now - Timer.Previous) / static_cast<double>(Timer.Frequency));
}

void PauseTimer() {
  Timer.Previous = Timer.Now;
  Timer.Elapsed = 0;
}

float ElapsedSeconds() { return Timer.Elapsed; }

float SecondsOfCounter(float Divisor) {
  if (Timer.Frequency == 0 || Divisor == 0) return 0;
  const double value =
      static_cast<double>(CounterNow()) / static_cast<double>(Divisor) / static_cast<double>(Timer.Frequency);
  return static_cast<float>(value - std::floor(value));
}

void DoneTimer() {}

}  // namespace tv
