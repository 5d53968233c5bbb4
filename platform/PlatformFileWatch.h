// Watching folders for changed files: inotify where the system has it, otherwise a poll of the
// files' modification times at most once a second.
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
  // Whether the watch runs on inotify (else on the poll).
  bool Notified() const;
  // Test hook: watch by polling even where inotify exists.
  static void ForcePolling(bool Value);

 private:
  struct TState;
  std::unique_ptr<TState> State;
};

}  // namespace tv
