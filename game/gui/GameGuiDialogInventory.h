// The inventory: the props the hero holds, grouped by kind under a heading picture each, flowing
// left to right in rows. Closing it moves the tutorial on from the inventory to the sites.
#pragma once

#include "engine/EngineGui.h"

namespace tv {

class TGuiControlCanvas;

// The framed look of the inventory and hint dialogs: an off-screen canvas holding a dark plate and
// the framed border, of the current Place. Every control added afterwards draws on the canvas.
TGuiControlCanvas* AddFramedSheet(TGuiForm& Form);

// The cell grid of the inventory.
inline constexpr float InventoryCell = 96;
inline constexpr int32_t InventoryColumns = 10;

class TGuiDialogInventory : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;

  TGuiControlCanvas* Sheet = nullptr;
  int32_t Rows = 0;  // the rows of cells the props needed

  void OnShow() override;
  void OnHide() override;
  void OnRender() override;
  void OnClick() override;
};

}  // namespace tv
