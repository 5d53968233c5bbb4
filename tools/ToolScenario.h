// Shared by the "scenario" commands: reading a scenario given as source files or as a scenario
// file, and writing output files so that a failed run leaves none behind.
#pragma once

#include <string>
#include <vector>

#include "authoring/GameScenarioCoverage.h"
#include "authoring/GameScenarioSource.h"
#include "tools/ToolCommands.h"

namespace tv::tool {

// The extension of scenario source files.
constexpr const char* ScenarioSourceExtension = ".tvs";

struct TScenarioInput {
  bool Ok = false;
  bool FromSource = false;  // compiled from source files (Places holds their places)
  TScenarioBuilder Scenario;
  TScenarioSourceMap Places;
  std::string Label;  // the scenario file's path, or the first source file
  std::vector<TScenarioDiagnostic> Diagnostics;
};

// Paths: one scenario file (".dat"), or source files and folders (every "*.tvs" inside a folder,
// sorted by name). Problems go to Diagnostics; Ok is false when there was an error.
TScenarioInput LoadScenarioInput(const std::vector<std::string>& Paths);

// The source files that Paths name, folders expanded; adds an error for a path that is missing.
std::vector<std::string> ExpandSourcePaths(const std::vector<std::string>& Paths,
                                           std::vector<TScenarioDiagnostic>& Diagnostics);

// Writes Bytes to Path through a temporary file in the same folder and a rename; false with the
// reason in Error when anything fails (the temporary file is removed).
bool WriteFileReplacing(const std::string& Path, const std::string& Bytes, std::string& Error);

// Prints each diagnostic on a line of stderr; returns the number of errors.
int PrintDiagnostics(const std::vector<TScenarioDiagnostic>& Diagnostics);

// LoadScenarioInput with its diagnostics printed; false when the scenario cannot be read (said
// for Command on stderr).
bool LoadScenarioForCommand(const TToolCommand& Command, const std::vector<std::string>& Paths, TScenarioInput& Input);

// Loads the scenario script ScriptBytes (when not empty), the scenario and one nameless player into
// the started model modules, as the game starts a new game; throws EError when they are refused.
void LoadIntoModel(const TScenarioInput& Input, const std::string& ScriptBytes);

// Plays the coverage of a scenario read by LoadScenarioInput in the headless model, with the
// scenario script ScriptBytes (may be empty); false with the reason when it cannot be played.
bool PlayCoverage(const TScenarioInput& Input, const std::string& ScriptBytes, const TCoverageOptions& Options,
                  TCoverageResult& Result, std::string& Why);

}  // namespace tv::tool
