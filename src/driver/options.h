// The command line.  A run without arguments is the program's plain job;
// the options only ask for help, the version, or a report of the work.
#ifndef TESVAK_DRIVER_OPTIONS_H_
#define TESVAK_DRIVER_OPTIONS_H_

#include <string>
#include <vector>

namespace tesvak {

struct Options {
  bool help = false;     // -h, --help (and /? where options take a slash)
  bool version = false;  // -V, --version
  bool dry_run = false;  // -n, --dry-run: check and show every copy, make none
  bool verbose = false;  // -v, --verbose: show every copy as it is made
  std::string unknown;   // the first argument that is none of these
};

// Reads the arguments after the program's name.  Short options may be
// given together ("-nv").  `slash_options` accepts "/?" for help, as
// Windows programs do.
Options ParseOptions(const std::vector<std::string>& args, bool slash_options);

// The usage text, a line an element.
std::vector<std::string> HelpText(bool slash_options);

}  // namespace tesvak

#endif  // TESVAK_DRIVER_OPTIONS_H_
