// The rules pass: every files.bbs line whose tag names a known echo area
// has its rules file copied to the area's base name plus ".sqr".
#ifndef TESVAK_RULES_RENAME_RULES_H_
#define TESVAK_RULES_RENAME_RULES_H_

#include <string>
#include <string_view>

#include "config/echo_areas.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "platform/status.h"

namespace tesvak {

inline constexpr char kRulesListName[] = "files.bbs";
inline constexpr char kRulesListShownName[] = "Files.bbs";
inline constexpr char kNotFoundRemark[] = "is not found.";

// The last component of a message-base path: what follows its last
// backslash or slash (both separate, so paths from Unix systems work too);
// the whole path when it has neither.
std::string_view BaseName(std::string_view path);

// Reads the echo areas into *table, then walks RulesPath + "files.bbs".
// Each line names a rules file (first word) and an area tag (fourth word);
// for the first area with that tag, ignoring ASCII case, the file is copied
// to OutDir + BaseName(area path) + ".sqr".  Lines with no file name or an
// unknown tag are skipped silently.  `settings` must be normalised: both
// directories end in a backslash.
Status RenameRules(Platform& fs, const Settings& settings, AreaTable* table);

}  // namespace tesvak

#endif  // TESVAK_RULES_RENAME_RULES_H_
