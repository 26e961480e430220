// The outcome of one step of the run, carried up to the driver as a value.
//
// A step either succeeds, asks for an orderly stop with one console line
// (a missing file the program expected, a full area table), or fails on a
// file operation with an error code: a Windows error code from the platform
// layer, or one of the run-time's own two below.  Leaf code never prints
// and never exits; the driver turns a non-ok status into the console output
// and the exit code.
#ifndef TESVAK_BASE_STATUS_H_
#define TESVAK_BASE_STATUS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "base/codes.h"

namespace tesvak {

// The file operations that can fail unexpectedly.  Each one has a fixed
// location in the failure report, so the same failing operation always
// reports the same address.
enum class Site : std::uint8_t {
  kTextRead = 1,
  kTextClose,
  kCreate,
  kSize,
  kRead,
  kWrite,
  kCloseDest,
  kCloseSource,
};

class Status {
 public:
  enum class Kind : std::uint8_t { kOk, kStop, kIoError };

  // An ok status is a few bytes and no allocation: every line of every
  // input returns one.
  static Status Ok() { return Status(Kind::kOk, nullptr, 0, Site::kTextRead); }
  static Status Stop(std::string line) {
    return Status(Kind::kStop, std::make_shared<const std::string>(std::move(line)), 0,
                  Site::kTextRead);
  }
  static Status IoError(ErrorCode code, Site site) {
    return Status(Kind::kIoError, nullptr, code, site);
  }

  bool ok() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  // The console line of an orderly stop.
  const std::string& line() const {
    static const std::string kNone;
    return line_ ? *line_ : kNone;
  }
  // The error code and failing operation of an I/O error.
  ErrorCode code() const { return code_; }
  Site site() const { return site_; }

 private:
  Status(Kind kind, std::shared_ptr<const std::string> line, ErrorCode code, Site site)
      : kind_(kind), line_(std::move(line)), code_(code), site_(site) {}

  Kind kind_;
  std::shared_ptr<const std::string> line_;
  ErrorCode code_;
  Site site_;
};

}  // namespace tesvak

#endif  // TESVAK_BASE_STATUS_H_
