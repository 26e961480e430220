#include "platform/names.h"

#include "base/ascii.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

bool IsSpecial(std::string_view component) {
  return component.empty() || component == "." || component == "..";
}

void AddEntry(DirEntry entry, std::unordered_map<std::string, EntryType>* exact,
              std::unordered_map<std::string, std::string>* folded) {
  auto [it, fresh] = folded->try_emplace(FoldUpper(entry.name), entry.name);
  if (!fresh && entry.name < it->second) it->second = entry.name;
  exact->insert_or_assign(std::move(entry.name), entry.type);
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

std::string DirOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DosToPosix(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c == '\\') c = '/';
  const bool drive = out.size() >= 2 && out[1] == ':' &&
                     ((out[0] >= 'A' && out[0] <= 'Z') || (out[0] >= 'a' && out[0] <= 'z'));
  if (drive) out.erase(0, 2);
  return out;
}

const NameResolver::Listing& NameResolver::ListingOf(const std::string& dir) {
  auto [it, fresh] = listings_.try_emplace(dir);
  if (fresh) {
    std::vector<DirEntry> entries;
    it->second.readable = lister_(dir.empty() ? "." : dir, &entries);
    for (DirEntry& e : entries) AddEntry(std::move(e), &it->second.exact, &it->second.folded);
  }
  return it->second;
}

std::string NameResolver::Pick(const std::string& dir, std::string_view component) {
  std::string exact(component);
  if (IsSpecial(component)) return exact;
  const Listing& listing = ListingOf(dir);
  if (!listing.readable || listing.exact.contains(exact)) return exact;
  auto it = listing.folded.find(FoldUpper(component));
  return it == listing.folded.end() ? exact : it->second;
}

// `dir` is empty (the current directory) or ends with a slash.
const std::string& NameResolver::ResolveDir(const std::string& dir) {
  auto cached = dirs_.find(dir);
  if (cached != dirs_.end()) return cached->second;
  std::string resolved;
  if (!dir.empty() && dir != "/") {
    std::string_view body(dir.data(), dir.size() - 1);
    const std::size_t slash = body.rfind('/');
    const std::string parent(slash == std::string_view::npos ? std::string_view()
                                                             : body.substr(0, slash + 1));
    const std::string_view component =
        slash == std::string_view::npos ? body : body.substr(slash + 1);
    resolved = ResolveDir(parent);
    resolved += Pick(resolved, component);
    resolved += '/';
  } else {
    resolved = dir;
  }
  return dirs_.emplace(dir, std::move(resolved)).first->second;
}

std::string NameResolver::Resolve(std::string_view name) {
  const std::string posix = DosToPosix(name);
  const std::string dir = DirOf(posix);
  const std::string& resolved = ResolveDir(dir);
  return resolved + Pick(resolved, std::string_view(posix).substr(dir.size()));
}

const EntryType* NameResolver::Listed(const std::string& path) const {
  const std::string dir = DirOf(path);
  auto it = listings_.find(dir);
  if (it == listings_.end()) return nullptr;
  auto entry = it->second.exact.find(path.substr(dir.size()));
  return entry == it->second.exact.end() ? nullptr : &entry->second;
}

void NameResolver::NoteCreated(const std::string& path) {
  const std::string dir = DirOf(path);
  auto it = listings_.find(dir);
  if (it == listings_.end() || !it->second.readable) return;
  std::string leaf = path.substr(dir.size());
  if (IsSpecial(leaf)) return;
  AddEntry({std::move(leaf), EntryType::kRegular}, &it->second.exact, &it->second.folded);
}

}  // namespace tesvak
