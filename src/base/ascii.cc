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

std::uint32_t FoldedHash(std::string_view text) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  const auto load = [](const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    return FoldEight(x);
  };
  std::uint64_t h = (text.size() + 1) * kMul;
  if (text.size() < 8) {
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
      x |= std::uint64_t{static_cast<unsigned char>(FoldChar(text[i]))} << (8 * i);
    h = (h ^ x) * kMul;
  } else {
    const char* p = text.data();
    const char* const last = p + text.size() - 8;
    for (; p < last; p += 8) {
      h = (h ^ load(p)) * kMul;
      h ^= h >> 29;
    }
    h = (h ^ load(last)) * kMul;
  }
  h ^= h >> 32;
  return static_cast<std::uint32_t>(h);
}

}  // namespace tesvak
