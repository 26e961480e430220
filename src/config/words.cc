#include "config/words.h"

#include <algorithm>
#include <cstring>

namespace tesvak {

std::size_t TakeWords(std::string_view line, std::size_t count, std::string_view* words) {
  WordEdges edges(words, count);
  const char* p = line.data();
  std::size_t left = line.size();
  // Whole blocks where the line has them; the last few bytes copied into
  // one, so that no byte past the line is read.
  for (; left >= kBlock && !edges.done(); p += kBlock, left -= kBlock)
    edges.Block(p, Match(p, kSpace, kTab), ~std::uint64_t{0});
  if (!edges.done() && left > 0) {
    char tail[kBlock] = {};
    std::memcpy(tail, p, left);
    edges.Block(p, Match(tail, kSpace, kTab), LowBits(left));
    p += left;
  }
  edges.End(p);
  return edges.found();
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
      const std::size_t kept =
          std::min(static_cast<std::size_t>(q - p), LineUse::kMaxWord - state->length);
      out->append(p, kept);
      state->length += kept;
      p = q;
      if (p == end) break;
      state->in_word = false;
      if (++state->done == use.words) return false;
    } else {
      while (p != end && IsWordSeparator(*p)) ++p;
      if (p == end) break;
      if (!out->empty() && out->back() != kSpace) out->push_back(kSpace);
      state->in_word = true;
      state->length = 0;
    }
  }
  return !cut;
}

}  // namespace tesvak
