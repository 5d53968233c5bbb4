#include "engine/EngineEffectSource.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <set>
#include <variant>
#include <vector>

namespace tv {

namespace {

using TNames = std::vector<std::string_view>;

const TNames EmissionNames = {"Endless", "Timed"};
const TNames FlagNames = {"false", "true"};
const TNames CountNames = {"None", "Fixed", "AreaDensity", "PerimeterDensity"};
const TNames PositionNames = {"Point", "Rectangle",   "HorizontalLine", "VerticalLine", "RectangleOutline",
                              "Area",  "AreaOutline", "Midpoint"};
const TNames DirectionNames = {"Fixed", "Spread", "Random", "AwayFromP0", "TowardsP0", "TowardsP2"};
const TNames DistanceNames = {"Fixed", "Spread", "FromP0", "FromP2", "FromP2Scaled"};
const TNames SizeNames = {"Fixed", "Spread", "Distance", "DistanceWidth", "DistanceHeight"};
const TNames AngleNames = {"Fixed", "Spread", "Random", "Direction"};
const TNames SpinNames = {"Fixed", "Spread"};
const TNames ColorNames = {"Fixed", "Between"};
const TNames AlphaNames = {"Fixed", "Spread"};
const TNames LifetimeNames = {"Fixed", "BySpeed"};

using F = TEmitterFields;
using TMember = std::variant<float F::*, TVector F::*, TVector3 F::*, int32_t F::*, uint8_t F::*, std::string F::*>;

// One field of an emitter. Integer fields with Names are modes: written by name; with Open set,
// any other byte value is allowed too and written as a number.
struct TField {
  const char* Name;
  TMember Member;
  const TNames* Names = nullptr;
  bool Open = false;
};

const TField Fields[] = {
    {"Interval", &F::Interval},
    {"Delay", &F::Delay},
    {"Mode", &F::Mode, &EmissionNames, true},
    {"Duration", &F::Duration},
    {"CountMode", &F::CountMode, &CountNames},
    {"Count", &F::Count},
    {"Density", &F::Density},
    {"World", &F::World, &FlagNames, true},
    {"RandomFlip", &F::RandomFlip, &FlagNames, true},
    {"Prewarm", &F::Prewarm},
    {"ShadingMode", &F::ShadingModeName},
    {"Texture0", &F::Texture0Name},
    {"Segment0", &F::Segment0},
    {"Texture1", &F::Texture1Name},
    {"Segment1", &F::Segment1},
    {"PositionMode", &F::PositionMode, &PositionNames},
    {"P0", &F::P0},
    {"P1", &F::P1},
    {"P2", &F::P2},
    {"DirectionMode", &F::DirectionMode, &DirectionNames},
    {"DirectionBase", &F::DirectionBase},
    {"DirectionSpread", &F::DirectionSpread},
    {"DistanceMode", &F::DistanceMode, &DistanceNames},
    {"DistanceBase", &F::DistanceBase},
    {"DistanceSpread", &F::DistanceSpread},
    {"SizeMode", &F::SizeMode, &SizeNames},
    {"SizeBase", &F::SizeBase},
    {"SizeSpread", &F::SizeSpread},
    {"AngleMode", &F::AngleMode, &AngleNames},
    {"AngleBase", &F::AngleBase},
    {"AngleSpread", &F::AngleSpread},
    {"SpinMode", &F::SpinMode, &SpinNames},
    {"SpinBase", &F::SpinBase},
    {"SpinSpread", &F::SpinSpread},
    {"ColorMode", &F::ColorMode, &ColorNames},
    {"ColorA", &F::ColorA},
    {"ColorB", &F::ColorB},
    {"AlphaMode", &F::AlphaMode, &AlphaNames},
    {"AlphaBase", &F::AlphaBase},
    {"AlphaSpread", &F::AlphaSpread},
    {"LifetimeMode", &F::LifetimeMode, &LifetimeNames},
    {"LifetimeBase", &F::LifetimeBase},
    {"LifetimeSpeed", &F::LifetimeSpeed},
    {"MotionCurveOn", &F::MotionCurveOn, &FlagNames, true},
    {"MotionCurve", &F::MotionCurve},
    {"ScaleCurveOn", &F::ScaleCurveOn, &FlagNames, true},
    {"ScaleEnd", &F::ScaleEnd},
    {"ScaleCurve", &F::ScaleCurve},
    {"SpinCurveOn", &F::SpinCurveOn, &FlagNames, true},
    {"SpinCurve", &F::SpinCurve},
    {"ColorChangeOn", &F::ColorChangeOn, &FlagNames, true},
    {"ColorEnd", &F::ColorEnd},
    {"AlphaCurveOn", &F::AlphaCurveOn, &FlagNames, true},
    {"AlphaCurve", &F::AlphaCurve},
};

// ---- Writing --------------------------------------------------------------------------------

std::string FloatText(float V) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, V);
  return std::string(buffer, result.ptr);
}

