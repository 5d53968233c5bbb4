#include "app/AppWindow.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "app/AppInput.h"
#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "engine/EngineScript.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

struct TScriptedEvent {
  enum class Kind { Move, ButtonDown, ButtonUp, KeyDown, KeyUp, Text, Close };
  uint32_t Frame = 0;
  Kind What = Kind::Move;
  float X = 0;
  float Y = 0;
  int Button = 0;
  TScanCode Key = ScanUnknown;
  std::string Text;
};

struct TWindowState {
  bool Created = false;
  bool FullScreen = true;
  int32_t ClientWidth = 0;
  int32_t ClientHeight = 0;
  TDisplaySize Drawable;  // in pixels, as of the last placement
  std::vector<uint16_t> Still;
  int32_t StillWidth = 0;
  int32_t StillHeight = 0;
  TWindowVideoHooks Video;
  TSingleInstance* Channel = nullptr;
  std::vector<TScriptedEvent> Script;
  size_t ScriptNext = 0;
};

TWindowState Window;

}  // namespace

void WindowClientSizeFor(bool FullScreen, int32_t W, int32_t H, int32_t& Width, int32_t& Height) {
  if (FullScreen) {
    Width = W;
    Height = H;
    return;
  }
  double width = 0;
  if (static_cast<double>(W) / H <= 1600.0 / 900.0) {
    width = std::nearbyint(0.9 * W);
  } else {
    width = std::nearbyint(0.9 * H * 1600.0 / 900.0);
  }
  Width = MakeEven(static_cast<int32_t>(width));
  Height = static_cast<int32_t>(std::nearbyint(Width * 900.0 / 1600.0));
}

void SetWindowVideoHooks(TWindowVideoHooks Hooks) { Window.Video = std::move(Hooks); }
void SetWindowInstanceChannel(TSingleInstance* Channel) { Window.Channel = Channel; }

void CreateMainWindow() {
  Window.FullScreen = !FlagExists(TFolderKind::User, "StartWindowed");
  Window.Created = true;
  std::string error;
  if (!PlatformOpenWindow("Tolvaren", error)) {
    SetErrorCode(1);
    throw EError("Failed to create window\r(Error code: " + error + ")");
  }
  ApplyWindowMode(false);
}

void ApplyWindowMode(bool Force) {
  if (!PlatformWindowExists()) return;
  const TDisplaySize desktop = DesktopSize();
  int32_t width = 0;
  int32_t height = 0;
  WindowClientSizeFor(Window.FullScreen, desktop.Width, desktop.Height, width, height);
  // A window moved to a screen of another pixel density keeps its size but not its drawable.
  const TDisplaySize drawable = PlatformDrawableSize();
  if (!Force && width == Window.ClientWidth && height == Window.ClientHeight &&
      drawable.Width == Window.Drawable.Width && drawable.Height == Window.Drawable.Height) {
    return;
  }
  Window.ClientWidth = width;
  Window.ClientHeight = height;
  PlatformPlaceWindow(Window.FullScreen, width, height);
  Window.Drawable = PlatformDrawableSize();
  if (Window.Video.SizeChanged) Window.Video.SizeChanged();
}

bool IsFullScreen() { return Window.FullScreen; }

void SetFullScreen(bool Value) {
  if (Value == Window.FullScreen) return;
  Window.FullScreen = Value;
  ApplyWindowMode(true);
}

void GetClientSize(int32_t& Width, int32_t& Height) {
  Width = Window.ClientWidth;
  Height = Window.ClientHeight;
}

void GetDrawableSize(int32_t& Width, int32_t& Height) {
  if (Window.Drawable.Width > 0 && Window.Drawable.Height > 0) {
    Width = Window.Drawable.Width;
    Height = Window.Drawable.Height;
  } else {
    GetClientSize(Width, Height);
  }
}

void SetWindowCaption(const std::u16string& Text) { PlatformSetCaption(Text); }

