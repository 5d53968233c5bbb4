// Props: everything the hero can own or be, with the amount held, and the texts the screens show
// for a prop in each of its roles.
#pragma once

#include <cstdint>
#include <string>

#include "base/EngineClasses.h"

namespace tv {

class TPicture;
class TCaption;

enum class TPropKind : int32_t { Property = 0, Title = 1, Skill = 2, Companion = 3, Item = 4 };
constexpr int32_t PropKindCount = 5;

class TProp : public TNamedItem {
 public:
  explicit TProp(std::string Name = {}) : TNamedItem(std::move(Name)) {}

  int32_t Number = 0;
  TPropKind Kind = TPropKind::Property;
  bool SingleUnit = false;
  TPicture* Picture = nullptr;
  int32_t Frame = 0;
  TCaption* Caption = nullptr;
  int32_t InitialAmount = 0;
  int32_t AmountBefore = 0;
  int32_t Amount = 0;

  // Grouped by kind (Property first), by name within a kind.
  bool Precedes(const TItem* Other) const override;

  void Reset();
  // Properties, companions and items are counted; titles and skills are held (1) or not (0).
  bool IsCounted() const;
  std::string CaptionKey() const;

  // The amount rules of the scene effects.
  void Gain(int32_t N);
  void Lose(int32_t N);
  // After a barter: counted props are raised to 0, uncounted ones clamped to 0..1.
  void Normalize();

  std::string DisplayName() const;
  std::string RequirementLabel(int32_t Needed) const;
  std::string LossLabel(int32_t Lost) const;
  std::string RewardLabel(int32_t Gained) const;
  std::string CostLabel(int32_t Paid) const;
  std::string PurchaseLabel(int32_t Bought) const;

  // Whether a label shows an amount of N: for a counted prop, unless it is one unit of a prop
  // that comes singly.
  bool ShowsAmount(int32_t N) const { return IsCounted() && (N > 1 || !SingleUnit); }
};

// Counters[Kind] grows by one for each prop held (Amount <> 0), and for every "Property" prop.
void CountPropsByKind(int32_t Counters[PropKindCount]);

// The name of a prop kind in the scenario's vocabulary ("Property", "Title", ...).
const char* PropKindName(TPropKind Kind);

}  // namespace tv