std::string QuotedText(const std::string& S) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : S) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b >= 0x7F) {
      out += "\\x";
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string ModeText(int32_t V, const TField& f) {
  if (V >= 0 && static_cast<size_t>(V) < f.Names->size()) return std::string((*f.Names)[static_cast<size_t>(V)]);
  return std::to_string(V);
}

// The field's value as text, and whether it differs from the placeholder's.
bool FieldText(const TEmitterFields& e, const TField& f, std::string& Text) {
  static const TEmitterFields defaults;
  return std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(e.*member)>;
        const T& v = e.*member;
        const T& d = defaults.*member;
        if constexpr (std::is_same_v<T, float>) {
          Text = FloatText(v);
          return !SameFloat(v, d);
        } else if constexpr (std::is_same_v<T, TVector>) {
          Text = FloatText(v.X) + " " + FloatText(v.Y);
          return !VectorsEqual(v, d);
        } else if constexpr (std::is_same_v<T, TVector3>) {
          Text = FloatText(v.X) + " " + FloatText(v.Y) + " " + FloatText(v.Z);
          return !Vector3Equal(v, d);
        } else if constexpr (std::is_same_v<T, std::string>) {
          Text = QuotedText(v);
          return v != d;
        } else {
          Text = f.Names != nullptr ? ModeText(v, f) : std::to_string(v);
          return v != d;
        }
      },
      f.Member);
}

// ---- Reading --------------------------------------------------------------------------------

[[noreturn]] void Fail(int Line, const std::string& Message) {
  throw EError("line " + std::to_string(Line) + ": " + Message);
}

// Cuts one line into tokens; quoted tokens come back unescaped with Quoted set.
struct TToken {
  std::string Text;
  bool Quoted = false;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<TToken> Tokenize(std::string_view Line, int LineNo) {
  std::vector<TToken> tokens;
  size_t i = 0;
  while (i < Line.size()) {
    const char c = Line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      TToken t;
      t.Quoted = true;
      ++i;
      for (;;) {
        if (i >= Line.size()) Fail(LineNo, "unterminated string");
        const char s = Line[i++];
        if (s == '"') break;
        if (s != '\\') {
          t.Text += s;
          continue;
        }
        if (i >= Line.size()) Fail(LineNo, "unterminated string");
        const char esc = Line[i++];
        if (esc == '"' || esc == '\\') {
          t.Text += esc;
        } else if (esc == 'x' && i + 1 < Line.size() && HexDigit(Line[i]) >= 0 && HexDigit(Line[i + 1]) >= 0) {
          t.Text += static_cast<char>(HexDigit(Line[i]) * 16 + HexDigit(Line[i + 1]));
          i += 2;
        } else {
          Fail(LineNo, "unknown escape in string (use \\\", \\\\ or \\xHH)");
        }
      }
      tokens.push_back(std::move(t));
    } else {
      TToken t;
      while (i < Line.size() && Line[i] != ' ' && Line[i] != '\t' && Line[i] != '\r' && Line[i] != '#' &&
             Line[i] != '"') {
        t.Text += Line[i++];
      }
      tokens.push_back(std::move(t));
    }
  }
  return tokens;
}

