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
  LogicalKeyCount = 7,
};

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
