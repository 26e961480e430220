// The outcome of one step of the run, carried up to the driver as a value.
//
// A step either succeeds, asks for an orderly stop with one console line
// (a missing file the program expected, a full area table), or fails on a
// file operation with an error code: a Windows error code from the platform
// layer, or one of the run-time's own two below.  Leaf code never prints
// and never exits; the driver turns a non-ok status into the console output
// and the exit code.
//
// A stop or a failure carries its cause too, for a sysop to fix: the input
// file and line that led there, what was tried on which file, and why.  The
// console line and the report stay the program's historic bytes; only a dry
// or verbose run shows the cause.
#ifndef TESVAK_BASE_STATUS_H_
#define TESVAK_BASE_STATUS_H_

#include <cstddef>
#include <cstdint>
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

// Why a run stopped or failed, shown as "FILE[:LINE]: WHAT[ NAME][: WHY]".
// Names are the program's own; the driver shows them as the file system
// sees them.
struct Cause {
  // How the file tried is named: as the file system sees it, or as the
  // user wrote it together with where the system looked it up.
  enum class Shown : std::uint8_t { kSystem, kAsWritten };

  Cause() = default;
  Cause(std::string file_, std::size_t line_, std::string what_, std::string name_ = std::string(),
        Shown shown_ = Shown::kSystem, std::string why_ = std::string())
      : file(std::move(file_)),
        line(line_),
        what(std::move(what_)),
        name(std::move(name_)),
        shown(shown_),
        why(std::move(why_)) {}

  std::string file;      // the input that led there; empty for none
  std::size_t line = 0;  // its line, from 1; 0 for the file as a whole
  std::string what;      // what was tried, or what is wrong
  std::string name;      // the file tried; empty for none
  Shown shown = Shown::kSystem;
  std::string why;  // the system's words, or the rule that refused it
};

class Status {
 public:
  enum class Kind : std::uint8_t { kOk, kStop, kIoError };

  // An ok status is a few bytes and no allocation, and costs nothing to
  // pass or drop: every line of every input returns one.
  static Status Ok() { return Status(Kind::kOk, nullptr, 0, Site::kTextRead); }
  static Status Stop(std::string line, Cause cause = Cause()) {
    return Status(Kind::kStop, new Details{std::move(line), std::move(cause)}, 0, Site::kTextRead);
  }
  static Status IoError(ErrorCode code, Site site, Cause cause = Cause()) {
    return Status(Kind::kIoError, new Details{std::string(), std::move(cause)}, code, site);
  }

  Status(const Status& other)
      : kind_(other.kind_),
        details_(other.details_ ? new Details(*other.details_) : nullptr),
        code_(other.code_),
        site_(other.site_) {}
  Status(Status&& other) noexcept
      : kind_(other.kind_), details_(other.details_), code_(other.code_), site_(other.site_) {
    other.details_ = nullptr;
  }
  Status& operator=(Status&& other) noexcept {
    if (this != &other) {
      delete details_;
      kind_ = other.kind_;
      details_ = other.details_;
      code_ = other.code_;
      site_ = other.site_;
      other.details_ = nullptr;
    }
    return *this;
  }
  Status& operator=(const Status& other) {
    if (this != &other) *this = Status(other);
    return *this;
  }
  ~Status() { delete details_; }

  bool ok() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  // The console line of an orderly stop.
  const std::string& line() const { return details_ ? details_->line : None().line; }
  // Why it stopped or failed; its `what` is empty where nobody said.
  const Cause& cause() const { return details_ ? details_->cause : None().cause; }
  // The error code and failing operation of an I/O error.
  ErrorCode code() const { return code_; }
  Site site() const { return site_; }

 private:
  struct Details {
    std::string line;
    Cause cause;
  };
  static const Details& None() {
    static const Details kNone{std::string(), Cause()};
    return kNone;
  }

  Status(Kind kind, Details* details, ErrorCode code, Site site)
      : kind_(kind), details_(details), code_(code), site_(site) {}

  Kind kind_;
  Details* details_;  // owned; null for ok
  ErrorCode code_;
  Site site_;
};

}  // namespace tesvak

#endif  // TESVAK_BASE_STATUS_H_
