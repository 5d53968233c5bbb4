// The screen manager: forms, dialogs, controls, hints, cursors and transitions.
//
// Five registries own the named GUI objects. One form is current, up to three dialogs stack above
// it, one transition may run between two forms, one hint and one cursor are shown. UpdateGui runs
// all of them once per frame: it routes the mouse and the shortcut keys to the one form or dialog
// that has input, finds the control under the mouse, fires enter, leave, press, hold, release and
// click events, times hints, fades dialogs, switches forms behind a transition, and lets every dirty
// control rebuild its picture. A form builds its controls each time it is shown and destroys them
// when it is hidden.
//
// This header is the framework a screen is written with. The rest of the program reaches the
// screens only by name, through engine/EngineGuiCalls.h (ShowDialog, SwitchForm, SendCommand); the
// input harness and tests look inside the screen manager through engine/EngineGuiInspect.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "base/AppNumeric.h"
#include "base/EngineClasses.h"
#include "engine/EngineGuiCalls.h"

namespace tv {

class TCanvas;
class TGuiForm;
class TGuiDialog;
class TGuiControl;

// ---- Layers and small types -----------------------------------------------------------------

constexpr int32_t FormLayer = 0;
constexpr int32_t TransitionLayer = 500000;
constexpr int32_t DialogLayerStep = 1000000;  // the dialog in stack slot k draws at k times this
constexpr int32_t HintLayer = 10000000;
constexpr int32_t CursorLayer = 2147483547;
constexpr int32_t DialogSlotCount = 3;
// A press held this long or longer is no click.
constexpr float ClickTimeLimit = 1.5f;

// A rectangle given by its centre and size, in screen units.
struct TGuiRect {
  float X = 0;
  float Y = 0;
  float W = 0;
  float H = 0;
};

// The shortcut keys' slots of TGuiForm::KeyControls, in the order they are looked at.
enum TGuiKeySlot : int32_t {
  KeySlotCancel = 0,        // Escape
  KeySlotConfirm = 1,       // Return or Space
  KeySlotHint = 2,          // HintKey
  KeySlotInventory = 3,     // InventoryKey
  KeySlotMap = 4,           // MapKey
  KeySlotPageNext = 5,      // Page Down, the right shoulder button: the next page of a list
  KeySlotPagePrevious = 6,  // Page Up, the left shoulder button
  KeySlotCount = 7,
};

// The indices of TGuiControl::SetProperty.
enum TGuiProperty : int32_t {
  PropName = 0,
  PropGroup = 1,
  PropVisible = 2,
  PropEnabled = 3,
  PropDown = 4,  // stored without the group rule
  PropToggle = 5,
  PropScale = 6,
  PropParam1 = 7,
  PropParam2 = 8,
  PropParam3 = 9,
  PropColor = 10,  // packed 0xRRGGBB
  PropAlpha = 11,
  PropParamA = 12,
  PropParamA2 = 13,  // the same field as 12
  PropParamB = 14,
  PropParamD = 15,
  PropParamD2 = 16,  // the same field as 15
  PropParamE = 17,
  PropParamC = 18,
  PropParamF = 19,
  PropParamByte = 20,
  PropText = 21,         // clears TextKey
  PropTextKey = 22,      // and looks the text up
  PropHintText = 23,     // clears HintTextKey
  PropHintTextKey = 24,  // and looks the hint up
  PropCursorName = 25,
  PropHintName = 26,
  PropertyCount = 27,
};

// The value of one SetProperty call: a flag, an integer, a float or a string, converted to the
// property's type (numbers to strings in decimal, strings to numbers as 0 unless they read as one).
class TGuiValue {
 public:
  TGuiValue(bool V) : Value(V) {}                            // NOLINT(google-explicit-constructor)
  TGuiValue(int32_t V) : Value(V) {}                         // NOLINT(google-explicit-constructor)
  TGuiValue(uint32_t V) : Value(static_cast<int32_t>(V)) {}  // NOLINT(google-explicit-constructor)
  TGuiValue(float V) : Value(V) {}                           // NOLINT(google-explicit-constructor)
  TGuiValue(double V) : Value(static_cast<float>(V)) {}      // NOLINT(google-explicit-constructor)
  TGuiValue(const char* V) : Value(std::string(V)) {}        // NOLINT(google-explicit-constructor)
  TGuiValue(std::string V) : Value(std::move(V)) {}          // NOLINT(google-explicit-constructor)

