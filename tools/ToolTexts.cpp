// "texts": loads script files into an empty text table and prints what the table holds.
#include <cstdio>
#include <string>

#include "engine/EngineScript.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"

namespace tv::tool {
namespace {

std::string Hex(std::string_view Bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(Bytes.size() * 2);
  for (const char c : Bytes) {
    const auto b = static_cast<uint8_t>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

// A JSON string literal of UTF-8 text.
std::string JsonString(std::string_view Utf8) {
  std::string out = "\"";
  for (const char c : Utf8) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", b);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A narrow text of the run's code page as a JSON string.
std::string JsonNarrow(std::string_view Narrow) { return JsonString(NarrowToUtf8(Narrow)); }

bool ReadWholeFile(const std::string& Path, std::string& Bytes) {
  TFileStream file(Path, TFileStream::Mode::Read);
  if (!file.IsOpen()) return false;
  Bytes = file.ReadRest();
  return true;
}

int RunTexts(const TArgs& Args);

const TToolCommand Command{"texts", "[--codepage N] [--scenario] FILE.xml [--reload FILE2.xml]",
                           "loads a script into an empty text table (then FILE2 in replace mode) and prints the "
                           "table as JSON",
                           RunTexts};

int RunTexts(const TArgs& Args) {
  int32_t codePage = 1252;
  bool scenario = false;
  std::string file;
  std::string reload;
  for (size_t i = 0; i < Args.size(); ++i) {
    const std::string& arg = Args[i];
    if (arg == "--codepage") {
      if (++i >= Args.size()) return UsageError(Command, "--codepage needs a number");
      char* end = nullptr;
      const long value = std::strtol(Args[i].c_str(), &end, 10);
      if (end == Args[i].c_str() || *end != '\0' || CodePageTables(static_cast<int>(value)) == nullptr) {
        return UsageError(Command, "unsupported code page \"" + Args[i] + "\"");
      }
      codePage = static_cast<int32_t>(value);
    } else if (arg == "--scenario") {
      scenario = true;
    } else if (arg == "--reload") {
      if (++i >= Args.size()) return UsageError(Command, "--reload needs a file");
      reload = Args[i];
    } else if (!arg.empty() && arg[0] == '-') {
      return UsageError(Command, "unknown option \"" + arg + "\"");
    } else if (file.empty()) {
      file = arg;
    } else {
      return UsageError(Command, "more than one file");
    }
  }
  if (file.empty()) return UsageError(Command, "no script file given");

  ResetLocalization();
  SetCodePage(codePage);
  FreeTexts();
  TextTable();
  std::string error;
  for (const std::string* path : {&file, &reload}) {
    if (path->empty()) continue;
    std::string bytes;
    if (!ReadWholeFile(*path, bytes)) {
      error = "Unable to open file \"" + *path + "\"";
      break;
    }
    try {
      LoadScript(bytes, scenario, path == &reload);
    } catch (const EError& e) {
      error = e.what();
      break;
    }
  }

  std::string out = "{\"entries\": [";
  bool first = true;
  for (TItem* item : TextTable()) {
    const auto* node = static_cast<const TScriptNode*>(item);
    out += first ? "" : ", ";
    first = false;
    out += "{\"key\": " + JsonNarrow(node->Name) + ", \"text_hex\": \"" + Hex(node->Text) +
           "\", \"from_scenario\": " + (node->FromScenario ? "true" : "false") + "}";
  }
  out += "], \"options\": {";
  out += "\"LanguageName\": " + JsonNarrow(GetLanguageName());
  out += ", \"DecimalSymbol\": " + JsonNarrow(std::string(1, GetDecimalSymbol()));
  out += ", \"DigitGroupingSymbol\": " + JsonNarrow(std::string(1, GetDigitGroupingSymbol()));
  out += ", \"DigitGroupingAboveValue\": " + std::to_string(GetDigitGroupingAboveValue());
  out += ", \"ColonPrefix_hex\": \"" + Hex(GetColonPrefix()) + "\"}";
  const auto& caption = GetGameTitleCaption();
  if (caption) {
    std::string bytes;
    for (const char16_t unit : *caption) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    out += ", \"game_title_utf16_hex\": \"" + Hex(bytes) + "\"";
  } else {
    out += ", \"game_title_utf16_hex\": null";
  }
  out += ", \"error\": " + (error.empty() ? std::string("null") : JsonString(error)) + "}\n";
  std::fputs(out.c_str(), stdout);
  FreeTexts();
  return error.empty() ? 0 : 1;
}

TV_TOOL_COMMAND(Command);

}  // namespace
}  // namespace tv::tool
