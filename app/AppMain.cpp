#include "app/AppMain.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>

#include "app/AppFolders.h"
#include "app/AppGame.h"
#include "app/AppInput.h"
#include "app/AppTimer.h"
#include "app/AppWindow.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

struct TProcessState {
  bool Initialized = false;
  bool Active = false;
  bool Running = false;
  bool Terminated = false;
  int32_t ErrorCode = 0;
  std::vector<std::string> Log;
  std::string OpenAtExit;
  bool DebugMode = false;
  uint32_t FrameNumber = 1;
  TCommandLine CommandLine;
};

TProcessState State;

uint64_t RandomState = 0x853C49E6748FEA9BULL;

std::string AsciiLower(std::string Text) {
  for (char& c : Text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return Text;
}

}  // namespace

// ---- Process services -----------------------------------------------------------------------

void Terminate() { State.Terminated = true; }
bool IsTerminated() { return State.Terminated; }
void SetErrorCode(int32_t Code) { State.ErrorCode = Code; }
int32_t GetErrorCode() { return State.ErrorCode; }
void AddLogMessage(const std::string& Text) { State.Log.push_back(Text); }
const std::vector<std::string>& GetLogMessages() { return State.Log; }
bool IsDebugMode() { return State.DebugMode; }
void SetDebugMode(bool Value) { State.DebugMode = Value; }
uint32_t GetFrameNumber() { return State.FrameNumber; }
uint32_t NextFrameNumber(uint32_t Frame) { return Frame >= 0xFFFFFFFEu ? 0 : Frame + 1; }
void AdvanceFrameNumber() { State.FrameNumber = NextFrameNumber(State.FrameNumber); }
void SetOpenAtExit(const std::string& Path) { State.OpenAtExit = Path; }
bool IsInitialized() { return State.Initialized; }
bool IsActive() { return State.Active; }
bool IsRunning() { return State.Running; }
const TCommandLine& GetCommandLine() { return State.CommandLine; }

void Activate() {
  if (State.Active) return;
  State.Active = true;
  ApplyWindowMode(false);
  ReadSwapButtons();
  ReloadTextsIfChanged();
}

void Deactivate() { State.Active = false; }

void Resume() {
  if (State.Running) return;
  State.Running = true;
  ReleaseStill();
  ResumeAudio();
  ResetInput();
  RestartTimer();
}

void Suspend() {
  if (!State.Running) return;
  State.Running = false;
  PauseTimer();
  ClearInput();
  PauseAudio();
  CaptureStill();
}

std::string ErrorCodeMessage(int32_t Code) {
  switch (Code) {
    case 0:
      return {};
    case 2:
      return "Your system does not meet the minimum system requirements to run this game.";
    default:
      return "An error has occured during the game execution.";
  }
}

std::string ReportText(int32_t Code, const std::vector<std::string>& Log) {
  std::string text = ErrorCodeMessage(Code);
  if (!Log.empty()) {
    text += "\r\n\r\nLog messages:";
    for (const std::string& line : Log) text += "\r\n" + line;
  }
  return text;
}

// ---- Random generator -----------------------------------------------------------------------

void SeedRandom(uint32_t Seed) { RandomState = 0x853C49E6748FEA9BULL ^ (static_cast<uint64_t>(Seed) * 0x9E3779B97F4A7C15ULL); }

