#include "engine/EngineObjects.h"

#include <utility>

namespace tv {

void TSimpleParser::Start(std::string NewText) {
  Text = std::move(NewText);
  Position = 1;
}

std::string TSimpleParser::GetToken(const TCharSet& Chars) {
  // Work with a 0-based index; a Position below 1 set by hand starts from the first character.
  const std::size_t length = Text.size();
  std::size_t at = Position > 1 ? static_cast<std::size_t>(Position - 1) : 0;
  while (at < length && !Chars.Contains(Text[at])) ++at;
  if (at >= length) {
    Position = static_cast<int32_t>(length + 1);
    return {};
  }
  const std::size_t start = at;
  while (at < length && Chars.Contains(Text[at])) ++at;
  Position = static_cast<int32_t>(at + 1);
  return Text.substr(start, at - start);
}

bool TSimpleParser::AtEnd() const { return static_cast<int64_t>(Position) > static_cast<int64_t>(Text.size()); }

}  // namespace tv
