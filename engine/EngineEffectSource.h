// The readable source of an ".emt" effect file, for content authors.
//
// One statement a line; "#" starts a comment. The effect's own fields come first, then each
// "Emitter NAME" line starts an emitter whose fields follow it:
//
//     Offset 0 -20
//     Area 300 200
//
//     Emitter "Sparks"
//       Interval 0.1
//       PositionMode Area
//       SizeBase 24 24
//       AlphaCurve "0-1-0"
//
// Fields carry the names of the file's fields and take their values in the same order (two numbers
// for a point, three for a colour). A field that is not written keeps the placeholder emitter's
// value, so an emitter with no fields is the placeholder. Modes are written by name (the names are
// listed by EffectSourceReference), Booleans as true or false. Strings are quoted ("\"", "\\" and
// "\xHH" escape a quote, a backslash and any byte); a string without spaces may go unquoted.
//
// Decompiling writes Offset and Area and, for each emitter, the fields that differ from the
// placeholder, with numbers in their shortest exact form, so compiling the result gives back the
// same bytes.
#pragma once

#include <string>
#include <string_view>

#include "engine/EngineEffects.h"

namespace tv {

// The source text of an effect file's content.
std::string EffectFileToSource(const TEffectFile& File);
// Parses source text; raises EError "line N: ..." on the first mistake. The result is also
// checked as the game checks a file (intervals above 0, counts in range).
TEffectFile EffectFileFromSource(std::string_view Text);
// Every field with its arguments and, for modes, the names it accepts (one line each).
std::string EffectSourceReference();

}  // namespace tv
