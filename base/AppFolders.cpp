#include "base/AppFolders.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>

#include "base/AppProcess.h"

namespace tv {

namespace {

std::string LanguageName = "English";

struct TFolderState {
  std::array<std::string, 5> Paths;
  bool Ready = false;
  bool UseSystemLanguage = false;
  std::unique_ptr<TFolderWalk> Walk;
};

TFolderState Folders;

constexpr std::array<const char*, 14> Extensions = {"",     ".exe", ".url", ".txt", ".xml", ".wav", ".ogg",
                                                    ".tpx", ".png", ".jpg", ".tsg", ".emt", ".dat", ".flg"};

// A language name selects a sub-folder of "Languages" only when it names one folder there: no
// separators and no "." or "..", so it cannot climb out of the program folder.
bool IsPlainFolderName(const std::string& Name) {
  if (Name.empty() || Name == "." || Name == "..") return false;
  for (char c : Name) {
    if (c == '/' || c == '\\' || c == '\0') return false;
  }
  return true;
}

// ISO 639-1 language codes and the names of their folders in "Languages".
constexpr std::pair<std::string_view, std::string_view> LocaleLanguages[] = {
    {"be", "Belarusian"}, {"bg", "Bulgarian"}, {"ca", "Catalan"},   {"cs", "Czech"},      {"da", "Danish"},
    {"de", "German"},     {"el", "Greek"},     {"en", "English"},   {"es", "Spanish"},    {"et", "Estonian"},
    {"fi", "Finnish"},    {"fr", "French"},    {"hr", "Croatian"},  {"hu", "Hungarian"},  {"is", "Icelandic"},
    {"it", "Italian"},    {"ja", "Japanese"},  {"ko", "Korean"},    {"lt", "Lithuanian"}, {"lv", "Latvian"},
    {"nb", "Norwegian"},  {"nl", "Dutch"},     {"nn", "Norwegian"}, {"no", "Norwegian"},  {"pl", "Polish"},
    {"pt", "Portuguese"}, {"ro", "Romanian"},  {"ru", "Russian"},   {"sk", "Slovak"},     {"sl", "Slovenian"},
    {"sr", "Serbian"},    {"sv", "Swedish"},   {"tr", "Turkish"},   {"uk", "Ukrainian"},  {"vi", "Vietnamese"},
    {"zh", "Chinese"},
};

// The folder holding the data for an executable in ExeFolder: ExeFolder itself when data lies
// beside it, else the installed data folder beside "bin/" when that exists.
std::string DataFolderOf(const std::string& ExeFolder) {
  for (const char* sub : {"Ordinary", "Languages", "Language", "Branding"}) {
    if (DirectoryExists(ExeFolder + sub)) return ExeFolder;
  }
  const std::string installed = ExeFolder + InstalledDataFromBin;
  if (!DirectoryExists(installed)) return ExeFolder;
  std::string path = std::filesystem::path(installed).lexically_normal().string();
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

const std::string& GetLanguageName() { return LanguageName; }
void SetLanguageName(const std::string& Name) { LanguageName = Name; }

std::string LanguageFolderOf(const std::string& ProgramFolder, const std::string& Name) {
  const std::string single = ProgramFolder + "Language/";
  if (DirectoryExists(single)) return single;
  const std::string named = ProgramFolder + "Languages/" + Name + "/";
  if (IsPlainFolderName(Name) && DirectoryExists(named)) return named;
  return ProgramFolder + "Languages/English/";
}

void SetUseSystemLanguage(bool Value) { Folders.UseSystemLanguage = Value; }

std::string SystemLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return {};
}

std::string LanguageOfLocale(const std::string& Locale) {
  // language[_territory][.codeset][@modifier]: only the language decides the folder.
  const size_t end = Locale.find_first_of("_.@");
  std::string code = Locale.substr(0, end);
  if (code.size() < 2 || code.size() > 3) return {};
  for (char& c : code) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c < 'a' || c > 'z') return {};
  }
  for (const auto& [iso, name] : LocaleLanguages) {
    if (iso == code) return std::string(name);
  }
  return {};
}

std::string LanguageCodeOf(const std::string& Name) {
  for (const auto& [iso, name] : LocaleLanguages) {
    if (name == Name) return std::string(iso);
  }
  return {};
}

void InitFolders() { InitFoldersFrom(ProgramFilePath()); }

