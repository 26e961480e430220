// ASCII letter case, the only case the program knows: a-z and A-Z.  Bytes
// of 0x80 and above are never folded, and no locale is involved.
#ifndef TESVAK_BASE_ASCII_H_
#define TESVAK_BASE_ASCII_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tesvak {

// The folded form of one byte.
inline char FoldChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

// The folded form of eight bytes at once: a byte is a lower-case letter
// when its low seven bits lie in 'a'..'z' and its high bit is clear.
inline std::uint64_t FoldEight(std::uint64_t x) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  const std::uint64_t low7 = x & ~kHigh;
  const std::uint64_t from_a = low7 + kOnes * (0x80 - 'a');
  const std::uint64_t past_z = low7 + kOnes * (0x80 - 'z' - 1);
  const std::uint64_t lower = from_a & ~past_z & ~x & kHigh;
  return x ^ (lower >> 2);  // 0x80 >> 2 is the case bit 0x20
}

// A copy of `text` with a-z replaced by A-Z; every other byte unchanged.
std::string FoldUpper(std::string_view text);

// FoldUpper in place, for a text the caller owns.
void FoldUpperInPlace(std::string& text);

// True when `a` and `b` are equal once both are folded.
bool EqualFolded(std::string_view a, std::string_view b);

// A hash of the folded form of `text`, so that texts equal once folded hash
// alike, taken eight bytes at a time: every files.bbs line's tag and every
// name looked up ignoring case is hashed.
std::uint32_t FoldedHash(std::string_view text);

}  // namespace tesvak

#endif  // TESVAK_BASE_ASCII_H_
