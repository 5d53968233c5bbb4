#include "authoring/GameScenarioSource.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv {

// ---- The vocabulary -------------------------------------------------------------------------

namespace {

const char* const PropKindNames[ScenarioPropKindCount] = {"Property", "Title", "Skill", "Companion", "Item"};

struct TSpecialRow {
  int32_t Code;
  const char* Name;
};

const TSpecialRow SpecialTable[] = {
    {0, "none"},
    {SpecialUnlockHint, "unlock-hint"},
    {SpecialUnlockInventory, "unlock-inventory"},
    {SpecialUnlockMap, "unlock-map"},
    {SpecialPointSites, "point-at-sites"},
    {SpecialPointerOff, "pointer-off"},
    {SpecialArrowAccept, "arrow-accept"},
    {SpecialArrowRequirements, "arrow-requirements"},
    {SpecialArrowReward, "arrow-reward"},
    {SpecialArrowBarter, "arrow-barter"},
    {SpecialWayBack, "way-back"},
    {SpecialMusicEverywhere, "music-everywhere"},
    {SpecialMusicAtOnce, "music-now"},
};

// Lower-case letters and digits only: "Illustrated text (top)" -> "illustratedtexttop".
std::string Normalize(std::string_view Text) {
  std::string out;
  for (const char c : Text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z') {
      out += static_cast<char>(b - 'A' + 'a');
    } else if ((b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) {
      out += c;
    }
  }
  return out;
}

}  // namespace

// The names and slot counts are the model's kind table (GameScene).
const char* SceneKindName(int32_t Kind) { return IsSceneKind(Kind) ? SceneKind(Kind).Name : ""; }
int32_t SceneKindLeftSlots(int32_t Kind) { return IsSceneKind(Kind) ? SceneKind(Kind).Left : 0; }
int32_t SceneKindRightSlots(int32_t Kind) { return IsSceneKind(Kind) ? SceneKind(Kind).Right : 0; }
std::optional<int32_t> FindSceneKind(std::string_view Text) {
  const std::string key = Normalize(Text);
  if (key.empty()) return std::nullopt;
  for (int32_t k = 0; k < ScenarioSceneKindCount; ++k) {
    if (Normalize(SceneKind(k).Name) == key) return k;
  }
  return std::nullopt;
}
bool SceneKindShowsText(int32_t Kind) {
  if (!IsSceneKind(Kind)) return false;
  const TSceneKindInfo& row = SceneKind(Kind);
  return row.Flags[SceneFlagText] != 0 || row.Flags[SceneFlagFloatingText] != 0;
}

const char* PropKindName(int32_t Kind) { return Kind >= 0 && Kind < ScenarioPropKindCount ? PropKindNames[Kind] : ""; }
std::optional<int32_t> FindPropKind(std::string_view Text) {
  const std::string key = Normalize(Text);
  for (int32_t k = 0; k < ScenarioPropKindCount; ++k) {
    if (Normalize(PropKindNames[k]) == key) return k;
  }
  return std::nullopt;
}

const char* SpecialCodeName(int32_t Code) {
  for (const TSpecialRow& row : SpecialTable) {
    if (row.Code == Code) return row.Name;
  }
  return "";
}
std::optional<int32_t> FindSpecialCode(std::string_view Name) {
  for (const TSpecialRow& row : SpecialTable) {
    if (Name == row.Name) return row.Code;
  }
  return std::nullopt;
}
std::string SpecialCodeList() {
  std::string out;
  for (const TSpecialRow& row : SpecialTable) {
    if (!out.empty()) out += ", ";
    out += std::string(row.Name) + " (" + std::to_string(row.Code) + ")";
  }
  return out;
}

std::string TScenarioDiagnostic::Format() const {
  std::string out;
  if (!File.empty()) {
    out += File;
    if (Line > 0) out += ":" + std::to_string(Line);
    out += ": ";
  }
  out += Severity == TSeverity::Error ? "error: " : "warning: ";
  if (!Object.empty()) out += Object + ": ";
  return out + Message;
}

// ---- The compiler ---------------------------------------------------------------------------

