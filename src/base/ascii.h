// ASCII letter case, the only case the program knows: a-z and A-Z.  Bytes
// of 0x80 and above are never folded, and no locale is involved.
#ifndef TESVAK_BASE_ASCII_H_
#define TESVAK_BASE_ASCII_H_

#include <string>
#include <string_view>

namespace tesvak {

// The folded form of one byte.
inline char FoldChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

// A copy of `text` with a-z replaced by A-Z; every other byte unchanged.
std::string FoldUpper(std::string_view text);

// FoldUpper in place, for a text the caller owns.
void FoldUpperInPlace(std::string& text);

// True when `a` and `b` are equal once both are folded.
bool EqualFolded(std::string_view a, std::string_view b);

}  // namespace tesvak

#endif  // TESVAK_BASE_ASCII_H_
