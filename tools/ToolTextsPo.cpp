// "texts po-export" and "texts po-import": a language's script files as a gettext PO file for
// translators, and the translated PO file back into the language's two script files.
//
// One PO entry per text key of the English scripts: msgctxt the key, msgid the English text,
// msgstr the language's text, each as the game reads it. Import rewrites only the contents of
// the text elements whose translation changed and keeps every other byte of the language's
// scripts (comments, options, layout), so exporting and importing again gives the same files.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/GameScenarioWriter.h"
#include "base/AppFolders.h"
#include "base/EngineClasses.h"
#include "engine/EngineScript.h"
#include "platform/PlatformSystem.h"
#include "tools/ToolCommands.h"
#include "tools/ToolScenario.h"

namespace tv::tool {
namespace {

namespace fs = std::filesystem;

const char* const ScriptNames[] = {"T1ScriptCommon.xml", "T1ScriptScenario.xml"};

std::string DefaultDataFolder() {
  const std::string exe = ProgramFilePath();
  return exe.substr(0, exe.find_last_of('/') + 1);
}

// ---- Script files with the places of their texts ----------------------------------------------

// One text element directly inside the script element.
struct TScriptElement {
  std::string Key;
  int Line = 0;               // of its start tag
  size_t Begin = 0, End = 0;  // the element, from "<text" to after its end tag
  size_t ContentBegin = 0, ContentEnd = 0;
  std::string Narrow;  // the text as the game stores it, in the language's code page
};

struct TScriptFile {
  std::string Path;
  std::string Bytes;
  bool Exists = false;
  size_t ScriptEnd = std::string::npos;  // where the script element's end tag starts
  std::vector<TScriptElement> Elements;
};

// The text the game stores for an element's content: the content read by the game's own scanner
// on its own, which is what it reads in place (a text element's content does not depend on what
// stands around it).
std::string ReadAsGame(std::string_view Content) {
  FreeTexts();
  std::string snippet = "<script><text id=\"k\">";
  snippet.append(Content);
  snippet += "</text></script>";
  try {
    LoadScript(snippet, true, false);
  } catch (const EError&) {
  }
  std::string text = GetText("k");
  FreeTexts();
  return text;
}

// Finds the text elements as the game's scanner does: tags, declarations and skipped elements,
// the depth, and inside a text the character references (which run to the next ";").
void ScanScript(TScriptFile& File) {
  const std::string& s = File.Bytes;
  const size_t n = s.size();
  size_t i = s.find('<');
  int depth = 0;
  bool inScript = false;
  int skipDepth = -1;
  auto lineOf = [&s](size_t Pos) {
    return 1 + static_cast<int>(std::count(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(Pos), '\n'));
  };
  while (i != std::string::npos && i < n) {
    // s[i] == '<'
    if (i + 1 >= n) break;
    const char next = s[i + 1];
    const size_t close = s.find('>', i + 1);
    if (close == std::string::npos) break;
    if (next == '!' || next == '?') {
      i = s.find('<', close + 1);
      continue;
    }
    if (next == '/') {
      if (inScript && depth == 1 && skipDepth < 0) File.ScriptEnd = i;
      if (depth == 1 && inScript) inScript = false;
      if (skipDepth >= 0 && depth == skipDepth) skipDepth = -1;
      --depth;
      if (depth < 0) break;
      i = s.find('<', close + 1);
      continue;
    }
    size_t nameEnd = i + 1;
    while (nameEnd<n&& static_cast<uint8_t>(s[nameEnd])> 32 && s[nameEnd] != '>') ++nameEnd;
    const std::string name = s.substr(i + 1, nameEnd - i - 1);
    const bool empty = s[close - 1] == '/';
    if (name == "text" && inScript && depth == 1 && skipDepth < 0) {
      TScriptElement e;
      e.Begin = i;
      e.Line = lineOf(i);
      // The "id" attribute: name up to "=" or a blank, value between the next pair of quotes.
      size_t p = nameEnd;
      while (p < close) {
        while (p < close && static_cast<uint8_t>(s[p]) <= 32) ++p;
        if (p >= close || s[p] == '/') break;
        size_t q = p;
        while (q < n && s[q] != '=' && static_cast<uint8_t>(s[q]) > 32) ++q;
        const std::string attr = s.substr(p, q - p);
        const size_t open = s.find_first_of("\"'", q);
        if (open == std::string::npos) break;
        const size_t shut = s.find(s[open], open + 1);
        if (shut == std::string::npos) break;
        if (attr == "id") {
          e.Key = s.substr(open + 1, shut - open - 1);
          break;
        }
        p = shut + 1;
      }
      if (empty) {
        i = s.find('<', close + 1);
        continue;
      }
      // The content, to the end tag at the text's own level.
      e.ContentBegin = close + 1;
      size_t c = close + 1;
      int inner = 0;
      bool ended = false;
      while (c < n) {
        if (s[c] == '&' && inner == 0) {
          const size_t semi = s.find(';', c + 1);
          if (semi == std::string::npos) break;
          c = semi + 1;
          continue;
        }
        if (s[c] != '<') {
          ++c;
          continue;
        }
        const size_t tagClose = s.find('>', c + 1);
        if (tagClose == std::string::npos || c + 1 >= n) break;
        if (s[c + 1] == '/') {
          if (inner == 0) {
            e.ContentEnd = c;
            e.End = tagClose + 1;
            ended = true;
            break;
          }
          --inner;
        } else if (s[c + 1] != '!' && s[c + 1] != '?' && s[tagClose - 1] != '/') {
          ++inner;
        }
        c = tagClose + 1;
      }
      if (!ended) break;  // cut short: the game stores nothing either
      e.Narrow = ReadAsGame(std::string_view(s).substr(e.ContentBegin, e.ContentEnd - e.ContentBegin));
      File.Elements.push_back(std::move(e));
      i = s.find('<', File.Elements.back().End);
      continue;
    }
    if (!empty) {
      if (name == "script" && depth == 0) {
        inScript = true;
      } else if (skipDepth < 0 && !(name == "option" && inScript && depth == 1)) {
        skipDepth = depth + 1;
      }
      ++depth;
    }
    i = s.find('<', close + 1);
  }
}

TScriptFile LoadScriptFileAt(const std::string& Path) {
  TScriptFile file;
  file.Path = Path;
  file.Exists = ReadBytes(Path, file.Bytes);
  if (file.Exists) ScanScript(file);
  return file;
}

const TScriptElement* FindElement(const TScriptFile& File, const std::string& Key) {
  for (const TScriptElement& e : File.Elements) {
    if (e.Key == Key) return &e;
  }
  return nullptr;
}

// The code page a language folder's font description names (1252 without one).
int32_t LanguageCodePage(const fs::path& Folder) {
  std::string description;
  if (ReadBytes((Folder / "T2FontCustom.txt").string(), description)) return CodePageFromFontDescription(description);
  return 1252;
}

// ---- What each text belongs to -----------------------------------------------------------------

// "scene 1012 of site Dock", "caption of prop Coin", ... for the keys a scenario names.
std::map<std::string, std::string> KeyOwners(const std::string& ScenarioPath) {
  std::map<std::string, std::string> owners;
  std::string bytes;
  if (!ReadBytes(ScenarioPath, bytes)) return owners;
  TScenarioBuilder s;
  try {
    s = ReadScenarioRecords(bytes, ScenarioPath);
  } catch (const EError&) {
    return owners;
  }
  const auto& captions = s.Pool[static_cast<size_t>(TPoolClass::Caption)];
  auto add = [&owners](const std::string& Key, const std::string& Owner) {
    std::string& line = owners[Key];
    if (line.find(Owner) != std::string::npos) return;
    line += line.empty() ? Owner : "; " + Owner;
  };
  auto caption = [&](int32_t Ref, const std::string& Owner) {
    if (Ref > 0 && static_cast<size_t>(Ref) <= captions.size())
      add(captions[static_cast<size_t>(Ref - 1)], "caption of " + Owner);
  };
  for (const TPropDef& p : s.Props) caption(p.Caption, "prop " + p.Name);
  for (const TRegionDef& r : s.RegionList) caption(r.Caption, "region " + r.Name);
  for (const TSiteDef& site : s.Sites) {
    caption(site.Caption, "site " + site.Name);
    for (const TSceneDef& c : site.Scenes) {
      add("SceneLegendH" + std::to_string(c.Number), "scene " + std::to_string(c.Number) + " of site " + site.Name);
    }
  }
  for (const THintDef& h : s.HintList) add("HintLegendH" + std::to_string(h.Number), "hint " + h.Name);
  for (const TAchievementDef& a : s.AchievementList) {
    caption(a.Caption, "achievement " + a.Name);
    add("AchievementLegendH" + std::to_string(a.Number), "achievement " + a.Name);
  }
  return owners;
}

// ---- PO files ------------------------------------------------------------------------------------

std::string PoQuote(const std::string& Text) {
  std::string out = "\"";
  for (const char c : Text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

// A keyword and its string; a text with line breaks is split after each, as gettext's tools do.
std::string PoField(const char* Keyword, const std::string& Text) {
  std::string out = Keyword;
  if (Text.find('\n') == std::string::npos || Text.find('\n') == Text.size() - 1)
    return out + " " + PoQuote(Text) + "\n";
  out += " \"\"\n";
  size_t start = 0;
  while (start < Text.size()) {
    const size_t lf = Text.find('\n', start);
    const size_t end = lf == std::string::npos ? Text.size() : lf + 1;
    out += PoQuote(Text.substr(start, end - start)) + "\n";
    start = end;
  }
  return out;
}

struct TPoEntry {
  int Line = 0;  // of its first keyword
  bool HasContext = false;
  std::string Context, Id, Str;
  bool Fuzzy = false;
  bool Plural = false;
  bool Obsolete = false;
  std::vector<std::string> References;
};

struct TPoFile {
  std::vector<TPoEntry> Entries;  // the header entry (empty msgid, no context) is not among them
  std::string Charset;
  std::vector<std::string> Errors;  // "FILE:LINE: message"
};

// Reads a PO file: comments, flags, msgctxt, msgid, msgstr and their continuation lines.
TPoFile ReadPo(const std::string& Path, const std::string& Bytes) {
  TPoFile po;
  std::vector<std::string> lines;
  {
    size_t start = 0;
    while (start <= Bytes.size()) {
      size_t lf = Bytes.find('\n', start);
      if (lf == std::string::npos) lf = Bytes.size();
      std::string line = Bytes.substr(start, lf - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      start = lf + 1;
    }
  }
  auto error = [&](int Line, const std::string& Message) {
    po.Errors.push_back(Path + ":" + std::to_string(Line) + ": " + Message);
  };
  auto unquote = [&](int Line, std::string_view Text, std::string& Out) {
    size_t b = Text.find_first_not_of(" \t");
    size_t e = Text.find_last_not_of(" \t");
    if (b == std::string::npos || Text[b] != '"' || e == b || Text[e] != '"') {
      error(Line, "a string in double quotes was expected");
      return false;
    }
    for (size_t i = b + 1; i < e; ++i) {
      char c = Text[i];
      if (c == '\\' && i + 1 < e) {
        const char x = Text[++i];
        switch (x) {
          case 'n': c = '\n'; break;
          case 't': c = '\t'; break;
          case 'r': c = '\r'; break;
          case 'a': c = '\a'; break;
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          case 'v': c = '\v'; break;
          case '\\': c = '\\'; break;
          case '"': c = '"'; break;
          default: error(Line, std::string("unknown escape \"\\") + x + "\""); return false;
        }
      } else if (c == '"') {
        error(Line, "a double quote inside a string must be written \\\"");
        return false;
      }
      Out += c;
    }
    return true;
  };

  TPoEntry current;
  bool started = false;  // a keyword of the current entry was read
  std::string* field = nullptr;
  auto finish = [&] {
    if (!started) {
      current = TPoEntry{};
      return;
    }
    if (!current.HasContext && current.Id.empty()) {
      // The header: its Content-Type names the charset.
      const size_t at = current.Str.find("charset=");
      if (at != std::string::npos) {
        const size_t end = current.Str.find_first_of(" ;\n", at + 8);
        po.Charset = current.Str.substr(at + 8, end == std::string::npos ? std::string::npos : end - at - 8);
      }
    } else if (!current.Obsolete) {
      po.Entries.push_back(current);
    }
    current = TPoEntry{};
    started = false;
    field = nullptr;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    std::string_view line = lines[i];
    const size_t firstChar = line.find_first_not_of(" \t");
    if (firstChar == std::string::npos) {
      finish();
      continue;
    }
    line.remove_prefix(firstChar);
    if (line[0] == '#') {
      if (started && field != nullptr && line.substr(0, 2) != "#~") finish();
      if (line.substr(0, 2) == "#,") {
        if (line.find("fuzzy") != std::string::npos) current.Fuzzy = true;
      } else if (line.substr(0, 2) == "#:") {
        std::istringstream words{std::string(line.substr(2))};
        std::string word;
        while (words >> word) current.References.push_back(word);
      } else if (line.substr(0, 2) == "#~") {
        current.Obsolete = true;
        started = true;
      }
      continue;
    }
    auto keyword = [&](std::string_view Word) {
      return line.substr(0, Word.size()) == Word && line.size() > Word.size() &&
             (line[Word.size()] == ' ' || line[Word.size()] == '\t' || line[Word.size()] == '"');
    };
    if (line[0] == '"') {
      if (field == nullptr) {
        error(lineNo, "a continued string without msgctxt, msgid or msgstr before it");
        continue;
      }
      unquote(lineNo, line, *field);
      continue;
    }
    if (keyword("msgctxt")) {
      if (started && field != nullptr) finish();
      started = true;
      current.Line = lineNo;
      current.HasContext = true;
      field = &current.Context;
      unquote(lineNo, line.substr(7), *field);
    } else if (keyword("msgid_plural")) {
      current.Plural = true;
      field = nullptr;
      std::string ignored;
      unquote(lineNo, line.substr(12), ignored);
    } else if (keyword("msgid")) {
      if (started && field != &current.Context) finish();
      if (!started) current.Line = lineNo;
      started = true;
      field = &current.Id;
      unquote(lineNo, line.substr(5), *field);
    } else if (keyword("msgstr")) {
      field = &current.Str;
      unquote(lineNo, line.substr(6), *field);
    } else if (line.substr(0, 7) == "msgstr[") {
      current.Plural = true;
      const size_t close = line.find(']');
      field = nullptr;
      std::string form;
      if (close != std::string::npos) unquote(lineNo, line.substr(close + 1), form);
      if (line.substr(0, 10) == "msgstr[0] ") current.Str = form;
    } else {
      error(lineNo, "a line starting with msgctxt, msgid, msgstr, a string or \"#\" was expected");
    }
  }
  finish();
  return po;
}

std::string PoHeader(const std::string& Language, bool Template) {
  std::string h = "# Translation of the texts of Tolvaren into " + (Template ? std::string("LANGUAGE") : Language) +
                  ".\n# Written by tolvaren-tool texts po-export; read back with tolvaren-tool texts po-import.\n"
                  "# Every entry is one text key (msgctxt); keep line breaks where the English has them.\n";
  h += "msgid \"\"\nmsgstr \"\"\n";
  h += "\"Project-Id-Version: Tolvaren\\n\"\n";
  h += "\"Report-Msgid-Bugs-To: \\n\"\n";
  h += "\"PO-Revision-Date: 2000-01-01 00:00+0000\\n\"\n";
  h += "\"Last-Translator: " + std::string(Template ? "" : "The Tolvaren team") + "\\n\"\n";
  h += "\"Language-Team: " + (Template ? std::string("") : Language) + "\\n\"\n";
  h += "\"Language: " + (Template ? std::string("") : LanguageCodeOf(Language)) + "\\n\"\n";
  h += "\"MIME-Version: 1.0\\n\"\n";
  h += "\"Content-Type: text/plain; charset=UTF-8\\n\"\n";
  h += "\"Content-Transfer-Encoding: 8bit\\n\"\n";
  return h;
}

// ---- Options shared by both commands ---------------------------------------------------------------

bool TakeValue(const TArgs& Args, size_t& I, std::string& Value) {
  if (I + 1 >= Args.size()) return false;
  Value = Args[++I];
  return true;
}

// A language name as a folder name: letters, digits, "_" and "-" only.
bool PlainName(const std::string& Name) {
  if (Name.empty()) return false;
  return std::all_of(Name.begin(), Name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
}

// The relative path of a file below the data folder, for reference comments.
std::string Relative(const fs::path& Data, const fs::path& File) {
  std::error_code ec;
  const fs::path rel = fs::relative(File, Data, ec);
  return ec || rel.empty() ? File.generic_string() : rel.generic_string();
}

// ---- po-export --------------------------------------------------------------------------------------

int RunExport(const TArgs& Args);
int RunImport(const TArgs& Args);

const TToolCommand ExportCommand{
    "texts po-export", "--language NAME [--data DIR] [--template] -o FILE.po",
    "writes the texts of a language's two script files in the program folder DIR (default: the tool's own) as a "
    "gettext PO file, one entry per English text key (with --template the empty POT file)",
    RunExport};
const TToolCommand ImportCommand{
    "texts po-import", "FILE.po --language NAME [--data DIR] [-o OUTDIR]",
    "writes a translated PO file back into the language's two script files (into OUTDIR, default the language's "
    "folder of DIR); fuzzy and untranslated entries are left out (reported; the game shows their English texts), "
    "a text the language's code page cannot hold is an error; nothing is written on an error",
    RunImport};

int RunExport(const TArgs& Args) {
  std::string language, data, output;
  bool templateOnly = false;
  for (size_t i = 0; i < Args.size(); ++i) {
    if (Args[i] == "--language") {
      if (!TakeValue(Args, i, language)) return UsageError(ExportCommand, "--language needs a name");
    } else if (Args[i] == "--data") {
      if (!TakeValue(Args, i, data)) return UsageError(ExportCommand, "--data needs a folder");
    } else if (Args[i] == "-o") {
      if (!TakeValue(Args, i, output)) return UsageError(ExportCommand, "-o needs a file name");
    } else if (Args[i] == "--template") {
      templateOnly = true;
    } else {
      return UsageError(ExportCommand, "unknown argument \"" + Args[i] + "\"");
    }
  }
  if (language.empty() && !templateOnly) return UsageError(ExportCommand, "name the language with --language");
  if (!language.empty() && !PlainName(language))
    return UsageError(ExportCommand, "\"" + language + "\" is no folder name");
  if (output.empty()) return UsageError(ExportCommand, "name the output with -o");
  if (data.empty()) data = DefaultDataFolder();
  const fs::path root(data);
  const fs::path english = root / "Languages" / "English";
  const fs::path folder = root / "Languages" / (language.empty() ? "English" : language);
  if (!templateOnly && !fs::is_directory(folder)) {
    std::fprintf(stderr, "%s: no such language folder\n", folder.string().c_str());
    return 1;
  }
  const std::map<std::string, std::string> owners = KeyOwners((root / "Ordinary" / "S0Scenario.dat").string());
  const int32_t englishPage = LanguageCodePage(english);
  const int32_t languagePage = LanguageCodePage(folder);

  std::string text = PoHeader(language, templateOnly);
  std::set<std::string> seen;
  for (const char* name : ScriptNames) {
    SetCodePage(englishPage);
    const TScriptFile source = LoadScriptFileAt((english / name).string());
    if (!source.Exists) {
      std::fprintf(stderr, "%s: cannot read the English script\n", (english / name).string().c_str());
      return 1;
    }
    TScriptFile translated;
    if (!templateOnly) {
      SetCodePage(languagePage);
      translated = LoadScriptFileAt((folder / name).string());
    }
    for (const TScriptElement& e : source.Elements) {
      if (e.Key.empty() || e.Narrow.empty() || !seen.insert(e.Key).second) continue;
      SetCodePage(englishPage);
      const std::string id = NarrowToUtf8(e.Narrow);
      std::string str;
      if (const TScriptElement* t = FindElement(translated, e.Key)) {
        SetCodePage(languagePage);
        str = NarrowToUtf8(t->Narrow);
      }
      text += "\n";
      const auto owner = owners.find(e.Key);
      if (owner != owners.end()) text += "#. " + owner->second + "\n";
      text += "#: " + Relative(root, english / name) + ":" + std::to_string(e.Line) + "\n";
      text += PoField("msgctxt", e.Key);
      text += PoField("msgid", id);
      text += PoField("msgstr", str);
    }
  }
  SetCodePage(1252);
  std::string why;
  if (!WriteFileReplacing(output, text, why)) return Failure(ExportCommand, why);
  return 0;
}

// ---- po-import --------------------------------------------------------------------------------------

// A text as script content: the characters the scanner treats as markup written as references.
std::string EscapeContent(const std::string& Utf8) {
  std::string text;
  for (const char c : Utf8) {
    if (c != '\r') text += c;
  }
  return EscapeMarkup(text, false);
}

// The first character of Utf8 that Page cannot hold, as "'x' (U+0078)", or "" when it holds all.
std::string FirstUnheld(const std::string& Utf8, const TCodePage& Page) {
  const std::u16string wide = Utf8ToUtf16(Utf8);
  for (size_t i = 0; i < wide.size(); ++i) {
    const char16_t unit = wide[i];
    if (unit == 0 || Page.FromWide[unit] != 0) continue;
    char code[16];
    uint32_t value = unit;
    std::u16string one(1, unit);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < wide.size()) {
      value = 0x10000 + ((unit - 0xD800u) << 10) + (wide[i + 1] - 0xDC00u);
      one += wide[i + 1];
    }
    std::snprintf(code, sizeof code, "U+%04X", value);
    return "'" + Utf16ToUtf8(one) + "' (" + code + ")";
  }
  return {};
}

int RunImport(const TArgs& Args) {
  std::string poPath, language, data, outDir;
  if (const int code = ReadArgs(ImportCommand, Args,
                                {{"--language", &language, "--language needs a name"},
                                 {"--data", &data, "--data needs a folder"},
                                 {"-o", &outDir, "-o needs a folder"}},
                                {.One = &poPath, .TooMany = "one PO file at a time"})) {
    return code;
  }
  if (poPath.empty()) return UsageError(ImportCommand, "name the PO file");
  if (language.empty()) return UsageError(ImportCommand, "name the language with --language");
  if (!PlainName(language)) return UsageError(ImportCommand, "\"" + language + "\" is no folder name");
  if (data.empty()) data = DefaultDataFolder();
  const fs::path root(data);
  const fs::path english = root / "Languages" / "English";
  const fs::path folder = root / "Languages" / language;
  const fs::path out = outDir.empty() ? folder : fs::path(outDir);

  std::string bytes;
  if (!ReadBytes(poPath, bytes)) {
    std::fprintf(stderr, "%s: cannot read the file\n", poPath.c_str());
    return 1;
  }
  TPoFile po = ReadPo(poPath, bytes);
  if (!po.Charset.empty() && po.Charset != "UTF-8" && po.Charset != "utf-8" && po.Charset != "CHARSET") {
    po.Errors.push_back(poPath + ":1: the file is in " + po.Charset + "; write it in UTF-8");
  }
  const int32_t page = LanguageCodePage(fs::is_directory(folder) ? folder : fs::path(out));
  const TCodePage* tables = CodePageTables(page);
  if (tables == nullptr) {
    std::fprintf(stderr, "%s: code page %d is not supported\n", (folder / "T2FontCustom.txt").string().c_str(), page);
    return 1;
  }

  // The language's scripts are the templates; a language without them starts from the English ones.
  SetCodePage(page);
  TScriptFile files[2];
  for (int f = 0; f < 2; ++f) {
    files[f] = LoadScriptFileAt((folder / ScriptNames[f]).string());
    if (!files[f].Exists) files[f] = LoadScriptFileAt((english / ScriptNames[f]).string());
    if (!files[f].Exists) {
      std::fprintf(stderr, "%s: cannot read the script\n", (english / ScriptNames[f]).string().c_str());
      return 1;
    }
    if (files[f].ScriptEnd == std::string::npos) {
      std::fprintf(stderr, "%s: the script has no closing </script>\n", files[f].Path.c_str());
      return 1;
    }
  }

  // What each key becomes: a new text, or nothing (fuzzy, untranslated).
  struct TChange {
    bool Keep = false;
    std::string Content;  // escaped, for an element whose text changed or a new element
  };
  std::map<std::string, TChange> changes;
  std::vector<std::string> newKeys[2];
  int translated = 0, fuzzy = 0, untranslated = 0;
  std::set<std::string> keys;
  for (const TPoEntry& e : po.Entries) {
    const std::string where = poPath + ":" + std::to_string(e.Line) + ": entry \"" + e.Context + "\"";
    if (!e.HasContext || e.Context.empty()) {
      po.Errors.push_back(poPath + ":" + std::to_string(e.Line) + ": the entry has no msgctxt (its text key)");
      continue;
    }
    if (e.Plural) {
      po.Errors.push_back(where + ": plural forms are not used by the game");
      continue;
    }
    if (!keys.insert(e.Context).second) {
      po.Errors.push_back(where + ": the key comes twice");
      continue;
    }
    const bool missing = e.Str.empty();
    if (e.Fuzzy || missing) {
      std::fprintf(stderr, "%s: %s; the game shows the English text\n", where.c_str(),
                   e.Fuzzy ? "fuzzy" : "untranslated");
      (e.Fuzzy ? fuzzy : untranslated) += 1;
      changes[e.Context] = TChange{};
      continue;
    }
    const std::string unheld = FirstUnheld(e.Str, *tables);
    if (!unheld.empty()) {
      po.Errors.push_back(where + ": the character " + unheld + " is not in code page " + std::to_string(page) +
                          " of " + language);
      continue;
    }
    ++translated;
    const std::string narrow = Utf16ToCodePage(Utf8ToUtf16(e.Str), *tables);
    TChange change;
    change.Keep = true;
    int owner = -1;
    for (int f = 0; f < 2 && owner < 0; ++f) {
      if (const TScriptElement* el = FindElement(files[f], e.Context)) {
        owner = f;
        if (el->Narrow == narrow) continue;  // unchanged: its bytes stay as they are
        change.Content = EscapeContent(e.Str);
      }
    }
    if (owner < 0) {
      owner = 1;
      for (const std::string& ref : e.References) {
        if (ref.find(ScriptNames[0]) != std::string::npos) owner = 0;
      }
      change.Content = EscapeContent(e.Str);
      newKeys[owner].push_back(e.Context);
    }
    if (!change.Content.empty() && ReadAsGame(change.Content) != narrow) {
      std::fprintf(stderr,
                   "%s: warning: the game reads the text differently (spaces collapse, at most one empty "
                   "line, tabs are dropped)\n",
                   where.c_str());
    }
    changes[e.Context] = std::move(change);
  }
  SetCodePage(1252);
  for (const std::string& message : po.Errors) std::fprintf(stderr, "%s\n", message.c_str());
  if (!po.Errors.empty()) {
    std::fprintf(stderr, "tolvaren-tool texts po-import: %zu error%s; nothing written\n", po.Errors.size(),
                 po.Errors.size() == 1 ? "" : "s");
    return 1;
  }

  std::string written[2];
  for (int f = 0; f < 2; ++f) {
    const TScriptFile& file = files[f];
    std::string& text = written[f];
    size_t at = 0;
    for (const TScriptElement& e : file.Elements) {
      const auto change = changes.find(e.Key);
      if (change == changes.end() || (change->second.Keep && change->second.Content.empty())) continue;
      if (!change->second.Keep) {
        // Left out: the whole line when the element stands alone on it.
        size_t begin = e.Begin, end = e.End;
        const size_t lineStart = file.Bytes.rfind('\n', begin == 0 ? 0 : begin - 1);
        const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
        const size_t lineEnd = file.Bytes.find('\n', end);
        if (file.Bytes.find_first_not_of(" \t", from) == begin &&
            (lineEnd == std::string::npos || file.Bytes.find_first_not_of(" \t\r", end) == lineEnd)) {
          begin = from;
          end = lineEnd == std::string::npos ? file.Bytes.size() : lineEnd + 1;
        }
        text.append(file.Bytes, at, begin - at);
        at = end;
      } else {
        text.append(file.Bytes, at, e.ContentBegin - at);
        text += change->second.Content;
        at = e.ContentEnd;
      }
    }
    // New keys go before the script's end tag, on lines of their own.
    size_t scriptEnd = file.ScriptEnd;
    if (!newKeys[f].empty()) {
      const size_t lineStart = file.Bytes.rfind('\n', scriptEnd == 0 ? 0 : scriptEnd - 1);
      const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
      if (file.Bytes.find_first_not_of(" \t", from) == scriptEnd) scriptEnd = from;
    }
    text.append(file.Bytes, at, scriptEnd - at);
    for (const std::string& key : newKeys[f]) {
      text += "  <text id=\"" + key + "\">" + changes[key].Content + "</text>\n";
    }
    text.append(file.Bytes, scriptEnd, std::string::npos);
  }
  std::error_code ec;
  fs::create_directories(out, ec);
  for (int f = 0; f < 2; ++f) {
    std::string why;
    if (!WriteFileReplacing((out / ScriptNames[f]).string(), written[f], why)) return Failure(ImportCommand, why);
  }
  std::fprintf(stderr, "%s: %d translated, %d fuzzy, %d untranslated\n", poPath.c_str(), translated, fuzzy,
               untranslated);
  return 0;
}

TV_TOOL_COMMAND(ExportCommand);
TV_TOOL_COMMAND(ImportCommand);

}  // namespace
}  // namespace tv::tool
