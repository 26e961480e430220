// Mapping of the program's DOS-style file names onto a POSIX file system.
//
// Settings are upper-cased when read and the names in the configuration
// files were written for a case-insensitive system, so on POSIX every
// component of a name is looked up case-insensitively when the exact one
// does not exist.  This is pure code: what a directory is and what it holds
// come from functions the caller supplies, so the mapping can be tested by
// tables.
#ifndef TESVAK_PLATFORM_NAMES_H_
#define TESVAK_PLATFORM_NAMES_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/codes.h"
#include "base/file_id.h"

namespace tesvak {

// Turns each backslash into a slash and drops a leading drive
// ("C:\BBS\RULES" -> "/BBS/RULES", "C:RULES" -> "RULES").  Names longer than
// kMaxName never get here: they are refused, not cut.
std::string DosToPosix(std::string_view name);
// The same into *out, whose memory is used again.
void DosToPosix(std::string_view name, std::string* out);

// Whether Windows takes a name component for a device rather than a file:
// CON, PRN, AUX, NUL, COM1-COM9 or LPT1-LPT9, in any case, with or without
// an extension ("NUL.sqr", "com1.txt") or a colon ("LPT1:", "LPT1:.sqr"),
// trailing spaces before the dot or colon ignored.
bool IsDosDeviceName(std::string_view component);

// The directory part of a POSIX name, with its trailing slash: "a/b/" for
// "a/b/c", "/" for "/c", and empty (the current directory) for "c".
std::string_view DirPart(std::string_view path);
std::string DirOf(const std::string& path);

// What the resolver asks of the file system about a directory, named as
// the system takes it ("." for the current one).
struct DirSource {
  // Its key, or the zero key where there is no directory.
  std::function<FileKey(const std::string& dir)> identify;
  // Its entries.  A directory that cannot be opened for listing has none;
  // a listing that fails partway gives the error.
  std::function<ErrorCode(const std::string& dir, std::vector<std::string>* names)> list;
  // Whether `path` is an entry of its directory, a link whatever it leads
  // to.
  std::function<bool(const std::string& path)> exists;
};

// Resolves names component by component.  A directory is known by its key,
// however many spellings lead to it ("RULES", "./RULES", "../BBS/RULES",
// an absolute name, a link), so each is listed once for all of them, and a
// file created in it is known to every spelling at once.
//
// What it found is a cache, never the truth: a caller that meets a name the
// answer gave gone, or one it lacked there, calls Forget, and the next
// answers come from directories looked up and listed afresh.
class NameResolver {
 public:
  explicit NameResolver(DirSource source) : source_(std::move(source)) {}

  // What Resolve found out besides the name, from what it has cached.
  struct Where {
    FileKey dir;         // the directory the last component is in, or zero
    bool found = false;  // the last component was in that directory when it
                         // was listed, or has been created since: a hint only
    bool made = false;   // found among the names noted as created there
  };

  // Maps a program name to the POSIX name to open or create.  Each component
  // keeps its exact spelling when that exists; otherwise the entry that
  // matches it ignoring ASCII case is used (the byte-wise smallest, if
  // several do); otherwise it stays as written.  Fails only when a listing
  // failed.  A directory is listed only when a name in it is spelled
  // neither as on disk nor in capitals: capitals are the smallest spelling
  // any name alike can have, so where they exist they are the answer.
  ErrorCode Resolve(std::string_view name, std::string* path, Where* where = nullptr);

  // Tells the resolver that `leaf` has just been created as a regular file
  // in the directory keyed `dir`, so that a later name differing only in
  // case, under any spelling of the directory, finds it, in this listing
  // and in every later one.
  void NoteCreated(FileKey dir, std::string_view leaf);

  // Drops every directory looked up and every listing taken, keeping only
  // the names noted as created.
  void Forget();

 private:
  // Lookups by a std::string_view, so that a part of a name needs no copy.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  template <typename Value>
  using Map = std::unordered_map<std::string, Value, Hash, std::equal_to<>>;

  // A directory's entries.  Most directories are asked about a few times
  // at most, so the first lookups scan the entries, until the scans would
  // cost more than an index: then each entry is indexed by the hash of its
  // folded name, the names alike but for case chained together, the
  // byte-wise smallest first.  A lookup then costs the same however many
  // names the directory holds, and however many differ only in case from
  // others.
  static constexpr std::size_t kScans = 4;
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};
  // A slot keeps the folded hash beside the entry it leads to, so that a
  // lookup, which finds the index out of the cache after each copy, reads
  // one slot and one name, not a slot, a hash and a name.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t head = kNone;  // the smallest of the names alike, or kNone
  };
  struct Listing {
    ErrorCode error = kOk;
    std::vector<std::string> entries;
    std::size_t scanned = 0;  // entries looked at by scans so far
    bool indexed = false;
    std::vector<Slot> slots;
    std::vector<std::uint32_t> next;  // by entry, the next name alike, or kNone
  };
  // A directory spelling, resolved.
  struct Dir {
    std::string path;                    // as the system takes it, with its trailing slash
    FileKey key;                         // zero where there is no directory
    mutable Listing* listing = nullptr;  // once listed: nodes of listings_ stay put
  };

  static void Index(Listing* listing);
  static void Insert(Listing* listing, std::size_t i);
  // The entry spelled exactly `component`, or else the smallest entry
  // alike but for case, or nullptr.
  static const std::string* Lookup(Listing* listing, std::string_view component);
  Listing& ListingOf(const Dir& dir);
  ErrorCode Pick(const Dir& dir, std::string_view component, std::string* out, bool* found);
  ErrorCode ResolveDir(std::string_view dir, const Dir** resolved);

  // The most directory spellings kept: a files.bbs may spell one directory
  // in as many ways as its lines, and memory must not grow with it.
  static constexpr std::size_t kMaxSpellings = 256;

  DirSource source_;
  std::string posix_;  // the name being resolved, as a POSIX name
  std::string probe_;  // a spelling being asked for
  Map<Dir> dirs_;      // by spelling, as the name gave it
  // The two directories asked about last, which the next name is most
  // likely in, told by their spelling without a hash.
  struct Recent {
    std::string_view spelling;  // a key of dirs_, which never moves
    const Dir* dir = nullptr;
  };
  Recent recent_[2];
  int next_recent_ = 0;
  std::map<FileKey, Listing> listings_;  // by the directory's key
  Listing nowhere_;                      // of a directory that does not exist
  // The names created this run, by their directory's key, which every
  // listing of it holds: a dry run makes none of them.
  std::map<FileKey, std::unordered_set<std::string>> created_;
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_NAMES_H_
