// The program's settings file, "tesvak.cfg" in the current directory.
#ifndef TESVAK_CONFIG_SETTINGS_H_
#define TESVAK_CONFIG_SETTINGS_H_

#include <cstddef>
#include <string>

#include "base/run_log.h"
#include "base/status.h"
#include "platform/platform.h"

namespace tesvak {

struct Settings {
  std::string SquishFile;  // the Squish configuration to take areas from
  std::string RulesPath;   // the directory of files.bbs and the rules files
  std::string OutDir;      // the directory that receives the .sqr copies
  // The line of the settings file that set each last, from 1; 0 where no
  // line did.  A stop names it.
  struct Lines {
    std::size_t SquishFile = 0;
    std::size_t RulesPath = 0;
    std::size_t OutDir = 0;
  } line;
};

inline constexpr char kSettingsName[] = "tesvak.cfg";

// Reads the settings file into *settings.  Lines that are empty or start
// with ';' are skipped; every other line is upper-cased whole, its first
// word is the key and its second the value.  The last occurrence of a key
// wins, and a key without a value empties its setting.  Unknown keys are
// ignored, and so are words after a value; `log` hears of both.  Stops
// with "Config File Not found" when the file cannot be opened.  Tells `log`
// of text after a Ctrl-Z.
Status ReadSettings(Platform& fs, Settings* settings, RunLog& log);

// Checks that all three settings are set, and gives both directories their
// trailing backslash; the Squish file is used as read.  Stops with
// "Missing setting in config." when one is empty, naming each that is.
Status NormaliseSettings(Settings* settings);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_SETTINGS_H_
