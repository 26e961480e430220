// The table of echo areas: tag and message-base path of every area line,
// in the order they were read.
#ifndef TESVAK_CONFIG_ECHO_AREAS_H_
#define TESVAK_CONFIG_ECHO_AREAS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"

namespace tesvak {

struct TEcho {
  std::string Tag;   // as written, case kept
  std::string Path;  // the message-base path, as written
};

inline constexpr std::size_t kMaxAreas = 1000;

// The longest tag that names an area, as the longest name the file system
// takes: a longer tag, in the Squish configuration or in files.bbs, names
// none.  So the table holds a few hundred bytes an area, whatever the
// configuration's words are.
inline constexpr std::size_t kMaxTag = 259;

// The table of echo areas, with a lookup by tag that ignores ASCII case.
// When several areas share a tag, the first one read is the one found.
class AreaTable {
 public:
  AreaTable() { areas_.reserve(kMaxAreas); }  // filled without moving

  enum class Added : std::uint8_t {
    kNew,    // the first area of its tag
    kAgain,  // stored, but an earlier area has its tag and is the one found
    kFull,   // the table is full: nothing was stored
  };
  // Stores an area defined on line `line` of the file `file`.  A tag
  // longer than kMaxTag is kept as its first kMaxTag + 1 bytes, and found by
  // none; a path longer than kMaxTag as its last kMaxTag + 1, which hold its
  // last component wherever that makes an output name at all.
  Added Add(std::string_view tag, std::string_view path, const std::string& file = std::string(),
            std::size_t line = 0);

  // The first area whose tag equals `tag` with a-z folded, or nullptr; a
  // tag longer than kMaxTag finds none.  Bytes of 0x80 and above must
  // match exactly.
  const TEcho* Find(std::string_view tag) const {
    // Most tags of a files.bbs name no area, and most of those are told by
    // their length and first letter here, without a call.
    if (tag.size() > kMaxTag || (lengths_[tag.size() / 64] >> (tag.size() % 64) & 1) == 0)
      return nullptr;
    const unsigned char first = tag.empty() ? 0 : static_cast<unsigned char>(FoldChar(tag[0]));
    if ((firsts_[first / 64] >> (first % 64) & 1) == 0) return nullptr;
    return FindMarked(tag);
  }

  std::size_t size() const { return areas_.size(); }
  const TEcho& operator[](std::size_t i) const { return areas_[i]; }
  // The index of an area Find gave.
  std::size_t IndexOf(const TEcho* area) const {
    return static_cast<std::size_t>(area - areas_.data());
  }

  // Where area `i` was defined, and whether Find can give it: it is the
  // first of its tag.
  struct Defined {
    std::string file;
    std::size_t line = 0;
    bool found = false;
  };
  const Defined& DefinedAt(std::size_t i) const { return defined_[i]; }
  // The one-based index of the next free slot.
  std::size_t NextArea() const { return areas_.size() + 1; }

 private:
  // Where to look for a tag: an open-addressing table with a slot for each
  // area and as many again left free, so a tag that names no area, as most
  // files.bbs lines' tags do, is told after a probe or two.
  static constexpr std::size_t kSlots = 2048;
  static_assert(kSlots >= 2 * kMaxAreas && (kSlots & (kSlots - 1)) == 0);
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t area = kEmpty;  // index into areas_
  };
  static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};

  // Find, past its first glance.
  const TEcho* FindMarked(std::string_view tag) const;

  // The slot of the first area with `tag`, or the free slot where it would
  // go.
  std::size_t SlotOf(std::string_view tag, std::uint32_t hash) const;

  // Most files.bbs lines name no area, and most of those are told by a
  // glance at their tag's length and first and last letters: a bit for
  // each such mark some area's tag has, before any hash is taken.
  static constexpr std::size_t kMarks = 4096;
  static std::size_t MarkOf(std::string_view tag);
  // And before even that, by its first letter and its length alone: a bit
  // for each first letter, folded, and each length some area's tag has.
  std::uint64_t firsts_[4] = {};
  std::uint64_t lengths_[(kMaxTag + 64) / 64] = {};

  std::vector<TEcho> areas_;
  std::vector<Defined> defined_;  // by area
  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
  std::uint64_t marks_[kMarks / 64] = {};
};

}  // namespace tesvak

#endif  // TESVAK_CONFIG_ECHO_AREAS_H_
