// Bounded reading of the game's little-endian binary files (the scenario and the save file).
// Nothing read from such a file is trusted: every read checks what is left, a count or a string
// length larger than the rest of the file is a read failure (never an allocation of that size),
// and every failure names the file, the record being read and the field.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/EngineClasses.h"

namespace tv {

// A place in a file for the messages of failures: the file and the record being read or judged.
class TFilePlace {
 public:
  // Label names the file in messages ("Scenario file \"...\"").
  explicit TFilePlace(std::string Label) : Label(std::move(Label)) {}

  // Names the record, for the messages of failures ("site 3 \"Well\"").
  void SetContext(std::string Context) { Ctx = std::move(Context); }
  const std::string& Context() const { return Ctx; }

  // Fails with "<label>: <context>, <why>".
  [[noreturn]] void Fail(const std::string& Why) const;

 private:
  std::string Label;
  std::string Ctx;
};

class TByteReader : public TFilePlace {
 public:
  TByteReader(std::string_view Bytes, std::string Label);

  int32_t Int32(const char* What);
  uint8_t Byte(const char* What);
  bool Bool(const char* What) { return Byte(What) != 0; }
  float Float(const char* What);
  std::string String(const char* What);
  // A count of records of at least MinBytesEach bytes: negative counts and counts that cannot fit
  // into the rest of the file fail.
  int32_t Count(const char* What, size_t MinBytesEach);
  // Size bytes, returned in place; fails when fewer are left.
  const uint8_t* Block(size_t Size, const char* What);

  size_t Position() const { return Pos; }
  size_t Remaining() const { return Data.size() - Pos; }

  // Fails unless Size bytes are left.
  void Need(size_t Size, const char* What) const;

 private:
  std::string_view Data;
  size_t Pos = 0;
};

// Little-endian fields inside a record read with Block.
inline int32_t LeInt32(const uint8_t* P) {
  const uint32_t v = static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) |
                     (static_cast<uint32_t>(P[2]) << 16) | (static_cast<uint32_t>(P[3]) << 24);
  return static_cast<int32_t>(v);
}
inline float LeFloat(const uint8_t* P) {
  const int32_t bits = LeInt32(P);
  float f = 0;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Appends little-endian values to a byte string (the writers of both files).
inline void PutInt32(std::string& Out, int32_t V) {
  const auto u = static_cast<uint32_t>(V);
  const char bytes[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                         static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
  Out.append(bytes, 4);
}
inline void PutByte(std::string& Out, uint8_t V) { Out.push_back(static_cast<char>(V)); }
inline void PutFloat(std::string& Out, float V) {
  int32_t bits = 0;
  std::memcpy(&bits, &V, sizeof bits);
  PutInt32(Out, bits);
}
inline void PutString(std::string& Out, std::string_view S) {
  PutInt32(Out, static_cast<int32_t>(S.size()));
  Out.append(S);
}

// 32-bit arithmetic that wraps around instead of overflowing, as the game's amounts always have.
inline int32_t WrapAdd(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) + static_cast<uint32_t>(B));
}
inline int32_t WrapSub(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) - static_cast<uint32_t>(B));
}
inline int32_t WrapMul(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) * static_cast<uint32_t>(B));
}

// Reads a whole file into memory; fails with "Unable to open file "<path>"".
std::string ReadWholeFile(const std::string& Path);

}  // namespace tv
