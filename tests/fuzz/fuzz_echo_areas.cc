// The echo-area table read from a Squish configuration and the files it
// includes or names as AREAS.BBS.  The input is up to four files, SQ.CFG,
// A, B and C, separated by lines of "====", so Include and AreasBBS lines
// can name each other; nesting is bounded by the reader itself.  Reading
// ends ok or with one of its stops, with at most 1000 areas, no file left
// open, and a lookup that always finds the first area of a tag.
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "config/echo_areas.h"
#include "config/squish_areas.h"
#include "config/words.h"
#include "fake_platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

static bool StartsWith(const std::string& s, std::string_view prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  FakePlatform fs;
  for (const char* name : {"SQ.CFG", "A", "B", "C"}) {
    const std::size_t sep = input.find("\n====\n");
    fs.files[name] = std::string(input.substr(0, sep));
    input.remove_prefix(sep == std::string_view::npos ? input.size() : sep + 6);
    if (sep == std::string_view::npos) break;
  }
  AreaTable table;
  QuietLog log;
  const std::string settings = "tesvak.cfg";
  const Status s = ReadEchoAreas(fs, "SQ.CFG", {settings, 1}, &table, log);
  const std::string& line = s.line();
  const bool missing = line.size() > 14 && line.ends_with(" is not found.") &&
                       !fs.files.count(line.substr(0, line.size() - 14));
  Check(s.ok() ||
        (s.kind() == Status::Kind::kStop &&
         ((line == kAreaLimitLine && table.size() == kMaxAreas) || missing ||
          StartsWith(line, kIncludeTooDeepLine) || StartsWith(line, kIncludeTooOftenLine))));
  Check(table.size() <= kMaxAreas && table.NextArea() == table.size() + 1);
  Check(fs.OpenNames().empty());
  std::map<std::string, const TEcho*> first;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const TEcho& area = table[i];
    Check(area.Tag.find_first_of(" \t\r\n") == std::string::npos &&
          area.Path.find_first_of(" \t\r\n") == std::string::npos);
    // A tag longer than any name names no area, though it is stored.
    if (area.Tag.size() > kMaxTag) {
      Check(table.Find(area.Tag) == nullptr);
      continue;
    }
    first.try_emplace(FoldUpper(area.Tag), &area);
    Check(table.Find(area.Tag) == first[FoldUpper(area.Tag)]);
    Check(table.Find(FoldUpper(area.Tag)) == table.Find(area.Tag));
  }
  return 0;
}
