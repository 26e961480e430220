#include "driver/progress.h"

#include <iterator>

#include "base/messages.h"

namespace tesvak {

void ProgressLog::Copy(FileLine at, const std::string& source, const std::string& dest,
                       bool same_file, FileId dest_file) {
  const std::string shown = fs_.SystemName(dest);
  std::string line = fs_.SystemName(source);
  line.append(kCopyArrow).append(shown);
  if (same_file) line += kSameFileSkipped;
  fs_.Print(Platform::Stream::kOut, line);
  if (same_file) return;
  // The same file, not a name alike: two names may lead to one file, and
  // two files may have names alike.  A file made anew is no earlier copy's,
  // though it may have the key of one removed since, and a key that tells
  // no file apart tells nothing.
  const FileKey key = fs_.KeyOf(dest_file);
  if (!Known(key)) return;
  if (fs_.IsNew(dest_file)) {
    last_copy_[{key.volume, key.index}] = at.line;
    return;
  }
  auto [earlier, fresh] = last_copy_.try_emplace({key.volume, key.index}, at.line);
  if (fresh) return;
  Warn(Where(at) + shown + kCopiedAgain + std::to_string(earlier->second));
  earlier->second = at.line;
}

void ProgressLog::NoSuchArea(FileLine at, std::string_view tag) {
  Warn(Where(at) + kNoSuchArea + std::string(tag));
}

void ProgressLog::TagDefinedAgain(FileLine at, std::string_view tag) {
  Warn(Where(at) + kTagAgainBefore + std::string(tag) + kTagAgainAfter);
}

void ProgressLog::TextAfterCtrlZ(FileLine at) { Warn(Where(at) + kTextAfterCtrlZ); }

void ProgressLog::NoSuchSetting(FileLine at, std::string_view key) {
  Warn(Where(at) + std::string(key) + kNoSuchSetting);
}

void ProgressLog::WordsDropped(FileLine at, std::string_view key, std::string_view value,
                               std::string_view dropped) {
  Warn(Where(at) + std::string(key) + kTakesOneWord + std::string(value) + kDropped +
       std::string(dropped));
}

void ProgressLog::GotNoRules(FileLine at, std::string_view tag) {
  Warn(Where(at) + kGotNoRulesBefore + std::string(tag) + kGotNoRulesAfter);
}

void ProgressLog::NoAreas(const std::string& file) { Warn(fs_.SystemName(file) + kNoEchoAreas); }

void ProgressLog::Summary(std::size_t areas, const RulesPassCounts& counts) {
  const std::size_t numbers[] = {areas, counts.lines, counts.copies, counts.unknown,
                                 counts.without_rules};
  std::string line = kSummaryStart;
  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    if (i > 0) line += kSummarySeparator;
    line += std::to_string(numbers[i]) + kSummaryNouns[i][numbers[i] == 1 ? 0 : 1];
  }
  fs_.Print(Platform::Stream::kOut, line);
}

void ProgressLog::ShowCause(const Cause& cause) {
  if (cause.what.empty()) return;
  std::string line = kCauseStart;
  line.append(Where({cause.file, cause.line})).append(cause.what);
  if (!cause.name.empty()) {
    line.push_back(' ');
    if (cause.shown == Cause::Shown::kSystem) {
      line.append(fs_.SystemName(cause.name));
    } else {
      line.append(cause.name).append(kLookedUpAs).append(fs_.FullName(cause.name)).push_back(')');
    }
  }
  if (!cause.why.empty()) line.append(": ").append(cause.why);
  fs_.Print(Platform::Stream::kErr, line);
}

void ProgressLog::Warn(std::string_view text) {
  fs_.Print(Platform::Stream::kErr, kWarning + std::string(text));
}

std::string ProgressLog::Where(FileLine at) {
  // A few files, named on every warning: each is looked up once.
  auto [shown, fresh] = file_names_.try_emplace(at.file);
  if (fresh) shown->second = fs_.SystemName(at.file);
  std::string where = shown->second;
  if (at.line != 0) where.append(":").append(std::to_string(at.line));
  return where.append(": ");
}

}  // namespace tesvak
