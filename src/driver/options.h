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
  std::string refused;   // why the arguments are refused, or empty
};

// Reads the arguments after the program's name.  Short options may be
// given together ("-nv"); "--" ends the options, and nothing may follow
// it, for the program takes no other argument.  `slash_options` accepts
// "/?" for help, as Windows programs do.  The first argument that is none
// of these is refused: an unknown option by its name (a short one by its
// letter), anything else as an argument the program does not take.
Options ParseOptions(const std::vector<std::string>& args, bool slash_options);

// The usage text, a line an element.
std::vector<std::string> HelpText(bool slash_options);

}  // namespace tesvak

#endif  // TESVAK_DRIVER_OPTIONS_H_
