// Mapping of the program's DOS-style file names onto a POSIX file system.
//
// Settings are upper-cased when read and the names in the configuration
// files were written for a case-insensitive system, so on POSIX every
// component of a name is looked up case-insensitively when the exact one
// does not exist.  This is pure code: the directory listing comes from a
// function the caller supplies, so the mapping can be tested by tables.
#ifndef TESVAK_PLATFORM_NAMES_H_
#define TESVAK_PLATFORM_NAMES_H_

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"

namespace tesvak {

// Turns each backslash into a slash and drops a leading drive
// ("C:\BBS\RULES" -> "/BBS/RULES", "C:RULES" -> "RULES").  Names longer than
// kMaxName never get here: they are refused, not cut.
std::string DosToPosix(std::string_view name);

// Whether Windows takes a name component for a device rather than a file:
// CON, PRN, AUX, NUL, COM1-COM9 or LPT1-LPT9, in any case, with or without
// an extension ("NUL.sqr", "com1.txt"), trailing spaces before the dot
// ignored.
bool IsDosDeviceName(std::string_view component);

// The directory part of a POSIX name, with its trailing slash: "a/b/" for
// "a/b/c", "/" for "/c", and empty (the current directory) for "c".
std::string DirOf(const std::string& path);

// Fills *names with the entries of directory `dir` ("." for the current
// one).  A directory that cannot be opened for listing has none; a listing
// that fails partway gives the error.
using DirLister = std::function<ErrorCode(const std::string& dir, std::vector<std::string>* names)>;

// Resolves names component by component, remembering every directory it has
// listed and every directory prefix it has resolved, so a run lists each
// directory at most once.
class NameResolver {
 public:
  explicit NameResolver(DirLister lister) : lister_(std::move(lister)) {}

  // Maps a program name to the POSIX name to open or create.  Each component
  // keeps its exact spelling when that exists; otherwise the entry that
  // matches it ignoring ASCII case is used (the byte-wise smallest, if
  // several do); otherwise it stays as written.  Sets *found, if given, when
  // the last component was in its directory when that was listed (or has
  // been created since): only a hint, for the directory may have changed.
  // Fails only when a listing failed.
  ErrorCode Resolve(std::string_view name, std::string* path, bool* found = nullptr);

  // Tells the resolver that `path`, as returned by Resolve, has just been
  // created as a regular file, so that a later name differing only in case
  // finds it.
  void NoteCreated(const std::string& path);

 private:
  // Lookups by a std::string_view, so that a part of a name needs no copy.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  template <typename Value>
  using Map = std::unordered_map<std::string, Value, Hash, std::equal_to<>>;

  // A directory's entries.  Most directories are asked about a few times
  // at most, so the first lookups scan the entries; only the kIndexAfter-th
  // builds the index: each entry's position under its folded name, the
  // byte-wise smallest where several differ only in case, the others in
  // `also`.
  static constexpr std::size_t kIndexAfter = 16;
  struct Listing {
    ErrorCode error = kOk;
    std::vector<std::string> entries;
    std::size_t lookups = 0;
    Map<std::size_t> by_folded;
    std::vector<std::size_t> also;
  };

  static void Index(Listing* listing, std::size_t i);
  // The entry spelled exactly `component`, or else the smallest entry
  // alike but for case, or nullptr.
  static const std::string* Lookup(Listing* listing, std::string_view component);
  Listing& ListingOf(std::string_view dir);
  ErrorCode Pick(std::string_view dir, std::string_view component, std::string* out, bool* found);
  ErrorCode ResolveDir(std::string_view dir, const std::string** resolved);

  DirLister lister_;
  Map<std::string> dirs_;
  Map<Listing> listings_;
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_NAMES_H_
