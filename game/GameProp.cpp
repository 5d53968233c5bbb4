#include "game/GameProp.h"

#include "game/GameFile.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"

namespace tv {

bool TProp::Precedes(const TItem* Other) const {
  const auto* other = dynamic_cast<const TProp*>(Other);
  if (other == nullptr) return TNamedItem::Precedes(Other);
  if (Kind == other->Kind) return TNamedItem::Precedes(Other);
  return static_cast<int32_t>(Kind) < static_cast<int32_t>(other->Kind);
}

void TProp::Reset() {
  AmountBefore = 0;
  Amount = InitialAmount;
}

bool TProp::IsCounted() const {
  return Kind == TPropKind::Property || Kind == TPropKind::Companion || Kind == TPropKind::Item;
}

std::string TProp::CaptionKey() const { return Caption != nullptr ? Caption->Name : std::string(); }

void TProp::Gain(int32_t N) {
  if (IsCounted()) {
    Amount = WrapAdd(Amount, N);
  } else {
    Amount = 1;
  }
}

void TProp::Lose(int32_t N) {
  if (IsCounted()) {
    Amount = WrapSub(Amount, N);
    if (Amount < 0) Amount = 0;
  } else {
    Amount = 0;
  }
}

void TProp::Normalize() {
  if (Amount < 0) Amount = 0;
  if (!IsCounted() && Amount > 1) Amount = 1;
}

void CountPropsByKind(int32_t Counters[PropKindCount]) {
  TContainer* props = Props();
  if (props == nullptr) return;
  for (TItem* item : *props) {
    const auto* prop = static_cast<const TProp*>(item);
    if (prop->Amount != 0 || prop->Kind == TPropKind::Property) ++Counters[static_cast<int32_t>(prop->Kind)];
  }
}

const char* PropKindName(TPropKind Kind) {
  static const char* names[PropKindCount] = {"Property", "Title", "Skill", "Companion", "Item"};
  const auto k = static_cast<int32_t>(Kind);
  return k >= 0 && k < PropKindCount ? names[k] : "";
}

}  // namespace tv
