// Game setup: what ties the game to the engine at fixed points of start-up and shutdown.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tv {

// Creates the game model: the asset pool's eight containers, the scenario, then the players.
void CreateGame();
// Once a frame after the GUI: the current display mode and volumes go into the current player.
void UpdateGame();
// Saves the players when something changed, at the start of shutdown, so that a failed save
// reaches the log file and the report: it sets error code 1 and logs its message once.
void SaveGameBeforeShutdown();
// Frees the players (which saves them; a failed save is reported as above), the scenario and the
// asset pool. Safe when CreateGame never ran or failed part-way.
void DestroyGame();

// Hands the screens the input module's text input and mouse button and the window's display mode
// (SetGameGuiHooks); ClearScreenHooks takes them back.
void InstallScreenHooks();
void ClearScreenHooks();

// Creates every cursor, hint style, dialog, transition and form of the game and registers it by
// name with the GUI framework, in the registry's order. Debug-only screens only in debug mode.
void RegisterScreens();
// Opens the first screen: the splash when branding pictures exist, else the menu (or the name
// prompt for a player without a name) after preparing the game.
void OpenFirstScreen();
// Loads the scenario, rebuilds the current player's game and preloads the common sounds and
// textures. Runs once per run; later calls do nothing. With SpreadPreload (the splash screen) the
// sounds and textures are loaded over the following frames instead, a few milliseconds of each
// (UpdateGame), so that no frame of the splash waits for all of them; whatever a screen needs
// before then is loaded when it is first used, as anything not preloaded is.
void PrepareGame(bool SpreadPreload = false);
bool GamePrepared();
// Whether sounds or textures of the preload are still waiting.
bool PreloadPending();

// Set by the splash form when it is registered: the branding folder holds a picture.
void SetSplashAvailable(bool Value);
bool SplashAvailable();

// The names preloaded by PrepareGame, in their order.
const std::vector<std::string>& PreloadSounds();
const std::vector<std::string>& PreloadTextures();

// The texture loader's segment-file rules of the game.
// False for names shorter than 2 characters and for "K2".."K6" names; true otherwise.
bool MayHaveSegments(const std::string& Name);
// "K0" for "K0"/"K1" names; "G2Square06" / "G2Square09" for longer names with that prefix;
// otherwise the name itself.
std::string AlternativeSegmentsName(const std::string& Name);

// Test hooks: extra screens registered after the game's own, and a replacement for the first
// screen (empty functions restore the default).
void SetTestScreens(std::function<void()> Register, std::function<void()> OpenFirst);

// Adds the texts every language has without writing them: the notice "Copyright", the icon
// glyphs ("IconMap" and the rest: byte 1 followed by the icon's number) and, in debug mode,
// "LabelDebug". A script may override any of them, since its entries come first.
void RegisterDefaultTexts();

// Hands the asset pool the engine's particle loader: an effector or effect figure gets the
// effect of its name (loaded on first use; a missing file gives the placeholder), and a figure
// measures its effect's area, rounded to whole units.
void InstallPoolEffectLoader();
// Hands the asset pool the engine's texture loader: a picture, terrain, water or figure gets the
// texture of its name, with its frame count, animation length and the size of its first segment.
void InstallPoolTextureLoader();
// Takes the texture loader out of the pool again (the video device shuts down after it).
void RemovePoolTextureLoader();
// Takes the effect loader out of the pool again (the effects shut down after it).
void RemovePoolEffectLoader();

// Installs what the engine asks of the program above it: the default texts above, and the main
// window's size, full-screen state and caption. ClearEngineHooks takes them out again.
void InstallEngineHooks();
void ClearEngineHooks();

}  // namespace tv
