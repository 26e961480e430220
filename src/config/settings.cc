#include "config/settings.h"

#include "base/messages.h"
#include "config/text_file.h"
#include "config/words.h"

namespace tesvak {
namespace {

// The three settings: the key as the folded line spells it, the name a
// sysop knows it by, and where it goes.
struct Key {
  const char* folded;
  const char* shown;
  std::string Settings::*value;
  std::size_t Settings::Lines::*line;
};
constexpr Key kKeys[] = {
    {"SQUISHFILE", "SquishFile", &Settings::SquishFile, &Settings::Lines::SquishFile},
    {"RULESPATH", "RulesPath", &Settings::RulesPath, &Settings::Lines::RulesPath},
    {"OUTDIR", "OutDir", &Settings::OutDir, &Settings::Lines::OutDir},
};

// What a warning shows of the words a line holds after its value.
constexpr std::size_t kShownDropped = 60;

std::string Dropped(std::string_view line, std::string_view first) {
  std::string_view rest = line.substr(static_cast<std::size_t>(first.data() - line.data()));
  while (!rest.empty() && IsWordSeparator(rest.back())) rest.remove_suffix(1);
  if (rest.size() <= kShownDropped) return std::string(rest);
  return std::string(rest.substr(0, kShownDropped)) + "...";
}

}  // namespace

Status ReadSettings(Platform& fs, Settings* settings, RunLog& log) {
  TextFile file(fs);
  if (!file.Open(kSettingsName)) {
    return Status::Stop(kNoSettingsLine, {kSettingsName, 0, kCannotOpenSettings, kSettingsName,
                                          Cause::Shown::kAsWritten, file.why()});
  }
  const bool listens = log.Listens();
  // The key, the value, and whether anything follows it.
  return ForEachLine(file, LineUse{.words = 3}, log, [&](std::string_view line) {
    if (line.empty() || line[0] == ';') return Status::Ok();
    const std::span<const std::string_view> words = file.words();
    if (words.empty()) return Status::Ok();
    const std::string key = FoldUpper(words[0]);
    const FileLine at{file.name(), file.line_number()};
    for (const Key& k : kKeys) {
      if (key != k.folded) continue;
      std::string& value = settings->*k.value;
      value = words.size() > 1 ? FoldUpper(words[1]) : std::string();
      settings->line.*k.line = at.line;
      if (listens && words.size() > 2)
        log.WordsDropped(at, k.shown, value, Dropped(line, words[2]));
      return Status::Ok();
    }
    if (listens) log.NoSuchSetting(at, key);
    return Status::Ok();
  });
}

Status NormaliseSettings(Settings* settings) {
  std::string missing;
  std::size_t count = 0;
  for (const Key& k : kKeys) {
    if (!(settings->*k.value).empty()) continue;
    const std::size_t line = settings->line.*k.line;
    missing += (count++ > 0 ? ", " : "") + std::string(k.shown);
    missing += line == 0 ? std::string(kNotSet) : kNoValueOnLine + std::to_string(line) + ")";
  }
  if (count > 0) {
    const std::string what = (count == 1 ? kMissingSetting : kMissingSettings) + missing;
    return Status::Stop(kMissingSettingLine, {kSettingsName, 0, what});
  }
  for (std::string* dir : {&settings->RulesPath, &settings->OutDir})
    if (dir->back() != '\\') dir->push_back('\\');
  return Status::Ok();
}

}  // namespace tesvak
