// The language of a running game: the language folders the program has, and switching to another
// one while screens are open (texts, fonts and window caption taken from its folder at once).
#pragma once

#include <string>
#include <vector>

namespace tv {

// The names of the folders in "Languages/" that hold a common script, in name order; a program
// with a single "Language/" folder has one language and gives only the current one.
std::vector<std::string> AvailableLanguages();
// The language folder's name the run uses now ("English" for "Languages/English/").
std::string CurrentLanguage();
// Switches the run to the language Name: the language folder, the text table (the scenario's texts
// too when they were loaded), the font textures and the window caption, then every form and dialog
// fetches its texts again; the choice goes into the settings file. False (and nothing changes) when
// the program has no such language or its texts do not load; the reason goes to the log.
bool SwitchLanguage(const std::string& Name);

}  // namespace tv
