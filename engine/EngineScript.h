// The text table and its script files, the localisation settings and the number formats.
#pragma once

#include <cstdint>
#include <string>

namespace tv {

// The language name: set by the command line (it picks the language folder), later by the
// common script's option "LanguageName". Default "English".
const std::string& GetLanguageName();
void SetLanguageName(const std::string& Name);
// The code page of every narrow text of the run (default 1252).
int32_t GetCodePage();
void SetCodePage(int32_t CodePage);

}  // namespace tv
