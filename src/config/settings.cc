#include "config/settings.h"

#include "base/messages.h"
#include "config/text_file.h"
#include "config/words.h"

namespace tesvak {

Status ReadSettings(Platform& fs, Settings* settings, RunLog& log) {
  TextFile file(fs);
  if (!file.Open(kSettingsName)) return Status::Stop(kNoSettingsLine);
  std::string folded;
  const LineUse key_and_value{.words = 2};
  return ForEachLine(file, key_and_value, log, [settings, &folded](std::string_view line) {
    if (line.empty() || line[0] == ';') return Status::Ok();
    folded.assign(line);
    FoldUpperInPlace(folded);
    std::string_view rest(folded);
    const std::string_view key = NextWord(rest);
    if (key == "SQUISHFILE")
      settings->SquishFile = NextWord(rest);
    else if (key == "RULESPATH")
      settings->RulesPath = NextWord(rest);
    else if (key == "OUTDIR")
      settings->OutDir = NextWord(rest);
    return Status::Ok();
  });
}

Status NormaliseSettings(Settings* settings) {
  if (settings->RulesPath.empty() || settings->SquishFile.empty() || settings->OutDir.empty())
    return Status::Stop(kMissingSettingLine);
  for (std::string* dir : {&settings->RulesPath, &settings->OutDir})
    if (dir->back() != '\\') dir->push_back('\\');
  return Status::Ok();
}

}  // namespace tesvak
