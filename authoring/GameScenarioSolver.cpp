#include "authoring/GameScenarioSolver.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <queue>
#include <unordered_set>

#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GamePlayers.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv {

namespace {

// A world state as the search keeps it: the player's events (the whole game) and earned
// achievements, held as the change from the state before (events are appended, and a decline may
// take back the last one), with the way there.
struct TNode {
  int32_t DropEvents = 0;
  std::vector<TData> AddedEvents;
  std::vector<int32_t> AddedEarned;
  std::shared_ptr<const TNode> Parent;
  std::string Action;
  int32_t Depth = 0;
  int64_t Progress = 0;
  int64_t Order = 0;  // first come, first served among equals
};
using TNodePtr = std::shared_ptr<const TNode>;

struct TByPromise {
  bool operator()(const TNodePtr& A, const TNodePtr& B) const {
    if (A->Progress != B->Progress) return A->Progress < B->Progress;
    if (A->Depth != B->Depth) return A->Depth > B->Depth;
    return A->Order > B->Order;
  }
};

bool ShownOnMap(const TSite* Site) {
  return Site->Revealed && !Site->Closed && (Site->KeepAfterVisit || Site->Count == 0);
}

struct TGame {
  std::vector<TData> Events;
  std::vector<int32_t> Earned;
};

bool SameData(const TData& A, const TData& B) { return std::memcmp(&A, &B, sizeof A) == 0; }

TGame Current() {
  TGame game;
  TPlayer* player = CurrentPlayer();
  for (TItem* item : *player->Events) game.Events.push_back(static_cast<TEvent*>(item)->Data);
  game.Earned = player->Earned;
  return game;
}

// The game of a node: its changes applied in order from the first state.
TGame GameOf(const TNode& Node) {
  std::vector<const TNode*> chain;
  for (const TNode* n = &Node; n != nullptr; n = n->Parent.get()) chain.push_back(n);
  TGame game;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const TNode* n = *it;
    game.Events.resize(game.Events.size() - static_cast<size_t>(n->DropEvents));
    game.Events.insert(game.Events.end(), n->AddedEvents.begin(), n->AddedEvents.end());
    game.Earned.insert(game.Earned.end(), n->AddedEarned.begin(), n->AddedEarned.end());
  }
  return game;
}

// Node's change from Before to the current game.
void Capture(TNode& Node, const TGame& Before) {
  const TGame now = Current();
  size_t common = 0;
  while (common < Before.Events.size() && common < now.Events.size() &&
         SameData(Before.Events[common], now.Events[common])) {
    ++common;
  }
  Node.DropEvents = static_cast<int32_t>(Before.Events.size() - common);
  Node.AddedEvents.assign(now.Events.begin() + static_cast<std::ptrdiff_t>(common), now.Events.end());
  Node.AddedEarned.assign(
      now.Earned.begin() + static_cast<std::ptrdiff_t>(std::min(Before.Earned.size(), now.Earned.size())),
      now.Earned.end());
}

void Restore(const TGame& Game, THeadlessPlay& Play) {
  TPlayer* player = CurrentPlayer();
  ClearEvents();
  for (const TData& data : Game.Events) player->Events->Insert(TEvent::Create(data), false);
  player->Earned = Game.Earned;
  Rebuild();
  Play.Gui.Calls.clear();
  Play.Settle();
}

// The dynamic state of the world in a few bytes: what decides what can happen next. Counts are
// capped, so that visiting a finished site once more does not make a new state.
std::string StateKey() {
  std::string key;
  auto put = [&](int32_t V) { key.append(reinterpret_cast<const char*>(&V), sizeof V); };
  TAvatar* avatar = Avatar();
  put(CurrentRegion() != nullptr ? CurrentRegion()->Number : -1);
  put(PreviousRegion() != nullptr ? PreviousRegion()->Number : -1);
  put(avatar->State);
  put(avatar->Site != nullptr ? avatar->Site->Number : -1);
  put(avatar->Scene != nullptr ? avatar->Scene->Number : -1);
  put((IsUnlocked(Buttons::Hint) ? 1 : 0) | (IsUnlocked(Buttons::Inventory) ? 2 : 0) |
      (IsUnlocked(Buttons::Map) ? 4 : 0));
  put(GetPointer());
  for (TItem* item : *Props()) put(static_cast<TProp*>(item)->Amount);
  for (TItem* r : *Regions()) {
    for (TItem* s : *static_cast<TRegion*>(r)->Sites) {
      const auto* site = static_cast<TSite*>(s);
      put((site->Revealed ? 1 : 0) | (site->Entered ? 2 : 0) | (site->Closed ? 4 : 0) |
          (std::min(site->Count, 3) << 3));
      for (TItem* c : *site->Scenes) put(std::min(static_cast<TScene*>(c)->Count, 3));
    }
  }
  return key;
}

