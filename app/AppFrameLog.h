// "-frame-log FILE": one JSON line per presented frame, {"frame": N, "ms": wall time since the
// previous present, "form": the current form}, so that tests and benchmarks can find the longest
// frame of a start-up, a change of form or a stretch of play.
#pragma once

#include <string>

namespace tv {

// Opens the file (truncating it); false when it cannot be created.
bool StartFrameLog(const std::string& Path);
// Writes the line of one presented frame; nothing when no log is open. The first frame's time is
// measured from StartFrameLog.
void LogPresentedFrame();
void StopFrameLog();

}  // namespace tv
