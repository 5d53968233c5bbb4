// The one SDL window with its OpenGL 3.3 core context, its events turned into the window
// messages the application handles, and the keyboard and mouse state kept from those events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The window system's own window, handed on opaquely (for example to the sound device); only
// platform/ looks inside it.
struct SDL_Window;

namespace tv {

// Keys by their place on the keyboard, numbered as USB keyboards number them (0 for none).
using TScanCode = int32_t;
constexpr TScanCode ScanUnknown = 0;
constexpr TScanCode ScanH = 11;
constexpr TScanCode ScanI = 12;
constexpr TScanCode ScanM = 16;
constexpr TScanCode ScanReturn = 40;
constexpr TScanCode ScanEscape = 41;
constexpr TScanCode ScanTab = 43;
constexpr TScanCode ScanSpace = 44;
constexpr TScanCode ScanF1 = 58;
constexpr TScanCode ScanF11 = 68;
constexpr TScanCode ScanPageUp = 75;
constexpr TScanCode ScanPageDown = 78;
constexpr TScanCode ScanRight = 79;
constexpr TScanCode ScanLeft = 80;
constexpr TScanCode ScanDown = 81;
constexpr TScanCode ScanUp = 82;
constexpr TScanCode ScanKeypadEnter = 88;
constexpr TScanCode ScanLeftCtrl = 224;
constexpr TScanCode ScanLeftShift = 225;
constexpr TScanCode ScanLeftAlt = 226;
constexpr TScanCode ScanLeftGui = 227;
constexpr TScanCode ScanRightCtrl = 228;
constexpr TScanCode ScanRightShift = 229;
constexpr TScanCode ScanRightAlt = 230;
constexpr TScanCode ScanRightGui = 231;
constexpr TScanCode ScanCodeCount = 512;

// Keys by what they mean in the keyboard layout: the character they type, or for keys that type
// none, their scan code with bit 30 set.
using TKeyCode = int32_t;
constexpr TKeyCode KeyCodeBackspace = '\b';
constexpr TKeyCode KeyCodeReturn = '\r';
constexpr TKeyCode KeyCodeDelete = 0x7F;
constexpr TKeyCode KeyCodeRight = (1 << 30) | 79;
constexpr TKeyCode KeyCodeLeft = (1 << 30) | 80;
constexpr TKeyCode KeyCodeKeypadEnter = (1 << 30) | ScanKeypadEnter;

// Game controller buttons and axes, numbered as SDL's game-controller interface numbers them
// (a standard pad: A south, B east, X west, Y north).
constexpr int32_t PadA = 0;
constexpr int32_t PadB = 1;
constexpr int32_t PadX = 2;
constexpr int32_t PadY = 3;
constexpr int32_t PadBack = 4;
constexpr int32_t PadGuide = 5;
constexpr int32_t PadStart = 6;
constexpr int32_t PadLeftStick = 7;
constexpr int32_t PadRightStick = 8;
constexpr int32_t PadLeftShoulder = 9;
constexpr int32_t PadRightShoulder = 10;
constexpr int32_t PadUp = 11;
constexpr int32_t PadDown = 12;
constexpr int32_t PadLeft = 13;
constexpr int32_t PadRight = 14;
constexpr int32_t PadButtonCount = 15;
constexpr int32_t PadLeftX = 0;
constexpr int32_t PadLeftY = 1;
constexpr int32_t PadRightX = 2;
constexpr int32_t PadRightY = 3;
constexpr int32_t PadTriggerLeft = 4;
constexpr int32_t PadTriggerRight = 5;
constexpr int32_t PadAxisCount = 6;

// Mouse buttons.
constexpr int MouseButtonLeft = 1;
constexpr int MouseButtonRight = 3;

enum class TWindowMessageKind {
  None,
  Activate,    // the window gained the focus or was restored
  Deactivate,  // the window lost the focus
  Minimize,    // the window was minimised
  Close,       // the close box, or the system asked the program to quit
  Paint,       // part of the window must be painted again
  KeyDown,     // Key holds the key code
  Character,   // Char holds one UTF-16 code unit of typed text
  SizeMoveBegin,
  SizeMoveEnd,
};

struct TWindowMessage {
  TWindowMessageKind Kind = TWindowMessageKind::None;
  TKeyCode Key = 0;
  char16_t Char = 0;
};

struct TDisplaySize {
  int32_t Width = 0;
  int32_t Height = 0;
};

// Opens SDL's video subsystem (once), so that the desktop's size can be read before the window
// exists. False with the reason in Error.
bool PlatformStartVideo(std::string& Error);
// Opens SDL's video subsystem, the window (hidden until placed) of the given client size and its
// GL context. On failure returns false with the reason in Error; the window may exist without a
// GL context, which HasGLContext tells.
bool PlatformOpenWindow(const std::string& Caption, std::string& Error, int32_t Width = 640, int32_t Height = 360);
void PlatformCloseWindow();
bool PlatformWindowExists();
bool HasGLContext();
SDL_Window* PlatformWindowHandle();

// The desktop's current display mode ($TOLVAREN_DESKTOP=WxH overrides it, for tests).
TDisplaySize DesktopSize();
// The window's drawable in pixels. Window sizes and mouse positions are in the window system's
// units, which on a high-DPI screen are larger than pixels: the drawable is then larger than the
// window. With the offscreen video driver, $TOLVAREN_DPI_SCALE=S (from 1 to 8) simulates such a
// screen: the drawable reported is the window's size times S. {0, 0} without a window.
TDisplaySize PlatformDrawableSize();
// The simulated scale of $TOLVAREN_DPI_SCALE (1 when none applies).
double PlatformSimulatedDpiScale();
// Desktop full screen, or a window of the given client size centred on the desktop.
void PlatformPlaceWindow(bool FullScreen, int32_t ClientWidth, int32_t ClientHeight);
// Moves the window's client area's top left corner to X, Y on the desktop; and where it is now
// (false without a window).
void PlatformMoveWindow(int32_t X, int32_t Y);
bool PlatformWindowPosition(int32_t& X, int32_t& Y);
void PlatformSetCaption(const std::u16string& Caption);
// Brings the window to the front (shown minimised, then restored).
void PlatformRaiseWindow();

// Takes the next message; with Wait the call sleeps until one arrives or TimeoutMs passes.
// Input events update the key and mouse state as they pass.
bool PlatformNextMessage(TWindowMessage& Message, bool Wait, int TimeoutMs);
// An input event as the system would send it (scripted input, tests).
struct TInputEvent {
  // Minimize and Restore: the window was minimised or restored by the user.
  enum class TKind { MouseMove, ButtonDown, ButtonUp, KeyDown, KeyUp, Text, Quit, Minimize, Restore };
  TKind Kind = TKind::Quit;
  int32_t X = 0;  // MouseMove, ButtonDown, ButtonUp: window pixels
  int32_t Y = 0;
  int Button = 0;  // MouseButtonLeft, MouseButtonRight
  TScanCode Key = ScanUnknown;
  std::string Text;  // Text: UTF-8, 1 to MaxInputTextBytes bytes
};
constexpr size_t MaxInputTextBytes = 31;
// Puts an event into the queue as if the system had sent it.
void PlatformInjectEvent(const TInputEvent& Event);
// Puts an event into the queue once DelayMs milliseconds of real time have passed, also while the
// program sleeps waiting for messages (a restore that ends a minimised spell).
void PlatformInjectEventLater(const TInputEvent& Event, uint32_t DelayMs);
// The scan code of a key's name ("Return", "Escape", "F11", "H", "Left Alt", ...); ScanUnknown
// for a name no key has.
TScanCode PlatformScanCodeFromName(const std::string& Name);

// State as of the events taken so far.
bool PlatformKeyDown(TScanCode Key);
bool PlatformMouseButtonDown(int Button);  // MouseButtonLeft, MouseButtonRight
void PlatformMousePosition(int32_t& X, int32_t& Y);
bool PlatformMouseSeen();
// Game controllers, as of the events taken so far: a button down on any attached controller, an
// axis of the controller that moved last (-1 to 1), and how many controllers are attached.
// Controllers are opened as they are plugged in; SDL's own mappings serve, with those of
// $SDL_GAMECONTROLLERCONFIG and of a "gamecontrollerdb.txt" beside the program when present.
bool PlatformPadButtonDown(int32_t Button);
float PlatformPadAxis(int32_t Axis);
int32_t PlatformPadCount();
// A button or axis name of SDL's game-controller interface ("a", "dpup", "leftshoulder", "leftx")
// to its number; -1 for a name it does not know.
int32_t PlatformPadButtonFromName(const std::string& Name);
int32_t PlatformPadAxisFromName(const std::string& Name);
// A virtual controller (scripted input, tests): attached once, it is plugged in like a real one;
// its buttons and axes then change as if a player pressed and moved them. False when the system
// cannot attach one.
bool PlatformAttachVirtualPad();
void PlatformSetVirtualPadButton(int32_t Button, bool Down);
void PlatformSetVirtualPadAxis(int32_t Axis, float Value);
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
