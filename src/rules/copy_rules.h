// The copy of one rules file to its output name.
#ifndef TESVAK_RULES_COPY_RULES_H_
#define TESVAK_RULES_COPY_RULES_H_

#include <string>

#include "base/status.h"
#include "platform/platform.h"

namespace tesvak {

inline constexpr char kNoRulesFileLine[] = "Error:0001    Please report me";

// Copies `source` to `dest` byte for byte, replacing whatever `dest` held.
// The source is opened for reading only, shared for reading and writing.
// When it cannot be opened the run stops with "Error:0001    Please report
// me" and no destination is created.  When `dest` is the source itself,
// nothing is done: creating it would empty it.  Any later failure is an I/O
// error; a destination already created is left as it is.
Status CopyRulesFile(Platform& fs, const std::string& source, const std::string& dest);

}  // namespace tesvak

#endif  // TESVAK_RULES_COPY_RULES_H_
