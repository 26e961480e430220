// What a Windows link says it leads to, read from the data of its reparse
// point: pure code, so that it is tested on any system by bytes.
#ifndef TESVAK_PLATFORM_REPARSE_H_
#define TESVAK_PLATFORM_REPARSE_H_

#include <cstdint>
#include <span>
#include <string>

namespace tesvak {

// The target of a symbolic link or a mount point (junction), as the link
// holds it: UTF-16 code units, and whether it is relative to the link's own
// directory.
struct LinkTarget {
  std::u16string path;
  bool relative = false;
};

// Reads the REPARSE_DATA_BUFFER `data` (as FSCTL_GET_REPARSE_POINT gives
// it): the name to show where there is one, else the name to substitute
// without its "\??\" prefix.  False for any other kind of reparse point,
// and for data cut short or pointing outside itself.
bool ParseReparseData(std::span<const std::uint8_t> data, LinkTarget* target);

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_REPARSE_H_
