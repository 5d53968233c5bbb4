// Decoding UTF-8 one sequence at a time, for the converters that share its handling of malformed
// input (Utf8ToUtf16 and the script loader's one-pass decoder).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tv {

// Decodes the UTF-8 sequence that starts at Bytes[I] (of Count bytes), moves I past it and hands
// Put the UTF-16 code units it stands for: one, or two beyond U+FFFF. A malformed sequence (a
// stray or unknown lead byte, a missing continuation, an overlong form, a surrogate, a value
// beyond U+10FFFF) yields one U+FFFD.
template <typename TPut>
void DecodeUtf8Sequence(const uint8_t* Bytes, size_t Count, size_t& I, TPut&& Put) {
  const uint8_t c = Bytes[I];
  if (c < 0x80) {
    Put(static_cast<char16_t>(c));
    ++I;
    return;
  }
  int extra = 0;
  uint32_t cp = 0;
  uint32_t min = 0;
  if ((c & 0xE0) == 0xC0) {
    extra = 1, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3, cp = c & 0x07, min = 0x10000;
  } else {
    Put(u'\uFFFD');
    ++I;
    return;
  }
  size_t j = 1;
  for (; j <= static_cast<size_t>(extra) && I + j < Count && (Bytes[I + j] & 0xC0) == 0x80; ++j)
    cp = (cp << 6) | (Bytes[I + j] & 0x3F);
  I += j;
  if (j != static_cast<size_t>(extra) + 1 || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    Put(u'\uFFFD');
  } else if (cp >= 0x10000) {
    cp -= 0x10000;
    Put(static_cast<char16_t>(0xD800 + (cp >> 10)));
    Put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    Put(static_cast<char16_t>(cp));
  }
}

}  // namespace tv
