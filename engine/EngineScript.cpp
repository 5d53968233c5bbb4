#include "engine/EngineScript.h"

namespace tv {

namespace {
std::string LanguageName = "English";
int32_t CodePage = 1252;
}  // namespace

const std::string& GetLanguageName() { return LanguageName; }
void SetLanguageName(const std::string& Name) { LanguageName = Name; }
int32_t GetCodePage() { return CodePage; }
void SetCodePage(int32_t Value) { CodePage = Value; }

}  // namespace tv
