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
    it->second.error = lister_(dir.empty() ? "." : std::string(dir), &it->second.entries);
  }
  return it->second;
}

// Appends to *out the entry of `dir` that `component` names.
ErrorCode NameResolver::Pick(std::string_view dir, std::string_view component, std::string* out,
                             bool* found) {
  *found = false;
  if (IsSpecial(component)) {
    out->append(component);
    return kOk;
  }
  Listing& listing = ListingOf(dir);
  if (listing.error != kOk) return listing.error;
  const std::string* entry = Lookup(&listing, component);
  *found = entry != nullptr;
  out->append(entry == nullptr ? component : std::string_view(*entry));
  return kOk;
}

// `dir` is empty (the current directory) or ends with a slash.
ErrorCode NameResolver::ResolveDir(std::string_view dir, const std::string** resolved) {
  auto cached = dirs_.find(dir);
  if (cached != dirs_.end()) {
    *resolved = &cached->second;
    return kOk;
  }
  std::string path;
  if (!dir.empty() && dir != "/") {
    const std::string_view body = dir.substr(0, dir.size() - 1);
    const std::string_view parent = DirPart(body);
    const std::string* parent_path = nullptr;
    bool found = false;
    if (const ErrorCode code = ResolveDir(parent, &parent_path); code != kOk) return code;
    path = *parent_path;
    if (const ErrorCode code = Pick(*parent_path, body.substr(parent.size()), &path, &found);
        code != kOk)
      return code;
    path += '/';
  } else {
    path = dir;
  }
  *resolved = &dirs_.try_emplace(std::string(dir), std::move(path)).first->second;
  return kOk;
}

ErrorCode NameResolver::Resolve(std::string_view name, std::string* path, bool* found) {
  const std::string posix = DosToPosix(name);
  const std::string_view dir = DirPart(posix);
  bool leaf_found = false;
  const std::string* dir_path = nullptr;
  if (const ErrorCode code = ResolveDir(dir, &dir_path); code != kOk) return code;
  *path = *dir_path;
  const ErrorCode code =
      Pick(*dir_path, std::string_view(posix).substr(dir.size()), path, &leaf_found);
  if (found != nullptr) *found = leaf_found;
  return code;
}

void NameResolver::NoteCreated(const std::string& path) {
  const std::string_view dir = DirPart(path);
  auto it = listings_.find(dir);
  if (it == listings_.end() || it->second.error != kOk) return;
  Listing& listing = it->second;
  const std::string_view leaf = std::string_view(path).substr(dir.size());
  if (IsSpecial(leaf)) return;
  listing.entries.emplace_back(leaf);
  if (listing.lookups >= kIndexAfter) Index(&listing, listing.entries.size() - 1);
}

}  // namespace tesvak
