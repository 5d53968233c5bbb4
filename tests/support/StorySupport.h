// Scenario sources that tests of more than one binary compile.
#pragma once

#include <string>

namespace tv::test {

// A small story that needs buying: the Work site pays a coin each visit, the Smith sells a key for
// two coins, and the Gate, the ending, wants Keys keys. The player starts with InitialCoins.
inline std::string KeySmithStory(int InitialCoins, int Keys) {
  return "start-region Town\nprop Coin" + (InitialCoins != 0 ? " initial " + std::to_string(InitialCoins) : "") +
         R"(
prop Key Item
region Town 1 {
  site Work 10 { keep-after-visit; scene 100 Rewards 1 repeatable { gain Coin 1 } }
  site Smith 11 { keep-after-visit; scene 110 Barter 1 repeatable { trade Coin 2 for Key 1 } }
  site Gate 12 { ending; scene 120 Requirements 1 { need Key )" +
         std::to_string(Keys) + R"( } }
}
)";
}

}  // namespace tv::test
