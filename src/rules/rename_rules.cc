#include "rules/rename_rules.h"

#include <string>

#include "base/messages.h"
#include "base/path.h"
#include "config/text_file.h"
#include "config/words.h"

namespace tesvak {

Status RenameRules(Platform& fs, const Settings& settings, const AreaTable& areas,
                   CopyAction action, RunLog& log, RulesPassCounts* counts) {
  const std::string list_name = settings.RulesPath + kRulesListName;
  TextFile list(fs);
  if (!list.Open(list_name)) {
    return Status::Stop(settings.RulesPath + kRulesListShownName + " " + kNotFoundRemark);
  }
  std::string source;
  std::string dest;
  const bool listens = log.Listens();
  // The file name, two ignored words and the tag.
  return ForEachLine(list, LineUse{.words = 4}, log, [&](std::string_view) {
    ++counts->lines;
    // A line without a tag names no area, not even one defined without a
    // tag by a bare EchoArea line.
    const std::span<const std::string_view> words = list.words();
    if (words.size() < 4) return Status::Ok();
    const std::string_view name = words[0];
    const std::string_view tag = words[3];
    const FileLine at{list_name, list.line_number()};
    const TEcho* area = areas.Find(tag);
    if (area == nullptr) {
      ++counts->unknown;
      if (listens) log.NoSuchArea(at, tag);
      return Status::Ok();
    }
    source.assign(settings.RulesPath).append(name);
    dest.assign(settings.OutDir).append(BaseName(area->Path)).append(".sqr");
    bool copied = false;
    Status copy = CopyRulesFile(fs, source, dest, action, at, log, &copied);
    counts->copies += copied ? 1 : 0;
    return copy;
  });
}

}  // namespace tesvak
