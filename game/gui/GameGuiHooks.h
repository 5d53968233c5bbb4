// What the screens need from the program's input and window modules: the one-line text input
// service, the display mode and the mouse button. The program installs these hooks before the
// screens are registered; without them no text is typed, the display counts as full screen and
// the mouse button is never pressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/EngineGui.h"

namespace tv {

struct TGameGuiHooks {
  // Text input (see the input module): begin with a preset and a length limit, enable, end
  // (returns the cleaned-up line), the line and its 1-based cursor, and the one stored line.
  void (*BeginTextInput)(const std::string& Text, int32_t MaxLength, bool MultiLine, bool KeySound,
                         bool NameFilter) = nullptr;
  void (*EnableTextInput)() = nullptr;
  bool (*TextInputActive)() = nullptr;
  std::string (*EndTextInput)() = nullptr;
  const std::string& (*GetTextInput)() = nullptr;
  int32_t (*GetTextInputCursor)() = nullptr;
  void (*StoreTextInput)() = nullptr;
  bool (*HasStoredText)() = nullptr;
  void (*InsertStoredText)() = nullptr;
  void (*ClearTextInput)() = nullptr;
  // One edit as a key would make it: a character of the code page, or 8 (backspace).
  void (*TextInputKey)(uint8_t Code) = nullptr;
  // The display mode.
  bool (*IsFullScreen)() = nullptr;
  void (*SetFullScreen)(bool Value) = nullptr;
  // The languages the program has folders for, the one in use, and switching to another (false
  // when it could not: the language stays).
  std::vector<std::string> (*Languages)() = nullptr;
  std::string (*CurrentLanguage)() = nullptr;
  bool (*SetLanguage)(const std::string& Name) = nullptr;
  // The mouse button went down this frame, and the mouse in design units.
  bool (*ClickPressed)() = nullptr;
  TVector (*MousePosition)() = nullptr;
};
void SetGameGuiHooks(const TGameGuiHooks& Hooks);

// The hooked operations, each harmless without its hook.
namespace GuiInput {
void BeginTextInput(const std::string& Text, int32_t MaxLength, bool MultiLine, bool KeySound, bool NameFilter);
void EnableTextInput();
bool TextInputActive();
std::string EndTextInput();
const std::string& GetTextInput();
int32_t GetTextInputCursor();
void StoreTextInput();
bool HasStoredText();
void InsertStoredText();
void ClearTextInput();
void TextInputKey(uint8_t Code);
bool IsFullScreen();
void SetFullScreen(bool Value);
std::vector<std::string> Languages();
std::string CurrentLanguage();
bool SetLanguage(const std::string& Name);
bool ClickPressed();
TVector MousePosition();
}  // namespace GuiInput

}  // namespace tv
