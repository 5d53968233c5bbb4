#include "game/GameProp.h"

#include "engine/EngineScript.h"
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

// ---- Texts ---------------------------------------------------------------------------------------
// Built from a label text, a line break and the prop's name text; amounts follow the language's
// colon prefix and ": ".

std::string TProp::DisplayName() const {
  std::string text = GetText(CaptionKey());
  if (ShowsAmount(Amount)) text += GetColonPrefix() + ": " + FormatInteger(Amount);
  return text;
}

std::string TProp::RequirementLabel(int32_t Needed) const {
  std::string text = GetText("LabelRequirement") + "\n" + GetText(CaptionKey());
  if (ShowsAmount(Needed)) {
    text += GetColonPrefix() + ": " + FormatInteger(Needed) + "\n" + GetText("LabelIHave") + GetColonPrefix() + ": " +
            FormatInteger(Amount);
  }
  return text;
}

namespace {

// A loss or a reward: the heading, the caption and the signed change where it is worth showing.
std::string ChangeLabel(const TProp& Prop, const char* Heading, const char* Sign, int32_t Change) {
  std::string text = GetText(Heading) + "\n" + GetText(Prop.CaptionKey());
  if (Prop.ShowsAmount(Change)) text += GetColonPrefix() + ": " + Sign + FormatInteger(Change);
  return text;
}

// One side of a barter row: as a change, and for a counted prop what the hero has before the trade.
std::string TradeLabel(const TProp& Prop, const char* Heading, const char* Sign, int32_t Change) {
  std::string text = GetText(Heading) + "\n" + GetText(Prop.CaptionKey());
  if (Prop.IsCounted()) {
    text += GetColonPrefix() + ": " + Sign + FormatInteger(Change) + "\n" + GetText("LabelIHave") + GetColonPrefix() +
            ": " + FormatInteger(Prop.AmountBefore);
  }
  return text;
}

}  // namespace

std::string TProp::LossLabel(int32_t Lost) const { return ChangeLabel(*this, "LabelLoss", "-", Lost); }
std::string TProp::RewardLabel(int32_t Gained) const { return ChangeLabel(*this, "LabelReward", "+", Gained); }
std::string TProp::CostLabel(int32_t Paid) const { return TradeLabel(*this, "LabelCost", "-", Paid); }
std::string TProp::PurchaseLabel(int32_t Bought) const { return TradeLabel(*this, "LabelPurchase", "+", Bought); }

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
