// Words of the program's text inputs.
#ifndef TESVAK_CONFIG_WORDS_H_
#define TESVAK_CONFIG_WORDS_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ascii.h"
#include "config/blocks.h"

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

// How much of each line a caller uses: its first `words` words (at least
// one), with `cuts` nothing from its first `cut` byte on, not even whether
// there was anything before it, and with a `mark` whether the line holds
// that byte (before the cut).  Every caller takes only a few words, and
// that bounds what a line longer than the reader's buffer costs.
struct LineUse {
  static constexpr std::size_t kAllWords = static_cast<std::size_t>(-1);
  // The most bytes of one word a caller sees: as much as the reader's
  // buffer holds.  No use of a word needs more, for a name is at most 259
  // bytes, and memory must not grow with a word of a file a crash left as
  // one long run of NUL bytes.
  static constexpr std::size_t kMaxWord = std::size_t{256} * 1024;
  std::size_t words = kAllWords;
  bool cuts = false;
  char cut = '\0';
  char mark = '\0';
};

// The first words of a line, taken block by block from the masks of its
// blocks: a word starts where a byte of the line that is no separator
// follows one that is (or the line's start), and ends where a separator
// or the line's end follows it.  Once it has as many as it wants, the rest
// of the line matters only for where it ends.
class WordEdges {
 public:
  WordEdges(std::string_view* words, std::size_t want) : words_(words), want_(want) {}

  bool done() const { return found_ == want_; }
  std::size_t found() const { return found_; }

  // Takes the words of the block at `block` whose bytes `in_line` marks
  // (a run of bits, from the line's start or bit 0 up to its end or bit
  // 63), `seps` its separator mask.  The block's bytes are not read: the
  // words are views from `block` on.
  void Block(const char* block, std::uint64_t seps, std::uint64_t in_line) {
    const std::uint64_t word = ~seps & in_line;
    const std::uint64_t after_word = (word << 1) | (in_word_ ? 1 : 0);  // bit i: byte i-1 was one
    std::uint64_t edges = (word & ~after_word) | (after_word & ~word & in_line);
    for (; edges != 0; edges &= edges - 1) {
      const char* at = block + std::countr_zero(edges);
      if (in_word_) {
        words_[found_++] = std::string_view(start_, static_cast<std::size_t>(at - start_));
        if (done()) return;
      } else {
        start_ = at;
      }
      in_word_ = !in_word_;
    }
  }

  // The line ends at `end`: a word that runs to it ends there.
  void End(const char* end) {
    if (in_word_ && !done())
      words_[found_++] = std::string_view(start_, static_cast<std::size_t>(end - start_));
    in_word_ = false;
  }

 private:
  std::string_view* words_;
  std::size_t want_;
  std::size_t found_ = 0;
  bool in_word_ = false;
  const char* start_ = nullptr;
};

// Where a word-by-word reading of a line that comes in pieces stands.
struct WordState {
  std::size_t done = 0;  // words complete
  bool in_word = false;
  std::size_t length = 0;  // of the word being read, as far as it is kept
};

// Appends to *out the words of `piece`, the next stretch of a long line,
// single spaces between them, each cut at LineUse::kMaxWord bytes, until
// `use` is met.  Returns false once it is: the rest of the line is of no
// use to its words.
bool AppendWords(std::string_view piece, const LineUse& use, WordState* state, std::string* out);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_WORDS_H_