  bool AsBool() const;
  int32_t AsInt() const;
  float AsFloat() const;
  std::string AsString() const;

 private:
  std::variant<bool, int32_t, float, std::string> Value;
};

// The operations on a form's Place, by number (see TGuiForm::Place). "Keep" operations keep the
// named edge where it is; "Grow" operations add the value and never go below 0.
enum TPlaceOp : int32_t {
  PlaceSave = 0,     // save Place in slot round(v), clamped to 0..2
  PlaceRestore = 1,  // restore Place from that slot
  PlaceSetX = 2,
  PlaceSetY = 3,
  PlaceAddX = 4,
  PlaceAddY = 5,
  PlaceMirrorX = 6,    // x = v - x
  PlaceMirrorY = 7,    // y = v - y
  PlaceStepLeft = 8,   // x = x - w + v
  PlaceStepRight = 9,  // x = x + w + v
  PlaceStepUp = 10,    // y = y - h + v
  PlaceStepDown = 11,  // y = y + h + v
  PlaceBoxLeft = 12,   // a box |v| wide directly left of the current one
  PlaceBoxRight = 13,
  PlaceBoxAbove = 14,  // a box |v| high directly above
  PlaceBoxBelow = 15,
  PlaceSquare = 16,  // w = h = |v|
  PlaceWidth = 17,
  PlaceHeight = 18,
  PlaceWidthKeepRight = 19,
  PlaceWidthKeepLeft = 20,
  PlaceHeightKeepBottom = 21,
  PlaceHeightKeepTop = 22,
  PlaceGrow = 23,  // both sizes, centre kept
  PlaceGrowWidth = 24,
  PlaceGrowHeight = 25,
  PlaceGrowWidthKeepRight = 26,
  PlaceGrowWidthKeepLeft = 27,
  PlaceGrowHeightKeepBottom = 28,
  PlaceGrowHeightKeepTop = 29,
  PlaceHalfWidthKeepRight = 30,  // w = max(0, w / 2 + v)
  PlaceHalfWidthKeepLeft = 31,
  PlaceHalfHeightKeepBottom = 32,  // h = max(0, h / 2 + v)
  PlaceHalfHeightKeepTop = 33,
  PlaceOpCount = 34,
};

// Applies one placement operation to a rectangle; Saved holds the three slots. Unknown operations
// change nothing.
void ApplyPlaceOp(TGuiRect& Place, TGuiRect (&Saved)[3], int32_t Op, float Value);

// ---- Controls -------------------------------------------------------------------------------

class TGuiControl : public TNamedItem {
 public:
  TGuiControl() = default;

  TGuiForm* Form = nullptr;
  int32_t Layer = 0;
  TCanvas* Canvas = nullptr;
  TVector Origin;
  bool Hovered = false;
  bool Pressed = false;
  bool Dirty = false;
  bool Visible = true;
  bool Enabled = false;
  bool Down = false;
  bool Toggle = false;
  std::string Group;
  std::string CursorName;
  std::string HintName;
  TVector Offset;  // centre relative to Origin
  TVector Size;
  float Scale = 1;
  int32_t Param1 = 0;  // as a rule a sprite orientation
  int32_t Param2 = 0;
  int32_t Param3 = 0;  // as a rule a shading mode
  TVector3 Color{1, 1, 1};
  float Alpha = 1;
  std::string ParamA;     // as a rule the main texture's name
  std::string ParamB;     // as a rule a second texture's name
  int32_t ParamD = 0;     // as a rule the segment of texture A
  int32_t ParamE = 0;     // as a rule the segment of texture B
  std::string ParamC;     // as a rule a particle emitter's name
  int32_t ParamF = 0;     // the font style for controls that show text
  uint8_t ParamByte = 0;  // the text layout flags for controls that show text
  std::string Text;
  std::string TextKey;
  std::string HintText;
  std::string HintTextKey;

