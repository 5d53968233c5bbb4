#include "game/gui/GameGuiDialogs.h"

#include <cstdlib>
#include <string>

#include "TolvarenVersion.h"
#include "engine/EngineAudio.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiHooks.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

constexpr int32_t TitleFont = FontStyles::Title;
constexpr int32_t LabelFont = FontStyles::Label;
constexpr float ButtonHeight = 60;

// A label showing the text of Key, or Key itself when it is not a known text (a caption).
TGuiControlLabel* AddMessageLabel(TGuiForm& Form, const std::string& Key, int32_t Font) {
  auto* label = Form.AddControl<TGuiControlLabel>(10, PropParamF, Font, PropParamByte, WordWrap);
  if (!GetText(Key).empty()) {
    label->SetProperty(PropTextKey, Key);
  } else {
    label->SetProperty(PropText, Key);
  }
  return label;
}

template <class T>
T* AddNamedButton(TGuiForm& Form, const char* Name, int32_t TextProperty, const char* Text) {
  return Form.AddControl<T>(10, PropName, Name, TextProperty, Text);
}

void Confirm(const TGuiCallback& Done) {
  if (Done) Done();
}

bool SenderIs(const TGuiForm& Form, const char* Name) { return Form.Sender != nullptr && Form.Sender->Name == Name; }

// The plain look: a dark plate in the middle of the screen.
void BuildPlate(TGuiForm& Form, float Width, float Height) {
  Form.AddControl<TGuiControlScreenCover>(0);
  PlaceBox(Form, 0, 0, Width, Height);
  Form.AddControl<TGuiControlPlate>(1);
}

void SetEnabled(TGuiControl* Control, bool Value) {
  if (Control == nullptr || Control->Enabled == Value) return;
  Control->SetProperty(PropEnabled, Value);
  Control->MarkDirty();
}

}  // namespace

// ---- The custom look ------------------------------------------------------------------------

void PlaceBox(TGuiForm& Form, float X, float Y, float W, float H) {
  Form.Place(PlaceSetX, X, PlaceSetY, Y, PlaceWidth, W, PlaceHeight, H);
}

TGuiSheet BuildSheet(TGuiForm& Form, float Width, float Height, const char* FrameTexture) {
  TGuiSheet sheet;
  Form.Place(PlaceRestore, 0);
  sheet.Cover = Form.AddControl<TGuiControlScreenCover>(0);
  PlaceBox(Form, 0, 0, Width, Height);
  // The frame stays on the screen's canvas, above the sheet.
  sheet.Frame = Form.AddControl<TGuiControlPicture>(20, PropParamA, FrameTexture);
  sheet.Sheet = Form.AddControl<TGuiControlCanvas>(10);
  Form.AddControl<TGuiControlPicture>(0, PropParamA, "G2BackgroundForm");
  return sheet;
}

void FadeSheet(const TGuiSheet& Sheet, float FadeAlpha) {
  if (Sheet.Cover != nullptr) Sheet.Cover->SetAlpha(0.5f * FadeAlpha);
  if (Sheet.Sheet != nullptr) Sheet.Sheet->SetAlpha(FadeAlpha);
  if (Sheet.Frame != nullptr) Sheet.Frame->SetAlpha(FrameAlphaShare * FadeAlpha);
}

// ---- Message --------------------------------------------------------------------------------

void TGuiDialogMessage::OnClick() {
  if (Sender == nullptr) return;
  Confirm(OnDone);
  HideDialog(this);
}

void TGuiDialogMessageCustom::OnShow() {
  Sheet = BuildSheet(*this, 580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -40, 500, 150);
  AddMessageLabel(*this, MessageKey, LabelFont);
  PlaceBox(*this, 0, 85, 200, ButtonHeight);
  auto* ok = AddNamedButton<TGuiControlButtonCustom>(*this, "OK", PropTextKey, "ButtonOK");
  KeyControls[KeySlotCancel] = ok;
  KeyControls[KeySlotConfirm] = ok;
}

void TGuiDialogMessageCustom::OnRender() { FadeSheet(Sheet, FadeAlpha); }

// ---- Query ----------------------------------------------------------------------------------

