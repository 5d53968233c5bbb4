#include "game/gui/GameGuiHooks.h"

namespace tv {

namespace {
TGameGuiHooks Hooks;
const std::string NoText;
}  // namespace

void SetGameGuiHooks(const TGameGuiHooks& NewHooks) { Hooks = NewHooks; }

namespace GuiInput {

void BeginTextInput(const std::string& Text, int32_t MaxLength, bool MultiLine, bool KeySound, bool NameFilter) {
  if (Hooks.BeginTextInput != nullptr) Hooks.BeginTextInput(Text, MaxLength, MultiLine, KeySound, NameFilter);
}
void EnableTextInput() {
  if (Hooks.EnableTextInput != nullptr) Hooks.EnableTextInput();
}
bool TextInputActive() { return Hooks.TextInputActive != nullptr && Hooks.TextInputActive(); }
std::string EndTextInput() { return Hooks.EndTextInput != nullptr ? Hooks.EndTextInput() : std::string(); }
const std::string& GetTextInput() { return Hooks.GetTextInput != nullptr ? Hooks.GetTextInput() : NoText; }
int32_t GetTextInputCursor() { return Hooks.GetTextInputCursor != nullptr ? Hooks.GetTextInputCursor() : 1; }
void StoreTextInput() {
  if (Hooks.StoreTextInput != nullptr) Hooks.StoreTextInput();
}
bool HasStoredText() { return Hooks.HasStoredText != nullptr && Hooks.HasStoredText(); }
void InsertStoredText() {
  if (Hooks.InsertStoredText != nullptr) Hooks.InsertStoredText();
}
void ClearTextInput() {
  if (Hooks.ClearTextInput != nullptr) Hooks.ClearTextInput();
}

void TextInputKey(uint8_t Code) {
  if (Hooks.TextInputKey != nullptr) Hooks.TextInputKey(Code);
}
bool IsFullScreen() { return Hooks.IsFullScreen == nullptr || Hooks.IsFullScreen(); }
void SetFullScreen(bool Value) {
  if (Hooks.SetFullScreen != nullptr) Hooks.SetFullScreen(Value);
}
std::vector<std::string> Languages() {
  if (Hooks.Languages != nullptr) return Hooks.Languages();
  return {CurrentLanguage()};
}
std::string CurrentLanguage() { return Hooks.CurrentLanguage != nullptr ? Hooks.CurrentLanguage() : "English"; }
bool SetLanguage(const std::string& Name) { return Hooks.SetLanguage != nullptr && Hooks.SetLanguage(Name); }
bool ClickPressed() { return Hooks.ClickPressed != nullptr && Hooks.ClickPressed(); }
TVector MousePosition() { return Hooks.MousePosition != nullptr ? Hooks.MousePosition() : TVector{}; }

}  // namespace GuiInput

}  // namespace tv