// How much of the story a state has done.
int64_t Progress() {
  int64_t p = 0;
  for (TItem* r : *Regions()) {
    for (TItem* s : *static_cast<TRegion*>(r)->Sites) {
      const auto* site = static_cast<TSite*>(s);
      p += (site->Revealed ? 1 : 0) + (site->Entered ? 1 : 0) + (site->Count > 0 ? 2 : 0);
      for (TItem* c : *site->Scenes) p += static_cast<TScene*>(c)->Count > 0 ? 1 : 0;
    }
  }
  return p;
}

}  // namespace

// What the player can do in the current state, as play script lines.
std::vector<std::string> PlayerChoices() {
  std::vector<std::string> out;
  TAvatar* avatar = Avatar();
  if (avatar->State == StatePresenting && avatar->Scene != nullptr) {
    const TScene* scene = avatar->Scene;
    const TSceneKindInfo& kind = SceneKind(scene->Kind);
    if (kind.Flags[SceneFlagAccept] != 0 && (!scene->HasRequirements() || scene->RequirementsMet())) {
      if (scene->IsBarter()) {
        std::vector<int32_t> rows;
        for (int32_t i = 0; i < SceneSlotCount && i < kind.Left; ++i) {
          if (scene->Left[i].Prop != nullptr && scene->Right[i].Prop != nullptr) rows.push_back(i);
        }
        auto line = [&](const std::function<int32_t(int32_t)>& Quantity) {
          std::string text = "accept";
          for (int32_t i = 0; i < SceneSlotCount; ++i) text += " " + std::to_string(Quantity(i));
          return text;
        };
        out.push_back(line([](int32_t) { return 0; }));
        for (const int32_t row : rows) {
          out.push_back(line([row](int32_t i) { return i == row ? 9999 : 0; }));
          out.push_back(line([row](int32_t i) { return i == row ? 1 : 0; }));
        }
        if (rows.size() > 1) out.push_back(line([](int32_t) { return 9999; }));
      } else {
        out.emplace_back("accept");
      }
    }
    // Only a window with a Cancel button can be declined.
    if (kind.Flags[SceneFlagDecline] != 0) out.emplace_back("decline");
    return out;
  }
  if (avatar->State != StateIdle) return out;
  // While the tutorial arrow points at an icon of the play screen, the site markers are disabled:
  // the player first opens and closes the hint or the inventory it points at, or uses the map.
  const int32_t pointer = GetPointer();
  const bool sitesUsable = !PointsAtIcon(pointer);
  if (pointer == Pointers::HintIcon) out.emplace_back("close-hint");
  if (pointer == Pointers::InventoryIcon) out.emplace_back("close-inventory");
  TRegion* here = CurrentRegion();
  if (here != nullptr && sitesUsable) {
    for (TItem* item : *here->Sites) {
      const auto* site = static_cast<TSite*>(item);
      if (ShownOnMap(site)) out.push_back("enter " + std::to_string(here->Number) + " " + std::to_string(site->Number));
    }
  }
  // The map button: to the world map, and from it back where the hero came from.
  if (IsUnlocked(Buttons::Map) && MapRegion() != nullptr) {
    if (here != MapRegion()) {
      out.push_back("travel " + std::to_string(MapRegion()->Number));
    } else if (PreviousRegion() != nullptr && PreviousRegion() != here) {
      out.push_back("travel " + std::to_string(PreviousRegion()->Number));
    }
  }
  return out;
}

namespace {

bool EndingReached(const THeadlessPlay& Play) {
  return std::find(Play.Gui.Calls.begin(), Play.Gui.Calls.end(), "form Menu FadeEnding") != Play.Gui.Calls.end();
}

}  // namespace

