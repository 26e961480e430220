// How the POSIX side turns errno values into the Windows codes the failure
// report is keyed by, and keeps why each failure happened.
#ifndef TESVAK_PLATFORM_POSIX_ERRORS_H_
#define TESVAK_PLATFORM_POSIX_ERRORS_H_

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tesvak {

// The Windows code for the failure `err` describes, as Wine maps it.  Every
// errno the file calls can return has its own code; any other becomes 31
// (ERROR_GEN_FAILURE), so that no errno can pass for a Windows code it is
// not.  ENOENT is 2, "file not found"; whether the directory was missing
// (3) needs the name, which the caller has.
ErrorCode CodeFromErrno(int err);

// Why the last failure happened, kept as errno keeps its number, so that
// the cause of a stop can say it: every failure the POSIX side returns is
// made by one of these two.  Failure gives CodeFromErrno(err), noted with
// the system's own words for `err`; Refusal gives `code`, noted with the
// program's rule that refused the file.
ErrorCode Failure(int err);
ErrorCode Refusal(ErrorCode code, std::string_view why);
// The words noted with the last failure, when it gave `code`.
std::string LastFailureWords(ErrorCode code);

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_POSIX_ERRORS_H_
