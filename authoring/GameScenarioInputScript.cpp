#include "authoring/GameScenarioInputScript.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "engine/EngineScript.h"
#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GamePlayers.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameScreenNames.h"
#include "game/GameSite.h"

namespace tv {

namespace {

// The name prompt's longest name: as many BackSpace keys clear the name it proposes.
constexpr int32_t NameFieldLength = 14;
// Waits that cover the game's own pace (reveals, a scene's duration, transitions) get a longer limit
// than the harness's default, so that a slow frame time does not end the run early.
constexpr int32_t LongWait = 6000;
// Floating texts shorter than this accept themselves almost at once: the script lets them.
constexpr size_t ShortFloatingText = 10;

// Names the play screen gives its own controls: a site of that name could not be clicked by name.
const char* const PlayControls[] = {"Map", "MapIcon", "ExitIcon", "HintIcon", "InventoryIcon", "Arrow", "Undo"};

bool ClickableName(const std::string& Name) {
  if (Name.empty()) return false;
  for (char c : Name) {
    if (c <= ' ' || c > '~' || c == '#') return false;
  }
  return std::none_of(std::begin(PlayControls), std::end(PlayControls), [&](const char* n) { return Name == n; });
}

TSite* SiteInRegion(TRegion* Region, int32_t Number) {
  if (Region == nullptr) return nullptr;
  for (TItem* item : *Region->Sites) {
    auto* site = static_cast<TSite*>(item);
    if (site->Number == Number) return site;
  }
  return nullptr;
}

class TWriter {
 public:
  TWriter(const TInputScriptOptions& Options, TInputScriptResult& Result) : Options(Options), Result(Result) {}

  void Line(const std::string& Text) { Out += Text + "\n"; }
  void Comment(const std::string& Text) { Out += "\n# " + Text + "\n"; }
  void Wait(const std::string& What, int32_t Limit = 0) {
    Line("wait " + What + (Limit > 0 ? " " + std::to_string(Limit) : std::string()));
  }
  void Click(const std::string& Name) { Line("click " + Name); }
  void Shot(const std::string& File, const std::string& Shows) {
    if (!Options.Screenshots) return;
    Line("screenshot " + File);
    Result.Shots.push_back({File, Shows});
  }
  // A dialog the game opens: its showing is waited for (one "wait shown" per showing, so the next
  // one is never mistaken for the last, still fading out), then its readiness.
  void Dialog(const std::string& Name) {
    Wait("shown " + Name, LongWait);
    Wait("ready", LongWait);
  }
  // A control on the play screen once the hero rests.
  void WhenResting(const std::string& Control) {
    Wait("idle", LongWait);
    Wait("control " + Control, LongWait);
  }

  std::string Out;

 private:
  const TInputScriptOptions& Options;
  TInputScriptResult& Result;
};

class TTranslator {
 public:
  TTranslator(const TInputScriptOptions& Options, TInputScriptResult& Result)
      : Options(Options), Result(Result), W(Options, Result) {}

  bool Run(const std::vector<std::string>& Actions);
  // Leaves a new game behind, as the solver does.
  void Finish() {
    NewGame();
    Play.Settle();
  }

 private:
  bool Fail(size_t Index, const std::string& Action, const std::string& Why) {
    Result.Why = "action " + std::to_string(Index + 1) + " \"" + Action + "\": " + Why;
    return false;
  }
  void Prelude();
  // What the game opened while the last action was carried out, in order.
  void FollowCalls();
  void OnScene();
  void ArrivedIn(TRegion* Region);
  bool Accept(size_t Index, const std::string& Action);
  bool Enter(size_t Index, const std::string& Action, std::istringstream& Args);
  void OpenAndClose(const char* Icon, const char* Dialog);
  void Leave();