void HandleWindowMessage(const TWindowMessage& Message) {
  switch (Message.Kind) {
    case TWindowMessageKind::Close:
      Terminate();
      break;
    case TWindowMessageKind::Activate:
      if (IsInitialized()) {
        Activate();
        Resume();
      }
      break;
    case TWindowMessageKind::Deactivate:
    case TWindowMessageKind::Minimize:
      if (IsInitialized()) {
        Suspend();
        Deactivate();
      }
      break;
    case TWindowMessageKind::Paint:
      if (!Window.Still.empty() && Window.Video.PaintStill) {
        Window.Video.PaintStill(Window.Still, Window.StillWidth, Window.StillHeight);
      }
      break;
    case TWindowMessageKind::KeyDown:
      if (IsRunning() && TextInputActive()) {
        switch (Message.Key) {
          case KeyCodeLeft:
            TextInputKey(1);
            break;
          case KeyCodeRight:
            TextInputKey(2);
            break;
          case KeyCodeDelete:
            TextInputKey(3);
            break;
          // Keys that type a control character rather than text.
          case KeyCodeBackspace:
            TextInputKey(8);
            break;
          case KeyCodeReturn:
          case KeyCodeKeypadEnter:
            TextInputKey(13);
            break;
          default:
            break;
        }
      }
      break;
    case TWindowMessageKind::Character:
      if (IsRunning() && TextInputActive()) {
        const TCodePage* page = CodePageTables(GetCodePage());
        if (page == nullptr) page = CodePageTables(1252);
        const char16_t unit = Message.Char;
        uint8_t byte = page != nullptr ? page->FromWide[unit] : 0;
        if (byte == 0 && unit != 0) byte = static_cast<uint8_t>(page != nullptr ? page->DefaultChar : '?');
        TextInputKey(byte);
      }
      break;
    case TWindowMessageKind::SizeMoveBegin:
      if (IsInitialized()) Suspend();
      break;
    case TWindowMessageKind::SizeMoveEnd:
      if (IsInitialized()) Resume();
      break;
    case TWindowMessageKind::None:
      break;
  }
}

void PumpMessages() {
  for (;;) {
    const bool sleep = !(IsActive() && IsRunning());
    TWindowMessage message;
    // While suspended the process sleeps in the wait; it wakes a few times a second only to see
    // whether a second copy asked for the window.
    bool got = PlatformNextMessage(message, sleep, 250);
    while (got) {
      HandleWindowMessage(message);
      if (IsTerminated()) return;
      got = PlatformNextMessage(message, false, 0);
    }
    if (Window.Channel != nullptr && Window.Channel->PollShowRequest()) PlatformRaiseWindow();
    if ((IsActive() && IsRunning()) || IsTerminated()) return;
  }
}

void CaptureStill() {
  Window.Still.clear();
  if (Window.Video.CaptureStill &&
      !Window.Video.CaptureStill(Window.Still, Window.StillWidth, Window.StillHeight)) {
    Window.Still.clear();
  }
  if (!Window.Still.empty() && Window.Video.PaintStill) {
    Window.Video.PaintStill(Window.Still, Window.StillWidth, Window.StillHeight);
  }
}

void ReleaseStill() {
  Window.Still.clear();
  Window.Still.shrink_to_fit();
}

bool HasStill() { return !Window.Still.empty(); }

void DestroyMainWindow() {
  ReleaseStill();
  PlatformCloseWindow();
  if (Window.Created) {
    // The mode survives the run: the flag is present exactly when the game ran in a window. A
    // user folder that cannot be written loses the setting, not the run.
    try {
      SetFlag(TFolderKind::User, "StartWindowed", !Window.FullScreen);
    } catch (const EError& e) {
      AddLogMessage(e.what());
    }
  }
  const TWindowVideoHooks hooks = Window.Video;
  TSingleInstance* channel = Window.Channel;
  std::vector<TScriptedEvent> script = std::move(Window.Script);
  const size_t next = Window.ScriptNext;
  Window = TWindowState{};
  Window.Video = hooks;
  Window.Channel = channel;
  Window.Script = std::move(script);
  Window.ScriptNext = next;
}

// ---- Scripted input -------------------------------------------------------------------------

