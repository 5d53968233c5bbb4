// The process-wide services every layer uses: the termination flag, the error code and its
// report, the log, debug mode, the frame number and the game's random generator. The life of the
// process itself (start-up, main loop, shutdown) is AppMain's, on top of every layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/EngineClasses.h"

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
// Writes the log so far to the open file Fd, one message a line (CR LF), using async-signal-safe
// calls only: the crash report's first part. Says so instead when a message was being added.
void WriteLogMessagesForCrash(int Fd);
bool IsDebugMode();
// Turns debug mode on or off outside a run (tools and tests; a run takes it from "-debug").
void SetDebugMode(bool Value);
uint32_t GetFrameNumber();
// Advances the frame number; from 0xFFFFFFFE it wraps to 0 (all ones is never used).
void AdvanceFrameNumber();
uint32_t NextFrameNumber(uint32_t Frame);
void SetOpenAtExit(const std::string& Path);

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

// Puts every service back to its state at process start (a run begins with this).
void ResetProcessServices();
const std::string& GetOpenAtExit();
void ClearLogMessages();

}  // namespace tv
