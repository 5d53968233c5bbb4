// The life of the process: single instance, start-up in a fixed order, the main loop, shutdown in
// the reverse order, the log and the final report. Also the process-wide flags and services.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/EngineClasses.h"

namespace tv {

// ---- Process services -----------------------------------------------------------------------

void Terminate();
bool IsTerminated();
// Selects the message the user sees after shutdown: 1 for a failure, 2 for an unfit machine.
void SetErrorCode(int32_t Code);
int32_t GetErrorCode();
// Appends one message to the log (survivable failures, and the message of the fatal one).
void AddLogMessage(const std::string& Text);
const std::vector<std::string>& GetLogMessages();
bool IsDebugMode();
// Turns debug mode on or off outside a run (tools and tests; a run takes it from "-debug").
void SetDebugMode(bool Value);
uint32_t GetFrameNumber();
// Advances the frame number; from 0xFFFFFFFE it wraps to 0 (all ones is never used).
void AdvanceFrameNumber();
uint32_t NextFrameNumber(uint32_t Frame);
void SetOpenAtExit(const std::string& Path);
bool IsInitialized();
bool IsActive();
bool IsRunning();
void Activate();
void Deactivate();
void Resume();
void Suspend();

// The message shown for an error code ("" for 0).
std::string ErrorCodeMessage(int32_t Code);
// The text of the warning box: the code's message and, when the log holds messages, an empty
// line, "Log messages:" and the messages, lines separated by CR LF.
std::string ReportText(int32_t Code, const std::vector<std::string>& Log);

// ---- The game's random generator ------------------------------------------------------------

// One uniform generator for the whole game, seeded at start-up (tick count, or "-seed N").
void SeedRandom(uint32_t Seed);
// Uniform in [0, 1).
float RandomFloat();
// Uniform in 0 .. Range - 1 (0 when Range <= 0).
int32_t RandomInt(int32_t Range);

// ---- Command line ---------------------------------------------------------------------------

// What the command line asks for besides the language name, which goes to the text table's
// localisation settings. The options after the first two exist for tests and tools.
struct TCommandLine {
  bool Debug = false;
  bool LanguageGiven = false;  // "-language NAME" named a language; otherwise the system's is used
  int64_t Frames = -1;       // "-frames N": end the run after N frames
  double FixedDt = 0;        // "-fixed-dt S": every frame lasts S seconds of game time
  std::string InputFile;     // "-input FILE": scripted input
  bool HasSeed = false;      // "-seed N": seed the random generator with N
  uint32_t Seed = 0;
  std::string ScreenshotFile;  // "-screenshot FILE": PNG of the last frame at exit
};

// Reads the arguments (without the program name). Compares them in ASCII lower case; unknown
// arguments are ignored. "-language X" stores the normalised name through SetLanguageName.
TCommandLine ReadCommandLine(const std::vector<std::string>& Args);
// "-language" normalisation: lower case, then the first letter, when a to z, in upper case.
// Returns false (name unchanged) when the argument is empty or does not start with a letter.
bool NormalizeLanguageArgument(const std::string& Arg, std::string& Name);
const TCommandLine& GetCommandLine();

// ---- The whole run --------------------------------------------------------------------------

// The name of the single-instance channel: one running copy per user and user data folder.
std::string InstanceChannelName();

// Runs the program; returns the process exit code (0, or the error code).
int Run(const std::vector<std::string>& Args);

}  // namespace tv
