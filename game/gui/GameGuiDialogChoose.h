// The paged chooser: a list of items to choose one from, a page at a time, with a text filter
// (debug mode). Subclasses fill the list, give the item size and fill each item's button.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/EngineGui.h"

namespace tv {

class TGuiControlButtonChoose;

class TGuiDialogChoose : public TGuiDialog {
 public:
  using TGuiDialog::TGuiDialog;
  ~TGuiDialogChoose() override;

  // One entry of the list: its caption (what the filter matches and OnText receives) and the
  // object it stands for.
  class TCustomItem : public TNamedItem {
   public:
    TCustomItem(std::string Caption, TItem* Object) : TNamedItem(std::move(Caption)), Object(Object) {}
    TItem* Object = nullptr;
  };

  TContainer Items{false, true};
  std::string Filter;
  int32_t Page = 0;  // from 0
  TVector ItemSize;

  void OnShow() override;
  void OnHide() override;
  void OnClick() override;

  // The items that pass the filter (a case-insensitive part of the caption), in list order.
  std::vector<TCustomItem*> Matching() const;
  int32_t PageSize() const;
  int32_t PageCount() const;

 protected:
  // Refills Items; called each time the dialog is shown.
  virtual void CollectItems() {}
  virtual TVector GetItemSize() = 0;
  virtual void FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) = 0;

 private:
  void Choose(const TCustomItem* Item);
  std::vector<std::pair<TGuiControl*, TCustomItem*>> PageButtons;
};

}  // namespace tv