TSolveResult SolveScenario(const TSolveOptions& Options) {
  TSolveResult result;
  THeadlessPlay play;
  NewGame();
  if (!play.Settle()) {
    result.Why = "a new game never comes to rest";
    return result;
  }
  std::priority_queue<TNodePtr, std::vector<TNodePtr>, TByPromise> open;
  std::unordered_set<std::string> seen;
  int64_t order = 0;
  {
    auto root = std::make_shared<TNode>();
    Capture(*root, TGame{});
    root->Progress = Progress();
    seen.insert(StateKey());
    open.push(root);
  }
  bool gaveUp = false;
  while (!open.empty()) {
    const TNodePtr node = open.top();
    open.pop();
    if (node->Depth >= Options.MaxActions) continue;
    const TGame game = GameOf(*node);
    Restore(game, play);
    const std::vector<std::string> choices = PlayerChoices();
    for (const std::string& action : choices) {
      Restore(game, play);
      const std::string log = play.Perform(action);
      if (log != "ok") continue;
      if (!play.Settle()) continue;  // never comes to rest: not a way forward
      if (EndingReached(play)) {
        std::vector<std::string> actions{action};
        for (const TNode* n = node.get(); n != nullptr && n->Parent != nullptr; n = n->Parent.get()) {
          actions.push_back(n->Action);
        }
        std::reverse(actions.begin(), actions.end());
        result.Found = true;
        result.Actions = std::move(actions);
        result.States = static_cast<int64_t>(seen.size());
        result.Frames = play.Frames;
        NewGame();
        play.Settle();
        return result;
      }
      if (!seen.insert(StateKey()).second) continue;
      if (static_cast<int64_t>(seen.size()) > Options.MaxStates) {
        gaveUp = true;
        break;
      }
      auto next = std::make_shared<TNode>();
      Capture(*next, game);
      next->Parent = node;
      next->Action = action;
      next->Depth = node->Depth + 1;
      next->Progress = Progress();
      next->Order = ++order;
      open.push(next);
    }
    if (gaveUp) break;
  }
  result.States = static_cast<int64_t>(seen.size());
  result.Frames = play.Frames;
  result.Why = gaveUp ? "no way to an ending found within " + std::to_string(Options.MaxStates) + " states"
                      : "no way to an ending exists: every state reachable from a new game was tried (" +
                            std::to_string(seen.size()) + " states)";
  NewGame();
  play.Settle();
  return result;
}

bool SettleObserving(THeadlessPlay& Play, const std::function<void()>& Observe) {
  auto pending = [&] {
    if (!Play.Gui.HasPending()) return;
    Observe();
    Play.Gui.RunPending();
  };
  pending();
  int64_t frames = 0;
  while (Avatar()->State != StateIdle && Avatar()->State != StatePresenting) {
    if (++frames > HeadlessFrameLimit) return false;
    Avatar()->Update(true, HeadlessFrameTime);
    ++Play.Frames;
    pending();
  }
  Observe();
  return true;
}

bool ExploreScenario(const TSolveOptions& Options, THeadlessPlay& Play, const std::function<void()>& Visit,
                     int64_t* States) {
  NewGame();
  Play.Gui.Calls.clear();
  if (!SettleObserving(Play, Visit)) return false;
  std::queue<TNodePtr> open;
  std::unordered_set<std::string> seen;
  {
    auto root = std::make_shared<TNode>();
    Capture(*root, TGame{});
    seen.insert(StateKey());
    open.push(root);
  }
  bool complete = true;
  while (!open.empty() && complete) {
    const TNodePtr node = open.front();
    open.pop();
    const TGame game = GameOf(*node);
    Restore(game, Play);
    const std::vector<std::string> choices = PlayerChoices();
    for (const std::string& action : choices) {
      Restore(game, Play);
      if (Play.Perform(action) != "ok" || !SettleObserving(Play, Visit)) continue;
      if (!seen.insert(StateKey()).second) continue;
      // The ending starts a new game: nothing follows it.
      if (EndingReached(Play)) continue;
      if (static_cast<int64_t>(seen.size()) >= Options.MaxStates) {
        complete = false;
        break;
      }
      auto next = std::make_shared<TNode>();
      Capture(*next, game);
      next->Parent = node;
      open.push(next);
    }
  }
  if (States != nullptr) *States = static_cast<int64_t>(seen.size());
  NewGame();
  Play.Gui.Calls.clear();
  Play.Settle();
  return complete;
}

}  // namespace tv
