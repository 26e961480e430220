#include "config/echo_areas.h"

#include <cstring>

#include "base/ascii.h"

namespace tesvak {

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

AreaTable::Added AreaTable::Add(std::string_view tag, std::string_view path,
                                const std::string& file, std::size_t line) {
  if (areas_.size() == kMaxAreas) return Added::kFull;
  if (path.size() > kMaxTag + 1) path.remove_prefix(path.size() - (kMaxTag + 1));
  areas_.push_back({std::string(tag.substr(0, kMaxTag + 1)), std::string(path)});
  defined_.push_back({file, line, false});
  if (tag.size() > kMaxTag) return Added::kNew;  // never found, so never "again"
  const std::size_t mark = MarkOf(tag);
  marks_[mark / 64] |= std::uint64_t{1} << (mark % 64);
  const unsigned char first = tag.empty() ? 0 : static_cast<unsigned char>(FoldChar(tag[0]));
  firsts_[first / 64] |= std::uint64_t{1} << (first % 64);
  lengths_[tag.size() / 64] |= std::uint64_t{1} << (tag.size() % 64);
  const std::uint32_t hash = FoldedHash(tag);
  Slot& slot = slots_[SlotOf(tag, hash)];
  if (slot.area != kEmpty) return Added::kAgain;  // the first one is the one found
  slot = {hash, static_cast<std::uint32_t>(areas_.size() - 1)};
  defined_.back().found = true;
  return Added::kNew;
}

const TEcho* AreaTable::FindMarked(std::string_view tag) const {
  const std::size_t mark = MarkOf(tag);
  if ((marks_[mark / 64] >> (mark % 64) & 1) == 0) return nullptr;
  const Slot& slot = slots_[SlotOf(tag, FoldedHash(tag))];
  return slot.area == kEmpty ? nullptr : &areas_[slot.area];
}

}  // namespace tesvak
