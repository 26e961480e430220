#include "base/ascii.h"

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
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

}  // namespace tesvak
