// What the input harness, the frame log, tests and benchmarks look at and drive in the screen
// manager: the dialog stack, the hint and cursor, the control under a point, the happenings of a
// run, a fixed time step and input fed frame by frame. Screens do not need it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/EngineGui.h"

namespace tv {

// The dialog in stack slot 1..3, or none.
TGuiDialog* DialogInSlot(int32_t Slot);
TGuiHint* ShownHint();
TGuiHint* PendingHint();
TGuiCursor* CurrentCursor();
TGuiControl* HoveredControl();
// The form that currently has input (Active), or none.
TGuiForm* InputForm();
// The form or dialog input goes to (the topmost dialog, else the current form), whether or not it
// accepts input now; and whether it does (a dialog when Ready, the form when no transition runs).
TGuiForm* InputTarget();
bool InputTargetReady();
// A control of the input target by name when it is visible and enabled, else none. Does not
// change the target's Sender.
TGuiControl* FindUsableControl(const std::string& ControlName);
// The control of the input target the frame step's hit test would pick at Point (design units,
// (0, 0) at the screen's centre): the visible, enabled control of the highest layer whose shape
// holds the point. None when nothing is there.
TGuiControl* ControlAt(TVector Point);

// What happened in the GUI, for a trace of a run.
enum class TGuiHappening {
  FormShown,        // Name: the form that became current
  DialogShown,      // Name: the dialog that entered the stack
  DialogHidden,     // Name: the dialog that left the stack
  Click,            // Name: the control clicked; In: the form or dialog it belongs to
  TransitionStart,  // Name: the transition
  TransitionEnd,
  Focus,  // Name: the control the shown focus went to; In: its form or dialog
};
using TGuiObserver = std::function<void(TGuiHappening What, const std::string& Name, const std::string& In)>;
// Installs the observer told of every happening (an empty one turns it off). It survives
// GuiShutdown and GuiStartup.
void SetGuiObserver(TGuiObserver Observer);

// Runs after every GuiStartup, once the registries exist: lets a test register forms of its own in
// a real run. An empty hook turns it off.
void SetGuiStartupHook(std::function<void()> Hook);

// The seconds the frame step takes as the frame's time step; tests may fix it (a negative value
// returns to the timer's elapsed time).
void SetGuiTimeStep(float Seconds);

// The input the frame step reads, indexed by TGuiKey.
struct TGuiInputFrame {
  bool Down[GuiKeyCount] = {};
  bool WasDown[GuiKeyCount] = {};
  TVector Mouse;
  bool MouseInside = true;
  TGuiDevice Device = TGuiDevice::Mouse;
};
// Tests and benchmarks feed the frame step from a frame of their own (not owned) instead of the
// input hooks; nullptr returns to the hooks.
void SetGuiInputOverride(const TGuiInputFrame* Frame);

}  // namespace tv