namespace {
// splitmix64: small, fast and the same on every machine, so seeded runs repeat exactly.
uint64_t NextRandom() {
  uint64_t z = (RandomState += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}
}  // namespace

float RandomFloat() { return static_cast<float>(NextRandom() >> 40) / 16777216.0f; }

int32_t RandomInt(int32_t Range) {
  if (Range <= 0) return 0;
  return static_cast<int32_t>((NextRandom() >> 32) % static_cast<uint64_t>(Range));
}

// ---- Command line ---------------------------------------------------------------------------

bool NormalizeLanguageArgument(const std::string& Arg, std::string& Name) {
  std::string lower = AsciiLower(Arg);
  if (lower.empty() || lower[0] < 'a' || lower[0] > 'z') return false;
  lower[0] = static_cast<char>(lower[0] - 'a' + 'A');
  Name = lower;
  return true;
}

TCommandLine ReadCommandLine(const std::vector<std::string>& Args) {
  TCommandLine line;
  auto number = [&](size_t i, auto& out) {
    if (i >= Args.size()) return;
    char* end = nullptr;
    const double value = std::strtod(Args[i].c_str(), &end);
    if (end != Args[i].c_str() && *end == '\0') out = static_cast<std::remove_reference_t<decltype(out)>>(value);
  };
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string arg = AsciiLower(Args[i]);
    if (arg == "-language") {
      ++i;
      std::string name;
      if (i < Args.size() && NormalizeLanguageArgument(Args[i], name)) {
        SetLanguageName(name);
        line.LanguageGiven = true;
      }
    } else if (arg == "-debug") {
      line.Debug = true;
    } else if (arg == "-frames") {
      number(++i, line.Frames);
    } else if (arg == "-fixed-dt") {
      number(++i, line.FixedDt);
    } else if (arg == "-seed") {
      double seed = -1;
      number(++i, seed);
      if (seed >= 0 && seed <= 4294967295.0) {
        line.HasSeed = true;
        line.Seed = static_cast<uint32_t>(seed);
      }
    } else if (arg == "-input") {
      if (++i < Args.size()) line.InputFile = Args[i];
    } else if (arg == "-screenshot") {
      if (++i < Args.size()) line.ScreenshotFile = Args[i];
    }
  }
  return line;
}

// ---- The whole run --------------------------------------------------------------------------

namespace {

// The last presented frame, kept only when a screenshot was asked for.
struct TLastFrame {
  std::vector<uint8_t> Rgba;
  int32_t Width = 0;
  int32_t Height = 0;
};
TLastFrame LastFrame;

void DrawFrame() { RenderFrame(nullptr); }

// With "-screenshot", every presented frame is read back while the back buffer still holds it.
void KeepPresentedFrames() {
  if (State.CommandLine.ScreenshotFile.empty()) return;
  GfxSetPresentObserver([] { LastFrame.Rgba = GfxReadBackBuffer(LastFrame.Width, LastFrame.Height); });
}

// Test hook: TOLVAREN_FAIL_STARTUP=bad_alloc makes the end of start-up throw std::bad_alloc, and
// "unknown" throws something that is no std::exception, to check that either still ends in an
// orderly shutdown with the log and the report.
void InjectStartUpFault() {
  const char* fault = std::getenv("TOLVAREN_FAIL_STARTUP");
  if (fault == nullptr) return;
  const std::string what = fault;
  if (what == "bad_alloc") throw std::bad_alloc();
  if (what == "unknown") throw 1;
}

void StartUp(const std::vector<std::string>& Args) {
  SeedRandom(TickCount());
  // The operating-system check of the original platform always passes here.
  State.CommandLine = ReadCommandLine(Args);
  State.DebugMode = State.CommandLine.Debug;
  if (State.CommandLine.HasSeed) SeedRandom(State.CommandLine.Seed);
  // Without "-language" the game speaks the language of the user's locale when it can.
  SetUseSystemLanguage(!State.CommandLine.LanguageGiven);
  InitFolders();
  InitTimer();
  if (State.CommandLine.FixedDt > 0) SetFixedFrameTime(State.CommandLine.FixedDt);
  if (!State.CommandLine.InputFile.empty()) LoadInputScript(State.CommandLine.InputFile);
  CreateMainWindow();
  // Input: nothing to prepare.
  InitTexts();
  AudioStartup();
  VideoStartup();
  TextsStartup();
  KeepPresentedFrames();
  EffectsStartup();
  InstallPoolEffectLoader();
  InjectStartUpFault();
  State.Initialized = true;
  Activate();
  Resume();
}

void MainLoop() {
  int64_t framesLeft = State.CommandLine.Frames;
  if (framesLeft == 0) Terminate();
  while (!State.Terminated) {
    InjectScriptedInput(State.FrameNumber);
    PumpMessages();
    if (State.Terminated) break;
    if (!CheckDevice()) {
      Suspend();
      Deactivate();
      continue;
    }
    AdvanceFrameNumber();
    UpdateTimer();
    UpdateInput();
    EffectsUpdate();
    UpdateTexts();
    DrawFrame();
    AudioUpdate();
    if (KeyPressed(KeyToggleFullScreen)) SetFullScreen(!IsFullScreen());
    if (framesLeft > 0 && --framesLeft == 0) Terminate();
  }
}

// Writes the log to "Log.txt" in the user folder (deleted when the log is empty); returns how many
// messages the file holds.
size_t WriteLogFile() {
  if (!FoldersReady()) return 0;
  if (State.Log.empty()) {
    DeleteDataFile(TFolderKind::User, "Log", TExtKind::Txt);
    return 0;
  }
  std::string bytes;
  for (const std::string& line : State.Log) bytes += line + "\r\n";
  auto file = CreateDataFile(TFolderKind::User, "Log", TExtKind::Txt);
  file->Write(bytes);
  return State.Log.size();
}

// Returns how many of the log's messages reached the log file.
size_t ShutDown() {
  if (!State.CommandLine.ScreenshotFile.empty() && !LastFrame.Rgba.empty()) {
    WritePngRgba(State.CommandLine.ScreenshotFile, LastFrame.Width, LastFrame.Height, LastFrame.Rgba);
  }
  size_t written = 0;
  try {
    written = WriteLogFile();
  } catch (const EError& e) {
    // An unwritable user folder: the messages are reported below instead of being lost.
    State.Log.emplace_back(e.what());
  }
  State.Running = false;
  State.Active = false;
  State.Initialized = false;
  EffectsShutdown();
  TextsShutdown();
  VideoShutdown();
  AudioShutdown();
  FreeTexts();
  DestroyMainWindow();
  DoneTimer();
  DoneFolders();
  ClearInputScript();
  return written;
}

}  // namespace

