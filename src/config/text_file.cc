#include "config/text_file.h"

#include <cstring>

namespace tesvak {
namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

}  // namespace

TextFile::~TextFile() {
  if (open_) fs_.Close(file_);  // only after a stop; the run ends anyway
}

bool TextFile::Open(const std::string& name) {
  if (fs_.OpenText(name, &file_) != kOk) return false;
  open_ = true;
  if (!buf_) buf_ = std::make_unique<char[]>(kBufferSize);
  pos_ = len_ = 0;
  eof_ = false;
  return true;
}

Status TextFile::Fill() {
  if (pos_ < len_ || eof_) return Status::Ok();
  std::size_t got = 0;
  const ErrorCode code = fs_.Read(file_, buf_.get(), kBufferSize, &got);
  if (code != kOk) return Status::IoError(code, Site::kTextRead);
  pos_ = 0;
  len_ = got;
  eof_ = got == 0;
  return Status::Ok();
}

Status TextFile::AtEnd(bool* end) {
  Status s = Fill();
  *end = pos_ == len_ || buf_[pos_] == kCtrlZ;
  return s;
}

Status TextFile::ReadLine(std::string* line) {
  line->clear();
  for (;;) {
    Status s = Fill();
    if (!s.ok()) return s;
    if (pos_ == len_) return Status::Ok();  // physical end, no line end
    const char* start = buf_.get() + pos_;
    const std::size_t avail = len_ - pos_;
    const char* cr = static_cast<const char*>(std::memchr(start, kCr, avail));
    const std::size_t scan = cr ? static_cast<std::size_t>(cr - start) : avail;
    if (const void* z = std::memchr(start, kCtrlZ, scan)) {
      // The Ctrl-Z stays unread: it ends the text for every later call.
      const std::size_t n = static_cast<const char*>(z) - start;
      line->append(start, n);
      pos_ += n;
      return Status::Ok();
    }
    line->append(start, scan);
    pos_ += scan;
    if (cr) {
      ++pos_;
      s = Fill();
      if (s.ok() && pos_ < len_ && buf_[pos_] == kLf) ++pos_;
      return s;
    }
  }
}

Status TextFile::Close() {
  open_ = false;
  const ErrorCode code = fs_.Close(file_);
  return code == kOk ? Status::Ok() : Status::IoError(code, Site::kTextClose);
}

}  // namespace tesvak