void InitFoldersFrom(const std::string& exe) {
  if (exe.empty()) {
    SetErrorCode(1);
    throw EError("Failed to get main folder");
  }
  std::string& program = Folders.Paths[static_cast<size_t>(TFolderKind::Program)];
  program = DataFolderOf(exe.substr(0, exe.find_last_of('/') + 1));
  Folders.Paths[static_cast<size_t>(TFolderKind::Branding)] = program + "Branding/";
  if (Folders.UseSystemLanguage && !DirectoryExists(program + "Language/")) {
    // The locale's language when the program has a folder for it, else English.
    const std::string system = LanguageOfLocale(SystemLocale());
    SetLanguageName(!system.empty() && DirectoryExists(program + "Languages/" + system) ? system : "English");
  }
  Folders.Paths[static_cast<size_t>(TFolderKind::Language)] = LanguageFolderOf(program, GetLanguageName());
  Folders.Paths[static_cast<size_t>(TFolderKind::Ordinary)] = program + "Ordinary/";
  std::string user = UserDataFolder();
  if (user.empty()) {
    user = program;
  } else {
    // Failing to create the folders is not reported here; later writes fail with their messages.
    // The data folder itself may not exist yet on a fresh account: make it, one level at a time.
    for (size_t slash = user.find('/', 1); slash != std::string::npos; slash = user.find('/', slash + 1)) {
      MakeDirectory(user.substr(0, slash));
    }
    MakeDirectory(user);
    user += "/Quillmark";
    MakeDirectory(user);
    user += "/Tolvaren/";
    MakeDirectory(user);
    // The run goes on (the game can still be played), but the player is told at once that
    // nothing will be kept, rather than only when a save fails.
    std::string why;
    if (!FolderUsable(user, &why)) {
      AddLogMessage("The user folder \"" + user + "\" cannot be used (" + why + "); the game cannot be saved");
    }
  }
  Folders.Paths[static_cast<size_t>(TFolderKind::User)] = user;
  Folders.Ready = true;
}

bool FoldersReady() { return Folders.Ready; }

void DoneFolders() {
  Folders.Walk.reset();
  Folders.Ready = false;
}

const std::string& FolderPath(TFolderKind Kind) { return Folders.Paths[static_cast<size_t>(Kind)]; }

void SetFolderPath(TFolderKind Kind, const std::string& Path) { Folders.Paths[static_cast<size_t>(Kind)] = Path; }

const char* ExtensionOf(TExtKind Ext) { return Extensions[static_cast<size_t>(Ext)]; }

TExtKind ExtensionKind(const std::string& Ext) {
  std::string lower = Ext;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (size_t i = 0; i < Extensions.size(); ++i) {
    if (lower == Extensions[i]) return static_cast<TExtKind>(i);
  }
  return TExtKind::None;
}

std::string DataFilePath(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  return FolderPath(Kind) + Name + ExtensionOf(Ext);
}

bool DataFileExists(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  return FileExists(DataFilePath(Kind, Name, Ext));
}

int32_t DataFileAge(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  return PackedFileTime(DataFilePath(Kind, Name, Ext));
}

std::unique_ptr<TFileStream> OpenDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  const std::string path = DataFilePath(Kind, Name, Ext);
  auto file =
      std::make_unique<TFileStream>(path, IsDebugMode() ? TFileStream::Mode::ReadSharedWrite : TFileStream::Mode::Read);
  if (!file->IsOpen()) throw EError("Unable to open file \"" + path + "\"");
  return file;
}

std::unique_ptr<TFileStream> CreateDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  const std::string path = DataFilePath(Kind, Name, Ext);
  auto file = std::make_unique<TFileStream>(path, TFileStream::Mode::Create);
  if (!file->IsOpen()) throw EError("Unable to create file \"" + path + "\"");
  return file;
}

std::string ReadDataText(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  return OpenDataFile(Kind, Name, Ext)->ReadRest();
}

void DeleteDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  DeleteFilePath(DataFilePath(Kind, Name, Ext));
}

void BackupDataFile(TFolderKind Kind, const std::string& Name, TExtKind Ext) {
  const std::string from = DataFilePath(Kind, Name, Ext);
  if (!FileExists(from)) return;
  CopyFilePath(from, DataFilePath(TFolderKind::User, "Backup_" + Name, Ext));
}

bool FlagExists(TFolderKind Kind, const std::string& Name) { return DataFileExists(Kind, Name, TExtKind::Flg); }

void SetFlag(TFolderKind Kind, const std::string& Name, bool Value) {
  if (!Value) {
    DeleteDataFile(Kind, Name, TExtKind::Flg);
  } else if (!FlagExists(Kind, Name)) {
    CreateDataFile(Kind, Name, TExtKind::Flg);
  }
}

bool FindNextDataFile(TFolderKind Kind, std::string& Name, TExtKind& Ext) {
  if (!Folders.Walk) Folders.Walk = std::make_unique<TFolderWalk>(FolderPath(Kind));
  std::string file;
  if (!Folders.Walk->Next(file)) return false;
  const size_t dot = file.find_last_of('.');
  if (dot == std::string::npos) {
    Name = file;
    Ext = TExtKind::None;
  } else {
    Name = file.substr(0, dot);
    Ext = ExtensionKind(file.substr(dot));
  }
  return true;
}

void EndFindDataFiles() { Folders.Walk.reset(); }

}  // namespace tv
