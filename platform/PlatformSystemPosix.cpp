// The system services on Linux and other POSIX systems: /proc/self/exe, the XDG data folder,
// advisory file locks, iconv for the code pages, an abstract UNIX socket as the single-instance
// channel, xdg-open and SDL's message box.
#include "platform/PlatformSystem.h"

#include "platform/PlatformSystemImpl.h"

#include <SDL.h>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace tv {

// ---- Paths and files ------------------------------------------------------------------------

std::string ProgramFilePath() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<size_t>(n));
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    std::string path(xdg);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    std::string path(home);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path + "/.local/share";
  }
  return {};
}

bool FileExists(const std::string& Path) {
  struct stat st {};
  return stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& Path) {
  struct stat st {};
  return stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& Path) {
  if (DirectoryExists(Path)) return true;
  return mkdir(Path.c_str(), 0755) == 0 || DirectoryExists(Path);
}

bool FolderUsable(const std::string& Path, std::string* Why) {
  auto fail = [&](const char* Reason) {
    if (Why != nullptr) *Why = Reason;
    return false;
  };
  struct stat st {};
  if (stat(Path.c_str(), &st) != 0) return fail(std::strerror(errno));
  if (!S_ISDIR(st.st_mode)) return fail("not a folder");
  if (access(Path.c_str(), R_OK | W_OK | X_OK) != 0) return fail(std::strerror(errno));
  return true;
}

bool DeleteFilePath(const std::string& Path) { return unlink(Path.c_str()) == 0 || errno == ENOENT; }

bool RenameFilePath(const std::string& From, const std::string& To) { return rename(From.c_str(), To.c_str()) == 0; }

bool SyncFolder(const std::string& Path) {
  const int fd = open(Path.empty() ? "." : Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

int32_t PackedFileTime(const std::string& Path) {
  struct stat st {};
  if (stat(Path.c_str(), &st) != 0) return -1;
  struct tm t {};
  localtime_r(&st.st_mtime, &t);
  const uint32_t year = static_cast<uint32_t>(std::max(t.tm_year + 1900 - 1980, 0));
  const uint32_t date = (year << 9) | (static_cast<uint32_t>(t.tm_mon + 1) << 5) | static_cast<uint32_t>(t.tm_mday);
  const uint32_t time = (static_cast<uint32_t>(t.tm_hour) << 11) | (static_cast<uint32_t>(t.tm_min) << 5) |
                        static_cast<uint32_t>(t.tm_sec / 2);
  return static_cast<int32_t>((date << 16) | time);
}

TFileStream::TFileStream(const std::string& path, Mode mode) : FilePath(path) {
  if (mode == Mode::Create) {
    Fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (Fd < 0) return;
    // Exclusive: nobody may hold the file open for reading while it is rewritten.
    if (flock(Fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(Fd, 0) != 0) {
      close(Fd);
      Fd = -1;
    }
    return;
  }
  Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return;
  struct stat st {};
  if (fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(Fd);
    Fd = -1;
    return;
  }
  // Others may read at the same time; a writer holding the file makes the open fail, unless the
  // caller lets others write (debug mode).
  if (mode == Mode::Read && flock(Fd, LOCK_SH | LOCK_NB) != 0) {
    close(Fd);
    Fd = -1;
  }
}

TFileStream::~TFileStream() {
  if (Fd >= 0) close(Fd);
}

int64_t TFileStream::Size() const noexcept {
  struct stat st {};
  if (Fd < 0 || fstat(Fd, &st) != 0) return 0;
  return st.st_size;
}

int64_t TFileStream::Position() const noexcept { return Fd < 0 ? 0 : lseek(Fd, 0, SEEK_CUR); }

bool TFileStream::Seek(int64_t Offset) noexcept { return Fd >= 0 && lseek(Fd, Offset, SEEK_SET) == Offset; }

int64_t ReadFileOnce(int Fd, void* Buffer, int64_t Count) noexcept {
  for (;;) {
    const ssize_t n = read(Fd, Buffer, static_cast<size_t>(Count));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t WriteFileOnce(int Fd, const void* Buffer, int64_t Count) noexcept {
  for (;;) {
    const ssize_t n = write(Fd, Buffer, static_cast<size_t>(Count));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

bool TFileStream::Sync() { return Fd >= 0 && fsync(Fd) == 0; }

TFolderWalk::TFolderWalk(const std::string& Folder, bool Subfolders) : FolderPath(Folder), Folders(Subfolders) {
  if (!FolderPath.empty() && FolderPath.back() != '/') FolderPath += '/';
  Dir = opendir(Folder.empty() ? "." : Folder.c_str());
}

TFolderWalk::~TFolderWalk() {
  if (Dir != nullptr) closedir(static_cast<DIR*>(Dir));
}

bool TFolderWalk::Next(std::string& FileName) {
  if (Dir == nullptr) return false;
  while (dirent* entry = readdir(static_cast<DIR*>(Dir))) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool plain = entry->d_type == DT_REG;
    bool folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      plain = FileExists(FolderPath + name);
      folder = DirectoryExists(FolderPath + name);
    }
    if (!(Folders ? folder : plain)) continue;
    FileName = name;
    return true;
  }
  return false;
}

// ---- Code pages -----------------------------------------------------------------------------

std::unique_ptr<TCodePage> BuildCodePage(int Id) {
  const std::string name = "CP" + std::to_string(Id);
  iconv_t cd = iconv_open("UTF-16LE", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
  auto page = std::make_unique<TCodePage>();
  page->Id = Id;
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char out[8] = {};
    char* inPtr = &in;
    char* outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == sizeof out - 2) {
      const auto unit = static_cast<char16_t>(static_cast<uint8_t>(out[0]) | (static_cast<uint8_t>(out[1]) << 8));
      page->ToWide[b] = unit;
      // The first byte that maps to a character keeps it (some pages map two bytes alike).
      if (page->FromWide[unit] == 0) page->FromWide[unit] = static_cast<uint8_t>(b);
    }
  }
  iconv_close(cd);
  return page;
}

// ---- Clocks ---------------------------------------------------------------------------------

std::tm LocalTimeOf(std::time_t Time) {
  std::tm local{};
  localtime_r(&Time, &local);
  return local;
}

uint32_t TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

int64_t PerformanceCounter() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t PerformanceFrequency() { return 1000000000; }

// ---- Single instance ------------------------------------------------------------------------

namespace {

sockaddr_un AbstractAddress(const std::string& Address, socklen_t& Length) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  // A leading NUL byte puts the name in the abstract namespace: no file, gone with the process.
  const size_t n = std::min(Address.size(), sizeof addr.sun_path - 1);
  std::memcpy(addr.sun_path + 1, Address.data(), n);
  Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return addr;
}

}  // namespace

TSingleInstance::TSingleInstance(const std::string& Name) : Address(Name + "-" + std::to_string(getuid())) {}

TSingleInstance::~TSingleInstance() {
  if (Owner >= 0) close(static_cast<int>(Owner));
}

bool TSingleInstance::Acquire() {
  if (Owner >= 0) return true;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // no channel to be had: run rather than refuse to start
  socklen_t length = 0;
  const sockaddr_un addr = AbstractAddress(Address, length);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), length) != 0) {
    close(fd);
    return false;
  }
  listen(fd, 4);
  Owner = fd;
  return true;
}

