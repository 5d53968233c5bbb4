#include "app/AppInputScript.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <utility>
#include <vector>

#include "app/AppInput.h"
#include "app/AppMain.h"
#include "app/AppWindow.h"
#include "base/AppProcess.h"
#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"
#include "game/GameScreenNames.h"
#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GamePlayers.h"
#include "platform/PlatformWindow.h"

namespace tv {

namespace {

struct TScriptState {
  std::vector<TScriptLine> Lines;
  size_t Next = 0;
  bool Started = false;     // the next line has become due
  uint32_t StartFrame = 0;  // the frame in which it became due
  int32_t Step = 0;         // 1: a click or key waits for its release frame
  uint32_t LastDone = 0;    // the frame in which the previous line finished
  // The frames in which a click and a key line last let go (and which key): a press of the same
  // button or key in that frame would reach the input state together with the release, and the
  // release (and so the click) would be lost; a wait in that frame would still see the screens as
  // they were before the click or key.
  uint32_t ButtonReleasedIn = UINT32_MAX;
  uint32_t KeyReleasedIn = UINT32_MAX;
  TScanCode KeyReleased = ScanUnknown;
  uint32_t PadReleasedIn = UINT32_MAX;
  int PadReleased = -1;
  bool PadAttached = false;  // the virtual controller, attached for the first pad line
  // A steer line: its presses so far, the button or key held, and whether the last press along
  // the first axis failed to bring the focus nearer.
  uint32_t SteerPresses = 0;
  int SteerHeld = -1;
  float SteerDistance = -1;
  bool SteerOtherAxis = false;
  TVector ClickPoint{0, 0};  // where the running click pressed the button
  bool Failed = false;
  std::string Folder;  // the script's folder, for relative screenshot files
  // Dialogs by name: how often each entered the stack since the script was loaded, and how many
  // of those showings "wait shown" lines have taken.
  std::map<std::string, uint32_t> Shown;
  std::map<std::string, uint32_t> Taken;
  // Live reloads by file name, and how many of them "wait reload" lines have taken.
  std::map<std::string, uint32_t> Reloaded;
  std::map<std::string, uint32_t> ReloadsTaken;
  std::mt19937 Random;  // picks the controls of click-random
};

TScriptState Script;

struct TTraceState {
  std::FILE* File = nullptr;
};

TTraceState Trace;

uint32_t ParseCount(const std::string& Word, bool& Ok) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(Word.c_str(), &end, 10);
  Ok = !Word.empty() && Word[0] != '-' && Word[0] != '+' && *end == '\0' && value <= 0xFFFFFFFEul;
  return static_cast<uint32_t>(value);
}

void Inject(const TInputEvent& Event) { PlatformInjectEvent(Event); }

// Where the last scripted move put the mouse: a button injected in the same frame must be pressed
// there, not where the window last saw the mouse (the move is not pumped yet).
struct TInjectedMouse {
  bool Known = false;
  int32_t X = 0;
  int32_t Y = 0;
};
TInjectedMouse InjectedMouse;

void InjectMove(float X, float Y) {
  // Design units, (0, 0) at the centre, to window pixels.
  int32_t w = 0;
  int32_t h = 0;
  GetClientSize(w, h);
  const TVector canvas = ScreenCanvasSize();
  TInputEvent e;
  e.Kind = TInputEvent::TKind::MouseMove;
  e.X = static_cast<int32_t>(std::floor((X / canvas.X + 0.5f) * static_cast<float>(w)));
  e.Y = static_cast<int32_t>(std::floor((Y / canvas.Y + 0.5f) * static_cast<float>(h)));
  InjectedMouse = {true, e.X, e.Y};
  Inject(e);
}

void InjectButton(bool Down, int Button) {
  int32_t x = 0;
  int32_t y = 0;
  PlatformMousePosition(x, y);
  if (InjectedMouse.Known) {
    x = InjectedMouse.X;
    y = InjectedMouse.Y;
  }
  TInputEvent e;
  e.Kind = Down ? TInputEvent::TKind::ButtonDown : TInputEvent::TKind::ButtonUp;
  e.Button = Button;
  e.X = x;
  e.Y = y;
  Inject(e);
}

void InjectKey(bool Down, TScanCode Key) {
  TInputEvent e;
  e.Kind = Down ? TInputEvent::TKind::KeyDown : TInputEvent::TKind::KeyUp;
  e.Key = Key;
  Inject(e);
}

// "Menu (ready), controls: Play, Options (disabled), Secret (hidden)".
std::string DescribeTarget() {
  TGuiForm* target = InputTarget();
  if (target == nullptr) return "input target none";
  std::string text =
      "input target " + target->Name + (InputTargetReady() ? " (ready)" : " (not ready)") + ", controls:";
  bool any = false;
  for (TItem* item : target->Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (c->Name.empty()) continue;
    text += any ? ", " : " ";
    any = true;
    text += c->Name;
    if (!c->Visible) {
      text += " (hidden)";
    } else if (!c->Enabled) {
      text += " (disabled)";
    }
  }
  if (!any) text += " none";
  for (char& ch : text) {
    if (ch == '\n' || ch == '\r') ch = ' ';
  }
  return text;
}

// A point of Control where the hit test picks it, with a few units to spare on every side (the
// mouse lands on a whole window pixel): its centre when nothing covers it there, else the free
// point of its box nearest the centre. False when another control covers all of it.
bool FindClickPoint(TGuiControl* Control, TVector& Point) {
  const TVector centre = Control->ScreenCenter();
  const auto free = [Control](TVector P) {
    constexpr float Spare = 3;
    const TVector around[] = {{0, 0}, {Spare, 0}, {-Spare, 0}, {0, Spare}, {0, -Spare}};
    for (const TVector& d : around) {
      if (ControlAt({P.X + d.X, P.Y + d.Y}) != Control) return false;
    }
    return true;
  };
  if (free(centre)) {
    Point = centre;
    return true;
  }
  constexpr int Steps = 8;
  float best = -1;
  for (int i = -Steps; i <= Steps; ++i) {
    for (int j = -Steps; j <= Steps; ++j) {
      const TVector p{centre.X + Control->Size.X * static_cast<float>(i) / (2 * Steps),
                      centre.Y + Control->Size.Y * static_cast<float>(j) / (2 * Steps)};
      const float distance = static_cast<float>(i * i + j * j);
      if ((best < 0 || distance < best) && free(p)) {
        best = distance;
        Point = p;
      }
    }
  }
  return best >= 0;
}

void Fail(const std::string& What) {
  Script.Failed = true;
  std::fprintf(stderr, "Input script failed at frame %u: %s; %s\n", GetFrameNumber(), What.c_str(),
               DescribeTarget().c_str());
  std::fflush(stderr);
  EndRun(ScriptFailureExitCode);
}

void Finish(uint32_t Frame) {
  Script.LastDone = Frame;
  ++Script.Next;
  Script.Started = false;
  Script.Step = 0;
}

const char* WaitWhat(const TScriptLine& L) {
  switch (L.What) {
    case TScriptLine::Kind::WaitForm: return "form";
    case TScriptLine::Kind::WaitDialog: return "dialog";
    case TScriptLine::Kind::WaitControl: return "control";
    case TScriptLine::Kind::WaitShown: return "shown";
    case TScriptLine::Kind::WaitIdle: return "idle";
    case TScriptLine::Kind::WaitReload: return "reload";
    case TScriptLine::Kind::WaitFocus: return "focus";
    default: return "ready";
  }
}

// True when the line's wait is over.
bool WaitOver(const TScriptLine& L) {
  switch (L.What) {
    case TScriptLine::Kind::WaitForm: return CurrentForm() != nullptr && CurrentForm()->Name == L.Text;
    case TScriptLine::Kind::WaitDialog: return TopDialog() != nullptr && TopDialog()->Name == L.Text;
    case TScriptLine::Kind::WaitControl: return InputTargetReady() && FindUsableControl(L.Text) != nullptr;
    case TScriptLine::Kind::WaitShown: return Script.Shown[L.Text] > Script.Taken[L.Text];
    case TScriptLine::Kind::WaitReload: return Script.Reloaded[L.Text] > Script.ReloadsTaken[L.Text];
    case TScriptLine::Kind::WaitFocus:
      return InputTargetReady() && FocusedControl() != nullptr && FocusedControl()->Name == L.Text;
    case TScriptLine::Kind::WaitIdle:
      return InputTargetReady() && TopDialog() == nullptr && Avatar() != nullptr && Avatar()->State == StateIdle;
    default: return InputTargetReady();
  }
}

// FNV-1a, 64 bits: names a save's contents in the trace (a test hashes the file the same way).
uint64_t Fnv1a64(const std::string& Bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (char c : Bytes) hash = (hash ^ static_cast<uint8_t>(c)) * 1099511628211ull;
  return hash;
}

void WriteTrace(const std::string& Body) {
  if (Trace.File == nullptr) return;
  std::fprintf(Trace.File, "{\"frame\": %u, %s}\n", GetFrameNumber(), Body.c_str());
  std::fflush(Trace.File);
}

// Told of every GUI happening while a trace is written or a script is played: counts the dialogs'
// showings for "wait shown" and writes the trace.
void Observe(TGuiHappening What, const std::string& Name, const std::string& In) {
  if (What == TGuiHappening::DialogShown && !Script.Lines.empty()) ++Script.Shown[Name];
  switch (What) {
    case TGuiHappening::FormShown: {
      // The play form says which region it shows.
      std::string line = "\"form\": " + JsonString(Name);
      const TRegion* region = Name == gui::FormPlay ? CurrentRegion() : nullptr;
      if (region != nullptr) line += ", \"region\": " + JsonString(region->Name);
      WriteTrace(line);
      break;
    }
    case TGuiHappening::DialogShown: WriteTrace("\"dialog\": " + JsonString(Name) + ", \"shown\": true"); break;
    case TGuiHappening::DialogHidden: WriteTrace("\"dialog\": " + JsonString(Name) + ", \"shown\": false"); break;
    case TGuiHappening::Click: WriteTrace("\"click\": " + JsonString(Name) + ", \"in\": " + JsonString(In)); break;
    case TGuiHappening::TransitionStart:
      WriteTrace("\"transition\": " + JsonString(Name) + ", \"phase\": \"start\"");
      break;
    case TGuiHappening::TransitionEnd:
      WriteTrace("\"transition\": " + JsonString(Name) + ", \"phase\": \"end\"");
      break;
    case TGuiHappening::Focus: WriteTrace("\"focus\": " + JsonString(Name)); break;
  }
}

void InstallObserver() { SetGuiObserver(Observe); }

// Attaches the virtual controller for the first line that needs it; true once the program has it.
bool PadReady(uint32_t Frame) {
  if (!Script.PadAttached) {
    if (!PlatformAttachVirtualPad()) {
      Fail("pad: no virtual controller can be attached");
      return false;
    }
    Script.PadAttached = true;
  }
  // The controller is plugged in once the program has opened it (the next events taken).
  if (PlatformPadCount() > 0) return true;
  if (Frame - Script.StartFrame >= DefaultWaitLimit) Fail("pad: the virtual controller never came");
  return false;
}

constexpr uint32_t MaxSteerPresses = 60;

float Distance(TVector A, TVector B) { return std::hypot(A.X - B.X, A.Y - B.Y); }

// The d-pad button that moves the focus towards the target.
int SteerButton(const TGuiControl* Focus, const TGuiControl* Target) {
  if (Focus == nullptr) return PadDown;  // the first press only shows the focus
  const TVector from = Focus->ScreenCenter();
  const TVector to = Target->ScreenCenter();
  const float dx = to.X - from.X;
  const float dy = to.Y - from.Y;
  const float distance = Distance(from, to);
  if (Script.SteerDistance >= 0 && distance >= Script.SteerDistance) Script.SteerOtherAxis = !Script.SteerOtherAxis;
  Script.SteerDistance = distance;
  bool across = std::fabs(dx) >= std::fabs(dy);
  if (Script.SteerOtherAxis && std::fabs(across ? dy : dx) >= 1) across = !across;
  if (across) return dx > 0 ? PadRight : PadLeft;
  return dy > 0 ? PadDown : PadUp;
}

}  // namespace

