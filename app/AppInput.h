// The per-frame keyboard and mouse state the GUI reads, and the one-line text input service.
#pragma once

#include <cstdint>
#include <string>

#include "base/AppNumeric.h"

namespace tv {

enum TLogicalKey : int32_t {
  KeyClick = 0,
  KeyCancel = 1,
  KeyConfirm = 2,
  KeyToggleFullScreen = 3,
  KeyHint = 4,
  KeyInventory = 5,
  KeyMap = 6,
  // Moving the focus and using it, from the keyboard (arrows while no text is typed, Tab and
  // Shift+Tab, Page Up and Page Down, Return and Space while no text is typed) or a controller
  // (d-pad or left stick, A, the shoulder buttons). B and Start count as Cancel.
  KeyFocusUp = 7,
  KeyFocusDown = 8,
  KeyFocusLeft = 9,
  KeyFocusRight = 10,
  KeyFocusNext = 11,
  KeyFocusPrevious = 12,
  KeyActivate = 13,
  KeyPageNext = 14,
  KeyPagePrevious = 15,
  LogicalKeyCount = 16,
};

// Where the last input came from: the mouse (it moved or clicked), the keyboard (a key that moves
// or uses the focus) or a game controller (any button or a stick pushed past half way). Typing and
// the shortcut keys leave it as it was.
enum class TInputDevice : int32_t { Mouse = 0, Keyboard = 1, Pad = 2 };
TInputDevice LastInputDevice();
// How far a stick must be pushed to count as a direction.
constexpr float StickThreshold = 0.5f;

void ReadSwapButtons();
void UpdateInput();
void ResetInput();
void ClearInput();
bool KeyDown(int32_t Index);
bool KeyWasDown(int32_t Index);
bool KeyPressed(int32_t Index);
TVector MousePosition();
bool IsMouseInside();

// The size of the screen canvas in design units; the video device sets it, and until it does the
// 1600 x 900 design screen extended to the client area's aspect is used.
void SetScreenCanvasSize(TVector Size);
TVector ScreenCanvasSize();

// Text input service.
void BeginTextInput(const std::string& Text, int32_t MaxLength, bool MultiLine, bool KeySound, bool NameFilter);
void EnableTextInput();
bool TextInputActive();
void TextInputKey(uint8_t Code);
const std::string& GetTextInput();
int32_t GetTextInputCursor();
void StoreTextInput();
bool HasStoredText();
void InsertStoredText();
void ClearTextInput();
std::string EndTextInput();
void ResetTextInput();
// The name filter's clean-up on a text (spaces and full stops that a file name cannot begin,
// end or double with).
std::string CleanUpName(std::string Text);

}  // namespace tv
