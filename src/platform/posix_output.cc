#include "platform/posix_output.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/messages.h"
#include "base/path.h"
#include "platform/posix_errors.h"

namespace tesvak {
namespace {

constexpr int kWriteFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
// A directory is held without the right to list it, which a directory
// that takes new files need not grant.
#ifdef O_PATH
constexpr int kHoldFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kHoldFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

}  // namespace

PosixOutputs::PosixOutputs(OpenFiles& files, NameResolver& names) : files_(files), names_(names) {
  const mode_t mask = umask(0);
  umask(mask);
  new_files_unwritable_ = (0666 & ~mask & S_IWUSR) == 0;
  // At most a quarter of the descriptors the run may have, and none where
  // they are few: a copy must never lack one for a held directory.
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur >= kFewDescriptors)
    most_held_ = static_cast<std::size_t>(std::min<rlim_t>(kMaxHeld, limit.rlim_cur / 4));
}

PosixOutputs::~PosixOutputs() {
  for (const auto& [key, fd] : held_) close(fd);
}

// The steps, in both: the name as written where the resolver found another
// spelling; the spelling found; and where it found none, a new file, in the
// directory the resolver listed.  An answer the directory no longer bears
// out, or given from a directory the name no longer leads to, is asked for
// once more, afresh.
ErrorCode PosixOutputs::Create(const std::string& name, FileId* file) {
  DosToPosix(name, &path_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    NameResolver::Where where;
    if (const ErrorCode code = MapName(names_, name, &resolved_, &where); code != kOk) return code;
    ErrorCode code;
    if (where.found) {
      if (resolved_ != path_ && (code = OpenOutput(path_, file)) != kFileNotFound) return code;
      if ((code = OpenOutput(resolved_, file)) != kFileNotFound) return code;
    } else if (attempt == 0 && Moved(where)) {
      names_.Forget();
      continue;
    } else {
      if ((code = CreateNew(resolved_, where.dir, file)) != kFileExists) return code;
      names_.Forget();  // the directory holds a name its listing lacked
      if ((code = OpenOutput(resolved_, file)) != kFileNotFound) return code;
    }
    names_.Forget();
  }
  return CreateNew(resolved_, DirKey(DirOf(resolved_)), file);
}

ErrorCode PosixOutputs::Probe(const std::string& name, FileKey* existing) {
  *existing = FileKey();
  DosToPosix(name, &path_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    NameResolver::Where where;
    if (const ErrorCode code = MapName(names_, name, &resolved_, &where); code != kOk) return code;
    ErrorCode code;
    if (where.found) {
      if (resolved_ != path_ && (code = ProbeOutput(path_, existing)) != kFileNotFound) return code;
      if ((code = ProbeOutput(resolved_, existing)) != kFileNotFound) return code;
    } else if (attempt == 0 && Moved(where)) {
      names_.Forget();
      continue;
    } else {
      if ((code = ProbeOutput(resolved_, existing)) == kFileNotFound)
        return ProbeNew(resolved_, where.dir);
      names_.Forget();
      return code;
    }
    names_.Forget();
  }
  return ProbeNew(resolved_, DirKey(DirOf(resolved_)));
}

bool PosixOutputs::Moved(const NameResolver::Where& where) const {
  return DirKey(DirOf(resolved_)) != where.dir;
}

ErrorCode PosixOutputs::Judge(const struct stat& st) const {
  const FileKey key = KeyOfStat(st);
  if (files_.IsOpenSource(key)) return kSameFile;
  if (files_.IsTextInput(key)) return Refusal(kSharingViolation, kIsTextInput);
  if (!S_ISREG(st.st_mode))
    return Refusal(kAccessDenied, S_ISDIR(st.st_mode) ? kIsDirectory : kNotRegularFile);
  if ((st.st_mode & 0222) == 0 && !files_.IsMadeUnwritable(key))
    return Refusal(kAccessDenied, kIsReadOnly);
  return kOk;
}

