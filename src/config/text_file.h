// Sequential line reading of the program's text inputs.
//
// A line ends at CR LF, at a lone CR or at a lone LF, so DOS, old Mac and
// Unix text all read alike; a Ctrl-Z ends the text for good.  Lines have no
// length limit, yet memory does not grow with them: a line that fits in the
// reader's buffer is handed out as a view into it, and of a longer line only
// the words the caller uses are kept.  Reading is linear in the input.
#ifndef TESVAK_CONFIG_TEXT_FILE_H_
#define TESVAK_CONFIG_TEXT_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/run_log.h"
#include "base/status.h"
#include "config/words.h"
#include "platform/platform.h"

namespace tesvak {

class TextFile {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{256} * 1024;

  // `buffer_size` is for tests, which reach long lines with short ones.
  explicit TextFile(Platform& fs, std::size_t buffer_size = kBufferSize)
      : fs_(fs), capacity_(buffer_size) {}
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens an existing file for reading, shared for reading only.  The
  // cause of a failure is not told apart: each caller has one message.
  bool Open(const std::string& name);

  // The name the file was opened by.
  const std::string& name() const { return name_; }

  // Sets *end when the next byte is a Ctrl-Z or no byte remains.
  Status AtEnd(bool* end) {
    if (pos_ < end_ && !owe_lf_) {  // the common case, a byte at hand
      *end = false;
      return Status::Ok();
    }
    Status s = Fill();
    *end = pos_ == end_;
    return s;
  }

  // Reads the line at the current position and consumes the line end after
  // it.  *line stays valid until the next call on this file.  It is the
  // line itself, or, for a line longer than the buffer, a line with the
  // same words as far as `use` reaches, single spaces between them and one
  // space before them when the line starts with a space or TAB: the same
  // to every caller that keeps to `use`.
  Status ReadLine(std::string_view* line, const LineUse& use = LineUse());

  Status Close();

  // The open file, for questions to the platform about it.
  FileId id() const { return file_; }

  // The number of the line ReadLine gave last, from 1.
  std::size_t line_number() const { return line_number_; }

  // Once the text has been read to its end: sets *line to the number of
  // the line a Ctrl-Z ended when bytes follow that Ctrl-Z, which are never
  // read as text, and to 0 otherwise.  May read one byte past the Ctrl-Z
  // to find out.
  Status TextAfterCtrlZ(std::size_t* line);

 private:
  static constexpr char kCr = '\r';
  static constexpr char kLf = '\n';
  static constexpr char kCtrlZ = '\x1a';

  // Makes the next byte of the text available, if there is one: refills
  // the buffer when it is used up, and consumes an LF owed by the last line
  // end.  Afterwards pos_ == end_ only at the end of the text.
  Status Fill();

  // Moves the unread bytes to the front of the buffer and reads more after
  // them, up to the first Ctrl-Z.
  Status Refill();

  // The position of the first CR or LF at or after `from`, or end_ when
  // there is none.
  std::size_t NextLineEnd(std::size_t from) const;

  // Consumes the line end at pos_, if there is one: a CR with the LF after
  // it, or a lone CR or LF.  An LF that may follow a CR at the end of the
  // buffer is owed, and taken when the next bytes are read.
  void ConsumeLineEnd();

  // Reads a line that fills the whole buffer without ending in it.
  Status ReadLongLine(std::string_view* line, const LineUse& use);

  Platform& fs_;
  std::string name_;
  const std::size_t capacity_;  // the largest buffer this file uses
  std::size_t size_ = 0;        // of the buffer it has
  FileId file_ = 0;
  bool open_ = false;
  std::unique_ptr<char[]> buf_;
  std::string long_line_;  // the used words of a line longer than the buffer
  std::size_t pos_ = 0;
  std::size_t end_ = 0;  // the buffer's bytes up to the first Ctrl-Z
  bool ctrl_z_ = false;  // a Ctrl-Z was met: nothing after it is read
  enum class AfterZ : std::uint8_t { kNothing, kText, kUnknown };
  AfterZ after_z_ = AfterZ::kNothing;  // what follows the Ctrl-Z in the file
  bool line_end_last_ = false;         // the last line ReadLine gave ended in a line end
  bool eof_ = false;
  bool owe_lf_ = false;  // the last line ended in CR: an LF after it goes too
  std::size_t line_number_ = 0;
};

// The reading loop shared by every text input: hands each line, as a
// std::string_view valid for that call, to `handle`, which returns a
// Status; stops at the first one that is not ok.  `use` is read before each
// line, so a handler may change it as it goes.  Once the text has been
// read to its end, tells `log` of any text after a Ctrl-Z that ended it,
// and closes the file.
template <typename Handler>
Status ForEachLine(TextFile& file, const LineUse& use, RunLog& log, Handler&& handle) {
  std::string_view line;
  for (;;) {
    bool end = false;
    Status s = file.AtEnd(&end);
    if (!s.ok()) return s;
    if (end) break;
    s = file.ReadLine(&line, use);
    if (!s.ok()) return s;
    s = handle(line);
    if (!s.ok()) return s;
  }
  if (log.Listens()) {
    std::size_t line_of_z = 0;
    Status s = file.TextAfterCtrlZ(&line_of_z);
    if (!s.ok()) return s;
    if (line_of_z != 0) log.TextAfterCtrlZ({file.name(), line_of_z});
  }
  return file.Close();
}

}  // namespace tesvak

#endif  // TESVAK_CONFIG_TEXT_FILE_H_
