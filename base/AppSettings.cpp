#include "base/AppSettings.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <vector>

#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "base/EngineClasses.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

constexpr std::string_view Heading = "TolvarenSettings 1";
constexpr std::string_view Closing = "End";
// Far beyond any desktop: a coordinate or size outside it is damage, not a setting.
constexpr int32_t CoordinateLimit = 100000;

struct TSettingsState {
  TUserSettings Current;
  TUserSettings Stored;  // what the file holds (the defaults when it is missing or damaged)
};

TSettingsState Settings;

bool ReadInt(std::string_view Word, int32_t Low, int32_t High, int32_t& Out) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(Word.data(), Word.data() + Word.size(), value);
  if (error != std::errc{} || end != Word.data() + Word.size() || value < Low || value > High) return false;
  Out = value;
  return true;
}

// A language folder's name: letters only, as the command line accepts it.
bool IsLanguageName(std::string_view Name) {
  if (Name.empty() || Name.size() > 64) return false;
  for (const char c : Name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

std::string SettingsPath() { return DataFilePath(TFolderKind::User, SettingsName, TExtKind::Txt); }

std::string SystemReason() {
  const int error = errno;
  return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

void WriteSafely(const std::string& Path, const std::string& Bytes) {
  const std::string temp = Path + ".tmp";
  {
    TFileStream file(temp, TFileStream::Mode::Create);
    if (!file.IsOpen()) throw EError("Unable to create file \"" + temp + "\"" + SystemReason());
    if (!file.Write(Bytes) || !file.Sync()) {
      const std::string reason = SystemReason();
      DeleteFilePath(temp);
      throw EError("Unable to write file \"" + temp + "\"" + reason);
    }
  }
  if (!RenameFilePath(temp, Path)) {
    const std::string reason = SystemReason();
    DeleteFilePath(temp);
    throw EError("Unable to replace file \"" + Path + "\"" + reason);
  }
  SyncFolder(Path.substr(0, Path.find_last_of('/') + 1));
}

}  // namespace

TUserSettings ParseUserSettings(std::string_view Text) {
  TUserSettings result;
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < Text.size();) {
    size_t end = Text.find('\n', start);
    if (end == std::string_view::npos) end = Text.size();
    std::string_view line = Text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty() || lines.front() != Heading)
    throw EError("it does not begin with \"" + std::string(Heading) + "\"");
  if (lines.size() < 2 || lines.back() != Closing) throw EError("it ends before \"End\"");
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string_view> words;
    for (size_t start = 0; start < line.size();) {
      const size_t space = line.find(' ', start);
      const size_t end = space == std::string_view::npos ? line.size() : space;
      if (end > start) words.push_back(line.substr(start, end - start));
      start = end + 1;
    }
    const std::string where = "line " + std::to_string(i + 1) + " \"" + std::string(line) + "\"";
    if (words.empty() || !IsLanguageName(words[0])) throw EError(where + " is not a setting");
    if (words[0] == "Language") {
      if (words.size() != 2 || !IsLanguageName(words[1])) throw EError(where + " names no language");
      result.Language = words[1];
    } else if (words[0] == "Window") {
      if (words.size() != 5 || !ReadInt(words[1], -CoordinateLimit, CoordinateLimit, result.WindowX) ||
          !ReadInt(words[2], -CoordinateLimit, CoordinateLimit, result.WindowY) ||
          !ReadInt(words[3], 1, CoordinateLimit, result.WindowWidth) ||
          !ReadInt(words[4], 1, CoordinateLimit, result.WindowHeight)) {
        throw EError(where + " is not a window's place");
      }
      result.HasWindow = true;
    }
    // Any other key belongs to a later version of the game and is skipped.
  }
  return result;
}

std::string UserSettingsText(const TUserSettings& Settings) {
  std::ostringstream out;
  out << Heading << "\n";
  if (!Settings.Language.empty()) out << "Language " << Settings.Language << "\n";
  if (Settings.HasWindow) {
    out << "Window " << Settings.WindowX << " " << Settings.WindowY << " " << Settings.WindowWidth << " "
        << Settings.WindowHeight << "\n";
  }
  out << Closing << "\n";
  return out.str();
}

void LoadUserSettings() {
  Settings = TSettingsState{};
  const std::string path = SettingsPath();
  if (!FileExists(path)) return;
  try {
    TFileStream file(path, TFileStream::Mode::Read);
    if (!file.IsOpen()) throw EError("it cannot be opened" + SystemReason());
    Settings.Current = ParseUserSettings(file.ReadRest());
    Settings.Stored = Settings.Current;
  } catch (const EError& e) {
    AddLogMessage("The settings file \"" + path + "\" could not be read (" + e.what() + "); it is ignored");
    Settings = TSettingsState{};
  }
}

const TUserSettings& UserSettings() { return Settings.Current; }

void StoreUserSettings(const TUserSettings& Value) {
  Settings.Current = Value;
  if (Settings.Current == Settings.Stored || !FoldersReady()) return;
  try {
    WriteSafely(SettingsPath(), UserSettingsText(Settings.Current));
    Settings.Stored = Settings.Current;
  } catch (const EError& e) {
    AddLogMessage(e.what());
  }
}

void ClearUserSettings() { Settings = TSettingsState{}; }

}  // namespace tv
