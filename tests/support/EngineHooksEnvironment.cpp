// Every test binary runs with the hooks the program installs at start-up (default texts, the
// main window's size, full-screen state and caption), so that modules tested on their own behave
// as they do inside the program. Tests that stop the program's module table put them back.
#include <gtest/gtest.h>

#include "app/AppGame.h"

namespace tv::test {
namespace {

class TEngineHooksEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InstallEngineHooks(); }
  void TearDown() override { ClearEngineHooks(); }
};

// GoogleTest takes ownership of the environment it is handed.
[[maybe_unused]] ::testing::Environment* const Registered =
    ::testing::AddGlobalTestEnvironment(new TEngineHooksEnvironment);

}  // namespace
}  // namespace tv::test