  // Virtual operations, in this order; the base versions do nothing but HitTest.
  virtual void AfterCreate() {}
  virtual void BeforeDestroy() {}
  // Local is the mouse point minus Origin. True inside the box of Size centred on Offset, edges
  // included.
  virtual bool HitTest(TVector Local);
  virtual void OnMouseEnter() {}
  virtual void OnMouseLeave() {}
  virtual void OnMouseDown(TVector Local) { (void)Local; }
  virtual void OnMouseHold(TVector Local) { (void)Local; }
  virtual void OnMouseUp(TVector Local) { (void)Local; }
  virtual void OnClick() {}
  virtual void Update() {}
  // Rebuilds the control's sprites (Visible) or drops them (not Visible).
  virtual void Render(bool Visible) { (void)Visible; }
  // Whether the keyboard's and the controller's focus stops at this control while it is visible
  // and enabled (buttons, site markers): only controls a player clicks say yes.
  virtual bool TakesFocus() const { return false; }

  void SetProperty(int32_t Index, const TGuiValue& Value);
  // Each changes the field and marks the control dirty only when the value differs.
  void SetOffset(TVector Value);
  void SetSize(TVector Value);
  void SetOffsetX(float Value);
  void SetOffsetY(float Value);
  void SetAlpha(float Value);
  void SetScale(float Value);
  void SetText(const std::string& Value);
  // Sets Down; setting it clears Down on every other control of the form with the same Group.
  void SetDown(bool Value);
  void MarkDirty() { Dirty = true; }
  // The control's centre in screen units (Origin + Offset).
  TVector ScreenCenter() const { return {Origin.X + Offset.X, Origin.Y + Offset.Y}; }
  // Visible and Enabled.
  bool Usable() const { return Visible && Enabled; }

 private:
  void HintChanged();
};

// ---- Forms ----------------------------------------------------------------------------------

class TGuiForm : public TNamedItem {
 public:
  TGuiForm(std::string Name, std::string CursorName, std::string HintName);
  ~TGuiForm() override;

  std::string CursorName;
  std::string HintName;
  TContainer Controls{false, true};
  TGuiControl* Sender = nullptr;
  TGuiRect PlaceRect;  // the placement rectangle (Place is the operation on it)
  TGuiRect SavedPlaces[3];
  TGuiControl* RecommendedControl = nullptr;
  int32_t RecommendedSide = 0;
  TGuiControl* KeyControls[KeySlotCount] = {};
  // The control the keyboard's and the controller's focus is on, or none (see UpdateGui).
  TGuiControl* Focus = nullptr;
  std::string CommandText;
  TItem* CommandData = nullptr;
  TCanvas* Canvas = nullptr;
  TVector Origin;
  bool Shown = false;
  bool Active = false;
  int32_t Layer = 0;

  // Virtual operations, in this order; the base versions do nothing.
  virtual void AfterCreate() {}
  virtual void BeforeDestroy() {}
  // Builds the controls.
  virtual void OnShow() {}
  virtual void OnHide() {}
  virtual void OnActivate() {}
  virtual void OnDeactivate() {}
  virtual void OnUpdate() {}
  virtual void OnRender() {}
  // The mouse and click handlers find the control in Sender; Local is relative to its Origin.
  virtual void OnMouseDown(TVector Local) { (void)Local; }
  virtual void OnMouseHold(TVector Local) { (void)Local; }
  virtual void OnMouseUp(TVector Local) { (void)Local; }
  virtual void OnClick() {}
  // Reads CommandText and CommandData.
  virtual void OnCommand() {}
  // After the controls' text keys were looked up again: texts a form composes itself (a key's
  // text joined with a name) are rebuilt here.
  virtual void OnRelocalize() {}

  // Shows the form at a layer: canvas from the video device (none without one), Origin (0, 0),
  // Place the whole screen (also saved in slot 0), OnShow, then every control marked dirty.
  void Show(int32_t AtLayer);
  // Takes the input away when the form has it, drops every control's sprites, OnHide, and
  // destroys the controls.
  void Hide();

