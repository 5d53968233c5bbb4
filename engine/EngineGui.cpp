#include "engine/EngineGui.h"
#include "engine/EngineGuiInspect.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <utility>

#include "base/AppProcess.h"
#include "base/AppTimer.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineVideo.h"

namespace tv {

// ---- The narrow screen interface ------------------------------------------------------------

namespace {
TGuiHandler* Handler = nullptr;
}  // namespace

void SetGuiHandler(TGuiHandler* NewHandler) { Handler = NewHandler; }

TGuiHandler* GetGuiHandler() { return Handler; }

void DropGuiCallbacks() {
  if (Handler != nullptr) Handler->DropCallbacks();
}

void ShowDialog(const std::string& Name, const TDialogArgs& Args) {
  if (Handler != nullptr) Handler->ShowDialog(Name, Args);
}

void ShowDialog(const std::string& Name, TItem* Data) { ShowDialog(Name, TDialogArgs{.Data = Data}); }

void SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) {
  if (Handler != nullptr) Handler->SwitchForm(FormName, TransitionName, std::move(Callback));
}

void SendCommand(const std::string& FormName, const std::string& Text, TItem* Data) {
  if (Handler == nullptr || FormName.empty() || Text.empty()) return;
  Handler->SendCommand(FormName, Text, Data);
}

// ---- Module state ---------------------------------------------------------------------------

namespace {

// The screen manager as the handler of the narrow interface.
class TScreenHandler : public TGuiHandler {
 public:
  void ShowDialog(const std::string& Name, const TDialogArgs& Args) override { GuiShowDialog(Name, Args); }
  void SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) override {
    GuiSwitchForm(FormName, TransitionName, std::move(Callback));
  }
  void SendCommand(const std::string& FormName, const std::string& Text, TItem* Data) override {
    GuiSendCommand(FormName, Text, Data);
  }
  void DropCallbacks() override { GuiDropCallbacks(); }
};

struct TGuiState {
  bool Started = false;
  std::unique_ptr<TContainer> Cursors;
  std::unique_ptr<TContainer> Hints;
  std::unique_ptr<TContainer> Dialogs;
  std::unique_ptr<TContainer> Transitions;
  std::unique_ptr<TContainer> Forms;
  TGuiForm* Current = nullptr;
  TGuiForm* Pending = nullptr;
  TGuiTransition* Transition = nullptr;
  TGuiDialog* Slots[DialogSlotCount] = {};
  TGuiHint* Hint = nullptr;         // the hint on screen
  TGuiHint* PendingHint = nullptr;  // the hint waiting for its delay
  float HintTimer = 0;
  TGuiCursor* Cursor = nullptr;
  TGuiForm* InputForm = nullptr;  // the form that has input
  TGuiControl* Hovered = nullptr;
  float ClickTimer = 0;
  std::unique_ptr<TGuiFocusRing> Ring;
  // The shown focus the observer was last told of (compared, never read), so that it hears of
  // each change once.
  const TGuiControl* ToldFocus = nullptr;
};

TGuiState State;
TScreenHandler ScreenHandler;
TGuiObserver Observer;
std::function<void()> StartupHook;
float FixedTimeStep = -1;
const TGuiInputFrame* InputOverride = nullptr;
// Bumped whenever controls are destroyed, so that walks over a form's controls stop when a handler
// destroyed what they stand on.
uint32_t ControlsGeneration = 0;

const std::string EmptyName;

void Tell(TGuiHappening What, const std::string& Name, const std::string& In = EmptyName) {
  if (Observer) Observer(What, Name, In);
}

float TimeStep() { return FixedTimeStep >= 0 ? FixedTimeStep : ElapsedSeconds(); }

TGuiInputHooks InputHooks;

bool InputDown(int32_t Key) {
  if (InputOverride != nullptr) return InputOverride->Down[Key];
  return InputHooks.KeyDown != nullptr && InputHooks.KeyDown(Key);
}
bool InputWasDown(int32_t Key) {
  if (InputOverride != nullptr) return InputOverride->WasDown[Key];
  return InputHooks.KeyWasDown != nullptr && InputHooks.KeyWasDown(Key);
}
bool InputPressed(int32_t Key) { return InputDown(Key) && !InputWasDown(Key); }
TVector InputMouse() {
  if (InputOverride != nullptr) return InputOverride->Mouse;
  return InputHooks.MousePosition != nullptr ? InputHooks.MousePosition() : TVector{};
}
bool InputMouseInside() {
  if (InputOverride != nullptr) return InputOverride->MouseInside;
  return InputHooks.MouseInside != nullptr && InputHooks.MouseInside();
}

TGuiDevice InputDevice() {
  if (InputOverride != nullptr) return InputOverride->Device;
  return InputHooks.Device != nullptr ? static_cast<TGuiDevice>(InputHooks.Device()) : TGuiDevice::Mouse;
}

// The screen canvas's size in design units; the design screen itself without a video device.
TVector ScreenSize() {
  if (VideoStarted() && MainCanvas() != nullptr) return MainCanvas()->Size;
  return {DesignWidth, DesignHeight};
}

// The logical key of each shortcut slot.
constexpr int32_t SlotKeys[KeySlotCount] = {GuiKeyCancel, GuiKeyConfirm,  GuiKeyHint,        GuiKeyInventory,
                                            GuiKeyMap,    GuiKeyPageNext, GuiKeyPagePrevious};

void DropHint(TGuiHint*& Hint) {
  if (Hint == nullptr) return;
  TGuiHint* hint = Hint;
  Hint = nullptr;
  hint->Show(false);
}

// Leaves the hovered control: not pressed, not hovered, its hint fading out.
void LeaveHovered() {
  TGuiControl* control = State.Hovered;
  if (control == nullptr) return;
  State.Hovered = nullptr;
  State.PendingHint = nullptr;
  control->Pressed = false;
  control->Hovered = false;
  control->Dirty = true;
  control->OnMouseLeave();
  if (State.Hint != nullptr) State.Hint->FadeOut();
}

void TakeInput(TGuiForm* Form) {
  if (Form == nullptr || !Form->Active) return;
  if (State.InputForm == Form) {
    LeaveHovered();
    State.InputForm = nullptr;
  }
  Form->Active = false;
  Form->OnDeactivate();
}

void GiveInput(TGuiForm* Form) {
  State.InputForm = Form;
  if (Form == nullptr) return;
  // Coming back to a form whose focused control went meanwhile (a site left behind), the focus
  // starts again from the form's default.
  if (Form->Focus != nullptr && !(Form->Focus->Usable() && Form->Focus->TakesFocus())) Form->Focus = nullptr;
  Form->Active = true;
  Form->OnActivate();
}

