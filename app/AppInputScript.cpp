#include "app/AppInputScript.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/AppInput.h"
#include "app/AppMain.h"
#include "app/AppWindow.h"
#include "base/AppProcess.h"
#include "engine/EngineGui.h"
#include "game/GameHeadless.h"
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
  bool Failed = false;
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

void Inject(const SDL_Event& Event) { PlatformInjectEvent(Event); }

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
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.x = static_cast<int32_t>(std::floor((X / canvas.X + 0.5f) * static_cast<float>(w)));
  e.motion.y = static_cast<int32_t>(std::floor((Y / canvas.Y + 0.5f) * static_cast<float>(h)));
  InjectedMouse = {true, e.motion.x, e.motion.y};
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
  SDL_Event e{};
  e.type = Down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = static_cast<uint8_t>(Button);
  e.button.state = Down ? SDL_PRESSED : SDL_RELEASED;
  e.button.x = x;
  e.button.y = y;
  Inject(e);
}

void InjectKey(bool Down, SDL_Scancode Key) {
  SDL_Event e{};
  e.type = Down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = Down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = Key;
  e.key.keysym.sym = SDL_GetKeyFromScancode(Key);
  Inject(e);
}

// "Menu (ready), controls: Play, Options (disabled), Secret (hidden)".
std::string DescribeTarget() {
  TGuiForm* target = InputTarget();
  if (target == nullptr) return "input target none";
  std::string text = "input target " + target->Name + (InputTargetReady() ? " (ready)" : " (not ready)") + ", controls:";
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
    default: return "ready";
  }
}

// True when the line's wait is over.
bool WaitOver(const TScriptLine& L) {
  switch (L.What) {
    case TScriptLine::Kind::WaitForm: return CurrentForm() != nullptr && CurrentForm()->Name == L.Text;
    case TScriptLine::Kind::WaitDialog: return TopDialog() != nullptr && TopDialog()->Name == L.Text;
    default: return InputTargetReady();
  }
}

void WriteTrace(const std::string& Body) {
  if (Trace.File == nullptr) return;
  std::fprintf(Trace.File, "{\"frame\": %u, %s}\n", GetFrameNumber(), Body.c_str());
  std::fflush(Trace.File);
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
      event.Button = SDL_BUTTON_LEFT;
    } else if (button == "right") {
      event.Button = SDL_BUTTON_RIGHT;
    } else {
      throw EError("button must be left or right");
    }
    noMore();
  } else if (verb == "keydown" || verb == "keyup" || verb == "key") {
    event.What = verb == "keydown" ? TScriptLine::Kind::KeyDown
                                   : (verb == "keyup" ? TScriptLine::Kind::KeyUp : TScriptLine::Kind::Key);
    const std::string name = rest();
    event.Key = SDL_GetScancodeFromName(name.c_str());
    if (event.Key == SDL_SCANCODE_UNKNOWN) throw EError("unknown key \"" + name + "\"");
  } else if (verb == "text") {
    event.What = TScriptLine::Kind::Text;
    std::getline(words >> std::noskipws, event.Text);
    if (!event.Text.empty() && event.Text[0] == ' ') event.Text.erase(0, 1);
    if (event.Text.empty() || event.Text.size() >= sizeof(SDL_TextInputEvent{}.text)) {
      throw EError("text must hold 1 to 31 bytes");
    }
  } else if (verb == "close") {
    event.What = TScriptLine::Kind::Close;
    noMore();
  } else if (verb == "click") {
    event.What = TScriptLine::Kind::Click;
    if (!(words >> event.Text)) throw EError("click needs a control name");
    noMore();
  } else if (verb == "wait") {
    std::string what;
    words >> what;
    if (what == "form" || what == "dialog") {
      event.What = what == "form" ? TScriptLine::Kind::WaitForm : TScriptLine::Kind::WaitDialog;
      if (!(words >> event.Text)) throw EError("wait " + what + " needs a name");
    } else if (what == "ready") {
      event.What = TScriptLine::Kind::WaitReady;
    } else {
      throw EError("wait needs form, dialog or ready");
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
}

void ClearInputScript() {
  Script = TScriptState{};
  InjectedMouse = TInjectedMouse{};
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
      case TScriptLine::Kind::Move:
        InjectMove(s.X, s.Y);
        break;
      case TScriptLine::Kind::ButtonDown:
      case TScriptLine::Kind::ButtonUp:
        InjectButton(s.What == TScriptLine::Kind::ButtonDown, s.Button);
        break;
      case TScriptLine::Kind::KeyDown:
      case TScriptLine::Kind::KeyUp:
        InjectKey(s.What == TScriptLine::Kind::KeyDown, s.Key);
        break;
      case TScriptLine::Kind::Text: {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        std::copy(s.Text.begin(), s.Text.end(), e.text.text);
        Inject(e);
        break;
      }
      case TScriptLine::Kind::Close: {
        SDL_Event e{};
        e.type = SDL_QUIT;
        Inject(e);
        break;
      }
      case TScriptLine::Kind::WaitForm:
      case TScriptLine::Kind::WaitDialog:
      case TScriptLine::Kind::WaitReady:
        if (!WaitOver(s)) {
          if (Frame - Script.StartFrame >= s.Limit) {
            std::string what = std::string("wait ") + WaitWhat(s);
            if (!s.Text.empty()) what += " " + s.Text;
            Fail(what + " ran out after " + std::to_string(s.Limit) + " frames");
          }
          return;
        }
        break;
      case TScriptLine::Kind::Click:
        if (Script.Step == 0) {
          TGuiControl* control = FindUsableControl(s.Text);
          if (control == nullptr) {
            Fail("click " + s.Text + ": no visible, enabled control of that name");
            return;
          }
          const TVector centre = control->ScreenCenter();
          InjectMove(centre.X, centre.Y);
          InjectButton(true, SDL_BUTTON_LEFT);
          Script.Step = 1;
          return;
        }
        InjectButton(false, SDL_BUTTON_LEFT);
        break;
      case TScriptLine::Kind::Key:
        if (Script.Step == 0) {
          InjectKey(true, s.Key);
          Script.Step = 1;
          return;
        }
        InjectKey(false, s.Key);
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
  SetGuiObserver([](TGuiHappening What, const std::string& Name, const std::string& In) {
    switch (What) {
      case TGuiHappening::FormShown: WriteTrace("\"form\": " + JsonString(Name)); break;
      case TGuiHappening::DialogShown: WriteTrace("\"dialog\": " + JsonString(Name) + ", \"shown\": true"); break;
      case TGuiHappening::DialogHidden: WriteTrace("\"dialog\": " + JsonString(Name) + ", \"shown\": false"); break;
      case TGuiHappening::Click: WriteTrace("\"click\": " + JsonString(Name) + ", \"in\": " + JsonString(In)); break;
      case TGuiHappening::TransitionStart:
        WriteTrace("\"transition\": " + JsonString(Name) + ", \"phase\": \"start\"");
        break;
      case TGuiHappening::TransitionEnd:
        WriteTrace("\"transition\": " + JsonString(Name) + ", \"phase\": \"end\"");
        break;
    }
  });
}

void StopGuiTrace() { SetGuiObserver(nullptr); }

void EndGuiTrace(int32_t ExitCode) {
  StopGuiTrace();
  if (Trace.File == nullptr) return;
  if (ExitCode >= 0) WriteTrace("\"exit\": " + std::to_string(ExitCode));
  std::fclose(Trace.File);
  Trace.File = nullptr;
}

}  // namespace tv
