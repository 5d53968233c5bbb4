// The system services on Windows: the module file name, the roaming application-data folder,
// files opened through share modes, MultiByteToWideChar for the code pages, a named mutex as the
// single-instance channel, MessageBoxW and ShellExecuteW. Paths are UTF-8 inside the program and
// UTF-16 at every call into the system, so folders with any characters in their names work.
#include "platform/PlatformSystem.h"

#include "platform/PlatformSystemImpl.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

// windows.h after the C runtime's headers.
#include "platform/PlatformWinApi.h"
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tv {

namespace {

std::wstring Wide(std::string_view Utf8) {
  const std::u16string text = Utf8ToUtf16(Utf8);
  return std::wstring(text.begin(), text.end());
}

// UTF-16 from the system to UTF-8 with "/" between folders.
std::string Narrow(const wchar_t* Text, size_t Length) {
  std::u16string text(Text, Text + Length);
  for (char16_t& c : text) {
    if (c == u'\\') c = u'/';
  }
  return Utf16ToUtf8(text);
}

// Maps the last system error to errno, so that callers report it the same way on every platform.
void SetErrnoFromLastError() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: errno = EACCES; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DIRECTORY: errno = ENOTDIR; break;
    default: errno = EIO; break;
  }
}

DWORD Attributes(const std::string& Path) { return GetFileAttributesW(Wide(Path).c_str()); }

}  // namespace

// ---- Paths and files ------------------------------------------------------------------------

std::string ProgramFilePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return Narrow(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string UserDataFolder() {
  // XDG_DATA_HOME, when it names an absolute folder, stands in for the roaming folder, as on other
  // systems: a copy run from a stick or a test keeps its data where it says.
  if (const wchar_t* xdg = _wgetenv(L"XDG_DATA_HOME")) {
    std::string path = Narrow(xdg, wcslen(xdg));
    const bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '/') || (!path.empty() && path[0] == '/');
    if (absolute) {
      while (path.size() > 3 && path.back() == '/') path.pop_back();
      return path;
    }
  }
  PWSTR path = nullptr;
  std::string folder;
  if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &path) == S_OK && path != nullptr) {
    folder = Narrow(path, wcslen(path));
  }
  CoTaskMemFree(path);
  while (folder.size() > 3 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool FileExists(const std::string& Path) {
  const DWORD a = Attributes(Path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& Path) {
  const DWORD a = Attributes(Path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& Path) {
  if (DirectoryExists(Path)) return true;
  return CreateDirectoryW(Wide(Path).c_str(), nullptr) != 0 || DirectoryExists(Path);
}

bool FolderUsable(const std::string& Path, std::string* Why) {
  auto fail = [&](const char* Reason) {
    if (Why != nullptr) *Why = Reason;
    return false;
  };
  const DWORD a = Attributes(Path);
  if (a == INVALID_FILE_ATTRIBUTES) {
    SetErrnoFromLastError();
    return fail(std::strerror(errno));
  }
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) return fail("not a folder");
  // Windows answers "may I create files here" only by trying: a probe file that goes away when
  // its handle is closed.
  std::string folder = Path;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  const std::wstring probe = Wide(folder + ".tolvaren-probe-" + std::to_string(GetCurrentProcessId()));
  const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return fail(std::strerror(errno));
  }
  CloseHandle(h);
  return true;
}

bool DeleteFilePath(const std::string& Path) {
  if (DeleteFileW(Wide(Path).c_str()) != 0) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
  SetErrnoFromLastError();
  return false;
}

bool RenameFilePath(const std::string& From, const std::string& To) {
  // Write-through: the move is on the disk when the call returns, as a folder sync makes it on
  // POSIX systems.
  if (MoveFileExW(Wide(From).c_str(), Wide(To).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return true;
  }
  SetErrnoFromLastError();
  return false;
}

bool SyncFolder(const std::string& Path) {
  // Folders cannot be flushed on Windows; RenameFilePath writes its move through instead.
  return DirectoryExists(Path.empty() ? std::string(".") : Path);
}

int32_t PackedFileTime(const std::string& Path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(Wide(Path).c_str(), GetFileExInfoStandard, &data) == 0) return -1;
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) == 0 || FileTimeToDosDateTime(&local, &date, &time) == 0) {
    return -1;
  }
  return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