// Clears every reference the module and the form hold to a control about to be destroyed.
void ForgetControl(TGuiForm* Form, TGuiControl* Control) {
  if (State.Hovered == Control) {
    State.Hovered = nullptr;
    State.PendingHint = nullptr;
  }
  if (Form->Sender == Control) Form->Sender = nullptr;
  if (Form->RecommendedControl == Control) Form->RecommendedControl = nullptr;
  if (Form->Focus == Control) Form->Focus = nullptr;
  if (State.ToldFocus == Control) State.ToldFocus = nullptr;
  for (TGuiControl*& slot : Form->KeyControls) {
    if (slot == Control) slot = nullptr;
  }
}

// True when Control (compared, never read) is still one of the form's controls.
bool HasControl(const TGuiForm* Form, const TGuiControl* Control) {
  for (TItem* item : Form->Controls) {
    if (item == Control) return true;
  }
  return false;
}

// Fires the click rule on a control of the form that has input.
void ClickControl(TGuiControl* Control) {
  TGuiForm* form = Control->Form;
  if (Control->Toggle) {
    if (Control->Down) return;
    Control->SetDown(true);
  }
  Tell(TGuiHappening::Click, Control->Name, form->Name);
  const uint32_t generation = ControlsGeneration;
  Control->OnClick();
  if (!form->Shown) return;
  if (generation != ControlsGeneration && !HasControl(form, Control)) return;  // the control is gone
  form->Sender = Control;
  form->OnClick();
}

// Walks a form's controls calling F on each; stops when a call destroyed controls.
template <class F>
void ForEachControl(TGuiForm* Form, F&& Call) {
  const uint32_t generation = ControlsGeneration;
  for (TItem* item = Form->Controls.First(); item != nullptr;) {
    TItem* next = item->GetNext();
    Call(static_cast<TGuiControl*>(item));
    if (generation != ControlsGeneration) return;
    item = next;
  }
}

void UpdateForm(TGuiForm* Form) {
  const uint32_t generation = ControlsGeneration;
  Form->OnUpdate();
  if (generation != ControlsGeneration || !Form->Shown) return;
  ForEachControl(Form, [](TGuiControl* c) { c->Update(); });
}

void RenderForm(TGuiForm* Form) {
  if (!Form->Shown) return;
  Form->OnRender();
  ForEachControl(Form, [](TGuiControl* c) {
    if (!c->Dirty) return;
    c->Dirty = false;
    c->Render(c->Visible);
  });
}

void StopTransition() {
  TGuiTransition* transition = State.Transition;
  if (transition == nullptr) return;
  State.Transition = nullptr;
  transition->Finish();
  transition->Callback = nullptr;
  Tell(TGuiHappening::TransitionEnd, transition->Name);
}

void MakeCurrent(TGuiForm* Form) {
  State.Current = Form;
  if (Form == nullptr) return;
  Form->Show(FormLayer);
  Tell(TGuiHappening::FormShown, Form->Name);
}

void HideCurrent() {
  TGuiForm* form = State.Current;
  State.Current = nullptr;
  if (form != nullptr) form->Hide();
}

// Frees a registry, telling each object it goes.
template <class T>
void FreeRegistry(std::unique_ptr<TContainer>& Registry) {
  if (!Registry) return;
  if constexpr (requires(T * t) { t->BeforeDestroy(); }) {
    for (TItem* item : *Registry) static_cast<T*>(item)->BeforeDestroy();
  }
  Registry.reset();
}

template <class T>
T* Register(std::unique_ptr<TContainer>& Registry, std::unique_ptr<T> Object) {
  if (!Registry || !Object) return nullptr;
  T* object = Object.release();
  Registry->Insert(object, false);
  if constexpr (requires(T * t) { t->AfterCreate(); }) object->AfterCreate();
  return object;
}

template <class T>
T* FindIn(const std::unique_ptr<TContainer>& Registry, const std::string& Name) {
  if (!Registry || Name.empty()) return nullptr;
  return static_cast<T*>(Registry->Find(Name));
}

}  // namespace

// ---- Values and placement -------------------------------------------------------------------

bool TGuiValue::AsBool() const {
  if (const auto* b = std::get_if<bool>(&Value)) return *b;
  if (const auto* i = std::get_if<int32_t>(&Value)) return *i != 0;
  if (const auto* f = std::get_if<float>(&Value)) return *f != 0;
  return AsInt() != 0;
}

int32_t TGuiValue::AsInt() const {
  if (const auto* b = std::get_if<bool>(&Value)) return *b ? 1 : 0;
  if (const auto* i = std::get_if<int32_t>(&Value)) return *i;
  if (const auto* f = std::get_if<float>(&Value)) {
    if (!std::isfinite(*f)) return 0;
    const double r = std::nearbyint(static_cast<double>(*f));
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
  }
  const std::string& s = std::get<std::string>(Value);
  int32_t result = 0;
  std::from_chars(s.data(), s.data() + s.size(), result);
  return result;
}

float TGuiValue::AsFloat() const {
  if (const auto* b = std::get_if<bool>(&Value)) return *b ? 1.0f : 0.0f;
  if (const auto* i = std::get_if<int32_t>(&Value)) return static_cast<float>(*i);
  if (const auto* f = std::get_if<float>(&Value)) return *f;
  const std::string& s = std::get<std::string>(Value);
  float result = 0;
  std::from_chars(s.data(), s.data() + s.size(), result);
  return result;
}

std::string TGuiValue::AsString() const {
  if (const auto* s = std::get_if<std::string>(&Value)) return *s;
  if (const auto* b = std::get_if<bool>(&Value)) return *b ? "1" : "0";
  if (const auto* i = std::get_if<int32_t>(&Value)) return std::to_string(*i);
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<float>(Value));
  return std::string(buffer, result.ptr);
}

