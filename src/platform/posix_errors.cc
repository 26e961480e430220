// The Windows code for each errno value a file call can give, as Wine maps
// them.
#include "platform/posix_errors.h"

#include <cerrno>
#include <cstring>

namespace tesvak {

ErrorCode CodeFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ELOOP:
      return kPathNotFound;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kAccessDenied;
    case EBADF:
      return kInvalidHandle;
    case ENOMEM:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
      return 21;  // ERROR_NOT_READY
    case EBUSY:
    case ETXTBSY:
      return kSharingViolation;
    case EAGAIN:
      return 33;  // ERROR_LOCK_VIOLATION: a locked file
    case EOPNOTSUPP:
    case ENOTTY:
      return 50;  // ERROR_NOT_SUPPORTED
    case EEXIST:
      return kFileExists;
    case EINVAL:
      return 87;  // ERROR_INVALID_PARAMETER
    case EPIPE:
      return kBrokenPipe;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kDiskFull;
    case ENAMETOOLONG:
      return kNameTooLong;
    case EOVERFLOW:
      return 223;  // ERROR_FILE_TOO_LARGE
    case EFAULT:
      return 998;  // ERROR_NOACCESS
    case EIO:
      return kIoDevice;
    case ETIMEDOUT:
      return 1460;  // ERROR_TIMEOUT
    default:
      return kGenFailure;
  }
}

namespace {

// The program is one thread, as errno is one number.
struct Noted {
  ErrorCode code = kOk;
  std::string why;
};
Noted& Last() {
  static Noted last;
  return last;
}

}  // namespace

ErrorCode Failure(int err) {
  const ErrorCode code = CodeFromErrno(err);
  Last() = {code, std::strerror(err)};
  return code;
}

ErrorCode Refusal(ErrorCode code, std::string_view why) {
  Last() = {code, std::string(why)};
  return code;
}

std::string LastFailureWords(ErrorCode code) {
  if (Last().code == code) return Last().why;
  return "error " + std::to_string(code);
}

}  // namespace tesvak
