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

void NameResolver::Index(Listing* listing, std::size_t i) {
  const std::string& name = listing->entries[i];
  auto [it, fresh] = listing->by_folded.try_emplace(FoldUpper(name), i);
  if (fresh) return;
  if (name < listing->entries[it->second]) std::swap(i, it->second);
  listing->also.push_back(i);
}

const std::string* NameResolver::Lookup(Listing* listing, std::string_view component) {
  const std::vector<std::string>& entries = listing->entries;
  if (++listing->lookups == kIndexAfter)
    for (std::size_t i = 0; i < entries.size(); ++i) Index(listing, i);
  if (listing->lookups < kIndexAfter) {
    const std::string* best = nullptr;
    for (const std::string& e : entries) {
      if (e == component) return &e;
      if (EqualFolded(e, component) && (best == nullptr || e < *best)) best = &e;
    }
    return best;
  }
  auto it = listing->by_folded.find(FoldUpper(component));
  if (it == listing->by_folded.end()) return nullptr;
  for (std::size_t i : listing->also)
    if (entries[i] == component) return &entries[i];
  return &entries[it->second];
}

NameResolver::Listing& NameResolver::ListingOf(std::string_view dir) {
  auto it = listings_.find(dir);
  if (it == listings_.end()) {
    it = listings_.try_emplace(std::string(dir)).first;
    it->second.readable = lister_(dir.empty() ? "." : std::string(dir), &it->second.entries);
  }
  return it->second;
}

std::string NameResolver::Pick(std::string_view dir, std::string_view component, bool* found) {
  *found = false;
  if (IsSpecial(component)) return std::string(component);
  const std::string* entry = Lookup(&ListingOf(dir), component);
  *found = entry != nullptr;
  return entry == nullptr ? std::string(component) : *entry;
}

// `dir` is empty (the current directory) or ends with a slash.
const std::string& NameResolver::ResolveDir(std::string_view dir) {
  auto cached = dirs_.find(dir);
  if (cached != dirs_.end()) return cached->second;
  std::string resolved;
  if (!dir.empty() && dir != "/") {
    const std::string_view body = dir.substr(0, dir.size() - 1);
    const std::string_view parent = DirPart(body);
    bool found = false;
    resolved = ResolveDir(parent);
    resolved += Pick(resolved, body.substr(parent.size()), &found);
    resolved += '/';
  } else {
    resolved = dir;
  }
  return dirs_.try_emplace(std::string(dir), std::move(resolved)).first->second;
}

std::string NameResolver::Resolve(std::string_view name, bool* found) {
  const std::string posix = DosToPosix(name);
  const std::string_view dir = DirPart(posix);
  bool leaf_found = false;
  std::string resolved = ResolveDir(dir);
  resolved += Pick(resolved, std::string_view(posix).substr(dir.size()), &leaf_found);
  if (found != nullptr) *found = leaf_found;
  return resolved;
}

void NameResolver::NoteCreated(const std::string& path) {
  const std::string_view dir = DirPart(path);
  auto it = listings_.find(dir);
  if (it == listings_.end() || !it->second.readable) return;
  Listing& listing = it->second;
  const std::string_view leaf = std::string_view(path).substr(dir.size());
  if (IsSpecial(leaf)) return;
  listing.entries.emplace_back(leaf);
  if (listing.lookups >= kIndexAfter) Index(&listing, listing.entries.size() - 1);
}

}  // namespace tesvak
