#include "game/GameAvatar.h"

#include "base/AppTimer.h"
#include "engine/EngineAudio.h"
#include "engine/EngineGuiCalls.h"
#include "game/GameScreenNames.h"
#include "game/GameAchievement.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv {

// A site that unlocks a button points the arrow at it: its special code is the button's code.
static_assert(SpecialUnlockHint == Buttons::Hint && SpecialUnlockInventory == Buttons::Inventory &&
              SpecialUnlockMap == Buttons::Map);
static_assert(SpecialPointSites == Pointers::Sites);

// ---- Events ---------------------------------------------------------------------------------------

TCounts DataCounts(const TData& D) { return {D.Region, D.Site, D.Scene, D.Value, D.Extra[0], D.Extra[1], D.Extra[2]}; }

std::unique_ptr<TEvent> TEvent::CreateValue(int32_t Kind, int32_t Value) {
  TData d;
  d.Kind = Kind;
  d.Value = Value;
  return std::make_unique<TEvent>(d);
}

std::unique_ptr<TEvent> TEvent::CreateRegion(int32_t Kind, const TRegion* Region) {
  TData d;
  d.Kind = Kind;
  d.Region = Region != nullptr ? Region->Number : 0;
  return std::make_unique<TEvent>(d);
}

std::unique_ptr<TEvent> TEvent::CreateSite(int32_t Kind, int32_t Value, const TSite* Site) {
  TData d;
  d.Kind = Kind;
  d.Region = Site->Region != nullptr ? Site->Region->Number : 0;
  d.Site = Site->Number;
  d.Value = Value;
  return std::make_unique<TEvent>(d);
}

std::unique_ptr<TEvent> TEvent::CreateScene(int32_t Kind, int32_t Value, const TScene* Scene, const TSite* Site) {
  std::unique_ptr<TEvent> event = CreateSite(Kind, Value, Site);
  event->Data.Scene = Scene->Number;
  return event;
}

std::unique_ptr<TEvent> TEvent::CreateCounts(int32_t Kind, const TCounts& Counts) {
  TData d;
  d.Kind = Kind;
  d.Region = Counts[0];
  d.Site = Counts[1];
  d.Scene = Counts[2];
  d.Value = Counts[3];
  d.Extra[0] = Counts[4];
  d.Extra[1] = Counts[5];
  d.Extra[2] = Counts[6];
  return std::make_unique<TEvent>(d);
}

// ---- The current player's events ----------------------------------------------------------------

namespace {
// A site completed for the first time may give its region (or every region) new music; true when
// it did.
bool TakeRegionMusic(TSite* Site) {
  if (Site->RegionMusic == nullptr || Site->Count != 1) return false;
  if (Site->Special == SpecialMusicEverywhere) {
    SetMusicOfAllRegions(Site->RegionMusic);
  } else {
    Site->Region->Music = Site->RegionMusic;
  }
  return true;
}
}  // namespace

void RecordEvent(std::unique_ptr<TEvent> Event) {
  TPlayer* player = CurrentPlayer();
  if (player == nullptr) return;
  player->Events->Insert(std::move(Event), false);
  MarkPlayersChanged();
}

bool RemoveLastIfEntered() {
  TPlayer* player = CurrentPlayer();
  if (player == nullptr) return false;
  auto* last = static_cast<TEvent*>(player->Events->Last());
  if (last == nullptr || last->Data.Kind != SiteEntered) return false;
  player->Events->Remove(last);
  MarkPlayersChanged();
  return true;
}

void Undo() {
  TPlayer* player = CurrentPlayer();
  if (player == nullptr) return;
  auto* event = static_cast<TEvent*>(player->Events->Last());
  while (event != nullptr) {
    const bool entry = event->Data.Kind == SiteEntered && FindSite(event->Data.Region, event->Data.Site) != nullptr;
    event = static_cast<TEvent*>(event->RemoveGetPrev());
    if (entry) break;
  }
  MarkPlayersChanged();
}

void ClearEvents() {
  TPlayer* player = CurrentPlayer();
  if (player == nullptr) return;
  player->Events->Clear();
  MarkPlayersChanged();
}

