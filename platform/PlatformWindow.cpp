#include "platform/PlatformWindowSdl.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <utility>
#include <vector>

#include "platform/PlatformSystem.h"

namespace tv {

// Our key numbers are the ones SDL uses, so events pass through unchanged.
static_assert(ScanH == SDL_SCANCODE_H && ScanI == SDL_SCANCODE_I && ScanM == SDL_SCANCODE_M);
static_assert(ScanTab == SDL_SCANCODE_TAB && ScanPageUp == SDL_SCANCODE_PAGEUP &&
              ScanPageDown == SDL_SCANCODE_PAGEDOWN);
static_assert(ScanRight == SDL_SCANCODE_RIGHT && ScanLeft == SDL_SCANCODE_LEFT && ScanDown == SDL_SCANCODE_DOWN &&
              ScanUp == SDL_SCANCODE_UP);
static_assert(ScanLeftShift == SDL_SCANCODE_LSHIFT && ScanRightShift == SDL_SCANCODE_RSHIFT);
static_assert(PadA == SDL_CONTROLLER_BUTTON_A && PadB == SDL_CONTROLLER_BUTTON_B &&
              PadStart == SDL_CONTROLLER_BUTTON_START && PadLeftShoulder == SDL_CONTROLLER_BUTTON_LEFTSHOULDER &&
              PadUp == SDL_CONTROLLER_BUTTON_DPAD_UP && PadRight == SDL_CONTROLLER_BUTTON_DPAD_RIGHT &&
              PadButtonCount == SDL_CONTROLLER_BUTTON_MISC1);
static_assert(PadLeftX == SDL_CONTROLLER_AXIS_LEFTX && PadLeftY == SDL_CONTROLLER_AXIS_LEFTY &&
              PadAxisCount == SDL_CONTROLLER_AXIS_MAX);
static_assert(ScanReturn == SDL_SCANCODE_RETURN && ScanEscape == SDL_SCANCODE_ESCAPE &&
              ScanSpace == SDL_SCANCODE_SPACE);
static_assert(ScanF1 == SDL_SCANCODE_F1 && ScanF11 == SDL_SCANCODE_F11 && ScanKeypadEnter == SDL_SCANCODE_KP_ENTER);
static_assert(ScanLeftCtrl == SDL_SCANCODE_LCTRL && ScanLeftAlt == SDL_SCANCODE_LALT &&
              ScanLeftGui == SDL_SCANCODE_LGUI);
static_assert(ScanRightCtrl == SDL_SCANCODE_RCTRL && ScanRightAlt == SDL_SCANCODE_RALT &&
              ScanRightGui == SDL_SCANCODE_RGUI);
static_assert(ScanCodeCount == SDL_NUM_SCANCODES);
static_assert(KeyCodeBackspace == SDLK_BACKSPACE && KeyCodeReturn == SDLK_RETURN && KeyCodeDelete == SDLK_DELETE);
static_assert(KeyCodeRight == SDLK_RIGHT && KeyCodeLeft == SDLK_LEFT && KeyCodeKeypadEnter == SDLK_KP_ENTER);
static_assert(MouseButtonLeft == SDL_BUTTON_LEFT && MouseButtonRight == SDL_BUTTON_RIGHT);
static_assert(MaxInputTextBytes + 1 == sizeof(SDL_TextInputEvent{}.text));

namespace {

struct TPlatformWindowState {
  bool VideoStarted = false;
  SDL_Window* Window = nullptr;
  SDL_GLContext Context = nullptr;
  bool Keys[SDL_NUM_SCANCODES] = {};
  bool LeftButton = false;
  bool RightButton = false;
  int32_t MouseX = 0;
  int32_t MouseY = 0;
  bool MouseSeen = false;
  bool SwapButtons = false;
  bool PadsStarted = false;
  std::vector<SDL_GameController*> Pads;  // the controllers attached, opened as they came
  // Each button's state on each controller (a bit a controller), and the axes of the one that
  // moved last.
  uint32_t PadButtons[PadButtonCount] = {};
  float PadAxes[PadAxisCount] = {};
  int VirtualPadIndex = -1;
  SDL_Joystick* VirtualPad = nullptr;
  std::deque<TWindowMessage> Pending;                 // messages made from one event that carries several
  std::vector<std::pair<uint64_t, SDL_Event>> Later;  // injected events and their due tick (ms)
};

TPlatformWindowState Win;

// Turns one SDL event into the window messages it stands for, keeping the input state.
void TranslateEvent(const SDL_Event& e) {
  auto post = [](TWindowMessageKind kind) {
    TWindowMessage m;
    m.Kind = kind;
    Win.Pending.push_back(m);
  };
  switch (e.type) {
    case SDL_QUIT: post(TWindowMessageKind::Close); break;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED: post(TWindowMessageKind::Activate); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: post(TWindowMessageKind::Deactivate); break;
        case SDL_WINDOWEVENT_MINIMIZED: post(TWindowMessageKind::Minimize); break;
        case SDL_WINDOWEVENT_CLOSE: post(TWindowMessageKind::Close); break;
        case SDL_WINDOWEVENT_EXPOSED: post(TWindowMessageKind::Paint); break;
        case SDL_WINDOWEVENT_ENTER: Win.MouseSeen = true; break;
        default: break;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_Scancode code = e.key.keysym.scancode;
      if (code > SDL_SCANCODE_UNKNOWN && code < SDL_NUM_SCANCODES) Win.Keys[code] = e.type == SDL_KEYDOWN;
      if (e.type == SDL_KEYDOWN) {
        TWindowMessage m;
        m.Kind = TWindowMessageKind::KeyDown;
        m.Key = e.key.keysym.sym;
        Win.Pending.push_back(m);
      }
      break;
    }
    case SDL_TEXTINPUT: {
      for (char16_t unit : Utf8ToUtf16(e.text.text)) {
        TWindowMessage m;
        m.Kind = TWindowMessageKind::Character;
        m.Char = unit;
        Win.Pending.push_back(m);
      }
      break;
    }
    case SDL_MOUSEMOTION:
      Win.MouseX = e.motion.x;
      Win.MouseY = e.motion.y;
      Win.MouseSeen = true;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      if (e.button.button == SDL_BUTTON_LEFT) Win.LeftButton = down;
      if (e.button.button == SDL_BUTTON_RIGHT) Win.RightButton = down;
      Win.MouseX = e.button.x;
      Win.MouseY = e.button.y;
      break;
    }
    case SDL_CONTROLLERDEVICEADDED:
      if (SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which)) {
        if (std::find(Win.Pads.begin(), Win.Pads.end(), pad) == Win.Pads.end()) Win.Pads.push_back(pad);
      }
      break;
    case SDL_CONTROLLERDEVICEREMOVED: {
      SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which);
      const auto at = std::find(Win.Pads.begin(), Win.Pads.end(), pad);
      if (pad == nullptr || at == Win.Pads.end()) break;
      // Its buttons let go with it.
      const uint32_t bit = 1u << static_cast<uint32_t>(std::min<ptrdiff_t>(at - Win.Pads.begin(), 31));
      for (uint32_t& button : Win.PadButtons) button &= ~bit;
      Win.Pads.erase(at);
      SDL_GameControllerClose(pad);
      break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      if (e.cbutton.button >= PadButtonCount) break;
      const auto at = std::find(Win.Pads.begin(), Win.Pads.end(), SDL_GameControllerFromInstanceID(e.cbutton.which));
      if (at == Win.Pads.end()) break;
      const uint32_t bit = 1u << static_cast<uint32_t>(std::min<ptrdiff_t>(at - Win.Pads.begin(), 31));
      uint32_t& button = Win.PadButtons[e.cbutton.button];
      button = e.type == SDL_CONTROLLERBUTTONDOWN ? (button | bit) : (button & ~bit);
      break;
    }
    case SDL_CONTROLLERAXISMOTION:
      if (e.caxis.axis < PadAxisCount) {
        Win.PadAxes[e.caxis.axis] = std::max(-1.0f, static_cast<float>(e.caxis.value) / 32767.0f);
      }
      break;
    default: break;
  }
}

