#include "app/AppMain.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>

#include "app/AppFrameLog.h"
#include "app/AppGame.h"
#include "app/AppInput.h"
#include "app/AppInputScript.h"
#include "app/AppWindow.h"
#include "base/AppFolders.h"
#include "base/AppSettings.h"
#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformCrash.h"
#include "platform/PlatformGraphics.h"
#include "platform/PlatformImage.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

constexpr bool SameKey(TLogicalKey A, TGuiKey B) { return static_cast<int32_t>(A) == static_cast<int32_t>(B); }
static_assert(SameKey(KeyClick, GuiKeyClick) && SameKey(KeyCancel, GuiKeyCancel) &&
                  SameKey(KeyConfirm, GuiKeyConfirm) && SameKey(KeyHint, GuiKeyHint) &&
                  SameKey(KeyInventory, GuiKeyInventory) && SameKey(KeyMap, GuiKeyMap) &&
                  SameKey(KeyFocusUp, GuiKeyFocusUp) && SameKey(KeyFocusNext, GuiKeyFocusNext) &&
                  SameKey(KeyActivate, GuiKeyActivate) && SameKey(KeyPagePrevious, GuiKeyPagePrevious) &&
                  static_cast<int32_t>(TInputDevice::Pad) == static_cast<int32_t>(TGuiDevice::Pad) &&
                  static_cast<int32_t>(LogicalKeyCount) <= static_cast<int32_t>(GuiKeyCount),
              "the GUI reads the input module's logical keys by their numbers");

// Test hook: TOLVAREN_CRASH=segv|abort|terminate[:FRAME] crashes the program on purpose at the
// start of that frame (60 when none is given), to check the crash report.
enum class TCrashKind { None, Segv, Abort, Terminate };

struct TCrashRequest {
  TCrashKind Kind = TCrashKind::None;
  uint32_t Frame = 60;
};

struct TProcessState {
  bool Initialized = false;
  TCrashRequest Crash;
  bool Active = false;
  bool Running = false;
  int32_t ExitCode = 0;       // the harness's own exit code (EndRun)
  bool WasSuspended = false;  // the game was suspended since start-up
  TCommandLine CommandLine;
};

TProcessState State;

std::string AsciiLower(std::string Text) {
  for (char& c : Text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return Text;
}

}  // namespace

// ---- Process state --------------------------------------------------------------------------

void EndRun(int32_t ExitCode) {
  State.ExitCode = ExitCode;
  Terminate();
}
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
  // Only a resume after a suspension is traced, not the first one at start-up.
  if (State.WasSuspended) TraceWindowState(true);
}

void Suspend() {
  if (!State.Running) return;
  State.Running = false;
  PauseTimer();
  ClearInput();
  PauseAudio();
  CaptureStill();
  if (State.Initialized) {
    State.WasSuspended = true;
    TraceWindowState(false);
  }
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
  auto warn = [&](const std::string& Text) { line.Warnings.push_back("Command line: " + Text); };
  // The value after a switch: false (with a warning) when there is none.
  auto value = [&](size_t i, const std::string& Switch) {
    if (i < Args.size()) return true;
    warn("\"" + Switch + "\" needs a value; ignored");
    return false;
  };
  // A number within [Low, High]; anything else (not a number, trailing characters, out of range,
  // not finite) leaves Out unchanged.
  auto number = [&](size_t i, const std::string& Switch, double Low, double High, bool Whole, auto& Out) {
    if (!value(i, Switch)) return;
    const char* text = Args[i].c_str();
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || v < Low || v > High || (Whole && v != std::floor(v))) {
      warn("\"" + Switch + " " + Args[i] + "\" is not a valid value; ignored");
      return;
    }
    Out = static_cast<std::remove_reference_t<decltype(Out)>>(v);
  };
  auto path = [&](size_t i, const std::string& Switch, std::string& Out) {
    if (!value(i, Switch)) return;
    if (Args[i].empty()) {
      warn("\"" + Switch + "\" needs a file name; ignored");
      return;
    }
    Out = Args[i];
  };
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string arg = AsciiLower(Args[i]);
    if (arg == "-language") {
      ++i;
      std::string name;
      if (i < Args.size() && NormalizeLanguageArgument(Args[i], name)) {
        SetLanguageName(name);
        line.LanguageGiven = true;
      } else if (i < Args.size()) {
        warn("\"-language " + Args[i] + "\" is not a language name; ignored");
      } else {
        warn("\"-language\" needs a value; ignored");
      }
    } else if (arg == "-debug") {
      line.Debug = true;
    } else if (arg == "-frames") {
      number(++i, "-frames", 0, 4294967295.0, true, line.Frames);
    } else if (arg == "-fixed-dt") {
      // A frame of up to a minute; zero or less would stop the clocks.
      number(++i, "-fixed-dt", 1e-6, 60, false, line.FixedDt);
    } else if (arg == "-seed") {
      double seed = -1;
      number(++i, "-seed", 0, 4294967295.0, true, seed);
      if (seed >= 0) {
        line.HasSeed = true;
        line.Seed = static_cast<uint32_t>(seed);
      }
    } else if (arg == "-input") {
      path(++i, "-input", line.InputFile);
    } else if (arg == "-screenshot") {
      path(++i, "-screenshot", line.ScreenshotFile);
    } else if (arg == "-gui-trace") {
      path(++i, "-gui-trace", line.GuiTraceFile);
    } else if (arg == "-frame-log") {
      path(++i, "-frame-log", line.FrameLogFile);
    } else {
      warn("unknown argument \"" + Args[i] + "\" ignored");
    }
  }
  return line;
}