bool ParseInputScriptLine(const std::string& Source, TScriptLine& Out) {
  std::string line = Source;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::istringstream words(line);
  std::string first;
  if (!(words >> first) || first[0] == '#') return false;
  TScriptLine event;
  bool ok = false;
  std::string verb;
  if (first[0] == '+') {
    event.Relative = true;
    event.Frame = ParseCount(first.substr(1), ok);
    if (!ok) throw EError("expected a frame count after \"+\"");
    words >> verb;
  } else if (first[0] >= '0' && first[0] <= '9') {
    event.Frame = ParseCount(first, ok);
    if (!ok || event.Frame == 0) throw EError("expected a frame number from 1 or +N");
    words >> verb;
  } else {
    // A line without a frame follows the previous one at once ("+0").
    event.Relative = true;
    verb = first;
  }
  auto rest = [&] {
    std::string text;
    std::getline(words >> std::ws, text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
    return text;
  };
  auto noMore = [&] {
    std::string extra;
    if (words >> extra) throw EError("unexpected \"" + extra + "\"");
  };
  if (verb == "move") {
    event.What = TScriptLine::Kind::Move;
    if (!(words >> event.X >> event.Y)) throw EError("move needs X and Y");
    noMore();
  } else if (verb == "down" || verb == "up") {
    event.What = verb == "down" ? TScriptLine::Kind::ButtonDown : TScriptLine::Kind::ButtonUp;
    std::string button;
    words >> button;
    if (button == "left") {
      event.Button = MouseButtonLeft;
    } else if (button == "right") {
      event.Button = MouseButtonRight;
    } else {
      throw EError("button must be left or right");
    }
    noMore();
  } else if (verb == "keydown" || verb == "keyup" || verb == "key") {
    event.What = verb == "keydown" ? TScriptLine::Kind::KeyDown
                                   : (verb == "keyup" ? TScriptLine::Kind::KeyUp : TScriptLine::Kind::Key);
    const std::string name = rest();
    event.Key = PlatformScanCodeFromName(name);
    if (event.Key == ScanUnknown) throw EError("unknown key \"" + name + "\"");
  } else if (verb == "pad") {
    event.What = TScriptLine::Kind::Pad;
    std::string name;
    words >> name;
    event.Button = PlatformPadButtonFromName(name);
    if (event.Button < 0) throw EError("unknown controller button \"" + name + "\"");
    noMore();
  } else if (verb == "pad-axis") {
    event.What = TScriptLine::Kind::PadAxis;
    std::string name;
    words >> name;
    event.Button = PlatformPadAxisFromName(name);
    if (event.Button < 0) throw EError("unknown controller axis \"" + name + "\"");
    if (!(words >> event.X) || !(event.X >= -1 && event.X <= 1)) throw EError("pad-axis needs a value from -1 to 1");
    noMore();
  } else if (verb == "steer") {
    std::string how;
    words >> how;
    if (how != "pad" && how != "tab") throw EError("steer needs pad or tab");
    event.What = how == "pad" ? TScriptLine::Kind::SteerPad : TScriptLine::Kind::SteerTab;
    if (!(words >> event.Text)) throw EError("steer needs a control name");
    noMore();
  } else if (verb == "text") {
    event.What = TScriptLine::Kind::Text;
    std::getline(words >> std::noskipws, event.Text);
    if (!event.Text.empty() && event.Text[0] == ' ') event.Text.erase(0, 1);
    if (event.Text.empty() || event.Text.size() > MaxInputTextBytes) {
      throw EError("text must hold 1 to 31 bytes");
    }
  } else if (verb == "close") {
    event.What = TScriptLine::Kind::Close;
    noMore();
  } else if (verb == "click") {
    event.What = TScriptLine::Kind::Click;
    if (!(words >> event.Text)) throw EError("click needs a control name");
    noMore();
  } else if (verb == "screenshot") {
    event.What = TScriptLine::Kind::Screenshot;
    event.Text = rest();
    if (event.Text.empty()) throw EError("screenshot needs a file name");
  } else if (verb == "click-random") {
    event.What = TScriptLine::Kind::ClickRandom;
    noMore();
  } else if (verb == "minimize") {
    event.What = TScriptLine::Kind::Minimize;
    std::string ms;
    if (words >> ms) {
      event.Milliseconds = ParseCount(ms, ok);
      if (!ok || event.Milliseconds == 0 || event.Milliseconds > MaxMinimizedMs) {
        throw EError("minimize takes milliseconds from 1 to " + std::to_string(MaxMinimizedMs));
      }
      noMore();
    }
  } else if (verb == "wait") {
    std::string what;
    words >> what;
    if (what == "form" || what == "dialog" || what == "control" || what == "shown" || what == "reload" ||
        what == "focus") {
      event.What = what == "form"      ? TScriptLine::Kind::WaitForm
                   : what == "dialog"  ? TScriptLine::Kind::WaitDialog
                   : what == "control" ? TScriptLine::Kind::WaitControl
                   : what == "reload"  ? TScriptLine::Kind::WaitReload
                   : what == "focus"   ? TScriptLine::Kind::WaitFocus
                                       : TScriptLine::Kind::WaitShown;
      if (!(words >> event.Text)) throw EError("wait " + what + " needs a name");
    } else if (what == "ready" || what == "idle") {
      event.What = what == "ready" ? TScriptLine::Kind::WaitReady : TScriptLine::Kind::WaitIdle;
    } else {
      throw EError("wait needs form, dialog, control, shown, reload, focus, ready or idle");
    }
    std::string limit;
    if (words >> limit) {
      event.Limit = ParseCount(limit, ok);
      if (!ok || event.Limit == 0) throw EError("the frame limit must be a number from 1");
      noMore();
    }
  } else {
    throw EError("unknown command \"" + verb + "\"");
  }
  Out = std::move(event);
  return true;
}

void LoadInputScript(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) throw EError("Unable to open file \"" + Path + "\"");
  ClearInputScript();
  Script.Folder = std::filesystem::path(Path).parent_path().string();
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    TScriptLine event;
    try {
      if (!ParseInputScriptLine(line, event)) continue;
    } catch (const EError& e) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      throw EScriptLineError("Input script \"" + Path + "\" line " + std::to_string(lineNumber) + " \"" + line +
                             "\": " + e.what());
    }
    Script.Lines.push_back(std::move(event));
  }
  if (!Script.Lines.empty()) InstallObserver();
}

