// Two small value types embedded in their owners: a tokenizer over an in-memory text and a list
// that keeps its first element inline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// A set of byte values, for choosing which characters make up a token.
class TCharSet {
 public:
  constexpr TCharSet() = default;
  // Every byte of Chars; "a-z" style ranges are written out with AddRange.
  constexpr explicit TCharSet(std::string_view Chars) {
    for (char c : Chars) Add(static_cast<uint8_t>(c));
  }

  constexpr TCharSet& Add(uint8_t C) {
    Bits[C >> 6] |= uint64_t{1} << (C & 63);
    return *this;
  }
  constexpr TCharSet& AddRange(uint8_t From, uint8_t To) {
    for (unsigned c = From; c <= To; ++c) Add(static_cast<uint8_t>(c));
    return *this;
  }
  constexpr bool Contains(uint8_t C) const { return (Bits[C >> 6] >> (C & 63) & 1) != 0; }
  constexpr bool Contains(char C) const { return Contains(static_cast<uint8_t>(C)); }

 private:
  uint64_t Bits[4] = {0, 0, 0, 0};
};

// The token characters of the engine's token files: "-", "0".."9", "A".."Z", "_" and "a".."z".
// Anything else (blanks, line breaks, "=", ",", quotes, "#") separates tokens.
inline constexpr TCharSet TokenChars = TCharSet("-_").AddRange('0', '9').AddRange('A', 'Z').AddRange('a', 'z');

// Splits a text into tokens: runs of characters from a caller's set, everything else separating
// them. No lines, quotes, comments or numbers: callers read a keyword and then what follows it.
struct TSimpleParser {
  std::string Text;
  int32_t Position = 1;  // the next character to look at, counted from 1

  void Start(std::string NewText);
  // The next token, or "" when none is left. Afterwards Position stands on the separator that
  // ended the token (or past the end).
  std::string GetToken(const TCharSet& Chars);
  bool AtEnd() const;
};

// A list of references for the common case of one element: element 1 lives in the record, and an
// array exists only for elements 2 and on. A default-constructed list is empty.
template <class T>
struct TList {
  int32_t Capacity = 0;  // elements held without growing: the inline one plus the array
  int32_t Count = 0;
  T* First = nullptr;
  std::vector<T*> Rest;  // element n at Rest[n - 2]

  void Add(T* Item) {
    ++Count;
    if (Count > Capacity) {
      // Grows two at a time; the vector's own growth keeps repeated appends amortised.
      ++Capacity;
      Rest.resize(static_cast<std::size_t>(Capacity));
      ++Capacity;
    }
    if (Count == 1) {
      First = Item;
    } else {
      Rest[static_cast<std::size_t>(Count - 2)] = Item;
    }
  }

  // Element Index counted from 1; an index of 1 or less gives the first element, one beyond
  // Count gives nullptr.
  T* Get(int32_t Index) const {
    if (Index <= 1) return First;
    if (Index > Count) return nullptr;
    return Rest[static_cast<std::size_t>(Index - 2)];
  }

  int32_t GetCount() const { return Count; }
};

}  // namespace tv
