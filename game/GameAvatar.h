// The avatar: the hero's state machine, advanced once a frame by the play screen. It reveals
// sites, walks the hero through the scenes of a site, times each scene's execution, announces
// achievements and records an event for every change it makes. The world keeps no snapshot: its
// state is always ResetGame followed by a replay of the current player's events.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/EngineClasses.h"

namespace tv {

class TSite;
class TScene;
class TRegion;

// The body of an event and the unit of the save file: a kind and seven 32-bit integers.
struct TData {
  int32_t Kind = 0;
  int32_t Region = 0;
  int32_t Site = 0;
  int32_t Scene = 0;
  int32_t Value = 0;
  int32_t Extra[3] = {};
};
static_assert(sizeof(TData) == 32, "TData is stored as 32 bytes");

enum TEventKind : int32_t {
  SiteRevealed = 0,
  SiteEnteredOnReveal = 1,
  SiteEntered = 2,
  SiteFirstEntered = 3,
  SiteLeft = 4,
  SiteCompleted = 5,
  ScenePerformed = 6,
  BarterCounts = 7,
  BarterApplied = 8,
  SiteClosed = 9,
  RegionChanged = 10,
  ButtonUnlocked = 11,
  PointerChanged = 12,
};

using TCounts = std::array<int32_t, 7>;

// The seven integers after the kind, in order (the barter counts of kind 7).
TCounts DataCounts(const TData& Data);

class TEvent : public TItem {
 public:
  TEvent() = default;
  explicit TEvent(const TData& Data) : Data(Data) {}
  TData Data;

  static std::unique_ptr<TEvent> Create(const TData& Data) { return std::make_unique<TEvent>(Data); }
  static std::unique_ptr<TEvent> CreateValue(int32_t Kind, int32_t Value);
  static std::unique_ptr<TEvent> CreateRegion(int32_t Kind, const TRegion* Region);
  static std::unique_ptr<TEvent> CreateSite(int32_t Kind, int32_t Value, const TSite* Site);
  static std::unique_ptr<TEvent> CreateScene(int32_t Kind, int32_t Value, const TScene* Scene, const TSite* Site);
  static std::unique_ptr<TEvent> CreateCounts(int32_t Kind, const TCounts& Counts);
};

// The states of the machine.
enum TAvatarState : int32_t {
  StateIdle = 0,
  StateClosing = 1,
  StateRevealing = 2,
  StateAchievements = 3,
  StateEntering = 4,
  StateNextScene = 5,
  StatePresenting = 6,
  StateExecuting = 7,
  StateFirstHalf = 8,
  StateSecondHalf = 9,
};

class TAvatar {
 public:
  int32_t State = StateClosing;
  float Timer = 0;
  TSite* Site = nullptr;
  TScene* Scene = nullptr;
  bool QuickReveal = false;
  TRegion* TargetRegion = nullptr;
  bool SavePending = false;
  TCounts BarterCounts = {};

  void Reset();
  // One step of the machine with the frame time of the timer.
  void Update(bool Active);
  // One step with the given frame time in seconds.
  void Update(bool Active, float FrameTime);
  void PlaceInSite(TSite* NewSite, bool Record);
  void TravelTo(TRegion* Region);
  void AcceptScene();
  void DeclineScene();
  // The callback of a travel transition.
  void ArriveInRegion();

 private:
  bool Advance(float Duration, float FrameTime);
  // Whether Share of the scene's duration has passed (a half of its execution); without a scene
  // the avatar goes on to the next one instead.
  bool SceneShareDone(float Share, float FrameTime);
  void RevealSite();
  void MarkEntered();
  void EnterSite();
  void StartScene();
  void FinishVisit();
  void StepRevealing(bool Active, float FrameTime);
  void AfterReveal();
  void StepSecondHalfDone();

  // The scene counts of the site before the last search for the next scene (see DeclineScene).
  void KeepCounts();
  std::vector<int32_t> CountsKept;
};

// ---- The current player's events ----------------------------------------------------------------

void RecordEvent(std::unique_ptr<TEvent> Event);
bool RemoveLastIfEntered();
// Removes the last entry into a site and everything recorded after it (debug undo).
void Undo();
void ClearEvents();
void Replay();
// ResetGame, then Replay.
void Rebuild();
// ClearEvents, then Rebuild.
void NewGame();
// Moves the tutorial pointer from From to To and records the change; false (nothing done) when
// the pointer is not at From.
bool MovePointer(int32_t From, int32_t To);
// Applies one event to the world during a replay; Location is the site the hero is inside.
void ApplyEvent(const TData& Data, TSite*& Location);

}  // namespace tv