void LoadInputScript(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) throw EError("Unable to open file \"" + Path + "\"");
  Window.Script.clear();
  Window.ScriptNext = 0;
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string first;
    if (!(words >> first) || first[0] == '#') continue;
    auto fail = [&](const std::string& why) {
      throw EError("Input script \"" + Path + "\" line " + std::to_string(lineNumber) + ": " + why);
    };
    TScriptedEvent event;
    char* end = nullptr;
    const unsigned long frame = std::strtoul(first.c_str(), &end, 10);
    if (*end != '\0' || frame == 0) fail("expected a frame number from 1");
    event.Frame = static_cast<uint32_t>(frame);
    std::string verb;
    words >> verb;
    if (verb == "move") {
      event.What = TScriptedEvent::Kind::Move;
      if (!(words >> event.X >> event.Y)) fail("move needs X and Y");
    } else if (verb == "down" || verb == "up") {
      event.What = verb == "down" ? TScriptedEvent::Kind::ButtonDown : TScriptedEvent::Kind::ButtonUp;
      std::string button;
      words >> button;
      if (button == "left") {
        event.Button = MouseButtonLeft;
      } else if (button == "right") {
        event.Button = MouseButtonRight;
      } else {
        fail("button must be left or right");
      }
    } else if (verb == "keydown" || verb == "keyup") {
      event.What = verb == "keydown" ? TScriptedEvent::Kind::KeyDown : TScriptedEvent::Kind::KeyUp;
      std::string name;
      std::getline(words >> std::ws, name);
      event.Key = PlatformScanCodeFromName(name);
      if (event.Key == ScanUnknown) fail("unknown key \"" + name + "\"");
    } else if (verb == "text") {
      event.What = TScriptedEvent::Kind::Text;
      std::getline(words >> std::noskipws, event.Text);
      if (!event.Text.empty() && event.Text[0] == ' ') event.Text.erase(0, 1);
      if (event.Text.empty() || event.Text.size() > MaxInputTextBytes) fail("text must hold 1 to 31 bytes");
    } else if (verb == "close") {
      event.What = TScriptedEvent::Kind::Close;
    } else {
      fail("unknown event \"" + verb + "\"");
    }
    Window.Script.push_back(event);
  }
}

void ClearInputScript() {
  Window.Script.clear();
  Window.ScriptNext = 0;
}

void InjectScriptedInput(uint32_t Frame) {
  while (Window.ScriptNext < Window.Script.size() && Window.Script[Window.ScriptNext].Frame <= Frame) {
    const TScriptedEvent& s = Window.Script[Window.ScriptNext++];
    TInputEvent e;
    switch (s.What) {
      case TScriptedEvent::Kind::Move: {
        // Design units, (0, 0) at the centre, to window pixels.
        const TVector canvas = ScreenCanvasSize();
        e.Kind = TInputEvent::TKind::MouseMove;
        e.X = static_cast<int32_t>(std::floor((s.X / canvas.X + 0.5f) * static_cast<float>(Window.ClientWidth)));
        e.Y = static_cast<int32_t>(std::floor((s.Y / canvas.Y + 0.5f) * static_cast<float>(Window.ClientHeight)));
        break;
      }
      case TScriptedEvent::Kind::ButtonDown:
      case TScriptedEvent::Kind::ButtonUp:
        e.Kind = s.What == TScriptedEvent::Kind::ButtonDown ? TInputEvent::TKind::ButtonDown : TInputEvent::TKind::ButtonUp;
        e.Button = s.Button;
        PlatformMousePosition(e.X, e.Y);
        break;
      case TScriptedEvent::Kind::KeyDown:
      case TScriptedEvent::Kind::KeyUp:
        e.Kind = s.What == TScriptedEvent::Kind::KeyDown ? TInputEvent::TKind::KeyDown : TInputEvent::TKind::KeyUp;
        e.Key = s.Key;
        break;
      case TScriptedEvent::Kind::Text:
        e.Kind = TInputEvent::TKind::Text;
        e.Text = s.Text;
        break;
      case TScriptedEvent::Kind::Close:
        e.Kind = TInputEvent::TKind::Quit;
        break;
    }
    PlatformInjectEvent(e);
  }
}

}  // namespace tv
