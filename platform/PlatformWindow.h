// The one SDL window with its OpenGL 3.3 core context, its events turned into the window
// messages the application handles, and the keyboard and mouse state kept from those events.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <SDL.h>

namespace tv {

enum class TWindowMessageKind {
  None,
  Activate,    // the window gained the focus or was restored
  Deactivate,  // the window lost the focus
  Minimize,    // the window was minimised
  Close,       // the close box, or the system asked the program to quit
  Paint,       // part of the window must be painted again
  KeyDown,     // Key holds the SDL key code
  Character,   // Char holds one UTF-16 code unit of typed text
  SizeMoveBegin,
  SizeMoveEnd,
};

struct TWindowMessage {
  TWindowMessageKind Kind = TWindowMessageKind::None;
  SDL_Keycode Key = 0;
  char16_t Char = 0;
};

struct TDisplaySize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// Opens SDL's video subsystem, the window (hidden until placed) and its GL context. On failure
// returns false with the reason in Error; the window may exist without a GL context, which
// HasGLContext tells.
bool PlatformOpenWindow(const std::string& Caption, std::string& Error);
void PlatformCloseWindow();
bool PlatformWindowExists();
bool HasGLContext();
SDL_Window* PlatformWindowHandle();

// The desktop's current display mode ($TOLVAREN_DESKTOP=WxH overrides it, for tests).
TDisplaySize DesktopSize();
// Desktop full screen, or a window of the given client size centred on the desktop.
void PlatformPlaceWindow(bool FullScreen, int32_t ClientWidth, int32_t ClientHeight);
void PlatformSetCaption(const std::u16string& Caption);
// Brings the window to the front (shown minimised, then restored).
void PlatformRaiseWindow();

// Takes the next message; with Wait the call sleeps until one arrives or TimeoutMs passes.
// Input events update the key and mouse state as they pass.
bool PlatformNextMessage(TWindowMessage& Message, bool Wait, int TimeoutMs);
// Puts an event into the queue as if the system had sent it (scripted input).
void PlatformInjectEvent(const SDL_Event& Event);

// State as of the events taken so far.
bool PlatformKeyDown(SDL_Scancode Key);
bool PlatformMouseButtonDown(int Button);  // SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT
void PlatformMousePosition(int32_t& X, int32_t& Y);
bool PlatformMouseSeen();
// Whether the system swaps the primary and secondary mouse buttons (tests may set it).
bool PlatformSwapButtons();
void PlatformSetSwapButtons(bool Swapped);
void PlatformClearInputState();

// Clears the default frame buffer to black and presents it (until a video device draws).
void PlatformPresentBlack();
void PlatformSwap();
// Reads the default frame buffer back as top-down RGBA rows; empty without a GL context.
std::vector<uint8_t> PlatformReadFrame(int32_t& Width, int32_t& Height);

}  // namespace tv
