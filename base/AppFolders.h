// Folders, the language folder and data files: every file the program reads or writes is named
// by a folder kind, a base name and an extension kind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PlatformSystem.h"

namespace tv {

enum class TFolderKind { Program, Branding, Language, Ordinary, User };

// In this order: ExtensionKind takes the first that matches.
enum class TExtKind { None, Exe, Url, Txt, Xml, Wav, Ogg, Tpx, Png, Jpg, Tsg, Emt, Dat, Flg };

// The language name: set by the command line (it picks the language folder), later by the
// common script's option "LanguageName". Default "English". The text table's localisation
// settings reset it with the rest (ResetLocalization).
const std::string& GetLanguageName();
void SetLanguageName(const std::string& Name);

// The language folder of a program folder (ending with "/"): "Language/" when it exists, else
// "Languages/NAME/" when NAME is a plain folder name and that folder exists, else
// "Languages/English/". The program and the tool pick it through this one rule.
std::string LanguageFolderOf(const std::string& ProgramFolder, const std::string& Name);

// Sets up the five folders (each path ends with "/") and then the ready flag. The language folder
// is picked from the language name given on the command line, falling back to English.
//
// The program folder is the one holding the data: the executable's own folder when the data lies
// beside it (a build, or an unpacked copy), else the installed data folder "../share/tolvaren/"
// next to the executable's folder (an installed program in "bin/").
void InitFolders();
// The same rules for a program file at another place (tools that work on a data folder, tests).
void InitFoldersFrom(const std::string& ProgramFile);
// Where installed data lies, relative to the folder of the installed executable.
constexpr const char* InstalledDataFromBin = "../share/tolvaren/";

// When set, and no language name was given on the command line, InitFolders takes the language
// from the system's locale (LanguageOfLocale of SystemLocale) when the program has a folder for
// it, and English otherwise. The program sets it; tools and tests do not leave the language to
// the environment unless they ask to.
void SetUseSystemLanguage(bool Value);
// The locale that decides the language of messages: the first of LC_ALL, LC_MESSAGES and LANG that
// is set and not empty ("" when none is).
std::string SystemLocale();
// The language folder name for a locale such as "de_DE.UTF-8" ("German") or "ru" ("Russian"): its
// language code looked up among the languages the game may be translated into; "" for "C",
// "POSIX", an empty or malformed locale, and unknown codes.
std::string LanguageOfLocale(const std::string& Locale);
// The other way round: the language code of a language folder name ("de" for "German"), the first
// the table lists; "" for a name it does not know.
std::string LanguageCodeOf(const std::string& Name);
bool FoldersReady();
void DoneFolders();

const std::string& FolderPath(TFolderKind Kind);
// Points one folder elsewhere (Path ends with "/"); for tools and tests that keep data apart
// from the program's own folder.
void SetFolderPath(TFolderKind Kind, const std::string& Path);
const char* ExtensionOf(TExtKind Ext);
// The first kind whose extension equals Ext in lower case; None when none does.
TExtKind ExtensionKind(const std::string& Ext);

std::string DataFilePath(TFolderKind Kind, const std::string& Name, TExtKind Ext);
bool DataFileExists(TFolderKind Kind, const std::string& Name, TExtKind Ext);
// Modification time in the packed FAT form, -1 when the file does not exist.
int32_t DataFileAge(TFolderKind Kind, const std::string& Name, TExtKind Ext);
// Opened for reading, others may read too (and in debug mode write). Fails with
// "Unable to open file "<path>"".
std::unique_ptr<TFileStream> OpenDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext);
// Created empty, opened exclusively. Fails with "Unable to create file "<path>"".
std::unique_ptr<TFileStream> CreateDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext);
std::string ReadDataText(TFolderKind Kind, const std::string& Name, TExtKind Ext);
void DeleteDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext);
// Copies the file to the user folder as "Backup_" + Name + extension; a missing file is no error.
void BackupDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext);
bool FlagExists(TFolderKind Kind, const std::string& Name);
void SetFlag(TFolderKind Kind, const std::string& Name, bool Value);

// One walk over a folder's plain files at a time; EndFindDataFiles must follow every walk.
bool FindNextDataFile(TFolderKind Kind, std::string& Name, TExtKind& Ext);
void EndFindDataFiles();

}  // namespace tv
