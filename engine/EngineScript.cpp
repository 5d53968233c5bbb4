#include "engine/EngineScript.h"

#include <charconv>
#include <map>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "base/AppFolders.h"
#include "base/AppProcess.h"
#include "engine/EngineObjects.h"
#include "engine/EngineVideo.h"
#include "platform/PlatformSystem.h"
#include "platform/PlatformUtf8.h"

namespace tv {

namespace {

// ---- Module state ---------------------------------------------------------------------------

struct TLocalization {
  int32_t CodePage = 1252;
  char DecimalSymbol = '.';
  char DigitGroupingSymbol = ',';
  int32_t DigitGroupingAboveValue = 999;
  std::string ColonPrefix;
};

struct TScriptState {
  std::unique_ptr<TContainer> Table;
  int32_t CommonAge = -1;  // time stamps as last loaded (debug mode only)
  int32_t ScenarioAge = -1;
  bool ScenarioLoaded = false;
  std::optional<std::u16string> Caption;
};

TLocalization Settings;
std::function<void()> DefaultTextsHook;
TScriptState Script;
// While set, the scanner only adds the texts whose keys the table lacks, and applies no option
// and no caption: the English script filling the gaps of a translation.
bool FillingGaps = false;
TRelocalizeHook RelocalizeHook = nullptr;

const std::string EmptyText;

constexpr const char* ParseFailure = "Failed to parse script file";
constexpr const char* CommonScriptName = "T1ScriptCommon";
constexpr const char* ScenarioScriptName = "T1ScriptScenario";
constexpr const char* FontDescriptionName = "T2FontCustom";

// Longest text a script can store; a longer one keeps its first characters and its last.
constexpr size_t MaxTextLength = 1536;

// The code page tables of the run. A code page the system cannot convert falls back to 1252
// and, should even that be missing, to Latin-1.
const TCodePage& CurrentCodePage() {
  if (const TCodePage* page = CodePageTables(Settings.CodePage)) return *page;
  if (const TCodePage* page = CodePageTables(1252)) return *page;
  static const TCodePage* latin1 = [] {
    static TCodePage page;
    for (int b = 0; b < 256; ++b) {
      page.ToWide[b] = static_cast<char16_t>(b);
      page.FromWide[b] = static_cast<uint8_t>(b);
    }
    return &page;
  }();
  return *latin1;
}

bool AsciiEqualNoCase(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char a = A[i];
    char b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

// A whole decimal 32-bit integer with an optional sign.
bool ParseInteger(std::string_view Text, int32_t& Value) {
  if (!Text.empty() && Text[0] == '+') Text.remove_prefix(1);
  if (Text.empty() || Text[0] == '+') return false;
  int32_t parsed = 0;
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), parsed);
  if (error != std::errc() || end != Text.data() + Text.size()) return false;
  Value = parsed;
  return true;
}

void ApplyOption(std::string_view Id, std::string_view Value) {
  if (Id == "LanguageName") {
    SetLanguageName(std::string(Value));
  } else if (Id == "DecimalSymbol") {
    if (Value.size() == 1) Settings.DecimalSymbol = Value[0];
  } else if (Id == "DigitGroupingSymbol") {
    if (Value.size() == 1) Settings.DigitGroupingSymbol = Value[0];
  } else if (Id == "DigitGroupingAboveValue") {
    ParseInteger(Value, Settings.DigitGroupingAboveValue);
  } else if (Id == "SpaceBeforeColon") {
    Settings.ColonPrefix = AsciiEqualNoCase(Value, "YES") ? std::string(1, '\xA0') : std::string();
  }
}

// ---- The scanner ----------------------------------------------------------------------------

// One pass over the narrow text of a script. Wide holds the same text in UTF-16, one code unit
// per narrow byte, from which the "GameTitle" caption is taken. Every search runs to the next
// character it looks for or to the end of the text; a tag or text cut off by the end of the text
// has no effect.
class TScriptScanner {
 public:
  TScriptScanner(std::string_view Narrow, std::u16string_view Wide, bool Scenario, bool Replace)
      : N(reinterpret_cast<const uint8_t*>(Narrow.data())),
        W(Wide.data()),
        Len(Narrow.size()),
        Scenario(Scenario),
        Replace(Replace) {}