std::string InstanceChannelName() {
  // The profiles live in the user data folder, so that is what one copy must own; copies that
  // keep their data apart (tests with their own temporary folders) may run side by side.
  const std::string folder = UserDataFolder();
  uint32_t hash = 2166136261u;
  for (char c : folder) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", hash);
  return std::string("MX_QM_Vesk1-") + suffix;
}

int Run(const std::vector<std::string>& Args) {
  State = TProcessState{};
  ResetLocalization();
  LastFrame = TLastFrame{};
  TSingleInstance instance(InstanceChannelName());
  if (!instance.Acquire()) {
    instance.NotifyOwner();
    return 0;
  }
  SetWindowInstanceChannel(&instance);
  try {
    StartUp(Args);
    MainLoop();
  } catch (const EError& e) {
    if (e.what()[0] != '\0') AddLogMessage(e.what());
    if (State.ErrorCode == 0) State.ErrorCode = 1;
  } catch (const std::bad_alloc&) {
    // Anything else escaping the loop still ends in the same orderly shutdown and report.
    AddLogMessage("Out of memory");
    if (State.ErrorCode == 0) State.ErrorCode = 1;
  } catch (const std::exception& e) {
    AddLogMessage(e.what()[0] != '\0' ? e.what() : "Unexpected error");
    if (State.ErrorCode == 0) State.ErrorCode = 1;
  } catch (...) {
    AddLogMessage("Unexpected error");
    if (State.ErrorCode == 0) State.ErrorCode = 1;
  }
  const size_t written = ShutDown();
  SetWindowInstanceChannel(nullptr);
  const int32_t code = State.ErrorCode;
  if (code != 0) {
    ShowMessage(ReportText(code, State.Log));
  } else {
    // Messages that never reached the log file (it could not be written, or they arose while the
    // subsystems shut down) go to the standard error rather than nowhere.
    for (size_t i = written; i < State.Log.size(); ++i) std::fprintf(stderr, "%s\n", State.Log[i].c_str());
    if (!State.OpenAtExit.empty()) OpenDocument(State.OpenAtExit);
  }
  State.Log.clear();
  return code;
}

}  // namespace tv
