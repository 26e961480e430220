#include "rules/rename_rules.h"

#include "config/text_file.h"
#include "config/words.h"
#include "rules/copy_rules.h"

namespace tesvak {

std::string_view BaseName(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

Status RenameRules(Platform& fs, const Settings& settings, AreaTable* table) {
  Status s = ReadEchoAreas(fs, settings.SquishFile, table);
  if (!s.ok()) return s;

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
    const TEcho* area = table->Find(NextWord(rest));
    if (area == nullptr) return Status::Ok();
    source.assign(settings.RulesPath).append(name);
    dest.assign(settings.OutDir).append(BaseName(area->Path)).append(".sqr");
    return CopyRulesFile(fs, source, dest);
  });
}

}  // namespace tesvak
