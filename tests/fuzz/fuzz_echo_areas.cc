// The echo-area table: at most 1000 areas, stopping exactly at the 1001st
// ECHOAREA line, and the lookup always finds the first area of a tag.
#include <cstdlib>
#include <map>

#include "config/echo_areas.h"
#include "config/words.h"
#include "fake_platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakePlatform fs;
  fs.files["SQ.CFG"].assign(reinterpret_cast<const char*>(data), size);
  AreaTable table;
  const Status s = ReadEchoAreas(fs, "SQ.CFG", &table);
  Check(s.ok() || (s.kind() == Status::Kind::kStop && s.line() == kAreaLimitLine &&
                   table.size() == kMaxAreas));
  Check(table.size() <= kMaxAreas && table.NextArea() == table.size() + 1);
  std::map<std::string, const TEcho*> first;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const TEcho& area = table[i];
    Check(area.Tag.find_first_of(" \t\r\n") == std::string::npos &&
          area.Path.find_first_of(" \t\r\n") == std::string::npos);
    first.try_emplace(FoldUpper(area.Tag), &area);
    Check(table.Find(area.Tag) == first[FoldUpper(area.Tag)]);
    Check(table.Find(FoldUpper(area.Tag)) == table.Find(area.Tag));
  }
  return 0;
}