  // Creates a control of class T at the form's layer plus LayerOffset, positioned and sized from
  // Place, calls its AfterCreate, adds it to Controls, makes it the Sender and returns it. The
  // overloads then set one to four properties in the order given.
  template <class T>
  T* AddControl(int32_t LayerOffset) {
    auto owned = std::make_unique<T>();
    T* control = owned.get();
    AttachControl(std::move(owned), LayerOffset);
    return control;
  }
  template <class T>
  T* AddControl(int32_t LayerOffset, int32_t P1, const TGuiValue& V1) {
    T* control = AddControl<T>(LayerOffset);
    control->SetProperty(P1, V1);
    return control;
  }
  template <class T>
  T* AddControl(int32_t LayerOffset, int32_t P1, const TGuiValue& V1, int32_t P2, const TGuiValue& V2) {
    T* control = AddControl<T>(LayerOffset, P1, V1);
    control->SetProperty(P2, V2);
    return control;
  }
  template <class T>
  T* AddControl(int32_t LayerOffset, int32_t P1, const TGuiValue& V1, int32_t P2, const TGuiValue& V2, int32_t P3,
                const TGuiValue& V3) {
    T* control = AddControl<T>(LayerOffset, P1, V1, P2, V2);
    control->SetProperty(P3, V3);
    return control;
  }
  template <class T>
  T* AddControl(int32_t LayerOffset, int32_t P1, const TGuiValue& V1, int32_t P2, const TGuiValue& V2, int32_t P3,
                const TGuiValue& V3, int32_t P4, const TGuiValue& V4) {
    T* control = AddControl<T>(LayerOffset, P1, V1, P2, V2, P3, V3);
    control->SetProperty(P4, V4);
    return control;
  }
  // Destroys one control before the form is hidden; every reference the GUI holds to it (hover,
  // Sender, shortcut slots, recommendation) is cleared first.
  void DestroyControl(TGuiControl* Control);

  // Applies one to six placement operations, left to right (see TPlaceOp).
  template <class... Rest>
  void Place(int32_t Op, float Value, Rest... More) {
    static_assert(sizeof...(More) % 2 == 0 && sizeof...(More) <= 10, "Place takes one to six (op, value) pairs");
    ApplyPlaceOp(PlaceRect, SavedPlaces, Op, Value);
    if constexpr (sizeof...(More) > 0) PlaceMore(More...);
  }

  // Looks a control up by name (Sender stays as it is: a look-up in a click handler must not
  // change whom the click came from).
  TGuiControl* FindControl(const std::string& ControlName);
  // Points the recommendation at a control from a side (clamped to 0..3); none clears it.
  void SetRecommended(TGuiControl* Control, int32_t Side);
  // The same by name; an empty name clears the recommendation.
  void SetRecommendedByName(const std::string& ControlName, int32_t Side);
  // Looks every control's TextKey and HintTextKey up again.
  void Relocalize();

 private:
  void AttachControl(std::unique_ptr<TGuiControl> Owned, int32_t LayerOffset);
  template <class V, class... Rest>
  void PlaceMore(int32_t Op, V Value, Rest... More) {
    ApplyPlaceOp(PlaceRect, SavedPlaces, Op, static_cast<float>(Value));
    if constexpr (sizeof...(More) > 0) PlaceMore(More...);
  }
};

// Where a dialog's or a hint's fade is.
enum class TFadeState { FadingIn, Shown, FadingOut, Hidden };

// A form shown in a stack slot above the current form, fading in and out.
class TGuiDialog : public TGuiForm {
 public:
  TGuiDialog(std::string Name, std::string CursorName, std::string HintName, float FadeInTime, float FadeOutTime);

  bool Ready = false;
  float FadeInTime = 0;
  float FadeOutTime = 0;
  float CurrentFadeIn = 0;
  float CurrentFadeOut = 0;
  TFadeState FadeState = TFadeState::Hidden;
  float FadeAlpha = 0;
  std::string MessageKey;
  std::string DefaultText;
  TItem* Data = nullptr;
  TGuiCallback OnDone;
  TGuiTextCallback OnText;
  TGuiItemCallback OnItem;
  int32_t Value = 0;
  int32_t MaxLength = 0;

  // Nothing when already shown; otherwise copies the fade times, shows as a form and starts
  // fading in.
  void Show(int32_t AtLayer);
  // Nothing when not shown. At once: hidden now; otherwise the fade-out starts.
  void Hide(bool AtOnce);
  // One frame of the fade by Dt seconds.
  void StepFade(float Dt);
};

// ---- Hints, cursors and transitions ---------------------------------------------------------

class TGuiHint : public TNamedItem {
 public:
  TGuiHint(std::string Name, float Delay, float FadeInTime, float FadeOutTime);

