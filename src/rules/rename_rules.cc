#include "rules/rename_rules.h"

#include <string>
#include <vector>

#include "base/messages.h"
#include "base/path.h"
#include "config/text_file.h"
#include "config/words.h"

namespace tesvak {
namespace {

// Counts the areas that are found by their tag, so could get rules, and
// got none, and tells `log` of each.
void CountWithoutRules(const AreaTable& areas, const std::vector<bool>& given, RunLog& log,
                       RulesPassCounts* counts) {
  for (std::size_t i = 0; i < areas.size(); ++i) {
    const AreaTable::Defined& defined = areas.DefinedAt(i);
    // A tagless area, from a bare EchoArea line, can get none.
    if (given[i] || !defined.found || areas[i].Tag.empty()) continue;
    ++counts->without_rules;
    log.GotNoRules({defined.file, defined.line}, areas[i].Tag);
  }
}

}  // namespace

Status RenameRules(Platform& fs, const Settings& settings, const AreaTable& areas,
                   CopyAction action, RunLog& log, RulesPassCounts* counts) {
  const std::string list_name = settings.RulesPath + kRulesListName;
  TextFile list(fs);
  if (!list.Open(list_name)) {
    return Status::Stop(settings.RulesPath + kRulesListShownName + " " + kNotFoundRemark,
                        {kSettingsName, settings.line.RulesPath, kCannotOpenRulesList, list_name,
                         Cause::Shown::kAsWritten, list.why()});
  }
  std::string source;
  std::string dest;
  const bool listens = log.Listens();
  std::vector<bool> given(areas.size());  // by area: a line gave it rules
  // The file name, two ignored words and the tag.
  Status s = ForEachLine(list, LineUse{.words = 4}, log, [&](std::string_view) {
    ++counts->lines;
    // A line without a tag names no area, not even one defined without a
    // tag by a bare EchoArea line.
    const std::span<const std::string_view> words = list.words();
    if (words.size() < 4) return Status::Ok();
    const std::string_view tag = words[3];
    const TEcho* area = areas.Find(tag);
    if (area == nullptr) {
      ++counts->unknown;
      if (listens) log.NoSuchArea({list_name, list.line_number()}, tag);
      return Status::Ok();
    }
    const std::string_view name = words[0];
    const FileLine at{list_name, list.line_number()};
    source.assign(settings.RulesPath).append(name);
    dest.assign(settings.OutDir).append(BaseName(area->Path)).append(".sqr");
    bool copied = false;
    Status copy = CopyRulesFile(fs, source, dest, action, at, log, &copied);
    counts->copies += copied ? 1 : 0;
    given[areas.IndexOf(area)] = true;
    return copy;
  });
  if (s.ok()) CountWithoutRules(areas, given, log, counts);
  return s;
}

}  // namespace tesvak
