#include "platform/names.h"

#include "base/ascii.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

bool IsSpecial(std::string_view component) {
  return component.empty() || component == "." || component == "..";
}

void AddEntry(std::string name, std::unordered_set<std::string>* exact,
              std::unordered_map<std::string, std::string>* folded) {
  auto [it, fresh] = folded->try_emplace(FoldUpper(name), name);
  if (!fresh && name < it->second) it->second = name;
  exact->insert(std::move(name));
}

}  // namespace

std::string_view CutName(std::string_view name) { return name.substr(0, kMaxName); }

std::string DirOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DosToPosix(std::string_view name) {
  std::string out(CutName(name));
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
    std::vector<std::string> names;
    it->second.readable = lister_(dir.empty() ? "." : dir, &names);
    for (std::string& n : names) AddEntry(std::move(n), &it->second.exact, &it->second.folded);
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

bool NameResolver::Listed(const std::string& path) const {
  const std::string dir = DirOf(path);
  auto it = listings_.find(dir);
  return it != listings_.end() && it->second.exact.contains(path.substr(dir.size()));
}

void NameResolver::NoteCreated(const std::string& path) {
  const std::string dir = DirOf(path);
  auto it = listings_.find(dir);
  if (it == listings_.end() || !it->second.readable) return;
  std::string leaf = path.substr(dir.size());
  if (IsSpecial(leaf)) return;
  AddEntry(std::move(leaf), &it->second.exact, &it->second.folded);
}

}  // namespace tesvak