  int32_t Layer = HintLayer;
  float Delay = 0;
  float FadeInTime = 0;
  float FadeOutTime = 0;
  TFadeState FadeState = TFadeState::Hidden;  // hidden: done, and dropped
  float FadeAlpha = 0;
  std::string Text;
  TVector Anchor;     // the centre of the control the hint belongs to
  TVector BoxCenter;  // set by PlaceHintBox
  TVector BoxSize;
  float ControlHalfHeight = 0;
  // What PlaceHintBox measures with and keeps around the text.
  int32_t FontIndex = 0;
  float MaxTextWidth = 400;  // the text wraps at this width
  float Margin = 12;         // between the text and the box's edge
  float Gap = 6;             // between the box and the control

  // Called every frame while the hint is on screen (true), and once with false when it goes.
  virtual void Show(bool Visible) { (void)Visible; }

  // One frame of the fade by Dt seconds.
  void StepFade(float Dt);
  // Starts the fade-out unless the hint is done.
  void FadeOut();
};

// Places a hint's box for a text of TextSize: the text plus the margin, above the anchor clear of
// the control's half height when that stays below the screen's top edge, below it otherwise, and
// shifted sideways to stay inside a screen of ScreenSize (centred on (0, 0)).
void PlaceHintBox(TGuiHint& Hint, TVector TextSize, TVector ScreenSize);
// The same, measuring Hint.Text with its font (the texts module must be started) on the screen
// canvas's size.
void PlaceHintBox(TGuiHint& Hint);

class TGuiCursor : public TNamedItem {
 public:
  explicit TGuiCursor(std::string Name) : TNamedItem(std::move(Name)) {}

  int32_t Layer = CursorLayer;

  // Called every frame with whether the mouse is inside the window; false once when replaced.
  virtual void Show(bool Visible) { (void)Visible; }
};

// Draws the focus on the control it is on, in the game's style; registered once by the screens.
class TGuiFocusRing {
 public:
  virtual ~TGuiFocusRing() = default;
  // Called every frame: Control is the focused control while the focus is to be seen (the last
  // input came from the keyboard or a controller and the focused form has input), else none;
  // Dt is the frame's time step.
  virtual void Show(const TGuiControl* Control, float Dt) {
    (void)Control;
    (void)Dt;
  }
};

// Where a transition is: covering the old screen in three steps, covered (the screens switch
// there), uncovering the new one in three steps, done.
enum class TTransitionPhase { Cover1, Cover2, Cover3, Covered, Uncover1, Uncover2, Uncover3, Done };

class TGuiTransition : public TNamedItem {
 public:
  explicit TGuiTransition(std::string Name) : TNamedItem(std::move(Name)) {}

  int32_t Layer = TransitionLayer;
  bool FromNothing = false;  // no form was current when it started
  TTransitionPhase Phase = TTransitionPhase::Cover1;
  TGuiCallback Callback;

  virtual void Begin() = 0;
  virtual void Finish() = 0;
  virtual bool CoverStep1() = 0;
  virtual bool CoverStep2() = 0;
  virtual bool CoverStep3() = 0;
  virtual bool UncoverStep1() = 0;
  virtual bool UncoverStep2() = 0;
  virtual bool UncoverStep3() = 0;

