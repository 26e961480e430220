// Every error code the program handles, in one place: the Windows codes the
// platform layer reports failures with (on POSIX, the codes Wine would
// give), the run-time's own two, and the platform's answers that are not
// failures.  The failure report is keyed by these numbers.
#ifndef TESVAK_BASE_CODES_H_
#define TESVAK_BASE_CODES_H_

#include <cstdint>

namespace tesvak {

using ErrorCode = std::uint32_t;

inline constexpr ErrorCode kOk = 0;

// Windows codes (ERROR_...).
inline constexpr ErrorCode kFileNotFound = 2;
inline constexpr ErrorCode kPathNotFound = 3;
inline constexpr ErrorCode kTooManyOpenFiles = 4;
inline constexpr ErrorCode kAccessDenied = 5;
inline constexpr ErrorCode kInvalidHandle = 6;
inline constexpr ErrorCode kGenFailure = 31;
inline constexpr ErrorCode kSharingViolation = 32;
inline constexpr ErrorCode kFileExists = 80;
inline constexpr ErrorCode kBrokenPipe = 109;
inline constexpr ErrorCode kDiskFull = 112;  // the system's: no room on the medium
inline constexpr ErrorCode kInvalidName = 123;
inline constexpr ErrorCode kNameTooLong = 206;
inline constexpr ErrorCode kIoDevice = 1117;

// The run-time's own codes: a read that ended before the size measured at
// the start of a copy, and a write that stored fewer bytes than it was
// given (reported as "Disk full", but not the system's code 112).
inline constexpr ErrorCode kReadBeyondEnd = 100;
inline constexpr ErrorCode kShortWrite = 101;
inline constexpr ErrorCode kInvalidNumericInput = 106;

// Not failures: Create's answer when asked to create over the file the
// program is copying from.
inline constexpr ErrorCode kSameFile = 0x20000001u;

}  // namespace tesvak

#endif  // TESVAK_BASE_CODES_H_
