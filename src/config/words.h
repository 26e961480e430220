// Words of the program's text inputs.
#ifndef TESVAK_CONFIG_WORDS_H_
#define TESVAK_CONFIG_WORDS_H_

#include <string_view>

#include "base/ascii.h"

namespace tesvak {

// Removes the first word from `line` and returns it.  Only the space (0x20)
// separates words; leading spaces are skipped, and the one space after the
// word is consumed.  A line of no words yields an empty word.  The result
// views the same bytes as `line`, so taking words never copies the line.
std::string_view NextWord(std::string_view& line);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_WORDS_H_
