// The parts of the system services that are the same on every platform: UTF-8 and UTF-16, the
// code-page tables' cache, reading and writing an open file (over each platform's single read
// and write), the simulated full disk and the warning box's test sink.
#include "platform/PlatformSystem.h"

#include "platform/PlatformSystemImpl.h"
#include "platform/PlatformUtf8.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

namespace tv {

// ---- Files ----------------------------------------------------------------------------------

int64_t& SimulatedDiskSpace() {
  static int64_t space = [] {
    const char* text = std::getenv("TOLVAREN_DISK_FULL");
    if (text == nullptr || text[0] == '\0') return int64_t{-1};
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    return *end == '\0' && value >= 0 ? static_cast<int64_t>(value) : int64_t{-1};
  }();
  return space;
}

void SetSimulatedDiskSpace(int64_t Bytes) { SimulatedDiskSpace() = Bytes < 0 ? -1 : Bytes; }

int64_t TFileStream::Read(void* Buffer, int64_t Count) noexcept {
  if (Fd < 0 || Count <= 0) return 0;
  int64_t done = 0;
  auto* out = static_cast<char*>(Buffer);
  while (done < Count) {
    const int64_t n = ReadFileOnce(Fd, out + done, Count - done);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

// Writes all of Buffer, or as much as the simulated disk still holds (then fails with ENOSPC).
bool TFileStream::Write(const void* Buffer, int64_t Count) {
  if (Fd < 0) return false;
  int64_t& space = SimulatedDiskSpace();
  const int64_t fits = space >= 0 && Count > space ? space : Count;
  int64_t done = 0;
  const auto* in = static_cast<const char*>(Buffer);
  bool ok = true;
  while (done < fits) {
    const int64_t n = WriteFileOnce(Fd, in + done, fits - done);
    if (n <= 0) {
      ok = false;
      break;
    }
    done += n;
  }
  if (space >= 0) space -= done;
  if (ok && fits < Count) {
    errno = ENOSPC;
    ok = false;
  }
  return ok;
}

bool CopyFilePath(const std::string& From, const std::string& To) {
  TFileStream in(From, TFileStream::Mode::Read);
  if (!in.IsOpen()) return false;
  const std::string bytes = in.ReadRest();
  TFileStream out(To, TFileStream::Mode::Create);
  return out.IsOpen() && out.Write(bytes);
}

std::string TFileStream::ReadRest() {
  std::string bytes;
  const int64_t rest = Size() - Position();
  if (rest > 0) {
    bytes.resize(static_cast<size_t>(rest));
    bytes.resize(static_cast<size_t>(Read(bytes.data(), rest)));
  }
  // Files whose size the system does not know in advance (pipes, /proc) are read to their end.
  char chunk[4096];
  for (int64_t n; (n = Read(chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<size_t>(n));
  return bytes;
}

// ---- Code pages -----------------------------------------------------------------------------

const TCodePage* CodePageTables(int Id) {
  static std::mutex lock;
  static std::map<int, std::unique_ptr<TCodePage>> pages;
  std::lock_guard<std::mutex> guard(lock);
  auto found = pages.find(Id);
  if (found == pages.end()) found = pages.emplace(Id, BuildCodePage(Id)).first;
  return found->second.get();
}

std::u16string Utf8ToUtf16(std::string_view Utf8) {
  std::u16string out;
  out.reserve(Utf8.size());
  const auto* s = reinterpret_cast<const uint8_t*>(Utf8.data());
  size_t i = 0;
  while (i < Utf8.size()) DecodeUtf8Sequence(s, Utf8.size(), i, [&](char16_t Unit) { out.push_back(Unit); });
  return out;
}

std::string Utf16ToUtf8(std::u16string_view Text) {
  std::string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    uint32_t cp = Text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (Text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string Utf16ToCodePage(std::u16string_view Text, const TCodePage& Page) {
  std::string out(Text.size(), '\0');
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t unit = Text[i];
    const uint8_t b = Page.FromWide[unit];
    out[i] = (b != 0 || unit == 0) ? static_cast<char>(b) : Page.DefaultChar;
  }
  return out;
}

std::u16string CodePageToUtf16(std::string_view Text, const TCodePage& Page) {
  std::u16string out(Text.size(), u'\0');
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t unit = Page.ToWide[static_cast<uint8_t>(Text[i])];
    out[i] = (unit != 0 || Text[i] == 0) ? unit : u'\uFFFD';
  }
  return out;
}

// ---- Desktop --------------------------------------------------------------------------------

std::function<void(const std::string&)>& WarningSink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

void SetWarningBoxSink(std::function<void(const std::string&)> Sink) { WarningSink() = std::move(Sink); }

}  // namespace tv
