#include "game/GameHeadless.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "engine/EngineScript.h"
#include "game/GameAchievement.h"
#include "game/GameAvatar.h"
#include "game/GameHint.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameScreenNames.h"
#include "game/GameSite.h"
#include "platform/PlatformSystem.h"

namespace tv {

// ---- Screens --------------------------------------------------------------------------------------

void THeadlessGui::ShowDialog(const std::string& Name, const TDialogArgs& Args) {
  Calls.push_back("dialog " + Name);
  if (Name == gui::DialogAchievement && Args.Data != nullptr) {
    AddEarned(CurrentPlayer(), static_cast<TAchievement*>(Args.Data)->Number);
  }
}

void THeadlessGui::SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) {
  Calls.push_back("form " + FormName + " " + TransitionName);
  if (Callback) Pending.push_back(std::move(Callback));
}

void THeadlessGui::SendCommand(const std::string& FormName, const std::string& Text, TItem*) {
  Calls.push_back("command " + FormName + " " + Text);
}

void THeadlessGui::RunPending() {
  while (!Pending.empty()) {
    std::vector<TGuiCallback> now;
    now.swap(Pending);
    for (TGuiCallback& callback : now) callback();
  }
}

// ---- Play -----------------------------------------------------------------------------------------

namespace {

bool AtRest() {
  const int32_t state = Avatar()->State;
  return state == StateIdle || state == StatePresenting;
}

// Whether the map shows the site: revealed, not closed, and not yet completed unless it stays.
bool ShownOnMap(const TSite* Site) {
  return Site->Revealed && !Site->Closed && (Site->KeepAfterVisit || Site->Count == 0);
}

bool ReadInt(std::istringstream& In, int32_t& Value) {
  std::string word;
  if (!(In >> word)) return false;
  char* end = nullptr;
  const long long v = std::strtoll(word.c_str(), &end, 10);
  if (end == word.c_str() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  Value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

THeadlessPlay::THeadlessPlay() : Previous(GetGuiHandler()) { SetGuiHandler(&Gui); }

THeadlessPlay::~THeadlessPlay() { SetGuiHandler(Previous); }

bool THeadlessPlay::Settle() {
  int64_t frames = 0;
  Gui.RunPending();
  while (!AtRest()) {
    if (++frames > HeadlessFrameLimit) return false;
    Avatar()->Update(true, HeadlessFrameTime);
    ++Frames;
    Gui.RunPending();
  }
  return true;
}

std::string THeadlessPlay::Perform(const std::string& Line) {
  std::istringstream in(Line);
  std::string action;
  if (!(in >> action) || action[0] == '#') return {};
  TAvatar* avatar = Avatar();
  std::string result = "ok";
  if (action == "enter") {
    int32_t r = 0;
    int32_t s = 0;
    if (!ReadInt(in, r) || !ReadInt(in, s)) return "ignored: enter needs a region and a site number";
    if (avatar->State != StateIdle) return "ignored: the avatar is busy";
    TRegion* region = CurrentRegion();
    if (region == nullptr || region->Number != r) return "ignored: not in region " + std::to_string(r);
    TSite* site = nullptr;
    for (TItem* item : *region->Sites) {
      if (static_cast<TSite*>(item)->Number == s) {
        site = static_cast<TSite*>(item);
        break;
      }
    }
    if (site == nullptr) return "ignored: no site " + std::to_string(s) + " in region " + std::to_string(r);
    if (!ShownOnMap(site)) return "ignored: site " + std::to_string(s) + " is not on the map";
    avatar->PlaceInSite(site, true);
  } else if (action == "accept") {
    std::vector<int32_t> quantities;
    for (int32_t q = 0; ReadInt(in, q);) quantities.push_back(q);
    if (avatar->State != StatePresenting || avatar->Scene == nullptr) return "ignored: no scene is presented";
    TScene* scene = avatar->Scene;
    if (SceneKind(scene->Kind).Flags[SceneFlagAccept] == 0) return "ignored: the scene cannot be accepted";
    if (scene->HasRequirements() && !scene->RequirementsMet()) return "ignored: requirements not met";
    // Exactly what the scene dialog does: q_i clicks of row i's trade button, row after row.
    if (scene->IsBarter()) {
      scene->BeginBarter();
      scene->TradeRows(quantities);
    }
    avatar->AcceptScene();
  } else if (action == "skip") {
    if (avatar->State != StatePresenting) return "ignored: no scene is presented";
    avatar->AcceptScene();
  } else if (action == "decline") {
    if (avatar->State != StatePresenting) return "ignored: no scene is presented";
    avatar->DeclineScene();
  } else if (action == "travel") {
    int32_t r = 0;
    if (!ReadInt(in, r)) return "ignored: travel needs a region number";
    TRegion* region = nullptr;
    for (TItem* item : *Regions()) {
      if (static_cast<TRegion*>(item)->Number == r) {
        region = static_cast<TRegion*>(item);
        break;
      }
    }
    if (region == nullptr)
      result = "ignored: no region " + std::to_string(r);
    else if (avatar->State != StateIdle)
      result = "ignored: the avatar is busy";
    else if (region == CurrentRegion())
      result = "ignored: already in region " + std::to_string(r);
    avatar->TravelTo(region);
  } else if (action == "undo") {
    Undo();
    Rebuild();
  } else if (action == "newgame") {
    NewGame();
  } else if (action == "close-inventory") {
    if (!MovePointer(Pointers::InventoryIcon, Pointers::Sites)) return "ignored: the pointer is not at the inventory";
  } else if (action == "close-hint") {
    if (!MovePointer(Pointers::HintIcon, Pointers::Nothing)) return "ignored: the pointer is not at the hint";
  } else {
    return "ignored: unknown action \"" + action + "\"";
  }
  Gui.RunPending();
  return result;
}

// ---- State ----------------------------------------------------------------------------------------

std::string JsonString(const std::string& Text) {
  const TCodePage* page = CodePageTables(GetCodePage());
  std::string out = "\"";
  for (char c : Text) {
    const auto b = static_cast<uint8_t>(c);
    char buffer[8];
    if (b == '"' || b == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b >= 0x80) {
      const unsigned code = b < 0x80 ? b : (page != nullptr ? page->ToWide[b] : b);
      std::snprintf(buffer, sizeof buffer, "\\u%04x", code);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

namespace {

// The items of a container as a JSON list, each written by Object from the item as a T.
template <class T, class TFn>
std::string JsonItems(const TContainer& Items, TFn Object) {
  std::string j = "[";
  bool first = true;
  for (TItem* item : Items) {
    j += std::string(first ? "" : ", ") + Object(*static_cast<T*>(item));
    first = false;
  }
  return j + "]";
}

}  // namespace

std::string EventsJson(const TContainer& Events) {
  return JsonItems<TEvent>(Events, [](const TEvent& e) {
    const TData& d = e.Data;
    const int32_t values[8] = {d.Kind, d.Region, d.Site, d.Scene, d.Value, d.Extra[0], d.Extra[1], d.Extra[2]};
    std::string j = "[";
    for (int k = 0; k < 8; ++k) j += (k > 0 ? ", " : "") + std::to_string(values[k]);
    return j + "]";
  });
}

namespace {

std::string Bool(bool B) { return B ? "true" : "false"; }

std::string Float(float F) {
  if (!std::isfinite(F)) return "null";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(F));
  return buffer;
}

std::string RegionNumber(const TRegion* Region) { return Region != nullptr ? std::to_string(Region->Number) : "null"; }

}  // namespace

std::string ModelStateJson(const std::vector<std::string>* Log) {
  std::string j = "{";
  j += "\"current_region\": " + RegionNumber(CurrentRegion());
  j += ", \"previous_region\": " + RegionNumber(PreviousRegion());
  j += ", \"unlocked\": [" + Bool(IsUnlocked(Buttons::Hint)) + ", " + Bool(IsUnlocked(Buttons::Inventory)) + ", " +
       Bool(IsUnlocked(Buttons::Map)) + "]";
  j += ", \"pointer\": " + std::to_string(GetPointer());
  const TAvatar* avatar = Avatar();
  j += ", \"avatar\": {\"state\": " + std::to_string(avatar->State) + ", \"site\": ";
  if (avatar->Site != nullptr) {
    j += "[" + RegionNumber(avatar->Site->Region) + ", " + std::to_string(avatar->Site->Number) + "]";
  } else {
    j += "null";
  }
  j += ", \"scene\": " + (avatar->Scene != nullptr ? std::to_string(avatar->Scene->Number) : std::string("null"));
  j += ", \"barter_counts\": [";
  for (size_t i = 0; i < avatar->BarterCounts.size(); ++i) {
    j += (i > 0 ? ", " : "") + std::to_string(avatar->BarterCounts[i]);
  }
  j += "]}";

  j += ", \"props\": " + JsonItems<TProp>(*Props(), [](const TProp& p) {
         return "{\"name\": " + JsonString(p.Name) + ", \"number\": " + std::to_string(p.Number) +
                ", \"amount\": " + std::to_string(p.Amount) + ", \"amount_before\": " + std::to_string(p.AmountBefore) +
                "}";
       });

  j += ", \"regions\": " + JsonItems<TRegion>(*Regions(), [](const TRegion& region) {
         std::string r = "{\"number\": " + std::to_string(region.Number) + ", \"music\": " +
                         (region.Music != nullptr ? JsonString(region.Music->Name) : std::string("null"));
         r += ", \"sites\": " + JsonItems<TSite>(*region.Sites, [](const TSite& site) {
                return "{\"number\": " + std::to_string(site.Number) + ", \"revealed\": " + Bool(site.Revealed) +
                       ", \"entered\": " + Bool(site.Entered) + ", \"closed\": " + Bool(site.Closed) +
                       ", \"count\": " + std::to_string(site.Count) + ", \"scenes\": " +
                       JsonItems<TScene>(*site.Scenes,
                                         [](const TScene& scene) {
                                           return "{\"number\": " + std::to_string(scene.Number) +
                                                  ", \"count\": " + std::to_string(scene.Count) + "}";
                                         }) +
                       "}";
              });
         r += ", \"plots\": [";
         for (int32_t i = 0; i < region.Map->PlotCount(); ++i) {
           const TPlotData& plot = region.Map->Plot(i);
           r += std::string(i > 0 ? ", " : "") + "{\"visible\": " + Bool(plot.Visible) + ", \"x\": " + Float(plot.X) +
                ", \"y\": " + Float(plot.Y) + "}";
         }
         return r + "]}";
       });

  j += ", \"achievements\": " + JsonItems<TAchievement>(*Achievements(), [](TAchievement& a) {
         return "{\"number\": " + std::to_string(a.Number) + ", \"visible\": " + Bool(a.IsVisible()) +
                ", \"progress\": " + std::to_string(a.Progress) + ", \"total\": " + std::to_string(a.Total()) +
                ", \"reached\": " + Bool(a.IsReached()) + ", \"newly_earned\": " + Bool(a.IsNewlyEarned()) + "}";
       });

  const THint* hint = CurrentHint();
  j += ", \"hint\": ";
  j += hint != nullptr
           ? "{\"number\": " + std::to_string(hint->Number) + ", \"need\": " + std::to_string(hint->Need) + "}"
           : std::string("null");

  const TPlayer* player = CurrentPlayer();
  j += ", \"player\": {\"name\": " + JsonString(player != nullptr ? player->Name : std::string()) + ", \"earned\": [";
  if (player != nullptr) {
    for (size_t i = 0; i < player->Earned.size(); ++i) j += (i > 0 ? ", " : "") + std::to_string(player->Earned[i]);
  }
  j += "], \"event_count\": " + std::to_string(player != nullptr ? player->Events->GetCount() : 0) + "}";

  j += ", \"events\": " + (player != nullptr ? EventsJson(*player->Events) : std::string("[]"));

  if (Log != nullptr) {
    j += ", \"log\": [";
    for (size_t i = 0; i < Log->size(); ++i) j += (i > 0 ? ", " : "") + JsonString((*Log)[i]);
    j += "]";
  }
  return j + "}";
}

}  // namespace tv
