#include "game/gui/GameGuiScreens.h"

#include "game/GameScreenNames.h"
#include "game/gui/GameGuiDialogAchievements.h"
#include "game/gui/GameGuiDialogHint.h"
#include "game/gui/GameGuiDialogInventory.h"
#include "game/gui/GameGuiDialogScene.h"
#include "game/gui/GameGuiDialogAbout.h"
#include "game/gui/GameGuiDialogInputLine.h"
#include "game/gui/GameGuiDialogMessage.h"
#include "game/gui/GameGuiDialogLanguage.h"
#include "game/gui/GameGuiDialogOptions.h"
#include "game/gui/GameGuiDialogQuery.h"
#include "game/gui/GameGuiDialogShowAllProps.h"
#include "game/gui/GameGuiFormMenu.h"
#include "game/gui/GameGuiFormPlay.h"
#include "game/gui/GameGuiFormProfiles.h"

namespace tv {

namespace {

constexpr float DialogFade = 0.3f;

// Every game dialog fades in and out in 0.3 s and uses the custom cursor and hint style.
template <class T>
std::unique_ptr<TGuiDialog> GameDialog(const char* Name) {
  return std::make_unique<T>(Name, gui::CursorCustom, gui::HintStyleCustom, DialogFade, DialogFade);
}

// The debug tools appear at once, with the plain cursor.
std::unique_ptr<TGuiDialog> ShowAllProps(const char* Name) {
  return std::make_unique<TGuiDialogShowAllProps>(Name, gui::CursorDefault, gui::HintStyleCustom, 0.0f, 0.0f);
}

// The chooser's filter prompt: the plain input line, with the typed-line history.
std::unique_ptr<TGuiDialog> FilterLine(const char* Name) {
  auto line = std::make_unique<TGuiDialogInputLine>(Name, gui::CursorDefault, gui::HintStyleCustom, 0.0f, 0.0f);
  line->HistoryMode = true;
  return line;
}

template <class T>
std::unique_ptr<TGuiForm> GameForm(const char* Name) {
  return std::make_unique<T>(Name, gui::CursorCustom, gui::HintStyleCustom);
}

constexpr TGameDialogRow DialogRows[] = {
    {gui::DialogMessageCustom, GameDialog<TGuiDialogMessageCustom>, false},
    {gui::DialogQueryCustom, GameDialog<TGuiDialogQueryCustom>, false},
    {gui::DialogInputLineCustom, GameDialog<TGuiDialogInputLineCustom>, false},
    {gui::DialogOptions, GameDialog<TGuiDialogOptions>, false},
    {gui::DialogLanguage, GameDialog<TGuiDialogLanguage>, false},
    {gui::DialogAbout, GameDialog<TGuiDialogAbout>, false},
    {gui::DialogAchievement, GameDialog<TGuiDialogAchievement>, false},
    {gui::DialogAchievements, GameDialog<TGuiDialogAchievements>, false},
    {gui::DialogScene, GameDialog<TGuiDialogScene>, false},
    {gui::DialogInventory, GameDialog<TGuiDialogInventory>, false},
    {gui::DialogHint, GameDialog<TGuiDialogHint>, false},
    {gui::DialogShowAllProps, ShowAllProps, true},
    {gui::DialogInputLine, FilterLine, true},
};

constexpr TGameFormRow FormRows[] = {
    {gui::FormMenu, GameForm<TGuiFormMenu>},
    {gui::FormProfiles, GameForm<TGuiFormProfiles>},
    {gui::FormPlay, GameForm<TGuiFormPlay>},
};

}  // namespace

std::span<const TGameDialogRow> GameDialogRows() { return DialogRows; }
std::span<const TGameFormRow> GameFormRows() { return FormRows; }

}  // namespace tv