void ClearInputScript() {
  const bool observing = !Script.Lines.empty();
  Script = TScriptState{};
  Script.Random.seed(GetCommandLine().HasSeed ? GetCommandLine().Seed : 1u);
  InjectedMouse = TInjectedMouse{};
  // The observer stays while a trace is written (its own end removes it).
  if (observing && Trace.File == nullptr) SetGuiObserver(nullptr);
}

bool InputScriptDone() { return Script.Next >= Script.Lines.size(); }

void InjectScriptedInput(uint32_t Frame) {
  while (!Script.Failed && Script.Next < Script.Lines.size()) {
    const TScriptLine& s = Script.Lines[Script.Next];
    if (!Script.Started) {
      const uint64_t due = s.Relative ? static_cast<uint64_t>(Script.LastDone) + s.Frame : s.Frame;
      if (Frame < due) return;
      Script.Started = true;
      Script.StartFrame = Frame;
    }
    switch (s.What) {
      case TScriptLine::Kind::Move: InjectMove(s.X, s.Y); break;
      case TScriptLine::Kind::ButtonDown:
      case TScriptLine::Kind::ButtonUp: InjectButton(s.What == TScriptLine::Kind::ButtonDown, s.Button); break;
      case TScriptLine::Kind::KeyDown:
      case TScriptLine::Kind::KeyUp: InjectKey(s.What == TScriptLine::Kind::KeyDown, s.Key); break;
      case TScriptLine::Kind::Text: {
        TInputEvent e;
        e.Kind = TInputEvent::TKind::Text;
        e.Text = s.Text;
        Inject(e);
        break;
      }
      case TScriptLine::Kind::Close: {
        TInputEvent e;
        e.Kind = TInputEvent::TKind::Quit;
        Inject(e);
        break;
      }
      case TScriptLine::Kind::WaitForm:
      case TScriptLine::Kind::WaitDialog:
      case TScriptLine::Kind::WaitReady:
      case TScriptLine::Kind::WaitControl:
      case TScriptLine::Kind::WaitShown:
      case TScriptLine::Kind::WaitIdle:
      case TScriptLine::Kind::WaitReload:
      case TScriptLine::Kind::WaitFocus:
        // A click or key just let go is not yet seen by the screens: what the wait looks at is
        // still as it was before it, so the wait starts looking a frame later.
        if (Script.ButtonReleasedIn == Frame || Script.KeyReleasedIn == Frame || Script.PadReleasedIn == Frame) return;
        if (!WaitOver(s)) {
          if (Frame - Script.StartFrame >= s.Limit) {
            std::string what = std::string("wait ") + WaitWhat(s);
            if (!s.Text.empty()) what += " " + s.Text;
            Fail(what + " ran out after " + std::to_string(s.Limit) + " frames");
          }
          return;
        }
        if (s.What == TScriptLine::Kind::WaitShown) ++Script.Taken[s.Text];
        if (s.What == TScriptLine::Kind::WaitReload) ++Script.ReloadsTaken[s.Text];
        break;
      case TScriptLine::Kind::Screenshot: {
        WriteTrace("\"screenshot\": " + JsonString(s.Text));
        const std::filesystem::path file(s.Text);
        RequestScreenshot(file.is_absolute() || Script.Folder.empty()
                              ? file.string()
                              : (std::filesystem::path(Script.Folder) / file).string());
        break;
      }
      case TScriptLine::Kind::Click:
        if (Script.Step == 0) {
          if (Script.ButtonReleasedIn == Frame) return;
          TGuiControl* control = FindUsableControl(s.Text);
          if (control == nullptr) {
            Fail("click " + s.Text + ": no visible, enabled control of that name");
            return;
          }
          if (!FindClickPoint(control, Script.ClickPoint)) {
            Fail("click " + s.Text + ": other controls cover all of it");
            return;
          }
          InjectMove(Script.ClickPoint.X, Script.ClickPoint.Y);
          InjectButton(true, MouseButtonLeft);
          Script.Step = 1;
          return;
        }
        // Something may have moved over the pressed point since (the play screen's icons glide
        // in): the button is let go where the control still is, so the press stays on it.
        if (TGuiControl* control = FindUsableControl(s.Text)) {
          TVector point = Script.ClickPoint;
          if (ControlAt(point) != control && FindClickPoint(control, point)) InjectMove(point.X, point.Y);
        }
        InjectButton(false, MouseButtonLeft);
        Script.ButtonReleasedIn = Frame;
        break;
      case TScriptLine::Kind::ClickRandom:
        if (Script.Step == 0) {
          if (Script.ButtonReleasedIn == Frame) return;
          // The usable, named controls with a point no other control covers.
          std::vector<std::pair<TGuiControl*, TVector>> usable;
          TGuiForm* target = InputTarget();
          if (target != nullptr && InputTargetReady()) {
            for (TItem* item : target->Controls) {
              auto* c = static_cast<TGuiControl*>(item);
              TVector point{0, 0};
              if (!c->Name.empty() && c->Usable() && FindClickPoint(c, point)) usable.emplace_back(c, point);
            }
          }
          if (usable.empty()) break;
          Script.ClickPoint = usable[std::uniform_int_distribution<size_t>(0, usable.size() - 1)(Script.Random)].second;
          InjectMove(Script.ClickPoint.X, Script.ClickPoint.Y);
          InjectButton(true, MouseButtonLeft);
          Script.Step = 1;
          return;
        }
        InjectButton(false, MouseButtonLeft);
        Script.ButtonReleasedIn = Frame;
        break;
      case TScriptLine::Kind::Minimize: {
        TInputEvent e;
        e.Kind = TInputEvent::TKind::Minimize;
        Inject(e);
        e.Kind = TInputEvent::TKind::Restore;
        PlatformInjectEventLater(e, s.Milliseconds);
        break;
      }
      case TScriptLine::Kind::SteerPad:
      case TScriptLine::Kind::SteerTab: {
        const bool pad = s.What == TScriptLine::Kind::SteerPad;
        if (pad && !PadReady(Frame)) return;
        if (Script.Step == 1) {
          // Let go of the press made in the previous frame, and look again a frame later.
          if (pad) {
            PlatformSetVirtualPadButton(Script.SteerHeld, false);
            Script.PadReleasedIn = Frame;
            Script.PadReleased = Script.SteerHeld;
          } else {
            InjectKey(false, ScanTab);
            Script.KeyReleasedIn = Frame;
            Script.KeyReleased = ScanTab;
          }
          Script.Step = 2;
          return;
        }
        if (Script.Step == 2) {
          Script.Step = 0;
          return;
        }
        TGuiControl* target = FindUsableControl(s.Text);
        TGuiControl* focus = FocusedControl();
        if (InputTargetReady() && target != nullptr && focus == target) {
          Script.SteerPresses = 0;
          Script.SteerDistance = -1;
          Script.SteerOtherAxis = false;
          break;
        }
        if (!InputTargetReady() || target == nullptr) {
          if (Frame - Script.StartFrame >= DefaultWaitLimit) Fail("steer " + s.Text + ": no such control to steer to");
          return;
        }
        if (++Script.SteerPresses > MaxSteerPresses) {
          Fail("steer " + s.Text + ": the focus did not get there in " + std::to_string(MaxSteerPresses) +
               " presses (it is on " + (focus != nullptr ? focus->Name : std::string("nothing")) + ")");
          return;
        }
        if (pad) {
          Script.SteerHeld = SteerButton(focus, target);
          PlatformSetVirtualPadButton(Script.SteerHeld, true);
        } else {
          // Shift+Tab when the target comes before the focus in the form's order would be quicker;
          // Tab alone goes round to every control.
          InjectKey(true, ScanTab);
        }
        Script.Step = 1;
        return;
      }
      case TScriptLine::Kind::Pad:
      case TScriptLine::Kind::PadAxis:
        if (!PadReady(Frame)) return;
        if (s.What == TScriptLine::Kind::PadAxis) {
          PlatformSetVirtualPadAxis(s.Button, s.X);
          break;
        }
        if (Script.Step == 0) {
          if (Script.PadReleasedIn == Frame && Script.PadReleased == s.Button) return;
          PlatformSetVirtualPadButton(s.Button, true);
          Script.Step = 1;
          return;
        }
        PlatformSetVirtualPadButton(s.Button, false);
        Script.PadReleasedIn = Frame;
        Script.PadReleased = s.Button;
        break;
      case TScriptLine::Kind::Key:
        if (Script.Step == 0) {
          if (Script.KeyReleasedIn == Frame && Script.KeyReleased == s.Key) return;
          InjectKey(true, s.Key);
          Script.Step = 1;
          return;
        }
        InjectKey(false, s.Key);
        Script.KeyReleasedIn = Frame;
        Script.KeyReleased = s.Key;
        break;
    }
    Finish(Frame);
  }
}