void ApplyPlaceOp(TGuiRect& P, TGuiRect (&Saved)[3], int32_t Op, float V) {
  const float a = std::fabs(V);
  // New size along one axis keeping the edge on the side given: the centre moves by half the change.
  auto keepHigh = [](float& Centre, float& Size, float NewSize) {  // the right or bottom edge stays
    Centre -= (NewSize - Size) / 2;
    Size = NewSize;
  };
  auto keepLow = [](float& Centre, float& Size, float NewSize) {  // the left or top edge stays
    Centre += (NewSize - Size) / 2;
    Size = NewSize;
  };
  // A box of size a beside the rectangle along one axis, before it (left, above) or after it.
  auto beside = [a](float& Centre, float& Size, bool After) {
    Centre = After ? Centre + Size / 2 + a / 2 : Centre - Size / 2 - a / 2;
    Size = a;
  };
  auto slot = [&] {
    const float r = std::nearbyint(V);
    return r <= 0 ? 0 : (r >= 2 ? 2 : static_cast<int32_t>(r));
  };
  switch (Op) {
    case PlaceSave: Saved[slot()] = P; break;
    case PlaceRestore: P = Saved[slot()]; break;
    case PlaceSetX: P.X = V; break;
    case PlaceSetY: P.Y = V; break;
    case PlaceAddX: P.X += V; break;
    case PlaceAddY: P.Y += V; break;
    case PlaceMirrorX: P.X = V - P.X; break;
    case PlaceMirrorY: P.Y = V - P.Y; break;
    case PlaceStepLeft: P.X = P.X - P.W + V; break;
    case PlaceStepRight: P.X = P.X + P.W + V; break;
    case PlaceStepUp: P.Y = P.Y - P.H + V; break;
    case PlaceStepDown: P.Y = P.Y + P.H + V; break;
    case PlaceBoxLeft: beside(P.X, P.W, false); break;
    case PlaceBoxRight: beside(P.X, P.W, true); break;
    case PlaceBoxAbove: beside(P.Y, P.H, false); break;
    case PlaceBoxBelow: beside(P.Y, P.H, true); break;
    case PlaceSquare:
      P.W = a;
      P.H = a;
      break;
    case PlaceWidth: P.W = a; break;
    case PlaceHeight: P.H = a; break;
    case PlaceWidthKeepRight: keepHigh(P.X, P.W, a); break;
    case PlaceWidthKeepLeft: keepLow(P.X, P.W, a); break;
    case PlaceHeightKeepBottom: keepHigh(P.Y, P.H, a); break;
    case PlaceHeightKeepTop: keepLow(P.Y, P.H, a); break;
    case PlaceGrow:
      P.W = MaxF(0, P.W + V);
      P.H = MaxF(0, P.H + V);
      break;
    case PlaceGrowWidth: P.W = MaxF(0, P.W + V); break;
    case PlaceGrowHeight: P.H = MaxF(0, P.H + V); break;
    case PlaceGrowWidthKeepRight: keepHigh(P.X, P.W, MaxF(0, P.W + V)); break;
    case PlaceGrowWidthKeepLeft: keepLow(P.X, P.W, MaxF(0, P.W + V)); break;
    case PlaceGrowHeightKeepBottom: keepHigh(P.Y, P.H, MaxF(0, P.H + V)); break;
    case PlaceGrowHeightKeepTop: keepLow(P.Y, P.H, MaxF(0, P.H + V)); break;
    case PlaceHalfWidthKeepRight: keepHigh(P.X, P.W, MaxF(0, P.W / 2 + V)); break;
    case PlaceHalfWidthKeepLeft: keepLow(P.X, P.W, MaxF(0, P.W / 2 + V)); break;
    case PlaceHalfHeightKeepBottom: keepHigh(P.Y, P.H, MaxF(0, P.H / 2 + V)); break;
    case PlaceHalfHeightKeepTop: keepLow(P.Y, P.H, MaxF(0, P.H / 2 + V)); break;
    default: break;
  }
}

// ---- Controls -------------------------------------------------------------------------------

bool TGuiControl::HitTest(TVector Local) {
  return std::fabs(Local.X - Offset.X) <= Size.X / 2 && std::fabs(Local.Y - Offset.Y) <= Size.Y / 2;
}

namespace {
template <class T>
void Change(TGuiControl& C, T& Field, const T& Value) {
  if (Field == Value) return;
  Field = Value;
  C.Dirty = true;
}
}  // namespace

void TGuiControl::SetProperty(int32_t Index, const TGuiValue& Value) {
  switch (Index) {
    case PropName: SetName(Value.AsString()); break;
    case PropGroup: Group = Value.AsString(); break;
    case PropVisible: Change(*this, Visible, Value.AsBool()); break;
    case PropEnabled: Change(*this, Enabled, Value.AsBool()); break;
    case PropDown: Change(*this, Down, Value.AsBool()); break;
    case PropToggle: Change(*this, Toggle, Value.AsBool()); break;
    case PropScale: Change(*this, Scale, Value.AsFloat()); break;
    case PropParam1: Change(*this, Param1, Value.AsInt()); break;
    case PropParam2: Change(*this, Param2, Value.AsInt()); break;
    case PropParam3: Change(*this, Param3, Value.AsInt()); break;
    case PropColor: {
      const auto packed = static_cast<uint32_t>(Value.AsInt());
      const TVector3 color{static_cast<float>((packed >> 16) & 0xFF) / 255.0f,
                           static_cast<float>((packed >> 8) & 0xFF) / 255.0f,
                           static_cast<float>(packed & 0xFF) / 255.0f};
      if (color.X != Color.X || color.Y != Color.Y || color.Z != Color.Z) {
        Color = color;
        Dirty = true;
      }
      break;
    }
    case PropAlpha: Change(*this, Alpha, Value.AsFloat()); break;
    case PropParamA:
    case PropParamA2: Change(*this, ParamA, Value.AsString()); break;
    case PropParamB: Change(*this, ParamB, Value.AsString()); break;
    case PropParamD:
    case PropParamD2: Change(*this, ParamD, Value.AsInt()); break;
    case PropParamE: Change(*this, ParamE, Value.AsInt()); break;
    case PropParamC: Change(*this, ParamC, Value.AsString()); break;
    case PropParamF: Change(*this, ParamF, Value.AsInt()); break;
    case PropParamByte: Change(*this, ParamByte, static_cast<uint8_t>(Value.AsInt())); break;
    case PropText:
      TextKey.clear();
      Change(*this, Text, Value.AsString());
      break;
    case PropTextKey:
      TextKey = Value.AsString();
      Change(*this, Text, GetText(TextKey));
      break;
    case PropHintText:
      HintTextKey.clear();
      HintText = Value.AsString();
      HintChanged();
      break;
    case PropHintTextKey:
      HintTextKey = Value.AsString();
      HintText = GetText(HintTextKey);
      HintChanged();
      break;
    case PropCursorName: CursorName = Value.AsString(); break;
    case PropHintName: HintName = Value.AsString(); break;
    default: break;
  }
}

void TGuiControl::HintChanged() {
  // Only the hovered control's hint is on screen or pending. A pending one picks the new text up
  // when its delay runs out, unless the control no longer has one.
  if (State.Hovered != this) return;
  if (State.PendingHint != nullptr) {
    if (HintText.empty()) State.PendingHint = nullptr;
    return;
  }
  DropHint(State.Hint);
  if (HintText.empty() || Form == nullptr) return;
  State.PendingHint = FindHint(HintName.empty() ? Form->HintName : HintName);
  State.HintTimer = 0;
}

void TGuiControl::SetOffset(TVector Value) {
  if (VectorsEqual(Offset, Value)) return;
  Offset = Value;
  Dirty = true;
}

