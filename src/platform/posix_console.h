// Standard output and standard error on POSIX, for the POSIX platform.
#ifndef TESVAK_PLATFORM_POSIX_CONSOLE_H_
#define TESVAK_PLATFORM_POSIX_CONSOLE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tesvak {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that
// no file the program opens can take its place: a job started with them
// closed would otherwise find its own warnings in a rules copy.
void GuardStandardDescriptors();

class PosixConsole {
 public:
  PosixConsole() = default;
  ~PosixConsole() { Flush(); }
  PosixConsole(const PosixConsole&) = delete;
  PosixConsole& operator=(const PosixConsole&) = delete;

  // As Platform::ConsoleLine, Print and FinishOutput.
  void Line(std::string_view line);
  void Print(Platform::Stream stream, std::string_view line);
  ErrorCode Finish(std::string* what);

 private:
  static constexpr std::size_t kBuffer = std::size_t{64} * 1024;

  void SetUp();
  void Flush(int i);
  void Flush();
  // Writes all of `bytes` to stream `i`, remembering the first failure on
  // standard output.
  void WriteAll(int i, std::string_view bytes);

  std::string held_[2];  // lines Print holds back, for stdout and stderr
  bool set_up_ = false;
  bool each_line_[2] = {false, false};  // a terminal shows each line at once
  bool shared_ = false;                 // both streams go to one place
  int out_error_ = 0;                   // errno of the first failed stdout write
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_POSIX_CONSOLE_H_
