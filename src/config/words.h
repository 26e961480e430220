// Words and letter case of the program's text inputs.
#ifndef TESVAK_CONFIG_WORDS_H_
#define TESVAK_CONFIG_WORDS_H_

#include <string>
#include <string_view>

namespace tesvak {

// Removes the first word from `line` and returns it.  Only the space (0x20)
// separates words; leading spaces are skipped, and the one space after the
// word is consumed.  A line of no words yields an empty word.  The result
// views the same bytes as `line`, so taking words never copies the line.
std::string_view NextWord(std::string_view& line);

// A copy of `text` with a-z replaced by A-Z.  Every other byte, including
// those of 0x80 and above, is unchanged; no locale is involved.
std::string FoldUpper(std::string_view text);

// FoldUpper in place, for a text the caller owns.
void FoldUpperInPlace(std::string& text);

// True when `a` and `b` are equal once both are folded.
bool EqualFolded(std::string_view a, std::string_view b);

// The folded form of one byte.
inline char FoldChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

}  // namespace tesvak

#endif  // TESVAK_CONFIG_WORDS_H_
