#include "driver/progress.h"

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
  // two files may have names alike.
  const FileKey key = fs_.KeyOf(dest_file);
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

void ProgressLog::NoAreas(const std::string& file) { Warn(fs_.SystemName(file) + kNoEchoAreas); }

void ProgressLog::Summary(std::size_t areas, const RulesPassCounts& counts) {
  fs_.Print(Platform::Stream::kOut, kSummaryStart + std::to_string(areas) + kSummaryAreas +
                                        std::to_string(counts.lines) + kSummaryLines +
                                        std::to_string(counts.copies) + kSummaryCopies +
                                        std::to_string(counts.unknown) + kSummaryUnknown);
}

void ProgressLog::Warn(std::string_view text) {
  fs_.Print(Platform::Stream::kErr, kWarning + std::string(text));
}

std::string ProgressLog::Where(FileLine at) {
  // A few files, named on every warning: each is looked up once.
  auto [shown, fresh] = file_names_.try_emplace(at.file);
  if (fresh) shown->second = fs_.SystemName(at.file);
  return shown->second + ":" + std::to_string(at.line) + ": ";
}

}  // namespace tesvak
