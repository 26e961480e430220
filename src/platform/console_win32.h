// Standard output and standard error on Windows, for the Win32 platform.
#ifndef TESVAK_PLATFORM_CONSOLE_WIN32_H_
#define TESVAK_PLATFORM_CONSOLE_WIN32_H_

#include <string>
#include <string_view>

#include "platform/files_win32.h"
#include "platform/platform.h"

namespace tesvak {

class Win32Console {
 public:
  // As Platform::ConsoleLine, Print and FinishOutput.
  void Line(std::string_view line);
  void Print(Platform::Stream stream, std::string_view line);
  ErrorCode Finish(std::string* what) const;

 private:
  // WriteFile on the raw handle: bytes go out unchanged, with no text-mode
  // translation and no code-page conversion, and a line at a time, so
  // nothing is held back.
  void WriteLine(DWORD which, std::string_view line);

  DWORD out_error_ = 0;  // the first failed write to standard output
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_CONSOLE_WIN32_H_