float ParseFloat(const TToken& t, int LineNo, const char* Field) {
  float v = 0;
  const char* first = t.Text.data();
  const char* last = first + t.Text.size();
  const auto result = std::from_chars(first, last, v);
  if (t.Quoted || result.ec != std::errc() || result.ptr != last || !std::isfinite(v)) {
    Fail(LineNo, std::string(Field) + ": \"" + t.Text + "\" is not a finite number");
  }
  return v;
}

int64_t ParseInteger(const TToken& t, int LineNo, const char* Field, int64_t Lo, int64_t Hi) {
  int64_t v = 0;
  const char* first = t.Text.data();
  const char* last = first + t.Text.size();
  const auto result = std::from_chars(first, last, v);
  if (t.Quoted || result.ec != std::errc() || result.ptr != last || v < Lo || v > Hi) {
    Fail(LineNo, std::string(Field) + ": \"" + t.Text + "\" is not an integer from " + std::to_string(Lo) + " to " +
                     std::to_string(Hi));
  }
  return v;
}

int64_t ParseMode(const TToken& t, int LineNo, const TField& f, int64_t Hi) {
  for (size_t i = 0; i < f.Names->size(); ++i) {
    if (!t.Quoted && t.Text == (*f.Names)[i]) return static_cast<int64_t>(i);
  }
  if (f.Open && !t.Text.empty() && (std::isdigit(static_cast<unsigned char>(t.Text[0])) != 0)) {
    return ParseInteger(t, LineNo, f.Name, 0, Hi);
  }
  std::string known;
  for (std::string_view n : *f.Names) known += (known.empty() ? "" : ", ") + std::string(n);
  Fail(LineNo, std::string(f.Name) + ": unknown value \"" + t.Text + "\" (one of " + known + ")");
}

void ExpectArgs(const std::vector<TToken>& tokens, size_t Count, int LineNo) {
  if (tokens.size() - 1 != Count) {
    Fail(LineNo, tokens[0].Text + " takes " + std::to_string(Count) + (Count == 1 ? " value" : " values") + ", not " +
                     std::to_string(tokens.size() - 1));
  }
}

void ParseField(TEmitterFields& e, const TField& f, const std::vector<TToken>& tokens, int LineNo) {
  std::visit(
      [&](auto member) {
        using T = std::remove_cvref_t<decltype(e.*member)>;
        T& v = e.*member;
        if constexpr (std::is_same_v<T, float>) {
          ExpectArgs(tokens, 1, LineNo);
          v = ParseFloat(tokens[1], LineNo, f.Name);
        } else if constexpr (std::is_same_v<T, TVector>) {
          ExpectArgs(tokens, 2, LineNo);
          v = {ParseFloat(tokens[1], LineNo, f.Name), ParseFloat(tokens[2], LineNo, f.Name)};
        } else if constexpr (std::is_same_v<T, TVector3>) {
          ExpectArgs(tokens, 3, LineNo);
          v = {ParseFloat(tokens[1], LineNo, f.Name), ParseFloat(tokens[2], LineNo, f.Name),
               ParseFloat(tokens[3], LineNo, f.Name)};
        } else if constexpr (std::is_same_v<T, std::string>) {
          ExpectArgs(tokens, 1, LineNo);
          v = tokens[1].Text;
        } else if constexpr (std::is_same_v<T, uint8_t>) {
          ExpectArgs(tokens, 1, LineNo);
          v = static_cast<uint8_t>(ParseMode(tokens[1], LineNo, f, 255));
        } else {
          ExpectArgs(tokens, 1, LineNo);
          v = static_cast<int32_t>(f.Names != nullptr ? ParseMode(tokens[1], LineNo, f, 255)
                                                      : ParseInteger(tokens[1], LineNo, f.Name, INT32_MIN, INT32_MAX));
        }
      },
      f.Member);
}

