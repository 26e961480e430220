// Sequential line reading of the program's text inputs.
//
// A line ends at CR LF, at a lone CR or at a lone LF, so DOS, old Mac and
// Unix text all read alike; a Ctrl-Z ends the text for good.  Lines have no
// length limit, yet memory does not grow with them: a line that fits in the
// reader's buffer is handed out as a view into it, and of a longer line only
// the words the caller uses are kept, each at most LineUse::kMaxWord bytes,
// so memory is bounded by the reader, never by its input.  Reading is linear in the input, and
// each byte is looked at once: the buffer is classified 64 bytes at a time
// (config/blocks.h), and one walk over the masks finds both a line's first
// words and its end.
#ifndef TESVAK_CONFIG_TEXT_FILE_H_
#define TESVAK_CONFIG_TEXT_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/run_log.h"
#include "base/status.h"
#include "config/blocks.h"
#include "config/words.h"
#include "platform/platform.h"

namespace tesvak {

class TextFile {
  static constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);

 public:
  static constexpr std::size_t kBufferSize = std::size_t{256} * 1024;

  // The most words of a line the reader finds for its caller (words()).
  static constexpr std::size_t kMaxWords = 4;

  // `buffer_size` is for tests, which reach long lines with short ones, and
  // `way` too, which hold every way of matching blocks to the plain rule;
  // null is the fastest this build has.
  explicit TextFile(Platform& fs, std::size_t buffer_size = kBufferSize,
                    const NamedMatcher* way = nullptr)
      : fs_(fs),
        capacity_(buffer_size),
        way_(way),
        classify_(way != nullptr ? way->classify : FastestClassifier()) {}
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens an existing file for reading, shared for reading only.  Each
  // caller has one message for a failure; why() tells its cause.
  bool Open(const std::string& name);
  // Why the last Open failed, in the system's words.
  const std::string& why() const { return why_; }

  // The name the file was opened by.
  const std::string& name() const { return name_; }

  // Sets *end when the next byte is a Ctrl-Z or no byte remains.
  Status AtEnd(bool* end) {
    if (pos_ < end_ && !owe_lf_) {  // the common case, a byte at hand
      *end = false;
      return Status::Ok();
    }
    const ErrorCode code = Fill();
    *end = pos_ == end_;
    return code == kOk ? Status::Ok() : ReadFailed(code, line_number_ + 1);
  }

  // Reads the line at the current position and consumes the line end after
  // it.  *line stays valid until the next call on this file.  It is the
  // line itself, or, for a line longer than the buffer, a line with the
  // same words as far as `use` reaches, single spaces between them and one
  // space before them when the line starts with a space or TAB: the same
  // to every caller that keeps to `use`.  Where `use` asks for at most
  // kMaxWords words and cuts nothing, words() has them.
  Status ReadLine(std::string_view* line, const LineUse& use = LineUse()) {
    // An ok status made here, where the caller sees it, costs nothing.
    if (TakeLineAtHand(line, use)) return Status::Ok();
    return ReadLineOnward(line, use);
  }

  // Whether the line ReadLine gave last holds the mark its `use` asked
  // about, before its cut.
  bool marked() const { return marked_; }

  // The first words of the line ReadLine gave last, as NextWord gives them,
  // as many as its `use` asked for and the line has; none where `use` asked
  // for more than kMaxWords or cuts.  Valid as long as the line is.
  std::span<const std::string_view> words() const { return {words_, word_count_}; }

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
  static constexpr char kCtrlZ = '\x1a';

  // Makes the next byte of the text available, if there is one: refills
  // the buffer when it is used up, and consumes an LF owed by the last line
  // end.  Afterwards pos_ == end_ only at the end of the text.
  ErrorCode Fill();

  // Moves the unread bytes to the front of the buffer and reads more after
  // them, up to the first Ctrl-Z.
  ErrorCode Refill();

  // The failure of a read, while line `line` was read.
  Status ReadFailed(ErrorCode code, std::size_t line) const;

  static std::size_t WordsWanted(const LineUse& use) {
    return use.cuts || use.words > kMaxWords ? 0 : use.words;
  }

  // The scan of the buffer, a block of kBlock bytes at a time: the block it
  // stands in, and a bit for each of its bytes not yet passed where a line
  // ends, where a word starts and where one stops (the byte after its last).
  // Each block is classified once, when the scan comes to it; lines, their
  // words and their ends are then taken from the bits in the order of the
  // text, each bit looked at once.
  struct Scan {
    std::size_t at = kNoBlock;
    std::uint64_t ends = 0;
    std::uint64_t starts = 0;
    std::uint64_t stops = 0;
    std::uint64_t word = 0;  // of every byte: bit 63 tells the next block's carry
  };
  Scan Classified(std::size_t base, std::uint64_t carry) const;
  // Moves *scan on to the next block; false past the end of the text.
  bool Advance(Scan* scan) const;
  std::uint64_t MatchAt(std::size_t base, char a, char b) const;

  // Counts the next line and takes it when it ends in the bytes at hand,
  // as most lines do; false when more must be read first.
  bool TakeLineAtHand(std::string_view* line, const LineUse& use);
  // The rest of ReadLine, after TakeLineAtHand found too little at hand.
  Status ReadLineOnward(std::string_view* line, const LineUse& use);

  // The line that starts at pos_: the position of its CR or LF, or end_
  // when it has none in the buffer; takes its first `want` words on the
  // way into words_.
  std::size_t ScanLine(std::size_t want);

  // The position of the first CR or LF at or after `from` in a line longer
  // than the buffer, whose blocks are never needed again.
  std::size_t LongLineEnd(std::size_t from) const;

  // Hands out the bytes from pos_ to `stop` as the line, and moves past its
  // line end.
  void TakeLine(std::string_view* line, std::size_t stop, const LineUse& use);

  // Consumes the line end at pos_, if there is one: a CR with the LF after
  // it, or a lone CR or LF.  An LF that may follow a CR at the end of the
  // buffer is owed, and taken when the next bytes are read.
  void ConsumeLineEnd();

  // Reads a line that fills the whole buffer without ending in it.
  Status ReadLongLine(std::string_view* line, const LineUse& use);

  Platform& fs_;
  std::string name_;
  std::string why_;
  const std::size_t capacity_;  // the largest buffer this file uses
  const NamedMatcher* const way_;
  const Classifier classify_;  // null for Classify, inlined
  std::size_t size_ = 0;       // of the buffer it has, which has kBlock bytes more
  FileId file_ = 0;
  bool open_ = false;
  std::unique_ptr<char[]> buf_;
  std::string long_line_;  // the used words of a line longer than the buffer
  std::string_view words_[kMaxWords];
  std::size_t word_count_ = 0;
  Scan scan_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;  // the buffer's bytes up to the first Ctrl-Z
  bool ctrl_z_ = false;  // a Ctrl-Z was met: nothing after it is read
  enum class AfterZ : std::uint8_t { kNothing, kText, kUnknown };
  AfterZ after_z_ = AfterZ::kNothing;  // what follows the Ctrl-Z in the file
  bool line_end_last_ = false;         // the last line ReadLine gave ended in a line end
  bool marked_ = false;                // it held the mark its use asked about
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
    // Each status in a scope of its own: an ok one is made and dropped in
    // place, a few instructions a line.
    bool end = false;
    if (Status s = file.AtEnd(&end); !s.ok()) return s;
    if (end) break;
    if (Status s = file.ReadLine(&line, use); !s.ok()) return s;
    if (Status s = handle(line); !s.ok()) return s;
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
