#include "config/text_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/messages.h"

namespace tesvak {
TextFile::~TextFile() {
  if (open_) fs_.Close(file_);  // only after a stop; the run ends anyway
}

bool TextFile::Open(const std::string& name) {
  if (const ErrorCode code = fs_.OpenText(name, &file_); code != kOk) {
    why_ = fs_.WhyFailed(code);
    return false;
  }
  open_ = true;
  name_ = name;
  // A small file gets a buffer its own size, which the allocator then
  // hands on to the next file, its memory already in use; a large one, a
  // FIFO or a device the whole buffer.
  std::uint64_t file_size = 0;
  const std::size_t want =
      fs_.Size(file_, &file_size) == kOk && file_size > 0 && file_size < capacity_
          ? static_cast<std::size_t>(file_size) + 1
          : capacity_;
  if (!buf_ || size_ < want) {
    // A block more, so that the last block of what was read can be
    // matched whole.
    buf_.reset(new char[want + kBlock]);
    size_ = want;
  }
  pos_ = end_ = 0;
  ctrl_z_ = eof_ = owe_lf_ = line_end_last_ = false;
  after_z_ = AfterZ::kNothing;
  line_number_ = 0;
  return true;
}

Status TextFile::ReadFailed(ErrorCode code, std::size_t line) const {
  return Status::IoError(
      code, Site::kTextRead,
      {name_, line, kCannotReadText, std::string(), Cause::Shown::kSystem, fs_.WhyFailed(code)});
}

ErrorCode TextFile::Refill() {
  scan_.at = kNoBlock;  // the bytes move: nothing classified stands where it did
  const std::size_t kept = end_ - pos_;
  if (pos_ > 0 && kept > 0) std::memmove(buf_.get(), buf_.get() + pos_, kept);
  pos_ = 0;
  end_ = kept;
  std::size_t got = 0;
  const ErrorCode code = fs_.Read(file_, buf_.get() + end_, size_ - end_, &got);
  if (code != kOk) return code;
  // One scan of what was read for a Ctrl-Z; lines are then cut short of it.
  const char* fresh = buf_.get() + end_;
  const void* z = std::memchr(fresh, kCtrlZ, got);
  const std::size_t before_z =
      z ? static_cast<std::size_t>(static_cast<const char*>(z) - fresh) : got;
  end_ += before_z;
  // The bytes past the text that its last block reads are defined, though
  // never part of a line.
  std::memset(buf_.get() + end_, 0, kBlock);
  ctrl_z_ = z != nullptr;
  if (ctrl_z_) after_z_ = before_z + 1 < got ? AfterZ::kText : AfterZ::kUnknown;
  eof_ = got == 0;
  return kOk;
}

ErrorCode TextFile::Fill() {
  for (;;) {
    if (pos_ == end_) {
      if (ctrl_z_ || eof_) {
        owe_lf_ = false;
        return kOk;
      }
      if (const ErrorCode code = Refill(); code != kOk) return code;
    } else if (owe_lf_) {
      owe_lf_ = false;
      if (buf_[pos_] == kLf) ++pos_;
    } else {
      return kOk;
    }
  }
}

inline std::uint64_t TextFile::MatchAt(std::size_t base, char a, char b) const {
  const char* block = buf_.get() + base;
  if (way_ == nullptr) [[likely]]
    return Match(block, a, b);
  return way_->match(block, a, b);
}

// `carry` is 1 when the byte before the block is a word's: then the
// block's first byte, if a word's too, goes on with that word.
inline TextFile::Scan TextFile::Classified(std::size_t base, std::uint64_t carry) const {
  const char* const block = buf_.get() + base;
  const Classes c = classify_ == nullptr ? Classify(block) : classify_(block);
  // Words are the bytes that neither end a line nor separate words, up to
  // the end of the text.
  const std::uint64_t in_text = LowBits(end_ - base);
  const std::uint64_t word = ~(c.ends | c.seps) & in_text;
  const std::uint64_t after_word = (word << 1) | carry;
  return {base, c.ends & in_text, word & ~after_word, after_word & ~word, word};
}

inline bool TextFile::Advance(Scan* scan) const {
  if (scan->at + kBlock > end_) [[unlikely]]
    return false;
  *scan = Classified(scan->at + kBlock, scan->word >> 63);
  return true;
}

std::size_t TextFile::LongLineEnd(std::size_t from) const {
  // The C library's own search, at the speed of reading memory: the first
  // LF, then a CR before it.
  const char* const text = buf_.get();
  const void* lf = std::memchr(text + from, kLf, end_ - from);
  const std::size_t until =
      lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text) : end_;
  const void* cr = std::memchr(text + from, kCr, until - from);
  return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - text) : until;
}

