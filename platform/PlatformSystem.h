// Operating-system services: paths, files and their locks, folder walks, code pages, clocks,
// the single-instance channel, the warning box and opening a document.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tv {

// ---- Paths and files ------------------------------------------------------------------------

// Full path of the running executable ("" when it cannot be read).
std::string ProgramFilePath();
// The per-user data folder without a trailing "/" ("" when the system names none): on Windows
// the roaming application data, elsewhere $XDG_DATA_HOME, else $HOME/.local/share.
// Paths are UTF-8 with "/" between folders on every platform (Windows takes "/" as well).
std::string UserDataFolder();

bool FileExists(const std::string& Path);       // a regular file
bool DirectoryExists(const std::string& Path);  // a folder
bool MakeDirectory(const std::string& Path);    // true when it exists afterwards
// Whether the program may list, read and create files in a folder; Why gets the reason when not.
bool FolderUsable(const std::string& Path, std::string* Why = nullptr);
bool DeleteFilePath(const std::string& Path);  // true when the file is gone afterwards
bool CopyFilePath(const std::string& From, const std::string& To);
// Replaces To with From in one step (on Windows written through to the disk before it returns).
bool RenameFilePath(const std::string& From, const std::string& To);
// Flushes a folder's entries (a rename or creation in it) to the disk.
bool SyncFolder(const std::string& Path);
// Test hook for a full disk: only Bytes more bytes may be written through TFileStream, and a write
// beyond them stops there and fails as on a full disk (errno ENOSPC). Negative: no limit (the
// default). The environment variable TOLVAREN_DISK_FULL=N sets the limit for a whole run.
void SetSimulatedDiskSpace(int64_t Bytes);
// Modification time packed as a FAT date and time (date in the high 16 bits), -1 when missing.
int32_t PackedFileTime(const std::string& Path);

// A file opened for reading or writing. Readers share the file with other readers only, a writer
// holds it alone, so a file being read cannot be replaced and one being written cannot be read
// (advisory locks on POSIX systems, which all copies of this program honour; share modes on
// Windows). Fd is the C runtime's descriptor on both.
class TFileStream {
 public:
  enum class Mode { Read, ReadSharedWrite, Create };
  // Opens the file; IsOpen() tells whether it worked.
  TFileStream(const std::string& Path, Mode mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  bool IsOpen() const { return Fd >= 0; }
  const std::string& Path() const { return FilePath; }
  // Size, Position, Seek and Read never throw: sound decoders call them from C callbacks.
  int64_t Size() const noexcept;
  int64_t Position() const noexcept;
  bool Seek(int64_t Offset) noexcept;
  // Reads up to Count bytes; returns how many were read (0 at the end or on failure).
  int64_t Read(void* Buffer, int64_t Count) noexcept;
  // Writes every byte; false on failure.
  bool Write(const void* Buffer, int64_t Count);
  bool Write(std::string_view Bytes) { return Write(Bytes.data(), static_cast<int64_t>(Bytes.size())); }
  // Flushes the file's data to the disk.
  bool Sync();
  // Reads from the current position to the end.
  std::string ReadRest();

 private:
  int Fd = -1;
  std::string FilePath;
};

// Walks the plain files of one folder (or, with Subfolders, its folders but "." and "..") in the
// order the file system lists them.
class TFolderWalk {
 public:
  explicit TFolderWalk(const std::string& Folder, bool Subfolders = false);
  ~TFolderWalk();
  TFolderWalk(const TFolderWalk&) = delete;
  TFolderWalk& operator=(const TFolderWalk&) = delete;
  // The next plain file's name with its extension; false when none is left.
  bool Next(std::string& FileName);

 private:
  void* Dir = nullptr;
  std::string FolderPath;
  bool Folders = false;
};

// ---- Code pages -----------------------------------------------------------------------------

// A single-byte code page (1250 to 1258, 874, 437, ...) as two tables, built once from the
// system's own conversion (MultiByteToWideChar on Windows, iconv elsewhere).
struct TCodePage {
  int Id = 1252;
  char16_t ToWide[256] = {};
  // For each UTF-16 code unit, the byte that holds it, or 0 when the code page cannot.
  uint8_t FromWide[65536] = {};
  char DefaultChar = '?';
};

// The tables of a code page, or nullptr when the system knows no such single-byte code page.
const TCodePage* CodePageTables(int Id);
// UTF-8 bytes to UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view Utf8);
std::string Utf16ToUtf8(std::u16string_view Text);
// UTF-16 to the code page; what it cannot hold becomes its default character.
std::string Utf16ToCodePage(std::u16string_view Text, const TCodePage& Page);
std::u16string CodePageToUtf16(std::string_view Text, const TCodePage& Page);

// ---- Clocks ---------------------------------------------------------------------------------

// The local calendar time of a moment (thread-safe, unlike std::localtime).
std::tm LocalTimeOf(std::time_t Time);

// Milliseconds since an arbitrary start (wraps like a 32-bit tick count).
uint32_t TickCount();
// A high-resolution counter and its frequency in counts per second.
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

// ---- Single instance ------------------------------------------------------------------------

// The first copy of the program owns a named channel (a named mutex on Windows, an abstract UNIX
// socket carrying the user id elsewhere); a second copy finds it taken, asks the owner to show
// its window and ends.
class TSingleInstance {
 public:
  explicit TSingleInstance(const std::string& Name);
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // True when this process now owns the channel.
  bool Acquire();
  // Asks the owner to show its window (on Windows: finds the window by its class and raises it);
  // false when nobody answered.
  bool NotifyOwner();
  // True when another copy has asked this owner to show its window since the last call.
  bool PollShowRequest();

 private:
  std::string Address;
  intptr_t Owner = -1;  // the listening socket, or the mutex's handle
};

// ---- Process --------------------------------------------------------------------------------

// Sets (Value not null) or removes an environment variable of this process.
void SetEnvValue(const char* Name, const char* Value);
// This process's id.
uint32_t CurrentProcessId();
// Runs a command line through the system's shell and waits; its exit status (128 + the signal's
// number when a signal ended it, -1 when it could not be started).
int RunShellCommand(const std::string& Command);

// ---- Desktop --------------------------------------------------------------------------------

// A modal warning box (MessageBoxW on Windows, SDL's message box elsewhere; standard error when
// there is no display; on Windows also when TOLVAREN_NO_MESSAGE_BOX=1, for runs that nobody
// watches).
void ShowWarningBox(const std::string& Text);
// Replaces the warning box, for tests; an empty function restores it.
void SetWarningBoxSink(std::function<void(const std::string&)> Sink);
// Opens a document with the desktop's default application (ShellExecuteW on Windows, xdg-open
// elsewhere; or the command named by $TOLVAREN_OPEN_COMMAND) in the document's folder, without
// waiting for it.
void OpenDocument(const std::string& Path);

}  // namespace tv
