#include "config/words.h"

namespace tesvak {

std::string_view NextWord(std::string_view& line) {
  const std::size_t start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    line = line.substr(line.size());
    return line;
  }
  line.remove_prefix(start);
  const std::size_t space = line.find(' ');
  const std::string_view word = line.substr(0, space);
  line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
  return word;
}

}  // namespace tesvak