  // Whether the script element's end tag was read.
  bool ScriptClosed() const { return Closed; }

  void Run() {
    while (Pos < Len) {
      if (InText && !Skipping) {
        ScanContent();
        if (Pos >= Len) break;
      }
      ScanTag();
    }
  }

 private:
  // ---- Text being built ----

  void Append(uint8_t C, char16_t U) {
    const size_t at = TextLen < MaxTextLength ? TextLen++ : MaxTextLength - 1;
    Text[at] = C;
    if (BuildTwin) Twin[at] = U;
  }

  void LineBreak() {
    if (TextLen > 0 && Text[TextLen - 1] == ' ') --TextLen;  // the twin follows the same length
    if (TextLen >= 2 && Text[TextLen - 1] == '\n' && Text[TextLen - 2] == '\n') return;
    Append('\n', u'\n');
  }

  // Content of a text element up to the next "<" (left at Pos) or the end.
  void ScanContent() {
    while (Pos < Len) {
      const uint8_t c = N[Pos];
      if (c > 32) {
        if (c == '<') return;
        if (c == '&') {
          CharacterReference();
          continue;
        }
        Append(c, W[Pos]);
      } else if (c == ' ') {
        if (TextLen > 0 && Text[TextLen - 1] > 32) Append(' ', u' ');
      } else if (c == '\r' || (c == '\n' && (Pos == 0 || N[Pos - 1] != '\r'))) {
        LineBreak();
      }
      ++Pos;
    }
  }

  // At "&": the letter after it picks the character; then everything up to and including the
  // next ";" is skipped.
  void CharacterReference() {
    const size_t p = Pos + 1;
    if (p < Len) {
      switch (N[p]) {
        case 'l': Append('<', u'<'); break;
        case 'g': Append('>', u'>'); break;
        case 'q': Append('"', u'"'); break;
        case 'a':
          if (p + 1 < Len && N[p + 1] == 'm') Append('&', u'&');
          if (p + 1 < Len && N[p + 1] == 'p') Append('\'', u'\'');
          break;
        default: break;
      }
    }
    Pos = Find(';', Pos + 1);
    if (Pos < Len) ++Pos;
  }

  // ---- Tags ----

  // The position of the next C at or after From, or Len.
  size_t Find(uint8_t C, size_t From) const {
    if (From >= Len) return Len;
    const void* hit = std::memchr(N + From, C, Len - From);
    return hit != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - N) : Len;
  }

  void ScanTag() {
    if (N[Pos] != '<') Pos = Find('<', Pos);
    if (Pos + 1 >= Len) {
      Pos = Len;
      return;
    }
    const uint8_t c = N[Pos + 1];
    if (c == '/') {
      const size_t end = Find('>', Pos + 2);
      if (end >= Len) {
        Pos = Len;
        return;
      }
      Pos = end + 1;
      EndTag();
    } else if (c == '!' || c == '?') {
      const size_t end = Find('>', Pos + 2);
      Pos = end < Len ? end + 1 : Len;
    } else {
      StartTag();
    }
  }

  void StartTag() {
    size_t p = Pos + 1;
    while (p < Len && N[p] > 32 && N[p] != '>') ++p;
    if (p >= Len) {
      Pos = Len;
      return;
    }
    const std::string_view name(reinterpret_cast<const char*>(N) + Pos + 1, p - Pos - 1);
    Pos = p;
    const bool isText = name == "text" && InScript && Depth == 1;
    const bool isOption = name == "option" && InScript && Depth == 1 && !Scenario;
    if (isText || isOption) {
      Key.clear();
      Value.clear();
      if (!ReadAttributes(isText)) {
        Pos = Len;
        return;
      }
    }
    const size_t end = Find('>', Pos);
    if (end >= Len) {
      Pos = Len;
      return;
    }
    const bool empty = N[end - 1] == '/';
    Pos = end + 1;
    if (isText) {
      if (!empty) {
        Depth = 2;
        InText = true;
        TextLen = 0;
        BuildTwin = !Scenario && !FillingGaps && Key == "GameTitle";
      }
    } else if (isOption) {
      if (!FillingGaps) ApplyOption(Key, Value);
      if (!empty) {
        InOption = true;
        ++Depth;
      }
    } else if (name == "script" && Depth == 0) {
      if (!empty) {
        InScript = true;
        Closed = false;
        ++Depth;
      } else {
        Closed = true;
      }
    } else if (!empty) {
      ++Depth;
      if (!Skipping) {
        Skipping = true;
        SkipDepth = Depth;
      }
    }
  }

