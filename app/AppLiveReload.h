// Live reload in debug mode: the game watches its data folders and takes up a changed file at
// once. Textures, segment files, particle effects and sounds are reloaded in place; a changed
// scenario file or script file rebuilds the world from the current player's events (reset and
// replay), so the author sees the change in the state the game was in. A file that fails to load
// leaves the old data and shows a message. Nothing of this writes the save.
#pragma once

#include <string>

namespace tv {

// Once a frame (from the game's update), in debug mode only: starts the watch on the first call
// after the game was prepared, then takes up what changed. Waits while a transition runs (its
// callback holds the world) and while the splash runs.
void UpdateLiveReload();
// Stops watching; safe when it never started.
void StopLiveReload();

// The text key under which the message of a failed reload is shown (in gui::DialogMessageCustom).
constexpr const char* LiveReloadMessageKey = "MsgLiveReloadFailed";
// The file "tolvaren-tool scenario watch" writes beside the scenario when its sources fail to
// compile (removed once they compile): the game shows its lines as the reload's message.
constexpr const char* ScenarioErrorsName = "S0ScenarioErrors";

}  // namespace tv
