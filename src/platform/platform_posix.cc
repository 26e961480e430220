// The POSIX side of the platform layer.
//
// Windows semantics the program relies on are reproduced here: names go
// through the DOS name mapping, errno values become the Windows codes that
// Wine would give, a directory cannot be opened as a file, a file without
// any write permission bit is read-only even for root, and a text file the
// program has open cannot be created over (a sharing violation), because on
// Windows it is open shared for reading only.  Beyond Windows, an output
// must be a regular file: a link that leads nowhere, a FIFO, a socket or a
// device in the output's place is refused before anything is written.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/path.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix_errors.h"

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
      return 80;  // ERROR_FILE_EXISTS
    case EINVAL:
      return 87;  // ERROR_INVALID_PARAMETER
    case EPIPE:
      return 109;  // ERROR_BROKEN_PIPE
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kDiskFullOs;
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

struct Identity {
  dev_t dev;
  ino_t ino;
  bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// A file the program has open for reading.
struct OpenFile {
  int fd;
  Identity id;
  std::uint64_t size;
  bool text;  // an open text file: nobody may write it meanwhile
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

// CodeFromErrno, with ENOENT told apart: "file not found" only when the
// directory it should be in exists.
ErrorCode CodeForPath(int err, const std::string& path) {
  if (err == ENOENT && !IsDirectory(DirOf(path))) return kPathNotFound;
  return CodeFromErrno(err);
}

ErrorCode CloseWith(int fd, ErrorCode code) {
  close(fd);
  return code;
}

// The program's own file name, read once at the start: a package upgrade
// that replaces or removes the file during the run does not change it.
std::string ReadModuleName() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "tesvak";
  std::string_view path(buf, static_cast<std::size_t>(n));
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.remove_suffix(kDeleted.size());
  return std::string(BaseName(path));
}

class PosixPlatform final : public Platform {
 public:
  PosixPlatform() : names_(ListDir), module_(ReadModuleName()) {
    const mode_t mask = umask(0);
    umask(mask);
    new_files_read_only_ = (0666 & ~mask & 0222) == 0;
    // A console that has gone away must not kill the run halfway through a
    // copy; the failed write is simply ignored.  A file-size limit must not
    // kill it either: the write that passes it fails and is reported.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
  }

  ErrorCode OpenText(const std::string& name, FileId* file) override {
    return OpenExisting(name, true, file);
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    return OpenExisting(name, false, file);
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    const std::string* mapped = nullptr;
    bool listed = false;
    if (const ErrorCode code = Map(name, &mapped, &listed); code != kOk) return code;
    const std::string& path = *mapped;
    // A file that was not there when its directory was listed is most
    // likely new, and a new file needs no checks: one exclusive create,
    // which never follows a link.
    if (listed) return ReplaceExisting(name, path, file);
    const ErrorCode code = CreateNew(name, path, file);
    return code == kExists ? ReplaceExisting(name, path, file) : code;
  }

