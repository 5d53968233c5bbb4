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

// Sets up the five folders (each path ends with "/") and then the ready flag. The language folder
// is picked from the language name given on the command line, falling back to English.
// The language name: set by the command line (it picks the language folder), later by the
// common script's option "LanguageName". Default "English". The text table's localisation
// settings reset it with the rest (ResetLocalization).
const std::string& GetLanguageName();
void SetLanguageName(const std::string& Name);

// The language folder of a program folder (ending with "/"): "Language/" when it exists, else
// "Languages/NAME/" when NAME is a plain folder name and that folder exists, else
// "Languages/English/". The program and the tool pick it through this one rule.
std::string LanguageFolderOf(const std::string& ProgramFolder, const std::string& Name);

void InitFolders();
// The same rules for a program file at another place (tools that work on a data folder, tests).
void InitFoldersFrom(const std::string& ProgramFile);
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
