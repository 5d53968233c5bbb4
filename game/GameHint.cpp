#include "game/GameHint.h"

#include <unordered_map>
#include <vector>

#include "game/GameFile.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameSite.h"

namespace tv {

namespace {

// Steps 1 to 6 of the search: whether the hint applies at all when Need is asked for.
bool Applies(const THint* H, int32_t Need) {
  if (H->Goal != nullptr && H->Goal->Amount >= Need) return false;
  if (H->NeedsProp != nullptr && H->NeedsProp->Amount < H->NeedsAmount) return false;
  if (H->UntilVisited != nullptr && H->UntilVisited->Count > 0) return false;
  if (H->AfterVisited != nullptr && H->AfterVisited->Count == 0) return false;
  if (H->UntilEntered != nullptr && H->UntilEntered->Entered) return false;
  if (H->OutsideRegion != nullptr && H->OutsideRegion == CurrentRegion()) return false;
  return true;
}

struct TFrame {
  THint* Hint;
  int32_t Missing;
  int32_t Next;  // the next sub-hint slot to try
};

TFrame Enter(THint* H, int32_t Need) {
  H->Need = Need;
  const int32_t missing = H->Goal != nullptr ? WrapSub(Need, H->Goal->Amount) : Need;
  return {H, missing, 0};
}

}  // namespace

std::string THint::LegendKey() const { return "HintLegendH" + std::to_string(Number); }

void THint::Load(const THintDef& Record, const TFilePlace& Place) {
  Number = Record.Number;
  Goal = ResolveProp(Place, Record.Goal, "Goal");
  NeedsProp = ResolveProp(Place, Record.NeedsProp, "NeedsProp");
  NeedsAmount = Record.NeedsAmount;
  UntilVisited = ResolveSite(Place, Record.UntilVisited, "UntilVisited");
  AfterVisited = ResolveSite(Place, Record.AfterVisited, "AfterVisited");
  UntilEntered = ResolveSite(Place, Record.UntilEntered, "UntilEntered");
  OutsideRegion = ResolveRegion(Place, Record.OutsideRegion, "OutsideRegion");
  static const char* names[SubHintCount] = {"SubHints1", "SubHints2", "SubHints3", "SubHints4",
                                            "SubHints5", "SubHints6", "SubHints7", "SubHints8"};
  for (int32_t i = 0; i < SubHintCount; ++i) {
    SubHints[i] = ResolveHint(Place, Record.SubHints[static_cast<size_t>(i)], names[i]);
    SubAmounts[i] = Record.SubAmounts[static_cast<size_t>(i)];
  }
  RouteOnly = Record.RouteOnly;
  ShowNeed = Record.ShowNeed;
}

// The depth-first search of the rule, kept on an explicit stack: the first hint found anywhere
// is the answer of every level above it, so it is returned at once.
THint* Choose(THint* Hint, int32_t Need) {
  if (Hint == nullptr || !Applies(Hint, Need)) return nullptr;
  std::vector<TFrame> stack;
  stack.push_back(Enter(Hint, Need));
  while (!stack.empty()) {
    TFrame& top = stack.back();
    bool descended = false;
    while (top.Next < SubHintCount) {
      const int32_t i = top.Next++;
      THint* sub = top.Hint->SubHints[i];
      if (sub == nullptr) continue;
      const int32_t a = top.Hint->SubAmounts[i];
      int32_t n = top.Hint->Need;
      if (a > 0) {
        n = a;
      } else if (a < 0) {
        n = WrapMul(WrapSub(0, a), top.Missing);
      }
      if (!Applies(sub, n)) continue;
      stack.push_back(Enter(sub, n));
      descended = true;
      break;
    }
    if (descended) continue;
    // No sub-hint gave a result: the hint itself, unless it only leads to its sub-hints.
    THint* done = stack.back().Hint;
    stack.pop_back();
    if (!done->RouteOnly) return done;
  }
  return nullptr;
}

THint* CurrentHint() {
  // A guide chain that comes back to a site already seen has no uncompleted site ahead: no hint.
  // A walk longer than the number of sites must have done so.
  int64_t stepsLeft = static_cast<int64_t>(TotalSiteCount()) + 1;
  TSite* site = GuideStart();
  while (site != nullptr && site->Count != 0) {
    if (--stepsLeft <= 0) return nullptr;
    site = site->NextGuide;
  }
  if (site == nullptr || site->Hint == nullptr) return nullptr;
  return Choose(site->Hint, 1);
}

void CheckHintTrees() {
  TContainer* hints = Hints();
  if (hints == nullptr) return;
  // 0 not visited, 1 on the current path, 2 done.
  std::unordered_map<const THint*, uint8_t> colour;
  struct TStep {
    THint* Hint;
    int32_t Next;
  };
  for (TItem* item : *hints) {
    auto* root = static_cast<THint*>(item);
    if (colour[root] != 0) continue;
    std::vector<TStep> stack{{root, 0}};
    colour[root] = 1;
    while (!stack.empty()) {
      TStep& top = stack.back();
      if (top.Next >= SubHintCount) {
        colour[top.Hint] = 2;
        stack.pop_back();
        continue;
      }
      THint* sub = top.Hint->SubHints[top.Next++];
      if (sub == nullptr) continue;
      const uint8_t c = colour[sub];
      if (c == 1) {
        throw EError("hint " + std::to_string(hints->IndexOf(sub)) + " \"" + sub->Name +
                     "\" can reach itself through its sub-hints");
      }
      if (c == 0) {
        colour[sub] = 1;
        stack.push_back({sub, 0});
      }
    }
  }
}

}  // namespace tv