ErrorCode PosixOutputs::CreateNew(const std::string& path, FileKey dir, FileId* file) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? kFileExists : CodeForPath(errno, path);
  NoteMade(path, dir);
  FileKey key;
  if (new_files_unwritable_) {
    struct stat st;
    if (fstat(fd, &st) != 0) return CloseWith(fd, Failure(errno));
    key = KeyOfStat(st);
    files_.NoteMadeUnwritable(key);
  }
  files_.Add({fd, OpenFiles::Kind::kOutput, key, 0, true});
  *file = fd;
  return kOk;
}

// Where the output cannot be opened, what it is is found out before the
// refusal counts: the open source is still skipped, a text input still
// refused as one, and the run's own output still written.
ErrorCode PosixOutputs::OpenOutput(const std::string& path, FileId* file) {
  int fd = open(path.c_str(), kWriteFlags);
  struct stat st;
  bool lent = false;
  if (fd < 0) {
    const int err = errno;
    if (stat(path.c_str(), &st) != 0) return WhyNoFile(path, errno);
    if (const ErrorCode code = Judge(st); code != kOk) return code;
    if (err != EACCES || !files_.IsMadeUnwritable(KeyOfStat(st))) return CodeForPath(err, path);
    fd = OpenLent(path, st);
    if (fd < 0) return CodeForPath(errno, path);
    lent = true;
  }
  struct stat now;
  if (fstat(fd, &now) != 0) return CloseWith(fd, Failure(errno));
  if (const ErrorCode code = Judge(now); code != kOk) return CloseWith(fd, code);
  if (lent && KeyOfStat(now) == KeyOfStat(st)) fchmod(fd, st.st_mode & 07777);
  if (now.st_size > 0 && ftruncate(fd, 0) != 0) return CloseWith(fd, Failure(errno));
  files_.Add({fd, OpenFiles::Kind::kOutput, KeyOfStat(now), 0, false});
  *file = fd;
  return kOk;
}

ErrorCode PosixOutputs::ProbeOutput(const std::string& path, FileKey* existing) const {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return WhyNoFile(path, errno);
  *existing = KeyOfStat(st);
  if (const ErrorCode code = Judge(st); code != kOk) return code;
  // What opening it for writing would refuse.
  if (access(path.c_str(), W_OK) == 0 || files_.IsMadeUnwritable(*existing)) return kOk;
  return Failure(errno);
}

ErrorCode PosixOutputs::ProbeNew(const std::string& path, FileKey dir) {
  // A new file, if its directory takes one.
  const std::string parent = DirOf(path);
  if (!IsDirectory(parent)) return NoDirectory(path);
  if (access(parent.empty() ? "." : parent.c_str(), W_OK | X_OK) != 0) return Failure(errno);
  NoteMade(path, dir);
  return kOk;
}

void PosixOutputs::NoteMade(const std::string& path, FileKey dir) {
  names_.NoteCreated(dir, BaseName(path));
  if (!Known(dir) || held_.size() >= most_held_ ||
      std::any_of(held_.begin(), held_.end(), [&](const auto& h) { return h.first == dir; }))
    return;
  const std::string parent = DirOf(path);
  const int fd = open(parent.empty() ? "." : parent.c_str(), kHoldFlags);
  if (fd < 0) return;  // out of descriptors: the run goes on without
  struct stat st;
  if (fstat(fd, &st) == 0 && KeyOfStat(st) == dir) {
    held_.emplace_back(dir, fd);
  } else {
    close(fd);  // replaced a moment ago; the next name made there holds it
  }
}

// Opens `path`, judged a moment ago as `st`, the run's own output that the
// umask left without its owner's write permission, for writing.  An
// ordinary user may not, so it is lent that permission for as long as the
// open takes: only its owner, this user, can change its mode, and the file
// opened is judged again before any byte of it changes.
int PosixOutputs::OpenLent(const std::string& path, const struct stat& st) {
  if (chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) {
    errno = EACCES;
    return -1;
  }
  const int fd = open(path.c_str(), kWriteFlags);
  if (fd < 0) {
    const int err = errno;
    chmod(path.c_str(), st.st_mode & 07777);
    errno = err;
  }
  return fd;
}

}  // namespace tesvak
