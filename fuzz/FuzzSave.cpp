// The save file reader on arbitrary bytes, and the replay of whatever events it holds over a
// small fixed world: events that match nothing are skipped, nothing may crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "authoring/GameScenarioWriter.h"
#include "base/EngineClasses.h"
#include "game/GameAvatar.h"
#include "game/GamePlayers.h"
#include "game/GamePool.h"
#include "game/GameScenario.h"
#include "game/GameScene.h"

#include "FuzzModel.h"

namespace {

std::string World() {
  tv::TScenarioBuilder b;
  const int32_t gold = b.AddProp("Gold", 0, 3);
  const int32_t r1 = b.AddRegion("A", 1);
  const int32_t r2 = b.AddRegion("B", 2);
  const int32_t a = b.AddSite(r1, "A1", 11);
  b.Site(a).Destination = r2;
  b.Site(a).RegionMusic = b.Asset(tv::TPoolClass::Sound, "J1");
  b.Site(a).Special = 444;
  b.AddScene(a, 111, tv::SceneKinds::Rewards(1)).Right[0] = {gold, 2};
  b.AddScene(a, 112, tv::SceneKinds::Barter(2)).Left[0] = {gold, 1};
  b.Site(a).Scenes.back().Right[0] = {gold, 3};
  const int32_t c = b.AddSite(r2, "B1", 21);
  b.AddScene(c, 211, tv::SceneKinds::Losses(1)).Left[0] = {gold, 1};
  b.AddScene(c, 212, tv::SceneKinds::Text).Repeatable = true;
  b.AddAchievement("Rich", 1, 5);
  b.Achievement(1).Prop = gold;
  return b.Build();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace tv;
  static const std::string world = World();
  const fuzz::TFuzzModel model;
  LoadScenarioBytes(world, "world");
  try {
    TSaveContents contents = ParseSaveFile(std::string_view(reinterpret_cast<const char*>(Data), Size), "fuzz");
    FreePlayersWithoutSaving();
    AddPlayer("");
    // Each player's events replayed over the world.
    for (auto& player : contents.Players) {
      CurrentPlayer()->Events->Clear();
      for (TItem* item : *player->Events) RecordEvent(TEvent::Create(static_cast<TEvent*>(item)->Data));
      Rebuild();
      Undo();
      Rebuild();
    }
  } catch (const EError&) {
  }
  return 0;
}
