// The POSIX name mapping.  The input is a name, a newline, and a directory
// tree as lines of "DIR/ENTRY" ("./ENTRY" for the current directory).  A
// resolved name has as many components as the name mapped, each equal to
// its own ignoring ASCII case, and spelled exactly as written whenever
// that spelling exists.
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "platform/names.h"
#include "platform/platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

static std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    parts.push_back(path.substr(start, slash - start));
    if (slash == std::string::npos) return parts;
    start = slash + 1;
  }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t nl = input.find('\n');
  const std::string name = input.substr(0, nl);
  std::map<std::string, std::set<std::string>> tree;  // dir as listed -> entries
  for (std::size_t pos = nl == std::string::npos ? input.size() : nl + 1; pos < input.size();) {
    std::size_t end = input.find('\n', pos);
    if (end == std::string::npos) end = input.size();
    const std::string line = input.substr(pos, end - pos);
    const std::size_t slash = line.rfind('/');
    if (slash != std::string::npos && slash + 1 < line.size()) {
      const std::string dir = line.substr(0, slash + 1);
      tree[dir == "./" ? "." : dir].insert(line.substr(slash + 1));
    }
    pos = end + 1;
  }

  NameResolver resolver(
      {[&](const std::string& dir) {
         auto it = tree.find(dir);
         if (it == tree.end()) return FileKey();
         return FileKey{1, static_cast<std::uint64_t>(std::distance(tree.begin(), it)) + 1};
       },
       [&](const std::string& dir, std::vector<std::string>* names) {
         auto it = tree.find(dir);
         if (it != tree.end()) names->assign(it->second.begin(), it->second.end());
         return kOk;
       },
       [&](const std::string& path) {
         const std::size_t slash = path.rfind('/');
         auto it = tree.find(slash == std::string::npos ? "." : path.substr(0, slash + 1));
         return it != tree.end() && it->second.count(path.substr(slash + 1)) != 0;
       }});
  const std::string mapped = DosToPosix(name);
  std::string resolved, again;
  Check(resolver.Resolve(name, &resolved) == kOk);
  Check(mapped.size() <= name.size() && mapped.find('\\') == std::string::npos);
  Check(resolver.Resolve(name, &again) == kOk && again == resolved);  // the caches change nothing

  const std::vector<std::string> want = Split(mapped), got = Split(resolved);
  Check(want.size() == got.size());
  std::string dir;  // the resolved directory so far, as the lister sees it
  for (std::size_t i = 0; i < want.size(); ++i) {
    Check(EqualFolded(want[i], got[i]));
    auto listed = tree.find(dir.empty() ? "." : dir);
    if (listed != tree.end() && listed->second.count(want[i])) Check(got[i] == want[i]);
    dir += got[i] + "/";
  }
  return 0;
}
