#include "config/words.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "base/bytes.h"

namespace tesvak {

std::size_t TakeWords(std::string_view line, std::size_t count, std::string_view* words) {
  const char* const base = line.data();
  const std::size_t n = line.size();
  std::size_t found = 0;
  std::size_t start = 0;  // of the word being read
  bool in_word = false;
  // A block at a time: the block's separator mask gives where its words
  // start and end, and those are taken lowest bit first until the last
  // word wanted.  Every line of files.bbs is split, and most of it is
  // padding.
  for (std::size_t block = 0; block < n && found < count; block += kMatchBlock) {
    const std::size_t len = std::min(kMatchBlock, n - block);
    const std::uint64_t word = ~MatchMask(base + block, len, kSpace, kTab) & LowBits(len);
    const std::uint64_t after_word = (word << 1) | (in_word ? 1 : 0);  // bit i: byte i-1 was one
    std::uint64_t edges = (word & ~after_word) | (~word & after_word & LowBits(len));
    for (; edges != 0 && found < count; edges &= edges - 1) {
      const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(edges));
      if (in_word) words[found++] = std::string_view(base + start, at - start);
      start = at;
      in_word = !in_word;
    }
  }
  if (in_word && found < count) words[found++] = std::string_view(base + start, n - start);
  return found;
}

std::string_view NextWord(std::string_view& line) {
  std::string_view word;
  if (TakeWords(line, 1, &word) == 0) {
    line = line.substr(line.size());
    return word;
  }
  const std::size_t after = static_cast<std::size_t>(word.data() - line.data()) + word.size();
  line.remove_prefix(std::min(after + 1, line.size()));  // and the one separator after it
  return word;
}

bool AppendWords(std::string_view piece, const LineUse& use, WordState* state, std::string* out) {
  bool cut = false;
  if (use.cuts) {
    const std::size_t at = piece.find(use.cut);
    cut = at != std::string_view::npos;
    piece = piece.substr(0, at);
  }
  const char* p = piece.data();
  const char* const end = p + piece.size();
  while (p != end) {
    if (state->in_word) {
      const char* q = p;
      while (q != end && !IsWordSeparator(*q)) ++q;
      out->append(p, static_cast<std::size_t>(q - p));
      p = q;
      if (p == end) break;
      state->in_word = false;
      if (++state->done == use.words) return false;
    } else {
      while (p != end && IsWordSeparator(*p)) ++p;
      if (p == end) break;
      if (!out->empty() && out->back() != kSpace) out->push_back(kSpace);
      state->in_word = true;
    }
  }
  return !cut;
}

}  // namespace tesvak
