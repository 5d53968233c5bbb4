#include "app/AppLanguage.h"

#include <algorithm>

#include "app/AppInputScript.h"
#include "app/AppWindow.h"
#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "base/AppSettings.h"
#include "base/EngineClasses.h"
#include "engine/EngineGui.h"
#include "engine/EngineScript.h"
#include "engine/EngineTexts.h"
#include "engine/EngineTextures.h"
#include "platform/PlatformSystem.h"

namespace tv {

namespace {

constexpr const char* FontTextures[] = {"T2FontDefault", "T2FontCustom"};

bool HasSingleLanguageFolder() { return DirectoryExists(FolderPath(TFolderKind::Program) + "Language/"); }

std::string LanguagesFolder() { return FolderPath(TFolderKind::Program) + "Languages/"; }

// The text table, the fonts and the caption from the current language folder.
void LoadLanguageData(bool ScenarioTexts) {
  FreeTexts();
  InitTexts();
  if (ScenarioTexts) LoadScenarioTexts();
  if (TextureCache() != nullptr) {
    for (const char* font : FontTextures) {
      std::string error;
      ReloadTextures(font, error);
      if (!error.empty()) AddLogMessage(error);
    }
    RefreshFontStyles();
  }
  if (const auto& caption = GetGameTitleCaption()) SetWindowCaption(*caption);
}

}  // namespace

std::vector<std::string> AvailableLanguages() {
  if (HasSingleLanguageFolder()) return {CurrentLanguage()};
  std::vector<std::string> names;
  TFolderWalk walk(LanguagesFolder(), true);
  for (std::string name; walk.Next(name);) {
    if (FileExists(LanguagesFolder() + name + "/T1ScriptCommon.xml")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string CurrentLanguage() {
  std::string folder = FolderPath(TFolderKind::Language);
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder.substr(folder.find_last_of('/') + 1);
}

bool SwitchLanguage(const std::string& Name) {
  const std::vector<std::string> languages = AvailableLanguages();
  if (std::find(languages.begin(), languages.end(), Name) == languages.end()) {
    AddLogMessage("Language \"" + Name + "\" has no folder with texts; the language stays");
    return false;
  }
  const std::string from = CurrentLanguage();
  if (Name != from) {
    const std::string oldFolder = FolderPath(TFolderKind::Language);
    const std::string oldName = GetLanguageName();
    const bool scenario = ScenarioTextsLoaded();
    try {
      SetLanguageName(Name);
      SetFolderPath(TFolderKind::Language, LanguagesFolder() + Name + "/");
      LoadLanguageData(scenario);
    } catch (const EError& e) {
      // The old language's files loaded at start-up; they load again.
      AddLogMessage("Language \"" + Name + "\" could not be loaded (" + e.what() + "); the language stays");
      SetLanguageName(oldName);
      SetFolderPath(TFolderKind::Language, oldFolder);
      LoadLanguageData(scenario);
      RelocalizeAll();
      return false;
    }
    RelocalizeAll();
  }
  TUserSettings settings = UserSettings();
  settings.Language = Name;
  StoreUserSettings(settings);
  TraceLanguage(Name, from);
  return true;
}

}  // namespace tv
