#include "platform/posix_console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix_errors.h"

namespace tesvak {

unsigned GuardStandardDescriptors(const char* null_device) {
  unsigned closed = 0;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    closed |= 1u << fd;
    // The lowest free descriptor is the one just found closed.
    int opened = open(null_device, fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened < 0) opened = open("/", O_RDONLY | O_DIRECTORY);
    if (opened != fd && opened >= 0) close(opened);
  }
  return closed;
}

void PosixConsole::WriteAll(int fd, std::string_view bytes) {
  if (closed_ & (1u << fd)) return;
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // nowhere left to write to
      if (fd == STDOUT_FILENO && out_error_ == 0) out_error_ = n < 0 ? errno : EIO;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void PosixConsole::Line(std::string_view line) {
  line_.assign(line).append("\r\n");
  const int error = out_error_;
  WriteAll(STDOUT_FILENO, line_);
  out_error_ = error;  // the stop lines and the report keep their own exit codes
}

void PosixConsole::Print(Platform::Stream stream, std::string_view line) {
  // A line at a time, as it happens: the log of a run that a signal ends
  // names every copy the run made.
  line_.assign(line).push_back('\n');
  WriteAll(stream == Platform::Stream::kOut ? STDOUT_FILENO : STDERR_FILENO, line_);
}

ErrorCode PosixConsole::Finish(std::string* what) const {
  if (out_error_ == 0) return kOk;
  *what = std::strerror(out_error_);
  return CodeFromErrno(out_error_);
}

}  // namespace tesvak