[[gnu::always_inline]] inline std::size_t TextFile::ScanLine(std::size_t want) {
  // Stand at pos_, every bit before it passed: the bits of the line before,
  // its words not used and the LF after its CR.  The scan is walked in a
  // copy, which the words stored on the way cannot alias.
  Scan scan = scan_;
  const std::size_t base = pos_ - pos_ % kBlock;
  if (scan.at != base) {
    const char before = base > 0 ? buf_[base - 1] : kLf;
    scan = Classified(base, !(IsLineEnd(before) || IsWordSeparator(before)));
  }
  const std::uint64_t from = ~std::uint64_t{0} << (pos_ - base);
  scan.ends &= from;
  std::uint64_t starts = scan.starts & from;
  std::uint64_t stops = scan.stops & from;
  const char* const buf = buf_.get();
  // Block by block, up to the line's end: each word's start paired with the
  // stop that follows it, straight from the block's bits; `open` is a word
  // whose stop lies in a later block.
  const char* open = nullptr;
  std::size_t found = 0;
  const auto take = [&](const char* start, const char* stop) {
    words_[found++] = std::string_view(start, static_cast<std::size_t>(stop - start));
  };
  while (found < want) {
    const std::uint64_t first_end = scan.ends & (0 - scan.ends);
    const char* const block = buf + scan.at;
    if (first_end != 0) {
      starts &= first_end - 1;
      stops &= first_end | (first_end - 1);
    }
    if (open != nullptr && stops != 0) {
      take(open, block + std::countr_zero(stops));
      stops &= stops - 1;
      open = nullptr;
    }
    while (found < want && starts != 0) {
      const char* const start = block + std::countr_zero(starts);
      starts &= starts - 1;
      if (stops == 0) {
        open = start;
        break;
      }
      take(start, block + std::countr_zero(stops));
      stops &= stops - 1;
    }
    if (found == want || first_end != 0) break;
    if (!Advance(&scan)) {
      if (open != nullptr) take(open, buf + end_);
      word_count_ = found;
      scan_ = scan;
      return end_;
    }
    starts = scan.starts;
    stops = scan.stops;
  }
  word_count_ = found;
  while (scan.ends == 0) {
    if (!Advance(&scan)) {
      scan_ = scan;
      return end_;
    }
  }
  scan_ = scan;
  return scan.at + static_cast<std::size_t>(std::countr_zero(scan.ends));
}

void TextFile::ConsumeLineEnd() {
  line_end_last_ = pos_ != end_;
  if (pos_ == end_) return;  // the line ended at a Ctrl-Z or the physical end
  if (buf_[pos_++] != kCr) return;
  if (pos_ == end_) {
    owe_lf_ = true;  // the LF, if any, is in the bytes still to be read
  } else if (buf_[pos_] == kLf) {
    ++pos_;
  }
}

namespace {

// Whether `text`, a line or the next stretch of one, holds use.mark before
// use.cut; sets *cut once the cut is met, after which nothing counts.
bool HoldsMark(std::string_view text, const LineUse& use, bool* cut) {
  if (use.cuts) {
    const std::size_t at = text.find(use.cut);
    if (at != std::string_view::npos) {
      text = text.substr(0, at);
      *cut = true;
    }
  }
  return text.find(use.mark) != std::string_view::npos;
}

}  // namespace

