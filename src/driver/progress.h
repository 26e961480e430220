// The report of a dry or verbose run: a line for each copy on standard
// output, a warning on standard error for each thing the run passed over
// that its user may not expect, and a closing summary.  Names are shown as
// the file system sees them.
#ifndef TESVAK_DRIVER_PROGRESS_H_
#define TESVAK_DRIVER_PROGRESS_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/run_log.h"
#include "base/status.h"
#include "platform/platform.h"
#include "rules/rename_rules.h"

namespace tesvak {

class ProgressLog final : public RunLog {
 public:
  explicit ProgressLog(Platform& fs) : fs_(fs) {}

  // "SOURCE -> DEST", and a warning when an earlier line copied to the same
  // file already.
  void Copy(FileLine at, const std::string& source, const std::string& dest, bool same_file,
            FileId dest_file) override;
  void NoSuchArea(FileLine at, std::string_view tag) override;
  void TagDefinedAgain(FileLine at, std::string_view tag) override;
  void TextAfterCtrlZ(FileLine at) override;
  void NoSuchSetting(FileLine at, std::string_view key) override;
  void WordsDropped(FileLine at, std::string_view key, std::string_view value,
                    std::string_view dropped) override;
  void GotNoRules(FileLine at, std::string_view tag) override;

  // The Squish configuration `file` gave no echo area at all.
  void NoAreas(const std::string& file);
  void Summary(std::size_t areas, const RulesPassCounts& counts);
  // Why the run stopped or failed, before its line or report.
  void ShowCause(const Cause& cause);

 private:
  void Warn(std::string_view text);
  // "FILE:N: ", or "FILE: " for line 0.
  std::string Where(FileLine at);

  Platform& fs_;
  // The line that last copied to each output, by the output's key.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> last_copy_;
  // The names the file system sees for the input files warned about.
  std::unordered_map<std::string, std::string> file_names_;
};

}  // namespace tesvak

#endif  // TESVAK_DRIVER_PROGRESS_H_
