// Game setup: what ties the game to the engine at fixed points of start-up and shutdown.
#pragma once

namespace tv {

// Adds the texts every language has without writing them: the notice "Copyright", the icon
// glyphs ("IconMap" and the rest: byte 1 followed by the icon's number) and, in debug mode,
// "LabelDebug". A script may override any of them, since its entries come first.
void RegisterDefaultTexts();

// Hands the asset pool the engine's particle loader: an effector or effect figure gets the
// effect of its name (loaded on first use; a missing file gives the placeholder), and a figure
// measures its effect's area, rounded to whole units.
void InstallPoolEffectLoader();
// Takes the effect loader out of the pool again (the effects shut down after it).
void RemovePoolEffectLoader();

// Installs what the engine asks of the program above it: the default texts above, and the main
// window's size, full-screen state and caption. ClearEngineHooks takes them out again.
void InstallEngineHooks();
void ClearEngineHooks();

}  // namespace tv