void TGuiControl::SetSize(TVector Value) {
  if (VectorsEqual(Size, Value)) return;
  Size = Value;
  Dirty = true;
}

void TGuiControl::SetOffsetX(float Value) { SetOffset({Value, Offset.Y}); }
void TGuiControl::SetOffsetY(float Value) { SetOffset({Offset.X, Value}); }
void TGuiControl::SetAlpha(float Value) { Change(*this, Alpha, Value); }
void TGuiControl::SetScale(float Value) { Change(*this, Scale, Value); }
void TGuiControl::SetText(const std::string& Value) { Change(*this, Text, Value); }

void TGuiControl::SetDown(bool Value) {
  Down = Value;
  Dirty = true;
  if (!Value || Group.empty() || Form == nullptr) return;
  for (TItem* item : Form->Controls) {
    auto* other = static_cast<TGuiControl*>(item);
    if (other != this && other->Down && other->Group == Group) {
      other->Down = false;
      other->Dirty = true;
    }
  }
}

// ---- Forms ----------------------------------------------------------------------------------

TGuiForm::TGuiForm(std::string Name, std::string Cursor, std::string Hint)
    : TNamedItem(std::move(Name)), CursorName(std::move(Cursor)), HintName(std::move(Hint)) {}

TGuiForm::~TGuiForm() {
  // A form freed while shown (a registry dropped without hiding it) must not leave the module
  // pointing at it or at its controls.
  if (State.InputForm == this) {
    State.InputForm = nullptr;
    State.Hovered = nullptr;
    State.PendingHint = nullptr;
  }
  if (State.Current == this) State.Current = nullptr;
  if (State.Pending == this) State.Pending = nullptr;
  for (TGuiDialog*& slot : State.Slots) {
    if (slot == this) slot = nullptr;
  }
  ++ControlsGeneration;
}

void TGuiForm::Show(int32_t AtLayer) {
  Shown = true;
  Canvas = VideoStarted() ? MainCanvas() : nullptr;
  Origin = {0, 0};
  Layer = AtLayer;
  const TVector screen = ScreenSize();
  PlaceRect = {0, 0, screen.X, screen.Y};
  SavedPlaces[0] = PlaceRect;
  OnShow();
  if (!Shown) return;  // OnShow hid the form again
  for (TItem* item : Controls) static_cast<TGuiControl*>(item)->Dirty = true;
}

void TGuiForm::Hide() {
  if (!Shown) return;
  TakeInput(this);
  ForEachControl(this, [](TGuiControl* c) { c->Render(false); });
  OnHide();
  Shown = false;
  for (TItem* item : Controls) ForgetControl(this, static_cast<TGuiControl*>(item));
  for (TItem* item : Controls) static_cast<TGuiControl*>(item)->BeforeDestroy();
  ++ControlsGeneration;
  Controls.Clear();
  Sender = nullptr;
  RecommendedControl = nullptr;
  Focus = nullptr;
  for (TGuiControl*& slot : KeyControls) slot = nullptr;
}

void TGuiForm::AttachControl(std::unique_ptr<TGuiControl> Owned, int32_t LayerOffset) {
  TGuiControl* control = Owned.get();
  control->Form = this;
  control->Layer = Layer + LayerOffset;
  control->Canvas = Canvas;
  control->Origin = Origin;
  control->Offset = {PlaceRect.X - Origin.X, PlaceRect.Y - Origin.Y};
  control->Size = {PlaceRect.W, PlaceRect.H};
  control->Visible = true;
  control->Scale = 1;
  control->Color = {1, 1, 1};
  control->Alpha = 1;
  control->AfterCreate();
  Controls.Insert(std::move(Owned), false);
  Sender = control;
}

void TGuiForm::DestroyControl(TGuiControl* Control) {
  if (Control == nullptr || Control->Container != &Controls) return;
  ForgetControl(this, Control);
  Control->Render(false);
  Control->BeforeDestroy();
  ++ControlsGeneration;
  Controls.Remove(Control);
}

TGuiControl* TGuiForm::FindControl(const std::string& ControlName) {
  return static_cast<TGuiControl*>(Controls.Find(ControlName));
}

void TGuiForm::SetRecommended(TGuiControl* Control, int32_t Side) {
  if (Control == RecommendedControl) return;
  RecommendedControl = Control;
  RecommendedSide = Clamp(Side, 0, 3);
}

void TGuiForm::SetRecommendedByName(const std::string& ControlName, int32_t Side) {
  SetRecommended(ControlName.empty() ? nullptr : FindControl(ControlName), Side);
}

void TGuiForm::Relocalize() {
  for (TItem* item : Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (!c->TextKey.empty()) c->SetText(GetText(c->TextKey));
    if (!c->HintTextKey.empty()) c->SetProperty(PropHintTextKey, c->HintTextKey);
  }
  OnRelocalize();
}

// ---- Dialogs --------------------------------------------------------------------------------

TGuiDialog::TGuiDialog(std::string Name, std::string Cursor, std::string Hint, float FadeIn, float FadeOut)
    : TGuiForm(std::move(Name), std::move(Cursor), std::move(Hint)), FadeInTime(FadeIn), FadeOutTime(FadeOut) {}

void TGuiDialog::Show(int32_t AtLayer) {
  if (Shown) return;
  CurrentFadeIn = FadeInTime;
  CurrentFadeOut = FadeOutTime;
  Ready = false;
  TGuiForm::Show(AtLayer);
  FadeState = TFadeState::FadingIn;
  FadeAlpha = 0;
}

void TGuiDialog::Hide(bool AtOnce) {
  if (!Shown) return;
  Ready = false;
  if (AtOnce) {
    FadeState = TFadeState::Hidden;
    FadeAlpha = 0;
    TGuiForm::Hide();
  } else if (FadeState != TFadeState::Hidden) {
    FadeState = TFadeState::FadingOut;
  }
}

void TGuiDialog::StepFade(float Dt) {
  if (FadeState == TFadeState::FadingIn) {
    FadeAlpha = CurrentFadeIn > 0 ? FadeAlpha + Dt / CurrentFadeIn : 1.0f;
    if (FadeAlpha >= 1) {
      FadeState = TFadeState::Shown;
      FadeAlpha = 1;
      Ready = true;
    }
  } else if (FadeState == TFadeState::FadingOut) {
    FadeAlpha = CurrentFadeOut > 0 ? FadeAlpha - Dt / CurrentFadeOut : 0.0f;
    if (FadeAlpha <= 0) {
      FadeState = TFadeState::Hidden;
      FadeAlpha = 0;
      TGuiForm::Hide();
    }
  }
}

// ---- Hints, cursors, transitions ------------------------------------------------------------

TGuiHint::TGuiHint(std::string Name, float HintDelay, float FadeIn, float FadeOut)
    : TNamedItem(std::move(Name)), Delay(HintDelay), FadeInTime(FadeIn), FadeOutTime(FadeOut) {}