void TGuiDialogQuery::OnClick() {
  if (SenderIs(*this, "Yes")) {
    Confirm(OnDone);
    HideDialog(this);
  } else if (SenderIs(*this, "No")) {
    HideDialog(this);
  }
}

void TGuiDialogQueryCustom::OnShow() {
  Sheet = BuildSheet(*this, 580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -40, 500, 150);
  AddMessageLabel(*this, MessageKey, LabelFont);
  PlaceBox(*this, -115, 85, 200, ButtonHeight);
  KeyControls[KeySlotConfirm] = AddNamedButton<TGuiControlButtonCustom>(*this, "Yes", PropTextKey, "ButtonYes");
  PlaceBox(*this, 115, 85, 200, ButtonHeight);
  KeyControls[KeySlotCancel] = AddNamedButton<TGuiControlButtonCustom>(*this, "No", PropTextKey, "ButtonNo");
}

void TGuiDialogQueryCustom::OnRender() { FadeSheet(Sheet, FadeAlpha); }

// ---- Input line -----------------------------------------------------------------------------

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
  SetEnabled(FindControl("OK"), (Value & InputLineNeedsText) == 0 || !Empty);
  const bool history = HistoryMode && Active;
  SetEnabled(FindControl("Store"), history && !GuiInput::GetTextInput().empty());
  SetEnabled(FindControl("Delete"), history && GuiInput::HasStoredText());
  SetEnabled(FindControl("Insert"), history && GuiInput::HasStoredText());
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
  Sheet = BuildSheet(*this, 580, 280, "G2Border580x280");
  PlaceBox(*this, 0, -80, 500, 70);
  AddMessageLabel(*this, MessageKey, LabelFont);
  PlaceBox(*this, 0, -5, 460, 56);
  AddControl<TGuiControlInput>(10, PropName, "Input", PropParamF, LabelFont);
  // The usual arrangement puts "OK" left of "Cancel". The second one, which the first-start name
  // prompt asks for, offers "OK" alone: dismissing that prompt would leave the game without any
  // screen to go on from.
  if ((Value & InputLineOkOnly) == 0) {
    PlaceBox(*this, -115, 85, 200, ButtonHeight);
    KeyControls[KeySlotConfirm] = AddNamedButton<TGuiControlButtonCustom>(*this, "OK", PropTextKey, "ButtonOK");
    PlaceBox(*this, 115, 85, 200, ButtonHeight);
    KeyControls[KeySlotCancel] = AddNamedButton<TGuiControlButtonCustom>(*this, "Cancel", PropTextKey, "ButtonCancel");
  } else {
    PlaceBox(*this, 0, 85, 200, ButtonHeight);
    KeyControls[KeySlotConfirm] = AddNamedButton<TGuiControlButtonCustom>(*this, "OK", PropTextKey, "ButtonOK");
  }
  Empty = DefaultText.empty();
  RefreshButtons();
}

void TGuiDialogInputLineCustom::OnRender() { FadeSheet(Sheet, FadeAlpha); }

// ---- Options --------------------------------------------------------------------------------

namespace {
constexpr int32_t VolumeSteps = 10;
const char* const VolumeLabels[SoundGroupCount] = {"LabelVolumeEffects", "LabelVolumeEnvironment", "LabelVolumeMusic"};
}  // namespace

const char* VolumeRowName(int32_t Group) {
  static const char* const names[SoundGroupCount] = {"Effects", "Environment", "Music"};
  return Group >= 0 && Group < SoundGroupCount ? names[Group] : "";
}