void ApplyEvent(const TData& D, TSite*& Location) {
  switch (D.Kind) {
    case SiteRevealed:
      if (TSite* site = FindSite(D.Region, D.Site)) {
        site->Revealed = true;
        site->ToggleRevealGroup();
      }
      break;
    case SiteEnteredOnReveal:
    case SiteEntered: Location = FindSite(D.Region, D.Site); break;
    case SiteFirstEntered:
      if (TSite* site = FindSite(D.Region, D.Site)) site->Entered = true;
      break;
    case SiteLeft: Location = nullptr; break;
    case SiteCompleted:
      if (TSite* site = FindSite(D.Region, D.Site)) {
        Location = nullptr;
        site->ReplayCompletion();
        TakeRegionMusic(site);
        if (site->Destination != nullptr) SetCurrentRegion(site->Destination);
      }
      break;
    case ScenePerformed:
      if (TScene* scene = FindScene(D.Region, D.Site, D.Scene)) {
        if (scene->Count < D.Value) scene->ReplayPerformance();
      }
      break;
    case BarterCounts:
      if (TAvatar* avatar = Avatar()) avatar->BarterCounts = DataCounts(D);
      break;
    case BarterApplied:
      if (TScene* scene = FindScene(D.Region, D.Site, D.Scene)) scene->ReplayBarter();
      break;
    case SiteClosed:
      if (TSite* site = FindSite(D.Region, D.Site)) site->Closed = true;
      break;
    case RegionChanged:
      if (TRegion* region = FindRegion(D.Region)) SetCurrentRegion(region);
      break;
    case ButtonUnlocked: Unlock(D.Value); break;
    case PointerChanged: SetPointer(D.Value); break;
    default: break;
  }
}

void Replay() {
  TSite* location = nullptr;
  if (TPlayer* player = CurrentPlayer()) {
    for (TItem* item : *player->Events) ApplyEvent(static_cast<TEvent*>(item)->Data, location);
  }
  if (location != nullptr && Avatar() != nullptr) Avatar()->PlaceInSite(location, false);
}

void Rebuild() {
  ResetGame();
  Replay();
}

bool MovePointer(int32_t From, int32_t To) {
  if (GetPointer() != From) return false;
  SetPointer(To);
  RecordEvent(TEvent::CreateValue(PointerChanged, To));
  return true;
}

void NewGame() {
  ClearEvents();
  Rebuild();
}

// ---- The avatar -----------------------------------------------------------------------------------

void TAvatar::Reset() {
  State = StateClosing;
  Timer = 0;
  Site = nullptr;
  Scene = nullptr;
  TargetRegion = nullptr;
  SavePending = false;
  // The quantities belong to the barter under way; a rebuilt game has none (a replay sets them
  // from the recorded counts before each barter it applies).
  BarterCounts = {};
}

void TAvatar::Update(bool Active) { Update(Active, ElapsedSeconds()); }

bool TAvatar::Advance(float Duration, float FrameTime) {
  if (Duration > 0) {
    Timer += FrameTime / Duration;
    return Timer >= 1;
  }
  return true;
}

bool TAvatar::SceneShareDone(float Share, float FrameTime) {
  if (Scene == nullptr) {
    State = StateNextScene;
    return false;
  }
  return Advance(Scene->Duration * Share, FrameTime);
}

void TAvatar::RevealSite() {
  if (Site->Revealed) return;
  Site->Revealed = true;
  RecordEvent(TEvent::CreateSite(SiteRevealed, 0, Site));
}

void TAvatar::MarkEntered() {
  if (Site == nullptr || Site->Entered) return;
  Site->Entered = true;
  RecordEvent(TEvent::CreateSite(SiteFirstEntered, 0, Site));
}

void TAvatar::EnterSite() {
  if (Site == nullptr) {
    State = StateRevealing;
    return;
  }
  if (Site->Destination == nullptr) SavePending = true;
  KeepCounts();
  Scene = FirstSceneOfVisit(Site);
  StartScene();
}

