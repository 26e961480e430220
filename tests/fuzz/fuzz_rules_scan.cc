// The whole run against an in-memory file system: tesvak.cfg, the Squish
// configuration and files.bbs come from the input, separated by lines of
// "====".  Every rules file a line names exists.  The run must end in one of
// its documented ways, create nothing outside the output directory, and
// leave every input as it was.
#include <cstdlib>
#include <set>
#include <string>

#include "base/messages.h"
#include "config/echo_areas.h"
#include "config/settings.h"
#include "driver/run.h"
#include "fake_platform.h"

using namespace tesvak;

static void Check(bool ok) {
  if (!ok) std::abort();
}

namespace {

// A file system on which every name that is not there reads as a small
// rules file, so that any files.bbs line can lead to a copy.
class AnyRulesFile : public FakePlatform {
 public:
  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    if (!files.count(name) && !dirs.count(name)) {
      files[name] = "rules of " + name;
      sources.insert(name);
    }
    return FakePlatform::OpenRead(name, file);
  }
  std::set<std::string> sources;
};

// Takes the next of the input's files, which "\n====\n" lines separate.
std::string TakeNextFile(std::string_view& input) {
  const std::size_t sep = input.find("\n====\n");
  const std::string part(input.substr(0, sep));
  input.remove_prefix(sep == std::string_view::npos ? input.size() : sep + 6);
  return part;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  AnyRulesFile fs;
  fs.files["tesvak.cfg"] = TakeNextFile(input);
  Settings settings;
  {
    FakePlatform side;
    QuietLog log;
    side.files = fs.files;
    Check(ReadSettings(side, &settings, log).ok());
  }
  const bool complete = NormaliseSettings(&settings).ok();
  const std::string squish = TakeNextFile(input);
  const std::string list = TakeNextFile(input);
  if (complete) {
    fs.files[settings.SquishFile] = squish;
    fs.files[settings.RulesPath + "files.bbs"] = list;
  }
  const auto inputs = fs.files;

  const int code = RunProgram(fs, {});
  const std::string& out = fs.console;
  switch (code) {
    case kExitSuccess:
      Check(out.empty());
      break;
    case kExitStopped:
      Check(out == "Config File Not found\r\n" || out == "Missing setting in config.\r\n" ||
            out == "Squish.cfg file not found\r\n" || out == std::string(kAreaLimitLine) + "\r\n" ||
            out == "Error:0001    Please report me\r\n" ||
            out == settings.RulesPath + "Files.bbs is not found.\r\n");
      break;
    case kExitFailure:
      Check(StartsWith(out, "Exception EInOutError in module tesvak at "));
      break;
    default:
      Check(false);
  }

  std::set<std::string> created;
  for (const std::string& entry : fs.log) {
    if (!StartsWith(entry, "create ")) continue;
    const std::string name = entry.substr(7);
    created.insert(name);
    Check(complete && StartsWith(name, settings.OutDir));
    const std::string leaf = name.substr(settings.OutDir.size());
    Check(leaf.find_first_of("\\/") == std::string::npos);
    Check(leaf.size() >= 4 && leaf.compare(leaf.size() - 4, 4, ".sqr") == 0);
  }
  for (const auto& [name, bytes] : inputs) Check(fs.files.at(name) == bytes);
  // A rules file is changed only where it is also an output (the output
  // directory is the rules directory and an earlier line wrote it).
  for (const std::string& name : fs.sources)
    Check(!inputs.count(name) && (created.count(name) || fs.files.at(name) == "rules of " + name));
  Check(fs.OpenNames().empty() || code != kExitSuccess);
  return 0;
}
