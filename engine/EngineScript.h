// The text table and its script files, the localisation settings and the number formats.
//
// Every word the game shows is looked up here by its text key. The table is filled from the
// language's common script "T1ScriptCommon.xml" at start-up and from its scenario script
// "T1ScriptScenario.xml" when the scenario loads. A script is a small XML subset read by a
// one-pass scanner with its own whitespace rules (see LoadScript); the texts are held as narrow
// strings in the code page of the run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/AppFolders.h"
#include "base/EngineClasses.h"

namespace tv {

// One entry of the text table: Name is the text key.
class TScriptNode : public TNamedItem {
 public:
  std::string Text;           // never empty while in the table
  bool FromScenario = false;  // last set from the scenario script
};

// ---- Localisation settings ------------------------------------------------------------------

// The language name (GetLanguageName, SetLanguageName) is kept with the folders, which it selects.
// The code page of every narrow text of the run (default 1252).
int32_t GetCodePage();
void SetCodePage(int32_t CodePage);
char GetDecimalSymbol();               // default "."
char GetDigitGroupingSymbol();         // default ","
int32_t GetDigitGroupingAboveValue();  // default 999
// Put between a label and its ": " (empty, or one no-break space when the language wants it).
const std::string& GetColonPrefix();
// Every setting back to its default, the language name included.
void ResetLocalization();

// The texts every language has without writing them (the program's notice, its icon glyphs):
// InitTexts adds them through this hook after the common script, which the program installs
// at start-up. Empty clears it.
void SetDefaultTextsHook(std::function<void()> Hook);
bool HasDefaultTextsHook();

// ---- The text table -------------------------------------------------------------------------

// Creates the table, reads the code page from "T2FontCustom.txt" (language folder, then the
// common data folder), loads the common script in add mode, and registers the default texts.
// A missing common script fails with the file-open error; a malformed one with
// "Failed to parse script file".
void InitTexts();
// The first call loads the scenario script in add mode, when it exists; later calls do nothing.
void LoadScenarioTexts();
// Whether LoadScenarioTexts ran since InitTexts.
bool ScenarioTextsLoaded();
// Debug mode only: reloads, in replace mode, each script whose time stamp changed since it was
// last loaded (the scenario script only once scenario texts were loaded), then calls the
// relocalise hook when anything was loaded.
void ReloadTextsIfChanged();
// Loads one script again at once, in replace mode, whatever its time stamp (live reload in debug
// mode), then calls the relocalise hook. A script that cannot be read, fails to parse or is cut
// short leaves the table and the settings as they were and gives false with the reason in Error.
// The scenario script is only reloaded once scenario texts were loaded (true otherwise). Changed,
// when given, receives the keys whose text the reload added or changed, in table order.
bool ReloadScriptFile(bool Scenario, std::string& Error, std::vector<std::string>* Changed = nullptr);
// Destroys the table and everything in it; safe when InitTexts never ran.
void FreeTexts();

// Appends an entry (no check for an existing one) when both are non-empty.
TScriptNode* AddText(std::string_view Key, std::string_view Text);
// Empty key: nothing. Existing entry: an empty text removes it, otherwise replaces its text.
// No entry: a non-empty text is added as by AddText.
TScriptNode* SetText(std::string_view Key, std::string_view Text);
bool TextExists(std::string_view Key);
// The entry's text, or the empty string.
const std::string& GetText(std::string_view Key);

// The table itself (created on first use), in the order the entries were first added.
TContainer& TextTable();

// Loads one script held in memory (UTF-8 bytes, as read from the file) into the table: the
// scenario or the common script, in add or replace mode. Fails with "Failed to parse script
// file" on one end tag too many; everything stored before that stays. True when the text held
// the script element's end tag; false when it ended first (a file cut short keeps the texts it
// held whole, and the caller says so in the log).
bool LoadScript(std::string_view Utf8, bool Scenario, bool Replace);

// Text with the characters markup treats specially written as references: "&", "<" and ">", and
// the double quote too when Quotes (for attribute values). The script scanner, like an HTML page,
// reads the result back as Text; the scenario tools write their pages and scripts through it.
std::string EscapeMarkup(std::string_view Text, bool Quotes = true);

// Conversions between UTF-8 and the narrow text of the run's code page (what the code page
// cannot hold becomes its default character).
std::string Utf8ToNarrow(std::string_view Utf8);
std::string NarrowToUtf8(std::string_view Narrow);

// The code page a font description names with "CodePageIdentifier N", or 1252.
int32_t CodePageFromFontDescription(std::string_view Description);

// The window caption built from the common script's "GameTitle" (UTF-16), once one was read.
const std::optional<std::u16string>& GetGameTitleCaption();

// Called after scripts were reloaded so that the screens fetch their texts again. The screen
// manager installs its relocalisation here; until then nothing is told.
using TRelocalizeHook = void (*)();
void SetRelocalizeHook(TRelocalizeHook Hook);

// ---- Number formats -------------------------------------------------------------------------

// Decimal with "-" when negative; when the absolute value is above DigitGroupingAboveValue and
// has more than three digits, DigitGroupingSymbol goes once in front of the last three digits.
std::string FormatInteger(int32_t Value);
// Value / 100, ".", the remainder as two digits: 12345 -> "123.45", 7 -> "0.07".
std::string FormatHundredths(int32_t Value);

}  // namespace tv
