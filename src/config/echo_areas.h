// The table of echo areas: tag and message-base path of every area line,
// in the order they were read.
#ifndef TESVAK_CONFIG_ECHO_AREAS_H_
#define TESVAK_CONFIG_ECHO_AREAS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tesvak {

struct TEcho {
  std::string Tag;   // as written, case kept
  std::string Path;  // the message-base path, as written
};

inline constexpr std::size_t kMaxAreas = 1000;
inline constexpr char kAreaLimitLine[] = "Echo areas > 1000, the table holds 1000 at most.";

// The table of echo areas, with a lookup by tag that ignores ASCII case.
// When several areas share a tag, the first one read is the one found.
class AreaTable {
 public:
  enum class Added : std::uint8_t {
    kNew,    // the first area of its tag
    kAgain,  // stored, but an earlier area has its tag and is the one found
    kFull,   // the table is full: nothing was stored
  };
  Added Add(std::string_view tag, std::string_view path);

  // The first area whose tag equals `tag` with a-z folded, or nullptr.
  // Bytes of 0x80 and above must match exactly.
  const TEcho* Find(std::string_view tag) const;

  std::size_t size() const { return areas_.size(); }
  const TEcho& operator[](std::size_t i) const { return areas_[i]; }
  // The one-based index of the next free slot.
  std::size_t NextArea() const { return areas_.size() + 1; }

 private:
  struct FoldedHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

  std::vector<TEcho> areas_;
  std::unordered_map<std::string, std::size_t, FoldedHash, FoldedEqual> index_;
};

}  // namespace tesvak

#endif  // TESVAK_CONFIG_ECHO_AREAS_H_
