// The module table: order, reverse shutdown after success and after a failed start-up, and the
// game model's table leaving nothing behind.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/AppModules.h"
#include "base/EngineClasses.h"
#include "engine/EngineGui.h"
#include "game/GameScreenNames.h"
#include "game/GameHeadless.h"
#include "game/GameModules.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"

namespace tv {
namespace {

// A table of named modules that write "+Name" when they start and "-Name" when they stop.
TModuleTable Recording(std::vector<std::string>& Log, const std::vector<std::string>& Names,
                       const std::string& FailingStart = "", const std::string& FailingStop = "") {
  TModuleTable table;
  for (const std::string& name : Names) {
    table.push_back({name,
                     [&Log, name, FailingStart] {
                       Log.push_back("+" + name);
                       if (name == FailingStart) throw EError("no " + name);
                     },
                     [&Log, name, FailingStop] {
                       Log.push_back("-" + name);
                       if (name == FailingStop) throw std::runtime_error("stuck " + name);
                     }});
  }
  return table;
}

using Lines = std::vector<std::string>;

TEST(ModuleTable, StartsInOrderAndStopsInReverseOnce) {
  Lines log;
  {
    TStartedModules modules;
    modules.Start(Recording(log, {"A", "B", "C"}));
    EXPECT_EQ(modules.StartedCount(), 3u);
    modules.Stop();
    modules.Stop();  // nothing left to stop
    EXPECT_EQ(modules.StartedCount(), 0u);
  }
  EXPECT_EQ(log, (Lines{"+A", "+B", "+C", "-C", "-B", "-A"}));

  // The destructor stops what is still running; starting again stops the old table first.
  log.clear();
  {
    TStartedModules modules;
    modules.Start(Recording(log, {"A", "B"}));
    modules.Start(Recording(log, {"X"}));
  }
  EXPECT_EQ(log, (Lines{"+A", "+B", "-B", "-A", "+X", "-X"}));
}

TEST(ModuleTable, AFailedStartUpShutsDownItselfAndTheModulesBeforeItOnly) {
  Lines log;
  TStartedModules modules;
  EXPECT_THROW(modules.Start(Recording(log, {"A", "B", "C"}, "B")), EError);
  EXPECT_EQ(log, (Lines{"+A", "+B"}));
  // The caller still has A and B (the program writes its log before they go).
  modules.Stop();
  EXPECT_EQ(log, (Lines{"+A", "+B", "-B", "-A"}));
}

TEST(ModuleTable, AShutdownThatThrowsDoesNotKeepTheOthersRunning) {
  Lines log;
  TStartedModules modules;
  modules.Start(Recording(log, {"A", "B", "C"}, "", "B"));
  EXPECT_THROW(modules.Stop(), std::runtime_error);
  EXPECT_EQ(log, (Lines{"+A", "+B", "+C", "-C", "-B", "-A"}));
  EXPECT_EQ(modules.StartedCount(), 0u);
}

TEST(ModuleTable, ModelModulesStartAndStopRepeatedlyLeavingNothing) {
  const TModuleTable table = ModelModules();
  std::vector<std::string> names;
  for (const TModule& m : table) names.push_back(m.Name);
  EXPECT_EQ(names, (Lines{"Texts", "Pool", "Scenario", "Players"}));

  THeadlessGui screens;
  SetGuiHandler(&screens);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    bool ran = false;
    {
      TStartedModules modules;
      modules.Start(ModelModules());
      ASSERT_NE(Pictures(), nullptr);
      AddPlayer("Round");
      EXPECT_EQ(PlayerCount(), 1);
      // A transition's callback pending when the model goes: it must never run afterwards.
      SwitchForm(gui::FormPlay, gui::TransitionFade, [&ran] { ran = true; });
      EXPECT_TRUE(screens.HasPending());
    }
    EXPECT_FALSE(screens.HasPending());
    screens.RunPending();
    EXPECT_FALSE(ran);
    EXPECT_EQ(Pictures(), nullptr);
    EXPECT_EQ(PlayerCount(), 0);
  }
  SetGuiHandler(nullptr);
}

struct TNamedThing : TNamedItem {
  explicit TNamedThing(const std::string& Name) { this->Name = Name; }
};

TEST(ContainerInsert, TakesOverAUniqueItemOnlyWhenItOwnsOrRecyclesItems) {
  TContainer owning(true, true);
  TNamedThing* b = owning.Insert(std::make_unique<TNamedThing>("b"), true);
  TNamedThing* a = owning.Insert(std::make_unique<TNamedThing>("a"), true);
  EXPECT_EQ(owning.First(), a);
  EXPECT_EQ(owning.Last(), b);
  EXPECT_EQ(b->Container, &owning);

  // A container that leaves its items to the caller cannot take one over: refused, not linked.
  TContainer borrowing(false, false);
  EXPECT_THROW(borrowing.Insert(std::make_unique<TNamedThing>("c"), false), EError);
  EXPECT_EQ(borrowing.GetCount(), 0);
  EXPECT_EQ(borrowing.First(), nullptr);
}

}  // namespace
}  // namespace tv
