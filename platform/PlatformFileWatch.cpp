#include "platform/PlatformFileWatch.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "platform/PlatformFileWatchImpl.h"

namespace tv {

namespace {
bool ForcedPolling = false;
}  // namespace

struct TFileWatcher::TState {
  int Fd = -1;
  std::map<int, std::string> Folders;  // notification watch -> folder path (with a trailing "/")
  // The poll: every file's modification time as last seen, and when the folders were last read.
  std::vector<std::string> PolledFolders;
  std::map<std::string, std::filesystem::file_time_type> Times;
  std::chrono::steady_clock::time_point LastPoll{};

  void ReadTimes(std::vector<std::string>* Changed) {
    std::map<std::string, std::filesystem::file_time_type> now;
    for (const std::string& folder : PolledFolders) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::error_code fileError;
        if (!entry.is_regular_file(fileError)) continue;
        const auto time = entry.last_write_time(fileError);
        if (fileError) continue;
        const std::string path = entry.path().string();
        now[path] = time;
        if (Changed == nullptr) continue;
        const auto old = Times.find(path);
        if (old == Times.end() || old->second != time) Changed->push_back(path);
      }
    }
    Times = std::move(now);
  }
};

TFileWatcher::TFileWatcher() : State(std::make_unique<TState>()) {}

TFileWatcher::~TFileWatcher() { filewatch::CloseNotification(State->Fd); }

void TFileWatcher::ForcePolling(bool Value) { ForcedPolling = Value; }

bool TFileWatcher::Notified() const { return State->Fd >= 0; }

bool TFileWatcher::CanNotify() { return filewatch::HasNotification(); }

bool TFileWatcher::Watch(const std::vector<std::string>& Folders) {
  std::vector<std::string> existing;
  for (std::string folder : Folders) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) continue;
    if (folder.empty() || folder.back() != '/') folder += '/';
    if (std::find(existing.begin(), existing.end(), folder) == existing.end()) existing.push_back(folder);
  }
  if (existing.empty()) return false;
  if (!ForcedPolling) {
    State->Fd = filewatch::OpenNotification(existing, State->Folders);
    if (State->Fd >= 0) return true;
    State->Folders.clear();
  }
  State->PolledFolders = existing;
  State->ReadTimes(nullptr);
  State->LastPoll = std::chrono::steady_clock::now();
  return true;
}

std::vector<std::string> TFileWatcher::Changes() {
  std::vector<std::string> changed;
  auto add = [&changed](const std::string& Path) {
    if (std::find(changed.begin(), changed.end(), Path) == changed.end()) changed.push_back(Path);
  };
  if (State->Fd >= 0) {
    filewatch::ReadNotification(State->Fd, State->Folders, add);
    return changed;
  }
  const auto now = std::chrono::steady_clock::now();
  if (State->PolledFolders.empty() || now - State->LastPoll < std::chrono::seconds(1)) return changed;
  State->LastPoll = now;
  std::vector<std::string> found;
  State->ReadTimes(&found);
  for (const std::string& path : found) add(path);
  return changed;
}

}  // namespace tv