const TField* FindField(std::string_view Name) {
  for (const TField& f : Fields) {
    if (Name == f.Name) return &f;
  }
  return nullptr;
}

}  // namespace

std::string EffectFileToSource(const TEffectFile& File) {
  std::string out;
  out += "Offset " + FloatText(File.Offset.X) + " " + FloatText(File.Offset.Y) + "\n";
  out += "Area " + FloatText(File.Area.X) + " " + FloatText(File.Area.Y) + "\n";
  for (const TEmitterRecord& e : File.Emitters) {
    out += "\nEmitter " + QuotedText(e.Name) + "\n";
    std::string text;
    for (const TField& f : Fields) {
      if (FieldText(e, f, text)) out += std::string("  ") + f.Name + " " + text + "\n";
    }
  }
  return out;
}

TEffectFile EffectFileFromSource(std::string_view Text) {
  TEffectFile file;
  std::set<std::string> seen;  // fields given so far in the current section
  int lineNo = 0;
  size_t start = 0;
  while (start <= Text.size()) {
    size_t end = Text.find('\n', start);
    if (end == std::string_view::npos) end = Text.size();
    const std::string_view line = Text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    const std::vector<TToken> tokens = Tokenize(line, lineNo);
    if (tokens.empty()) continue;
    if (tokens[0].Quoted) Fail(lineNo, "a line starts with a field name, not a string");
    const std::string& key = tokens[0].Text;
    if (key == "Emitter") {
      ExpectArgs(tokens, 1, lineNo);
      TEmitterRecord record;
      record.Name = tokens[1].Text;
      file.Emitters.push_back(std::move(record));
      seen.clear();
      continue;
    }
    if (!seen.insert(key).second) Fail(lineNo, key + " is given twice");
    if (key == "Offset" || key == "Area") {
      if (!file.Emitters.empty()) Fail(lineNo, key + " belongs to the effect, before the first Emitter");
      ExpectArgs(tokens, 2, lineNo);
      const TVector v = {ParseFloat(tokens[1], lineNo, key.c_str()), ParseFloat(tokens[2], lineNo, key.c_str())};
      (key == "Offset" ? file.Offset : file.Area) = v;
      continue;
    }
    const TField* field = FindField(key);
    if (field == nullptr) Fail(lineNo, "unknown field \"" + key + "\"");
    if (file.Emitters.empty()) Fail(lineNo, key + " belongs to an emitter: start one with Emitter NAME");
    ParseField(file.Emitters.back(), *field, tokens, lineNo);
  }
  if (file.Emitters.empty()) throw EError("no Emitter in the source");
  // The game refuses what its reader refuses; say so now rather than at run time.
  try {
    ReadEffectFile(WriteEffectFile(file));
  } catch (const EError& e) {
    throw EError(std::string("the game would refuse this effect: ") + e.what());
  }
  return file;
}

std::string EffectSourceReference() {
  std::string out = "Offset X Y\nArea W H\nEmitter NAME\n";
  for (const TField& f : Fields) {
    std::string line = std::string("  ") + f.Name;
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(std::declval<TEmitterFields>().*member)>;
          if constexpr (std::is_same_v<T, float>) line += " NUMBER";
          if constexpr (std::is_same_v<T, TVector>) line += " X Y";
          if constexpr (std::is_same_v<T, TVector3>) line += " R G B";
          if constexpr (std::is_same_v<T, std::string>) line += " \"TEXT\"";
          if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, uint8_t>) {
            if (f.Names == nullptr) {
              line += " INTEGER";
            } else {
              std::string names;
              for (std::string_view n : *f.Names) names += (names.empty() ? "" : "|") + std::string(n);
              line += " " + names + (f.Open ? "|0..255" : "");
            }
          }
        },
        f.Member);
    std::string def;
    static const TEmitterFields defaults;
    FieldText(defaults, f, def);
    out += line + "   (default " + def + ")\n";
  }
  return out;
}

}  // namespace tv
