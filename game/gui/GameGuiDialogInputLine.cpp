#include "game/gui/GameGuiDialogInputLine.h"

#include <string>

#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiHooks.h"

namespace tv {

void TGuiDialogInputLine::OnShow() {
  Started = false;
  BuildPlate(*this, 640, 260);
  PlaceBox(*this, 0, -85, 600, 50);
  AddMessageLabel(*this, MessageKey, 0);
  PlaceBox(*this, 0, -25, 600, 44);
  AddControl<TGuiControlInput>(10, PropName, "Input");
  const char* names[] = {"Store", "Delete", "Insert", "Cancel", "OK"};
  const char* texts[] = {"STR", "DEL", "INS", "CANCEL", "OK"};
  for (int i = 0; i < 5; ++i) {
    PlaceBox(*this, -240.0f + 120.0f * static_cast<float>(i), 70, 100, 40);
    AddNamedButton<TGuiControlButton>(*this, names[i], PropText, texts[i]);
  }
  KeyControls[KeySlotConfirm] = FindControl("OK");
  KeyControls[KeySlotCancel] = FindControl("Cancel");
  Empty = DefaultText.empty();
  RefreshButtons();
}

void TGuiDialogInputLine::RefreshButtons() {
  SetControlEnabled(FindControl("OK"), (Value & InputLineNeedsText) == 0 || !Empty);
  const bool history = HistoryMode && Active;
  SetControlEnabled(FindControl("Store"), history && !GuiInput::GetTextInput().empty());
  SetControlEnabled(FindControl("Delete"), history && GuiInput::HasStoredText());
  SetControlEnabled(FindControl("Insert"), history && GuiInput::HasStoredText());
}

void TGuiDialogInputLine::OnActivate() {
  // The first activation presets the line; coming back from a dialog above keeps what was typed.
  const std::string preset = Started ? GuiInput::GetTextInput() : DefaultText;
  const int32_t length = MaxLength > 0 ? MaxLength : InputLineDefaultLength;
  GuiInput::BeginTextInput(preset, length, false, true, NameFilter());
  GuiInput::EnableTextInput();
  Started = true;
  RefreshButtons();
}

void TGuiDialogInputLine::OnDeactivate() {
  if (GuiInput::TextInputActive()) GuiInput::EndTextInput();
}

void TGuiDialogInputLine::OnUpdate() {
  if (!Active) return;
  const bool empty = GuiInput::GetTextInput().empty();
  if (empty != Empty) {
    Empty = empty;
    RefreshButtons();
  } else if (HistoryMode) {
    RefreshButtons();
  }
}

void TGuiDialogInputLine::OnClick() {
  if (SenderIs(*this, "OK")) {
    const std::string text = GuiInput::EndTextInput();
    // Callbacks may open other dialogs; the stored ones are called from copies.
    const TGuiCallback done = OnDone;
    const TGuiTextCallback entered = OnText;
    if (done) done();
    if (entered) entered(text);
    HideDialog(this);
  } else if (SenderIs(*this, "Cancel")) {
    HideDialog(this);
  } else if (SenderIs(*this, "Store")) {
    GuiInput::StoreTextInput();
    RefreshButtons();
  } else if (SenderIs(*this, "Delete")) {
    // Storing an empty line empties the store.
    const std::string typed = GuiInput::GetTextInput();
    GuiInput::ClearTextInput();
    GuiInput::StoreTextInput();
    GuiInput::BeginTextInput(typed, MaxLength > 0 ? MaxLength : InputLineDefaultLength, false, true, NameFilter());
    GuiInput::EnableTextInput();
    RefreshButtons();
  } else if (SenderIs(*this, "Insert")) {
    GuiInput::InsertStoredText();
    RefreshButtons();
  }
}

namespace {

constexpr float KeySize = 50;
constexpr float KeyPitch = 54;
constexpr float KeyboardMargin = 14;
constexpr float KeyboardTop = 156;   // below the sheet, in screen units from the centre
constexpr int32_t KeyboardRows = 3;  // of letters, above the row of shift, space, delete and OK

}  // namespace

std::vector<TScreenKey> ScreenKeyLetters(int32_t CodePage) {
  std::vector<TScreenKey> keys;
  if (CodePage == 1251) {
    for (int c = 0xC0; c <= 0xDF; ++c) {
      keys.push_back({static_cast<uint8_t>(c), static_cast<uint8_t>(c + 0x20)});
      if (c == 0xC5) keys.push_back({0xA8, 0xB8});  // Ё after Е
    }
    return keys;
  }
  for (int c = 'A'; c <= 'Z'; ++c) keys.push_back({static_cast<uint8_t>(c), static_cast<uint8_t>(c + 0x20)});
  keys.push_back({0xC4, 0xE4});  // Ä
  keys.push_back({0xD6, 0xF6});  // Ö
  keys.push_back({0xDC, 0xFC});  // Ü
  keys.push_back({0xDF, 0xDF});  // ß has no capital in these code pages
  return keys;
}

std::string ScreenKeyName(uint8_t Capital) {
  if (Capital >= 'A' && Capital <= 'Z') return std::string("Key") + static_cast<char>(Capital);
  constexpr char Hex[] = "0123456789ABCDEF";
  return std::string("Key") + Hex[Capital >> 4] + Hex[Capital & 15];
}

void TGuiDialogInputLineCustom::OnShow() {
  Started = false;
  Keyboard = nullptr;
  Capitals = true;
  TCanvas* screen = Canvas;
  const TVector origin = Origin;
  BuildSheet(580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -80, 500, 70);
  AddMessageLabel(*this, MessageKey, FontStyles::Label);
  PlaceBox(*this, 0, -5, 460, 56);
  AddControl<TGuiControlInput>(10, PropName, "Input", PropFont, FontStyles::Label);
  // The usual arrangement puts "OK" left of "Cancel". The second one, which the first-start name
  // prompt asks for, offers "OK" alone: dismissing that prompt would leave the game without any
  // screen to go on from.
  if ((Value & InputLineOkOnly) == 0) {
    PlaceBox(*this, -115, 85, 200, DialogButtonHeight);
    KeyControls[KeySlotConfirm] = AddNamedButton<TGuiControlButtonCustom>(*this, "OK", PropTextKey, "ButtonOK");
    PlaceBox(*this, 115, 85, 200, DialogButtonHeight);
    KeyControls[KeySlotCancel] = AddNamedButton<TGuiControlButtonCustom>(*this, "Cancel", PropTextKey, "ButtonCancel");
  } else {
    PlaceBox(*this, 0, 85, 200, DialogButtonHeight);
    KeyControls[KeySlotConfirm] = AddNamedButton<TGuiControlButtonCustom>(*this, "OK", PropTextKey, "ButtonOK");
  }
  Empty = DefaultText.empty();
  RefreshButtons();
  // The keyboard draws on the screen beside the sheet, not into it; it is built when a controller
  // is used, so that without one the dialog has none of its keys.
  ScreenCanvas = screen;
  ScreenOrigin = origin;
  if (GuiInputDevice() == TGuiDevice::Pad) ShowKeyboard();
}

void TGuiDialogInputLineCustom::BuildKeyboard() {
  const std::vector<TScreenKey> letters = ScreenKeyLetters(GetCodePage());
  const auto columns = static_cast<int32_t>((letters.size() + KeyboardRows - 1) / KeyboardRows);
  const float width = static_cast<float>(columns) * KeyPitch - (KeyPitch - KeySize) + 2 * KeyboardMargin;
  const float height = static_cast<float>(KeyboardRows + 1) * KeyPitch - (KeyPitch - KeySize) + 2 * KeyboardMargin;
  PlaceBox(*this, 0, KeyboardTop + height / 2, width, height);
  Keyboard = AddControl<TGuiControlCanvas>(10);
  // Light captions on a dark panel.
  AddControl<TGuiControlPlate>(0, PropAlpha, 0.85f);
  AddControl<TGuiControlBorder>(1, PropColor, 0xAA7700u);
  const float left = -width / 2 + KeyboardMargin + KeySize / 2;
  const float top = KeyboardTop + KeyboardMargin + KeySize / 2;
  auto place = [&](int32_t Column, int32_t Row, int32_t Span) {
    const float w = static_cast<float>(Span) * KeyPitch - (KeyPitch - KeySize);
    PlaceBox(*this, left + static_cast<float>(Column) * KeyPitch + (w - KeySize) / 2,
             top + static_cast<float>(Row) * KeyPitch, w, KeySize);
  };
  for (size_t i = 0; i < letters.size(); ++i) {
    place(static_cast<int32_t>(i) % columns, static_cast<int32_t>(i) / columns, 1);
    auto* key = AddControl<TGuiControlButtonCustom>(10, PropName, ScreenKeyName(letters[i].Capital));
    key->Param2 = letters[i].Capital;
    key->ParamD = letters[i].Small;  // the small letter (PropParamD is free on these buttons)
  }
  // The last row: shift (2 keys wide), space (what is left), delete and OK (2 each).
  const int32_t space = columns - 6;
  place(0, KeyboardRows, 2);
  AddControl<TGuiControlButtonCustom>(10, PropName, "KeyShift", PropText, "Aa");
  place(2, KeyboardRows, space);
  AddControl<TGuiControlButtonCustom>(10, PropName, "KeySpace", PropText, "___");
  place(2 + space, KeyboardRows, 2);
  AddControl<TGuiControlButtonCustom>(10, PropName, "KeyDelete", PropText, "<-");
  place(4 + space, KeyboardRows, 2);
  AddControl<TGuiControlButtonCustom>(10, PropName, "KeyOK", PropTextKey, "ButtonOK");
  Relabel();
}

void TGuiDialogInputLineCustom::Relabel() {
  for (TItem* item : Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (c->Param2 == 0 || c->Name.rfind("Key", 0) != 0) continue;
    c->SetText(std::string(1, static_cast<char>(Capitals ? c->Param2 : c->ParamD)));
  }
}

void TGuiDialogInputLineCustom::ShowKeyboard() {
  if (Keyboard != nullptr || !Shown) return;
  TCanvas* sheetCanvas = Canvas;
  const TVector sheetOrigin = Origin;
  Canvas = ScreenCanvas;
  Origin = ScreenOrigin;
  BuildKeyboard();
  Canvas = sheetCanvas;
  Origin = sheetOrigin;
  // Every control drawn into the keyboard's canvas comes after it, and draws in this frame.
  bool after = false;
  for (TItem* item : Controls) {
    auto* c = static_cast<TGuiControl*>(item);
    if (c == Keyboard) after = true;
    if (after) c->MarkDirty();
  }
  if (Keyboard != nullptr) Keyboard->SetAlpha(FadeAlpha);
  SetFocus(this, FindControl(ScreenKeyName(ScreenKeyLetters(GetCodePage()).front().Capital)));
}

void TGuiDialogInputLineCustom::OnUpdate() {
  TGuiDialogInputLine::OnUpdate();
  if (Active && GuiInputDevice() == TGuiDevice::Pad) ShowKeyboard();
}

void TGuiDialogInputLineCustom::OnRender() {
  TGuiSheetDialog::OnRender();
  if (Keyboard != nullptr) Keyboard->SetAlpha(FadeAlpha);
}

void TGuiDialogInputLineCustom::OnClick() {
  TGuiControl* sender = Sender;
  const std::string& name = sender != nullptr ? sender->Name : std::string();
  if (name.rfind("Key", 0) != 0) {
    TGuiDialogInputLine::OnClick();
    return;
  }
  if (name == "KeyOK") {
    TGuiControl* ok = FindControl("OK");
    if (ok == nullptr || !ok->Usable()) return;
    Sender = ok;
    TGuiDialogInputLine::OnClick();
  } else if (name == "KeyShift") {
    Capitals = !Capitals;
    Relabel();
  } else if (name == "KeySpace") {
    GuiInput::TextInputKey(' ');
  } else if (name == "KeyDelete") {
    GuiInput::TextInputKey(8);
  } else if (sender->Param2 != 0) {
    GuiInput::TextInputKey(static_cast<uint8_t>(Capitals ? sender->Param2 : sender->ParamD));
    // A capital starts a name; the letters after it are small until shift is pressed again.
    if (Capitals) {
      Capitals = false;
      Relabel();
    }
  }
}

}  // namespace tv
