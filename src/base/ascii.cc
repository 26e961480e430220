#include "base/ascii.h"

#include <cstring>

namespace tesvak {

std::string FoldUpper(std::string_view text) {
  std::string out(text);
  FoldUpperInPlace(out);
  return out;
}

void FoldUpperInPlace(std::string& text) {
  for (char& c : text) c = FoldChar(c);
}

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  for (; i + 8 <= a.size(); i += 8) {  // eight bytes at a time, then the rest
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y && FoldEight(x) != FoldEight(y)) return false;
  }
  for (; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

}  // namespace tesvak