void TAvatar::StartScene() {
  if (Scene == nullptr) {
    FinishVisit();
    return;
  }
  Scene->StartSounds();
  if (!Scene->NeedsPresentation()) {
    State = StateExecuting;
  } else {
    State = StatePresenting;
    ShowDialog(gui::DialogScene, Scene);
  }
}

void TAvatar::ArriveInRegion() {
  SetCurrentRegion(TargetRegion);
  State = StateClosing;
  if (SavePending) {
    SavePending = false;
    SavePlayers();
  }
}

void TAvatar::FinishVisit() {
  if (Site == nullptr) {
    State = StateRevealing;
    return;
  }
  TSite* site = Site;
  MarkEntered();
  ++site->Count;
  RecordEvent(TEvent::CreateSite(SiteCompleted, 0, site));
  if (site->Ending) {
    // The last scenes may have reached achievements that the avatar will never announce now:
    // they are earned silently before the game's events go.
    if (TContainer* achievements = Achievements()) {
      for (TItem* item : *achievements) {
        auto* a = static_cast<TAchievement*>(item);
        if (a->IsNewlyEarned()) AddEarned(CurrentPlayer(), a->Number);
      }
    }
    ClearEvents();
    SwitchForm(gui::FormMenu, gui::TransitionFadeEnding, [] {
      SavePlayers();
      Rebuild();
    });
    // The special codes would record into the next game: an ending has none.
  } else {
    if (TakeRegionMusic(site)) SkipMusicWait();
    if (site->Destination != nullptr) {
      TargetRegion = site->Destination;
      SwitchForm(gui::FormPlay, gui::TransitionFade, [this] { ArriveInRegion(); });
      State = StateIdle;
    } else {
      State = StateClosing;
    }
    if (site->Special > 0 && site->Count == 1) {
      switch (site->Special) {
        case SpecialUnlockHint:
        case SpecialUnlockInventory:
        case SpecialUnlockMap:
          Unlock(site->Special);
          RecordEvent(TEvent::CreateValue(ButtonUnlocked, site->Special));
          SetPointer(site->Special);
          RecordEvent(TEvent::CreateValue(PointerChanged, site->Special));
          break;
        case SpecialPointSites:
          SetPointer(Pointers::Sites);
          RecordEvent(TEvent::CreateValue(PointerChanged, Pointers::Sites));
          break;
        case SpecialPointerOff:
          SetPointer(Pointers::Nothing);
          RecordEvent(TEvent::CreateValue(PointerChanged, Pointers::Nothing));
          break;
        case SpecialMusicAtOnce: SkipMusicWait(); break;
        default: break;
      }
    }
  }
  Site = nullptr;
}

void TAvatar::KeepCounts() {
  CountsKept.clear();
  for (TItem* item : *Site->Scenes) CountsKept.push_back(static_cast<TScene*>(item)->Count);
}

void TAvatar::PlaceInSite(TSite* NewSite, bool Record) {
  Site = NewSite;
  if (NewSite == nullptr) return;
  if (Record) RecordEvent(TEvent::CreateSite(SiteEntered, 0, NewSite));
  State = StateEntering;
}

void TAvatar::TravelTo(TRegion* Region) {
  if (State != StateIdle || Region == nullptr || Region == CurrentRegion()) return;
  RecordEvent(TEvent::CreateRegion(RegionChanged, Region));
  // The map button has been used: the arrow that pointed at it moves on to the sites, as it does
  // once the inventory has been looked at. Left on the button, it would keep every site of every
  // region disabled, the world map's included, and the story could not go on.
  MovePointer(Pointers::MapIcon, Pointers::Sites);
  TargetRegion = Region;
  SwitchForm(gui::FormPlay, gui::TransitionFade, [this] { ArriveInRegion(); });
}

void TAvatar::AcceptScene() { State = StateExecuting; }

