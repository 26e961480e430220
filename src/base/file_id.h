// How the program names open files and tells files apart.  Every layer
// passes these values; only the platform layer makes them.
#ifndef TESVAK_BASE_FILE_ID_H_
#define TESVAK_BASE_FILE_ID_H_

#include <cstdint>
#include <string>

namespace tesvak {

// An open file, as the platform layer hands it out.
using FileId = std::intptr_t;

// Tells files apart: two files are one and the same, under whatever names
// or links they are reached, exactly when their keys are equal.  A POSIX
// device and inode, or a Windows volume serial number and file index.  The
// zero key is no file's.
struct FileKey {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileKey&) const = default;
  auto operator<=>(const FileKey&) const = default;
};

// Whether a key tells its file apart at all.  A file system that reports
// no file index (some network ones do) gives every file the index 0, so
// such a key is nobody's: never the same file as another, never a file
// copied to before.
inline bool Known(FileKey key) { return key.index != 0; }

// Where a name leads once every link on the way is followed: the file
// there, or, where nothing is, the directory the name ends in and the last
// component as that directory tells names apart (as spelled on POSIX,
// folded on Windows).  Two names lead to one place, whatever their
// spelling, exactly when their places are equal.
struct Place {
  FileKey file;      // the file there, or the zero key
  FileKey dir;       // where nothing is: its directory (zero if none)
  std::string leaf;  // and its name there
  bool operator==(const Place&) const = default;
  auto operator<=>(const Place&) const = default;
};

}  // namespace tesvak

#endif  // TESVAK_BASE_FILE_ID_H_