namespace {

enum class TTok { Word, String, Open, Close, End, Eof };

struct TToken {
  TTok Type = TTok::Eof;
  std::string Text;
  int Line = 0;
};

struct TStatement {
  std::vector<TToken> Words;
  int Line = 0;
  bool Block = false;
};

// A failure inside one statement: reported, and the statement (with its block) is skipped.
struct TStatementError {
  int Line;
  std::string Message;
};

enum TObjKind { OkProp, OkRegion, OkSite, OkHint, OkAchievement, OkKindCount };
const char* const ObjKindNames[OkKindCount] = {"prop", "region", "site", "hint", "achievement"};
const char* const ObjKindPlurals[OkKindCount] = {"props", "regions", "sites", "hints", "achievements"};

enum TNumberKind { NkProp, NkRegion, NkSite, NkScene, NkHint, NkAchievement, NkCount };

size_t EditDistance(std::string_view A, std::string_view B) {
  std::vector<size_t> row(B.size() + 1);
  for (size_t j = 0; j <= B.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= A.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= B.size(); ++j) {
      const size_t up = row[j];
      const bool same =
          std::tolower(static_cast<unsigned char>(A[i - 1])) == std::tolower(static_cast<unsigned char>(B[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[B.size()];
}

// The closest of Candidates to Text, when it is close enough to be a likely typing slip.
std::string Suggest(std::string_view Text, const std::vector<std::string>& Candidates) {
  std::string best;
  size_t bestDistance = std::max<size_t>(2, Text.size() / 3) + 1;
  for (const std::string& c : Candidates) {
    const size_t d = EditDistance(Text, c);
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

std::string Quote(std::string_view Text) { return "\"" + std::string(Text) + "\""; }

std::string JoinList(const std::vector<std::string>& Items) {
  std::string out;
  for (const std::string& item : Items) {
    if (!out.empty()) out += ", ";
    out += item;
  }
  return out;
}

std::vector<std::string> AllKindNames() {
  std::vector<std::string> out;
  for (int32_t k = 0; k < ScenarioSceneKindCount; ++k) out.emplace_back(SceneKind(k).Name);
  return out;
}

bool ParseInt32(std::string_view Text, int32_t& Value) {
  if (Text.empty()) return false;
  bool negative = false;
  std::string_view digits = Text;
  if (digits[0] == '-' || digits[0] == '+') {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (digits.empty()) return false;
  uint64_t v = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
  if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return false;
  if (base == 16 && !negative) {
    // A bit pattern: 0xFFFFFFFF is -1.
    if (v > 0xFFFFFFFFull) return false;
    Value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  if (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull) return false;
  Value = negative ? static_cast<int32_t>(-static_cast<int64_t>(v)) : static_cast<int32_t>(v);
  return true;
}

bool ParseFloat32(std::string_view Text, float& Value) {
  if (Text.rfind("bits:", 0) == 0) {
    int32_t bits = 0;
    if (!ParseInt32(Text.substr(5), bits)) return false;
    std::memcpy(&Value, &bits, sizeof Value);
    return true;
  }
  std::string_view t = Text;
  if (!t.empty() && t[0] == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  const auto result = std::from_chars(t.data(), t.data() + t.size(), Value);
  return result.ec == std::errc() && result.ptr == t.data() + t.size();
}

bool LooksNumeric(std::string_view Text) {
  int32_t i = 0;
  float f = 0;
  return ParseInt32(Text, i) || ParseFloat32(Text, f);
}

// The tokens of one source file. Words run up to white space or one of { } ; # "; "#" starts a
// comment to the end of the line; strings are double-quoted with \" \\ and \xHH escapes.
std::vector<TToken> Tokenize(const std::string& Text, const std::string& File,
                             std::vector<TScenarioDiagnostic>& Diagnostics) {
  std::vector<TToken> out;
  int line = 1;
  size_t i = 0;
  auto push = [&](TTok Type, std::string Value, int Line) { out.push_back({Type, std::move(Value), Line}); };
  while (i < Text.size()) {
    const char c = Text[i];
    if (c == '\n') {
      push(TTok::End, "", line);
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
    } else if (c == '#') {
      while (i < Text.size() && Text[i] != '\n') ++i;
    } else if (c == ';') {
      push(TTok::End, ";", line);
      ++i;
    } else if (c == '{') {
      push(TTok::Open, "{", line);
      ++i;
    } else if (c == '}') {
      push(TTok::Close, "}", line);
      ++i;
    } else if (c == '"') {
      const int start = line;
      std::string value;
      ++i;
      bool closed = false;
      while (i < Text.size()) {
        const char d = Text[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d == '\n') break;
        if (d == '\\' && i + 1 < Text.size()) {
          const char e = Text[i + 1];
          if (e == '"' || e == '\\') {
            value += e;
            i += 2;
            continue;
          }
          if (e == 'x' && i + 3 < Text.size()) {
            int32_t byte = 0;
            if (ParseInt32("0x" + Text.substr(i + 2, 2), byte) && byte >= 0 && byte <= 255) {
              value += static_cast<char>(byte);
              i += 4;
              continue;
            }
          }
          Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, File, line, "",
                                 "unknown escape in a string; write \\\" for a quote, \\\\ for a backslash or "
                                 "\\xHH for a byte"});
          i += 2;
          continue;
        }
        value += d;
        ++i;
      }
      if (!closed) {
        Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, File, start, "",
                               "the string is not closed on its line; end it with \""});
      }
      push(TTok::String, std::move(value), start);
    } else {
      const size_t begin = i;
      while (i < Text.size()) {
        const char d = Text[i];
        if (d == ' ' || d == '\t' || d == '\r' || d == '\n' || d == '\f' || d == '\v' || d == '{' || d == '}' ||
            d == ';' || d == '#' || d == '"') {
          break;
        }
        ++i;
      }
      push(TTok::Word, Text.substr(begin, i - begin), line);
    }
  }
  push(TTok::End, "", line);
  push(TTok::Eof, "", line);
  return out;
}

struct TLegendEntry {
  TToken Terrain;
  TToken Water;
  std::string File;
  int Line = 0;
};
using TLegend = std::map<char, TLegendEntry>;

struct TNumbered {
  TNumberKind Kind;
  int32_t* Field;
  bool Given;
  std::string File;
  int Line;
  std::string Object;
  int32_t SiteHandle;  // scenes: the site that holds them
};

class TCompiler {
 public:
  void AddFile(const TScenarioSourceFile& File);
  TScenarioCompileResult Finish();

 private:
  // ---- statements ----
  bool ReadStatement(TStatement& S);
  void SkipBlock();
  void ExpectNoBlock(const TStatement& S);
  void ParseBlockStatements(const std::string& What, int OpenLine, const std::function<void(TStatement&)>& Each);
  struct TArgs;
  // The fields written on an object's own line from word I on; an error is reported against the
  // object and ends the line's fields.
  void ParseFields(const TStatement& S, size_t I, const std::string& Object, const std::function<void(TArgs&)>& Field);
  // The block of an object whose block holds only fields, one or more on each line.
  void ParseFieldBlock(const TStatement& S, const std::string& Object, const std::function<void(TArgs&)>& Field);
  void Report(int Line, const std::string& Object, const std::string& Message,
              TScenarioDiagnostic::TSeverity Severity = TScenarioDiagnostic::TSeverity::Error);
  void ReportIn(const std::string& File, int Line, const std::string& Object, const std::string& Message,
                TScenarioDiagnostic::TSeverity Severity = TScenarioDiagnostic::TSeverity::Error);

  // ---- objects ----
  void TopStatement(TStatement& S);
  void ParseProp(TStatement& S);
  void ParseRegion(TStatement& S);
  void ParseSite(TStatement& S, int32_t Region, const std::string& RegionObject);
  void ParseScene(TStatement& S, int32_t SiteHandle, const std::string& SiteObject);
  void ParseHint(TStatement& S);
  void ParseAchievement(TStatement& S);
  void ParsePlot(TStatement& S, int32_t Region, const std::string& RegionObject);
  void ParseLegend(TStatement& S, TLegend& Legend);
  void ParsePool(TStatement& S);
  std::vector<std::string> ParseGrid(TStatement& S, const std::string& What, const std::string& Object);

  // The object's identifier (ObjectId); on failure its block is skipped before the error goes up.
  std::string TakeId(TStatement& S, const char* Keyword);
  // Declares an object's identifier; false (with a message) when it is taken.
  bool Declare(TObjKind Kind, const std::string& Id, int32_t Index, int Line, const std::string& Object);

  // ---- values ----
  struct TArgs {
    const TStatement& S;
    size_t I;
    const TToken* Peek() const { return I < S.Words.size() ? &S.Words[I] : nullptr; }
    bool More() const { return I < S.Words.size(); }
  };
  const TToken& Next(TArgs& A, const std::string& Key, const char* What);
  int32_t Int(TArgs& A, const std::string& Key, const char* What);
  float Float(TArgs& A, const std::string& Key, const char* What);
  uint8_t Byte(TArgs& A, const std::string& Key, const char* What);
  void Ref(TArgs& A, const std::string& Key, TObjKind Kind, int32_t* Field, const std::string& Object);
  void Asset(TArgs& A, const std::string& Key, TPoolClass Class, int32_t* Field, const std::string& Object);
  void AssetToken(const TToken& T, TPoolClass Class, int32_t* Field, const std::string& Object);
  void Number(TNumberKind Kind, int32_t* Field, bool Given, int Line, const std::string& Object, int32_t Site = 0);
  void UnknownField(const std::string& Key, int Line, const std::string& Object, const char* What,
                    const std::vector<std::string>& Valid);

  int32_t ResolveRef(TObjKind Kind, const std::string& Id, const std::string& File, int Line,
                     const std::string& Object);
  void ResolveTiles(int32_t Region, const std::vector<std::string>& Rows, const std::string& File, int Line,
                    const std::string& Object);
  void AssignNumbers();

  // Source
  std::string File;
  std::vector<TToken> Tokens;
  size_t Pos = 0;
  bool EndedByClose = false;

  TScenarioBuilder B;
  TScenarioSourceMap Places;
  std::vector<TScenarioDiagnostic> Diagnostics;
  std::map<std::string, int32_t> Ids[OkKindCount];
  std::map<std::string, TSourcePlace> IdPlaces[OkKindCount];
  std::map<std::string, int32_t> PoolIds[PoolClassCount];
  std::vector<std::function<void()>> Deferred;
  std::vector<TNumbered> Numbers;
  std::map<int32_t, std::deque<TPlotDef>> Plots;
  std::map<int32_t, TLegend> RegionLegends;
  TLegend GlobalLegend;
  bool HaveStart = false, HaveNextNumber = false;
  bool HaveEntryPlace = false;
  bool Resolving = false;  // the deferred look-ups are running: resolve at once
};

void TCompiler::ReportIn(const std::string& InFile, int Line, const std::string& Object, const std::string& Message,
                         TScenarioDiagnostic::TSeverity Severity) {
  Diagnostics.push_back({Severity, InFile, Line, Object, Message});
}

void TCompiler::Report(int Line, const std::string& Object, const std::string& Message,
                       TScenarioDiagnostic::TSeverity Severity) {
  ReportIn(File, Line, Object, Message, Severity);
}

bool TCompiler::ReadStatement(TStatement& S) {
  S = TStatement{};
  EndedByClose = false;
  while (Tokens[Pos].Type == TTok::End) ++Pos;
  const TToken& first = Tokens[Pos];
  if (first.Type == TTok::Eof) return false;
  if (first.Type == TTok::Close) {
    ++Pos;
    EndedByClose = true;
    return false;
  }
  S.Line = first.Line;
  while (Tokens[Pos].Type == TTok::Word || Tokens[Pos].Type == TTok::String) S.Words.push_back(Tokens[Pos++]);
  if (Tokens[Pos].Type == TTok::Open) {
    S.Block = true;
    ++Pos;
  } else if (Tokens[Pos].Type == TTok::End) {
    ++Pos;
  }
  return true;
}

void TCompiler::SkipBlock() {
  int depth = 1;
  while (depth > 0 && Tokens[Pos].Type != TTok::Eof) {
    if (Tokens[Pos].Type == TTok::Open) ++depth;
    if (Tokens[Pos].Type == TTok::Close) --depth;
    ++Pos;
  }
}

void TCompiler::ExpectNoBlock(const TStatement& S) {
  if (S.Block) {
    SkipBlock();
    throw TStatementError{S.Line, "\"" + S.Words[0].Text + "\" takes no { } block"};
  }
}

void TCompiler::ParseFields(const TStatement& S, size_t I, const std::string& Object,
                            const std::function<void(TArgs&)>& Field) {
  TArgs a{S, I};
  try {
    while (a.More()) Field(a);
  } catch (const TStatementError& e) {
    Report(e.Line, Object, e.Message);
  }
}

void TCompiler::ParseFieldBlock(const TStatement& S, const std::string& Object,
                                const std::function<void(TArgs&)>& Field) {
  if (!S.Block) return;
  ParseBlockStatements(Object, S.Line, [&](TStatement& s) {
    ExpectNoBlock(s);
    TArgs b{s, 0};
    while (b.More()) Field(b);
  });
}

void TCompiler::ParseBlockStatements(const std::string& What, int OpenLine,
                                     const std::function<void(TStatement&)>& Each) {
  TStatement s;
  while (ReadStatement(s)) {
    if (s.Words.empty()) {
      Report(s.Line, What, "a { } block needs a statement in front of it");
      if (s.Block) SkipBlock();
      continue;
    }
    try {
      Each(s);
    } catch (const TStatementError& e) {
      Report(e.Line, What, e.Message);
    }
  }
  if (!EndedByClose) Report(OpenLine, What, "the { opened on this line is never closed with }");
}

bool TCompiler::Declare(TObjKind Kind, const std::string& Id, int32_t Index, int Line, const std::string& Object) {
  auto& ids = Ids[Kind];
  const auto found = IdPlaces[Kind].find(Id);
  if (found != IdPlaces[Kind].end()) {
    Report(Line, Object,
           std::string("the name ") + Quote(Id) + " is already used by the " + ObjKindNames[Kind] + " at " +
               found->second.File + ":" + std::to_string(found->second.Line) + "; every " + ObjKindNames[Kind] +
               " needs a name of its own" + (Kind == OkSite ? " (site names are shared by all regions)" : ""));
    return false;
  }
  ids[Id] = Index;
  IdPlaces[Kind][Id] = {File, Line, Id};
  return true;
}

const TToken& TCompiler::Next(TArgs& A, const std::string& Key, const char* What) {
  if (!A.More()) throw TStatementError{A.S.Line, "\"" + Key + "\" expects " + What + " after it"};
  return A.S.Words[A.I++];
}

int32_t TCompiler::Int(TArgs& A, const std::string& Key, const char* What) {
  const TToken& t = Next(A, Key, What);
  int32_t v = 0;
  if (t.Type != TTok::Word || !ParseInt32(t.Text, v)) {
    throw TStatementError{t.Line, "\"" + Key + "\" expects " + What +
                                      " (a whole number from -2147483648 to "
                                      "2147483647), not " +
                                      Quote(t.Text)};
  }
  return v;
}

float TCompiler::Float(TArgs& A, const std::string& Key, const char* What) {
  const TToken& t = Next(A, Key, What);
  float v = 0;
  if (t.Type != TTok::Word || !ParseFloat32(t.Text, v)) {
    throw TStatementError{
        t.Line, "\"" + Key + "\" expects " + What + " (a number such as 12, -3.5 or 0.25), not " + Quote(t.Text)};
  }
  return v;
}

uint8_t TCompiler::Byte(TArgs& A, const std::string& Key, const char* What) {
  const TToken& t = Next(A, Key, What);
  int32_t v = 0;
  if (t.Type != TTok::Word || !ParseInt32(t.Text, v) || v < 0 || v > 255) {
    throw TStatementError{t.Line,
                          "\"" + Key + "\" expects " + What + " (a whole number from 0 to 255), not " + Quote(t.Text)};
  }
  return static_cast<uint8_t>(v);
}

void TCompiler::Ref(TArgs& A, const std::string& Key, TObjKind Kind, int32_t* Field, const std::string& Object) {
  const std::string what = std::string("the name of a ") + ObjKindNames[Kind] + " (or none)";
  const TToken& t = Next(A, Key, what.c_str());
  if (t.Type == TTok::Word) {
    if (t.Text == "none" || t.Text == "-") {
      *Field = 0;
      return;
    }
    int32_t raw = 0;
    if (ParseInt32(t.Text, raw)) {
      if (raw > 0) {
        throw TStatementError{t.Line, "\"" + Key + "\" expects the name of a " + ObjKindNames[Kind] + ", not " +
                                          Quote(t.Text) + "; positions in the file are assigned by the compiler"};
      }
      *Field = raw;  // 0 or a negative reference, which the game reads as none
      return;
    }
  }
  const std::string id = t.Text;
  const std::string file = File;
  const int line = t.Line;
  Deferred.push_back(
      [this, Kind, Field, id, file, line, Object] { *Field = ResolveRef(Kind, id, file, line, Object); });
}

int32_t TCompiler::ResolveRef(TObjKind Kind, const std::string& Id, const std::string& InFile, int Line,
                              const std::string& Object) {
  const auto found = Ids[Kind].find(Id);
  if (found != Ids[Kind].end()) return found->second;
  for (int other = 0; other < OkKindCount; ++other) {
    if (other == Kind) continue;
    const auto place = IdPlaces[other].find(Id);
    if (place != IdPlaces[other].end()) {
      ReportIn(InFile, Line, Object,
               Quote(Id) + " is a " + ObjKindNames[other] + " (" + place->second.File + ":" +
                   std::to_string(place->second.Line) + "), but a " + ObjKindNames[Kind] + " is expected here");
      return 0;
    }
  }
  std::vector<std::string> candidates;
  for (const auto& entry : Ids[Kind]) candidates.push_back(entry.first);
  const std::string suggestion = Suggest(Id, candidates);
  std::string message = std::string("no ") + ObjKindNames[Kind] + " is named " + Quote(Id);
  if (!suggestion.empty()) {
    message += "; did you mean " + Quote(suggestion) + "?";
  } else if (candidates.empty()) {
    message += std::string("; the scenario declares no ") + ObjKindPlurals[Kind] + " (declare one with \"" +
               ObjKindNames[Kind] + " NAME\")";
  } else {
    message += std::string(" (declare it with \"") + ObjKindNames[Kind] + " NAME\", or write none)";
  }
  ReportIn(InFile, Line, Object, message);
  return 0;
}

void TCompiler::AssetToken(const TToken& T, TPoolClass Class, int32_t* Field, const std::string& Object) {
  if (T.Type == TTok::Word) {
    if (T.Text == "none" || T.Text == "-") {
      *Field = 0;
      return;
    }
    int32_t raw = 0;
    if (ParseInt32(T.Text, raw)) {
      if (raw > 0) {
        throw TStatementError{T.Line, std::string("expected the name of a ") + PoolClassName(Class) + ", not " +
                                          Quote(T.Text) +
                                          " (asset names such as G2Harbour are written as they are; "
                                          "quote a name that is a number)"};
      }
      *Field = raw;
      return;
    }
  }
  const std::string name = T.Text;
  (void)Object;
  auto resolve = [this, Class, Field, name] {
    const auto alias = PoolIds[static_cast<int>(Class)].find(name);
    *Field = alias != PoolIds[static_cast<int>(Class)].end() ? alias->second : B.Asset(Class, name);
  };
  if (Resolving) {
    resolve();
  } else {
    Deferred.push_back(resolve);
  }
}

void TCompiler::Asset(TArgs& A, const std::string& Key, TPoolClass Class, int32_t* Field, const std::string& Object) {
  const std::string what = std::string("the name of a ") + PoolClassName(Class) + " (or none)";
  AssetToken(Next(A, Key, what.c_str()), Class, Field, Object);
}

void TCompiler::Number(TNumberKind Kind, int32_t* Field, bool Given, int Line, const std::string& Object,
                       int32_t Site) {
  Numbers.push_back({Kind, Field, Given, File, Line, Object, Site});
}

void TCompiler::UnknownField(const std::string& Key, int Line, const std::string& Object, const char* What,
                             const std::vector<std::string>& Valid) {
  (void)Object;  // the statement's catcher names the object
  const std::string suggestion = Suggest(Key, Valid);
  std::string message = "unknown field " + Quote(Key) + " in " + What;
  if (!suggestion.empty()) {
    message += "; did you mean " + Quote(suggestion) + "?";
  } else {
    message += "; valid fields: " + JoinList(Valid);
  }
  throw TStatementError{Line, message};
}

// ---- Objects --------------------------------------------------------------------------------

// The identifier after an object's keyword: a word or a quoted string, not a number and not none.
std::string ObjectId(const TStatement& S, const char* Keyword) {
  if (S.Words.size() < 2) {
    throw TStatementError{S.Line, std::string("\"") + Keyword + "\" needs a name: " + Keyword + " NAME"};
  }
  const TToken& t = S.Words[1];
  if (t.Type == TTok::Word && (t.Text == "none" || t.Text == "-" || LooksNumeric(t.Text))) {
    throw TStatementError{t.Line, std::string("\"") + Keyword + "\" needs a name, not " + Quote(t.Text) +
                                      " (quote a name that is a number or none)"};
  }
  return t.Text;
}

// An optional number right after the identifier.
std::optional<int32_t> HeaderNumber(const TStatement& S, size_t& I) {
  int32_t v = 0;
  if (I < S.Words.size() && S.Words[I].Type == TTok::Word && ParseInt32(S.Words[I].Text, v)) {
    ++I;
    return v;
  }
  return std::nullopt;
}

std::string TCompiler::TakeId(TStatement& S, const char* Keyword) {
  try {
    return ObjectId(S, Keyword);
  } catch (const TStatementError&) {
    if (S.Block) SkipBlock();
    throw;
  }
}

void TCompiler::TopStatement(TStatement& S) {
  const std::string& key = S.Words[0].Text;
  if (S.Words[0].Type != TTok::Word) {
    if (S.Block) SkipBlock();
    throw TStatementError{S.Line, "a statement starts with a keyword, not a quoted string"};
  }
  auto entry = [&](auto&& Fn) {
    ExpectNoBlock(S);
    if (!HaveEntryPlace) {
      Places.EntryPoints = {File, S.Line, key};
      HaveEntryPlace = true;
    }
    TArgs a{S, 1};
    Fn(a);
    if (a.More()) throw TStatementError{S.Line, "\"" + key + "\" takes one value; remove " + Quote(a.Peek()->Text)};
  };
  if (key == "prop") {
    ParseProp(S);
  } else if (key == "region") {
    ParseRegion(S);
  } else if (key == "hint") {
    ParseHint(S);
  } else if (key == "achievement") {
    ParseAchievement(S);
  } else if (key == "start-region") {
    entry([&](TArgs& a) {
      HaveStart = true;
      Ref(a, key, OkRegion, &B.StartRegion, "scenario");
    });
  } else if (key == "menu-region") {
    entry([&](TArgs& a) { Ref(a, key, OkRegion, &B.MenuRegion, "scenario"); });
  } else if (key == "map-region") {
    entry([&](TArgs& a) { Ref(a, key, OkRegion, &B.MapRegion, "scenario"); });
  } else if (key == "guide-start") {
    entry([&](TArgs& a) { Ref(a, key, OkSite, &B.GuideStart, "scenario"); });
  } else if (key == "next-number") {
    entry([&](TArgs& a) {
      HaveNextNumber = true;
      B.NextNumber = Int(a, key, "the highest number handed out so far");
    });
  } else if (key == "legend") {
    ParseLegend(S, GlobalLegend);
  } else if (key == "pool") {
    ParsePool(S);
  } else {
    if (S.Block) SkipBlock();
    UnknownField(key, S.Line, "", "a scenario file",
                 {"prop", "region", "hint", "achievement", "start-region", "menu-region", "map-region", "guide-start",
                  "next-number", "legend", "pool"});
  }
}

void TCompiler::ParsePool(TStatement& S) {
  if (!S.Block || S.Words.size() != 1) {
    if (S.Block) SkipBlock();
    throw TStatementError{S.Line, "write the pool as a block: pool { CLASS NAME [as ID] ... }"};
  }
  ParseBlockStatements("pool", S.Line, [&](TStatement& s) {
    ExpectNoBlock(s);
    static const std::vector<std::string> classes = {"picture", "effector", "sound",   "terrain",
                                                     "water",   "figure",   "caption", "group"};
    const std::string& cls = s.Words[0].Text;
    const auto found = std::find(classes.begin(), classes.end(), cls);
    if (found == classes.end()) {
      UnknownField(cls, s.Line, "pool", "the pool (an asset class)", classes);
    }
    const int c = static_cast<int>(found - classes.begin());
    if (s.Words.size() != 2 && !(s.Words.size() == 4 && s.Words[2].Text == "as")) {
      throw TStatementError{s.Line, "a pool entry is CLASS NAME or CLASS NAME as ID"};
    }
    const std::string& name = s.Words[1].Text;
    auto& list = B.Pool[static_cast<size_t>(c)];
    list.push_back(name);
    const auto position = static_cast<int32_t>(list.size());
    const std::string id = s.Words.size() == 4 ? s.Words[3].Text : name;
    if (PoolIds[c].count(id) != 0) {
      if (s.Words.size() == 4) {
        throw TStatementError{s.Line, "the " + cls + " id " + Quote(id) + " is used twice in the pool"};
      }
      return;  // a second entry of the same name keeps its position; name it with "as" to refer to it
    }
    PoolIds[c][id] = position;
  });
}

void TCompiler::ParseLegend(TStatement& S, TLegend& Legend) {
  if (!S.Block || S.Words.size() != 1) {
    if (S.Block) SkipBlock();
    throw TStatementError{S.Line, "write a legend as a block: legend { LETTER TERRAIN [WATER] ... }"};
  }
  ParseBlockStatements("legend", S.Line, [&](TStatement& s) {
    ExpectNoBlock(s);
    const TToken& letter = s.Words[0];
    if (letter.Type != TTok::Word || letter.Text.size() != 1) {
      throw TStatementError{s.Line,
                            "a legend entry starts with one letter (any character but space, { } ; # and "
                            "\"), not " +
                                Quote(letter.Text)};
    }
    if (s.Words.size() < 2 || s.Words.size() > 3) {
      throw TStatementError{s.Line,
                            "a legend entry is LETTER TERRAIN or LETTER TERRAIN WATER (none for no "
                            "terrain)"};
    }
    TLegendEntry entry;
    entry.Terrain = s.Words[1];
    entry.Water = s.Words.size() == 3 ? s.Words[2] : TToken{TTok::Word, "none", s.Line};
    entry.File = File;
    entry.Line = s.Line;
    const char c = letter.Text[0];
    if (Legend.count(c) != 0) {
      throw TStatementError{s.Line, "the letter " + Quote(letter.Text) + " is already in this legend (line " +
                                        std::to_string(Legend[c].Line) + ")"};
    }
    Legend[c] = entry;
  });
}

std::vector<std::string> TCompiler::ParseGrid(TStatement& S, const std::string& What, const std::string& Object) {
  if (!S.Block || S.Words.size() != 1) {
    if (S.Block) SkipBlock();
    throw TStatementError{S.Line, "write " + What + " as a block of " + std::to_string(MapRows) + " rows of " +
                                      std::to_string(MapColumns) + " letters: " + S.Words[0].Text + " { ... }"};
  }
  std::vector<std::string> rows;
  std::vector<int> lines;
  bool bad = false;
  ParseBlockStatements(Object, S.Line, [&](TStatement& s) {
    ExpectNoBlock(s);
    std::string row;
    for (const TToken& t : s.Words) {
      if (t.Type != TTok::Word) throw TStatementError{s.Line, "a row of " + What + " holds letters, not a string"};
      row += t.Text;
    }
    if (row.size() != static_cast<size_t>(MapColumns)) {
      bad = true;
      Report(s.Line, Object,
             What + ": row " + std::to_string(rows.size() + 1) + " has " + std::to_string(row.size()) +
                 " letters; every row has " + std::to_string(MapColumns) + " (one per column)");
    }
    rows.push_back(row);
    lines.push_back(s.Line);
  });
  if (rows.size() != static_cast<size_t>(MapRows)) {
    throw TStatementError{S.Line, What + " has " + std::to_string(rows.size()) + " rows; a map has " +
                                      std::to_string(MapRows) + " rows of " + std::to_string(MapColumns) + " letters"};
  }
  if (bad) return {};
  return rows;
}

void TCompiler::ParseProp(TStatement& S) {
  const std::string id = TakeId(S, "prop");
  const std::string object = "prop " + id;
  TPropDef def;
  def.Name = id;
  B.Props.push_back(def);
  TPropDef& p = B.Props.back();
  const auto index = static_cast<int32_t>(B.Props.size());
  Places.Props.push_back({File, S.Line, id});
  Declare(OkProp, id, index, S.Line, object);
  size_t i = 2;
  std::optional<int32_t> number = HeaderNumber(S, i);
  if (i < S.Words.size() && S.Words[i].Type == TTok::Word) {
    if (const auto kind = FindPropKind(S.Words[i].Text); kind && S.Words[i].Text != "kind") {
      p.Kind = *kind;
      ++i;
    }
  }
  static const std::vector<std::string> fields = {"number",  "name",  "kind",    "single-unit",
                                                  "picture", "frame", "caption", "initial"};
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    if (key == "number") {
      number = Int(a, key, "the prop's number");
    } else if (key == "name") {
      p.Name = Next(a, key, "the name stored in the file").Text;
    } else if (key == "kind") {
      const TToken& t = Next(a, key, "a prop kind");
      auto kind = FindPropKind(t.Text);
      int32_t raw = 0;
      if (!kind && t.Type == TTok::Word && ParseInt32(t.Text, raw)) kind = raw;
      if (!kind) {
        throw TStatementError{t.Line, "unknown prop kind " + Quote(t.Text) +
                                          "; a prop is a Property, Title, Skill, Companion or Item (or a kind number)"};
      }
      p.Kind = *kind;
    } else if (key == "single-unit") {
      p.SingleUnit = true;
    } else if (key == "picture") {
      Asset(a, key, TPoolClass::Picture, &p.Picture, object);
    } else if (key == "frame") {
      p.Frame = Int(a, key, "the frame of the picture");
    } else if (key == "caption") {
      Asset(a, key, TPoolClass::Caption, &p.Caption, object);
    } else if (key == "initial") {
      p.InitialAmount = Int(a, key, "the amount held at the start");
    } else {
      UnknownField(key, k.Line, object, "a prop", fields);
    }
  };
  ParseFields(S, i, object, field);
  ParseFieldBlock(S, object, field);
  Number(NkProp, &p.Number, number.has_value(), S.Line, object);
  if (number) p.Number = *number;
}

void TCompiler::ParseRegion(TStatement& S) {
  const std::string id = TakeId(S, "region");
  const std::string object = "region " + id;
  TRegionDef def;
  def.Name = id;
  B.RegionList.push_back(std::move(def));
  TRegionDef& r = B.RegionList.back();
  const auto index = static_cast<int32_t>(B.RegionList.size());
  Places.Regions.push_back({File, S.Line, id});
  Declare(OkRegion, id, index, S.Line, object);
  size_t i = 2;
  std::optional<int32_t> number = HeaderNumber(S, i);
  Plots[index];
  static const std::vector<std::string> fields = {"number", "name",  "picture", "caption", "music", "flag",
                                                  "legend", "tiles", "tile",    "plot",    "site"};
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    if (key == "number") {
      number = Int(a, key, "the region's number");
    } else if (key == "name") {
      r.Name = Next(a, key, "the name stored in the file").Text;
    } else if (key == "picture") {
      Asset(a, key, TPoolClass::Picture, &r.Picture, object);
    } else if (key == "caption") {
      Asset(a, key, TPoolClass::Caption, &r.Caption, object);
    } else if (key == "music") {
      Asset(a, key, TPoolClass::Sound, &r.InitialMusic, object);
    } else if (key == "flag") {
      r.Flag = true;
    } else if (key == "tile") {
      const int32_t column = Int(a, key, "the tile's column (0 to 12)");
      const int32_t row = Int(a, key, "the tile's row (0 to 14)");
      if (column < 0 || column >= MapColumns || row < 0 || row >= MapRows) {
        throw TStatementError{k.Line, "a tile lies in column 0 to 12 and row 0 to 14, not column " +
                                          std::to_string(column) + " row " + std::to_string(row)};
      }
      auto& tile = r.Tiles[static_cast<size_t>(row) * MapColumns + static_cast<size_t>(column)];
      AssetToken(Next(a, key, "the tile's terrain (or none)"), TPoolClass::Terrain, &tile[0], object);
      AssetToken(Next(a, key, "the tile's water (or none)"), TPoolClass::Water, &tile[1], object);
    } else {
      UnknownField(key, k.Line, object, "a region", fields);
    }
  };
  ParseFields(S, i, object, field);
  if (S.Block) {
    ParseBlockStatements(object, S.Line, [&](TStatement& s) {
      const std::string& key = s.Words[0].Text;
      if (key == "site") {
        ParseSite(s, index, object);
      } else if (key == "plot") {
        ParsePlot(s, index, object);
      } else if (key == "legend") {
        ParseLegend(s, RegionLegends[index]);
      } else if (key == "tiles") {
        const std::vector<std::string> rows = ParseGrid(s, "the tiles", object);
        if (!rows.empty()) {
          const std::string file = File;
          const int line = s.Line;
          Deferred.push_back(
              [this, index, rows, file, line, object] { ResolveTiles(index, rows, file, line, object); });
        }
      } else {
        ExpectNoBlock(s);
        TArgs b{s, 0};
        while (b.More()) field(b);
      }
    });
  }
  Number(NkRegion, &r.Number, number.has_value(), S.Line, object);
  if (number) r.Number = *number;
}

void TCompiler::ResolveTiles(int32_t Region, const std::vector<std::string>& Rows, const std::string& InFile, int Line,
                             const std::string& Object) {
  const TLegend& local = RegionLegends[Region];
  std::set<char> unknown;
  for (int row = 0; row < MapRows; ++row) {
    for (int column = 0; column < MapColumns; ++column) {
      const char c = Rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
      const TLegendEntry* entry = nullptr;
      if (const auto found = local.find(c); found != local.end()) {
        entry = &found->second;
      } else if (const auto global = GlobalLegend.find(c); global != GlobalLegend.end()) {
        entry = &global->second;
      }
      auto& tile = B.Region(Region).Tiles[static_cast<size_t>(row) * MapColumns + static_cast<size_t>(column)];
      if (entry == nullptr) {
        if (c != '.') unknown.insert(c);
        tile = {0, 0};
        continue;
      }
      // Runs while the deferred list is resolved in source order, so the look-ups happen at once.
      const std::string saved = File;
      File = entry->File;
      try {
        AssetToken(entry->Terrain, TPoolClass::Terrain, &tile[0], Object);
        AssetToken(entry->Water, TPoolClass::Water, &tile[1], Object);
      } catch (const TStatementError& e) {
        ReportIn(entry->File, e.Line, "legend", e.Message);
      }
      File = saved;
    }
  }
  if (!unknown.empty()) {
    std::string letters;
    for (const char c : unknown) letters += std::string(letters.empty() ? "" : ", ") + Quote(std::string(1, c));
    std::vector<std::string> known{"\".\" (nothing)"};
    for (const auto& entry : local) known.push_back(Quote(std::string(1, entry.first)));
    for (const auto& entry : GlobalLegend) {
      if (local.count(entry.first) == 0) known.push_back(Quote(std::string(1, entry.first)));
    }
    ReportIn(InFile, Line, Object,
             "the tiles use " + letters + ", which no legend explains; legend letters: " + JoinList(known));
  }
}

// "needs" is slot -1 (the next free one); "needs2" is slot 1 (0-based). False when Key is neither.
bool SlotKey(const std::string& Key, const std::string& Base, int Max, int& Slot) {
  if (Key == Base) {
    Slot = -1;
    return true;
  }
  if (Key.size() == Base.size() + 1 && Key.compare(0, Base.size(), Base) == 0) {
    const int d = Key.back() - '0';
    if (d >= 1 && d <= Max) {
      Slot = d - 1;
      return true;
    }
  }
  return false;
}

// Which keyword fills the slots of a scene kind, for messages.
const char* SlotKeyword(int32_t Kind) {
  if (IsRequirementKind(Kind)) return "need";
  if (IsLossKind(Kind)) return "lose";
  if (IsRewardKind(Kind)) return "gain";
  if (IsBarterKind(Kind)) return "trade";
  return nullptr;
}

std::string KindAdvice(int32_t Kind, const char* Wanted) {
  const char* keyword = SlotKeyword(Kind);
  std::string out = std::string("\"") + Wanted + "\" belongs in ";
  if (std::strcmp(Wanted, "need") == 0) out += "requirement scenes (Requirements 1 to 7, Hidden requirements 1 to 3)";
  if (std::strcmp(Wanted, "lose") == 0) out += "loss scenes (Floating loss, Losses 1 to 7)";
  if (std::strcmp(Wanted, "gain") == 0) out += "reward scenes (Floating reward, Rewards 1 to 7)";
  if (std::strcmp(Wanted, "trade") == 0) out += "barter scenes (Barter 1 to 7)";
  out += std::string("; this scene is \"") + SceneKindName(Kind) + "\"";
  if (keyword != nullptr) {
    out += std::string(", whose slots are filled with \"") + keyword + "\"";
  } else {
    out += ", which shows no props";
  }
  return out;
}

void TCompiler::ParsePlot(TStatement& S, int32_t Region, const std::string& RegionObject) {
  std::deque<TPlotDef>& list = Plots[Region];
  list.emplace_back();
  TPlotDef& p = list.back();
  const std::string object = "plot " + std::to_string(list.size()) + " of " + RegionObject;
  if (S.Words.size() < 2) {
    if (S.Block) SkipBlock();
    throw TStatementError{S.Line, "\"plot\" needs its figure: plot FIGURE at X Y ..."};
  }
  try {
    AssetToken(S.Words[1], TPoolClass::Figure, &p.Figure, object);
  } catch (const TStatementError&) {
    if (S.Block) SkipBlock();
    throw;
  }
  static const std::vector<std::string> fields = {"at",   "group", "param",  "sound",
                                                  "byte", "layer", "hidden", "visible"};
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    if (key == "at") {
      p.X = Float(a, key, "the plot's x");
      p.Y = Float(a, key, "the plot's y");
    } else if (key == "group") {
      Asset(a, key, TPoolClass::Group, &p.Group, object);
    } else if (key == "param") {
      p.ParamA = Int(a, key, "the first parameter");
      p.ParamB = Int(a, key, "the second parameter");
    } else if (key == "sound") {
      Asset(a, key, TPoolClass::Sound, &p.Sound, object);
    } else if (key == "byte") {
      p.ByteA = Byte(a, key, "the plot's byte");
    } else if (key == "layer") {
      const TToken& t = Next(a, key, "ground, upper or a layer number");
      int32_t v = 0;
      if (t.Text == "ground") {
        p.Layer = 0;
      } else if (t.Text == "upper") {
        p.Layer = 1;
      } else if (ParseInt32(t.Text, v) && v >= 0 && v <= 255) {
        p.Layer = static_cast<uint8_t>(v);
      } else {
        throw TStatementError{t.Line, "\"layer\" is ground, upper or a number from 0 to 255, not " + Quote(t.Text)};
      }
    } else if (key == "hidden") {
      p.Visible = false;
    } else if (key == "visible") {
      p.Visible = true;
    } else {
      UnknownField(key, k.Line, object, "a plot", fields);
    }
  };
  TArgs a{S, 2};
  try {
    while (a.More()) field(a);
  } catch (const TStatementError& e) {
    Report(e.Line, object, e.Message);
  }
  if (S.Block) {
    ParseBlockStatements(object, S.Line, [&](TStatement& s) {
      ExpectNoBlock(s);
      TArgs b{s, 0};
      while (b.More()) field(b);
    });
  }
}

void TCompiler::ParseSite(TStatement& S, int32_t Region, const std::string& RegionObject) {
  (void)RegionObject;
  const std::string id = TakeId(S, "site");
  const std::string object = "site " + id;
  TSiteDef def;
  def.Name = id;
  def.Region = Region;
  B.Sites.push_back(std::move(def));
  TSiteDef& site = B.Sites.back();
  const auto handle = static_cast<int32_t>(B.Sites.size());
  Places.Sites.push_back({File, S.Line, id});
  Places.Scenes.emplace_back();
  Declare(OkSite, id, handle, S.Line, object);
  size_t i = 2;
  std::optional<int32_t> number = HeaderNumber(S, i);
  int visitedUsed = 0;
  int needsUsed = 0;
  static const std::vector<std::string> fields = {"number",
                                                  "name",
                                                  "at",
                                                  "layout",
                                                  "icon",
                                                  "caption",
                                                  "hidden-until-entered",
                                                  "enter-on-reveal",
                                                  "keep-after-visit",
                                                  "mark-until-visited",
                                                  "ending",
                                                  "special",
                                                  "destination",
                                                  "region-music",
                                                  "needs-revealed",
                                                  "needs-entered",
                                                  "needs-visited",
                                                  "needs",
                                                  "reveal-group",
                                                  "reveal",
                                                  "reveal-spare",
                                                  "disappears-after",
                                                  "hint",
                                                  "next-guide",
                                                  "scene"};
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    int slot = 0;
    if (key == "number") {
      number = Int(a, key, "the site's number");
    } else if (key == "name") {
      site.Name = Next(a, key, "the name stored in the file").Text;
    } else if (key == "at") {
      site.X = Float(a, key, "the site's x on the map");
      site.Y = Float(a, key, "the site's y on the map");
    } else if (key == "layout") {
      site.LayoutA = Int(a, key, "the first layout number");
      site.LayoutB = Int(a, key, "the second layout number");
    } else if (key == "icon") {
      site.Icon = Int(a, key, "the frame of the site icons");
    } else if (key == "caption") {
      Asset(a, key, TPoolClass::Caption, &site.Caption, object);
    } else if (key == "hidden-until-entered") {
      site.HiddenUntilEntered = true;
    } else if (key == "enter-on-reveal") {
      site.EnterOnReveal = true;
    } else if (key == "keep-after-visit") {
      site.KeepAfterVisit = true;
    } else if (key == "mark-until-visited") {
      site.MarkUntilVisited = true;
    } else if (key == "ending") {
      site.Ending = true;
    } else if (key == "special") {
      const TToken& t = Next(a, key, "a special code");
      int32_t v = 0;
      if (const auto code = FindSpecialCode(t.Text)) {
        site.Special = *code;
      } else if (t.Type == TTok::Word && ParseInt32(t.Text, v)) {
        site.Special = v;
      } else {
        std::vector<std::string> names;
        for (const TSpecialRow& row : SpecialTable) names.emplace_back(row.Name);
        const std::string suggestion = Suggest(t.Text, names);
        throw TStatementError{t.Line, "unknown special code " + Quote(t.Text) +
                                          (suggestion.empty() ? "" : "; did you mean " + Quote(suggestion) + "?") +
                                          " Codes: " + SpecialCodeList() + ", or any number"};
      }
    } else if (key == "destination") {
      Ref(a, key, OkRegion, &site.Destination, object);
    } else if (key == "region-music") {
      Asset(a, key, TPoolClass::Sound, &site.RegionMusic, object);
    } else if (key == "needs-revealed") {
      Ref(a, key, OkSite, &site.NeedsRevealed, object);
    } else if (key == "needs-entered") {
      Ref(a, key, OkSite, &site.NeedsEntered, object);
    } else if (SlotKey(key, "needs-visited", 3, slot)) {
      if (slot < 0) slot = visitedUsed;
      if (slot >= 3) throw TStatementError{k.Line, "a site has three needs-visited conditions; this is a fourth"};
      visitedUsed = std::max(visitedUsed, slot + 1);
      Ref(a, key, OkSite, &site.NeedsVisited[static_cast<size_t>(slot)], object);
    } else if (SlotKey(key, "needs", 3, slot)) {
      if (slot < 0) slot = needsUsed;
      if (slot >= 3) throw TStatementError{k.Line, "a site has three needs conditions on props; this is a fourth"};
      needsUsed = std::max(needsUsed, slot + 1);
      Ref(a, key, OkProp, &site.Needs[static_cast<size_t>(slot)].Prop, object);
      site.Needs[static_cast<size_t>(slot)].Amount = Int(a, key, "the amount needed");
    } else if (key == "reveal-group") {
      Asset(a, key, TPoolClass::Group, &site.RevealGroup, object);
    } else if (key == "reveal-spare") {
      const int32_t bits = Int(a, key, "the unused bits after the last tile (0 to 8191)");
      if (bits < 0 || bits > 8191) throw TStatementError{k.Line, "\"reveal-spare\" is a number from 0 to 8191"};
      for (int b = 0; b < 13; ++b) {
        const int t = MapTiles + b;
        auto& byte = site.RevealTiles[static_cast<size_t>(t / 8)];
        const auto mask = static_cast<uint8_t>(1u << (t % 8));
        byte = static_cast<uint8_t>(((bits >> b) & 1) != 0 ? (byte | mask) : (byte & ~mask));
      }
    } else if (key == "disappears-after") {
      Ref(a, key, OkSite, &site.DisappearsAfter, object);
    } else if (key == "hint") {
      Ref(a, key, OkHint, &site.Hint, object);
    } else if (key == "next-guide") {
      Ref(a, key, OkSite, &site.NextGuide, object);
    } else if (key == "reveal" || key == "scene") {
      throw TStatementError{k.Line, "\"" + key + "\" starts a line of its own inside the site's { } block"};
    } else {
      UnknownField(key, k.Line, object, "a site", fields);
    }
  };
  ParseFields(S, i, object, field);
  if (S.Block) {
    ParseBlockStatements(object, S.Line, [&](TStatement& s) {
      const std::string& key = s.Words[0].Text;
      if (key == "scene") {
        ParseScene(s, handle, object);
      } else if (key == "reveal") {
        const std::vector<std::string> rows = ParseGrid(s, "the reveal tiles", object);
        for (size_t r = 0; r < rows.size(); ++r) {
          for (size_t c = 0; c < rows[r].size(); ++c) {
            const char ch = rows[r][c];
            const auto t = static_cast<int32_t>(r * MapColumns + c);
            if (ch == 'x' || ch == 'X' || ch == 'o' || ch == 'O' || ch == '*' || ch == '+') {
              site.RevealTile(t);
            } else if (ch != '.') {
              throw TStatementError{s.Line,
                                    "the reveal tiles are drawn with . (stays covered) and x (uncovered), "
                                    "not " +
                                        Quote(std::string(1, ch))};
            }
          }
        }
      } else {
        ExpectNoBlock(s);
        TArgs b{s, 0};
        while (b.More()) field(b);
      }
    });
  }
  Number(NkSite, &site.Number, number.has_value(), S.Line, object);
  if (number) site.Number = *number;
}

void TCompiler::ParseScene(TStatement& S, int32_t SiteHandle, const std::string& SiteObject) {
  TSiteDef& site = B.Site(SiteHandle);
  site.Scenes.emplace_back();
  TSceneDef& scene = site.Scenes.back();
  const size_t position = site.Scenes.size();
  Places.Scenes[static_cast<size_t>(SiteHandle - 1)].push_back({File, S.Line, ""});
  size_t i = 1;
  std::optional<int32_t> number;
  int32_t v = 0;
  if (S.Words.size() >= 3 && S.Words[1].Type == TTok::Word && ParseInt32(S.Words[1].Text, v)) {
    number = v;
    i = 2;
  }
  std::string object =
      "scene " + (number ? std::to_string(*number) : "#" + std::to_string(position)) + " of " + SiteObject;
  // The kind: the longest run of words that spells a kind's name.
  std::optional<int32_t> kind;
  size_t taken = 0;
  for (size_t n = std::min<size_t>(4, S.Words.size() - std::min(i, S.Words.size())); n >= 1; --n) {
    std::string text;
    for (size_t k = 0; k < n; ++k) text += S.Words[i + k].Text + " ";
    if (S.Words[i].Type == TTok::String && n > 1) continue;
    if (const auto found = FindSceneKind(text)) {
      kind = found;
      taken = n;
      break;
    }
  }
  if (!kind) {
    if (S.Block) SkipBlock();
    std::string given = i < S.Words.size() ? S.Words[i].Text : "";
    std::string suggestion;
    if (!given.empty()) {
      // Compare the kind's words (one or two of them) with the names, spaces and case aside.
      size_t best = std::string::npos;
      std::vector<std::string> names = AllKindNames();
      for (size_t n = 1; n <= 2 && i + n <= S.Words.size(); ++n) {
        std::string text;
        for (size_t k = 0; k < n; ++k) text += (k > 0 ? " " : "") + S.Words[i + k].Text;
        for (const std::string& name : names) {
          const size_t d = EditDistance(Normalize(text), Normalize(name));
          if (d < best && d <= std::max<size_t>(2, Normalize(name).size() / 3)) {
            best = d;
            suggestion = name;
            given = text;
          }
        }
      }
    }
    std::string message = given.empty() ? std::string("\"scene\" needs a kind: scene [NUMBER] KIND")
                                        : "unknown scene kind " + Quote(given);
    message += (suggestion.empty() ? "; kinds: " : "; did you mean " + Quote(suggestion) + "? Kinds: ") +
               JoinList(AllKindNames());
    Report(S.Line, object, message);
    Number(NkScene, &scene.Number, number.has_value(), S.Line, object, SiteHandle);
    if (number) scene.Number = *number;
    return;
  }
  scene.Kind = *kind;
  i += taken;
  int leftUsed = 0;
  int rightUsed = 0;
  int groupsUsed = 0;
  const int32_t leftSlots = SceneKindLeftSlots(scene.Kind);
  const int32_t rightSlots = SceneKindRightSlots(scene.Kind);
  static const std::vector<std::string> fields = {
      "number",      "repeatable", "leaves-site",     "flag3",  "dialog",
      "music",       "sound",      "illustration",    "frame",  "need",
      "lose",        "gain",       "trade",           "left",   "right",
      "achievement", "duration",   "execution-sound", "effect", "execution-value",
      "toggle"};
  auto slotFull = [&](int Slot, int32_t Count, const char* Keyword, int Line) {
    if (Slot < Count) return;
    const int wanted = std::min(Slot + 1, 7);
    std::string better;
    if (IsRequirementKind(scene.Kind)) {
      better = IsHiddenRequirementKind(scene.Kind) && wanted <= 3 ? "Hidden requirements " : "Requirements ";
    } else if (IsLossKind(scene.Kind)) {
      better = "Losses ";
    } else if (IsRewardKind(scene.Kind)) {
      better = "Rewards ";
    } else {
      better = "Barter ";
    }
    throw TStatementError{Line, std::string("\"") + SceneKindName(scene.Kind) + "\" has " + std::to_string(Count) +
                                    " slot" + (Count == 1 ? "" : "s") + "; \"" + Keyword + "\" number " +
                                    std::to_string(Slot + 1) + " does not fit" +
                                    (Slot < 7 ? " (use \"" + better + std::to_string(wanted) + "\")" : "")};
  };
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    int slot = 0;
    if (key == "number") {
      number = Int(a, key, "the scene's number");
    } else if (key == "repeatable") {
      scene.Repeatable = true;
    } else if (key == "leaves-site") {
      scene.LeavesSite = true;
    } else if (key == "flag3") {
      scene.Flag3 = true;
    } else if (key == "dialog") {
      scene.DialogX = Float(a, key, "the dialog's centre x");
      scene.DialogY = Float(a, key, "the dialog's centre y");
    } else if (key == "music") {
      Asset(a, key, TPoolClass::Sound, &scene.Music, object);
    } else if (key == "sound") {
      Asset(a, key, TPoolClass::Sound, &scene.Sound, object);
    } else if (key == "illustration") {
      Asset(a, key, TPoolClass::Picture, &scene.Illustration, object);
    } else if (key == "frame") {
      scene.IllustrationFrame = Int(a, key, "the frame of the illustration");
    } else if (SlotKey(key, "need", 7, slot) || SlotKey(key, "lose", 7, slot)) {
      const bool need = key.rfind("need", 0) == 0;
      if (need ? !IsRequirementKind(scene.Kind) : !IsLossKind(scene.Kind)) {
        throw TStatementError{k.Line, KindAdvice(scene.Kind, need ? "need" : "lose")};
      }
      if (slot < 0) slot = leftUsed;
      slotFull(slot, leftSlots, need ? "need" : "lose", k.Line);
      leftUsed = std::max(leftUsed, slot + 1);
      auto& s = scene.Left[static_cast<size_t>(slot)];
      Ref(a, key, OkProp, &s.Prop, object);
      s.Amount = Int(a, key, "the amount");
    } else if (SlotKey(key, "gain", 7, slot)) {
      if (!IsRewardKind(scene.Kind)) throw TStatementError{k.Line, KindAdvice(scene.Kind, "gain")};
      if (slot < 0) slot = rightUsed;
      slotFull(slot, rightSlots, "gain", k.Line);
      rightUsed = std::max(rightUsed, slot + 1);
      auto& s = scene.Right[static_cast<size_t>(slot)];
      Ref(a, key, OkProp, &s.Prop, object);
      s.Amount = Int(a, key, "the amount");
    } else if (SlotKey(key, "trade", 7, slot)) {
      if (!IsBarterKind(scene.Kind)) throw TStatementError{k.Line, KindAdvice(scene.Kind, "trade")};
      if (slot < 0) slot = std::max(leftUsed, rightUsed);
      slotFull(slot, leftSlots, "trade", k.Line);
      leftUsed = std::max(leftUsed, slot + 1);
      rightUsed = std::max(rightUsed, slot + 1);
      auto& l = scene.Left[static_cast<size_t>(slot)];
      auto& r = scene.Right[static_cast<size_t>(slot)];
      Ref(a, key, OkProp, &l.Prop, object);
      l.Amount = Int(a, key, "the amount paid");
      const TToken& f = Next(a, key, "\"for\"");
      if (f.Text != "for") {
        throw TStatementError{f.Line,
                              "a trade is written: trade PROP AMOUNT for PROP AMOUNT; \"for\" is missing "
                              "before " +
                                  Quote(f.Text)};
      }
      Ref(a, key, OkProp, &r.Prop, object);
      r.Amount = Int(a, key, "the amount received");
    } else if (SlotKey(key, "left", 7, slot) || SlotKey(key, "right", 7, slot)) {
      const bool left = key[0] == 'l';
      int& used = left ? leftUsed : rightUsed;
      if (slot < 0) slot = used;
      if (slot >= 7)
        throw TStatementError{k.Line, "a scene has seven " + std::string(left ? "left" : "right") + " slots"};
      used = std::max(used, slot + 1);
      auto& s = (left ? scene.Left : scene.Right)[static_cast<size_t>(slot)];
      Ref(a, key, OkProp, &s.Prop, object);
      s.Amount = Int(a, key, "the amount");
    } else if (key == "achievement") {
      Ref(a, key, OkAchievement, &scene.Achievement, object);
      scene.AchievementAmount = Int(a, key, "the progress it adds (0 or less: unlock)");
    } else if (key == "duration") {
      scene.Duration = Float(a, key, "the duration in seconds");
    } else if (key == "execution-sound") {
      Asset(a, key, TPoolClass::Sound, &scene.ExecutionSound, object);
    } else if (key == "effect") {
      Asset(a, key, TPoolClass::Effector, &scene.Effector, object);
    } else if (key == "execution-value") {
      scene.ExecutionValue = Int(a, key, "the execution value");
    } else if (SlotKey(key, "toggle", 4, slot)) {
      if (slot < 0) slot = groupsUsed;
      if (slot >= 4) throw TStatementError{k.Line, "a scene toggles at most four groups"};
      groupsUsed = std::max(groupsUsed, slot + 1);
      Asset(a, key, TPoolClass::Group, &scene.Groups[static_cast<size_t>(slot)], object);
    } else {
      UnknownField(key, k.Line, object, "a scene", fields);
    }
  };
  ParseFields(S, i, object, field);
  ParseFieldBlock(S, object, field);
  Number(NkScene, &scene.Number, number.has_value(), S.Line, object, SiteHandle);
  if (number) scene.Number = *number;
}

void TCompiler::ParseHint(TStatement& S) {
  const std::string id = TakeId(S, "hint");
  const std::string object = "hint " + id;
  THintDef def;
  def.Name = id;
  B.HintList.push_back(std::move(def));
  THintDef& h = B.HintList.back();
  Places.Hints.push_back({File, S.Line, id});
  Declare(OkHint, id, static_cast<int32_t>(B.HintList.size()), S.Line, object);
  size_t i = 2;
  std::optional<int32_t> number = HeaderNumber(S, i);
  int subsUsed = 0;
  static const std::vector<std::string> fields = {"number",        "name",          "goal",          "needs",
                                                  "until-visited", "after-visited", "until-entered", "outside-region",
                                                  "sub",           "route-only",    "show-need"};
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    int slot = 0;
    if (key == "number") {
      number = Int(a, key, "the hint's number");
    } else if (key == "name") {
      h.Name = Next(a, key, "the name stored in the file").Text;
    } else if (key == "goal") {
      Ref(a, key, OkProp, &h.Goal, object);
    } else if (key == "needs") {
      Ref(a, key, OkProp, &h.NeedsProp, object);
      h.NeedsAmount = Int(a, key, "the amount needed");
    } else if (key == "until-visited") {
      Ref(a, key, OkSite, &h.UntilVisited, object);
    } else if (key == "after-visited") {
      Ref(a, key, OkSite, &h.AfterVisited, object);
    } else if (key == "until-entered") {
      Ref(a, key, OkSite, &h.UntilEntered, object);
    } else if (key == "outside-region") {
      Ref(a, key, OkRegion, &h.OutsideRegion, object);
    } else if (SlotKey(key, "sub", 8, slot)) {
      if (slot < 0) slot = subsUsed;
      if (slot >= 8) throw TStatementError{k.Line, "a hint has eight sub-hints; this is a ninth"};
      subsUsed = std::max(subsUsed, slot + 1);
      Ref(a, key, OkHint, &h.SubHints[static_cast<size_t>(slot)], object);
      h.SubAmounts[static_cast<size_t>(slot)] =
          Int(a, key, "the amount the sub-hint is asked about (0: the same, below 0: times what is missing)");
    } else if (key == "route-only") {
      h.RouteOnly = true;
    } else if (key == "show-need") {
      h.ShowNeed = true;
    } else {
      UnknownField(key, k.Line, object, "a hint", fields);
    }
  };
  ParseFields(S, i, object, field);
  ParseFieldBlock(S, object, field);
  Number(NkHint, &h.Number, number.has_value(), S.Line, object);
  if (number) h.Number = *number;
}

