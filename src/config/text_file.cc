#include "config/text_file.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"

namespace tesvak {
TextFile::~TextFile() {
  if (open_) fs_.Close(file_);  // only after a stop; the run ends anyway
}

bool TextFile::Open(const std::string& name) {
  if (fs_.OpenText(name, &file_) != kOk) return false;
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
    buf_.reset(new char[want]);  // no need to clear it
    size_ = want;
  }
  pos_ = end_ = 0;
  ctrl_z_ = eof_ = owe_lf_ = line_end_last_ = false;
  after_z_ = AfterZ::kNothing;
  line_number_ = 0;
  return true;
}

Status TextFile::Refill() {
  const std::size_t kept = end_ - pos_;
  if (pos_ > 0 && kept > 0) std::memmove(buf_.get(), buf_.get() + pos_, kept);
  pos_ = 0;
  end_ = kept;
  std::size_t got = 0;
  const ErrorCode code = fs_.Read(file_, buf_.get() + end_, size_ - end_, &got);
  if (code != kOk) return Status::IoError(code, Site::kTextRead);
  // One scan of what was read for a Ctrl-Z; lines are then cut short of it.
  const char* fresh = buf_.get() + end_;
  const void* z = std::memchr(fresh, kCtrlZ, got);
  const std::size_t before_z =
      z ? static_cast<std::size_t>(static_cast<const char*>(z) - fresh) : got;
  end_ += before_z;
  ctrl_z_ = z != nullptr;
  if (ctrl_z_) after_z_ = before_z + 1 < got ? AfterZ::kText : AfterZ::kUnknown;
  eof_ = got == 0;
  return Status::Ok();
}

Status TextFile::Fill() {
  for (;;) {
    if (pos_ == end_) {
      if (ctrl_z_ || eof_) {
        owe_lf_ = false;
        return Status::Ok();
      }
      Status s = Refill();
      if (!s.ok()) return s;
    } else if (owe_lf_) {
      owe_lf_ = false;
      if (buf_[pos_] == kLf) ++pos_;
    } else {
      return Status::Ok();
    }
  }
}

std::size_t TextFile::NextLineEnd(std::size_t from) const {
  const char* const buf = buf_.get();
  return static_cast<std::size_t>(FindEither(buf + from, buf + end_, kCr, kLf) - buf);
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

Status TextFile::ReadLine(std::string_view* line, const LineUse& use) {
  ++line_number_;
  Status s = pos_ < end_ && !owe_lf_ ? Status::Ok() : Fill();
  if (!s.ok()) return s;
  std::size_t from = pos_;  // bytes before it hold no line end
  for (;;) {
    const std::size_t stop = NextLineEnd(from);
    if (stop < end_ || ctrl_z_ || eof_) {
      *line = std::string_view(buf_.get() + pos_, stop - pos_);
      pos_ = stop;
      ConsumeLineEnd();
      return Status::Ok();
    }
    if (pos_ == 0 && end_ == size_) return ReadLongLine(line, use);
    // The line runs past the buffer's end: bring it whole to the front.
    from = end_ - pos_;
    s = Refill();
    if (!s.ok()) return s;
  }
}

Status TextFile::ReadLongLine(std::string_view* line, const LineUse& use) {
  long_line_.clear();
  if (IsWordSeparator(buf_[pos_])) long_line_.push_back(kSpace);
  WordState words;
  bool collecting = use.words > 0;
  for (;;) {
    const std::size_t stop = NextLineEnd(pos_);
    if (collecting) {
      const std::string_view stretch(buf_.get() + pos_, stop - pos_);
      collecting = AppendWords(stretch, use, &words, &long_line_);
    }
    pos_ = stop;
    if (stop < end_ || ctrl_z_ || eof_) break;
    Status s = Refill();
    if (!s.ok()) return s;
  }
  ConsumeLineEnd();
  *line = long_line_;
  return Status::Ok();
}

Status TextFile::TextAfterCtrlZ(std::size_t* line) {
  *line = 0;
  if (!ctrl_z_) return Status::Ok();
  if (after_z_ == AfterZ::kUnknown) {  // the Ctrl-Z was the last byte read so far
    char byte;
    std::size_t got = 0;
    const ErrorCode code = fs_.Read(file_, &byte, 1, &got);
    if (code != kOk) return Status::IoError(code, Site::kTextRead);
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
  return code == kOk ? Status::Ok() : Status::IoError(code, Site::kTextClose);
}

}  // namespace tesvak
