// The echo areas of the Squish configuration: tag and message-base path of
// every ECHOAREA line, in the order of the file.
#ifndef TESVAK_CONFIG_ECHO_AREAS_H_
#define TESVAK_CONFIG_ECHO_AREAS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"

namespace tesvak {

struct TEcho {
  std::string Tag;   // as written, case kept
  std::string Path;  // the message-base path, as written
};

inline constexpr std::size_t kMaxAreas = 1000;
inline constexpr char kNoSquishLine[] = "Squish.cfg file not found";
inline constexpr char kAreaLimitLine[] = "Echo areas > 1000, the table holds 1000 at most.";

// The table of echo areas, with a lookup by tag that ignores ASCII case.
// When several areas share a tag, the first one read is the one found.
class AreaTable {
 public:
  // Adds an area; returns false, storing nothing, when the table is full.
  bool Add(std::string_view tag, std::string_view path);

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

// Reads the ECHOAREA lines of the Squish configuration `squish_file` into
// *table: the keyword in any case, then the tag and the path; missing words
// are empty.  Stops with "Squish.cfg file not found" when the file cannot
// be opened, and with the area-limit line at an ECHOAREA line beyond the
// table's 1000 slots, before storing it.
Status ReadEchoAreas(Platform& fs, const std::string& squish_file, AreaTable* table);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_ECHO_AREAS_H_
