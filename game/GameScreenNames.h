// The game's screens by name: the names under which its forms, dialogs, transitions, cursors,
// hint styles and commands are registered with the screen registry (engine/EngineGuiCalls.h). The
// model, the screens and the program's setup use these constants, never string literals, so that
// a misspelt name is a compile error rather than a silently ignored call.
#pragma once

namespace tv::gui {

// ---- Forms ----------------------------------------------------------------------------------
inline constexpr char FormSplash[] = "Splash";
inline constexpr char FormMenu[] = "Menu";
inline constexpr char FormProfiles[] = "Profiles";
inline constexpr char FormPlay[] = "Play";

// ---- Dialogs --------------------------------------------------------------------------------
inline constexpr char DialogScene[] = "Scene";
inline constexpr char DialogAchievement[] = "Achievement";
inline constexpr char DialogAchievements[] = "Achievements";
inline constexpr char DialogHint[] = "Hint";
inline constexpr char DialogInventory[] = "Inventory";
inline constexpr char DialogOptions[] = "Options";
inline constexpr char DialogLanguage[] = "Language";  // the options' language page
inline constexpr char DialogAbout[] = "About";
inline constexpr char DialogShowAllProps[] = "ShowAllProps";
inline constexpr char DialogQueryCustom[] = "QueryCustom";
inline constexpr char DialogMessageCustom[] = "MessageCustom";
inline constexpr char DialogInputLineCustom[] = "InputLineCustom";
inline constexpr char DialogInputLine[] = "InputLine";  // the chooser's filter, in the plain look

// ---- Transitions ----------------------------------------------------------------------------
inline constexpr char TransitionFade[] = "Fade";
inline constexpr char TransitionFadeBeginning[] = "FadeBeginning";
inline constexpr char TransitionFadeEnding[] = "FadeEnding";
inline constexpr char TransitionSplash[] = "Splash";

// ---- Cursors and hint styles ---------------------------------------------------------------
inline constexpr char CursorCustom[] = "Custom";
inline constexpr char CursorDefault[] = "Default";  // debug mode
inline constexpr char HintStyleCustom[] = "Custom";
inline constexpr char HintStyleDefault[] = "Default";  // debug mode

// ---- Commands sent to a form ----------------------------------------------------------------
inline constexpr char CommandPlaySceneExecutionEffects[] = "PlaySceneExecutionEffects";

}  // namespace tv::gui
