#include "app/AppLiveReload.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/AppGame.h"
#include "app/AppInputScript.h"
#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "engine/EngineAudio.h"
#include "engine/EngineEffects.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTextures.h"
#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "game/GameScreenNames.h"
#include "game/GameSite.h"
#include "platform/PlatformFileWatch.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

struct TLiveReload {
  bool Started = false;
  std::unique_ptr<TFileWatcher> Watcher;
  std::vector<std::string> Queue;  // changed files not yet taken up
  std::string ScenarioBytes;       // the scenario file the world was last built from
};
TLiveReload Live;

constexpr const char* ScenarioFile = "S0Scenario.dat";

void Note(const std::string& Text) {
  std::fprintf(stderr, "%s\n", Text.c_str());
  AddLogMessage(Text);
}

void ShowFailure(const std::string& File, const std::string& Why) {
  Note("Live reload of \"" + File + "\" failed, the old data stays: " + Why);
  // The window holds a few lines; the log has them all.
  std::string shown;
  int lines = 0;
  for (size_t at = 0; at < Why.size() && lines < 5; ++lines) {
    const size_t end = std::min(Why.find('\n', at), Why.size());
    shown += (lines > 0 ? "\n" : "") + Why.substr(at, std::min<size_t>(end - at, 160));
    at = end + 1;
  }
  if (shown.size() + 1 < Why.size()) shown += "\n...";
  SetText(LiveReloadMessageKey, Utf8ToNarrow("\"" + File + "\" was not reloaded:\n" + shown));
  ShowDialog(gui::DialogMessageCustom, {.MessageKey = LiveReloadMessageKey});
}

// Names, in the log, the events of the current player that the loaded scenario no longer has a
// place for: the replay skips them (the player's list keeps them).
void NameSkippedEvents() {
  const TPlayer* player = CurrentPlayer();
  if (player == nullptr) return;
  int32_t index = 0;
  for (const TItem* item : *player->Events) {
    ++index;
    const TData& d = static_cast<const TEvent*>(item)->Data;
    bool applies = true;
    switch (d.Kind) {
      case SiteRevealed:
      case SiteEnteredOnReveal:
      case SiteEntered:
      case SiteFirstEntered:
      case SiteLeft:
      case SiteCompleted:
      case SiteClosed: applies = FindSite(d.Region, d.Site) != nullptr; break;
      case ScenePerformed:
      case BarterApplied: applies = FindScene(d.Region, d.Site, d.Scene) != nullptr; break;
      case RegionChanged: applies = FindRegion(d.Region) != nullptr; break;
      default: break;
    }
    if (!applies) {
      Note("Live reload: event " + std::to_string(index) + " (kind " + std::to_string(d.Kind) + ", region " +
           std::to_string(d.Region) + ", site " + std::to_string(d.Site) + ", scene " + std::to_string(d.Scene) +
           ") no longer applies to the scenario and is skipped");
    }
  }
}

// Builds the scenario from Bytes into fresh containers; false with the reason when it fails.
// No bytes: the empty one-region world of a game that started without a scenario file.
bool LoadWorld(const std::string& Bytes, const std::string& Label, std::string& Why) {
  DestroyScenario();
  DestroyPool();
  CreatePool();
  CreateScenario();
  try {
    if (Bytes.empty()) {
      LoadScenarioFile(Label + ".none");  // a file that is not there gives the empty world
      return true;
    }
    LoadScenarioBytes(Bytes, Label);
    return true;
  } catch (const EError& e) {
    Why = e.what();
    return false;
  }
}

// The world rebuilt from the current player's events, with the scenario file loaded anew when
// Scenario is set. The screens that show the world close first (their controls point into it)
// and open again on the new one; a scene window that was open shows again as the replay puts the
// hero back into the site.
void RebuildWorld(bool Scenario, const std::string& File, std::string& Failure,
                  const std::vector<std::string>& Texts = {}) {
  std::string bytes;
  if (Scenario) {
    try {
      bytes = ReadDataText(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat);
    } catch (const EError& e) {
      Failure = e.what();
      return;
    }
    if (bytes.empty()) {
      Failure = "Scenario file \"" + DataFilePath(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat) + "\" is empty";
      return;
    }
    if (bytes == Live.ScenarioBytes) Scenario = false;  // saved again unchanged
  }
  TGuiForm* form = CurrentForm();
  const std::string formName = form != nullptr ? form->Name : "";
  HideAllDialogs();
  ShowForm("");
  DropGuiCallbacks();
  if (Scenario) {
    const std::string label = DataFilePath(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat);
    if (LoadWorld(bytes, label, Failure)) {
      Live.ScenarioBytes = bytes;
    } else {
      std::string again;
      if (!LoadWorld(Live.ScenarioBytes, label, again)) {
        // The old file loaded before, so this should not fail; should it, the game runs on in the
        // empty world.
        Note("Live reload: the old scenario does not load again either: " + again);
        LoadWorld("", label, again);
      }
    }
  }
  NameSkippedEvents();
  Rebuild();
  const std::string world = ModelStateJson();
  if (!formName.empty()) ShowForm(formName);
  if (Failure.empty()) TraceReload(File, world, "", Texts);
}

