// The game model: replaying a long game, loading a large scenario, saving a long game.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "authoring/GameScenarioWriter.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"

namespace tv {
namespace {

constexpr int32_t Regions = 50;
constexpr int32_t SitesPerRegion = 40;
constexpr int32_t ScenesPerSite = 6;

// 50 regions of 40 sites of 6 scenes; the later scenes repeat, so a site can be visited often.
std::string LargeScenario() {
  TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 10);
  const int32_t wood = b.AddProp("Wood", 4, 0);
  const int32_t group = b.Asset(TPoolClass::Group, "Lights");
  for (int32_t r = 1; r <= Regions; ++r) {
    b.AddRegion("Region" + std::to_string(r), r);
    for (int32_t p = 0; p < 20; ++p) {
      TPlotDef plot;
      plot.Group = p % 4 == 0 ? group : 0;
      b.Region(r).Plots.push_back(plot);
    }
    for (int32_t s = 1; s <= SitesPerRegion; ++s) {
      const int32_t site = b.AddSite(r, "Site" + std::to_string(r) + "_" + std::to_string(s), r * 1000 + s);
      b.Site(site).KeepAfterVisit = true;
      b.Site(site).Needs[0] = {gold, 1};
      for (int32_t c = 1; c <= ScenesPerSite; ++c) {
        TSceneDef& scene =
            b.AddScene(site, (r * 1000 + s) * 10 + c, c % 2 == 0 ? SceneKinds::Rewards(1) : SceneKinds::Barter(2));
        scene.Repeatable = c > 2;
        scene.Left[0] = {gold, 1};
        scene.Right[0] = {wood, 2};
        scene.Groups[0] = c == 1 ? group : 0;
      }
    }
  }
  return b.Build();
}

void Fresh() {
  FreePlayersWithoutSaving();
  DestroyScenario();
  DestroyPool();
  CreatePool();
  CreateScenario();
}

// About 100,000 events as a long game records them: every site revealed, entered and completed
// with all its scenes (barters with their counts), then repeat visits, with travel in between.
void RecordLongGame(int32_t Wanted) {
  auto record = [](TData d) { RecordEvent(TEvent::Create(d)); };
  int32_t round = 0;
  while (CurrentPlayer()->Events->GetCount() < Wanted) {
    ++round;
    for (int32_t r = 1; r <= Regions && CurrentPlayer()->Events->GetCount() < Wanted; ++r) {
      record({RegionChanged, r, 0, 0, 0, {}});
      for (int32_t s = 1; s <= SitesPerRegion; ++s) {
        const int32_t site = r * 1000 + s;
        if (round == 1) record({SiteRevealed, r, site, 0, 0, {}});
        record({SiteEntered, r, site, 0, 0, {}});
        if (round == 1) record({SiteFirstEntered, r, site, 0, 0, {}});
        for (int32_t c = 1; c <= ScenesPerSite; ++c) {
          if (round > 1 && c <= 2) continue;
          record({ScenePerformed, r, site, site * 10 + c, round, {}});
          if (c % 2 == 1) {
            record({BarterCounts, 1, 0, 0, 0, {}});
            record({BarterApplied, r, site, site * 10 + c, 0, {}});
          }
        }
        record({SiteCompleted, r, site, 0, 0, {}});
      }
    }
  }
}

void BM_ReplayLongGame(benchmark::State& State) {
  Fresh();
  LoadScenarioBytes(LargeScenario(), "benchmark");
  AddPlayer("Bench");
  RecordLongGame(100000);
  const int64_t events = CurrentPlayer()->Events->GetCount();
  for (auto _ : State) {
    Rebuild();
    benchmark::DoNotOptimize(Avatar()->State);
  }
  State.SetItemsProcessed(State.iterations() * events);
  State.counters["events"] = static_cast<double>(events);
  Fresh();
}
BENCHMARK(BM_ReplayLongGame)->Unit(benchmark::kMillisecond);

void BM_LoadLargeScenario(benchmark::State& State) {
  const std::string bytes = LargeScenario();
  for (auto _ : State) {
    State.PauseTiming();
    Fresh();
    State.ResumeTiming();
    LoadScenarioBytes(bytes, "benchmark");
    Rebuild();
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(bytes.size()));
  State.counters["sites"] = Regions * SitesPerRegion;
  State.counters["scenes"] = Regions * SitesPerRegion * ScenesPerSite;
  Fresh();
}
BENCHMARK(BM_LoadLargeScenario)->Unit(benchmark::kMillisecond);

void BM_SaveLongGame(benchmark::State& State) {
  Fresh();
  LoadScenarioBytes(LargeScenario(), "benchmark");
  AddPlayer("Bench");
  RecordLongGame(100000);
  const std::string path = (std::filesystem::temp_directory_path() / "tolvaren-bench-save.dat").string();
  for (auto _ : State) WriteSaveFile(path);
  State.SetItemsProcessed(State.iterations() * CurrentPlayer()->Events->GetCount());
  std::filesystem::remove(path);
  Fresh();
}
BENCHMARK(BM_SaveLongGame)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tv

BENCHMARK_MAIN();
