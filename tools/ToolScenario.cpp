#include "tools/ToolScenario.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/EngineClasses.h"
#include "engine/EngineScript.h"
#include "game/GamePlayers.h"
#include "game/GameScenario.h"
#include "platform/PlatformSystem.h"

namespace tv::tool {

namespace fs = std::filesystem;

namespace {

bool IsDatFile(const std::string& Path) { return fs::path(Path).extension() == ".dat"; }

}  // namespace

std::vector<std::string> ExpandSourcePaths(const std::vector<std::string>& Paths,
                                           std::vector<TScenarioDiagnostic>& Diagnostics) {
  std::vector<std::string> out;
  for (const std::string& path : Paths) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      std::vector<std::string> inside;
      for (const auto& entry : fs::directory_iterator(path, ec)) {
        if (entry.is_regular_file() && entry.path().extension() == ScenarioSourceExtension) {
          inside.push_back(entry.path().string());
        }
      }
      std::sort(inside.begin(), inside.end());
      if (inside.empty()) {
        Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, path, 0, "",
                               std::string("the folder holds no source files (*") + ScenarioSourceExtension + ")"});
      }
      out.insert(out.end(), inside.begin(), inside.end());
    } else if (fs::is_regular_file(path, ec)) {
      out.push_back(path);
    } else {
      Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, path, 0, "", "no such file or folder"});
    }
  }
  return out;
}

TScenarioInput LoadScenarioInput(const std::vector<std::string>& Paths) {
  TScenarioInput input;
  if (Paths.size() == 1 && IsDatFile(Paths[0])) {
    input.Label = Paths[0];
    std::string bytes;
    if (!ReadBytes(Paths[0], bytes)) {
      input.Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, Paths[0], 0, "", "cannot read the file"});
      return input;
    }
    try {
      input.Scenario = ReadScenarioRecords(bytes, Paths[0]);
      input.Ok = true;
    } catch (const EError& e) {
      input.Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, "", 0, "", e.what()});
    }
    return input;
  }
  input.FromSource = true;
  const std::vector<std::string> files = ExpandSourcePaths(Paths, input.Diagnostics);
  std::vector<TScenarioSourceFile> sources;
  for (const std::string& file : files) {
    TScenarioSourceFile source{file, ""};
    if (!ReadBytes(file, source.Text)) {
      input.Diagnostics.push_back({TScenarioDiagnostic::TSeverity::Error, file, 0, "", "cannot read the file"});
      continue;
    }
    sources.push_back(std::move(source));
  }
  if (!files.empty()) input.Label = files.front();
  const bool readAll = input.Diagnostics.empty();
  TScenarioCompileResult result = CompileScenarioSources(sources);
  input.Diagnostics.insert(input.Diagnostics.end(), result.Diagnostics.begin(), result.Diagnostics.end());
  input.Scenario = std::move(result.Scenario);
  input.Places = std::move(result.Places);
  input.Ok = readAll && result.Ok && !files.empty();
  return input;
}

void LoadIntoModel(const TScenarioInput& Input, const std::string& ScriptBytes) {
  if (!ScriptBytes.empty()) LoadScript(ScriptBytes, true, false);
  LoadScenarioBytes(Input.Scenario.Build(), Input.Label);
  AddPlayer("");
}

bool LoadScenarioForCommand(const TToolCommand& Command, const std::vector<std::string>& Paths, TScenarioInput& Input) {
  Input = LoadScenarioInput(Paths);
  PrintDiagnostics(Input.Diagnostics);
  if (Input.Ok) return true;
  Failure(Command, "the scenario cannot be read");
  return false;
}

bool WriteFileReplacing(const std::string& Path, const std::string& Bytes, std::string& Error) {
  const fs::path target(Path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const fs::path temporary = folder / ("." + target.filename().string() + ".tmp" + std::to_string(CurrentProcessId()));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      Error = "cannot create \"" + temporary.string() + "\"";
      return false;
    }
    out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    out.flush();
    if (!out) {
      Error = "cannot write \"" + temporary.string() + "\"";
      out.close();
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temporary, target, ec);
  if (ec) {
    Error = "cannot replace \"" + Path + "\": " + ec.message();
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

int PrintDiagnostics(const std::vector<TScenarioDiagnostic>& Diagnostics) {
  int errors = 0;
  for (const TScenarioDiagnostic& d : Diagnostics) {
    std::fprintf(stderr, "%s\n", d.Format().c_str());
    errors += d.Severity == TScenarioDiagnostic::TSeverity::Error ? 1 : 0;
  }
  return errors;
}

}  // namespace tv::tool
