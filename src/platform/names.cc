#include "platform/names.h"

#include <algorithm>
#include <unordered_set>

#include "base/ascii.h"

namespace tesvak {
namespace {

bool IsSpecial(std::string_view component) {
  return component.empty() || component == "." || component == "..";
}

bool IsDeviceStem(std::string_view stem) {
  static constexpr std::string_view kPlain[] = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view name : kPlain)
    if (EqualFolded(stem, name)) return true;
  if (stem.size() != 4 ||
      !(EqualFolded(stem.substr(0, 3), "COM") || EqualFolded(stem.substr(0, 3), "LPT")))
    return false;
  // COM1 to COM9 and LPT1 to LPT9, and the superscript 1, 2 and 3 of the
  // Windows code pages, which Windows reserves too.
  const char n = stem[3];
  return (n >= '1' && n <= '9') || n == '\xb9' || n == '\xb2' || n == '\xb3';
}

}  // namespace

bool IsDosDeviceName(std::string_view component) {
  // Windows takes the stem before an extension or a colon, so "NUL.sqr",
  // "LPT1:" and "LPT1:.sqr" all name the device.
  std::string_view stem = component.substr(0, component.find_first_of(".:"));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  return IsDeviceStem(stem);
}

std::string_view DirPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string DirOf(const std::string& path) { return std::string(DirPart(path)); }

void DosToPosix(std::string_view name, std::string* out) {
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (drive) name.remove_prefix(2);
  out->assign(name);
  // Most names hold no backslash at all: found a block at a time.
  for (std::size_t at = out->find('\\'); at != std::string::npos; at = out->find('\\', at + 1))
    (*out)[at] = '/';
}

std::string DosToPosix(std::string_view name) {
  std::string out;
  DosToPosix(name, &out);
  return out;
}

// Builds the index of every entry, in slots for twice as many.
void NameResolver::Index(Listing* listing) {
  std::size_t size = 16;
  while (size < 2 * listing->entries.size()) size *= 2;
  listing->slots.assign(size, Slot());
  listing->next.assign(listing->entries.size(), kNone);
  for (std::size_t i = 0; i < listing->entries.size(); ++i) Insert(listing, i);
  listing->indexed = true;
}

void NameResolver::Insert(Listing* listing, std::size_t i) {
  const std::vector<std::string>& entries = listing->entries;
  const std::uint32_t hash = FoldedHash(entries[i]);
  const auto index = static_cast<std::uint32_t>(i);
  const std::size_t mask = listing->slots.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = listing->slots[at];
    if (slot.head == kNone) {
      slot = {hash, index};
      return;
    }
    const std::uint32_t head = slot.head;
    if (slot.hash != hash || !EqualFolded(entries[head], entries[i])) continue;
    // Into the chain of names alike, the smallest at its head.
    if (entries[i] < entries[head]) {
      listing->next[i] = head;
      slot.head = index;
    } else {
      listing->next[i] = listing->next[head];
      listing->next[head] = index;
    }
    return;
  }
}

const std::string* NameResolver::Lookup(Listing* listing, std::string_view component) {
  const std::vector<std::string>& entries = listing->entries;
  if (!listing->indexed && listing->scanned >= kScans * std::max<std::size_t>(entries.size(), 1))
    Index(listing);
  if (!listing->indexed) {
    listing->scanned += std::max<std::size_t>(entries.size(), 1);
    const std::string* best = nullptr;
    for (const std::string& e : entries) {
      if (e == component) return &e;
      if (EqualFolded(e, component) && (best == nullptr || e < *best)) best = &e;
    }
    return best;
  }
  const std::uint32_t hash = FoldedHash(component);
  const std::size_t mask = listing->slots.size() - 1;
  for (std::size_t at = hash & mask; listing->slots[at].head != kNone; at = (at + 1) & mask) {
    const Slot slot = listing->slots[at];
    if (slot.hash != hash || !EqualFolded(entries[slot.head], component)) continue;
    for (std::uint32_t i = slot.head; i != kNone; i = listing->next[i])
      if (entries[i] == component) return &entries[i];
    return &entries[slot.head];
  }
  return nullptr;
}

NameResolver::Listing& NameResolver::ListingOf(const Dir& dir) {
  if (dir.listing != nullptr) return *dir.listing;
  if (dir.key == FileKey()) return nowhere_;
  auto [it, fresh] = listings_.try_emplace(dir.key);
  Listing& listing = it->second;
  if (fresh) {
    listing.error = source_.list(dir.path.empty() ? "." : dir.path, &listing.entries);
    if (auto made = created_.find(dir.key); made != created_.end() && listing.error == kOk) {
      const std::unordered_set<std::string> there(listing.entries.begin(), listing.entries.end());
      for (const std::string& leaf : made->second)
        if (!there.contains(leaf)) listing.entries.push_back(leaf);
    }
  }
  dir.listing = &listing;
  return listing;
}