void TCompiler::ParseAchievement(TStatement& S) {
  const std::string id = TakeId(S, "achievement");
  const std::string object = "achievement " + id;
  TAchievementDef def;
  def.Name = id;
  B.AchievementList.push_back(std::move(def));
  TAchievementDef& ach = B.AchievementList.back();
  Places.Achievements.push_back({File, S.Line, id});
  Declare(OkAchievement, id, static_cast<int32_t>(B.AchievementList.size()), S.Line, object);
  size_t i = 2;
  std::optional<int32_t> number = HeaderNumber(S, i);
  static const std::vector<std::string> fields = {"number", "name", "value",  "caption",     "hidden",
                                                  "target", "prop", "parent", "prerequisite"};
  auto field = [&](TArgs& a) {
    const TToken& k = a.S.Words[a.I++];
    const std::string& key = k.Text;
    if (key == "number") {
      number = Int(a, key, "the achievement's number");
    } else if (key == "name") {
      ach.Name = Next(a, key, "the name stored in the file").Text;
    } else if (key == "value") {
      ach.Value = Int(a, key, "the value shown with the achievement");
    } else if (key == "caption") {
      Asset(a, key, TPoolClass::Caption, &ach.Caption, object);
    } else if (key == "hidden") {
      ach.Hidden = true;
    } else if (key == "target") {
      ach.Target = Int(a, key, "the progress needed");
    } else if (key == "prop") {
      Ref(a, key, OkProp, &ach.Prop, object);
    } else if (key == "parent") {
      Ref(a, key, OkAchievement, &ach.Parent, object);
    } else if (key == "prerequisite") {
      Ref(a, key, OkAchievement, &ach.Prerequisite, object);
    } else {
      UnknownField(key, k.Line, object, "an achievement", fields);
    }
  };
  ParseFields(S, i, object, field);
  ParseFieldBlock(S, object, field);
  Number(NkAchievement, &ach.Number, number.has_value(), S.Line, object);
  if (number) ach.Number = *number;
}

