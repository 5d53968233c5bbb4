// The player's settings that belong to the computer rather than to a profile: the language and
// the window's place. They live in "Settings.txt" in the user folder, one "Key value" a line
// between the heading "TolvarenSettings 1" and the closing "End":
//
//     TolvarenSettings 1
//     Language German
//     Window 120 80 1440 810
//     End
//
// A file that cannot be read whole (cut short, garbage, a value out of range) is logged and
// ignored: the game starts with the defaults and the file is written again only once a setting
// changes. Keys this version does not know are skipped, so an older game reads a newer file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

struct TUserSettings {
  std::string Language;  // a language folder's name; empty: chosen as before (locale, English)
  bool HasWindow = false;
  int32_t WindowX = 0;  // the windowed client area's top left corner on the desktop
  int32_t WindowY = 0;
  int32_t WindowWidth = 0;
  int32_t WindowHeight = 0;
  bool operator==(const TUserSettings&) const = default;
};

// The file's name in the user folder, without its extension.
inline constexpr char SettingsName[] = "Settings";

// Parses the file's text; fails (EError, with the reason) on anything but a whole, valid file.
TUserSettings ParseUserSettings(std::string_view Text);
std::string UserSettingsText(const TUserSettings& Settings);

// Reads the file from the user folder (the folders must be ready); a missing file gives the
// defaults, a damaged one the defaults and a line in the log.
void LoadUserSettings();
const TUserSettings& UserSettings();
// Replaces the settings and writes the file when they differ from what it holds: a temporary file
// beside it, synced and renamed over it. A failure is logged and leaves the old file.
void StoreUserSettings(const TUserSettings& Settings);
// Forgets the settings (shutdown, tests).
void ClearUserSettings();

}  // namespace tv
