// Words of the program's text inputs.
#ifndef TESVAK_CONFIG_WORDS_H_
#define TESVAK_CONFIG_WORDS_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "base/ascii.h"

namespace tesvak {

// What separates words: the space (0x20) and the TAB (0x09), as Squish
// reads its files; every other byte belongs to a word.  The one definition
// every reader of words follows.
inline constexpr char kSpace = ' ';
inline constexpr char kTab = '\t';
inline bool IsWordSeparator(char c) { return c == kSpace || c == kTab; }

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

// How much of each line a caller uses: its first `words` words (at least
// one), and with `cuts`, nothing from its first `cut` byte on, not even
// whether there was anything before it.  Every caller takes only a few
// words, and that bounds what a line longer than the reader's buffer costs.
struct LineUse {
  static constexpr std::size_t kAllWords = static_cast<std::size_t>(-1);
  std::size_t words = kAllWords;
  bool cuts = false;
  char cut = '\0';
};

// Where a word-by-word reading of a line that comes in pieces stands.
struct WordState {
  std::size_t done = 0;  // words complete
  bool in_word = false;
};

// Appends to *out the words of `piece`, the next stretch of a long line,
// single spaces between them, until `use` is met.  Returns false once it
// is: the rest of the line is of no use.
bool AppendWords(std::string_view piece, const LineUse& use, WordState* state, std::string* out);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_WORDS_H_