bool TextFile::TakeLineAtHand(std::string_view* line, const LineUse& use) {
  ++line_number_;
  // One walk finds a line's words and its end; most lines end in the buffer.
  if (pos_ < end_ && !owe_lf_) {
    const std::size_t stop = ScanLine(WordsWanted(use));
    if (stop < end_ || ctrl_z_ || eof_) {
      TakeLine(line, stop, use);
      return true;
    }
  }
  return false;
}

Status TextFile::ReadLineOnward(std::string_view* line, const LineUse& use) {
  if (const ErrorCode code = Fill(); code != kOk) return ReadFailed(code, line_number_);
  // A line that runs past the buffer's end is brought to the front, its end
  // looked for only in the bytes that follow, and walked again once that is
  // found.
  const std::size_t want = WordsWanted(use);
  std::size_t stop = ScanLine(want);
  while (stop == end_ && !ctrl_z_ && !eof_) {
    if (pos_ == 0 && end_ == size_) return ReadLongLine(line, use);
    if (const ErrorCode code = Refill(); code != kOk) return ReadFailed(code, line_number_);
    stop = ScanLine(want);
  }
  TakeLine(line, stop, use);
  return Status::Ok();
}

void TextFile::TakeLine(std::string_view* line, std::size_t stop, const LineUse& use) {
  *line = std::string_view(buf_.get() + pos_, stop - pos_);
  if (use.mark != '\0') [[unlikely]] {
    bool cut = false;
    marked_ = HoldsMark(*line, use, &cut);
  }
  pos_ = stop;
  ConsumeLineEnd();
}

Status TextFile::ReadLongLine(std::string_view* line, const LineUse& use) {
  long_line_.clear();
  if (IsWordSeparator(buf_[pos_])) long_line_.push_back(kSpace);
  WordState words;
  bool collecting = use.words > 0;
  // Whether the line holds the mark needs nothing kept but the answer.
  bool seeking = use.mark != '\0';
  bool cut = false;
  marked_ = false;
  for (;;) {
    const std::size_t stop = LongLineEnd(pos_);
    const std::string_view stretch(buf_.get() + pos_, stop - pos_);
    if (collecting) collecting = AppendWords(stretch, use, &words, &long_line_);
    if (seeking) {
      marked_ = HoldsMark(stretch, use, &cut);
      seeking = !marked_ && !cut;
    }
    pos_ = stop;
    if (stop < end_ || ctrl_z_ || eof_) break;
    if (const ErrorCode code = Refill(); code != kOk) return ReadFailed(code, line_number_);
  }
  ConsumeLineEnd();
  *line = long_line_;
  word_count_ = TakeWords(long_line_, WordsWanted(use), words_);
  return Status::Ok();
}

Status TextFile::TextAfterCtrlZ(std::size_t* line) {
  *line = 0;
  if (!ctrl_z_) return Status::Ok();
  if (after_z_ == AfterZ::kUnknown) {  // the Ctrl-Z was the last byte read so far
    char byte;
    std::size_t got = 0;
    const ErrorCode code = fs_.Read(file_, &byte, 1, &got);
    if (code != kOk) return ReadFailed(code, line_number_ + 1);
    after_z_ = got > 0 ? AfterZ::kText : AfterZ::kNothing;
  }
  // The Ctrl-Z stands on the line after the last one read when that one
  // ended in a line end, else on that line.
  if (after_z_ == AfterZ::kText) *line = line_number_ + (line_end_last_ || line_number_ == 0);
  return Status::Ok();
}

Status TextFile::Close() {
  open_ = false;
  const ErrorCode code = fs_.Close(file_);
  if (code == kOk) return Status::Ok();
  return Status::IoError(
      code, Site::kTextClose,
      {name_, 0, kCannotCloseText, std::string(), Cause::Shown::kSystem, fs_.WhyFailed(code)});
}

}  // namespace tesvak
