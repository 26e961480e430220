// The POSIX side of the platform layer.
//
// Windows semantics the program relies on are reproduced here: names go
// through the DOS name mapping, errno values become the Windows codes that
// Wine would give, a directory cannot be opened as a file, a file without
// any write permission bit is read-only even for root, and a text file the
// program has read cannot be written, as Windows' sharing rules keep an
// open one.  Beyond Windows, outputs and rules files must be regular files.
//
// An output is judged each time it is opened, in one order: which file it
// is (the open source, a text input, not a regular file), then whether it
// may be written, then any change.  A new name is created exclusively,
// which never follows a link; an existing file is opened without
// truncating it, looked at through its descriptor, and only then emptied;
// where the system will not open it, what it is is looked at before the
// refusal counts.  Nothing seen on an earlier copy is trusted, for OutDir
// may change between two lines.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <unordered_set>
#include <vector>

#include "base/messages.h"
#include "base/path.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix_console.h"
#include "platform/posix_errors.h"

namespace tesvak {
namespace {

// How many links in a row Locate follows before it takes them for a
// circle, as the kernel does.
constexpr int kMaxLinks = 40;

FileKey KeyOfStat(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// A directory's entries.  A directory that cannot be opened for listing
// has none; a listing that fails partway is an error, never a shorter list.
ErrorCode ListDir(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return kOk;
  for (;;) {
    errno = 0;
    const dirent* e = readdir(d);
    if (e == nullptr) break;
    names->emplace_back(e->d_name);
  }
  const int err = errno;
  closedir(d);
  return err == 0 ? kOk : Failure(err);
}

// The key of directory `dir`, or the zero key where there is none.
FileKey DirKey(const std::string& dir) {
  struct stat st;
  if (stat(dir.empty() ? "." : dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return FileKey();
  return KeyOfStat(st);
}

bool IsDirectory(const std::string& path) { return DirKey(path) != FileKey(); }

// Whether `path` is an entry of its directory, whatever it is.
bool IsEntry(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The refusal of `path`, whose directory does not exist.
ErrorCode NoDirectory(const std::string& path) {
  return Refusal(kPathNotFound, kNoDirectory + DirOf(path));
}

// Failure, with ENOENT told apart: "file not found" only when the
// directory it should be in exists.
ErrorCode CodeForPath(int err, const std::string& path) {
  if (err == ENOENT && !IsDirectory(DirOf(path))) return NoDirectory(path);
  return Failure(err);
}

// Why `path`, which stat or open could not follow (errno `err`), is no file
// to write: a link that leads nowhere or round in a circle is refused, as
// a new file is never made through a link; kFileNotFound when nothing is
// there, for the caller to create; kFileExists when something came back.
ErrorCode WhyNoFile(const std::string& path, int err) {
  if (err != ENOENT && err != ELOOP) return CodeForPath(err, path);
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) return kFileExists;
    return Refusal(kAccessDenied, err == ELOOP ? kLinkInCircle : kLinkToNowhere);
  }
  return errno == ENOENT ? kFileNotFound : CodeForPath(errno, path);
}

bool ReadLink(const std::string& path, std::string* target) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return false;
  target->assign(buf, static_cast<std::size_t>(n));
  return true;
}

// CheckName, with why a name is refused noted.
ErrorCode Checked(const std::string& name) {
  const ErrorCode code = CheckName(name);
  if (code == kOk) return kOk;
  return Refusal(code, code == kNameTooLong ? kNameTooLongWhy : kNameHoldsNul);
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
  explicit PosixPlatform(unsigned closed_at_start)
      : names_({DirKey, ListDir, IsEntry}), module_(ReadModuleName()), console_(closed_at_start) {
    const mode_t mask = umask(0);
    umask(mask);
    new_files_unwritable_ = (0666 & ~mask & S_IWUSR) == 0;
    // A console that has gone away must not kill the run halfway through a
    // copy; the failed write is reported at the end.  A file-size limit
    // must not kill it either: the write that passes it fails and is
    // reported.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
  }

  ErrorCode OpenText(const std::string& name, FileId* file) override {
    const ErrorCode code = OpenExisting(name, Kind::kText, file);
    if (code == kOk) text_inputs_.push_back(Find(*file)->key);
    return code;
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    return OpenExisting(name, Kind::kSource, file);
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    std::string& path = output_;
    NameResolver::Where where;
    if (const ErrorCode code = Map(name, &path, &where); code != kOk) return code;
    if (!where.found) {
      const ErrorCode code = CreateNew(path, where.dir, file);
      if (code != kFileExists) return code;
    }
    return OpenOutput(path, where.dir, file);
  }

  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override {
    *existing = FileKey();
    std::string path;
    NameResolver::Where where;
    if (const ErrorCode code = Map(name, &path, &where); code != kOk) return code;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
      if (const ErrorCode code = WhyNoFile(path, errno); code != kFileNotFound) return code;
      // A new file, if its directory takes one.
      const std::string dir = DirOf(path);
      if (!IsDirectory(dir)) return NoDirectory(path);
      if (access(dir.empty() ? "." : dir.c_str(), W_OK | X_OK) != 0) return Failure(errno);
      names_.NoteCreated(where.dir, BaseName(path));
      return kOk;
    }
    *existing = KeyOfStat(st);
    if (const ErrorCode code = Judge(st); code != kOk) return code;
    // What opening it for writing would refuse.
    if (access(path.c_str(), W_OK) == 0 || IsMadeUnwritable(st)) return kOk;
    return Failure(errno);
  }

  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override {
    *got = 0;
    ssize_t n;
    do {
      n = read(static_cast<int>(file), buf, ClampIo(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Failure(errno);
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
      if (n < 0) return Failure(errno);
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
    if (close(fd) != 0 && errno != EINTR) return Failure(errno);
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

  FileKey KeyOf(FileId file) override {
    OpenFile* f = Find(file);
    if (f == nullptr) return FileKey();
    struct stat st;
    if (f->key == FileKey() && fstat(f->fd, &st) == 0) f->key = KeyOfStat(st);
    return f->key;
  }

  std::string SystemName(const std::string& name) override {
    std::string path;
    return Map(name, &path) == kOk ? path : name;
  }

  std::string FullName(const std::string& name) override {
    std::string path = SystemName(name);
    if (path.starts_with('/')) return path;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return path;
    if (path.starts_with("./")) path.erase(0, 2);
    std::string full(cwd);
    if (!full.ends_with('/')) full += '/';
    return full + path;
  }

  std::string WhyFailed(ErrorCode code) override { return LastFailureWords(code); }

  ErrorCode Locate(const std::string& name, Place* place) override {
    *place = Place();
    std::string path;
    NameResolver::Where where;
    if (const ErrorCode code = Map(name, &path, &where); code != kOk) return code;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return CodeForPath(errno, path);
        place->dir = hop == 0 ? where.dir : DirKey(DirOf(path));
        place->leaf = BaseName(path);
        return place->dir == FileKey() ? kPathNotFound : kOk;
      }
      if (!S_ISLNK(st.st_mode)) {
        place->file = KeyOfStat(st);
        return kOk;
      }
      // A link: where it leads, as the kernel reads it, in its directory.
      std::string target;
      if (!ReadLink(path, &target)) return CodeForPath(errno, path);
      if (!target.starts_with('/')) target.insert(0, DirOf(path));
      path = std::move(target);
    }
    return Refusal(kAccessDenied, kLinkInCircle);
  }

  void ConsoleLine(std::string_view line) override { console_.Line(line); }
  void Print(Stream stream, std::string_view line) override { console_.Print(stream, line); }
  ErrorCode FinishOutput(std::string* what) override { return console_.Finish(what); }

  std::string ModuleName() override { return module_; }

 private:
  enum class Kind : std::uint8_t { kText, kSource, kOutput };
  struct OpenFile {
    int fd;
    Kind kind;
    FileKey key;  // the zero key until asked for, for an output made new
    std::uint64_t size;
  };

  // Opens `path` as open(2) would, through a handle of the directory it is
  // in: the rules directory and OutDir are opened in a thousand times, and
  // their own path need not be walked each time.  The handle is taken when
  // the directory is first opened in, and is that directory from then on,
  // as a directory known by what it is.  A few directories are held;
  // beyond them, and where there is no directory, the whole path is walked.
  int OpenIn(const std::string& path, int flags, mode_t mode = 0) {
    const std::string_view dir = DirPart(path);
    const int at = DirHandle(dir);
    return openat(at, at == AT_FDCWD ? path.c_str() : path.c_str() + dir.size(), flags, mode);
  }

  int DirHandle(std::string_view dir) {
    if (dir.empty()) return AT_FDCWD;
    for (const HeldDir& held : held_)
      if (held.dir == dir) return held.fd;
    if (held_.size() == kHeldDirs) return AT_FDCWD;
    std::string name(dir);
    const int fd = open(name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    held_.push_back({std::move(name), fd < 0 ? AT_FDCWD : fd});
    return held_.back().fd;
  }

  // Maps a program name to the name to hand to the system.
  ErrorCode Map(const std::string& name, std::string* path, NameResolver::Where* where = nullptr) {
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    return names_.Resolve(name, path, where);
  }

  OpenFile* Find(FileId file) {
    for (OpenFile& f : open_)
      if (f.fd == file) return &f;
    return nullptr;
  }

  bool IsOpenSource(FileKey key) const {
    return std::any_of(open_.begin(), open_.end(),
                       [&](const OpenFile& f) { return f.kind == Kind::kSource && f.key == key; });
  }
  bool IsTextInput(FileKey key) const {
    return std::find(text_inputs_.begin(), text_inputs_.end(), key) != text_inputs_.end();
  }
  // A file this run created under a umask that left its owner no write
  // permission: the run may write it again all the same.
  bool IsMadeUnwritable(const struct stat& st) const {
    return std::find(made_unwritable_.begin(), made_unwritable_.end(), KeyOfStat(st)) !=
           made_unwritable_.end();
  }

  // Whether the existing file `st` describes may be emptied and written, as
  // far as what it is decides: kOk, or kSameFile for the open source, or
  // why not.  Whether the system lets this user write it comes after.
  ErrorCode Judge(const struct stat& st) const {
    const FileKey key = KeyOfStat(st);
    if (IsOpenSource(key)) return kSameFile;
    if (IsTextInput(key)) return Refusal(kSharingViolation, kIsTextInput);
    if (!S_ISREG(st.st_mode))
      return Refusal(kAccessDenied, S_ISDIR(st.st_mode) ? kIsDirectory : kNotRegularFile);
    if ((st.st_mode & 0222) == 0 && !IsMadeUnwritable(st))
      return Refusal(kAccessDenied, kIsReadOnly);
    return kOk;
  }

  ErrorCode OpenExisting(const std::string& name, Kind kind, FileId* file) {
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    // Non-blocking, so that opening a FIFO without a writer does not hang.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    // As written first: a name that exists so is what resolving it gives,
    // and finding that out needs no directory listing.  Where the last name
    // looked up in a directory was spelled otherwise on disk, the next is
    // resolved first.
    std::string& path = scratch_;
    DosToPosix(name, &path);
    const std::string_view dir = DirPart(path);
    const bool as_written = resolve_first_.find(dir) == resolve_first_.end();
    int fd = as_written ? OpenIn(path, kFlags) : -1;
    int err = as_written ? errno : ENOENT;
    if (fd < 0 && err == ENOENT) {
      std::string& resolved = resolved_;
      if (const ErrorCode code = Map(name, &resolved); code != kOk) return code;
      if (resolved != path) {
        if (as_written) resolve_first_.emplace(dir);
      } else if (!as_written) {
        resolve_first_.erase(resolve_first_.find(dir));
      }
      if (resolved != path || !as_written) {
        path = resolved;
        fd = OpenIn(path, kFlags);
        err = errno;
      }
    }
    if (fd < 0) return CodeForPath(err, path);
    struct stat st;
    if (fstat(fd, &st) != 0) return CloseWith(fd, Failure(errno));
    // A directory is never read; a rules file must be a file, not a device
    // or a FIFO, whose bytes would be whatever it gives.
    if (S_ISDIR(st.st_mode)) return CloseWith(fd, Refusal(kAccessDenied, kIsDirectory));
    if (kind == Kind::kSource && !S_ISREG(st.st_mode))
      return CloseWith(fd, Refusal(kAccessDenied, kNotRegularFile));
    // Reading blocks again: a writer that pauses is waited for, not taken
    // for the end; a FIFO without any writer still reads as empty.
    if (!S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
      return CloseWith(fd, Failure(errno));
    const std::uint64_t size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    open_.push_back({fd, kind, KeyOfStat(st), size});
    *file = fd;
    return kOk;
  }

  // A new output: one exclusive create, which never follows a link and
  // needs no checks, for nobody else's file can be behind it.  kFileExists
  // when the name turns out to exist after all.
  ErrorCode CreateNew(const std::string& path, FileKey dir, FileId* file) {
    const int fd = OpenIn(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? kFileExists : CodeForPath(errno, path);
    names_.NoteCreated(dir, BaseName(path));
    FileKey key;
    if (new_files_unwritable_) {
      struct stat st;
      if (fstat(fd, &st) != 0) return CloseWith(fd, Failure(errno));
      key = KeyOfStat(st);
      made_unwritable_.push_back(key);
    }
    open_.push_back({fd, Kind::kOutput, key, 0});
    *file = fd;
    return kOk;
  }

  // An existing output, or a link to one: opened for writing without
  // truncating it, judged through the descriptor, and emptied only when it
  // passes.  Where it cannot be opened, what it is is found out before the
  // refusal: the open source is still skipped, a text input still refused
  // as one, and the run's own output still written.  A file that is gone
  // since it was found is made anew.
  ErrorCode OpenOutput(const std::string& path, FileKey dir, FileId* file) {
    constexpr int kFlags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = OpenIn(path, kFlags);
    struct stat st;
    bool lent = false;
    if (fd < 0) {
      const int err = errno;
      if (stat(path.c_str(), &st) != 0) {
        const ErrorCode code = WhyNoFile(path, errno);
        return code == kFileNotFound ? CreateNew(path, dir, file) : code;
      }
      if (const ErrorCode code = Judge(st); code != kOk) return code;
      if (err != EACCES || !IsMadeUnwritable(st)) return CodeForPath(err, path);
      fd = OpenLent(path, st);
      if (fd < 0) return CodeForPath(errno, path);
      lent = true;
    }
    struct stat now;
    if (fstat(fd, &now) != 0) return CloseWith(fd, Failure(errno));
    if (const ErrorCode code = Judge(now); code != kOk) return CloseWith(fd, code);
    if (lent && KeyOfStat(now) == KeyOfStat(st)) fchmod(fd, st.st_mode & 07777);
    if (now.st_size > 0 && ftruncate(fd, 0) != 0) return CloseWith(fd, Failure(errno));
    open_.push_back({fd, Kind::kOutput, KeyOfStat(now), 0});
    *file = fd;
    return kOk;
  }

  // Opens `path`, judged a moment ago as `st`, the run's own output that
  // the umask left without its owner's write permission, for writing.  An
  // ordinary user may not, so it is lent that permission for as long as
  // the open takes: only its owner, this user, can change its mode, and the
  // file opened is judged again before any byte of it changes.
  static int OpenLent(const std::string& path, const struct stat& st) {
    if (chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) {
      errno = EACCES;
      return -1;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      const int err = errno;
      chmod(path.c_str(), st.st_mode & 07777);
      errno = err;
    }
    return fd;
  }

  NameResolver names_;
  static constexpr std::size_t kHeldDirs = 8;
  struct HeldDir {
    std::string dir;  // as the system takes it, with its trailing slash
    int fd;
  };
  std::vector<HeldDir> held_;
  // Directories of names spelled otherwise on disk, looked up by views.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> resolve_first_;
  std::string scratch_;   // the name being opened, as a POSIX name
  std::string resolved_;  // and as the system takes it
  std::string output_;    // the output being created, as the system takes it
  std::vector<OpenFile> open_;
  std::vector<FileKey> text_inputs_;      // every text file opened this run
  std::vector<FileKey> made_unwritable_;  // files this run made that its umask left unwritable
  std::string module_;
  bool new_files_unwritable_ = false;
  PosixConsole console_;
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() {
  const unsigned closed = GuardStandardDescriptors();
  return std::make_unique<PosixPlatform>(closed);
}

}  // namespace tesvak