TFileStream::TFileStream(const std::string& path, Mode mode) : FilePath(path) {
  const std::wstring name = Wide(path);
  HANDLE h = INVALID_HANDLE_VALUE;
  if (mode == Mode::Create) {
    // Nobody else may open the file while it is rewritten (share mode 0).
    h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE && SetEndOfFile(h) == 0) {
      SetErrnoFromLastError();
      CloseHandle(h);
      return;
    }
  } else {
    // Others may read at the same time; a writer holding the file makes the open fail, unless the
    // caller lets others write (debug mode).
    const DWORD share = mode == Mode::Read ? FILE_SHARE_READ : (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    h = CreateFileW(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
      CloseHandle(h);
      errno = EINVAL;
      return;
    }
  }
  if (h == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return;
  }
  Fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), (mode == Mode::Create ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
  if (Fd < 0) CloseHandle(h);
}

TFileStream::~TFileStream() {
  if (Fd >= 0) _close(Fd);
}

int64_t TFileStream::Size() const noexcept {
  if (Fd < 0) return 0;
  const int64_t size = _filelengthi64(Fd);
  return size < 0 ? 0 : size;
}

int64_t TFileStream::Position() const noexcept { return Fd < 0 ? 0 : _telli64(Fd); }

bool TFileStream::Seek(int64_t Offset) noexcept { return Fd >= 0 && _lseeki64(Fd, Offset, SEEK_SET) == Offset; }

// The C runtime moves at most an int's worth of bytes a call.
int64_t ReadFileOnce(int Fd, void* Buffer, int64_t Count) noexcept {
  return _read(Fd, Buffer, static_cast<unsigned>(std::min<int64_t>(Count, INT_MAX / 2)));
}

int64_t WriteFileOnce(int Fd, const void* Buffer, int64_t Count) noexcept {
  return _write(Fd, Buffer, static_cast<unsigned>(std::min<int64_t>(Count, INT_MAX / 2)));
}

bool TFileStream::Sync() {
  if (Fd < 0) return false;
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(Fd))) != 0) return true;
  SetErrnoFromLastError();
  return false;
}

namespace {
struct TFindState {
  HANDLE Find = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW Data{};
  bool Pending = false;  // Data holds an entry not handed out yet (the first one)
};
}  // namespace

TFolderWalk::TFolderWalk(const std::string& Folder, bool Subfolders) : FolderPath(Folder), Folders(Subfolders) {
  std::string pattern = Folder;
  if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '/';
  pattern += '*';
  auto state = std::make_unique<TFindState>();
  state->Find =
      FindFirstFileExW(Wide(pattern).c_str(), FindExInfoBasic, &state->Data, FindExSearchNameMatch, nullptr, 0);
  state->Pending = state->Find != INVALID_HANDLE_VALUE;
  Dir = state.release();  // the walk owns it until its destructor
}

TFolderWalk::~TFolderWalk() {
  const std::unique_ptr<TFindState> state(static_cast<TFindState*>(Dir));
  if (state->Find != INVALID_HANDLE_VALUE) FindClose(state->Find);
}

bool TFolderWalk::Next(std::string& FileName) {
  auto* state = static_cast<TFindState*>(Dir);
  if (state->Find == INVALID_HANDLE_VALUE) return false;
  for (;;) {
    if (!state->Pending && FindNextFileW(state->Find, &state->Data) == 0) return false;
    state->Pending = false;
    const bool folder = (state->Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder != Folders) continue;
    FileName = Narrow(state->Data.cFileName, wcslen(state->Data.cFileName));
    if (folder && (FileName == "." || FileName == "..")) continue;
    return true;
  }
}

// ---- Code pages -----------------------------------------------------------------------------