  // Runs the phase's step and advances the phase when it completes (Covered passes at once).
  void Step();
};

// ---- The module -----------------------------------------------------------------------------

// Creates the five registries and installs the screen manager as the GUI handler. Safe to call
// again after GuiShutdown.
void GuiStartup();
// Hides all dialogs, drops the hint and the cursor, frees the registries (forms, transitions,
// dialogs, hints, cursors) and uninstalls the handler; safe when GuiStartup never ran.
void GuiShutdown();
bool GuiStarted();

// Registries: each takes ownership; nothing happens (and the object is freed) before GuiStartup.
// Each returns the object registered.
TGuiCursor* RegisterCursor(std::unique_ptr<TGuiCursor> Cursor);
TGuiHint* RegisterHint(std::unique_ptr<TGuiHint> Hint);
TGuiDialog* RegisterDialog(std::unique_ptr<TGuiDialog> Dialog);
TGuiTransition* RegisterTransition(std::unique_ptr<TGuiTransition> Transition);
TGuiForm* RegisterForm(std::unique_ptr<TGuiForm> Form);
TGuiCursor* FindCursor(const std::string& Name);
TGuiHint* FindHint(const std::string& Name);
TGuiDialog* FindDialog(const std::string& Name);
TGuiTransition* FindTransition(const std::string& Name);
TGuiForm* FindForm(const std::string& Name);
// The registries themselves (nullptr before start-up).
TContainer* GuiForms();
TContainer* GuiDialogs();

// Stops a running transition, hides the current form, forgets the pending one and shows the
// named form at layer 0; an empty or unknown name leaves no form current.
void ShowForm(const std::string& Name);
// The screen operations of the narrow interface, done by the screen manager itself.
void GuiSwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback);
void GuiShowDialog(const std::string& Name, const TDialogArgs& Args);
void GuiSendCommand(const std::string& FormName, const std::string& Text, TItem* Data);
// Drops, without running them, the running transition's callback and the stacked dialogs' OnDone,
// OnText and OnItem (the screen manager's TGuiHandler::DropCallbacks).
void GuiDropCallbacks();
// Starts the fade-out of a dialog in the stack.
void HideDialog(TGuiDialog* Dialog);
// Hides every stacked dialog at once and empties the stack.
void HideAllDialogs();
// Keeps the current cursor when it has that name; otherwise tells it Show (false) and makes the
// named one current (none when unknown or empty).
void SetCursor(const std::string& Name);
// Hides a shown form and shows it again at the same layer.
void Reshow(TGuiForm* Form);
// Relocalizes every dialog and every form; installed as the text table's relocalise hook.
void RelocalizeAll();
// Installs the focus's look (none: the focus is not drawn); it is freed at GuiShutdown.
void SetFocusRing(std::unique_ptr<TGuiFocusRing> Ring);

// The frame step: dialog fades, input, hover, clicks, shortcut keys, cursor, hints, updates, the
// transition, rendering.
void UpdateGui();

// ---- What a screen may ask ------------------------------------------------------------------

TGuiForm* CurrentForm();
// The form a running transition goes to, or none.
TGuiForm* PendingForm();
TGuiTransition* RunningTransition();
// The dialog in the highest occupied slot, or none.
TGuiDialog* TopDialog();

// The logical keys the frame step reads, numbered as the program's input module numbers them.
enum TGuiKey : int32_t {
  GuiKeyClick = 0,
  GuiKeyCancel = 1,
  GuiKeyConfirm = 2,
  GuiKeyHint = 4,
  GuiKeyInventory = 5,
  GuiKeyMap = 6,
  GuiKeyFocusUp = 7,
  GuiKeyFocusDown = 8,
  GuiKeyFocusLeft = 9,
  GuiKeyFocusRight = 10,
  GuiKeyFocusNext = 11,
  GuiKeyFocusPrevious = 12,
  GuiKeyActivate = 13,  // clicks the focused control (Return, Space, the controller's A)
  GuiKeyPageNext = 14,
  GuiKeyPagePrevious = 15,
  GuiKeyCount = 16,
};

// Where the last input came from, numbered as the program's input module numbers it: with the
// mouse the focus is not shown and the keys work as shortcuts only.
enum class TGuiDevice : int32_t { Mouse = 0, Keyboard = 1, Pad = 2 };

// Where the frame step reads the keys and the mouse (design-screen units, (0, 0) at the centre):
// the program installs its input module here before the GUI starts. Without hooks no key is down
// and the mouse is outside the window. The hooks survive GuiShutdown.
struct TGuiInputHooks {
  bool (*KeyDown)(int32_t Key) = nullptr;
  bool (*KeyWasDown)(int32_t Key) = nullptr;
  TVector (*MousePosition)() = nullptr;
  bool (*MouseInside)() = nullptr;
  int32_t (*Device)() = nullptr;  // a TGuiDevice; without it, the mouse
};
void SetGuiInputHooks(const TGuiInputHooks& Hooks);

// Whether the logical key went down in this frame, as the frame step reads it (hooks or override).
bool GuiKeyPressed(int32_t Key);
// Where the last input came from (hooks or override).
TGuiDevice GuiInputDevice();
// The focused control of the form that has input while the focus is shown, else none.
TGuiControl* FocusedControl();
// Puts the focus of a control's form on it (none: the form's default is picked when needed).
void SetFocus(TGuiForm* Form, TGuiControl* Control);

}  // namespace tv
