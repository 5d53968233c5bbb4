// The names under which forms, dialogs, transitions and commands are registered with the screen
// registry (EngineGui). The model and the screens both use these constants, never string
// literals, so that a misspelt name is a compile error rather than a silently ignored call.
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
inline constexpr char DialogAbout[] = "About";
inline constexpr char DialogShowAllProps[] = "ShowAllProps";
inline constexpr char DialogQueryCustom[] = "QueryCustom";
inline constexpr char DialogMessageCustom[] = "MessageCustom";
inline constexpr char DialogInputLineCustom[] = "InputLineCustom";

// ---- Transitions ----------------------------------------------------------------------------
inline constexpr char TransitionFade[] = "Fade";
inline constexpr char TransitionFadeBeginning[] = "FadeBeginning";
inline constexpr char TransitionFadeEnding[] = "FadeEnding";
inline constexpr char TransitionSplash[] = "Splash";

// ---- Commands sent to a form ----------------------------------------------------------------
inline constexpr char CommandPlaySceneExecutionEffects[] = "PlaySceneExecutionEffects";

}  // namespace tv::gui
