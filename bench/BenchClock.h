// CPU clocks for the benchmarks' counters: the machine may be busy with other work, so a frame's
// cost is measured in CPU time rather than wall time.
#pragma once

#include <ctime>

namespace tv::bench {

inline double Seconds(clockid_t Clock) {
  timespec t{};
  clock_gettime(Clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// CPU time of the calling thread.
inline double ThreadSeconds() { return Seconds(CLOCK_THREAD_CPUTIME_ID); }

// CPU time of the whole process, the rasterising threads of a software driver included: the work
// a frame takes, which a busy machine stretches less than the wall time.
inline double ProcessSeconds() { return Seconds(CLOCK_PROCESS_CPUTIME_ID); }

}  // namespace tv::bench
