// How the POSIX side turns errno values into the Windows codes the failure
// report is keyed by.
#ifndef TESVAK_PLATFORM_POSIX_ERRORS_H_
#define TESVAK_PLATFORM_POSIX_ERRORS_H_

#include "platform/platform.h"

namespace tesvak {

// The Windows code for the failure `err` describes, as Wine maps it.  Every
// errno the file calls can return has its own code; any other becomes 31
// (ERROR_GEN_FAILURE), so that no errno can pass for a Windows code it is
// not.  ENOENT is 2, "file not found"; whether the directory was missing
// (3) needs the name, which the caller has.
ErrorCode CodeFromErrno(int err);

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_POSIX_ERRORS_H_
