// The folder watcher's notification on Linux: inotify, told of files closed after writing and of
// files moved in (the tools and most editors write beside a file and rename over it).
#include <sys/inotify.h>
#include <unistd.h>

#include "platform/PlatformFileWatchImpl.h"

namespace tv::filewatch {

bool HasNotification() { return true; }

int OpenNotification(const std::vector<std::string>& Folders, std::map<int, std::string>& Watches) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return -1;
  for (const std::string& folder : Folders) {
    const int wd = inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (wd >= 0) Watches[wd] = folder;
  }
  if (!Watches.empty()) return fd;
  close(fd);
  return -1;
}

void CloseNotification(int Handle) {
  if (Handle >= 0) close(Handle);
}

void ReadNotification(int Handle, const std::map<int, std::string>& Watches,
                      const std::function<void(const std::string&)>& Add) {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    const ssize_t n = read(Handle, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      if (e->len == 0 || (e->mask & IN_ISDIR) != 0) continue;
      const auto folder = Watches.find(e->wd);
      if (folder == Watches.end()) continue;
      Add(folder->second + e->name);
    }
  }
}

}  // namespace tv::filewatch
