// The game model without screens: stand-ins for the dialogs and transitions the model opens, a
// driver that plays a game from lines of actions (the tool's "play" and the model's tests), and
// the state of the world as JSON (what "replay" and "play" print).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/EngineClasses.h"
#include "engine/EngineGuiCalls.h"

namespace tv {

// Screens as a headless run has them: the scene dialog leaves the avatar waiting for the
// script; the achievement dialog is acknowledged at once (earned by the current player, as its OK button
// does); a transition's callback is kept and run by RunPending once the step that opened it has
// returned; commands to forms are ignored. Every call is noted in Calls ("dialog Scene",
// "form Play Fade", "command Play PlaySceneExecutionEffects").
class THeadlessGui : public TGuiHandler {
 public:
  void ShowDialog(const std::string& Name, const TDialogArgs& Args) override;
  void SwitchForm(const std::string& FormName, const std::string& TransitionName, TGuiCallback Callback) override;
  void SendCommand(const std::string& FormName, const std::string& Text, TItem* Data) override;
  void DropCallbacks() override { Pending.clear(); }
  // Runs the callbacks of the transitions opened so far, in order (and any they open).
  void RunPending();
  bool HasPending() const { return !Pending.empty(); }

  std::vector<std::string> Calls;

 private:
  std::vector<TGuiCallback> Pending;
};

constexpr float HeadlessFrameTime = 1.0f / 60.0f;
constexpr int64_t HeadlessFrameLimit = 1000000;

// Plays the loaded scenario for the current player, one action line at a time. Installs its
// screens as the GUI handler for its life.
class THeadlessPlay {
 public:
  THeadlessPlay();
  ~THeadlessPlay();
  THeadlessPlay(const THeadlessPlay&) = delete;
  THeadlessPlay& operator=(const THeadlessPlay&) = delete;

  // Advances the avatar, a frame of 1/60 s at a time, until it rests in state 0 or 6. False
  // when it has not come to rest within HeadlessFrameLimit frames.
  bool Settle();
  // Carries out one action line and returns its log entry: "ok" or "ignored: " and a reason.
  // Blank lines and "#" comments give "" (no entry). Does not settle.
  std::string Perform(const std::string& Line);

  THeadlessGui Gui;
  int64_t Frames = 0;

 private:
  TGuiHandler* Previous = nullptr;
};

// The state of the world and the current player as one line of JSON; Log, when given, is added
// as "log".
std::string ModelStateJson(const std::vector<std::string>* Log = nullptr);

// A JSON string literal of narrow text in the game's code page.
std::string JsonString(const std::string& Text);
// A player's events as a JSON array of arrays, each event's kind and seven integers in order.
std::string EventsJson(const TContainer& Events);

}  // namespace tv