  // Reads attributes from Pos: "id" into Key, "value" into Value (the last of each counts).
  // With StopAtId the reading ends as soon as "id" was read. False when the text ended first.
  bool ReadAttributes(bool StopAtId) {
    for (;;) {
      while (Pos < Len && N[Pos] <= 32) ++Pos;
      if (Pos >= Len) return false;
      if (N[Pos] == '>' || N[Pos] == '/') return true;
      const size_t nameStart = Pos;
      while (Pos < Len && N[Pos] != '=' && N[Pos] > 32) ++Pos;
      const std::string_view attribute(reinterpret_cast<const char*>(N) + nameStart, Pos - nameStart);
      while (Pos < Len && N[Pos] != '"' && N[Pos] != '\'') ++Pos;
      if (Pos >= Len) return false;
      const uint8_t quote = N[Pos];
      const size_t valueStart = Pos + 1;
      const size_t valueEnd = Find(quote, valueStart);
      if (valueEnd >= Len) return false;
      Pos = valueEnd + 1;
      const std::string_view value(reinterpret_cast<const char*>(N) + valueStart, valueEnd - valueStart);
      if (attribute == "id") {
        Key.assign(value);
        if (StopAtId) return true;
      } else if (attribute == "value") {
        Value.assign(value);
      }
    }
  }

  void EndTag() {
    if (InText && Depth == 2) {
      FinishText();
      InText = false;
      --Depth;
    } else if (InOption && Depth == 2) {
      InOption = false;
      --Depth;
    } else if (InScript && Depth == 1) {
      InScript = false;
      Closed = true;
      --Depth;
    } else {
      if (Skipping && Depth == SkipDepth) Skipping = false;
      --Depth;
      if (Depth < 0) {
        SetErrorCode(1);
        throw EError(ParseFailure);
      }
    }
  }

  void FinishText() {
    size_t first = 0;
    size_t last = TextLen;
    while (first < last && Text[first] <= 32) ++first;
    while (last > first && Text[last - 1] <= 32) --last;
    const std::string_view text(reinterpret_cast<const char*>(Text) + first, last - first);
    if (FillingGaps && TextExists(Key)) return;
    TScriptNode* node = Replace ? SetText(Key, text) : AddText(Key, text);
    if (node != nullptr) node->FromScenario = Scenario;
    if (BuildTwin) {
      first = 0;
      last = TextLen;
      while (first < last && Twin[first] <= 32) ++first;
      while (last > first && Twin[last - 1] <= 32) --last;
      Script.Caption = std::u16string(Twin + first, last - first);
      SetDisplayCaption(*Script.Caption);
    }
  }

  const uint8_t* N;
  const char16_t* W;
  size_t Len;
  bool Scenario;
  bool Replace;

  size_t Pos = 0;
  int32_t Depth = 0;
  bool InScript = false;
  bool InText = false;
  bool InOption = false;
  bool Closed = false;
  bool Skipping = false;
  int32_t SkipDepth = 0;
  bool BuildTwin = false;
  std::string Key;
  std::string Value;
  size_t TextLen = 0;
  uint8_t Text[MaxTextLength];
  char16_t Twin[MaxTextLength];
};

// ---- Decoding ---------------------------------------------------------------------------------

