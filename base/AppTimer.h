// The frame timer: a high-resolution counter, and the game time each frame lasted.
#pragma once

#include <cstdint>

namespace tv {

void InitTimer();
void RestartTimer();
void UpdateTimer();
void PauseTimer();
float ElapsedSeconds();
// The counter now over Divisor seconds, reduced to its fraction: a phase in [0, 1).
float SecondsOfCounter(float Divisor);
void DoneTimer();

// With a fixed frame time (tests, "-fixed-dt"), every update lasts exactly Seconds of game time
// and the counter itself advances by that much per update, so runs repeat exactly. 0 turns it off.
void SetFixedFrameTime(double Seconds);

}  // namespace tv
