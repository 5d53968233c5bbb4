// What the shared folder watcher asks of the system's change notification, one file per platform:
// inotify in PlatformFileWatchPosix.cpp; none in PlatformFileWatchWin.cpp, where the poll of
// modification times serves.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tv::filewatch {

// Starts watching the files directly inside each folder (each path ends in "/"). Returns the
// notification's handle, with Watches mapping each watch to its folder, or -1 where the system
// has no notification or no folder could be watched.
int OpenNotification(const std::vector<std::string>& Folders, std::map<int, std::string>& Watches);
void CloseNotification(int Handle);
// Hands every file written or moved in since the last call to Add (full paths); never blocks.
void ReadNotification(int Handle, const std::map<int, std::string>& Watches,
                      const std::function<void(const std::string&)>& Add);
// Whether this system has a change notification at all.
bool HasNotification();

}  // namespace tv::filewatch