// Appends to *out the entry of `dir` that `component` names.
ErrorCode NameResolver::Pick(const Dir& dir, std::string_view component, std::string* out,
                             bool* found) {
  *found = false;
  if (IsSpecial(component)) {
    out->append(component);
    return kOk;
  }
  if (dir.listing == nullptr && dir.key != FileKey() && !listings_.contains(dir.key)) {
    // Not listed yet: the spelling as written, then in capitals.
    for (int capitals = 0; capitals < 2; ++capitals) {
      probe_.assign(component);
      if (capitals == 1) {
        FoldUpperInPlace(probe_);
        if (probe_ == component) break;
      }
      const std::size_t leaf = probe_.size();
      probe_.insert(0, dir.path);
      if (source_.exists(probe_)) {
        out->append(std::string_view(probe_).substr(probe_.size() - leaf));
        *found = true;
        return kOk;
      }
    }
  }
  Listing& listing = ListingOf(dir);
  if (listing.error != kOk) return listing.error;
  const std::string* entry = Lookup(&listing, component);
  *found = entry != nullptr;
  out->append(entry == nullptr ? component : std::string_view(*entry));
  return kOk;
}

// `dir` is empty (the current directory) or ends with a slash.
ErrorCode NameResolver::ResolveDir(std::string_view dir, const Dir** resolved) {
  // Names come in runs from one directory: RulesPath, then OutDir.
  for (const Recent& recent : recent_) {
    if (recent.dir != nullptr && recent.spelling == dir) {
      *resolved = recent.dir;
      return kOk;
    }
  }
  auto cached = dirs_.find(dir);
  if (cached != dirs_.end()) {
    *resolved = &cached->second;
    recent_[next_recent_] = {cached->first, &cached->second};
    next_recent_ = 1 - next_recent_;
    return kOk;
  }
  if (dirs_.size() >= kMaxSpellings) {
    dirs_.clear();
    recent_[0] = recent_[1] = Recent();
  }
  Dir made;
  if (!dir.empty() && dir != "/") {
    const std::string_view body = dir.substr(0, dir.size() - 1);
    const std::string_view parent = DirPart(body);
    const Dir* parent_dir = nullptr;
    bool found = false;
    if (const ErrorCode code = ResolveDir(parent, &parent_dir); code != kOk) return code;
    made.path = parent_dir->path;
    if (const ErrorCode code = Pick(*parent_dir, body.substr(parent.size()), &made.path, &found);
        code != kOk)
      return code;
    made.path += '/';
  } else {
    made.path = dir;
  }
  made.key = source_.identify(made.path.empty() ? "." : made.path);
  *resolved = &dirs_.try_emplace(std::string(dir), std::move(made)).first->second;
  return kOk;
}

ErrorCode NameResolver::Resolve(std::string_view name, std::string* path, Where* where) {
  DosToPosix(name, &posix_);
  const std::string_view posix = posix_;
  const std::string_view dir = DirPart(posix);
  const Dir* resolved = nullptr;
  if (const ErrorCode code = ResolveDir(dir, &resolved); code != kOk) return code;
  *path = resolved->path;
  bool found = false;
  const ErrorCode code = Pick(*resolved, posix.substr(dir.size()), path, &found);
  if (where == nullptr) return code;
  *where = {resolved->key, found, false};
  if (auto made = created_.find(resolved->key); found && made != created_.end())
    where->made = made->second.contains(path->substr(resolved->path.size()));
  return code;
}

void NameResolver::Forget() {
  dirs_.clear();
  recent_[0] = recent_[1] = Recent();
  listings_.clear();
}

void NameResolver::NoteCreated(FileKey dir, std::string_view leaf) {
  if (dir == FileKey() || IsSpecial(leaf)) return;
  if (!created_[dir].emplace(leaf).second) return;  // known already
  auto it = listings_.find(dir);
  if (it == listings_.end() || it->second.error != kOk) return;
  Listing& listing = it->second;
  listing.entries.emplace_back(leaf);
  if (!listing.indexed) return;
  if (2 * listing.entries.size() > listing.slots.size()) {
    Index(&listing);  // in twice the slots
  } else {
    listing.next.push_back(kNone);
    Insert(&listing, listing.entries.size() - 1);
  }
}

}  // namespace tesvak