void TGuiDialogOptions::OnShow() {
  Sheet = BuildSheet(*this, 700, 645, "G2Border700x645");
  PlaceBox(*this, 0, -255, 600, 70);
  AddControl<TGuiControlLabel>(10, PropTextKey, "ButtonOptions", PropParamF, TitleFont);

  PlaceBox(*this, 0, -175, 600, 50);
  AddControl<TGuiControlLabel>(10, PropName, "LabelDisplayMode", PropTextKey, "LabelDisplayMode", PropParamF,
                               LabelFont);
  PlaceBox(*this, -115, -115, 220, ButtonHeight);
  AddControl<TGuiControlButtonCustom>(10, PropName, "FullScreen", PropTextKey, "LabelFullScreen", PropToggle, true,
                                      PropGroup, "DisplayMode");
  PlaceBox(*this, 115, -115, 220, ButtonHeight);
  AddControl<TGuiControlButtonCustom>(10, PropName, "Windowed", PropTextKey, "LabelWindowed", PropToggle, true,
                                      PropGroup, "DisplayMode");

  for (int32_t group = 0; group < SoundGroupCount; ++group) {
    const std::string row = VolumeRowName(group);
    const float y = -15 + 95 * static_cast<float>(group);
    PlaceBox(*this, 0, y - 35, 600, 40);
    AddControl<TGuiControlLabelSuffix>(10, PropName, "Label" + row, PropTextKey, VolumeLabels[group], PropParamF,
                                       LabelFont);
    PlaceBox(*this, -230, y + 15, 60, ButtonHeight);
    AddControl<TGuiControlButtonCustom>(10, PropName, row + "Down", PropTextKey, "IconVolumeDown");
    for (int32_t dot = 1; dot <= VolumeSteps; ++dot) {
      PlaceBox(*this, -182 + 36 * static_cast<float>(dot), y + 15, 32, 32);
      AddControl<TGuiControlPicture>(10, PropName, "Dot" + row + std::to_string(dot), PropParamA, "G2Dots");
    }
    PlaceBox(*this, 230, y + 15, 60, ButtonHeight);
    AddControl<TGuiControlButtonCustom>(10, PropName, row + "Up", PropTextKey, "IconVolumeUp");
    RefreshVolume(group);
  }

  PlaceBox(*this, 0, 255, 200, ButtonHeight);
  auto* close = AddNamedButton<TGuiControlButtonCustom>(*this, "Close", PropTextKey, "ButtonClose");
  KeyControls[KeySlotCancel] = close;
  KeyControls[KeySlotConfirm] = close;
  RefreshMode();
}

void TGuiDialogOptions::RefreshMode() {
  WindowedShown = !GuiInput::IsFullScreen();
  TGuiControl* full = FindControl("FullScreen");
  TGuiControl* windowed = FindControl("Windowed");
  if (full != nullptr) full->SetDown(!WindowedShown);
  if (windowed != nullptr) windowed->SetDown(WindowedShown);
}

void TGuiDialogOptions::RefreshVolume(int32_t Group) {
  const std::string row = VolumeRowName(Group);
  const int32_t volume = GetGroupVolume(Group);
  if (auto* label = dynamic_cast<TGuiControlLabelSuffix*>(FindControl("Label" + row))) {
    label->SetSuffix(GetColonPrefix() + ":");
  }
  SetEnabled(FindControl(row + "Down"), volume > 0);
  SetEnabled(FindControl(row + "Up"), volume < VolumeSteps);
  for (int32_t dot = 1; dot <= VolumeSteps; ++dot) {
    TGuiControl* picture = FindControl("Dot" + row + std::to_string(dot));
    if (picture == nullptr) continue;
    const int32_t segment = dot <= volume ? 1 : 0;
    if (picture->ParamD != segment) {
      picture->SetProperty(PropParamD, segment);
      picture->MarkDirty();
    }
  }
}

void TGuiDialogOptions::OnUpdate() {
  if (WindowedShown == GuiInput::IsFullScreen()) RefreshMode();
}

void TGuiDialogOptions::OnRender() { FadeSheet(Sheet, FadeAlpha); }

void TGuiDialogOptions::OnClick() {
  if (Sender == nullptr) return;
  const std::string name = Sender->Name;
  if (name == "Close") {
    HideDialog(this);
    return;
  }
  if (name == "FullScreen" || name == "Windowed") {
    GuiInput::SetFullScreen(name == "FullScreen");
    RefreshMode();
    return;
  }
  for (int32_t group = 0; group < SoundGroupCount; ++group) {
    const std::string row = VolumeRowName(group);
    const int32_t step = name == row + "Up" ? 1 : (name == row + "Down" ? -1 : 0);
    if (step == 0) continue;
    SetGroupVolume(group, GetGroupVolume(group) + step);
    RefreshVolume(group);
    return;
  }
}

// ---- About ----------------------------------------------------------------------------------

const char* ProgramVersion() { return TV_VERSION_TEXT; }