// Decodes the UTF-8 bytes of a script into UTF-16 and, one byte per code unit, into the code
// page, in one pass. Malformed sequences become U+FFFD exactly as in Utf8ToUtf16; what the code
// page cannot hold becomes its default character.
// Returns the number of code units; Wide and Narrow get one buffer each, of the byte count (every
// byte yields at most one code unit; four bytes yield two), left uninitialised beyond the units.
size_t DecodeScript(std::string_view Utf8, const TCodePage& Page, std::unique_ptr<char16_t[]>& Wide,
                    std::unique_ptr<char[]>& Narrow) {
  Wide = std::make_unique_for_overwrite<char16_t[]>(Utf8.size() + 1);
  Narrow = std::make_unique_for_overwrite<char[]>(Utf8.size() + 1);
  const auto* s = reinterpret_cast<const uint8_t*>(Utf8.data());
  char16_t* w = Wide.get();
  char* b = Narrow.get();
  const size_t n = Utf8.size();
  size_t i = 0;
  size_t o = 0;
  auto put = [&](char16_t Unit) {
    const uint8_t narrow = Page.FromWide[Unit];
    w[o] = Unit;
    b[o] = (narrow != 0 || Unit == 0) ? static_cast<char>(narrow) : Page.DefaultChar;
    ++o;
  };
  // Code pages that keep ASCII as it is (all the single-byte ones in practice) take runs of
  // ASCII eight bytes at a time.
  bool asciiKept = true;
  for (char16_t c = 1; c < 0x80 && asciiKept; ++c) asciiKept = Page.FromWide[c] == c;
  while (i < n) {
    if (asciiKept && i + 8 <= n) {
      uint64_t chunk;
      std::memcpy(&chunk, s + i, 8);
      if ((chunk & 0x8080808080808080ULL) == 0) {
        for (int k = 0; k < 8; ++k) w[o + static_cast<size_t>(k)] = s[i + static_cast<size_t>(k)];
        std::memcpy(b + o, s + i, 8);
        i += 8;
        o += 8;
        continue;
      }
    }
    DecodeUtf8Sequence(s, n, i, put);
  }
  return o;
}

// ---- Loading files --------------------------------------------------------------------------

void LoadScriptFile(const char* Name, bool Scenario, bool Replace) {
  const std::string bytes = ReadDataText(TFolderKind::Language, Name, TExtKind::Xml);
  if (!LoadScript(bytes, Scenario, Replace)) {
    AddLogMessage("The script file \"" + DataFilePath(TFolderKind::Language, Name, TExtKind::Xml) +
                  "\" ends before its closing </script>: it may be cut short, and texts after its last whole "
                  "element are missing");
  }
}

// A translation that lacks a text shows the English one: the English script of the same name
// adds the keys the language's script left out (nothing when the language is English).
void FillGapsFromEnglish(const char* Name, bool Scenario) {
  const std::string english = FolderPath(TFolderKind::Program) + "Languages/English/";
  if (FolderPath(TFolderKind::Language) == english) return;
  const std::string path = english + Name + ExtensionOf(TExtKind::Xml);
  if (!FileExists(path)) return;
  TFileStream file(path, TFileStream::Mode::Read);
  if (!file.IsOpen()) return;
  const std::string bytes = file.ReadRest();
  FillingGaps = true;
  try {
    LoadScript(bytes, Scenario, false);
  } catch (const EError&) {
    // The English script's own faults are not the translation's: what it held before them counts.
  }
  FillingGaps = false;
}

int32_t ReadCodePage() {
  for (TFolderKind kind : {TFolderKind::Language, TFolderKind::Ordinary}) {
    if (!DataFileExists(kind, FontDescriptionName, TExtKind::Txt)) continue;
    const int32_t page = CodePageFromFontDescription(ReadDataText(kind, FontDescriptionName, TExtKind::Txt));
    if (CodePageTables(page) == nullptr) {
      AddLogMessage("Unsupported code page " + std::to_string(page) + ", using 1252");
      return 1252;
    }
    return page;
  }
  return 1252;
}

}  // namespace

// ---- Localisation settings ------------------------------------------------------------------

int32_t GetCodePage() { return Settings.CodePage; }
void SetCodePage(int32_t Value) { Settings.CodePage = Value; }
char GetDecimalSymbol() { return Settings.DecimalSymbol; }
char GetDigitGroupingSymbol() { return Settings.DigitGroupingSymbol; }
int32_t GetDigitGroupingAboveValue() { return Settings.DigitGroupingAboveValue; }
const std::string& GetColonPrefix() { return Settings.ColonPrefix; }
void SetDefaultTextsHook(std::function<void()> Hook) { DefaultTextsHook = std::move(Hook); }
bool HasDefaultTextsHook() { return static_cast<bool>(DefaultTextsHook); }

void ResetLocalization() {
  Settings = TLocalization{};
  SetLanguageName("English");
}

// ---- The text table -------------------------------------------------------------------------

TContainer& TextTable() {
  if (!Script.Table) Script.Table = std::make_unique<TContainer>(false, true);
  return *Script.Table;
}

