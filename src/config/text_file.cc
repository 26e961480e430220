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
  return Status::IoError(code, Site::kTextRead,
                         {name_, line, kCannotReadText, std::string(), Cause::Shown::kSystem,
                          fs_.WhyFailed(code)});
}

ErrorCode TextFile::Refill() {
  masks_[0].at = masks_[1].at = kNoBlock;
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
  if (match_ == nullptr) [[likely]]
    return Match(block, a, b);
  return match_(block, a, b);
}

inline TextFile::Masks TextFile::MasksAt(std::size_t base) {
  Masks& m = masks_[(base / kBlock) & 1];
  if (m.at != base) {
    m = {base, MatchAt(base, kCr, kLf), MatchAt(base, kSpace, kTab)};
  }
  return m;
}

std::size_t TextFile::NextLineEnd(std::size_t from) {
  std::uint64_t after = ~LowBits(from % kBlock);
  for (std::size_t base = from - from % kBlock; base < end_; base += kBlock, after = ~0ull) {
    const std::uint64_t ends = MasksAt(base).ends & after & LowBits(end_ - base);
    if (ends != 0) return base + static_cast<std::size_t>(std::countr_zero(ends));
  }
  return end_;
}

std::size_t TextFile::LongLineEnd(std::size_t from) const {
  std::uint64_t after = ~LowBits(from % kBlock);
  for (std::size_t base = from - from % kBlock; base < end_; base += kBlock, after = ~0ull) {
    const std::uint64_t ends = MatchAt(base, kCr, kLf) & after & LowBits(end_ - base);
    if (ends != 0) return base + static_cast<std::size_t>(std::countr_zero(ends));
  }
  return end_;
}

std::size_t TextFile::ScanLine(std::size_t want) {
  // The masks of the line's first kBlock bytes, from the one or two blocks
  // they lie in, bit 0 for the line's first byte.
  const std::size_t off = pos_ % kBlock;
  const std::size_t base = pos_ - off;
  const Masks first = MasksAt(base);
  Masks next;
  std::uint64_t ends = first.ends >> off;
  std::uint64_t seps = first.seps >> off;
  if (off != 0 && base + kBlock < end_) {
    next = MasksAt(base + kBlock);
    ends |= next.ends << (kBlock - off);
    seps |= next.seps << (kBlock - off);
  }
  const std::uint64_t in_buffer = LowBits(end_ - pos_);
  ends &= in_buffer;
  const std::size_t length = static_cast<std::size_t>(std::countr_zero(ends));  // kBlock if none
  const std::uint64_t in_line = in_buffer & LowBits(length);
  // A word starts at a byte of the line that is no separator after one that
  // is (or the line's start), and ends before a separator or the line's
  // end; only the ends seen here count.
  const std::uint64_t word = ~seps & in_line;
  std::uint64_t starts = word & ~(word << 1);
  std::uint64_t stops = (word << 1) & ~word & (ends != 0 ? LowBits(length + 1) : in_line);
  const char* const line = buf_.get() + pos_;
  std::size_t found = 0;
  for (; found < want && stops != 0; ++found) {
    const int start = std::countr_zero(starts);
    words_[found] =
        std::string_view(line + start, static_cast<std::size_t>(std::countr_zero(stops) - start));
    starts &= starts - 1;
    stops &= stops - 1;
  }
  if (found < want && ends == 0) return WalkLine(want);
  word_count_ = found;
  if (ends != 0) return pos_ + length;
  // After the words, only the line's end: most often in the rest of the
  // second block.
  if (next.at != kNoBlock) {
    const std::uint64_t rest = next.ends & ~LowBits(off) & LowBits(end_ - next.at);
    if (rest != 0) return next.at + static_cast<std::size_t>(std::countr_zero(rest));
  }
  return NextLineEnd(std::min(pos_ + kBlock, end_));
}

std::size_t TextFile::WalkLine(std::size_t want) {
  const char* const buf = buf_.get();
  WordEdges words(words_, want);
  std::uint64_t after = ~LowBits(pos_ % kBlock);
  std::size_t base = pos_ - pos_ % kBlock;
  for (; base < end_ && !words.done(); base += kBlock, after = ~0ull) {
    const Masks m = MasksAt(base);
    const std::uint64_t in_buffer = after & LowBits(end_ - base);
    const std::uint64_t ends = m.ends & in_buffer;
    // The line's bytes in this block: up to its end, if that is here.
    const std::uint64_t in_line =
        ends == 0 ? in_buffer
                  : in_buffer & LowBits(static_cast<std::size_t>(std::countr_zero(ends)));
    words.Block(buf + base, m.seps, in_line);
    if (ends != 0) {
      const std::size_t stop = base + static_cast<std::size_t>(std::countr_zero(ends));
      words.End(buf + stop);
      word_count_ = words.found();
      return stop;
    }
  }
  words.End(buf + std::min(base, end_));
  word_count_ = words.found();
  // After the last word wanted, only the line's end.
  return base < end_ ? NextLineEnd(base) : end_;
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

Status TextFile::ReadLine(std::string_view* line, const LineUse& use) {
  ++line_number_;
  const std::size_t want = WordsWanted(use);
  // One walk finds a line's words and its end; most lines end in the buffer.
  if (pos_ < end_ && !owe_lf_) {
    const std::size_t stop = ScanLine(want);
    if (stop < end_ || ctrl_z_ || eof_) {
      TakeLine(line, stop, use);
      return Status::Ok();
    }
  }
  if (const ErrorCode code = Fill(); code != kOk) return ReadFailed(code, line_number_);
  // A line that runs past the buffer's end is brought to the front, its end
  // looked for only in the bytes that follow, and walked again once that is
  // found.
  std::size_t stop = ScanLine(want);
  while (stop == end_ && !ctrl_z_ && !eof_) {
    if (pos_ == 0 && end_ == size_) return ReadLongLine(line, use);
    const std::size_t seen = end_ - pos_;
    if (const ErrorCode code = Refill(); code != kOk) return ReadFailed(code, line_number_);
    stop = NextLineEnd(seen);
    if (stop < end_ || ctrl_z_ || eof_) stop = ScanLine(want);
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
  return Status::IoError(code, Site::kTextClose,
                         {name_, 0, kCannotCloseText, std::string(), Cause::Shown::kSystem,
                          fs_.WhyFailed(code)});
}

}  // namespace tesvak
