#include "config/text_file.h"

#include <algorithm>
#include <cstring>

namespace tesvak {
namespace {

constexpr std::size_t kBufferSize = std::size_t{256} * 1024;

}  // namespace

TextFile::~TextFile() {
  if (open_) fs_.Close(file_);  // only after a stop; the run ends anyway
}

bool TextFile::Open(const std::string& name) {
  if (fs_.OpenText(name, &file_) != kOk) return false;
  open_ = true;
  if (!buf_) buf_.reset(new char[kBufferSize]);  // no need to clear it
  pos_ = end_ = 0;
  ctrl_z_ = eof_ = owe_lf_ = false;
  line_number_ = 0;
  return true;
}

Status TextFile::Fill() {
  for (;;) {
    if (pos_ == end_) {
      if (ctrl_z_ || eof_) {
        owe_lf_ = false;
        return Status::Ok();
      }
      std::size_t got = 0;
      const ErrorCode code = fs_.Read(file_, buf_.get(), kBufferSize, &got);
      if (code != kOk) return Status::IoError(code, Site::kTextRead);
      // One scan a buffer for the Ctrl-Z; lines are then cut short of it.
      const void* z = std::memchr(buf_.get(), kCtrlZ, got);
      end_ = z ? static_cast<const char*>(z) - buf_.get() : got;
      ctrl_z_ = z != nullptr;
      eof_ = got == 0;
      pos_ = 0;
      next_cr_ = next_lf_ = kUnknown;
    } else if (owe_lf_) {
      owe_lf_ = false;
      if (buf_[pos_] == kLf) ++pos_;
    } else {
      return Status::Ok();
    }
  }
}

std::size_t TextFile::Next(char c, std::size_t* cached) const {
  if (*cached == kUnknown || *cached < pos_) {
    const void* hit = std::memchr(buf_.get() + pos_, c, end_ - pos_);
    *cached = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - buf_.get()) : end_;
  }
  return *cached;
}

Status TextFile::AtEnd(bool* end) {
  Status s = Fill();
  *end = pos_ == end_;
  return s;
}

Status TextFile::ReadLine(std::string_view* line) {
  ++line_number_;
  long_line_.clear();
  bool spans = false;  // the line runs over more than one buffer
  for (;;) {
    Status s = Fill();
    if (!s.ok()) return s;
    const char* start = buf_.get() + pos_;
    const std::size_t stop = std::min(Next(kCr, &next_cr_), Next(kLf, &next_lf_));
    const std::size_t n = stop - pos_;
    pos_ = stop;
    const bool line_end = stop < end_;
    if (line_end || ctrl_z_ || eof_) {
      // The line ends here: at a CR or LF, a Ctrl-Z or the physical end.
      if (line_end) {
        owe_lf_ = buf_[pos_] == kCr;  // an LF right after a CR is part of its line end
        ++pos_;
      }
      if (!spans) {
        *line = std::string_view(start, n);
        return Status::Ok();
      }
      long_line_.append(start, n);
      *line = long_line_;
      return Status::Ok();
    }
    long_line_.append(start, n);
    spans = true;
  }
}

Status TextFile::Close() {
  open_ = false;
  const ErrorCode code = fs_.Close(file_);
  return code == kOk ? Status::Ok() : Status::IoError(code, Site::kTextClose);
}

}  // namespace tesvak
