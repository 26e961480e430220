#include "config/echo_areas.h"

#include <cstring>

#include "base/ascii.h"

namespace tesvak {

namespace {

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

std::size_t AreaTable::MarkOf(std::string_view tag) {
  if (tag.empty()) return 0;
  const auto byte = [](char c) { return static_cast<std::size_t>(static_cast<unsigned char>(c)); };
  return (byte(FoldChar(tag.front())) * 0x9E5 ^ byte(FoldChar(tag.back())) * 0x2B7 ^ tag.size()) %
         kMarks;
}

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
  const std::size_t mark = MarkOf(tag);
  marks_[mark / 64] |= std::uint64_t{1} << (mark % 64);
  const std::uint32_t hash = FoldedHash(tag);
  Slot& slot = slots_[SlotOf(tag, hash)];
  if (slot.area != kEmpty) return Added::kAgain;  // the first one is the one found
  slot = {hash, static_cast<std::uint32_t>(areas_.size() - 1)};
  return Added::kNew;
}

const TEcho* AreaTable::Find(std::string_view tag) const {
  const std::size_t mark = MarkOf(tag);
  if ((marks_[mark / 64] >> (mark % 64) & 1) == 0) return nullptr;
  const Slot& slot = slots_[SlotOf(tag, FoldedHash(tag))];
  return slot.area == kEmpty ? nullptr : &areas_[slot.area];
}

}  // namespace tesvak
