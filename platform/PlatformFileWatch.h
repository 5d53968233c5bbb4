// Watching folders for changed files: the system's notification where it has one (inotify),
// otherwise a poll of the files' modification times at most once a second.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tv {

class TFileWatcher {
 public:
  TFileWatcher();
  ~TFileWatcher();
  TFileWatcher(const TFileWatcher&) = delete;
  TFileWatcher& operator=(const TFileWatcher&) = delete;

  // Watches the files directly inside each folder (a folder that does not exist is left out).
  // False when no folder could be watched.
  bool Watch(const std::vector<std::string>& Folders);
  // The files written, created or moved into a watched folder since the last call, each once, as
  // full paths in the order first seen; never blocks.
  std::vector<std::string> Changes();
  // Whether the watch runs on the system's notification (else on the poll).
  bool Notified() const;
  // Whether this system has a notification to run on (inotify on Linux; Windows polls).
  static bool CanNotify();
  // Test hook: watch by polling even where inotify exists.
  static void ForcePolling(bool Value);

 private:
  struct TState;
  std::unique_ptr<TState> State;
};

}  // namespace tv
