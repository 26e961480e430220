#include "driver/options.h"

#include "base/messages.h"

namespace tesvak {
namespace {

// Sets the option a short letter stands for; false for an unknown letter.
bool SetShort(char letter, Options* options) {
  switch (letter) {
    case 'h':
      options->help = true;
      return true;
    case 'V':
      options->version = true;
      return true;
    case 'n':
      options->dry_run = true;
      return true;
    case 'v':
      options->verbose = true;
      return true;
    default:
      return false;
  }
}

bool SetLong(const std::string& arg, Options* options) {
  if (arg == "--help") return SetShort('h', options);
  if (arg == "--version") return SetShort('V', options);
  if (arg == "--dry-run") return SetShort('n', options);
  if (arg == "--verbose") return SetShort('v', options);
  return false;
}

bool Set(const std::string& arg, bool slash_options, Options* options) {
  if (slash_options && arg == "/?") return SetShort('h', options);
  if (arg.starts_with("--")) return SetLong(arg, options);
  if (arg.size() < 2 || arg[0] != '-') return false;
  for (std::size_t i = 1; i < arg.size(); ++i)
    if (!SetShort(arg[i], options)) return false;
  return true;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args, bool slash_options) {
  Options options;
  for (const std::string& arg : args) {
    if (!Set(arg, slash_options, &options)) {
      options.unknown = arg;
      break;
    }
  }
  return options;
}

std::vector<std::string> HelpText(bool slash_options) {
  std::vector<std::string> lines;
  for (const char* line : kHelpLines)
    lines.emplace_back(line != nullptr ? line
                       : slash_options ? kHelpOptionSlashLine
                                       : kHelpOptionLine);
  return lines;
}

}  // namespace tesvak
