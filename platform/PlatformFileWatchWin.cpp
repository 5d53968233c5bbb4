// The folder watcher on Windows: no notification, so the shared poll of modification times (at
// most once a second) serves. The live reload is an author's aid, and a second's delay is fine.
#include "platform/PlatformFileWatchImpl.h"

namespace tv::filewatch {

bool HasNotification() { return false; }

int OpenNotification(const std::vector<std::string>& /*Folders*/, std::map<int, std::string>& /*Watches*/) {
  return -1;
}

void CloseNotification(int /*Handle*/) {}

void ReadNotification(int /*Handle*/, const std::map<int, std::string>& /*Watches*/,
                      const std::function<void(const std::string&)>& /*Add*/) {}

}  // namespace tv::filewatch
