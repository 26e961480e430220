#include "platform/names.h"

#include "base/ascii.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

bool IsSpecial(std::string_view component) {
  return component.empty() || component == "." || component == "..";
}

// The directory part of a name, with its trailing slash, as DirOf.
std::string_view DirPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
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
  std::string_view stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  return IsDeviceStem(stem);
}

std::string DirOf(const std::string& path) { return std::string(DirPart(path)); }

std::string DosToPosix(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c == '\\') c = '/';
  const bool drive = out.size() >= 2 && out[1] == ':' &&
                     ((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z'));
  if (drive) out.erase(0, 2);
  return out;
}

void NameResolver::Add(DirEntry entry, Listing* listing) {
  auto [it, fresh] = listing->by_folded.try_emplace(FoldUpper(entry.name), entry);
  if (fresh || it->second.name == entry.name) return;
  if (entry.name < it->second.name) std::swap(entry, it->second);
  listing->more.push_back(std::move(entry));
}

const DirEntry* NameResolver::Exact(const Listing& listing, std::string_view leaf) {
  auto it = listing.by_folded.find(FoldUpper(leaf));
  if (it == listing.by_folded.end()) return nullptr;
  if (it->second.name == leaf) return &it->second;
  for (const DirEntry& e : listing.more)
    if (e.name == leaf) return &e;
  return nullptr;
}

const NameResolver::Listing& NameResolver::ListingOf(std::string_view dir) {
  auto it = listings_.find(dir);
  if (it == listings_.end()) {
    it = listings_.try_emplace(std::string(dir)).first;
    std::vector<DirEntry> entries;
    it->second.readable = lister_(dir.empty() ? "." : std::string(dir), &entries);
    for (DirEntry& e : entries) Add(std::move(e), &it->second);
  }
  return it->second;
}

std::string NameResolver::Pick(std::string_view dir, std::string_view component) {
  if (IsSpecial(component)) return std::string(component);
  const Listing& listing = ListingOf(dir);
  auto it = listing.by_folded.find(FoldUpper(component));
  if (it == listing.by_folded.end() || it->second.name == component) return std::string(component);
  for (const DirEntry& e : listing.more)
    if (e.name == component) return std::string(component);
  return it->second.name;  // the byte-wise smallest of those alike but for case
}

// `dir` is empty (the current directory) or ends with a slash.
const std::string& NameResolver::ResolveDir(std::string_view dir) {
  auto cached = dirs_.find(dir);
  if (cached != dirs_.end()) return cached->second;
  std::string resolved;
  if (!dir.empty() && dir != "/") {
    const std::string_view body = dir.substr(0, dir.size() - 1);
    const std::string_view parent = DirPart(body);
    resolved = ResolveDir(parent);
    resolved += Pick(resolved, body.substr(parent.size()));
    resolved += '/';
  } else {
    resolved = dir;
  }
  return dirs_.try_emplace(std::string(dir), std::move(resolved)).first->second;
}

std::string NameResolver::Resolve(std::string_view name) {
  const std::string posix = DosToPosix(name);
  const std::string_view dir = DirPart(posix);
  std::string resolved = ResolveDir(dir);
  resolved += Pick(resolved, std::string_view(posix).substr(dir.size()));
  return resolved;
}

const EntryType* NameResolver::Listed(const std::string& path) const {
  const std::string_view dir = DirPart(path);
  auto it = listings_.find(dir);
  if (it == listings_.end()) return nullptr;
  const DirEntry* entry = Exact(it->second, std::string_view(path).substr(dir.size()));
  return entry == nullptr ? nullptr : &entry->type;
}

void NameResolver::NoteCreated(const std::string& path) {
  const std::string_view dir = DirPart(path);
  auto it = listings_.find(dir);
  if (it == listings_.end() || !it->second.readable) return;
  const std::string_view leaf = std::string_view(path).substr(dir.size());
  if (IsSpecial(leaf) || Exact(it->second, leaf) != nullptr) return;
  Add({std::string(leaf), EntryType::kRegular}, &it->second);
}

}  // namespace tesvak