  const TInputScriptOptions& Options;
  TInputScriptResult& Result;
  TWriter W;
  THeadlessPlay Play;
  std::set<int32_t> RegionsShot;
  bool SceneShot = false;
  bool BarterShot = false;
  bool Ended = false;
  size_t LastAction = 0;
};

void TTranslator::Prelude() {
  W.Line("# A player's input from an empty user folder: generated from a play script, one block an action.");
  W.Comment("A new user folder asks for a name; the menu follows.");
  W.Wait("dialog InputLineCustom", LongWait);
  W.Wait("ready");
  W.Shot("name.png", "dialog InputLineCustom");
  for (int32_t i = 0; i < NameFieldLength; ++i) W.Line("+1 key BackSpace");
  W.Line("+1 text " + Options.PlayerName);
  W.Line("+2 click OK");
  W.Wait("form Menu", LongWait);
  W.Wait("ready", LongWait);
  W.Shot("menu.png", "form Menu");
  W.Line("+2 click Play");
  W.Wait("form Play", LongWait);
}

void TTranslator::OnScene() {
  const TScene* scene = Avatar()->Scene;
  if (scene == nullptr) return;
  W.Comment("Scene " + std::to_string(scene->Number) + " (" + SceneKind(scene->Kind).Name + ")" +
            (scene->Site != nullptr ? " at " + scene->Site->Name : std::string()));
  if (scene->Kind == SceneKinds::FloatingLoss) {
    // A floating loss accepts itself as soon as it has faded in: it is never ready for input.
    W.Wait("shown Scene", LongWait);
    return;
  }
  W.Dialog(gui::DialogScene);
  if (!SceneShot) {
    SceneShot = true;
    W.Shot("scene.png", "dialog Scene");
  }
}

void TTranslator::ArrivedIn(TRegion* Region) {
  if (Region == nullptr || !RegionsShot.insert(Region->Number).second) return;
  Result.Regions.push_back(Region->Name);
  W.Shot("region-" + Region->Name + ".png", "region " + Region->Name);
}

void TTranslator::FollowCalls() {
  for (const std::string& call : Play.Gui.Calls) {
    if (call == "dialog Scene") {
      OnScene();
    } else if (call == "dialog Achievement") {
      W.Comment("An achievement is announced.");
      W.Dialog(gui::DialogAchievement);
      W.Click("OK");
    } else if (call == "form Menu FadeEnding") {
      Ended = true;
      W.Comment("The ending fades back to the menu.");
      W.Wait("form Menu", LongWait);
      W.Wait("ready", LongWait);
      W.Shot("ending.png", "form Menu");
      // What the headless play goes on with belongs to the next game, which the menu does not play.
      break;
    }
  }
  Play.Gui.Calls.clear();
}

bool TTranslator::Accept(size_t Index, const std::string& Action) {
  TAvatar* avatar = Avatar();
  if (avatar->State != StatePresenting || avatar->Scene == nullptr) return Fail(Index, Action, "no scene is presented");
  TScene* scene = avatar->Scene;
  const std::string outcome = Play.Perform(Action);
  if (outcome != "ok") return Fail(Index, Action, outcome);
  if (scene->IsBarter()) {
    // The trades the headless barter made, row by row: each is a click of the row's button, once
    // the button is enabled again after the trade before it has played.
    for (int32_t row = 1; row <= SceneSlotCount; ++row) {
      const int32_t count = avatar->BarterCounts[static_cast<size_t>(row - 1)];
      for (int32_t i = 0; i < count; ++i) {
        W.Wait("control BarterPerf" + std::to_string(row), LongWait);
        W.Click("BarterPerf" + std::to_string(row));
      }
    }
    if (!BarterShot) {
      BarterShot = true;
      W.Wait("control Accept", LongWait);
      W.Shot("barter.png", "dialog Scene");
    }
    W.Click("Accept");
  } else if (scene->Kind == SceneKinds::FloatingLoss) {
    // Accepted by itself.
  } else if (scene->Kind == SceneKinds::FloatingText) {
    if (GetText(scene->LegendKey()).size() >= ShortFloatingText) W.Click("Accept");
  } else {
    W.Click("Accept");
  }
  return true;
}

bool TTranslator::Enter(size_t Index, const std::string& Action, std::istringstream& Args) {
  int32_t region = 0;
  int32_t number = 0;
  if (!(Args >> region >> number)) return Fail(Index, Action, "enter needs a region and a site number");
  TSite* site = SiteInRegion(CurrentRegion(), number);
  if (CurrentRegion() == nullptr || CurrentRegion()->Number != region || site == nullptr) {
    return Fail(Index, Action,
                "the hero is not in region " + std::to_string(region) + " with site " + std::to_string(number));
  }
  if (!ClickableName(site->Name)) {
    return Fail(Index, Action,
                "the site's name \"" + site->Name +
                    "\" cannot be clicked by name (a space or other character a script cannot hold, or the name of a "
                    "play screen control)");
  }
  if (PointsAtIcon(GetPointer())) {
    return Fail(Index, Action, "the arrow points at a play screen icon, so the sites cannot be clicked");
  }
  const std::string outcome = Play.Perform(Action);
  if (outcome != "ok") return Fail(Index, Action, outcome);
  W.Comment("Into " + site->Name + ".");
  W.WhenResting(site->Name);
  ArrivedIn(CurrentRegion());
  W.Click(site->Name);
  return true;
}

void TTranslator::OpenAndClose(const char* Icon, const char* Dialog) {
  W.Comment(std::string("The arrow points at ") + Icon + ": its dialog is opened and closed.");
  W.WhenResting(Icon);
  W.Click(Icon);
  W.Dialog(Dialog);
  W.Click("Close");
}

void TTranslator::Leave() {
  if (!Ended) {
    W.Comment("Back to the menu through the exit icon.");
    W.WhenResting("ExitIcon");
    W.Click("ExitIcon");
    W.Dialog(gui::DialogQueryCustom);
    W.Click("Yes");
    W.Wait("form Menu", LongWait);
    W.Wait("ready", LongWait);
  }
  W.Comment("Quit, and say yes.");
  W.Line("+2 click Quit");
  W.Dialog(gui::DialogQueryCustom);
  W.Line("+2 click Yes");
}

bool TTranslator::Run(const std::vector<std::string>& Actions) {
  NewGame();
  if (!Play.Settle()) return Fail(0, "", "a new game never comes to rest");
  Prelude();
  FollowCalls();
  for (size_t i = 0; i < Actions.size(); ++i) {
    const std::string& action = Actions[i];
    std::istringstream words(action);
    std::string verb;
    if (!(words >> verb) || verb[0] == '#') continue;
    if (Ended) return Fail(i, action, "the story has already ended");
    bool ok = true;
    if (verb == "accept") {
      ok = Accept(i, action);
    } else if (verb == "decline") {
      const std::string outcome = Play.Perform(action);
      if (outcome != "ok") return Fail(i, action, outcome);
      W.Click("Cancel");
    } else if (verb == "enter") {
      ok = Enter(i, action, words);
    } else if (verb == "travel") {
      if (!IsUnlocked(Buttons::Map)) return Fail(i, action, "the map button is not unlocked");
      const std::string outcome = Play.Perform(action);
      if (outcome != "ok") return Fail(i, action, outcome);
      W.Comment("Through the map icon.");
      W.WhenResting("MapIcon");
      W.Click("MapIcon");
    } else if (verb == "close-hint" || verb == "close-inventory") {
      const bool hint = verb == "close-hint";
      const std::string outcome = Play.Perform(action);
      if (outcome != "ok") return Fail(i, action, outcome);
      OpenAndClose(hint ? "HintIcon" : "InventoryIcon", hint ? gui::DialogHint : gui::DialogInventory);
    } else {
      return Fail(i, action, "a player has no control for \"" + verb + "\" outside debug mode");
    }
    if (!ok) return false;
    if (!Play.Settle()) return Fail(i, action, "the game never comes to rest");
    LastAction = i;
    FollowCalls();
  }
  if (!Ended && Avatar()->State == StatePresenting) {
    return Fail(LastAction, Actions.empty() ? std::string() : Actions[LastAction],
                "the way ends while a scene waits for the player");
  }
  Leave();
  Result.ReachesEnding = Ended;
  Result.Script = W.Out;
  return true;
}

}  // namespace

TInputScriptResult WayAsInputScript(const std::vector<std::string>& Actions, const TInputScriptOptions& Options) {
  TInputScriptResult result;
  if (Options.PlayerName.empty() || Options.PlayerName.size() > static_cast<size_t>(NameFieldLength) ||
      Options.PlayerName.find_first_of("\r\n") != std::string::npos) {
    result.Why = "the player's name must hold 1 to " + std::to_string(NameFieldLength) + " bytes on one line";
    return result;
  }
  // The script's player is new: nothing earned yet, so every achievement of the way is announced.
  TPlayer* player = CurrentPlayer();
  const std::vector<int32_t> earned = player != nullptr ? player->Earned : std::vector<int32_t>{};
  if (player != nullptr) player->Earned.clear();
  {
    TTranslator translator(Options, result);
    result.Ok = translator.Run(Actions);
    translator.Finish();
  }
  if (player != nullptr) player->Earned = earned;
  if (!result.Ok) {
    result.Script.clear();
    result.Shots.clear();
    result.Regions.clear();
  }
  return result;
}

}  // namespace tv