bool TSingleInstance::NotifyOwner() {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  socklen_t length = 0;
  const sockaddr_un addr = AbstractAddress(Address, length);
  bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0;
  if (ok) ok = send(fd, "show", 4, MSG_NOSIGNAL) == 4;
  close(fd);
  return ok;
}

bool TSingleInstance::PollShowRequest() {
  if (Owner < 0) return false;
  bool asked = false;
  for (;;) {
    const int fd = accept4(static_cast<int>(Owner), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) break;
    asked = true;
    close(fd);
  }
  return asked;
}

// ---- Process --------------------------------------------------------------------------------

void SetEnvValue(const char* Name, const char* Value) {
  if (Value != nullptr) {
    setenv(Name, Value, 1);
  } else {
    unsetenv(Name);
  }
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

int RunShellCommand(const std::string& Command) {
  const int status = std::system(Command.c_str());
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// ---- Desktop --------------------------------------------------------------------------------

void ShowWarningBox(const std::string& Text) {
  if (WarningSink()) {
    WarningSink()(Text);
    return;
  }
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  const bool headless =
      driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
  if (headless || SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "", Text.c_str(), nullptr) != 0) {
    std::fprintf(stderr, "%s\n", Text.c_str());
  }
}

void OpenDocument(const std::string& Path) {
  const char* command = std::getenv("TOLVAREN_OPEN_COMMAND");
  const std::string program = (command != nullptr && command[0] != '\0') ? command : "xdg-open";
  const size_t slash = Path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : Path.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? Path : Path.substr(slash + 1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::string arg0 = program;
  std::string arg1 = file;
  char* argv[] = {arg0.data(), arg1.data(), nullptr};
  pid_t pid = 0;
  posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
}

}  // namespace tv
