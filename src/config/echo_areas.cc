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

// Every files.bbs line is looked up, so the hash takes the tag eight bytes
// at a time, the last eight overlapping the ones before where the length
// is no multiple of eight.
std::uint32_t FoldedHash(std::string_view s) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  const auto load = [](const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    return FoldEight(x);
  };
  std::uint64_t h = (s.size() + 1) * kMul;
  if (s.size() < 8) {
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
      x |= std::uint64_t{static_cast<unsigned char>(FoldChar(s[i]))} << (8 * i);
    h = (h ^ x) * kMul;
  } else {
    const char* p = s.data();
    const char* const last = p + s.size() - 8;
    for (; p < last; p += 8) {
      h = (h ^ load(p)) * kMul;
      h ^= h >> 29;
    }
    h = (h ^ load(last)) * kMul;
  }
  h ^= h >> 32;
  return static_cast<std::uint32_t>(h);
}

}  // namespace

std::size_t AreaTable::SlotOf(std::string_view tag, std::uint32_t hash) const {
  for (std::size_t i = hash & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
    const Slot& slot = slots_[i];
    if (slot.area == kEmpty) return i;
    if (slot.hash == hash && EqualFolded(areas_[slot.area].Tag, tag)) return i;
  }
}

AreaTable::Added AreaTable::Add(std::string_view tag, std::string_view path) {
  if (areas_.size() == kMaxAreas) return Added::kFull;
  areas_.push_back({std::string(tag), std::string(path)});
  const std::uint32_t hash = FoldedHash(tag);
  Slot& slot = slots_[SlotOf(tag, hash)];
  if (slot.area != kEmpty) return Added::kAgain;  // the first one is the one found
  slot = {hash, static_cast<std::uint32_t>(areas_.size() - 1)};
  return Added::kNew;
}

const TEcho* AreaTable::Find(std::string_view tag) const {
  const Slot& slot = slots_[SlotOf(tag, FoldedHash(tag))];
  return slot.area == kEmpty ? nullptr : &areas_[slot.area];
}

}  // namespace tesvak
