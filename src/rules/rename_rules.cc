#include "rules/rename_rules.h"

#include <string>

#include "base/path.h"
#include "config/text_file.h"
#include "config/words.h"
#include "rules/copy_rules.h"

namespace tesvak {

Status RenameRules(Platform& fs, const Settings& settings, const AreaTable& areas) {
  TextFile list(fs);
  if (!list.Open(settings.RulesPath + kRulesListName)) {
    return Status::Stop(settings.RulesPath + kRulesListShownName + " " + kNotFoundRemark);
  }
  std::string source;
  std::string dest;
  return ForEachLine(list, [&](std::string_view line) {
    std::string_view rest = line;
    const std::string_view name = NextWord(rest);
    if (name.empty()) return Status::Ok();
    NextWord(rest);
    NextWord(rest);
    // A line without a tag names no area, not even one defined without a
    // tag by a bare EchoArea line.
    const std::string_view tag = NextWord(rest);
    if (tag.empty()) return Status::Ok();
    const TEcho* area = areas.Find(tag);
    if (area == nullptr) return Status::Ok();
    source.assign(settings.RulesPath).append(name);
    dest.assign(settings.OutDir).append(BaseName(area->Path)).append(".sqr");
    return CopyRulesFile(fs, source, dest);
  });
}

}  // namespace tesvak
