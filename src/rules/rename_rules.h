// The rules pass: every files.bbs line whose tag names a known echo area
// has its rules file copied to the area's base name plus ".sqr".
#ifndef TESVAK_RULES_RENAME_RULES_H_
#define TESVAK_RULES_RENAME_RULES_H_

#include "base/status.h"
#include "config/echo_areas.h"
#include "config/settings.h"
#include "platform/platform.h"

namespace tesvak {

inline constexpr char kRulesListName[] = "files.bbs";
inline constexpr char kRulesListShownName[] = "Files.bbs";
inline constexpr char kNotFoundRemark[] = "is not found.";

// Walks RulesPath + "files.bbs".  Each line names a rules file (first word)
// and an area tag (fourth word); for the first area of `areas` with that
// tag, ignoring ASCII case, the file is copied to OutDir + the last
// component of the area's path + ".sqr".  Lines with no file name, no tag
// or an unknown tag are skipped silently.  `settings` must be normalised: both
// directories end in a backslash.
Status RenameRules(Platform& fs, const Settings& settings, const AreaTable& areas);

}  // namespace tesvak

#endif  // TESVAK_RULES_RENAME_RULES_H_
