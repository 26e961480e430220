#include "config/words.h"

namespace tesvak {
namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string_view NextWord(std::string_view& line) {
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p != end && IsSeparator(*p)) ++p;
  const char* const start = p;
  while (p != end && !IsSeparator(*p)) ++p;
  const std::string_view word(start, static_cast<std::size_t>(p - start));
  if (p != end) ++p;  // the one separator after the word
  line = std::string_view(p, static_cast<std::size_t>(end - p));
  return word;
}

}  // namespace tesvak
