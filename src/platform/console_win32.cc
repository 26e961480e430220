#include "platform/console_win32.h"

namespace tesvak {

void Win32Console::WriteLine(DWORD which, std::string_view line) {
  std::string out(line);
  out += "\r\n";
  HANDLE h = GetStdHandle(which);
  const char* p = out.data();
  std::size_t left = out.size();
  while (left > 0) {
    DWORD n = 0;
    if (!WriteFile(h, p, static_cast<DWORD>(ClampIo(left)), &n, nullptr) || n == 0) {
      if (which == STD_OUTPUT_HANDLE && out_error_ == 0)
        out_error_ = n == 0 && GetLastError() == 0 ? ERROR_WRITE_FAULT : GetLastError();
      return;
    }
    p += n;
    left -= n;
  }
}

void Win32Console::Line(std::string_view line) {
  const DWORD error = out_error_;
  WriteLine(STD_OUTPUT_HANDLE, line);
  out_error_ = error;  // the stop lines and the report keep their own exit codes
}

void Win32Console::Print(Platform::Stream stream, std::string_view line) {
  WriteLine(stream == Platform::Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, line);
}

ErrorCode Win32Console::Finish(std::string* what) const {
  if (out_error_ == 0) return kOk;
  *what = ErrorText(out_error_);
  // A pipe whose reader has gone answers "the pipe has been ended", "the
  // pipe is being closed" or "no process is on the other end", as the
  // reader went.
  const bool gone = out_error_ == ERROR_BROKEN_PIPE || out_error_ == ERROR_NO_DATA ||
                    out_error_ == ERROR_PIPE_NOT_CONNECTED;
  return gone ? kBrokenPipe : static_cast<ErrorCode>(out_error_);
}

}  // namespace tesvak
