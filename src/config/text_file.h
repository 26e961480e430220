// Sequential line reading of the program's text inputs.
//
// A line ends at CR (with one LF directly after it consumed as part of the
// line end), a lone LF is an ordinary byte, and a Ctrl-Z ends the text for
// good.  Lines have no length limit; reading is linear in the input and
// holds no more than the longest line plus one buffer.
#ifndef TESVAK_CONFIG_TEXT_FILE_H_
#define TESVAK_CONFIG_TEXT_FILE_H_

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/status.h"

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

  // Reads the line at the current position into *line and consumes the
  // line end after it.
  Status ReadLine(std::string* line);

  Status Close();

 private:
  static constexpr char kCr = '\r';
  static constexpr char kLf = '\n';
  static constexpr char kCtrlZ = '\x1a';

  // Refills the buffer when it is used up; afterwards pos_ == len_ only at
  // the physical end.
  Status Fill();

  Platform& fs_;
  FileId file_ = 0;
  bool open_ = false;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool eof_ = false;
};

// The reading loop shared by every text input: hands each line to
// `handle`, which returns a Status; stops at the first one that is not ok.
// Closes the file when the text has been read to its end.
template <typename Handler>
Status ForEachLine(TextFile& file, Handler&& handle) {
  std::string line;
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
