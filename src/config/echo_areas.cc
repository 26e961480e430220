#include "config/echo_areas.h"

#include <cstring>

#include "base/ascii.h"

namespace tesvak {

namespace {

// Folds a-z to A-Z in eight bytes at once: a byte is a lower-case letter
// when its low seven bits lie in 'a'..'z' and its high bit is clear.
std::uint64_t FoldEight(std::uint64_t x) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  const std::uint64_t low7 = x & ~kHigh;
  const std::uint64_t from_a = low7 + kOnes * (0x80 - 'a');
  const std::uint64_t past_z = low7 + kOnes * (0x80 - 'z' - 1);
  const std::uint64_t lower = from_a & ~past_z & ~x & kHigh;
  return x ^ (lower >> 2);  // 0x80 >> 2 is the case bit 0x20
}

}  // namespace

// Every files.bbs line is looked up, so the hash takes the tag eight bytes
// at a time.
std::size_t AreaTable::FoldedHash::operator()(std::string_view s) const {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = s.size() * kMul;
  while (s.size() >= 8) {
    std::uint64_t chunk;
    std::memcpy(&chunk, s.data(), 8);
    h = (h ^ FoldEight(chunk)) * kMul;
    h ^= h >> 29;
    s.remove_prefix(8);
  }
  std::uint64_t tail = 0;
  if (!s.empty()) std::memcpy(&tail, s.data(), s.size());
  h = (h ^ FoldEight(tail)) * kMul;
  return static_cast<std::size_t>(h ^ (h >> 32));
}

bool AreaTable::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return EqualFolded(a, b);
}

AreaTable::Added AreaTable::Add(std::string_view tag, std::string_view path) {
  if (areas_.size() == kMaxAreas) return Added::kFull;
  areas_.push_back({std::string(tag), std::string(path)});
  const bool fresh = index_.try_emplace(std::string(tag), areas_.size() - 1).second;
  return fresh ? Added::kNew : Added::kAgain;  // the first one is the one found
}

const TEcho* AreaTable::Find(std::string_view tag) const {
  auto it = index_.find(tag);
  return it == index_.end() ? nullptr : &areas_[it->second];
}

}  // namespace tesvak