// ---- GUI trace ------------------------------------------------------------------------------

void StartGuiTrace(const std::string& Path) {
  EndGuiTrace(-1);
  if (Path.empty()) return;
  Trace.File = std::fopen(Path.c_str(), "wb");
  if (Trace.File == nullptr) throw EError("Unable to create file \"" + Path + "\"");
  InstallObserver();
  // Saves are traced until the very end, the one at shutdown included.
  SetSaveObserver([](TSaveStage Stage, const std::string& Bytes) {
    const char* stage = Stage == TSaveStage::Start ? "start" : (Stage == TSaveStage::Done ? "done" : "failed");
    char hash[24];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a64(Bytes)));
    WriteTrace(std::string("\"save\": \"") + stage + "\", \"size\": " + std::to_string(Bytes.size()) +
               ", \"hash\": \"" + hash + "\"");
  });
}

void TraceWindowState(bool Running) {
  WriteTrace(std::string("\"window\": ") + (Running ? "\"resumed\"" : "\"suspended\""));
}

void TraceReload(const std::string& File, const std::string& World, const std::string& Failure,
                 const std::vector<std::string>& Texts) {
  ++Script.Reloaded[File];
  std::string line = "\"reload\": " + JsonString(File);
  if (!Texts.empty()) {
    line += ", \"texts\": [";
    for (size_t i = 0; i < Texts.size(); ++i) line += (i > 0 ? ", " : "") + JsonString(Texts[i]);
    line += "]";
  }
  if (!Failure.empty()) {
    line += ", \"failed\": " + JsonString(Failure);
  } else if (!World.empty()) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a64(World)));
    line += ", \"world\": \"" + std::string(hash) + "\"";
  }
  WriteTrace(line);
}

