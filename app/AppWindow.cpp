#include "app/AppWindow.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "app/AppInput.h"
#include "app/AppMain.h"
#include "base/AppFolders.h"
#include "base/AppSettings.h"
#include "engine/EngineScript.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

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

namespace {

// The client size on a desktop of that size: the remembered window's while windowed and it fits
// (each side at most the desktop's), else the usual one.
void ClientSizeOn(const TDisplaySize& Desktop, int32_t& Width, int32_t& Height) {
  WindowClientSizeFor(Window.FullScreen, Desktop.Width, Desktop.Height, Width, Height);
  const TUserSettings& settings = UserSettings();
  if (Window.FullScreen || !settings.HasWindow || Desktop.Width <= 0 || Desktop.Height <= 0) return;
  Width = std::min(settings.WindowWidth, Desktop.Width);
  Height = std::min(settings.WindowHeight, Desktop.Height);
}

// Keeps the window's place in the settings while it is a window (they are written when it changed).
void RememberWindowPlace() {
  if (Window.FullScreen || !PlatformWindowExists()) return;
  TUserSettings settings = UserSettings();
  if (!PlatformWindowPosition(settings.WindowX, settings.WindowY)) return;
  settings.HasWindow = true;
  settings.WindowWidth = Window.ClientWidth;
  settings.WindowHeight = Window.ClientHeight;
  StoreUserSettings(settings);
}

}  // namespace

void SetWindowVideoHooks(TWindowVideoHooks Hooks) { Window.Video = std::move(Hooks); }
void SetWindowInstanceChannel(TSingleInstance* Channel) { Window.Channel = Channel; }

void CreateMainWindow() {
  Window.FullScreen = !FlagExists(TFolderKind::User, "StartWindowed");
  Window.Created = true;
  std::string error;
  // The window is made at the size it is then placed at (see PlatformOpenWindow).
  int32_t width = 0;
  int32_t height = 0;
  if (PlatformStartVideo(error)) {
    ClientSizeOn(DesktopSize(), width, height);
  }
  if (!PlatformOpenWindow("Tolvaren", error, width, height)) {
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
  ClientSizeOn(desktop, width, height);
  // A window moved to a screen of another pixel density keeps its size but not its drawable.
  const TDisplaySize drawable = PlatformDrawableSize();
  if (!Force && width == Window.ClientWidth && height == Window.ClientHeight &&
      drawable.Width == Window.Drawable.Width && drawable.Height == Window.Drawable.Height) {
    return;
  }
  Window.ClientWidth = width;
  Window.ClientHeight = height;
  PlatformPlaceWindow(Window.FullScreen, width, height);
  const TUserSettings& settings = UserSettings();
  if (!Window.FullScreen && settings.HasWindow) {
    // Where the window was last, kept wholly on the desktop.
    PlatformMoveWindow(std::clamp(settings.WindowX, 0, std::max(0, desktop.Width - width)),
                       std::clamp(settings.WindowY, 0, std::max(0, desktop.Height - height)));
  }
  Window.Drawable = PlatformDrawableSize();
  if (Window.Video.SizeChanged) Window.Video.SizeChanged();
}

bool IsFullScreen() { return Window.FullScreen; }

void SetFullScreen(bool Value) {
  if (Value == Window.FullScreen) return;
  RememberWindowPlace();
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
    case TWindowMessageKind::Close: Terminate(); break;
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
          case KeyCodeLeft: TextInputKey(1); break;
          case KeyCodeRight: TextInputKey(2); break;
          case KeyCodeDelete: TextInputKey(3); break;
          // Keys that type a control character rather than text.
          case KeyCodeBackspace: TextInputKey(8); break;
          case KeyCodeReturn:
          case KeyCodeKeypadEnter: TextInputKey(13); break;
          default: break;
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
    case TWindowMessageKind::None: break;
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
  if (Window.Video.CaptureStill && !Window.Video.CaptureStill(Window.Still, Window.StillWidth, Window.StillHeight)) {
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
  if (Window.Created) RememberWindowPlace();
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
  Window = TWindowState{};
  Window.Video = hooks;
  Window.Channel = channel;
}

}  // namespace tv
