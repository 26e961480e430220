// The copy of one rules file to its output name.
#ifndef TESVAK_RULES_COPY_RULES_H_
#define TESVAK_RULES_COPY_RULES_H_

#include <cstdint>
#include <string>

#include "base/run_log.h"
#include "base/status.h"
#include "platform/platform.h"

namespace tesvak {

// What becomes of a copy once its output has been opened: its bytes are
// moved, or, in a dry run (whose platform only plans outputs), not.
enum class CopyAction : std::uint8_t { kCopy, kPlan };

// Copies `source` to `dest` byte for byte, replacing whatever `dest` held;
// with kPlan, opens both as the copy would but moves no byte.  The source is opened for reading
// only, shared for reading and writing.  When it cannot be opened the run stops with "Error:0001
// Please report me" and no destination is created.  When `dest` is the source itself, nothing is
// done: creating it would empty it.  Any later failure is an I/O error; a destination already
// created is left as it is.  Tells `log` of the copy, as line `at` of the rules list asked for it,
// once it is about to be made; sets *copied when it was (or would be) made.
Status CopyRulesFile(Platform& fs, const std::string& source, const std::string& dest,
                     CopyAction action, FileLine at, RunLog& log, bool* copied);

}  // namespace tesvak

#endif  // TESVAK_RULES_COPY_RULES_H_