void TAvatar::DeclineScene() {
  MarkEntered();
  // Scenes passed over since the last one performed were counted on the way, without events; a
  // replay counts them only when a later scene of theirs is performed. So that the world equals
  // the one its events rebuild, the visit ends as if they had not been reached.
  if (Site != nullptr && CountsKept.size() == static_cast<size_t>(Site->Scenes->GetCount())) {
    size_t i = 0;
    for (TItem* item : *Site->Scenes) static_cast<TScene*>(item)->Count = CountsKept[i++];
  }
  if (!RemoveLastIfEntered() && Site != nullptr) RecordEvent(TEvent::CreateSite(SiteLeft, 0, Site));
  Scene = nullptr;
  Site = nullptr;
  State = StateRevealing;
}

// The site just revealed: entered at once when it asks for it, otherwise the search goes on.
void TAvatar::AfterReveal() {
  RevealSite();
  if (Site->EnterOnReveal) {
    RecordEvent(TEvent::CreateSite(SiteEnteredOnReveal, 0, Site));
    EnterSite();
  } else {
    Site = nullptr;
  }
}

void TAvatar::StepRevealing(bool Active, float FrameTime) {
  if (Site == nullptr) {
    if (!Active) return;
    TRegion* region = CurrentRegion();
    TSite* next = region != nullptr ? region->FirstRevealable() : nullptr;
    if (next == nullptr) {
      State = StateAchievements;
      return;
    }
    Site = next;
    Site->ToggleRevealGroup();
    if (Site->InstantReveal()) {
      AfterReveal();
    } else {
      QuickReveal = Site->RevealTilesEmpty();
      Timer = 0;
      if (!QuickReveal) PlaySound("G8Reveal", false, SoundGroupEffects, nullptr);
    }
    return;
  }
  if (Advance(QuickReveal ? 0.3f : 0.9f, FrameTime)) AfterReveal();
}

void TAvatar::StepSecondHalfDone() {
  MarkEntered();
  ++Scene->Count;
  RecordEvent(TEvent::CreateScene(ScenePerformed, Scene->Count, Scene, Site));
  if (Scene->IsBarter()) {
    RecordEvent(TEvent::CreateCounts(TEventKind::BarterCounts, BarterCounts));
    RecordEvent(TEvent::CreateScene(BarterApplied, 0, Scene, Site));
  }
  if (Scene->LeavesSite) {
    RecordEvent(TEvent::CreateSite(SiteLeft, 0, Site));
    Scene = nullptr;
    Site = nullptr;
    State = StateRevealing;
  } else {
    KeepCounts();
    Scene = SkipPerformed(Scene->NextScene());
    State = StateNextScene;
  }
}

void TAvatar::Update(bool Active, float FrameTime) {
  switch (State) {
    case StateIdle:
    case StatePresenting: break;
    case StateClosing: {
      TRegion* region = CurrentRegion();
      while (TSite* site = region != nullptr ? region->FirstToClose() : nullptr) {
        site->Closed = true;
        RecordEvent(TEvent::CreateSite(SiteClosed, 0, site));
      }
      State = StateRevealing;
      break;
    }
    case StateRevealing: StepRevealing(Active, FrameTime); break;
    case StateAchievements:
      if (Active) {
        if (TAchievement* a = FirstNewlyEarned()) {
          ShowDialog(gui::DialogAchievement, a);
        } else {
          State = StateIdle;
        }
      }
      break;
    case StateEntering:
      if (Active) EnterSite();
      break;
    case StateNextScene:
      if (Active) StartScene();
      break;
    case StateExecuting:
      if (!Active) break;
      if (Scene == nullptr) {
        State = StateNextScene;
        break;
      }
      Scene->ApplyLossesAndRewards();
      Scene->ApplyBarter();
      Scene->ApplyAchievement();
      if (Scene->HasExecutionEffects()) SendCommand(gui::FormPlay, gui::CommandPlaySceneExecutionEffects, Scene);
      State = StateFirstHalf;
      Timer = 0;
      break;
    case StateFirstHalf:
      if (SceneShareDone(0.3333f, FrameTime)) {
        Scene->ToggleGroups();
        State = StateSecondHalf;
        Timer = 0;
      }
      break;
    case StateSecondHalf:
      if (SceneShareDone(0.6666f, FrameTime)) StepSecondHalfDone();
      break;
    default: break;
  }
}

}  // namespace tv