void TGuiHint::StepFade(float Dt) {
  if (FadeState == TFadeState::FadingIn) {
    FadeAlpha = FadeInTime > 0 ? FadeAlpha + Dt / FadeInTime : 1.0f;
    if (FadeAlpha >= 1) {
      FadeState = TFadeState::Shown;
      FadeAlpha = 1;
    }
  } else if (FadeState == TFadeState::FadingOut) {
    FadeAlpha = FadeOutTime > 0 ? FadeAlpha - Dt / FadeOutTime : 0.0f;
    if (FadeAlpha <= 0) {
      FadeState = TFadeState::Hidden;
      FadeAlpha = 0;
    }
  }
}

void TGuiHint::FadeOut() {
  if (FadeState != TFadeState::Hidden) FadeState = TFadeState::FadingOut;
}

void PlaceHintBox(TGuiHint& Hint, TVector TextSize, TVector Screen) {
  Hint.BoxSize = {TextSize.X + 2 * Hint.Margin, TextSize.Y + 2 * Hint.Margin};
  const float reach = Hint.ControlHalfHeight + Hint.Gap + Hint.BoxSize.Y / 2;
  const float above = Hint.Anchor.Y - reach;
  Hint.BoxCenter.Y = above - Hint.BoxSize.Y / 2 >= -Screen.Y / 2 ? above : Hint.Anchor.Y + reach;
  const float half = Screen.X / 2 - Hint.BoxSize.X / 2;
  Hint.BoxCenter.X = half <= 0 ? 0 : (Hint.Anchor.X < -half ? -half : (Hint.Anchor.X > half ? half : Hint.Anchor.X));
}

void PlaceHintBox(TGuiHint& Hint) {
  TVector size;
  int32_t lines = 0;
  if (TextsStarted()) MeasureText(Hint.Text, Hint.FontIndex, Hint.MaxTextWidth, size, lines);
  PlaceHintBox(Hint, size, ScreenSize());
}

void TGuiTransition::Step() {
  bool done = false;
  switch (Phase) {
    case TTransitionPhase::Cover1: done = CoverStep1(); break;
    case TTransitionPhase::Cover2: done = CoverStep2(); break;
    case TTransitionPhase::Cover3: done = CoverStep3(); break;
    case TTransitionPhase::Covered: done = true; break;
    case TTransitionPhase::Uncover1: done = UncoverStep1(); break;
    case TTransitionPhase::Uncover2: done = UncoverStep2(); break;
    case TTransitionPhase::Uncover3: done = UncoverStep3(); break;
    case TTransitionPhase::Done: break;
  }
  if (done && Phase != TTransitionPhase::Done) Phase = static_cast<TTransitionPhase>(static_cast<int>(Phase) + 1);
}

// ---- The module -----------------------------------------------------------------------------

void GuiStartup() {
  if (State.Started) return;
  State = TGuiState{};
  State.Cursors = std::make_unique<TContainer>(false, true);
  State.Hints = std::make_unique<TContainer>(false, true);
  State.Dialogs = std::make_unique<TContainer>(false, true);
  State.Transitions = std::make_unique<TContainer>(false, true);
  State.Forms = std::make_unique<TContainer>(false, true);
  State.Started = true;
  SetGuiHandler(&ScreenHandler);
  SetRelocalizeHook(&RelocalizeAll);
  if (StartupHook) StartupHook();
}

void GuiShutdown() {
  if (GetGuiHandler() == &ScreenHandler) SetGuiHandler(nullptr);
  if (!State.Started) return;
  SetRelocalizeHook(nullptr);
  HideAllDialogs();
  // The current form is hidden too, so that its controls give their sprites back while the video
  // device still runs, and no transition is left half-way.
  StopTransition();
  State.Pending = nullptr;
  HideCurrent();
  DropHint(State.Hint);
  State.PendingHint = nullptr;
  if (State.Ring) State.Ring->Show(nullptr, 0);
  State.Ring.reset();
  if (State.Cursor != nullptr) {
    TGuiCursor* cursor = State.Cursor;
    State.Cursor = nullptr;
    cursor->Show(false);
  }
  FreeRegistry<TGuiForm>(State.Forms);
  FreeRegistry<TGuiTransition>(State.Transitions);
  FreeRegistry<TGuiDialog>(State.Dialogs);
  FreeRegistry<TGuiHint>(State.Hints);
  FreeRegistry<TGuiCursor>(State.Cursors);
  State = TGuiState{};
}

bool GuiStarted() { return State.Started; }

TGuiCursor* RegisterCursor(std::unique_ptr<TGuiCursor> Cursor) { return Register(State.Cursors, std::move(Cursor)); }
TGuiHint* RegisterHint(std::unique_ptr<TGuiHint> Hint) { return Register(State.Hints, std::move(Hint)); }
TGuiDialog* RegisterDialog(std::unique_ptr<TGuiDialog> Dialog) { return Register(State.Dialogs, std::move(Dialog)); }
TGuiTransition* RegisterTransition(std::unique_ptr<TGuiTransition> Transition) {
  return Register(State.Transitions, std::move(Transition));
}
TGuiForm* RegisterForm(std::unique_ptr<TGuiForm> Form) { return Register(State.Forms, std::move(Form)); }

TGuiCursor* FindCursor(const std::string& Name) { return FindIn<TGuiCursor>(State.Cursors, Name); }
TGuiHint* FindHint(const std::string& Name) { return FindIn<TGuiHint>(State.Hints, Name); }
TGuiDialog* FindDialog(const std::string& Name) { return FindIn<TGuiDialog>(State.Dialogs, Name); }
TGuiTransition* FindTransition(const std::string& Name) { return FindIn<TGuiTransition>(State.Transitions, Name); }
TGuiForm* FindForm(const std::string& Name) { return FindIn<TGuiForm>(State.Forms, Name); }
TContainer* GuiForms() { return State.Forms.get(); }
TContainer* GuiDialogs() { return State.Dialogs.get(); }

void ShowForm(const std::string& Name) {
  TGuiForm* form = FindForm(Name);
  if (form == nullptr && !Name.empty()) return;  // an unknown name changes nothing
  StopTransition();
  HideCurrent();
  State.Pending = nullptr;
  MakeCurrent(form);
}

// Unknown screen names do nothing; in debug mode they are logged, since they are a misspelt name
// in the code or a screen that was never registered.
void WarnUnknownScreen(const char* What, const std::string& Name) {
  if (IsDebugMode()) AddLogMessage(std::string("Unknown ") + What + " \"" + Name + "\"");
}

void GuiSwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) {
  TGuiTransition* transition = FindTransition(TransitionName);
  if (transition == nullptr) {
    WarnUnknownScreen("transition", TransitionName);
    return;
  }
  StopTransition();
  State.Pending = FindForm(FormName);
  if (State.Pending == nullptr && !FormName.empty()) WarnUnknownScreen("form", FormName);
  State.Transition = transition;
  transition->Callback = std::move(Callback);
  transition->Layer = TransitionLayer;
  transition->FromNothing = State.Current == nullptr;
  transition->Phase = TTransitionPhase::Cover1;
  Tell(TGuiHappening::TransitionStart, transition->Name);
  transition->Begin();
}

void GuiShowDialog(const std::string& Name, const TDialogArgs& Args) {
  TGuiDialog* dialog = FindDialog(Name);
  if (dialog == nullptr) WarnUnknownScreen("dialog", Name);
  if (dialog == nullptr || dialog->Shown) return;
  for (int32_t k = 0; k < DialogSlotCount; ++k) {
    if (State.Slots[k] != nullptr) continue;
    State.Slots[k] = dialog;
    dialog->MessageKey = Args.MessageKey;
    dialog->DefaultText = Args.DefaultText;
    dialog->Value = Args.Value;
    dialog->MaxLength = Args.MaxLength;
    dialog->OnDone = Args.OnDone;
    dialog->OnText = Args.OnText;
    dialog->OnItem = Args.OnItem;
    dialog->Data = Args.Data;
    Tell(TGuiHappening::DialogShown, dialog->Name);
    dialog->Show((k + 1) * DialogLayerStep);
    return;
  }
}

void GuiSendCommand(const std::string& FormName, const std::string& Text, TItem* Data) {
  if (Text.empty()) return;
  TGuiForm* form = FindForm(FormName);
  if (form == nullptr) form = FindDialog(FormName);
  if (form == nullptr) {
    WarnUnknownScreen("form", FormName);
    return;
  }
  form->CommandText = Text;
  form->CommandData = Data;
  form->OnCommand();
}

void GuiDropCallbacks() {
  if (State.Transition != nullptr) State.Transition->Callback = nullptr;
  for (TGuiDialog* dialog : State.Slots) {
    if (dialog == nullptr) continue;
    dialog->OnDone = nullptr;
    dialog->OnText = nullptr;
    dialog->OnItem = nullptr;
  }
}

void HideDialog(TGuiDialog* Dialog) {
  if (Dialog == nullptr) return;
  for (TGuiDialog* slot : State.Slots) {
    if (slot == Dialog) Dialog->Hide(false);
  }
}

void HideAllDialogs() {
  for (TGuiDialog*& slot : State.Slots) {
    TGuiDialog* dialog = slot;
    if (dialog == nullptr) continue;
    slot = nullptr;
    dialog->Hide(true);
    Tell(TGuiHappening::DialogHidden, dialog->Name);
  }
}

void SetCursor(const std::string& Name) {
  if (State.Cursor != nullptr && State.Cursor->Name == Name) return;
  if (State.Cursor != nullptr) State.Cursor->Show(false);
  State.Cursor = FindCursor(Name);
}

void Reshow(TGuiForm* Form) {
  if (Form == nullptr || !Form->Shown) return;
  const int32_t layer = Form->Layer;
  Form->Hide();
  Form->Show(layer);
}

void SetFocusRing(std::unique_ptr<TGuiFocusRing> Ring) {
  if (!State.Started) return;
  if (State.Ring) State.Ring->Show(nullptr, 0);
  State.Ring = std::move(Ring);
}

void RelocalizeAll() {
  if (!State.Started) return;
  for (TItem* item : *State.Dialogs) static_cast<TGuiDialog*>(item)->Relocalize();
  for (TItem* item : *State.Forms) static_cast<TGuiForm*>(item)->Relocalize();
}

// ---- The frame step -------------------------------------------------------------------------

