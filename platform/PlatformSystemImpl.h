// What the shared system services and each platform's file give one another.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/PlatformSystem.h"

namespace tv {

// The class of the game's window on Windows: a second copy finds the first one's window by it.
inline constexpr char WindowClassName[] = "GW_QM_Vesk1";

// The bytes that TFileStream may still write before a simulated full disk (-1: no limit).
int64_t& SimulatedDiskSpace();
// One read or write of at most Count (> 0) bytes on the open file Fd: the bytes moved (perhaps
// fewer), 0 at the end of the file, or -1 on an error. An interrupted call is tried again.
int64_t ReadFileOnce(int Fd, void* Buffer, int64_t Count) noexcept;
int64_t WriteFileOnce(int Fd, const void* Buffer, int64_t Count) noexcept;
// A code page's tables read from the system, or nullptr when it has no such single-byte page.
std::unique_ptr<TCodePage> BuildCodePage(int Id);
// The sink that replaces the warning box in tests (empty: the real box).
std::function<void(const std::string&)>& WarningSink();

}  // namespace tv