// Game controllers: SDL's mappings, those of $SDL_GAMECONTROLLERCONFIG (SDL reads it itself) and a
// mapping file beside the program. A system without controller support plays without them.
void StartPads() {
  if (Win.PadsStarted) return;
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
  Win.PadsStarted = true;
  std::string folder = ProgramFilePath();
  const size_t slash = folder.find_last_of("/\\");
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  const std::string mappings = folder + "gamecontrollerdb.txt";
  if (!folder.empty() && FileExists(mappings)) SDL_GameControllerAddMappingsFromFile(mappings.c_str());
}

void StopPads() {
  for (SDL_GameController* pad : Win.Pads) SDL_GameControllerClose(pad);
  Win.Pads.clear();
  if (Win.VirtualPad != nullptr) SDL_JoystickClose(Win.VirtualPad);
  if (Win.VirtualPadIndex >= 0) SDL_JoystickDetachVirtual(Win.VirtualPadIndex);
  Win.VirtualPad = nullptr;
  Win.VirtualPadIndex = -1;
  if (Win.PadsStarted) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  Win.PadsStarted = false;
}

}  // namespace

bool PlatformStartVideo(std::string& Error) {
  if (!Win.VideoStarted) {
    PlatformPrepareSdl();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
      Error = SDL_GetError();
      return false;
    }
    Win.VideoStarted = true;
    StartPads();
  }
  return true;
}

