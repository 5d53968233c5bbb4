// Every prop of the scenario in the paged chooser, each showing its picture (debug mode).
#pragma once

#include "game/gui/GameGuiDialogChoose.h"

namespace tv {

class TGuiDialogShowAllProps : public TGuiDialogChoose {
 public:
  using TGuiDialogChoose::TGuiDialogChoose;

 protected:
  void CollectItems() override;
  TVector GetItemSize() override { return {96, 96}; }
  void FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) override;
};

}  // namespace tv
