#include "game/gui/GameGuiDialogShowAllProps.h"

#include <memory>

#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameScenario.h"
#include "game/gui/GameGuiControls.h"

namespace tv {

void TGuiDialogShowAllProps::CollectItems() {
  TContainer* props = Props();
  if (props == nullptr) return;
  for (TItem* item = props->First(); item != nullptr; item = item->GetNext()) {
    auto* prop = static_cast<TProp*>(item);
    Items.Insert(std::make_unique<TCustomItem>(prop->DisplayName(), prop), false);
  }
}

void TGuiDialogShowAllProps::FillItem(TGuiControlButtonChoose& Control, const TCustomItem& Item) {
  const auto* prop = static_cast<const TProp*>(Item.Object);
  if (prop->Picture != nullptr) {
    Control.SetProperty(PropTexture, prop->Picture->Name);
    Control.SetProperty(PropSegment, prop->Frame);
  } else {
    Control.SetProperty(PropText, Item.Name);
  }
}

}  // namespace tv
