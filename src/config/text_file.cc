#include "config/text_file.h"

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
    } else if (owe_lf_) {
      owe_lf_ = false;
      if (buf_[pos_] == kLf) ++pos_;
    } else {
      return Status::Ok();
    }
  }
}

Status TextFile::AtEnd(bool* end) {
  Status s = Fill();
  *end = pos_ == end_;
  return s;
}

Status TextFile::ReadLine(std::string_view* line) {
  long_line_.clear();
  bool spans = false;  // the line runs over more than one buffer
  for (;;) {
    Status s = Fill();
    if (!s.ok()) return s;
    const char* start = buf_.get() + pos_;
    const std::size_t avail = end_ - pos_;
    const char* cr = static_cast<const char*>(std::memchr(start, kCr, avail));
    const std::size_t n = cr ? static_cast<std::size_t>(cr - start) : avail;
    pos_ += n;
    if (cr || (pos_ == end_ && (ctrl_z_ || eof_))) {
      // The line ends here: at a CR, a Ctrl-Z or the physical end.
      if (cr) {
        ++pos_;
        owe_lf_ = true;
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
