// The module table: every module's start-up and shutdown, in start-up order, so that the game,
// the tool and the tests start and stop modules the same way. Shutdown runs in reverse order,
// and after a failed start-up it runs for exactly the modules that had started (the one that
// failed included: every shutdown is safe after a failed or missing start-up).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tv {

struct TModule {
  std::string Name;
  std::function<void()> StartUp;   // may be empty (a module with nothing to prepare)
  std::function<void()> ShutDown;  // may be empty; must clear everything the module installed
};

using TModuleTable = std::vector<TModule>;

// A started table: shuts down whatever it started when it is destroyed or stopped.
class TStartedModules {
 public:
  TStartedModules() = default;
  TStartedModules(const TStartedModules&) = delete;
  TStartedModules& operator=(const TStartedModules&) = delete;
  // Stops what is still started; a shutdown's exception cannot leave a destructor, so it is
  // dropped here (call Stop to see it).
  ~TStartedModules() {
    try {
      Stop();
    } catch (...) {
    }
  }

  // Starts the table's modules in order (stopping any started before). When one throws, the
  // exception goes on to the caller and Stop shuts down that module and those before it: the
  // caller may still need them (the program writes its log into the user folder first).
  void Start(TModuleTable Table);
  // Shuts the started modules down in reverse order (nothing when none are started).
  void Stop();
  size_t StartedCount() const { return Started; }

 private:
  TModuleTable Modules;
  size_t Started = 0;
};

}  // namespace tv
