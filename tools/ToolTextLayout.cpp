// "text-layout": lays a text out headless, from the fonts' segment files alone, and prints where
// every character lands, as JSON.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/EngineTexts.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"
#include "tools/ToolTextureFiles.h"

namespace tv::tool {
namespace {

int RunTextLayout(const TArgs& Args);
const TToolCommand& Command();

bool ParseFloat(const std::string& Text, float& Value) {
  char* end = nullptr;
  const double v = std::strtod(Text.c_str(), &end);
  if (Text.empty() || *end != '\0') return false;
  Value = static_cast<float>(v);
  return true;
}

bool ParseHex(const std::string& Hex, std::string& Bytes) {
  if (Hex.size() % 2 != 0) return false;
  for (size_t i = 0; i < Hex.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = Hex.substr(i, 2);
    const long v = std::strtol(pair.c_str(), &end, 16);
    if (*end != '\0') return false;
    Bytes.push_back(static_cast<char>(v));
  }
  return true;
}

int RunTextLayout(const TArgs& Args) {
  std::vector<std::string> dataFolders;
  std::string language = "English";
  int32_t font = 0;
  TVector box{0, 0};
  int32_t flags = 0;
  std::string text;
  bool hasText = false;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& a = Args[i];
    auto value = [&](size_t n) { return i + n < Args.size(); };
    bool ok = true;
    if (a == "--data" && value(1)) {
      dataFolders.push_back(Args[++i]);
    } else if (a == "--language" && value(1)) {
      language = Args[++i];
    } else if (a == "--font" && value(1)) {
      char* end = nullptr;
      font = static_cast<int32_t>(std::strtol(Args[++i].c_str(), &end, 10));
      ok = *end == '\0' && font >= 0 && font < FontStyleCount;
    } else if (a == "--box" && value(2)) {
      ok = ParseFloat(Args[i + 1], box.X) && ParseFloat(Args[i + 2], box.Y);
      i += 2;
    } else if (a == "--flags" && value(1)) {
      char* end = nullptr;
      flags = static_cast<int32_t>(std::strtol(Args[++i].c_str(), &end, 0));
      ok = *end == '\0';
    } else if (a == "--text" && value(1)) {
      text = Args[++i];
      hasText = true;
    } else if (a == "--hex" && value(1)) {
      ok = ParseHex(Args[++i], text);
      hasText = true;
    } else {
      return UsageError(Command(), "unknown option or missing value: " + a);
    }
    if (!ok) return UsageError(Command(), "bad value for " + a);
  }
  if (dataFolders.empty() || !hasText) return UsageError(Command(), "--data and --text or --hex are required");

  const std::vector<std::string> folders = ExpandDataFolders(dataFolders, language);
  // Text given as --text is UTF-8 on the command line; the game holds it in its code page.
  if (!Args.empty() && std::find(Args.begin(), Args.end(), "--text") != Args.end()) {
    const int32_t codePage = ReadFontCodePage(folders);
    const TCodePage* page = CodePageTables(codePage);
    if (page == nullptr) {
      std::fprintf(stderr, "text-layout: unknown code page %d\n", codePage);
      return 1;
    }
    text = Utf16ToCodePage(Utf8ToUtf16(text), *page);
  }

  std::vector<std::string> warnings;
  const std::vector<TVector> defaultGlyphs = ReadSegmentSizes(folders, "T2FontDefault", warnings);
  const std::vector<TVector> customGlyphs = ReadSegmentSizes(folders, "T2FontCustom", warnings);
  const std::vector<TVector> icons = ReadSegmentSizes(folders, "T2IconsCustom", warnings);
  for (const std::string& w : warnings) std::fprintf(stderr, "text-layout: %s\n", w.c_str());

  TextsStartupFromSegments(defaultGlyphs, customGlyphs, icons);
  TVector size{0, 0};
  int32_t lines = 0;
  if (TestBit32(flags, WordWrap)) MeasureText(text, font, box.X, size, lines);
  TText* laid = nullptr;
  CreateText(laid, nullptr, 0, box, font, flags);
  laid->SetText(text);
  std::printf("{\"measure\": {\"size\": [%.9g, %.9g], \"lines\": %d}, \"chars\": [", static_cast<double>(size.X),
              static_cast<double>(size.Y), lines);
  bool first = true;
  for (TItem* it : laid->Characters) {
    const auto* c = static_cast<const TCharacter*>(it);
    std::printf(
        "%s\n  {\"byte\": %d, \"segment\": %d, \"visible\": %s, \"x\": %.9g, \"y\": %.9g, \"w\": %.9g, \"h\": %.9g}",
        first ? "" : ",", c->Byte, c->Segment, c->Visible() ? "true" : "false", static_cast<double>(c->Offset.X),
        static_cast<double>(c->Offset.Y), static_cast<double>(c->Size.X), static_cast<double>(c->Size.Y));
    first = false;
  }
  std::printf("%s]}\n", first ? "" : "\n");
  FreeText(laid);
  TextsShutdown();
  return 0;
}

const TToolCommand& Command() {
  static const TToolCommand command{
      "text-layout", "--data DIR [--data DIR...] [--language NAME] --font N --box W H --flags F (--text S | --hex HEX)",
      "lays a text out headless (Position at 0, 0) and prints its measure and every character as JSON. DIR holds "
      "the font files, or is a program folder (with Ordinary/ and Languages/NAME/)",
      RunTextLayout};
  return command;
}

const bool Registered = RegisterToolCommand(Command());

}  // namespace
}  // namespace tv::tool
