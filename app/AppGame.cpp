#include "app/AppGame.h"

#include <string>

#include "app/AppMain.h"
#include "engine/EngineScript.h"

namespace tv {

namespace {

// A text of two bytes that the text layout draws as icon N of the icon texture.
std::string Icon(int N) { return std::string{'\x01', static_cast<char>(N)}; }

}  // namespace

void RegisterDefaultTexts() {
  AddText("Copyright", Utf8ToNarrow("Copyright \u00A9 Quillmark. All rights reserved."));
  AddText("IconAchievements", Icon(4));
  AddText("IconAbout", Icon(5));
  AddText("IconVolumeDown", Icon(1));
  AddText("IconVolumeUp", Icon(2));
  AddText("IconInventory", Icon(9));
  AddText("IconCancel", Icon(10));
  AddText("IconAccept", Icon(11));
  AddText("IconBarter", Icon(12));
  AddText("IconExit", Icon(13));
  AddText("IconHint", Icon(14));
  AddText("IconMap", Icon(15));
  if (IsDebugMode()) AddText("LabelDebug", "DEBUG");
}

}  // namespace tv
