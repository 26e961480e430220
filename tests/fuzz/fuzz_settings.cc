// The settings file: values are single upper-cased words, with no separator
// and no line end in them, and reading
// never fails once the file is open.
#include <cstdlib>

#include "config/settings.h"
#include "fake_platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

static void CheckValue(const std::string& value) {
  for (char c : value)
    Check(c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\x1a' &&
          !(c >= 'a' && c <= 'z'));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakePlatform fs;
  fs.files["tesvak.cfg"].assign(reinterpret_cast<const char*>(data), size);
  Settings settings;
  QuietLog log;
  Check(ReadSettings(fs, &settings, log).ok());
  CheckValue(settings.SquishFile);
  CheckValue(settings.RulesPath);
  CheckValue(settings.OutDir);
  Check(fs.log.size() == 1 && fs.OpenNames().empty());
  return 0;
}
