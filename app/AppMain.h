// The life of the process: single instance, start-up in a fixed order, the main loop, shutdown in
// the reverse order, the log and the final report. Also the process-wide flags and services.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/AppModules.h"
#include "base/AppProcess.h"
#include "base/EngineClasses.h"

namespace tv {

// ---- Process state --------------------------------------------------------------------------

// Ends the run after the current step with a process exit code of its own (the test harness's
// failure code), unless a fatal error sets another.
void EndRun(int32_t ExitCode);
bool IsInitialized();
bool IsActive();
bool IsRunning();
void Activate();
void Deactivate();
void Resume();
void Suspend();

// ---- Command line ---------------------------------------------------------------------------

// What the command line asks for besides the language name, which goes to the text table's
// localisation settings. The options after the first two exist for tests and tools.
struct TCommandLine {
  bool Debug = false;
  bool LanguageGiven = false;  // "-language NAME" named a language; otherwise the system's is used
  int64_t Frames = -1;         // "-frames N": end the run after N frames
  double FixedDt = 0;          // "-fixed-dt S": every frame lasts S seconds of game time
  std::string InputFile;       // "-input FILE": scripted input
  bool HasSeed = false;        // "-seed N": seed the random generator with N
  uint32_t Seed = 0;
  std::string ScreenshotFile;  // "-screenshot FILE": PNG of the last frame at exit
  std::string GuiTraceFile;    // "-gui-trace FILE": one JSON line per GUI happening
  std::string FrameLogFile;    // "-frame-log FILE": one JSON line per presented frame
  // Arguments that were not understood: unknown ones, and values that are missing or out of
  // range. Each is ignored and becomes one warning in the log (and on the standard error).
  std::vector<std::string> Warnings;
};

// Reads the arguments (without the program name). Compares them in ASCII lower case; unknown
// arguments and bad values are ignored with a warning. "-language X" stores the normalised name
// through SetLanguageName.
TCommandLine ReadCommandLine(const std::vector<std::string>& Args);
// "-language" normalisation: lower case, then the first letter, when a to z, in upper case.
// Returns false (name unchanged) when the argument is empty or does not start with a letter.
bool NormalizeLanguageArgument(const std::string& Arg, std::string& Name);
const TCommandLine& GetCommandLine();

// ---- The whole run --------------------------------------------------------------------------

// The modules a run starts, in start-up order (Run shuts them down in the reverse one): folders,
// timer, scripted input, window, text table, audio, video, text layout, screenshot, effects.
TModuleTable GameModules();

// The name of the single-instance channel: one running copy per user and user data folder.
std::string InstanceChannelName();

// Writes the next presented frame as a PNG to Path (the input script's "screenshot"); a later
// request before that frame replaces it. A picture that cannot be written is logged.
void RequestScreenshot(const std::string& Path);

// Runs the program; returns the process exit code (0, or the error code).
int Run(const std::vector<std::string>& Args);

}  // namespace tv