void TGuiDialogAbout::OnShow() {
  Sheet = BuildSheet(*this, 580, 600, "G2Border580x600");
  PlaceBox(*this, 0, -225, 500, 70);
  AddControl<TGuiControlLabel>(10, PropTextKey, "GameTitle", PropParamF, TitleFont);
  PlaceBox(*this, 0, -160, 500, 40);
  auto* version = AddControl<TGuiControlLabelSuffix>(10, PropName, "LabelVersion", PropTextKey, "LabelVersion",
                                                     PropParamF, LabelFont);
  version->SetSuffix(std::string(" ") + ProgramVersion());
  PlaceBox(*this, 0, 10, 500, 280);
  AddControl<TGuiControlLabel>(10, PropName, "TextCredits", PropTextKey, "TextCredits", PropParamF, LabelFont,
                               PropParamByte, WordWrap);
  PlaceBox(*this, 0, 180, 500, 30);
  AddControl<TGuiControlLabel>(10, PropName, "Copyright", PropTextKey, "Copyright");
  PlaceBox(*this, 0, 240, 200, ButtonHeight);
  auto* close = AddNamedButton<TGuiControlButtonCustom>(*this, "Close", PropTextKey, "ButtonClose");
  KeyControls[KeySlotCancel] = close;
  KeyControls[KeySlotConfirm] = close;
}

void TGuiDialogAbout::OnRender() { FadeSheet(Sheet, FadeAlpha); }

void TGuiDialogAbout::OnClick() {
  if (Sender != nullptr) HideDialog(this);
}

}  // namespace tv

