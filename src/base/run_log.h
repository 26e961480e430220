// What a run can tell about its work besides stops and failures: each copy
// it makes, and each thing it passes over that its user may not expect.
// The parts of the program report these events as they meet them; only the
// driver decides whether and how they are shown (a plain run shows none),
// so no part ever prints.
#ifndef TESVAK_BASE_RUN_LOG_H_
#define TESVAK_BASE_RUN_LOG_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "base/file_id.h"

namespace tesvak {

// A line of an input file: the program's name for the file, and the line's
// number from 1, counted by the reader's line ends.
struct FileLine {
  const std::string& file;
  std::size_t line;
};

class RunLog {
 public:
  virtual ~RunLog() = default;

  // Whether anything is told at all: a plain run's log tells nothing, and
  // nothing need be found out for it.
  virtual bool Listens() const { return true; }

  // The copy of `source` to `dest` that line `at` of the rules list asks
  // for, reported when it is about to be made (or, in a dry run, would
  // be).  `same_file` when `dest` is the source itself, so that nothing is
  // copied; otherwise `dest_file` is the output, open, which tells it apart
  // from the outputs of earlier copies.
  virtual void Copy(FileLine at, const std::string& source, const std::string& dest, bool same_file,
                    FileId dest_file) = 0;
  // A rules-list line whose tag names no echo area.
  virtual void NoSuchArea(FileLine at, std::string_view tag) = 0;
  // An area line whose tag an earlier area line defined already.
  virtual void TagDefinedAgain(FileLine at, std::string_view tag) = 0;
  // A text input whose text a Ctrl-Z on line `at` ended, with bytes after
  // it that are never read.
  virtual void TextAfterCtrlZ(FileLine at) = 0;
  // A settings line whose key, folded, names no setting.
  virtual void NoSuchSetting(FileLine at, std::string_view key) = 0;
  // A settings line with words after its value, which are ignored: `key`
  // by the name a sysop knows it by, the value used and what was dropped.
  virtual void WordsDropped(FileLine at, std::string_view key, std::string_view value,
                            std::string_view dropped) = 0;
  // An echo area, defined at `at`, that no rules-list line gave rules.
  virtual void GotNoRules(FileLine at, std::string_view tag) = 0;
};

// The log of a plain run, which tells nothing.
class QuietLog final : public RunLog {
 public:
  bool Listens() const override { return false; }
  void Copy(FileLine, const std::string&, const std::string&, bool, FileId) override {}
  void NoSuchArea(FileLine, std::string_view) override {}
  void TagDefinedAgain(FileLine, std::string_view) override {}
  void TextAfterCtrlZ(FileLine) override {}
  void NoSuchSetting(FileLine, std::string_view) override {}
  void WordsDropped(FileLine, std::string_view, std::string_view, std::string_view) override {}
  void GotNoRules(FileLine, std::string_view) override {}
};

}  // namespace tesvak

#endif  // TESVAK_BASE_RUN_LOG_H_
