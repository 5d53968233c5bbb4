#include "game/gui/GameGuiDialogChoose.h"

#include <string>

#include "game/GameScreenNames.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"

namespace tv {

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

  BuildPlate(*this, ChooserWidth, ChooserHeight);
  const float top = -ChooserHeight / 2 + 40;
  const float bottom = ChooserHeight / 2 - 40;
  PlaceBox(*this, -560, top, 200, 44);
  AddNamedButton<TGuiControlButton>(*this, "Filter", PropText, "FILTER");
  PlaceBox(*this, -200, top, 500, 44);
  AddControl<TGuiControlLabel>(10, PropName, "FilterText", PropText, Filter);
  PlaceBox(*this, 560, top, 200, 44);
  KeyControls[KeySlotCancel] = AddNamedButton<TGuiControlButton>(*this, "Cancel", PropText, "CANCEL");

  PlaceBox(*this, -300, bottom, 160, 44);
  KeyControls[KeySlotPagePrevious] = AddNamedButton<TGuiControlButton>(*this, "PrevPage", PropText, "<<");
  PlaceBox(*this, 0, bottom, 200, 44);
  AddControl<TGuiControlLabelSuffix>(10, PropName, "Page", PropText, "")
      ->SetSuffix(std::to_string(Page + 1) + " / " + std::to_string(PageCount()));
  PlaceBox(*this, 300, bottom, 160, 44);
  KeyControls[KeySlotPageNext] = AddNamedButton<TGuiControlButton>(*this, "NextPage", PropText, ">>");
  PlaceBox(*this, 560, bottom, 200, 44);
  AddNamedButton<TGuiControlButton>(*this, "Nil", PropText, "NIL");
  SetControlEnabled(FindControl("PrevPage"), Page > 0);
  SetControlEnabled(FindControl("NextPage"), Page + 1 < PageCount());

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

}  // namespace tv