  ErrorCode ProbeCreate(const std::string& name) override {
    const std::string* mapped = nullptr;
    bool listed = false;  // asked for as for any output, which keeps its name
    if (const ErrorCode code = Map(name, &mapped, &listed); code != kOk) return code;
    const std::string& path = *mapped;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return CodeForPath(errno, path);
      return NewFileAllowed(DirOf(path));
    }
    if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0)
      return errno == ENOENT || errno == ELOOP ? kAccessDenied : CodeForPath(errno, path);
    if (const ErrorCode code = CheckReplace(st); code != kOk) return code;
    // What opening it for writing would refuse an ordinary user.
    if (access(path.c_str(), W_OK) == 0 || IsOwnReadOnly(st)) return kOk;
    return CodeFromErrno(errno);
  }

  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override {
    *got = 0;
    ssize_t n;
    do {
      n = read(static_cast<int>(file), buf, ClampIo(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return CodeFromErrno(errno);
    *got = static_cast<std::size_t>(n);
    return kOk;
  }

  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override {
    // A write may store less than it was given; the rest follows, until the
    // medium takes nothing more or refuses with an error.
    *put = 0;
    const char* p = static_cast<const char*>(buf);
    while (*put < size) {
      const ssize_t n = write(static_cast<int>(file), p + *put, ClampIo(size - *put));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return CodeFromErrno(errno);
      if (n == 0) break;
      *put += static_cast<std::size_t>(n);
    }
    return kOk;
  }

  ErrorCode Size(FileId file, std::uint64_t* size) override {
    // Measured when the file was opened, a moment ago.
    const OpenFile* f = Find(file);
    if (f == nullptr) return kInvalidHandle;
    *size = f->size;
    return kOk;
  }

  ErrorCode Close(FileId file) override {
    const int fd = static_cast<int>(file);
    std::erase_if(open_, [fd](const OpenFile& f) { return f.fd == fd; });
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

  bool SameFile(FileId a, FileId b) override {
    const OpenFile* fa = Find(a);
    const OpenFile* fb = Find(b);
    return fa != nullptr && fb != nullptr && fa->id == fb->id;
  }

  std::string SystemName(const std::string& name) override {
    const std::string* path = nullptr;
    return Map(name, &path) == kOk ? *path : name;
  }

  void ConsoleLine(std::string_view line) override {
    FlushPrinted();
    std::string out(line);
    out += "\r\n";
    WriteAll(STDOUT_FILENO, out);
  }

  void Print(Stream stream, std::string_view line) override {
    const int i = stream == Stream::kOut ? 0 : 1;
    if (!print_setup_) SetUpPrint();
    // Where both streams end in the same place, keep their lines in order.
    if (print_shared_ && !printed_[1 - i].empty()) Flush(1 - i);
    printed_[i].append(line).push_back('\n');
    if (print_each_line_[i] || printed_[i].size() >= kPrintBuffer) Flush(i);
  }

  std::string ModuleName() override { return module_; }

  ~PosixPlatform() override { FlushPrinted(); }

 private:
  // CreateNew's answer when the name turns out to exist after all.
  static constexpr ErrorCode kExists = 0x20000002u;
  static constexpr std::size_t kPrintBuffer = std::size_t{64} * 1024;
  static constexpr int kPrintFds[2] = {STDOUT_FILENO, STDERR_FILENO};

  static void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = write(fd, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // nowhere left to write to
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  // Print holds lines back unless they go to a terminal, which shows each
  // at once.
  void SetUpPrint() {
    print_setup_ = true;
    struct stat out;
    struct stat err;
    for (int i = 0; i < 2; ++i) print_each_line_[i] = isatty(kPrintFds[i]) != 0;
    print_shared_ = (print_each_line_[0] && print_each_line_[1]) ||
                    (fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 &&
                     IdentityOf(out) == IdentityOf(err));
  }

  void Flush(int i) {
    WriteAll(kPrintFds[i], printed_[i]);
    printed_[i].clear();
  }
  void FlushPrinted() {
    for (int i = 0; i < 2; ++i)
      if (!printed_[i].empty()) Flush(i);
  }

  // Maps a program name to the name to hand to the system.  A name longer
  // than Windows allows, or holding a NUL byte, cannot be passed on whole,
  // so it is refused rather than cut.  Each output name is resolved once a
  // run, once it is known to exist; *listed, given for outputs, tells
  // whether it does (it was in its directory's listing, or the run created
  // it).
  static ErrorCode Check(const std::string& name) {
    if (name.size() > kMaxName) return kNameTooLong;
    if (name.find('\0') != std::string::npos) return kInvalidName;
    return kOk;
  }
  ErrorCode Map(const std::string& name, const std::string** path, bool* listed = nullptr) {
    if (const ErrorCode code = Check(name); code != kOk) return code;
    auto known = mapped_.find(name);
    bool found = known != mapped_.end();
    if (!found) {
      scratch_ = names_.Resolve(name, &found);
      // Outputs are kept: one is often written again, inputs seldom read
      // twice (and those found as written never come here).
      if (found && listed != nullptr) known = mapped_.emplace(name, scratch_).first;
    }
    *path = known != mapped_.end() ? &known->second : &scratch_;
    if (listed != nullptr) *listed = found;
    return kOk;
  }

  const OpenFile* Find(FileId file) const {
    for (const OpenFile& f : open_)
      if (f.fd == file) return &f;
    return nullptr;
  }

  bool IsOpen(Identity id, bool text) const {
    return std::any_of(open_.begin(), open_.end(),
                       [&](const OpenFile& f) { return f.text == text && f.id == id; });
  }
  bool IsOpenSource(const struct stat& st) const { return IsOpen(IdentityOf(st), false); }

  // A file this run created without write permission, as a umask that
  // removes every write bit makes it: not read-only to the run itself.
  bool IsOwnReadOnly(const struct stat& st) const {
    return std::find(own_read_only_.begin(), own_read_only_.end(), IdentityOf(st)) !=
           own_read_only_.end();
  }

  ErrorCode OpenExisting(const std::string& name, bool text, FileId* file) {
    if (const ErrorCode code = Check(name); code != kOk) return code;
    // Non-blocking, so that opening a FIFO without a writer does not hang.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // As written first: a name that exists so is what resolving it gives,
    // and finding that out needs no directory listing.  Where the last name
    // looked up was spelled otherwise on disk, the next is resolved first.
    std::string path = DosToPosix(name);
    const std::string dir = DirOf(path);
    const bool as_written = !resolve_first_.contains(dir);
    int fd = as_written ? open(path.c_str(), kFlags) : -1;
    int err = as_written ? errno : ENOENT;
    if (fd < 0 && err == ENOENT) {
      const std::string* resolved = nullptr;
      Map(name, &resolved);
      if (*resolved != path) {
        resolve_first_.insert(dir);
      } else {
        resolve_first_.erase(dir);
      }
      if (*resolved != path || !as_written) {
        path = *resolved;
        fd = open(path.c_str(), kFlags);
        err = errno;
      }
    }
    if (fd < 0) return CodeForPath(err, path);
    struct stat st;
    if (fstat(fd, &st) != 0) return CloseWith(fd, CodeFromErrno(errno));
    if (S_ISDIR(st.st_mode)) return CloseWith(fd, kAccessDenied);
    // Reading blocks again: a writer that pauses is waited for, not taken
    // for the end; a FIFO without any writer still reads as empty.
    if (!S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
      return CloseWith(fd, CodeFromErrno(errno));
    const std::uint64_t size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    open_.push_back({fd, IdentityOf(st), size, text});
    *file = fd;
    return kOk;
  }

  ErrorCode CreateNew(const std::string& name, const std::string& path, FileId* file) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? kExists : CodeForPath(errno, path);
    names_.NoteCreated(path);
    mapped_.emplace(name, path);
    if (new_files_read_only_) {
      struct stat st;
      if (fstat(fd, &st) != 0) return CloseWith(fd, CodeFromErrno(errno));
      own_read_only_.push_back(IdentityOf(st));
    }
    *file = fd;
    return kOk;
  }

  // Whether the existing output `st` describes may be replaced: kOk, or
  // kSameFile for the open source, or why not.
  ErrorCode CheckReplace(const struct stat& st) const {
    if (IsOpenSource(st)) return kSameFile;
    if (!S_ISREG(st.st_mode)) return kAccessDenied;
    if (IsOpen(IdentityOf(st), true)) return kSharingViolation;
    if ((st.st_mode & 0222) == 0 && !IsOwnReadOnly(st)) return kAccessDenied;
    return kOk;
  }

  // The output is there: only a regular file that is neither open nor
  // read-only may be emptied and written, and every check is made before
  // anything is truncated.  A file is looked at once and opened with
  // O_TRUNC, as cheap as a copy can be; O_NOFOLLOW refuses a link that took
  // its place meanwhile, and a link goes the long way round.
  ErrorCode ReplaceExisting(const std::string& name, const std::string& path, FileId* file) {
    // An output this run has checked and written before is known: what it
    // is needs no second look, only whether it is one of the files open.
    auto known = replaced_.find(path);
    struct stat st;
    if (known != replaced_.end()) {
      if (IsOpen(known->second, false)) return kSameFile;
      if (IsOpen(known->second, true)) return kSharingViolation;
    } else {
      if (lstat(path.c_str(), &st) != 0) return Vanished(name, path, errno, file);
      if (S_ISLNK(st.st_mode)) return ReplaceThroughLink(name, path, file);
      if (const ErrorCode code = CheckReplace(st); code != kOk) return code;
    }
    const int fd =
        open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
      if (known == replaced_.end()) replaced_.emplace(path, IdentityOf(st));
      *file = fd;
      return kOk;
    }
    const int err = errno;
    if (known != replaced_.end()) {  // it changed after all: look again
      replaced_.erase(known);
      return ReplaceExisting(name, path, file);
    }
    if (err == ELOOP) return ReplaceThroughLink(name, path, file);
    if (err == EACCES && IsOwnReadOnly(st)) return Recreate(name, path, file);
    if (err == ENOENT) return Vanished(name, path, err, file);
    return err == ENXIO ? kAccessDenied : CodeForPath(err, path);  // ENXIO: a FIFO
  }

  // An output that is a link: written through when it leads to a regular
  // file, which is opened without O_TRUNC and checked again, opened, before
  // it is emptied.  A link to nowhere creates nothing.
  ErrorCode ReplaceThroughLink(const std::string& name, const std::string& path, FileId* file) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Vanished(name, path, errno, file);
    if (IsOpenSource(st)) return kSameFile;
    if (!S_ISREG(st.st_mode)) return kAccessDenied;
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENXIO ? kAccessDenied : CodeForPath(errno, path);
    if (fstat(fd, &st) != 0) return CloseWith(fd, CodeFromErrno(errno));
    if (const ErrorCode code = CheckReplace(st); code != kOk) return CloseWith(fd, code);
    if (st.st_size > 0 && ftruncate(fd, 0) != 0) return CloseWith(fd, CodeFromErrno(errno));
    *file = fd;
    return kOk;
  }

  // Whether a new file may be made in `dir`: it must be there and
  // writable.  Asked once a directory.
  ErrorCode NewFileAllowed(const std::string& dir) {
    auto [it, fresh] = new_file_checks_.try_emplace(dir, kOk);
    if (!fresh) return it->second;
    if (!IsDirectory(dir))
      it->second = kPathNotFound;
    else if (access(dir.empty() ? "." : dir.c_str(), W_OK | X_OK) != 0)
      it->second = CodeFromErrno(errno);
    return it->second;
  }

  // The output could not be looked at: a link that leads nowhere (or round
  // in a circle) is refused, and a file that went away since the listing is
  // created anew.
  ErrorCode Vanished(const std::string& name, const std::string& path, int err, FileId* file) {
    struct stat st;
    if (err != ENOENT && err != ELOOP) return CodeForPath(err, path);
    if (lstat(path.c_str(), &st) == 0)
      return S_ISLNK(st.st_mode) ? kAccessDenied : CodeFromErrno(err);
    if (err != ENOENT) return CodeForPath(err, path);
    const ErrorCode code = CreateNew(name, path, file);
    return code == kExists ? 80 : code;  // ERROR_FILE_EXISTS: it keeps changing
  }

  // The run's own read-only file, which an ordinary user may not open for
  // writing: made anew in its place, under the same umask.
  ErrorCode Recreate(const std::string& name, const std::string& path, FileId* file) {
    if (unlink(path.c_str()) != 0) return CodeForPath(errno, path);
    const ErrorCode code = CreateNew(name, path, file);
    return code == kExists ? 80 : code;
  }

  NameResolver names_;
  std::unordered_map<std::string, std::string> mapped_;  // program name -> resolved name
  std::string scratch_;                                  // a name resolved but not kept
  std::vector<OpenFile> open_;
  std::vector<Identity> own_read_only_;
  std::unordered_map<std::string, ErrorCode> new_file_checks_;  // directory -> answer
  std::unordered_map<std::string, Identity> replaced_;          // outputs checked and written
  std::unordered_set<std::string> resolve_first_;  // directories of names spelled otherwise
  std::string module_;
  bool new_files_read_only_ = false;
  std::string printed_[2];  // lines Print holds back, for stdout and stderr
  bool print_setup_ = false;
  bool print_each_line_[2] = {false, false};
  bool print_shared_ = false;
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace tesvak
