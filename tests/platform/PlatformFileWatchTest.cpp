// The folder watcher of the live reload: inotify, and the poll of time stamps that stands in where
// inotify is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/PlatformFileWatch.h"
#include "support/TestSupport.h"

namespace tv {
namespace {

// What the watcher reports within Seconds, gathered.
std::vector<std::string> Gather(TFileWatcher& Watcher, double Seconds) {
  std::vector<std::string> all;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(Seconds);
  while (std::chrono::steady_clock::now() < end) {
    for (const std::string& path : Watcher.Changes()) all.push_back(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return all;
}

TEST(PlatformFileWatch, ReportsWrittenAndRenamedFilesEachOnceByNotificationAndByPoll) {
  for (const bool polling : {false, true}) {
    SCOPED_TRACE(polling ? "poll" : "inotify");
    test::TTempDir dir;
    test::MakeDirs(dir / "a");
    test::WriteFile(dir / "a/old.txt", "1");
    TFileWatcher::ForcePolling(polling);
    TFileWatcher watcher;
    ASSERT_TRUE(watcher.Watch({dir / "a", dir / "missing"}));
    const bool notified = watcher.Notified();
    EXPECT_EQ(notified, !polling && TFileWatcher::CanNotify());
    EXPECT_TRUE(Gather(watcher, notified ? 0.1 : 1.2).empty());  // nothing changed yet
    // Written in place, and written beside and renamed over the file (as the tools and most editors save).
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    test::WriteFile(dir / "a/old.txt", "22");
    test::WriteFile(dir / "a/.new.tmp", "3");
    std::filesystem::rename(dir / "a/.new.tmp", dir / "a/new.txt");
    const std::vector<std::string> changes = Gather(watcher, notified ? 0.2 : 1.5);
    EXPECT_EQ(std::count(changes.begin(), changes.end(), dir / "a/old.txt"), 1);
    EXPECT_EQ(std::count(changes.begin(), changes.end(), dir / "a/new.txt"), 1);
    EXPECT_TRUE(Gather(watcher, notified ? 0.1 : 1.2).empty());
  }
  TFileWatcher::ForcePolling(false);
  TFileWatcher none;
  EXPECT_FALSE(none.Watch({"/nonexistent/folder"}));
}

}  // namespace
}  // namespace tv
