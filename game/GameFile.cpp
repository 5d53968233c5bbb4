#include "game/GameFile.h"

#include "platform/PlatformSystem.h"

namespace tv {

TByteReader::TByteReader(std::string_view Bytes, std::string Label) : TFilePlace(std::move(Label)), Data(Bytes) {}

void TFilePlace::Fail(const std::string& Why) const {
  std::string message = Label + ": ";
  if (!Ctx.empty()) message += Ctx + ", ";
  throw EError(message + Why);
}

void TByteReader::Need(size_t Size, const char* What) const {
  if (Size > Remaining()) {
    Fail(std::string(What) + ": the file ends at byte " + std::to_string(Data.size()) + ", " + std::to_string(Size) +
         " more bytes were expected at byte " + std::to_string(Pos));
  }
}

const uint8_t* TByteReader::Block(size_t Size, const char* What) {
  Need(Size, What);
  const auto* p = reinterpret_cast<const uint8_t*>(Data.data() + Pos);
  Pos += Size;
  return p;
}

int32_t TByteReader::Int32(const char* What) { return LeInt32(Block(4, What)); }

uint8_t TByteReader::Byte(const char* What) { return *Block(1, What); }

float TByteReader::Float(const char* What) { return LeFloat(Block(4, What)); }

std::string TByteReader::String(const char* What) {
  const int32_t length = Int32(What);
  if (length < 0) Fail(std::string(What) + ": negative string length " + std::to_string(length));
  const uint8_t* bytes = Block(static_cast<size_t>(length), What);
  return std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
}

int32_t TByteReader::Count(const char* What, size_t MinBytesEach) {
  const size_t at = Pos;
  const int32_t count = Int32(What);
  if (count < 0)
    Fail(std::string(What) + ": negative count " + std::to_string(count) + " at byte " + std::to_string(at));
  if (MinBytesEach > 0 && static_cast<uint64_t>(count) * MinBytesEach > Remaining()) {
    Fail(std::string(What) + ": count " + std::to_string(count) + " at byte " + std::to_string(at) +
         " does not fit into the " + std::to_string(Remaining()) + " bytes left");
  }
  return count;
}

std::string ReadWholeFile(const std::string& Path) {
  TFileStream file(Path, TFileStream::Mode::Read);
  if (!file.IsOpen()) throw EError("Unable to open file \"" + Path + "\"");
  return file.ReadRest();
}

}  // namespace tv
