// The run of the program: settings, checks, echo areas, the rules pass, and
// the one place where a stop or a failure becomes console output and an
// exit code.
#ifndef TESVAK_DRIVER_RUN_H_
#define TESVAK_DRIVER_RUN_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"

namespace tesvak {

// Exit codes.  An orderly stop is not a success: a batch file or scheduler
// must be able to tell that the job was not done.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the failure report
inline constexpr int kExitStopped = 2;  // an orderly stop with its one line

// The report's message for an error code.
std::string MessageForCode(std::uint32_t code);

// The report's location field for a failing operation.
std::uint32_t LocationOf(Site site);

// The unexpected-failure report, without its line end.
std::string FailureReport(std::string_view class_name, std::string_view module,
                          std::uint32_t location, std::string_view message);

// The program's version, as --version shows it.
inline constexpr char kVersion[] = TESVAK_VERSION;

// Reads the command line `args` (without the program's name), runs the
// whole job or answers the options, and returns the exit code.  A plain run
// writes to the console only when it stops or fails.  When what a dry or
// verbose run, the help or the version gave standard output did not reach
// it, says so on standard error (unless its reader went away) and fails
// with exit code 1, where the run itself would have succeeded.
int RunProgram(Platform& fs, const std::vector<std::string>& args);

}  // namespace tesvak

#endif  // TESVAK_DRIVER_RUN_H_
