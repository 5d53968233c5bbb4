// The settings file's reader and writer: what a whole file gives, and which damage it refuses.
#include <gtest/gtest.h>

#include <string>

#include "base/AppSettings.h"
#include "base/EngineClasses.h"

namespace tv {
namespace {

TEST(AppSettings, WholeFilesReadBackAndDamagedOnesAreRefused) {
  TUserSettings settings;
  settings.Language = "German";
  settings.HasWindow = true;
  settings.WindowX = -20;
  settings.WindowY = 35;
  settings.WindowWidth = 1440;
  settings.WindowHeight = 810;
  const std::string text = UserSettingsText(settings);
  EXPECT_EQ(text, "TolvarenSettings 1\nLanguage German\nWindow -20 35 1440 810\nEnd\n");
  EXPECT_EQ(ParseUserSettings(text), settings);
  // Windows line ends, comments, blank lines and keys of a later version are fine.
  EXPECT_EQ(ParseUserSettings("TolvarenSettings 1\r\n# mine\r\n\r\nVolume 3\r\nLanguage German\r\n"
                              "Window -20 35 1440 810\r\nEnd\r\n"),
            settings);
  EXPECT_EQ(ParseUserSettings("TolvarenSettings 1\nEnd\n"), TUserSettings{});

  for (const char* damaged :
       {"", "TolvarenSettings 1\n", "TolvarenSettings 1\nLanguage Ger", "TolvarenSettings 2\nEnd\n",
        "Language German\nEnd\n", "TolvarenSettings 1\nLanguage ../../etc\nEnd\n",
        "TolvarenSettings 1\nLanguage\nEnd\n", "TolvarenSettings 1\nWindow 10 20 -5 400\nEnd\n",
        "TolvarenSettings 1\nWindow 10 20 640\nEnd\n", "TolvarenSettings 1\nWindow 10 20 640 36x\nEnd\n",
        "TolvarenSettings 1\nWindow 99999999999 0 640 360\nEnd\n", "TolvarenSettings 1\n\x89PNG garbage\nEnd\n"}) {
    EXPECT_THROW(ParseUserSettings(damaged), EError) << damaged;
  }
}

}  // namespace
}  // namespace tv
