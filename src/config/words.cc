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

std::string FoldUpper(std::string_view text) {
  std::string out(text);
  FoldUpperInPlace(out);
  return out;
}

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

void FoldUpperInPlace(std::string& text) {
  for (char& c : text) c = FoldChar(c);
}

}  // namespace tesvak
