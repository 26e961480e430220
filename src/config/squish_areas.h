// Where the echo areas come from: the Squish configuration's EchoArea
// lines, the files it includes, and the AREAS.BBS file it names, read as
// Squish reads them.
#ifndef TESVAK_CONFIG_SQUISH_AREAS_H_
#define TESVAK_CONFIG_SQUISH_AREAS_H_

#include <string>

#include "base/run_log.h"
#include "base/status.h"
#include "config/echo_areas.h"
#include "platform/platform.h"

namespace tesvak {

inline constexpr int kMaxIncludeDepth = 16;
inline constexpr int kMaxIncludes = 1000;

// Reads the echo areas Squish carries into *table, in this order:
//  - the Squish configuration `squish_file`, line by line.  A line whose
//    first word is EchoArea (any case) gives an area: its second word is
//    the tag, its third the message-base path, missing words are empty.
//    A line whose first word is Include reads the file its second word
//    names right there, with the same rules, as written (so a relative
//    name is relative to the current directory); one without a name is
//    ignored.  A line whose first word is AreasBBS names the AREAS.BBS
//    file, the last such line winning and one without a name turning it
//    off;
//  - then the AREAS.BBS file, if one is named (see ReadAreasBbs).
// Stops with "Squish.cfg file not found" when the configuration cannot be
// opened, with NAME + " is not found." when an included file or AREAS.BBS
// cannot, with "Include nested deeper than 16 levels: " + NAME at a 17th
// level of Include or at an Include of a file that is being read already,
// with "Include used more than 1000 times: " + NAME at the 1001st Include
// line followed in all, before it is opened, and with the area-limit line
// at the 1001st area line from any source.
// Each stop's cause names the line that led there; `named_at` is the line
// of the settings that named `squish_file`.  Tells `log` of every area line
// whose tag an earlier one defined.
Status ReadEchoAreas(Platform& fs, const std::string& squish_file, FileLine named_at,
                     AreaTable* table, RunLog& log);

}  // namespace tesvak

#endif  // TESVAK_CONFIG_SQUISH_AREAS_H_