void TraceLanguage(const std::string& Name, const std::string& From) {
  if (Trace.File == nullptr) return;
  std::string texts;
  auto add = [&](TGuiForm* Screen) {
    if (Screen == nullptr) return;
    for (TItem* item : Screen->Controls) {
      const auto* control = static_cast<const TGuiControl*>(item);
      // Texts from a key, and texts a screen composes itself (a welcome with the name).
      if (control->Name.empty() || (control->TextKey.empty() && control->Text.empty())) continue;
      texts += (texts.empty() ? "" : ", ") + JsonString(Screen->Name + "." + control->Name) + ": " +
               JsonString(control->Text);
    }
  };
  add(CurrentForm());
  for (int32_t slot = 1; slot <= 3; ++slot) add(DialogInSlot(slot));
  WriteTrace("\"language\": " + JsonString(Name) + ", \"from\": " + JsonString(From) + ", \"texts\": {" + texts + "}");
}

void StopGuiTrace() { SetGuiObserver(nullptr); }

void EndGuiTrace(int32_t ExitCode) {
  StopGuiTrace();
  SetSaveObserver(nullptr);
  if (Trace.File == nullptr) return;
  if (ExitCode >= 0) WriteTrace("\"exit\": " + std::to_string(ExitCode));
  std::fclose(Trace.File);
  Trace.File = nullptr;
}

}  // namespace tv
