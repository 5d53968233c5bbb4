// The inventory: the props the hero holds, grouped by kind under a heading picture each, flowing
// left to right in rows. Closing it moves the tutorial on from the inventory to the sites.
#pragma once

#include "game/gui/GameGuiDialogBase.h"

namespace tv {

// The cell grid of the inventory.
inline constexpr float InventoryCell = 96;
inline constexpr int32_t InventoryColumns = 10;

class TGuiDialogInventory : public TGuiFramedDialog {
 public:
  using TGuiFramedDialog::TGuiFramedDialog;

  int32_t Rows = 0;  // the rows of cells the props needed

  void OnShow() override;
  void OnClick() override;
};

}  // namespace tv