bool PlatformOpenWindow(const std::string& Caption, std::string& Error, int32_t Width, int32_t Height) {
  if (!PlatformStartVideo(Error)) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // Eight bits a colour channel, as the frame buffers the device draws into: without this the
  // off-screen driver picks the surface configuration closest to SDL's minimum (16 bits).
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  // Where the system scales windows (high-DPI screens), ask for a drawable of the screen's real
  // pixels rather than one stretched from the window's units.
  // Made at the size it will be placed at: the off-screen driver keeps the drawing surface of the
  // window's first size, whatever size the window is given later.
  Win.Window =
      SDL_CreateWindow(Caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, Width > 0 ? Width : 640,
                       Height > 0 ? Height : 360, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (Win.Window == nullptr) {
    Error = SDL_GetError();
    return false;
  }
  Win.Context = SDL_GL_CreateContext(Win.Window);
  if (Win.Context != nullptr) {
    SDL_GL_MakeCurrent(Win.Window, Win.Context);
    SDL_GL_SetSwapInterval(1);
  }
  return true;
}

void PlatformCloseWindow() {
  if (Win.Context != nullptr) SDL_GL_DeleteContext(Win.Context);
  if (Win.Window != nullptr) SDL_DestroyWindow(Win.Window);
  Win.Context = nullptr;
  Win.Window = nullptr;
  Win.Pending.clear();
  StopPads();
  if (Win.VideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  const bool swap = Win.SwapButtons;
  Win = TPlatformWindowState{};
  Win.SwapButtons = swap;
}

bool PlatformWindowExists() { return Win.Window != nullptr; }
bool HasGLContext() { return Win.Context != nullptr; }
SDL_Window* PlatformWindowHandle() { return Win.Window; }

namespace {
bool DesktopOverride(TDisplaySize& Size) {
  const char* over = std::getenv("TOLVAREN_DESKTOP");
  int w = 0;
  int h = 0;
  if (over == nullptr || std::sscanf(over, "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) return false;
  Size = {w, h};
  return true;
}
}  // namespace

TDisplaySize DesktopSize() {
  TDisplaySize over;
  if (DesktopOverride(over)) return over;
  SDL_DisplayMode mode{};
  const int display = Win.Window != nullptr ? std::max(SDL_GetWindowDisplayIndex(Win.Window), 0) : 0;
  if (SDL_GetDesktopDisplayMode(display, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return {1600, 900};
  return {mode.w, mode.h};
}

double PlatformSimulatedDpiScale() {
  const char* text = std::getenv("TOLVAREN_DPI_SCALE");
  if (text == nullptr || !Win.VideoStarted) return 1;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::string(driver) != "offscreen") return 1;
  char* end = nullptr;
  const double scale = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(scale >= 1 && scale <= 8)) return 1;
  return scale;
}

TDisplaySize PlatformDrawableSize() {
  if (Win.Window == nullptr) return {};
  int w = 0;
  int h = 0;
  SDL_GL_GetDrawableSize(Win.Window, &w, &h);
  if (w <= 0 || h <= 0) SDL_GetWindowSize(Win.Window, &w, &h);
  const double scale = PlatformSimulatedDpiScale();
  if (scale != 1) {
    // The offscreen driver's drawable is the window's size: scale the window's own size.
    SDL_GetWindowSize(Win.Window, &w, &h);
    w = static_cast<int>(std::lround(w * scale));
    h = static_cast<int>(std::lround(h * scale));
  }
  return {w, h};
}

void PlatformPlaceWindow(bool FullScreen, int32_t ClientWidth, int32_t ClientHeight) {
  if (Win.Window == nullptr) return;
  TDisplaySize over;
  if (FullScreen && (DesktopOverride(over) || !PlatformHasWindowManager(Win.Window))) {
    // A simulated desktop, or an X server without a window manager to grant the request: a
    // borderless window covering the desktop stands in for full screen.
    SDL_SetWindowFullscreen(Win.Window, 0);
    SDL_SetWindowBordered(Win.Window, SDL_FALSE);
    SDL_SetWindowSize(Win.Window, ClientWidth, ClientHeight);
    SDL_SetWindowPosition(Win.Window, 0, 0);
  } else if (FullScreen) {
    SDL_SetWindowFullscreen(Win.Window, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(Win.Window, 0);
    SDL_SetWindowBordered(Win.Window, SDL_TRUE);
    SDL_SetWindowResizable(Win.Window, SDL_FALSE);
    SDL_SetWindowSize(Win.Window, ClientWidth, ClientHeight);
    SDL_SetWindowPosition(Win.Window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  SDL_ShowWindow(Win.Window);
}

void PlatformMoveWindow(int32_t X, int32_t Y) {
  if (Win.Window != nullptr) SDL_SetWindowPosition(Win.Window, X, Y);
}

bool PlatformWindowPosition(int32_t& X, int32_t& Y) {
  if (Win.Window == nullptr) return false;
  int x = 0;
  int y = 0;
  SDL_GetWindowPosition(Win.Window, &x, &y);
  X = x;
  Y = y;
  return true;
}

void PlatformSetCaption(const std::u16string& Caption) {
  if (Win.Window != nullptr) SDL_SetWindowTitle(Win.Window, Utf16ToUtf8(Caption).c_str());
}

void PlatformRaiseWindow() {
  if (Win.Window == nullptr) return;
  SDL_MinimizeWindow(Win.Window);
  SDL_RestoreWindow(Win.Window);
  SDL_RaiseWindow(Win.Window);
}

namespace {
// Queues the delayed events that are due; returns the milliseconds until the next one (-1: none).
int64_t ReleaseDueEvents() {
  if (Win.Later.empty()) return -1;
  const uint64_t now = SDL_GetTicks64();
  int64_t next = -1;
  for (size_t i = 0; i < Win.Later.size();) {
    if (Win.Later[i].first <= now) {
      SDL_PushEvent(&Win.Later[i].second);
      Win.Later.erase(Win.Later.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    const auto wait = static_cast<int64_t>(Win.Later[i].first - now);
    if (next < 0 || wait < next) next = wait;
    ++i;
  }
  return next;
}
}  // namespace

bool PlatformNextMessage(TWindowMessage& Message, bool Wait, int TimeoutMs) {
  for (;;) {
    if (!Win.Pending.empty()) {
      Message = Win.Pending.front();
      Win.Pending.pop_front();
      return true;
    }
    if (!Win.VideoStarted) return false;
    const int64_t due = ReleaseDueEvents();
    if (due >= 0 && due < TimeoutMs) TimeoutMs = static_cast<int>(due) + 1;
    SDL_Event e;
    int got = Wait ? SDL_WaitEventTimeout(&e, TimeoutMs) : SDL_PollEvent(&e);
    if (got == 0 && Wait && !Win.Later.empty()) {
      // A delayed event may have fallen due during the wait.
      ReleaseDueEvents();
      got = SDL_PollEvent(&e);
    }
    if (got == 0) return false;
    TranslateEvent(e);
    Wait = false;  // one event arrived: take what it made, then only what is already waiting
  }
}

void PlatformInjectEvent(const SDL_Event& Event) {
  SDL_Event copy = Event;
  if (Win.VideoStarted) {
    SDL_PushEvent(&copy);
  } else {
    TranslateEvent(copy);
  }
}

namespace {
SDL_Event ToSdlEvent(const TInputEvent& Event) {
  SDL_Event e{};
  switch (Event.Kind) {
    case TInputEvent::TKind::MouseMove:
      e.type = SDL_MOUSEMOTION;
      e.motion.x = Event.X;
      e.motion.y = Event.Y;
      break;
    case TInputEvent::TKind::ButtonDown:
    case TInputEvent::TKind::ButtonUp: {
      const bool down = Event.Kind == TInputEvent::TKind::ButtonDown;
      e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      e.button.button = static_cast<uint8_t>(Event.Button);
      e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
      e.button.x = Event.X;
      e.button.y = Event.Y;
      break;
    }
    case TInputEvent::TKind::KeyDown:
    case TInputEvent::TKind::KeyUp: {
      const bool down = Event.Kind == TInputEvent::TKind::KeyDown;
      e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.scancode = static_cast<SDL_Scancode>(Event.Key);
      e.key.keysym.sym = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(Event.Key));
      break;
    }
    case TInputEvent::TKind::Text:
      e.type = SDL_TEXTINPUT;
      std::copy_n(Event.Text.begin(), std::min(Event.Text.size(), MaxInputTextBytes), e.text.text);
      break;
    case TInputEvent::TKind::Quit: e.type = SDL_QUIT; break;
    case TInputEvent::TKind::Minimize:
    case TInputEvent::TKind::Restore:
      e.type = SDL_WINDOWEVENT;
      e.window.windowID = Win.Window != nullptr ? SDL_GetWindowID(Win.Window) : 0;
      e.window.event =
          Event.Kind == TInputEvent::TKind::Minimize ? SDL_WINDOWEVENT_MINIMIZED : SDL_WINDOWEVENT_RESTORED;
      break;
  }
  return e;
}
}  // namespace

void PlatformInjectEvent(const TInputEvent& Event) { PlatformInjectEvent(ToSdlEvent(Event)); }

void PlatformInjectEventLater(const TInputEvent& Event, uint32_t DelayMs) {
  if (!Win.VideoStarted) {
    PlatformInjectEvent(Event);
    return;
  }
  Win.Later.emplace_back(SDL_GetTicks64() + DelayMs, ToSdlEvent(Event));
}

TScanCode PlatformScanCodeFromName(const std::string& Name) { return SDL_GetScancodeFromName(Name.c_str()); }

bool PlatformKeyDown(TScanCode Key) { return Key > SDL_SCANCODE_UNKNOWN && Key < SDL_NUM_SCANCODES && Win.Keys[Key]; }

bool PlatformMouseButtonDown(int Button) {
  if (Button == SDL_BUTTON_LEFT) return Win.LeftButton;
  if (Button == SDL_BUTTON_RIGHT) return Win.RightButton;
  return false;
}

void PlatformMousePosition(int32_t& X, int32_t& Y) {
  X = Win.MouseX;
  Y = Win.MouseY;
}

bool PlatformMouseSeen() { return Win.MouseSeen; }

bool PlatformPadButtonDown(int32_t Button) {
  return Button >= 0 && Button < PadButtonCount && Win.PadButtons[Button] != 0;
}
float PlatformPadAxis(int32_t Axis) { return Axis >= 0 && Axis < PadAxisCount ? Win.PadAxes[Axis] : 0.0f; }
int32_t PlatformPadCount() { return static_cast<int32_t>(Win.Pads.size()); }

int32_t PlatformPadButtonFromName(const std::string& Name) {
  const auto button = static_cast<int32_t>(SDL_GameControllerGetButtonFromString(Name.c_str()));
  return button >= 0 && button < PadButtonCount ? button : -1;
}

int32_t PlatformPadAxisFromName(const std::string& Name) {
  const auto axis = static_cast<int32_t>(SDL_GameControllerGetAxisFromString(Name.c_str()));
  return axis >= 0 && axis < PadAxisCount ? axis : -1;
}

bool PlatformAttachVirtualPad() {
  if (Win.VirtualPad != nullptr) return true;
  if (!Win.PadsStarted) return false;
  // A scripted run's window may never get the focus (headless): its controller is heard anyway.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  Win.VirtualPadIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, PadAxisCount, PadButtonCount, 0);
  if (Win.VirtualPadIndex < 0) return false;
  // Plugged in: the device-added event opens it as a controller when the events are next taken.
  Win.VirtualPad = SDL_JoystickOpen(Win.VirtualPadIndex);
  return Win.VirtualPad != nullptr;
}

void PlatformSetVirtualPadButton(int32_t Button, bool Down) {
  if (Win.VirtualPad != nullptr) SDL_JoystickSetVirtualButton(Win.VirtualPad, Button, Down ? 1 : 0);
}

void PlatformSetVirtualPadAxis(int32_t Axis, float Value) {
  if (Win.VirtualPad == nullptr) return;
  const float v = std::clamp(Value, -1.0f, 1.0f);
  const long raw = std::lround(v < 0 ? v * 32768.0f : v * 32767.0f);
  SDL_JoystickSetVirtualAxis(Win.VirtualPad, Axis, static_cast<Sint16>(std::clamp(raw, -32768L, 32767L)));
}
bool PlatformSwapButtons() { return Win.SwapButtons; }
void PlatformSetSwapButtons(bool Swapped) { Win.SwapButtons = Swapped; }

void PlatformClearInputState() {
  for (bool& key : Win.Keys) key = false;
  Win.LeftButton = Win.RightButton = false;
  for (uint32_t& button : Win.PadButtons) button = 0;
  for (float& axis : Win.PadAxes) axis = 0;
}

void PlatformPresentBlack() {
  if (Win.Context == nullptr) return;
  int w = 0;
  int h = 0;
  SDL_GL_GetDrawableSize(Win.Window, &w, &h);
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}

void PlatformSwap() {
  if (Win.Context != nullptr) SDL_GL_SwapWindow(Win.Window);
}

std::vector<uint8_t> PlatformReadFrame(int32_t& Width, int32_t& Height) {
  Width = Height = 0;
  if (Win.Context == nullptr) return {};
  int w = 0;
  int h = 0;
  SDL_GL_GetDrawableSize(Win.Window, &w, &h);
  if (w <= 0 || h <= 0) return {};
  std::vector<uint8_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  // GL rows run bottom-up; pictures are stored top-down.
  const size_t stride = static_cast<size_t>(w) * 4;
  std::vector<uint8_t> flipped(rows.size());
  for (int y = 0; y < h; ++y) {
    std::copy_n(rows.data() + static_cast<size_t>(h - 1 - y) * stride, stride,
                flipped.data() + static_cast<size_t>(y) * stride);
  }
  Width = w;
  Height = h;
  return flipped;
}

}  // namespace tv
