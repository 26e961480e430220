// Standard output and standard error on POSIX, for the POSIX platform.
#ifndef TESVAK_PLATFORM_POSIX_CONSOLE_H_
#define TESVAK_PLATFORM_POSIX_CONSOLE_H_

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tesvak {

// Takes each of descriptors 0, 1 and 2 that is closed, before anything else
// is opened, so that no file the program opens can take its place: a job
// started with them closed would otherwise find its own warnings in a
// rules copy.  `null_device`, or where that cannot be opened (a chroot or
// a container without one), the root directory opened for reading, which
// nothing can be written to.  Returns a bit (1 << fd) for each it took.
unsigned GuardStandardDescriptors(const char* null_device = "/dev/null");

class PosixConsole {
 public:
  // `closed` as GuardStandardDescriptors returned it: what goes to a
  // stream that was closed when the program started goes nowhere, as it
  // would to the null device.
  explicit PosixConsole(unsigned closed) : closed_(closed) {}

  // As Platform::ConsoleLine, Print and FinishOutput.
  void Line(std::string_view line);
  void Print(Platform::Stream stream, std::string_view line);
  ErrorCode Finish(std::string* what) const;

 private:
  // Writes all of `bytes` to descriptor `fd`, remembering the first
  // failure on standard output.
  void WriteAll(int fd, std::string_view bytes);

  unsigned closed_;
  std::string line_;   // the line being written, with its line end
  int out_error_ = 0;  // errno of the first failed stdout write
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_POSIX_CONSOLE_H_