// ---- The whole run --------------------------------------------------------------------------

namespace {

// The last presented frame, kept only when a screenshot was asked for, and the file the input
// script wants the next presented frame in.
struct TLastFrame {
  std::vector<uint8_t> Rgba;
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Requested;
};
TLastFrame LastFrame;

void DrawFrame() {
  if (RenderFrame(nullptr)) LogPresentedFrame();
}

// With "-screenshot", every presented frame is read back while the back buffer still holds it;
// with an input script, the frames its "screenshot" lines ask for.
void KeepPresentedFrames() {
  if (State.CommandLine.ScreenshotFile.empty() && State.CommandLine.InputFile.empty()) return;
  GfxSetPresentObserver([] {
    if (!LastFrame.Requested.empty()) {
      int32_t w = 0;
      int32_t h = 0;
      const std::vector<uint8_t> rgba = GfxReadBackBuffer(w, h);
      if (!WritePngRgba(LastFrame.Requested, w, h, rgba)) {
        AddLogMessage("Unable to write the screenshot \"" + LastFrame.Requested + "\"");
      }
      LastFrame.Requested.clear();
    }
    if (!State.CommandLine.ScreenshotFile.empty()) {
      LastFrame.Rgba = GfxReadBackBuffer(LastFrame.Width, LastFrame.Height);
    }
  });
}

// The modules of a run, started in this order and shut down in the reverse one.
TStartedModules Modules;

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

TCrashRequest ReadCrashRequest() {
  TCrashRequest request;
  const char* value = std::getenv("TOLVAREN_CRASH");
  if (value == nullptr) return request;
  const std::string text = value;
  const std::string kind = text.substr(0, text.find(':'));
  if (kind == "segv") request.Kind = TCrashKind::Segv;
  if (kind == "abort") request.Kind = TCrashKind::Abort;
  if (kind == "terminate") request.Kind = TCrashKind::Terminate;
  if (const auto colon = text.find(':'); colon != std::string::npos) {
    request.Frame = static_cast<uint32_t>(std::strtoul(text.c_str() + colon + 1, nullptr, 10));
  }
  return request;
}

void CrashOnPurpose(TCrashKind Kind) {
  switch (Kind) {
    case TCrashKind::Segv: {
      volatile int* volatile nowhere = nullptr;
      *nowhere = 1;
      break;
    }
    case TCrashKind::Abort: std::abort(); break;
    case TCrashKind::Terminate: try { throw std::runtime_error("crash test: an exception nobody catches");
      } catch (...) {
        std::terminate();
      }
      break;
    case TCrashKind::None: break;
  }
}

// The crash report's head: the log so far and the frame. Runs inside a signal handler.
void WriteCrashHead(int Fd) {
  WriteLogMessagesForCrash(Fd);
  WriteCrashText(Fd, "Crash at frame ");
  WriteCrashNumber(Fd, GetFrameNumber());
  WriteCrashText(Fd, "\r\n");
}

void StartUp(const std::vector<std::string>& Args) {
  SeedRandom(TickCount());
  // The operating-system check of the original platform always passes here.
  State.CommandLine = ReadCommandLine(Args);
  for (const std::string& warning : State.CommandLine.Warnings) {
    std::fprintf(stderr, "%s\n", warning.c_str());
    AddLogMessage(warning);
  }
  SetDebugMode(State.CommandLine.Debug);
  State.Crash = ReadCrashRequest();
  if (State.CommandLine.HasSeed) SeedRandom(State.CommandLine.Seed);
  Modules.Start(GameModules());
  InjectStartUpFault();
  State.Initialized = true;
  Activate();
  Resume();
  OpenFirstScreen();
}

void MainLoop() {
  int64_t framesLeft = State.CommandLine.Frames;
  if (framesLeft == 0) Terminate();
  while (!IsTerminated()) {
    InjectScriptedInput(GetFrameNumber());
    PumpMessages();
    if (IsTerminated()) break;
    if (!CheckDevice()) {
      Suspend();
      Deactivate();
      continue;
    }
    AdvanceFrameNumber();
    if (State.Crash.Kind != TCrashKind::None && GetFrameNumber() == State.Crash.Frame) CrashOnPurpose(State.Crash.Kind);
    UpdateTimer();
    UpdateInput();
    UpdateGui();
    UpdateGame();
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
  const std::vector<std::string>& log = GetLogMessages();
  if (log.empty()) {
    DeleteDataFile(TFolderKind::User, "Log", TExtKind::Txt);
    return 0;
  }
  std::string bytes;
  for (const std::string& line : log) bytes += line + "\r\n";
  auto file = CreateDataFile(TFolderKind::User, "Log", TExtKind::Txt);
  if (!file->Write(bytes)) throw EError("Unable to write file \"" + file->Path() + "\"");
  return log.size();
}

// Returns how many of the log's messages reached the log file.
size_t ShutDown() {
  if (!State.CommandLine.ScreenshotFile.empty() && !LastFrame.Rgba.empty()) {
    if (!WritePngRgba(State.CommandLine.ScreenshotFile, LastFrame.Width, LastFrame.Height, LastFrame.Rgba)) {
      AddLogMessage("Unable to create file \"" + State.CommandLine.ScreenshotFile + "\"");
    }
  }
  SaveGameBeforeShutdown();
  size_t written = 0;
  try {
    written = WriteLogFile();
  } catch (const EError& e) {
    // An unwritable user folder: the messages are reported below instead of being lost.
    AddLogMessage(e.what());
  }
  State.Running = false;
  State.Active = false;
  State.Initialized = false;
  try {
    Modules.Stop();
  } catch (const EError& e) {
    AddLogMessage(e.what());
  }
  return written;
}

}  // namespace

TModuleTable GameModules() {
  return {
      // Without "-language" the game speaks the language of the user's locale when it can.
      {"Folders",
       [] {
         SetUseSystemLanguage(!State.CommandLine.LanguageGiven);
         InitFolders();
         // From now on a crash leaves its report where the log goes.
         if (FoldersReady()) SetCrashReportPath(DataFilePath(TFolderKind::User, "Log", TExtKind::Txt));
         // The language chosen in the options comes before the locale's; "-language" before both.
         LoadUserSettings();
         const std::string& chosen = UserSettings().Language;
         const std::string& program = FolderPath(TFolderKind::Program);
         if (!State.CommandLine.LanguageGiven && !chosen.empty() && DirectoryExists(program + "Languages/" + chosen)) {
           SetLanguageName(chosen);
           SetFolderPath(TFolderKind::Language, LanguageFolderOf(program, chosen));
         }
       },
       [] {
         ClearUserSettings();
         SetCrashReportPath({});
         DoneFolders();
       }},
      {"Timer",
       [] {
         InitTimer();
         if (State.CommandLine.FixedDt > 0) SetFixedFrameTime(State.CommandLine.FixedDt);
       },
       DoneTimer},
      {"InputScript",
       [] {
         if (!State.CommandLine.GuiTraceFile.empty()) StartGuiTrace(State.CommandLine.GuiTraceFile);
         if (!State.CommandLine.FrameLogFile.empty() && !StartFrameLog(State.CommandLine.FrameLogFile)) {
           AddLogMessage("Unable to create file \"" + State.CommandLine.FrameLogFile + "\"");
         }
         if (State.CommandLine.InputFile.empty()) return;
         try {
           LoadInputScript(State.CommandLine.InputFile);
         } catch (const EScriptLineError& e) {
           // A script that cannot be read fails loudly, as a failing script does, not as a crash.
           std::fprintf(stderr, "%s\n", e.what());
           EndRun(ScriptFailureExitCode);
         }
       },
       [] {
         StopFrameLog();
         ClearInputScript();
       }},
      // The window, and what the engine asks of it (size, full screen, caption, default texts).
      {"Window",
       [] {
         CreateMainWindow();
         InstallEngineHooks();
       },
       [] {
         ClearEngineHooks();
         DestroyMainWindow();
       }},
      // Input: nothing to prepare.
      // The relocalisation hook belongs to the screens that install it; it goes with the table.
      {"Script", InitTexts,
       [] {
         SetRelocalizeHook(nullptr);
         FreeTexts();
       }},
      {"Audio", AudioStartup, AudioShutdown},
      {"Video",
       [] {
         SetSegmentNameRules(MayHaveSegments, AlternativeSegmentsName);
         VideoStartup();
         SetWindowVideoHooks({[] { ResetVideo(); }, CaptureVideoStill, PaintVideoStill});
         InstallPoolTextureLoader();
       },
       [] {
         RemovePoolTextureLoader();
         SetWindowVideoHooks({});
         VideoShutdown();
         SetVideoOptions({});
         SetSegmentNameRules(nullptr, nullptr);
       }},
      {"Texts", TextsStartup, TextsShutdown},
      {"Screenshot", KeepPresentedFrames, [] { GfxSetPresentObserver(nullptr); }},
      {"Effects",
       [] {
         EffectsStartup();
         InstallPoolEffectLoader();
       },
       [] {
         RemovePoolEffectLoader();
         EffectsShutdown();
       }},
      // The game model: the asset pool, the scenario and the players (a failed save is logged).
      {"Game", CreateGame, DestroyGame},
      // The screen manager reads the input module's keys and mouse; the screens reach text input
      // and the display mode through their own hooks; then every screen is registered. Its
      // shutdown is not traced.
      {"Gui",
       [] {
         SetGuiInputHooks({&KeyDown, &KeyWasDown, &MousePosition, &IsMouseInside,
                           [] { return static_cast<int32_t>(LastInputDevice()); }});
         GuiStartup();
         InstallScreenHooks();
         RegisterScreens();
       },
       [] {
         StopGuiTrace();
         GuiShutdown();
         ClearScreenHooks();
       }},
  };
}

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

void RequestScreenshot(const std::string& Path) { LastFrame.Requested = Path; }

int Run(const std::vector<std::string>& Args) {
  State = TProcessState{};
  ResetProcessServices();
  ResetLocalization();
  LastFrame = TLastFrame{};
  TSingleInstance instance(InstanceChannelName());
  if (!instance.Acquire()) {
    instance.NotifyOwner();
    return 0;
  }
  SetWindowInstanceChannel(&instance);
  InstallCrashHandlers({}, WriteCrashHead);
  try {
    StartUp(Args);
    MainLoop();
  } catch (const EError& e) {
    if (e.what()[0] != '\0') AddLogMessage(e.what());
    if (GetErrorCode() == 0) SetErrorCode(1);
  } catch (const std::bad_alloc&) {
    // Anything else escaping the loop still ends in the same orderly shutdown and report.
    AddLogMessage("Out of memory");
    if (GetErrorCode() == 0) SetErrorCode(1);
  } catch (const std::exception& e) {
    AddLogMessage(e.what()[0] != '\0' ? e.what() : "Unexpected error");
    if (GetErrorCode() == 0) SetErrorCode(1);
  } catch (...) {
    AddLogMessage("Unexpected error");
    if (GetErrorCode() == 0) SetErrorCode(1);
  }
  const size_t written = ShutDown();
  SetWindowInstanceChannel(nullptr);
  const int32_t error = GetErrorCode();
  const int32_t code = error != 0 ? error : State.ExitCode;
  EndGuiTrace(code);
  const std::vector<std::string>& log = GetLogMessages();
  if (error != 0) {
    ShowMessage(ReportText(error, log));
  } else {
    // Messages that never reached the log file (it could not be written, or they arose while the
    // subsystems shut down) go to the standard error rather than nowhere.
    for (size_t i = written; i < log.size(); ++i) std::fprintf(stderr, "%s\n", log[i].c_str());
    if (!GetOpenAtExit().empty()) OpenDocument(GetOpenAtExit());
  }
  ClearLogMessages();
  RemoveCrashHandlers();
  return code;
}

}  // namespace tv
