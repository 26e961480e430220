// The last component of a name, whichever system wrote it.
#ifndef TESVAK_BASE_PATH_H_
#define TESVAK_BASE_PATH_H_

#include <string_view>

namespace tesvak {

// What follows the last backslash or slash of `path` (both separate, so
// names from DOS, Windows and Unix systems all work); the whole path when
// it has neither, and empty when it ends in one.
inline std::string_view BaseName(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

}  // namespace tesvak

#endif  // TESVAK_BASE_PATH_H_