std::unique_ptr<TCodePage> BuildCodePage(int Id) {
  CPINFO info{};
  if (Id <= 0 || Id > 65535 || IsValidCodePage(static_cast<UINT>(Id)) == 0 ||
      GetCPInfo(static_cast<UINT>(Id), &info) == 0 || info.MaxCharSize != 1) {
    return nullptr;
  }
  auto page = std::make_unique<TCodePage>();
  page->Id = Id;
  page->DefaultChar = static_cast<char>(info.DefaultChar[0]);
  for (int b = 0; b < 256; ++b) {
    const char in = static_cast<char>(b);
    wchar_t out = 0;
    if (MultiByteToWideChar(static_cast<UINT>(Id), MB_ERR_INVALID_CHARS, &in, 1, &out, 1) == 1) {
      const auto unit = static_cast<char16_t>(out);
      page->ToWide[b] = unit;
      // The first byte that maps to a character keeps it (some pages map two bytes alike).
      if (page->FromWide[unit] == 0) page->FromWide[unit] = static_cast<uint8_t>(b);
    }
  }
  return page;
}

// ---- Clocks ---------------------------------------------------------------------------------

std::tm LocalTimeOf(std::time_t Time) {
  std::tm local{};
  localtime_s(&local, &Time);
  return local;
}

uint32_t TickCount() { return GetTickCount(); }

int64_t PerformanceCounter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t PerformanceFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

// ---- Single instance ------------------------------------------------------------------------

TSingleInstance::TSingleInstance(const std::string& Name) : Address("Local\\" + Name) {}

TSingleInstance::~TSingleInstance() {
  if (Owner != -1) CloseHandle(reinterpret_cast<HANDLE>(Owner));
}

bool TSingleInstance::Acquire() {
  if (Owner != -1) return true;
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide(Address).c_str());
  if (mutex == nullptr) return true;  // no channel to be had: run rather than refuse to start
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  Owner = reinterpret_cast<intptr_t>(mutex);
  return true;
}

bool TSingleInstance::NotifyOwner() {
  const std::wstring windowClass = Wide(WindowClassName);
  const HWND window = FindWindowW(windowClass.c_str(), nullptr);
  if (window == nullptr) return false;
  // Minimised, then restored: that brings a window of another process to the front.
  ShowWindowAsync(window, SW_SHOWMINIMIZED);
  ShowWindowAsync(window, SW_RESTORE);
  SetForegroundWindow(window);
  return true;
}

// The running copy is raised directly by the second one; nothing is asked of it.
bool TSingleInstance::PollShowRequest() { return false; }

// ---- Process --------------------------------------------------------------------------------

void SetEnvValue(const char* Name, const char* Value) {
  // Both the C runtime's copy (getenv) and the system's (SDL reads that one) change.
  _wputenv_s(Wide(Name).c_str(), Value != nullptr ? Wide(Value).c_str() : L"");
  SetEnvironmentVariableW(Wide(Name).c_str(), Value != nullptr ? Wide(Value).c_str() : nullptr);
}

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

int RunShellCommand(const std::string& Command) { return _wsystem(Wide(Command).c_str()); }

// ---- Desktop --------------------------------------------------------------------------------

void ShowWarningBox(const std::string& Text) {
  if (WarningSink()) {
    WarningSink()(Text);
    return;
  }
  std::fprintf(stderr, "%s\n", Text.c_str());
  std::fflush(stderr);
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  const char* noBox = std::getenv("TOLVAREN_NO_MESSAGE_BOX");
  const bool headless =
      (driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) ||
      (noBox != nullptr && noBox[0] != '\0' && std::strcmp(noBox, "0") != 0);
  if (!headless)
    MessageBoxW(nullptr, Wide(Text).c_str(), L"", MB_OK | MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
}

void OpenDocument(const std::string& Path) {
  const size_t slash = Path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? std::string(".") : Path.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? Path : Path.substr(slash + 1);
  const std::wstring wideFolder = Wide(folder);
  const char* command = std::getenv("TOLVAREN_OPEN_COMMAND");
  if (command != nullptr && command[0] != '\0') {
    std::wstring line = L"\"" + Wide(command) + L"\" \"" + Wide(file) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, wideFolder.c_str(), &startup,
                       &process) != 0) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    return;
  }
  // The shell may hand the document to a program that speaks COM.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteW(nullptr, nullptr, Wide(file).c_str(), nullptr, wideFolder.c_str(), SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace tv
