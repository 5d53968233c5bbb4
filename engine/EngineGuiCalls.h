// What the rest of the program calls on the screens: show a dialog, switch a form, send a
// command, by name. The calls forward to one replaceable handler: the screen manager
// (engine/EngineGui.h) installs itself there when it starts; headless runs (the tool's "play",
// tests) install their own, so the game model runs without any screen. The game model includes
// this header only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tv {

class TItem;

// Called without argument when a dialog is confirmed, or when a transition has covered the screen.
using TGuiCallback = std::function<void()>;
// Called with the text entered or chosen in a dialog.
using TGuiTextCallback = std::function<void(const std::string&)>;
// Called with the object chosen in a dialog.
using TGuiItemCallback = std::function<void(TItem*)>;

// Option bits of the input-line dialogs' Value.
inline constexpr int32_t InputLineNeedsText = 2;  // "OK" only while something is typed
inline constexpr int32_t InputLineOkOnly = 4;     // "OK" alone, without "Cancel" (a prompt that must be answered)

// What ShowDialog hands over to the dialog it opens.
struct TDialogArgs {
  std::string MessageKey{};   // a text key or caption, shown by the dialog
  std::string DefaultText{};  // e.g. the preset of an input line
  int32_t Value = 0;          // an integer for the dialog (option bits, a preview flag, ...)
  int32_t MaxLength = 0;      // the longest text an input line takes (0: the dialog's default)
  TGuiCallback OnDone{};      // the dialog was confirmed
  TGuiTextCallback OnText{};  // the dialog was confirmed with a text
  TGuiItemCallback OnItem{};  // the dialog was confirmed with an object
  TItem* Data = nullptr;      // the object the dialog is about (a scene, an achievement, ...)
};

// The receiver of the registry operations. Unknown names are never errors: the handler does
// nothing for them (the screen manager logs them in debug mode).
class TGuiHandler {
 public:
  virtual ~TGuiHandler() = default;
  virtual void ShowDialog(const std::string& Name, const TDialogArgs& Args) = 0;
  // Switches to the named form behind the named transition; Callback runs once the screen is
  // covered, before the new form is shown.
  virtual void SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) = 0;
  virtual void SendCommand(const std::string& FormName, const std::string& Text, TItem* Data) = 0;
  // Drops every callback still held (a pending transition's, an open dialog's) without running
  // it: the model the callbacks capture is about to go away. A handler holding none does nothing.
  virtual void DropCallbacks() {}
};

// Installs the handler (not owned); nullptr leaves the operations without effect. GuiStartup
// installs the screen manager, GuiShutdown takes it out again (only when it is still installed).
void SetGuiHandler(TGuiHandler* Handler);
TGuiHandler* GetGuiHandler();
// Tells the installed handler to drop the callbacks it holds (see TGuiHandler::DropCallbacks).
void DropGuiCallbacks();

// Opens a dialog with what it needs, by designated initialisers:
// ShowDialog(gui::DialogQueryCustom, {.MessageKey = "QueryQuitGame", .OnDone = [] { ... }}).
void ShowDialog(const std::string& Name, const TDialogArgs& Args);
// The common short form: a dialog about one object, without texts or callbacks.
void ShowDialog(const std::string& Name, TItem* Data = nullptr);
void SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback);
// Nothing happens when the form or the text is empty.
void SendCommand(const std::string& FormName, const std::string& Text, TItem* Data);

}  // namespace tv
