// tesvak: copies the rules file of every echo area of a Squish configuration
// to the area's message-base name plus ".sqr".  Reads tesvak.cfg in the
// current directory; see --help for the options.
#include <string>
#include <vector>

#include "driver/run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return tesvak::RunProgram(*tesvak::MakeSystemPlatform(), args);
}
