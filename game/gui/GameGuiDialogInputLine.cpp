#include "game/gui/GameGuiDialogInputLine.h"

#include <string>

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

void TGuiDialogInputLineCustom::OnShow() {
  Started = false;
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
}

}  // namespace tv
