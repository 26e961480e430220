// The POSIX side of the platform layer.
//
// Windows semantics the program relies on are reproduced here: names go
// through the DOS name mapping, errno values become the Windows codes that
// Wine and Samba would give, a directory cannot be opened as a file, a file
// without any write permission bit is read-only even for root, and a text
// file the program has open cannot be created over (a sharing violation),
// because on Windows it is open shared for reading only.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/names.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

// A file the program has open for reading.
struct OpenFile {
  int fd;
  dev_t dev;
  ino_t ino;
  std::uint64_t size;
  bool deny_writers;  // an open text file: nobody may write it meanwhile
};

bool ListDir(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  while (const dirent* e = readdir(d)) names->emplace_back(e->d_name);
  closedir(d);
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Maps errno to the code Windows gives for the same failure.  ENOENT is
// "file not found" only when the directory it should be in exists.
ErrorCode CodeFromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
      return IsDirectory(DirOf(path)) ? kFileNotFound : kPathNotFound;
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
    case EBUSY:
    case ETXTBSY:
      return kSharingViolation;
    case ENOSPC:
    case EDQUOT:
      return kDiskFullOs;
    case ENAMETOOLONG:
      return kNameTooLong;
    case EIO:
      return kIoDevice;
    default:
      return static_cast<ErrorCode>(err);
  }
}

ErrorCode CodeFromErrno(int err) { return err == ENOENT ? kFileNotFound : CodeFromErrno(err, "."); }

class PosixPlatform final : public Platform {
 public:
  PosixPlatform() : names_(ListDir) {
    const mode_t mask = umask(0);
    umask(mask);
    new_files_writable_ = (0666 & ~mask & 0222) != 0;
    // A console that has gone away must not kill the run halfway through a
    // copy; the failed write is simply ignored.
    signal(SIGPIPE, SIG_IGN);
  }

  ErrorCode OpenText(const std::string& name, FileId* file) override {
    return OpenExisting(name, true, file);
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    return OpenExisting(name, false, file);
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    std::string path;
    if (!Map(name, &path)) return kInvalidName;
    // A file that was not there when its directory was listed is most
    // likely new, and a new file needs no checks: one exclusive create.
    if (!names_.Listed(path)) {
      const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        names_.NoteCreated(path);
        *file = fd;
        return kOk;
      }
      if (errno != EEXIST) return CodeFromErrno(errno, path);
    }
    // It may exist: open it without truncating, so that nothing is lost
    // when it turns out to be a file the program is reading.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      const int err = errno;
      struct stat st;
      if (stat(path.c_str(), &st) == 0 && IsOpen(st, false)) return kSameFile;
      return CodeFromErrno(err, path);
    }
    names_.NoteCreated(path);
    struct stat st;
    if (fstat(fd, &st) != 0) return CloseWith(fd, CodeFromErrno(errno));
    if (IsOpen(st, false)) return CloseWith(fd, kSameFile);
    if (IsOpen(st, true)) return CloseWith(fd, kSharingViolation);
    // Without any write permission bit the file is read-only, even for
    // root -- unless the umask makes every new file look like that.
    if ((st.st_mode & 0222) == 0 && new_files_writable_) return CloseWith(fd, kAccessDenied);
    if (S_ISREG(st.st_mode) && st.st_size > 0 && ftruncate(fd, 0) != 0)
      return CloseWith(fd, CodeFromErrno(errno));
    *file = fd;
    return kOk;
  }

  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override {
    *got = 0;
    ssize_t n;
    do {
      n = read(static_cast<int>(file), buf, ClampIo(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno == EAGAIN ? kOk : CodeFromErrno(errno);
    *got = static_cast<std::size_t>(n);
    return kOk;
  }

  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override {
    *put = 0;
    ssize_t n;
    do {
      n = write(static_cast<int>(file), buf, ClampIo(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return CodeFromErrno(errno);
    *put = static_cast<std::size_t>(n);
    return kOk;
  }

  ErrorCode Size(FileId file, std::uint64_t* size) override {
    // Measured when the file was opened, a moment ago.
    for (const OpenFile& f : open_) {
      if (f.fd == file) {
        *size = f.size;
        return kOk;
      }
    }
    return kInvalidHandle;
  }

  ErrorCode Close(FileId file) override {
    const int fd = static_cast<int>(file);
    for (auto it = open_.begin(); it != open_.end(); ++it) {
      if (it->fd == fd) {
        open_.erase(it);
        break;
      }
    }
    // A close interrupted by a signal has still released the descriptor.
    if (close(fd) != 0 && errno != EINTR) return CodeFromErrno(errno);
    return kOk;
  }

  bool CopyChunk(FileId from, FileId to, std::uint64_t size, std::uint64_t* moved) override {
    // Any failure, a pair of files the kernel cannot copy between as much
    // as a real error, is left to the read and write that follow.
    ssize_t n;
    do {
      n = copy_file_range(static_cast<int>(from), nullptr, static_cast<int>(to), nullptr,
                          ClampIo(size), 0);
    } while (n < 0 && errno == EINTR);
    *moved = n > 0 ? static_cast<std::uint64_t>(n) : 0;
    return n > 0;
  }

  void ConsoleLine(std::string_view line) override {
    std::string out(line);
    out += "\r\n";
    const char* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
      const ssize_t n = write(STDOUT_FILENO, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // nowhere left to report to
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }

  std::string ModuleName() override {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "tesvak";
    const std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(path.rfind('/') + 1);
  }

 private:
  static ErrorCode CloseWith(int fd, ErrorCode code) {
    close(fd);
    return code;
  }

  // Maps a program name to the name to hand to the system.  A name holding
  // a NUL byte cannot be passed on whole, so it is refused rather than cut.
  bool Map(const std::string& name, std::string* path) {
    if (CutName(name).find('\0') != std::string_view::npos) return false;
    *path = names_.Resolve(name);
    return true;
  }

  // Whether the program has the file `st` describes open as a text file
  // (`text`) or through OpenRead.
  bool IsOpen(const struct stat& st, bool text) const {
    return std::any_of(open_.begin(), open_.end(), [&](const OpenFile& f) {
      return f.deny_writers == text && f.dev == st.st_dev && f.ino == st.st_ino;
    });
  }

  ErrorCode OpenExisting(const std::string& name, bool text, FileId* file) {
    std::string path;
    if (!Map(name, &path)) return kInvalidName;
    // Non-blocking, so that a FIFO without a writer reads as empty instead
    // of hanging the run; regular files are not affected.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return CodeFromErrno(errno, path);
    struct stat st;
    if (fstat(fd, &st) != 0) return CloseWith(fd, CodeFromErrno(errno));
    if (S_ISDIR(st.st_mode)) return CloseWith(fd, kAccessDenied);
    const std::uint64_t size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    open_.push_back({fd, st.st_dev, st.st_ino, size, text});
    *file = fd;
    return kOk;
  }

  NameResolver names_;
  std::vector<OpenFile> open_;
  bool new_files_writable_ = true;
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace tesvak
