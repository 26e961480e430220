#include "platform/posix_console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix_errors.h"

namespace tesvak {
namespace {

constexpr int kFds[2] = {STDOUT_FILENO, STDERR_FILENO};

bool SameFileAs(int a, int b) {
  struct stat sa;
  struct stat sb;
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

void GuardStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is the one just found closed.
    const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) close(opened);
  }
}

void PosixConsole::SetUp() {
  set_up_ = true;
  for (int i = 0; i < 2; ++i) each_line_[i] = isatty(kFds[i]) != 0;
  shared_ = (each_line_[0] && each_line_[1]) || SameFileAs(kFds[0], kFds[1]);
}

void PosixConsole::WriteAll(int i, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(kFds[i], bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // nowhere left to write to
      if (i == 0 && out_error_ == 0) out_error_ = n < 0 ? errno : EIO;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void PosixConsole::Flush(int i) {
  WriteAll(i, held_[i]);
  held_[i].clear();
}

void PosixConsole::Flush() {
  for (int i = 0; i < 2; ++i)
    if (!held_[i].empty()) Flush(i);
}

void PosixConsole::Line(std::string_view line) {
  Flush();
  std::string out(line);
  out += "\r\n";
  const int error = out_error_;
  WriteAll(0, out);
  out_error_ = error;  // the stop lines and the report keep their own exit codes
}

void PosixConsole::Print(Platform::Stream stream, std::string_view line) {
  const int i = stream == Platform::Stream::kOut ? 0 : 1;
  if (!set_up_) SetUp();
  // Where both streams end in the same place, keep their lines in order.
  if (shared_ && !held_[1 - i].empty()) Flush(1 - i);
  held_[i].append(line).push_back('\n');
  if (each_line_[i] || held_[i].size() >= kBuffer) Flush(i);
}

ErrorCode PosixConsole::Finish(std::string* what) {
  Flush();
  if (out_error_ == 0) return kOk;
  *what = std::strerror(out_error_);
  return CodeFromErrno(out_error_);
}

}  // namespace tesvak