void InitTexts() {
  TextTable();
  Script.CommonAge = -1;
  Script.ScenarioAge = -1;
  Script.ScenarioLoaded = false;
  // The language name stays as the command line set it; the rest starts from the defaults.
  const std::string language = GetLanguageName();
  ResetLocalization();
  SetLanguageName(language);
  Settings.CodePage = ReadCodePage();
  LoadScriptFile(CommonScriptName, false, false);
  FillGapsFromEnglish(CommonScriptName, false);
  if (IsDebugMode()) Script.CommonAge = DataFileAge(TFolderKind::Language, CommonScriptName, TExtKind::Xml);
  if (DefaultTextsHook) DefaultTextsHook();
}

void LoadScenarioTexts() {
  if (Script.ScenarioLoaded) return;
  Script.ScenarioLoaded = true;
  if (DataFileExists(TFolderKind::Language, ScenarioScriptName, TExtKind::Xml)) {
    LoadScriptFile(ScenarioScriptName, true, false);
  }
  FillGapsFromEnglish(ScenarioScriptName, true);
  if (IsDebugMode()) Script.ScenarioAge = DataFileAge(TFolderKind::Language, ScenarioScriptName, TExtKind::Xml);
}

bool ScenarioTextsLoaded() { return Script.ScenarioLoaded; }

void ReloadTextsIfChanged() {
  if (!IsDebugMode() || !Script.Table) return;
  // Loads a script again when its file's age is not the one it was loaded at; a script deleted
  // while the game runs is not reloaded: its texts stay as they were.
  auto reload = [](const char* Name, bool Scenario, int32_t& LoadedAge) {
    const int32_t age = DataFileAge(TFolderKind::Language, Name, TExtKind::Xml);
    if (age == LoadedAge) return false;
    LoadedAge = age;
    if (age == -1) return false;
    LoadScriptFile(Name, Scenario, true);
    return true;
  };
  bool loaded = reload(CommonScriptName, false, Script.CommonAge);
  if (Script.ScenarioLoaded && reload(ScenarioScriptName, true, Script.ScenarioAge)) loaded = true;
  if (loaded && RelocalizeHook != nullptr) RelocalizeHook();
}

bool ReloadScriptFile(bool Scenario, std::string& Error, std::vector<std::string>* Changed) {
  const char* name = Scenario ? ScenarioScriptName : CommonScriptName;
  if (Scenario && !Script.ScenarioLoaded) return true;  // loaded with the scenario, later
  std::string bytes;
  try {
    bytes = ReadDataText(TFolderKind::Language, name, TExtKind::Xml);
  } catch (const EError& e) {
    Error = e.what();
    return false;
  }
  // A script that fails to load leaves the table as it was before the attempt.
  struct TSaved {
    std::string Key, Text;
    bool FromScenario;
  };
  std::vector<TSaved> saved;
  for (TItem* item : TextTable()) {
    const auto* node = static_cast<const TScriptNode*>(item);
    saved.push_back({node->Name, node->Text, node->FromScenario});
  }
  const TLocalization settings = Settings;
  const std::string language = GetLanguageName();
  const std::optional<std::u16string> caption = Script.Caption;
  bool whole = true;
  try {
    whole = LoadScript(bytes, Scenario, true);
  } catch (const EError& e) {
    Error = DataFilePath(TFolderKind::Language, name, TExtKind::Xml) + ": " + e.what();
    whole = false;
  }
  if (!whole) {
    if (Error.empty()) {
      Error =
          DataFilePath(TFolderKind::Language, name, TExtKind::Xml) + ": the script ends before its closing </script>";
    }
    Script.Table.reset();
    for (const TSaved& entry : saved) {
      if (TScriptNode* node = AddText(entry.Key, entry.Text)) node->FromScenario = entry.FromScenario;
    }
    Settings = settings;
    SetLanguageName(language);
    Script.Caption = caption;
    return false;
  }
  if (Changed != nullptr) {
    std::map<std::string, const std::string*> before;
    for (const TSaved& entry : saved) before.emplace(entry.Key, &entry.Text);
    for (TItem* item : TextTable()) {
      const auto* node = static_cast<const TScriptNode*>(item);
      const auto old = before.find(node->Name);
      if (old == before.end() || *old->second != node->Text) Changed->push_back(node->Name);
    }
  }
  const int32_t age = DataFileAge(TFolderKind::Language, name, TExtKind::Xml);
  (Scenario ? Script.ScenarioAge : Script.CommonAge) = age;
  if (RelocalizeHook != nullptr) RelocalizeHook();
  return true;
}

