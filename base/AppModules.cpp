#include "base/AppModules.h"

#include <exception>
#include <utility>

namespace tv {

void TStartedModules::Start(TModuleTable Table) {
  Stop();
  Modules = std::move(Table);
  for (const TModule& module : Modules) {
    // Counted before it starts, so that a start-up that fails half-way is shut down too.
    ++Started;
    if (module.StartUp) module.StartUp();
  }
}

void TStartedModules::Stop() {
  // A shutdown that throws must not keep the modules below it running: each is called in turn,
  // and the first exception is passed on once all have run.
  std::exception_ptr first;
  while (Started > 0) {
    --Started;
    const TModule& module = Modules[Started];
    if (!module.ShutDown) continue;
    try {
      module.ShutDown();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  Modules.clear();
  if (first) std::rethrow_exception(first);
}

}  // namespace tv
