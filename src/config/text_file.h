// Sequential line reading of the program's text inputs.
//
// A line ends at CR LF, at a lone CR or at a lone LF, so DOS, old Mac and
// Unix text all read alike; a Ctrl-Z ends the text for good.  Lines have no length limit; reading
// is linear in the input and holds no more than the longest line plus one buffer.
#ifndef TESVAK_CONFIG_TEXT_FILE_H_
#define TESVAK_CONFIG_TEXT_FILE_H_

#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"
#include "platform/platform.h"

namespace tesvak {

class TextFile {
 public:
  explicit TextFile(Platform& fs) : fs_(fs) {}
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens an existing file for reading, shared for reading only.  The
  // cause of a failure is not told apart: each caller has one message.
  bool Open(const std::string& name);

  // Sets *end when the next byte is a Ctrl-Z or no byte remains.
  Status AtEnd(bool* end);

  // Reads the line at the current position and consumes the line end after
  // it.  *line stays valid until the next call on this file.
  Status ReadLine(std::string_view* line);

  Status Close();

  // The open file, for questions to the platform about it.
  FileId id() const { return file_; }

  // The number of the line ReadLine gave last, from 1.
  std::size_t line_number() const { return line_number_; }

 private:
  static constexpr char kCr = '\r';
  static constexpr char kLf = '\n';
  static constexpr char kCtrlZ = '\x1a';
  static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);

  // Makes the next byte of the text available, if there is one: refills
  // the buffer when it is used up, and consumes an LF owed by the last line
  // end.  Afterwards pos_ == end_ only at the end of the text.
  Status Fill();

  // The position of the next byte `c` in the buffer at or after pos_, or
  // end_ when there is none.  *cached remembers the last answer, so that
  // each byte of a buffer is searched once however many lines it holds.
  std::size_t Next(char c, std::size_t* cached) const;

  Platform& fs_;
  FileId file_ = 0;
  bool open_ = false;
  std::unique_ptr<char[]> buf_;
  std::string long_line_;  // a line that did not fit in one buffer
  std::size_t pos_ = 0;
  std::size_t end_ = 0;  // the buffer's bytes up to the first Ctrl-Z
  bool ctrl_z_ = false;  // a Ctrl-Z was met: nothing after it is read
  bool eof_ = false;
  bool owe_lf_ = false;  // the last line ended in CR: an LF after it goes too
  std::size_t line_number_ = 0;
  std::size_t next_cr_ = kUnknown;
  std::size_t next_lf_ = kUnknown;
};

// The reading loop shared by every text input: hands each line, as a
// std::string_view valid for that call, to `handle`, which returns a
// Status; stops at the first one that is not ok.
// Closes the file when the text has been read to its end.
template <typename Handler>
Status ForEachLine(TextFile& file, Handler&& handle) {
  std::string_view line;
  for (;;) {
    bool end = false;
    Status s = file.AtEnd(&end);
    if (!s.ok()) return s;
    if (end) break;
    s = file.ReadLine(&line);
    if (!s.ok()) return s;
    s = handle(line);
    if (!s.ok()) return s;
  }
  return file.Close();
}

}  // namespace tesvak

#endif  // TESVAK_CONFIG_TEXT_FILE_H_