void FreeTexts() {
  Script.Table.reset();
  Script.CommonAge = -1;
  Script.ScenarioAge = -1;
  Script.ScenarioLoaded = false;
  Script.Caption.reset();
}

TScriptNode* AddText(std::string_view Key, std::string_view Text) {
  if (Key.empty() || Text.empty()) return nullptr;
  auto node = std::make_unique<TScriptNode>();
  node->Name.assign(Key);
  node->Text.assign(Text);
  return TextTable().Insert(std::move(node), false);
}

TScriptNode* SetText(std::string_view Key, std::string_view Text) {
  if (Key.empty()) return nullptr;
  TContainer& table = TextTable();
  auto* node = table.FindAs<TScriptNode>(Key);
  if (node == nullptr) return AddText(Key, Text);
  if (Text.empty()) {
    table.Remove(node);
    return nullptr;
  }
  node->Text.assign(Text);
  return node;
}

bool TextExists(std::string_view Key) { return Script.Table && Script.Table->Find(Key) != nullptr; }

const std::string& GetText(std::string_view Key) {
  if (!Script.Table) return EmptyText;
  const auto* node = Script.Table->FindAs<TScriptNode>(Key);
  return node != nullptr ? node->Text : EmptyText;
}

bool LoadScript(std::string_view Utf8, bool Scenario, bool Replace) {
  std::unique_ptr<char16_t[]> wide;
  std::unique_ptr<char[]> narrow;
  const size_t length = DecodeScript(Utf8, CurrentCodePage(), wide, narrow);
  auto scanner = std::make_unique<TScriptScanner>(std::string_view(narrow.get(), length),
                                                  std::u16string_view(wide.get(), length), Scenario, Replace);
  scanner->Run();
  return scanner->ScriptClosed();
}

std::string Utf8ToNarrow(std::string_view Utf8) { return Utf16ToCodePage(Utf8ToUtf16(Utf8), CurrentCodePage()); }

std::string NarrowToUtf8(std::string_view Narrow) { return Utf16ToUtf8(CodePageToUtf16(Narrow, CurrentCodePage())); }

int32_t CodePageFromFontDescription(std::string_view Description) {
  TSimpleParser parser;
  parser.Start(std::string(Description));
  while (!parser.AtEnd()) {
    if (parser.GetToken(TokenChars) != "CodePageIdentifier") continue;
    int32_t page = 1252;
    if (!ParseInteger(parser.GetToken(TokenChars), page)) return 1252;
    return page;
  }
  return 1252;
}

const std::optional<std::u16string>& GetGameTitleCaption() { return Script.Caption; }

void SetRelocalizeHook(TRelocalizeHook Hook) { RelocalizeHook = Hook; }

std::string EscapeMarkup(std::string_view Text, bool Quotes) {
  std::string out;
  out.reserve(Text.size());
  for (const char c : Text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += Quotes ? "&quot;" : "\""; break;
      default: out += c;
    }
  }
  return out;
}

// ---- Number formats -------------------------------------------------------------------------

std::string FormatInteger(int32_t Value) {
  std::string text = std::to_string(Value);
  const int64_t magnitude = Value < 0 ? -static_cast<int64_t>(Value) : Value;
  const size_t digits = Value < 0 ? text.size() - 1 : text.size();
  if (magnitude > Settings.DigitGroupingAboveValue && digits > 3) {
    text.insert(text.size() - 3, 1, Settings.DigitGroupingSymbol);
  }
  return text;
}

std::string FormatHundredths(int32_t Value) {
  const int64_t magnitude = Value < 0 ? -static_cast<int64_t>(Value) : Value;
  const int64_t fraction = magnitude % 100;
  std::string text = Value < 0 ? "-" : "";
  text += std::to_string(magnitude / 100);
  text += '.';
  text += static_cast<char>('0' + fraction / 10);
  text += static_cast<char>('0' + fraction % 10);
  return text;
}

}  // namespace tv
