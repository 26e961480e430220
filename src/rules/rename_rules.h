// The rules pass: every files.bbs line whose tag names a known echo area
// has its rules file copied to the area's base name plus ".sqr".
#ifndef TESVAK_RULES_RENAME_RULES_H_
#define TESVAK_RULES_RENAME_RULES_H_

#include <cstddef>

#include "base/run_log.h"
#include "base/status.h"
#include "config/echo_areas.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "rules/copy_rules.h"

namespace tesvak {

inline constexpr char kRulesListName[] = "files.bbs";

// What the rules pass did: the lines it read, the copies it made (or
// planned), the lines whose tag named no area, and the areas no line gave
// rules.
struct RulesPassCounts {
  std::size_t lines = 0;
  std::size_t copies = 0;
  std::size_t unknown = 0;
  std::size_t without_rules = 0;
};

// Walks RulesPath + "files.bbs".  Each line names a rules file (first word)
// and an area tag (fourth word); for the first area of `areas` with that
// tag, ignoring ASCII case, the file is copied to OutDir + the last
// component of the area's path + ".sqr", or with kPlan the copy is only
// checked.  Lines with no file name, no tag or an unknown tag are skipped;
// `log` hears of each copy and each unknown tag, and once the list is
// done, of each area that no line gave rules.  `settings` must be
// normalised: both directories end in a backslash.
Status RenameRules(Platform& fs, const Settings& settings, const AreaTable& areas,
                   CopyAction action, RunLog& log, RulesPassCounts* counts);

}  // namespace tesvak

#endif  // TESVAK_RULES_RENAME_RULES_H_