namespace {

// The visible, enabled control of Form with the highest layer whose shape holds Point.
TGuiControl* HitWinner(TGuiForm* Form, TVector Point) {
  TGuiControl* winner = nullptr;
  if (Form == nullptr) return winner;
  int32_t best = INT32_MIN;
  for (TItem* item : Form->Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (!c->Visible || !c->Enabled || c->Layer < best) continue;
    if (c->HitTest({Point.X - c->Origin.X, Point.Y - c->Origin.Y})) {
      winner = c;
      best = c->Layer;
    }
  }
  return winner;
}

bool CanFocus(const TGuiControl* Control) { return Control != nullptr && Control->Usable() && Control->TakesFocus(); }

// Tab's order: rows from the top (a row is a band of this many units), left to right in a row,
// then the order the controls were made in.
constexpr float FocusRowHeight = 24;

struct TReadingKey {
  int32_t Row = 0;
  float X = 0;
  int32_t Index = 0;
  bool operator<(const TReadingKey& B) const {
    if (Row != B.Row) return Row < B.Row;
    if (X != B.X) return X < B.X;
    return Index < B.Index;
  }
};

TReadingKey ReadingKey(const TGuiControl* Control, int32_t Index) {
  const TVector at = Control->ScreenCenter();
  return {static_cast<int32_t>(std::floor(at.Y / FocusRowHeight)), at.X, Index};
}

// The focusable control after (Forward) or before From in reading order, wrapping round; the
// first (or last) one when From is none.
TGuiControl* ReadingNeighbour(TGuiForm* Form, const TGuiControl* From, bool Forward) {
  TReadingKey from;
  bool haveFrom = false;
  int32_t index = 0;
  for (TItem* item : Form->Controls) {
    if (item == From) {
      from = ReadingKey(From, index);
      haveFrom = true;
    }
    ++index;
  }
  TGuiControl* next = nullptr;  // the nearest one on the wanted side
  TReadingKey nextKey;
  TGuiControl* wrap = nullptr;  // the one to wrap round to: the first (or last) of all
  TReadingKey wrapKey;
  index = 0;
  for (TItem* item : Form->Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    const TReadingKey key = ReadingKey(c, index++);
    if (!CanFocus(c) || c == From) continue;
    if (wrap == nullptr || (Forward ? key < wrapKey : wrapKey < key)) {
      wrap = c;
      wrapKey = key;
    }
    const bool onSide = haveFrom && (Forward ? from < key : key < from);
    if (onSide && (next == nullptr || (Forward ? key < nextKey : nextKey < key))) {
      next = c;
      nextKey = key;
    }
  }
  return next != nullptr ? next : wrap;
}

// The focusable control nearest From in the direction (DX, DY), one of the four axes: its centre
// must lie ahead of From's. Boxes are compared edge to edge: the gap ahead counts once, a gap to
// the side three times (a control in line wins over a nearer one off to the side), and the centres'
// sideways offset breaks ties. None when nothing is ahead.
TGuiControl* NearestInDirection(TGuiForm* Form, const TGuiControl* From, float DX, float DY) {
  const TVector at = From->ScreenCenter();
  const bool across = DX != 0;  // moving left or right: the side is vertical
  const float halfAhead = (across ? From->Size.X : From->Size.Y) / 2;
  const float halfSide = (across ? From->Size.Y : From->Size.X) / 2;
  const float sign = DX + DY;
  TGuiControl* best = nullptr;
  float bestScore = 0;
  for (TItem* item : Form->Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (c == From || !CanFocus(c)) continue;
    const TVector to = c->ScreenCenter();
    const float centreAhead = ((across ? to.X - at.X : to.Y - at.Y)) * sign;
    if (centreAhead < 1) continue;
    const float centreSide = std::fabs(across ? to.Y - at.Y : to.X - at.X);
    const float cHalfAhead = (across ? c->Size.X : c->Size.Y) / 2;
    const float cHalfSide = (across ? c->Size.Y : c->Size.X) / 2;
    const float gapAhead = std::fmax(0.0f, centreAhead - halfAhead - cHalfAhead);
    const float gapSide = std::fmax(0.0f, centreSide - halfSide - cHalfSide);
    const float score = gapAhead + 3 * gapSide + 0.01f * centreSide;
    if (best == nullptr || score < bestScore) {
      best = c;
      bestScore = score;
    }
  }
  return best;
}

// Where the focus goes when a form has none: the Confirm key's control, else the recommended
// one, else the first in reading order.
TGuiControl* DefaultFocus(TGuiForm* Form) {
  if (CanFocus(Form->KeyControls[KeySlotConfirm])) return Form->KeyControls[KeySlotConfirm];
  if (CanFocus(Form->RecommendedControl)) return Form->RecommendedControl;
  return ReadingNeighbour(Form, nullptr, true);
}

// Moves the focus of the form that has input by the keys pressed in this frame, and clicks the
// focused control on the activate key. True when it clicked. Without keyboard or controller play
// the focus stays where it is, unseen.
bool StepFocus(TGuiForm* Form) {
  if (InputDevice() == TGuiDevice::Mouse) return false;
  if (Form->Focus == nullptr) {
    // The first key only shows where the focus is (an activate key that did so is used up).
    Form->Focus = DefaultFocus(Form);
    return Form->Focus != nullptr && InputPressed(GuiKeyActivate);
  }
  struct TDirection {
    int32_t Key;
    float DX;
    float DY;
  };
  constexpr TDirection Directions[] = {
      {GuiKeyFocusUp, 0, -1}, {GuiKeyFocusDown, 0, 1}, {GuiKeyFocusLeft, -1, 0}, {GuiKeyFocusRight, 1, 0}};
  // A focused control that cannot be used now (a trade button while its trade plays, a site the
  // hero just left) keeps the focus unseen, so that it comes back with the control; a key that
  // moves goes on from where it stands, or to the default when nothing lies that way.
  const bool usable = CanFocus(Form->Focus);
  bool moved = false;
  for (const TDirection& d : Directions) {
    if (!InputPressed(d.Key)) continue;
    moved = true;
    if (TGuiControl* next = NearestInDirection(Form, Form->Focus, d.DX, d.DY)) Form->Focus = next;
  }
  if (InputPressed(GuiKeyFocusNext) || InputPressed(GuiKeyFocusPrevious)) {
    moved = true;
    if (TGuiControl* next = ReadingNeighbour(Form, Form->Focus, InputPressed(GuiKeyFocusNext))) Form->Focus = next;
  }
  if (moved && !CanFocus(Form->Focus)) {
    if (TGuiControl* fallback = DefaultFocus(Form)) Form->Focus = fallback;
  }
  if (!InputPressed(GuiKeyActivate)) return false;
  if (usable && !moved) ClickControl(Form->Focus);
  return true;
}

// Tells the observer where the shown focus is, once for each change.
void TellFocus() {
  TGuiControl* shown = FocusedControl();
  if (shown == nullptr || shown == State.ToldFocus) return;
  State.ToldFocus = shown;
  Tell(TGuiHappening::Focus, shown->Name, shown->Form->Name);
}

}  // namespace