void TCompiler::AssignNumbers() {
  static const char* const kindNames[NkCount] = {"prop", "region", "site", "scene", "hint", "achievement"};
  for (int kind = 0; kind < NkCount; ++kind) {
    std::set<int32_t> used;
    std::map<std::pair<int32_t, int32_t>, const TNumbered*> seen;  // (scope, number) -> first
    int32_t highest = 0;
    for (const TNumbered& n : Numbers) {
      if (n.Kind != kind || !n.Given) continue;
      used.insert(*n.Field);
      highest = std::max(highest, *n.Field);
      // Numbers that events resolve must be unique: regions and sites across the scenario, scenes
      // within their site.
      const bool checked = kind == NkRegion || kind == NkSite || kind == NkScene;
      if (!checked) continue;
      const int32_t scope = kind == NkScene ? n.SiteHandle : 0;
      const auto [it, fresh] = seen.insert({{scope, *n.Field}, &n});
      if (!fresh) {
        ReportIn(n.File, n.Line, n.Object,
                 std::string("the ") + kindNames[kind] + " number " + std::to_string(*n.Field) +
                     " is already used by " + it->second->Object + " (" + it->second->File + ":" +
                     std::to_string(it->second->Line) + "); saved games find " + kindNames[kind] + "s by number" +
                     (kind == NkScene ? " within their site" : "") + ", so each needs its own");
      }
    }
    int32_t next = highest;
    for (TNumbered& n : Numbers) {
      if (n.Kind != kind || n.Given) continue;
      do {
        ++next;
      } while (used.count(next) != 0);
      *n.Field = next;
      used.insert(next);
    }
  }
}

