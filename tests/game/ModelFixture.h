// A loaded game model for tests: pool, scenario, one player and headless screens, torn down
// again after each test.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/GameScenarioSource.h"
#include "authoring/GameScenarioWriter.h"
#include "engine/EngineScript.h"
#include "game/GameAchievement.h"
#include "game/GameAvatar.h"
#include "game/GameHeadless.h"
#include "game/GameHint.h"
#include "game/GameModules.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameProp.h"
#include "game/GameRegion.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"
#include "game/GameSite.h"

namespace tv::test {

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Modules.Start(ModelModules());
    AddPlayer("Tester");
  }

  void TearDown() override {
    Play.reset();
    Modules.Stop();
  }

  TStartedModules Modules;

  // Loads the scenario and starts the current player's game, with headless screens. Every file
  // the game accepts and the compiler could have written (site numbers unique) must also come
  // back byte for byte through the decompiler and the compiler.
  void Load(const TScenarioBuilder& Builder) {
    const std::string bytes = Builder.Build();
    LoadScenarioBytes(bytes, "test");
    ExpectSourceRoundTrip(bytes);
    Rebuild();
    Play = std::make_unique<THeadlessPlay>();
  }

  static void ExpectSourceRoundTrip(const std::string& Bytes) {
    const TScenarioBuilder read = ReadScenarioRecords(Bytes, "test");
    std::set<int32_t> numbers;
    for (const TSiteDef& site : read.Sites) {
      if (!numbers.insert(site.Number).second) return;
    }
    const std::string text = DecompileScenario(read, "test");
    const TScenarioCompileResult back = CompileScenarioSources({{"decompiled.tvs", text}});
    std::string errors;
    for (const TScenarioDiagnostic& d : back.Diagnostics) errors += d.Format() + "\n";
    ASSERT_TRUE(back.Ok) << errors << text;
    EXPECT_TRUE(back.Scenario.Build() == Bytes) << "the decompiled source compiles to other bytes:\n" << text;
  }

  // Advances to rest, failing the test when the avatar never rests.
  void Settle() { ASSERT_TRUE(Play->Settle()); }

  // Carries out an action line and settles.
  std::string Act(const std::string& Line) {
    std::string log = Play->Perform(Line);
    EXPECT_TRUE(Play->Settle());
    return log;
  }

  TSite* SiteNumbered(int32_t Number) {
    for (TItem* r : *Regions()) {
      for (TItem* s : *static_cast<TRegion*>(r)->Sites) {
        if (static_cast<TSite*>(s)->Number == Number) return static_cast<TSite*>(s);
      }
    }
    return nullptr;
  }
  TProp* PropNamed(const std::string& Name) {
    for (TItem* p : *Props()) {
      if (static_cast<TProp*>(p)->Name == Name) return static_cast<TProp*>(p);
    }
    return nullptr;
  }
  TPlayer* Player() { return CurrentPlayer(); }
  int32_t EventCount() { return Player()->Events->GetCount(); }
  std::vector<int32_t> EventKinds() {
    std::vector<int32_t> kinds;
    for (TItem* e : *Player()->Events) kinds.push_back(static_cast<TEvent*>(e)->Data.Kind);
    return kinds;
  }

  // Events as "kind region site scene value" lines, for readable comparisons.
  std::vector<std::string> EventLines() {
    std::vector<std::string> out;
    for (TItem* item : *Player()->Events) {
      const TData& d = static_cast<TEvent*>(item)->Data;
      out.push_back(std::to_string(d.Kind) + " " + std::to_string(d.Region) + " " + std::to_string(d.Site) + " " +
                    std::to_string(d.Scene) + " " + std::to_string(d.Value));
    }
    return out;
  }

  // Plays a script of action lines as the tool's "play" does (each line carried out, then the
  // avatar advanced to rest) and returns the log, one entry per action.
  std::vector<std::string> Script(const std::string& Lines) {
    std::vector<std::string> log;
    std::istringstream in(Lines);
    for (std::string line; std::getline(in, line);) {
      std::string entry = Play->Perform(line);
      if (entry.empty()) continue;
      log.push_back(std::move(entry));
      EXPECT_TRUE(Play->Settle()) << line;
    }
    return log;
  }

  std::unique_ptr<THeadlessPlay> Play;
};

}  // namespace tv::test
