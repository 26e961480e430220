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

// Sets what `arg` asks for, or says why it is refused.
std::string Set(const std::string& arg, bool slash_options, Options* options) {
  const auto unknown = [](std::string_view name) {
    return kUnknownOption + std::string(name) + "'";
  };
  if (slash_options && arg == "/?") {
    SetShort('h', options);
    return std::string();
  }
  if (arg.starts_with("--")) return SetLong(arg, options) ? std::string() : unknown(arg);
  if (arg.size() < 2 || arg[0] != '-') {
    return arg == "-" ? unknown(arg) : kUnexpectedArgument + arg + "'";
  }
  for (std::size_t i = 1; i < arg.size(); ++i)
    if (!SetShort(arg[i], options)) return unknown(arg.substr(i, 1));
  return std::string();
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args, bool slash_options) {
  Options options;
  for (std::size_t i = 0; i < args.size() && options.refused.empty(); ++i) {
    if (args[i] == "--") {
      if (i + 1 < args.size()) options.refused = kUnexpectedArgument + args[i + 1] + "'";
      break;
    }
    options.refused = Set(args[i], slash_options, &options);
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