void UpdateGui() {
  if (!State.Started) return;
  const float dt = TimeStep();

  // 1. Dialog fades; a dialog no longer shown leaves its slot.
  for (TGuiDialog*& slot : State.Slots) {
    TGuiDialog* dialog = slot;
    if (dialog == nullptr) continue;
    dialog->StepFade(dt);
    if (!dialog->Shown && slot == dialog) {
      slot = nullptr;
      Tell(TGuiHappening::DialogHidden, dialog->Name);
    }
  }

  // 2. The input target.
  TGuiForm* target = InputTarget();
  TGuiForm* accepting = InputTargetReady() ? target : nullptr;

  // 3. Activation.
  if (accepting != State.InputForm) {
    TakeInput(State.InputForm);
    GiveInput(accepting);
  }

  // 4. Hit test.
  const TVector mouse = InputMouse();
  TGuiControl* winner = InputMouseInside() ? HitWinner(State.InputForm, mouse) : nullptr;

  // 5. Hover.
  if (winner != State.Hovered) {
    const uint32_t before = ControlsGeneration;
    LeaveHovered();
    // When the leave handler destroyed controls, the winner may be gone: it is found next frame.
    if (winner != nullptr && State.InputForm != nullptr && before == ControlsGeneration) {
      State.Hovered = winner;
      winner->Hovered = true;
      winner->Dirty = true;
      const uint32_t generation = ControlsGeneration;
      winner->OnMouseEnter();
      if (generation == ControlsGeneration && State.Hovered == winner && !winner->HintText.empty()) {
        State.PendingHint = FindHint(winner->HintName.empty() ? winner->Form->HintName : winner->HintName);
        State.HintTimer = 0;
      }
    }
  }

  // 6. The mouse button on the hovered control.
  if (TGuiControl* control = State.Hovered) {
    TGuiForm* form = control->Form;
    const TVector local{mouse.X - control->Origin.X, mouse.Y - control->Origin.Y};
    const bool down = InputDown(GuiKeyClick);
    const bool wasDown = InputWasDown(GuiKeyClick);
    auto alive = [&] { return State.Hovered == control; };
    if (down && !wasDown) {
      State.ClickTimer = dt + ClickTimeLimit;
      control->Pressed = true;
      control->Dirty = true;
      control->OnMouseDown(local);
      if (alive()) {
        form->Sender = control;
        form->OnMouseDown(local);
      }
    }
    if (alive() && down && control->Pressed) {
      if (State.ClickTimer >= 0) State.ClickTimer -= dt;
      control->OnMouseHold(local);
      if (alive()) {
        form->Sender = control;
        form->OnMouseHold(local);
      }
    }
    if (alive() && !down && control->Pressed) {
      control->Pressed = false;
      control->Dirty = true;
      if (wasDown) {
        control->OnMouseUp(local);
        if (alive()) {
          form->Sender = control;
          form->OnMouseUp(local);
        }
      }
      if (alive() && State.InputForm != nullptr && State.ClickTimer >= 0) ClickControl(control);
    }
  }

  // 7. The focus, then the shortcut keys (the activate key counts as Confirm where no focus
  // took it).
  if (TGuiForm* form = State.InputForm; form != nullptr && !StepFocus(form) && State.InputForm == form) {
    for (int32_t slot = 0; slot < KeySlotCount; ++slot) {
      const bool activate = slot == KeySlotConfirm && InputPressed(GuiKeyActivate);
      if (!InputPressed(SlotKeys[slot]) && !activate) continue;
      TGuiControl* control = form->KeyControls[slot];
      if (control == nullptr || !control->Usable()) continue;
      ClickControl(control);
      break;
    }
  }

  // 8. Cursor.
  target = InputTarget();
  const std::string* cursor = target != nullptr ? &target->CursorName : &EmptyName;
  if (State.Hovered != nullptr && !State.Hovered->CursorName.empty()) cursor = &State.Hovered->CursorName;
  SetCursor(*cursor);

  // 9. The hint on screen fades.
  if (State.Hint != nullptr) {
    State.Hint->StepFade(dt);
    if (State.Hint->FadeState == TFadeState::Hidden) DropHint(State.Hint);
  }

  // 10. The pending hint.
  if (State.Hovered != nullptr && State.PendingHint != nullptr && State.Hovered->HintText.empty()) {
    State.PendingHint = nullptr;
  }
  if (State.Hovered != nullptr && State.PendingHint != nullptr) {
    State.HintTimer += dt;
    if (State.HintTimer >= State.PendingHint->Delay) {
      DropHint(State.Hint);
      TGuiHint* hint = State.PendingHint;
      TGuiControl* control = State.Hovered;
      hint->Text = control->HintText;
      hint->Anchor = control->ScreenCenter();
      hint->ControlHalfHeight = control->Size.Y / 2;
      hint->FadeState = TFadeState::FadingIn;
      hint->FadeAlpha = 0;
      State.Hint = hint;
      State.PendingHint = nullptr;
    }
  }

  // 11. Dialogs update, topmost first.
  for (int32_t k = DialogSlotCount - 1; k >= 0; --k) {
    if (TGuiDialog* dialog = State.Slots[k]; dialog != nullptr && dialog->Shown) UpdateForm(dialog);
  }

  // 12. The transition; the screen switches when the screen is covered.
  if (TGuiTransition* transition = State.Transition) {
    transition->Step();
    if (transition->Phase == TTransitionPhase::Done) {
      StopTransition();
    } else if (transition->Phase == TTransitionPhase::Covered) {
      HideCurrent();
      TGuiCallback callback = std::move(transition->Callback);
      transition->Callback = nullptr;
      if (callback) callback();
      TGuiForm* pending = State.Pending;
      State.Pending = nullptr;
      // The callback may have shown a form itself; the pending form replaces it as ShowForm would.
      if (pending != nullptr) {
        HideCurrent();
        MakeCurrent(pending);
      }
    }
  }

  // 13. The current form.
  if (State.Current != nullptr && State.Current->Shown) UpdateForm(State.Current);

  // 14, 15. Cursor and hint show themselves.
  if (State.Cursor != nullptr) State.Cursor->Show(InputMouseInside());
  if (State.Hint != nullptr) State.Hint->Show(true);
  TellFocus();
  if (State.Ring) State.Ring->Show(FocusedControl(), dt);

  // 16. Rendering of dirty controls, topmost dialog first.
  for (int32_t k = DialogSlotCount - 1; k >= 0; --k) {
    if (TGuiDialog* dialog = State.Slots[k]) RenderForm(dialog);
  }
  if (State.Current != nullptr) RenderForm(State.Current);
}

// ---- State ----------------------------------------------------------------------------------

TGuiForm* CurrentForm() { return State.Current; }
TGuiForm* PendingForm() { return State.Pending; }
TGuiTransition* RunningTransition() { return State.Transition; }

TGuiDialog* DialogInSlot(int32_t Slot) {
  return Slot >= 1 && Slot <= DialogSlotCount ? State.Slots[Slot - 1] : nullptr;
}

TGuiDialog* TopDialog() {
  for (int32_t k = DialogSlotCount - 1; k >= 0; --k) {
    if (State.Slots[k] != nullptr) return State.Slots[k];
  }
  return nullptr;
}

TGuiHint* ShownHint() { return State.Hint; }
TGuiHint* PendingHint() { return State.PendingHint; }
TGuiCursor* CurrentCursor() { return State.Cursor; }
TGuiControl* HoveredControl() { return State.Hovered; }
TGuiForm* InputForm() { return State.InputForm; }

TGuiForm* InputTarget() {
  if (TGuiDialog* dialog = TopDialog()) return dialog;
  return State.Current;
}

bool InputTargetReady() {
  if (TGuiDialog* dialog = TopDialog()) return dialog->Ready;
  return State.Current != nullptr && State.Transition == nullptr;
}

TGuiControl* ControlAt(TVector Point) { return HitWinner(InputTarget(), Point); }

TGuiControl* FindUsableControl(const std::string& ControlName) {
  TGuiForm* target = InputTarget();
  if (target == nullptr || ControlName.empty()) return nullptr;
  for (TItem* item : target->Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (c->Name == ControlName && c->Usable()) return c;
  }
  return nullptr;
}

void SetGuiObserver(TGuiObserver NewObserver) { Observer = std::move(NewObserver); }
void SetGuiStartupHook(std::function<void()> Hook) { StartupHook = std::move(Hook); }
void SetGuiTimeStep(float Seconds) { FixedTimeStep = Seconds; }
bool GuiKeyPressed(int32_t Key) { return Key >= 0 && Key < GuiKeyCount && InputPressed(Key); }
TGuiDevice GuiInputDevice() { return InputDevice(); }

TGuiControl* FocusedControl() {
  TGuiForm* form = State.InputForm;
  if (form == nullptr || InputDevice() == TGuiDevice::Mouse || !CanFocus(form->Focus)) return nullptr;
  return form->Focus;
}

void SetFocus(TGuiForm* Form, TGuiControl* Control) {
  if (Form == nullptr) return;
  Form->Focus = Control != nullptr && Control->Form == Form ? Control : nullptr;
}

void SetGuiInputOverride(const TGuiInputFrame* Frame) { InputOverride = Frame; }
void SetGuiInputHooks(const TGuiInputHooks& Hooks) { InputHooks = Hooks; }

}  // namespace tv
