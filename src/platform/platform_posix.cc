// The POSIX side of the platform layer.
//
// Windows semantics the program relies on are reproduced here: names go
// through the DOS name mapping, errno values become the Windows codes that
// Wine would give, a directory cannot be opened as a file, a file without
// any write permission bit is read-only even for root, and a text file the
// program has read cannot be written, as Windows' sharing rules keep an
// open one.  Beyond Windows, outputs and rules files must be regular files
// (the outputs' rules are in posix_output.cc).
//
// Every name is opened through its whole path, each time: a directory
// renamed, removed or replaced between two lines is the one the path leads
// to then.  A name is opened as written when it exists so; only then is it
// looked up ignoring case, and a lookup the directory no longer bears out
// is made again afresh.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <map>

#include "base/messages.h"
#include "base/path.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix_console.h"
#include "platform/posix_errors.h"
#include "platform/posix_files.h"
#include "platform/posix_output.h"

namespace tesvak {
namespace {

// How many links in a row Locate follows before it takes them for a
// circle, as the kernel does.
constexpr int kMaxLinks = 40;

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

bool IsMissingErrno(int err) { return err == ENOENT || err == ENOTDIR; }

class PosixPlatform final : public Platform {
 public:
  explicit PosixPlatform(unsigned closed_at_start)
      : names_({DirKey, ListDir, IsEntry}),
        outputs_(files_, names_),
        module_(ReadModuleName()),
        console_(closed_at_start) {
    // A console that has gone away must not kill the run halfway through a
    // copy; the failed write is reported at the end.  A file-size limit
    // must not kill it either: the write that passes it fails and is
    // reported.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
  }

  ErrorCode OpenText(const std::string& name, FileId* file) override {
    const ErrorCode code = OpenExisting(name, OpenFiles::Kind::kText, file);
    if (code != kOk) return code;
    files_.NoteText(files_.Find(static_cast<int>(*file))->key);
    // A text input is named, in warnings read later, as it was opened.
    text_names_.insert_or_assign(name, scratch_);
    return code;
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    return OpenExisting(name, OpenFiles::Kind::kSource, file);
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    return outputs_.Create(name, file);
  }

  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override {
    return outputs_.Probe(name, existing);
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
    const OpenFiles::File* f = files_.Find(static_cast<int>(file));
    if (f == nullptr) return kInvalidHandle;
    *size = f->size;
    return kOk;
  }

  ErrorCode Close(FileId file) override {
    const int fd = static_cast<int>(file);
    files_.Remove(fd);
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
    OpenFiles::File* f = files_.Find(static_cast<int>(file));
    if (f == nullptr) return FileKey();
    struct stat st;
    if (f->key == FileKey() && fstat(f->fd, &st) == 0) f->key = KeyOfStat(st);
    return f->key;
  }

  bool IsNew(FileId file) override {
    const OpenFiles::File* f = files_.Find(static_cast<int>(file));
    return f != nullptr && f->made;
  }

  std::string SystemName(const std::string& name) override {
    if (auto opened = text_names_.find(name); opened != text_names_.end()) return opened->second;
    // What an open would take: the name as written where it exists so.
    std::string path;
    DosToPosix(name, &path);
    if (CheckName(name) == kOk && IsEntry(path)) return path;
    return MapName(names_, name, &path) == kOk ? path : name;
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
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    DosToPosix(name, &path);
    if (!IsEntry(path)) {
      if (const ErrorCode code = MapSpelling(name, &path); code != kOk) return code;
    }
    for (int hop = 0; hop < kMaxLinks; ++hop) {
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return CodeForPath(errno, path);
        // Nothing there: the directory it would be made in, as it is now.
        place->dir = DirKey(DirOf(path));
        place->leaf = BaseName(path);
        return place->dir == FileKey() ? NoDirectory(path) : kOk;
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
  // Opens the name as written where it exists so, else as the resolver
  // finds it, asked once more afresh where its answer is not there: *fd,
  // or the failure of the last spelling tried.
  ErrorCode OpenAnySpelling(const std::string& name, int flags, int* fd) {
    std::string& path = scratch_;
    DosToPosix(name, &path);
    *fd = open(path.c_str(), flags);
    int err = errno;
    for (int attempt = 0; *fd < 0 && IsMissingErrno(err) && attempt < 2; ++attempt) {
      if (attempt > 0) names_.Forget();
      if (const ErrorCode code = MapName(names_, name, &resolved_); code != kOk) return code;
      if (resolved_ == path) continue;
      path.swap(resolved_);
      *fd = open(path.c_str(), flags);
      err = errno;
    }
    return *fd >= 0 ? kOk : CodeForPath(err, path);
  }

  // The resolver's answer for a name that does not exist as written, asked
  // once more afresh where the directory no longer bears it out: a name it
  // found is gone (unless it is one noted as created, which a dry run only
  // plans), or the directory is another one now than the one it listed.
  ErrorCode MapSpelling(const std::string& name, std::string* path) {
    NameResolver::Where where;
    if (const ErrorCode code = MapName(names_, name, path, &where); code != kOk) return code;
    if (IsEntry(*path)) return kOk;
    if ((!where.found || where.made) && DirKey(DirOf(*path)) == where.dir) return kOk;
    names_.Forget();
    return MapName(names_, name, path);
  }

  ErrorCode OpenExisting(const std::string& name, OpenFiles::Kind kind, FileId* file) {
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    // Non-blocking, so that opening a FIFO without a writer does not hang.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = -1;
    if (const ErrorCode code = OpenAnySpelling(name, kFlags, &fd); code != kOk) return code;
    struct stat st;
    if (fstat(fd, &st) != 0) return CloseWith(fd, Failure(errno));
    // A directory is never read; a rules file must be a file, not a device
    // or a FIFO, whose bytes would be whatever it gives.
    if (S_ISDIR(st.st_mode)) return CloseWith(fd, Refusal(kAccessDenied, kIsDirectory));
    if (kind == OpenFiles::Kind::kSource && !S_ISREG(st.st_mode))
      return CloseWith(fd, Refusal(kAccessDenied, kNotRegularFile));
    // Reading blocks again: a writer that pauses is waited for, not taken
    // for the end; a FIFO without any writer still reads as empty.
    if (!S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
      return CloseWith(fd, Failure(errno));
    const std::uint64_t size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    files_.Add({fd, kind, KeyOfStat(st), size, false});
    *file = fd;
    return kOk;
  }

  OpenFiles files_;
  NameResolver names_;
  PosixOutputs outputs_;
  std::map<std::string, std::string> text_names_;  // each text input, as it was opened
  std::string scratch_;                            // the name being opened, as a POSIX name
  std::string resolved_;                           // and as the resolver finds it
  std::string module_;
  PosixConsole console_;
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() {
  const unsigned closed = GuardStandardDescriptors();
  return std::make_unique<PosixPlatform>(closed);
}

}  // namespace tesvak