void TCompiler::AddFile(const TScenarioSourceFile& Source) {
  File = Source.Path;
  Tokens = Tokenize(Source.Text, File, Diagnostics);
  Pos = 0;
  TStatement s;
  for (;;) {
    if (!ReadStatement(s)) {
      if (!EndedByClose) break;
      Report(Tokens[Pos - 1].Line, "", "this } closes no block (remove it, or look for a { missing above)");
      continue;
    }
    if (s.Words.empty()) {
      Report(s.Line, "", "a { } block needs a statement in front of it");
      if (s.Block) SkipBlock();
      continue;
    }
    try {
      TopStatement(s);
    } catch (const TStatementError& e) {
      Report(e.Line, "", e.Message);
    }
  }
}

TScenarioCompileResult TCompiler::Finish() {
  Resolving = true;
  for (size_t i = 0; i < Deferred.size(); ++i) {
    try {
      Deferred[i]();
    } catch (const TStatementError& e) {
      Report(e.Line, "", e.Message);
    }
  }
  Deferred.clear();
  for (auto& [region, plots] : Plots) {
    B.Region(region).Plots.assign(plots.begin(), plots.end());
  }
  AssignNumbers();
  if (!HaveNextNumber) {
    int32_t highest = 0;
    for (const TNumbered& n : Numbers) highest = std::max(highest, *n.Field);
    B.NextNumber = highest;
  }
  if (!HaveStart && !B.RegionList.empty()) {
    const TSourcePlace& first = Places.Regions.front();
    ReportIn(first.File, 0, "scenario",
             "no start-region: name the region where a new game begins with \"start-region NAME\" (regions: " +
                 JoinList([&] {
                   std::vector<std::string> names;
                   for (const TSourcePlace& p : Places.Regions) names.push_back(p.Id);
                   return names;
                 }()) +
                 ")");
  }
  TScenarioCompileResult result;
  result.Ok = std::none_of(Diagnostics.begin(), Diagnostics.end(), [](const TScenarioDiagnostic& d) {
    return d.Severity == TScenarioDiagnostic::TSeverity::Error;
  });
  result.Scenario = std::move(B);
  result.Places = std::move(Places);
  result.Diagnostics = std::move(Diagnostics);
  return result;
}

}  // namespace

std::string ScenarioSourceName(std::string_view Name) {
  bool bare = !Name.empty() && Name != "none" && !LooksNumeric(Name);
  for (size_t i = 0; bare && i < Name.size(); ++i) {
    const char c = Name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    bare = i == 0 ? letter : (letter || digit || c == '-' || c == '.');
  }
  if (bare) return std::string(Name);
  std::string out = "\"";
  for (const char c : Name) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b >= 0x7F) {
      static const char digits[] = "0123456789ABCDEF";
      out += "\\x";
      out += digits[b >> 4];
      out += digits[b & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string ScenarioSourceFloat(float Value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value);
  std::string text(buffer, result.ptr);
  float back = 0;
  if (ParseFloat32(text, back) && std::memcmp(&back, &Value, sizeof back) == 0) return text;
  uint32_t bits = 0;
  std::memcpy(&bits, &Value, sizeof bits);
  std::snprintf(buffer, sizeof buffer, "bits:0x%08X", bits);
  return buffer;
}

TScenarioCompileResult CompileScenarioSources(const std::vector<TScenarioSourceFile>& Files) {
  TCompiler compiler;
  for (const TScenarioSourceFile& file : Files) compiler.AddFile(file);
  return compiler.Finish();
}

}  // namespace tv
