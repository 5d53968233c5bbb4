// Scripted input ("-input FILE") and the GUI trace ("-gui-trace FILE"), for tests and for
// reproducing a problem.
//
// A script line is a frame followed by a command. The frame is either absolute (the event is
// delivered before that frame) or relative, "+N": N frames after the previous line finished; a
// line without a frame counts as "+0".
// Raw events go through the same path as the system's events:
//   move X Y          (design-screen units, (0, 0) at the centre)
//   down left|right   /   up left|right
//   keydown NAME      /   keyup NAME      (key names: Return, Escape, F11, H, Left Alt, ...)
//   text TEXT         (typed text, UTF-8)
//   close
// GUI commands name screens and controls instead of positions:
//   wait form NAME [LIMIT]     holds the script until NAME is the current form
//   wait dialog NAME [LIMIT]   ... until NAME is the topmost dialog
//   wait ready [LIMIT]         ... until the input target accepts input
//   wait control NAME [LIMIT]  ... until the input target accepts input and has the named control
//                              visible and enabled (a site marker once the hero rests, a barter
//                              button once its trade has played)
//   wait idle [LIMIT]          ... until no dialog is open, the form accepts input and the hero
//                              rests (nothing more happens on the map until the player acts)
//   wait shown NAME [LIMIT]    ... until the dialog NAME has entered the stack once more than the
//                              earlier "wait shown NAME" lines took (counted from the script's
//                              start): each line takes one showing, so a dialog that follows
//                              another of the same name is not mistaken for the one still fading
//   wait reload FILE [LIMIT]   ... until the debug mode's live reload has taken up the file FILE
//                              (a file name such as "T1ScriptScenario.xml") once more than the
//                              earlier "wait reload FILE" lines took, whether it loaded or failed
//   click NAME                 moves the mouse over the centre of the named, visible, enabled
//                              control of the input target (or the nearest point of it that no
//                              other control covers), presses the left button, and releases it
//                              in the next frame (where the control still is); a press waits a
//                              frame after the previous click's release
//   key NAME                   presses a key and releases it in the next frame
//   pad BUTTON                 presses a game controller's button and releases it in the next
//                              frame (SDL's names: a, b, x, y, start, back, dpup, dpdown, dpleft,
//                              dpright, leftshoulder, rightshoulder, ...); the script's first pad
//                              or pad-axis line attaches a virtual controller and waits until the
//                              program has taken it up
//   pad-axis AXIS VALUE        moves a stick's axis (leftx, lefty, rightx, righty) to VALUE, from
//                              -1 to 1, where it stays until the next pad-axis line moves it
//   steer pad|tab NAME         moves the shown focus onto the named control of the input target as
//                              a player would: with the d-pad, pressed towards the control (along
//                              the axis on which it lies farther, or the other one when that did
//                              not bring the focus nearer), or with Tab, until the focus is on it;
//                              60 presses that do not get there end the run as a failed wait does
//   wait focus NAME [LIMIT]    ... until the input target accepts input and its shown focus is on
//                              the named control
//   screenshot FILE            writes the next presented frame as a PNG (a relative FILE is taken
//                              from the script's folder)
//   click-random               clicks a visible, enabled, named control of the input target picked
//                              at random (from the "-seed" number); does nothing while the input
//                              target is not ready or has no such control (random play, soaks)
//   minimize [MS]              minimises the window and restores it MS milliseconds of real time
//                              later (default 500): the game is suspended meanwhile
// LIMIT is in frames (default 1200). A wait that runs out or a click on a control that is not there
// ends the run with exit code 3 and one line on stderr naming the frame, the input target and its
// controls. Blank lines and lines starting with "#" are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/EngineClasses.h"
#include "platform/PlatformWindow.h"

namespace tv {

// A script line that cannot be read (the run ends with ScriptFailureExitCode).
class EScriptLineError : public EError {
 public:
  using EError::EError;
};

constexpr uint32_t DefaultWaitLimit = 1200;
constexpr uint32_t DefaultMinimizedMs = 500;
constexpr uint32_t MaxMinimizedMs = 60000;
// The exit code of a run whose script failed.
constexpr int32_t ScriptFailureExitCode = 3;

struct TScriptLine {
  enum class Kind {
    Move,
    ButtonDown,
    ButtonUp,
    KeyDown,
    KeyUp,
    Text,
    Close,
    WaitForm,
    WaitDialog,
    WaitReady,
    WaitControl,
    WaitShown,
    WaitIdle,
    WaitReload,
    WaitFocus,
    Pad,
    PadAxis,
    SteerPad,
    SteerTab,
    Click,
    Key,
    Screenshot,
    ClickRandom,
    Minimize
  };
  bool Relative = false;
  uint32_t Frame = 0;  // absolute frame from 1, or frames after the previous line
  Kind What = Kind::Move;
  float X = 0;
  float Y = 0;
  int Button = 0;  // a mouse button, or a controller's button or axis
  TScanCode Key = ScanUnknown;
  std::string Text;  // typed text, the form, dialog or control name, or the screenshot's file
  uint32_t Limit = DefaultWaitLimit;
  uint32_t Milliseconds = DefaultMinimizedMs;  // minimize: how long the window stays minimised
};

// Parses one line. Returns false for a blank or comment line; throws EError with the reason for a
// line it cannot read.
bool ParseInputScriptLine(const std::string& Line, TScriptLine& Out);

// Loads a script; an unreadable file fails with the file-open error, a bad line with an error
// naming the file and the line (EScriptLineError).
void LoadInputScript(const std::string& Path);
// Plays the script up to this frame; called before the frame's messages are pumped.
void InjectScriptedInput(uint32_t Frame);
void ClearInputScript();
// True once every line has been played.
bool InputScriptDone();

// Starts writing the GUI trace to Path (one JSON object per line); an empty path writes none.
void StartGuiTrace(const std::string& Path);
// Traces the game being suspended (minimised, or the window lost the focus) or resumed:
// {"frame": F, "window": "suspended"} or "resumed".
void TraceWindowState(bool Running);
// Traces a live reload of File: {"frame": F, "reload": "FILE", "texts": [KEYS], "world": "HASH"}
// with the text keys whose text changed (a script only) and the 64-bit FNV-1a hash of the world's
// state as JSON right after it was rebuilt (a scenario or script only), or with "failed": "WHY"
// instead. Counts it for "wait reload".
void TraceReload(const std::string& File, const std::string& World, const std::string& Failure,
                 const std::vector<std::string>& Texts = {});
// Stops tracing GUI happenings (shutdown is not traced).
// Traces a change of language: {"frame": F, "language": "NAME", "from": "OLD", "texts":
// {"SCREEN.CONTROL": "TEXT"}} with the text (UTF-8) of every named control with a text key on the
// current form and in the open dialogs, as they show it after the change.
void TraceLanguage(const std::string& Name, const std::string& From);
void StopGuiTrace();
// Writes the last line, {"frame": F, "exit": CODE}, and closes the trace.
void EndGuiTrace(int32_t ExitCode);

}  // namespace tv