namespace tv {

// ---- Chooser --------------------------------------------------------------------------------

namespace {
constexpr float ChooserWidth = 1400;
constexpr float ChooserHeight = 780;
constexpr float ItemGap = 10;
// The grid's share of the plate: the top and bottom rows hold the paging and filter buttons.
constexpr float GridHeight = 600;

std::string AsciiLower(std::string Text) {
  for (char& c : Text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return Text;
}
}  // namespace

TGuiDialogChoose::~TGuiDialogChoose() { Items.Clear(); }

std::vector<TGuiDialogChoose::TCustomItem*> TGuiDialogChoose::Matching() const {
  std::vector<TCustomItem*> out;
  const std::string filter = AsciiLower(Filter);
  for (TItem* item = Items.First(); item != nullptr; item = item->GetNext()) {
    auto* entry = static_cast<TCustomItem*>(item);
    if (filter.empty() || AsciiLower(entry->Name).find(filter) != std::string::npos) out.push_back(entry);
  }
  return out;
}

int32_t TGuiDialogChoose::PageSize() const {
  const float w = ItemSize.X > 0 ? ItemSize.X : 1;
  const float h = ItemSize.Y > 0 ? ItemSize.Y : 1;
  const auto columns = static_cast<int32_t>((ChooserWidth - 60) / (w + ItemGap));
  const auto rows = static_cast<int32_t>(GridHeight / (h + ItemGap));
  return Max(1, Max(columns, 1) * Max(rows, 1));
}

int32_t TGuiDialogChoose::PageCount() const {
  const auto count = static_cast<int32_t>(Matching().size());
  return Max(1, (count + PageSize() - 1) / PageSize());
}

void TGuiDialogChoose::OnShow() {
  Items.Clear();
  CollectItems();
  ItemSize = GetItemSize();
  Page = Clamp(Page, 0, PageCount() - 1);
  PageButtons.clear();

  AddControl<TGuiControlScreenCover>(0);
  PlaceBox(*this, 0, 0, ChooserWidth, ChooserHeight);
  AddControl<TGuiControlPlate>(1);
  const float top = -ChooserHeight / 2 + 40;
  const float bottom = ChooserHeight / 2 - 40;
  PlaceBox(*this, -560, top, 200, 44);
  AddNamedButton<TGuiControlButton>(*this, "Filter", PropText, "FILTER");
  PlaceBox(*this, -200, top, 500, 44);
  AddControl<TGuiControlLabel>(10, PropName, "FilterText", PropText, Filter);
  PlaceBox(*this, 560, top, 200, 44);
  KeyControls[KeySlotCancel] = AddNamedButton<TGuiControlButton>(*this, "Cancel", PropText, "CANCEL");

  PlaceBox(*this, -300, bottom, 160, 44);
  AddNamedButton<TGuiControlButton>(*this, "PrevPage", PropText, "<<");
  PlaceBox(*this, 0, bottom, 200, 44);
  AddControl<TGuiControlLabelSuffix>(10, PropName, "Page", PropText, "")
      ->SetSuffix(std::to_string(Page + 1) + " / " + std::to_string(PageCount()));
  PlaceBox(*this, 300, bottom, 160, 44);
  AddNamedButton<TGuiControlButton>(*this, "NextPage", PropText, ">>");
  PlaceBox(*this, 560, bottom, 200, 44);
  AddNamedButton<TGuiControlButton>(*this, "Nil", PropText, "NIL");
  SetEnabled(FindControl("PrevPage"), Page > 0);
  SetEnabled(FindControl("NextPage"), Page + 1 < PageCount());

  const std::vector<TCustomItem*> items = Matching();
  const float w = ItemSize.X;
  const float h = ItemSize.Y;
  const auto columns = Max(1, static_cast<int32_t>((ChooserWidth - 60) / (w + ItemGap)));
  const float left = -(static_cast<float>(columns) * (w + ItemGap) - ItemGap) / 2 + w / 2;
  const float first = -GridHeight / 2 + h / 2;
  const auto begin = static_cast<size_t>(Page) * static_cast<size_t>(PageSize());
  for (size_t i = begin; i < items.size() && i < begin + static_cast<size_t>(PageSize()); ++i) {
    const auto slot = static_cast<int32_t>(i - begin);
    const int32_t column = slot % columns;
    const int32_t row = slot / columns;
    PlaceBox(*this, left + static_cast<float>(column) * (w + ItemGap), first + static_cast<float>(row) * (h + ItemGap),
             w, h);
    auto* button = AddControl<TGuiControlButtonChoose>(10, PropName, "Item", PropHintText, items[i]->Name);
    FillItem(*button, *items[i]);
    PageButtons.emplace_back(button, items[i]);
  }
}

void TGuiDialogChoose::OnHide() { PageButtons.clear(); }

void TGuiDialogChoose::Choose(const TCustomItem* Item) {
  const TGuiCallback done = OnDone;
  const TGuiTextCallback text = OnText;
  const TGuiItemCallback item = OnItem;
  HideDialog(this);
  if (done) done();
  if (text) text(Item != nullptr ? Item->Name : std::string());
  if (item) item(Item != nullptr ? Item->Object : nullptr);
}

void TGuiDialogChoose::OnClick() {
  if (Sender == nullptr) return;
  const std::string& name = Sender->Name;
  if (name == "Cancel") {
    HideDialog(this);
  } else if (name == "Nil") {
    Choose(nullptr);
  } else if (name == "PrevPage" || name == "NextPage") {
    Page = Clamp(Page + (name == "NextPage" ? 1 : -1), 0, PageCount() - 1);
    Reshow(this);
  } else if (name == "Filter") {
    ShowDialog(gui::DialogInputLine,
               {.MessageKey = "Enter filter:", .DefaultText = Filter, .OnText = [this](const std::string& Text) {
                  Filter = Text;
                  Page = 0;
                  Reshow(this);
                }});
  } else if (name == "Item") {
    for (const auto& [control, entry] : PageButtons) {
      if (control == Sender) {
        Choose(entry);
        return;
      }
    }
  }
}

void TGuiDialogShowAllProps::CollectItems() {
  TContainer* props = Props();
  if (props == nullptr) return;
  for (TItem* item = props->First(); item != nullptr; item = item->GetNext()) {
    auto* prop = static_cast<TProp*>(item);
    Items.Insert(new TCustomItem(prop->DisplayName(), prop), false);  // owned by Items
  }
}

void TGuiDialogShowAllProps::FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) {
  const auto* prop = static_cast<const TProp*>(Item.Object);
  if (prop->Picture != nullptr) {
    Control.SetProperty(PropParamA, prop->Picture->Name);
    Control.SetProperty(PropParamD, prop->Frame);
  } else {
    Control.SetProperty(PropText, Item.Name);
  }
}

}  // namespace tv
