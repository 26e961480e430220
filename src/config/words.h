// Words of the program's text inputs.
#ifndef TESVAK_CONFIG_WORDS_H_
#define TESVAK_CONFIG_WORDS_H_

#include <cstddef>
#include <string_view>

#include "base/ascii.h"

namespace tesvak {

// Removes the first word from `line` and returns it.  The space (0x20) and
// the TAB (0x09) separate words; every other byte belongs to a word.
// Leading separators are skipped, and the one separator after the word is
// consumed, so a run of separators never yields an empty word; a line of
// no words yields one.  The result views the same bytes as `line`, so
// taking words never copies the line.
std::string_view NextWord(std::string_view& line);

// The first `count` words of `line`, into words[0] to words[count - 1], as
// NextWord called `count` times gives them; returns how many the line has,
// up to `count`.  Stops looking once it has them, so a long line costs no
// more than its first words.
std::size_t TakeWords(std::string_view line, std::size_t count, std::string_view* words);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_WORDS_H_
