#include "game/gui/GameGuiDialogInventory.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/AppProcess.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "game/GameAvatar.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControlProp.h"
#include "game/gui/GameGuiControls.h"
#include "game/gui/GameGuiDialogBase.h"
#include "game/GameScreenNames.h"

namespace tv {

namespace {

constexpr float Margin = 40;
constexpr float TitleHeight = 70;
constexpr float FooterHeight = 90;
constexpr float CellSize = 90;

// Held: a "Property" always counts, every other kind only above 0.
bool HeldForInventory(const TProp& Prop) { return Prop.Kind == TPropKind::Property || Prop.Amount > 0; }

// One prop's cell, carrying the prop's name and its display text as hint.
void AddPropCell(TGuiForm& Form, TProp& Prop, float X, float Y) {
  PlaceBox(Form, X, Y, CellSize, CellSize);
  auto* cell = Form.AddControl<TGuiControlPropInventory>(10, PropName, Prop.Name, PropHintText, Prop.DisplayName(),
                                                         PropEnabled, true);
  cell->SetProp(&Prop);
}

}  // namespace

void TGuiDialogInventory::OnShow() {
  // The props held, kind by kind (the scenario keeps them in kind order).
  std::vector<std::vector<TProp*>> groups(PropKindCount);
  if (Props() != nullptr) {
    for (TItem* item : *Props()) {
      auto* prop = static_cast<TProp*>(item);
      if (HeldForInventory(*prop)) groups[static_cast<int32_t>(prop->Kind)].push_back(prop);
    }
  }
  // Each group is its heading and its props; a group starts a new row when it does not fit the
  // rest of the current one, and wraps when it is longer than a row.
  struct TCell {
    TProp* Prop;  // none: the heading of Kind
    int32_t Kind;
    int32_t Column;
    int32_t Row;
  };
  std::vector<TCell> cells;
  int32_t column = 0;
  int32_t row = 0;
  int32_t widest = 1;
  for (int32_t kind = 0; kind < PropKindCount; ++kind) {
    const auto& group = groups[kind];
    if (group.empty()) continue;
    const int32_t length = static_cast<int32_t>(group.size()) + 1;
    if (column > 0 && column + length > InventoryColumns) {
      column = 0;
      ++row;
    }
    for (int32_t i = 0; i < length; ++i) {
      if (column == InventoryColumns) {
        column = 0;
        ++row;
      }
      cells.push_back({i == 0 ? nullptr : group[i - 1], kind, column, row});
      ++column;
      widest = std::max(widest, column);
    }
  }
  Rows = cells.empty() ? 1 : row + 1;

  const float width = std::max(480.0f, static_cast<float>(widest) * InventoryCell + 2 * Margin);
  const float height = TitleHeight + static_cast<float>(Rows) * InventoryCell + FooterHeight + Margin;
  PlaceBox(*this, 0, 0, width, height);
  BuildFramedSheet();

  const float top = -height / 2;
  PlaceBox(*this, 0, top + Margin / 2 + TitleHeight / 2, width - 2 * Margin, TitleHeight);
  AddControl<TGuiControlLabel>(20, PropName, "LabelInventory", PropTextKey, "LabelInventory", PropFont,
                               FontStyles::Title);

  const float left = -static_cast<float>(widest) * InventoryCell / 2 + InventoryCell / 2;
  const float firstRow = top + Margin / 2 + TitleHeight + InventoryCell / 2;
  for (const TCell& cell : cells) {
    const float x = left + static_cast<float>(cell.Column) * InventoryCell;
    const float y = firstRow + static_cast<float>(cell.Row) * InventoryCell;
    if (cell.Prop == nullptr) {
      PlaceBox(*this, x, y, CellSize, CellSize);
      AddControl<TGuiControlPicture>(20, PropName,
                                     std::string("Heading") + PropKindName(static_cast<TPropKind>(cell.Kind)),
                                     PropTexture, "G2Inventory", PropSegment, cell.Kind);
    } else {
      AddPropCell(*this, *cell.Prop, x, y);
    }
  }

  const float buttons = height / 2 - FooterHeight / 2 - 5;
  PlaceBox(*this, 0, buttons, 60, 60);
  auto* close = AddControl<TGuiControlButtonCustom>(20, PropName, "Close", PropFont, FontStyles::Title, PropTextKey,
                                                    "IconAccept");
  KeyControls[KeySlotCancel] = close;
  KeyControls[KeySlotConfirm] = close;
  KeyControls[KeySlotInventory] = close;
  PlaceBox(*this, width / 2 - Margin - 30, buttons, 60, 60);
  AddControl<TGuiControlButtonCustom>(20, PropName, "Achievements", PropFont, FontStyles::Title, PropTextKey,
                                      "IconAchievements", PropHintTextKey, "HintAchievements");
  if (IsDebugMode()) {
    PlaceBox(*this, -width / 2 + Margin + 80, buttons, 160, 40);
    AddControl<TGuiControlButton>(20, PropName, "ShowItems", PropText, "SHOW ITEMS", PropHintText,
                                  "Show all available items", PropHintName, gui::HintStyleDefault);
  }
  EndFramedShow(GetPointer() == Pointers::InventoryIcon);
}

void TGuiDialogInventory::OnClick() {
  if (Sender == nullptr) return;
  const std::string name = Sender->Name;
  if (name == "Close") {
    MovePointer(Pointers::InventoryIcon, Pointers::Sites);
    HideDialog(this);
  } else if (name == "Achievements") {
    ShowDialog(gui::DialogAchievements);
    HideDialog(this);
  } else if (name == "ShowItems" && IsDebugMode()) {
    ShowDialog(gui::DialogShowAllProps);
  }
}

}  // namespace tv
