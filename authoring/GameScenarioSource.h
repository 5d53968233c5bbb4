// The scenario source format: the readable text that content authors write (content/README.md
// describes it), its compiler into the records of the scenario file, and the decompiler that
// turns a scenario file back into source.
//
// Objects are named, never numbered by position; the compiler assigns positions (source order)
// and the numbers an author leaves out, and reports every problem it finds with the file, the
// line, the object and what would have been valid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/GameScenarioWriter.h"
#include "game/GameProp.h"
#include "game/GameScene.h"

namespace tv {

struct TScenarioDiagnostic {
  enum class TSeverity { Error, Warning };
  TSeverity Severity = TSeverity::Error;
  std::string File;    // empty when the problem has no place in a source file
  int Line = 0;        // 0 when unknown
  std::string Object;  // "site Dock", "scene 1012 of site Dock", ...; may be empty
  std::string Message;

  // "FILE:LINE: error: OBJECT: MESSAGE"
  std::string Format() const;
};

// Where an object came from: a source file and line, and the name the source gives it.
struct TSourcePlace {
  std::string File;
  int Line = 0;
  std::string Id;
};

// The places of a compiled scenario's objects, indexed like the builder's lists (sites by handle,
// scenes by site handle and position in the site).
struct TScenarioSourceMap {
  std::vector<TSourcePlace> Props, Regions, Sites, Hints, Achievements;
  std::vector<std::vector<TSourcePlace>> Scenes;
  TSourcePlace EntryPoints;  // the first entry-point statement (start-region, ...)
};

struct TScenarioSourceFile {
  std::string Path;  // used in messages
  std::string Text;
};

struct TScenarioCompileResult {
  bool Ok = false;  // no errors (warnings allowed)
  TScenarioBuilder Scenario;
  TScenarioSourceMap Places;
  std::vector<TScenarioDiagnostic> Diagnostics;
};

// Compiles the source files, in the order given, into one scenario.
TScenarioCompileResult CompileScenarioSources(const std::vector<TScenarioSourceFile>& Files);

// Source text for the scenario: compiling it alone gives a builder whose Build() equals
// Scenario.Build(). Fails with EError when the scenario holds a reference beyond the objects it
// lists (such a file cannot be described by names).
std::string DecompileScenario(const TScenarioBuilder& Scenario, const std::string& Origin = "");

// A name as source text: bare when it reads back as the same name (letters, digits, "_", "-" and
// ".", not starting with a digit or sign, not "none"), otherwise double-quoted with \" \\ and \xHH.
std::string ScenarioSourceName(std::string_view Name);
// A 32-bit float as source text that reads back to the same bits ("12", "-0.25", "bits:0x7FC00001").
std::string ScenarioSourceFloat(float Value);

// ---- The vocabulary -------------------------------------------------------------------------

// The model's counts (game/GameScene.h, game/GameProp.h) under the names the tools use.
constexpr int32_t ScenarioSceneKindCount = SceneKindCount;
constexpr int32_t ScenarioPropKindCount = PropKindCount;

// "Barter 2" for 34; "" outside 0..39.
const char* SceneKindName(int32_t Kind);
int32_t SceneKindLeftSlots(int32_t Kind);
int32_t SceneKindRightSlots(int32_t Kind);
// The kind whose name matches Text, ignoring letter case, spaces and punctuation ("barter2",
// "Barter 2", "illustrated-text-top").
std::optional<int32_t> FindSceneKind(std::string_view Text);
// The kind groups (IsRequirementKind, IsLossKind, ...) are the model's, in game/GameScene.h.
// Kinds whose window shows the scene's text (and so need a "SceneLegendH" text), "Floating text"
// included.
bool SceneKindShowsText(int32_t Kind);

// "Property", "Title", "Skill", "Companion", "Item"; "" outside 0..4.
const char* PropKindName(int32_t Kind);
std::optional<int32_t> FindPropKind(std::string_view Text);

// The source name of a special code ("unlock-map" for 3), or "" for a code without a name.
const char* SpecialCodeName(int32_t Code);
std::optional<int32_t> FindSpecialCode(std::string_view Name);
// Every named code, for messages: "none (0), unlock-hint (1), ...".
std::string SpecialCodeList();

}  // namespace tv
