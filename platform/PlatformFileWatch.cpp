#include "platform/PlatformFileWatch.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>
#define TV_HAVE_INOTIFY 1
#endif

namespace tv {

namespace {
bool ForcedPolling = false;
}  // namespace

struct TFileWatcher::TState {
  int Fd = -1;
  std::map<int, std::string> Folders;  // inotify watch -> folder path (with a trailing "/")
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

TFileWatcher::~TFileWatcher() {
#ifdef TV_HAVE_INOTIFY
  if (State->Fd >= 0) close(State->Fd);
#endif
}

void TFileWatcher::ForcePolling(bool Value) { ForcedPolling = Value; }

bool TFileWatcher::Notified() const { return State->Fd >= 0; }

bool TFileWatcher::Watch(const std::vector<std::string>& Folders) {
  std::vector<std::string> existing;
  for (std::string folder : Folders) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) continue;
    if (folder.empty() || folder.back() != '/') folder += '/';
    if (std::find(existing.begin(), existing.end(), folder) == existing.end()) existing.push_back(folder);
  }
  if (existing.empty()) return false;
#ifdef TV_HAVE_INOTIFY
  if (!ForcedPolling) {
    State->Fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (State->Fd >= 0) {
      for (const std::string& folder : existing) {
        const int wd = inotify_add_watch(State->Fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
        if (wd >= 0) State->Folders[wd] = folder;
      }
      if (!State->Folders.empty()) return true;
      close(State->Fd);
      State->Fd = -1;
    }
  }
#endif
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
#ifdef TV_HAVE_INOTIFY
  if (State->Fd >= 0) {
    alignas(inotify_event) char buffer[8192];
    for (;;) {
      const ssize_t n = read(State->Fd, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        if (e->len == 0 || (e->mask & IN_ISDIR) != 0) continue;
        const auto folder = State->Folders.find(e->wd);
        if (folder == State->Folders.end()) continue;
        add(folder->second + e->name);
      }
    }
    return changed;
  }
#endif
  const auto now = std::chrono::steady_clock::now();
  if (State->PolledFolders.empty() || now - State->LastPoll < std::chrono::seconds(1)) return changed;
  State->LastPoll = now;
  std::vector<std::string> found;
  State->ReadTimes(&found);
  for (const std::string& path : found) add(path);
  return changed;
}

}  // namespace tv