bool Hidden(const std::string& Name) {
  return Name.empty() || Name[0] == '.' || Name.back() == '~' || Name.find(".tmp") != std::string::npos ||
         Name.find(".swp") != std::string::npos;
}

// Takes up one changed file; false when it is no file of the game's.
void TakeUp(const std::string& Path) {
  namespace fs = std::filesystem;
  const fs::path path(Path);
  const std::string file = path.filename().string();
  if (Hidden(file)) return;
  const std::string base = path.stem().string();
  const std::string ext = path.extension().string();
  const std::string folder = path.parent_path().string() + "/";
  std::string failure;
  if (file == ScenarioFile && folder == FolderPath(TFolderKind::Ordinary)) {
    RebuildWorld(true, file, failure);
  } else if (base == ScenarioErrorsName && ext == ".txt") {
    // The scenario's sources failed to compile: the old scenario stays, and the author reads why.
    std::string text;
    try {
      text = ReadDataText(TFolderKind::Ordinary, ScenarioErrorsName, TExtKind::Txt);
    } catch (const EError&) {
      return;
    }
    if (text.empty()) return;
    failure = text;
    ShowFailure(ScenarioFile, text);
    TraceReload(ScenarioFile, "", text);
    return;
  } else if ((base == "T1ScriptCommon" || base == "T1ScriptScenario") && ext == ".xml" &&
             folder == FolderPath(TFolderKind::Language)) {
    std::vector<std::string> changed;
    if (ReloadScriptFile(base == "T1ScriptScenario", failure, &changed)) RebuildWorld(false, file, failure, changed);
  } else if (ext == ".tpx" || ext == ".png" || ext == ".jpg" || ext == ".tsg") {
    if (ReloadTextures(base, failure).empty() && failure.empty()) return;  // not loaded: nothing shows it
    if (failure.empty()) TraceReload(file, "", "");
  } else if (ext == ".emt") {
    if (!ReloadEffect(base, failure) && failure.empty()) return;
    if (failure.empty()) TraceReload(file, "", "");
  } else if (ext == ".wav" || ext == ".ogg") {
    if (!ReloadSample(base, failure) && failure.empty()) return;
    if (failure.empty()) TraceReload(file, "", "");
  } else {
    return;
  }
  if (!failure.empty()) {
    ShowFailure(file, failure);
    TraceReload(file, "", failure);
  }
}

}  // namespace

void UpdateLiveReload() {
  if (!IsDebugMode() || !GamePrepared()) return;
  if (!Live.Started) {
    Live.Started = true;
    Live.Watcher = std::make_unique<TFileWatcher>();
    Live.Watcher->Watch(
        {FolderPath(TFolderKind::Ordinary), FolderPath(TFolderKind::Language), FolderPath(TFolderKind::Branding)});
    try {
      Live.ScenarioBytes = ReadDataText(TFolderKind::Ordinary, "S0Scenario", TExtKind::Dat);
    } catch (const EError&) {
      Live.ScenarioBytes.clear();
    }
    return;
  }
  for (const std::string& path : Live.Watcher->Changes()) {
    if (std::find(Live.Queue.begin(), Live.Queue.end(), path) == Live.Queue.end()) Live.Queue.push_back(path);
  }
  if (Live.Queue.empty()) return;
  // A transition's callback and the splash hold on to the world: wait until they are done.
  if (RunningTransition() != nullptr || PendingForm() != nullptr) return;
  if (CurrentForm() != nullptr && CurrentForm()->Name == gui::FormSplash) return;
  std::vector<std::string> queue;
  queue.swap(Live.Queue);
  for (const std::string& path : queue) TakeUp(path);
}

void StopLiveReload() { Live = TLiveReload{}; }

}  // namespace tv
