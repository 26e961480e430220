// Everything the program asks of the operating system, behind one narrow
// interface.  The POSIX and Win32 implementations are siblings; tests use an
// in-memory fake.  Nothing outside src/platform includes an OS header.
//
// Names are passed exactly as the program builds them, with the backslash as
// directory separator; each implementation maps them for its file system.
// Errors come back as Windows error codes, because those are the codes the
// failure report is keyed by.  0 means success.
#ifndef TESVAK_PLATFORM_PLATFORM_H_
#define TESVAK_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tesvak {

using FileId = std::intptr_t;
using ErrorCode = std::uint32_t;

// Windows error codes the program meets.
inline constexpr ErrorCode kOk = 0;
inline constexpr ErrorCode kFileNotFound = 2;
inline constexpr ErrorCode kPathNotFound = 3;
inline constexpr ErrorCode kTooManyOpenFiles = 4;
inline constexpr ErrorCode kAccessDenied = 5;
inline constexpr ErrorCode kInvalidHandle = 6;
inline constexpr ErrorCode kGenFailure = 31;
inline constexpr ErrorCode kSharingViolation = 32;
inline constexpr ErrorCode kDiskFullOs = 112;
inline constexpr ErrorCode kInvalidName = 123;
inline constexpr ErrorCode kNameTooLong = 206;
inline constexpr ErrorCode kIoDevice = 1117;

// Not a system code: Create's answer when asked to create over a file the
// program has open for reading.
inline constexpr ErrorCode kSameFile = 0x20000001u;

// The longest name handed to the file system, as on Windows.  A longer name
// is refused with kNameTooLong, never cut: a cut name could be another
// file's, and the program would overwrite it.
inline constexpr std::size_t kMaxName = 259;

// The most bytes one system call is asked to move; larger requests are
// served in parts.
inline constexpr std::uint64_t kMaxIo = std::uint64_t{1} << 30;
inline std::size_t ClampIo(std::uint64_t size) {
  return static_cast<std::size_t>(size < kMaxIo ? size : kMaxIo);
}

class Platform {
 public:
  virtual ~Platform() = default;

  // Opens an existing text file for reading, shared with others for
  // reading only.  A directory is refused with kAccessDenied.
  virtual ErrorCode OpenText(const std::string& name, FileId* file) = 0;
  // Opens an existing file for reading, shared for reading and writing.
  virtual ErrorCode OpenRead(const std::string& name, FileId* file) = 0;
  // Creates a file, or truncates an existing one, for reading and writing,
  // shared for reading and writing.  Fails with kSharingViolation when the
  // file is one of the program's own open text files, and with
  // kAccessDenied when it is read-only or not a regular file (a directory,
  // a device, or on POSIX a FIFO, a socket or a link that leads nowhere);
  // nothing is truncated or written then.  When it is a file the program has
  // open through OpenRead, under whatever name, it is left untouched and
  // kSameFile is returned; that check comes first.
  virtual ErrorCode Create(const std::string& name, FileId* file) = 0;
  // Answers as Create would for `name`, with every check it makes, but
  // creates, truncates and writes nothing and leaves no file open: kOk,
  // kSameFile or the error Create would give.
  virtual ErrorCode ProbeCreate(const std::string& name) = 0;

  // Reads up to `size` bytes; *got == 0 at the end of the file.
  virtual ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) = 0;
  // Writes up to `size` bytes; *put < size means the medium took no more.
  virtual ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) = 0;
  // The size of a file opened with OpenRead.
  virtual ErrorCode Size(FileId file, std::uint64_t* size) = 0;
  virtual ErrorCode Close(FileId file) = 0;

  // Moves up to `size` bytes from `from` to `to` without passing them
  // through the program, where the system can, and sets *moved.  Returns
  // false when it moved nothing, for whatever reason: the caller then goes
  // on with Read and Write, which report any real error themselves.
  virtual bool CopyChunk(FileId from, FileId to, std::uint64_t size, std::uint64_t* moved) {
    (void)from, (void)to, (void)size;
    *moved = 0;
    return false;
  }

  // Whether two open files are one and the same file, under whatever names
  // they were opened.
  virtual bool SameFile(FileId a, FileId b) = 0;

  // The name the file system sees for a program name: on POSIX the name
  // after the DOS name mapping, on Windows the name as built.
  virtual std::string SystemName(const std::string& name) = 0;

  // Writes one console line to standard output, bytes unchanged, followed
  // by CR LF, and flushes it, with any line Print still holds before it.
  virtual void ConsoleLine(std::string_view line) = 0;

  // Writes one line to standard output or standard error, bytes unchanged,
  // followed by the system's own newline: LF, or CR LF on Windows.  Lines
  // may be held back for speed, but all are written by the time the
  // platform is destroyed, and in order where both streams go to the same
  // place.
  enum class Stream : std::uint8_t { kOut, kErr };
  virtual void Print(Stream stream, std::string_view line) = 0;

  // Whether the system's own programs take options as /X, as Windows' do.
  virtual bool SlashOptions() const { return false; }
  // The running program's own file name, without its directory.
  virtual std::string ModuleName() = 0;
};

// Owns one open file and closes it when it goes out of scope, so that every
// way out of a function releases it.  Close() closes it earlier and gives
// the result, for the paths where a failing close matters.
class OwnedFile {
 public:
  OwnedFile(Platform& fs, FileId id) : fs_(fs), id_(id) {}
  ~OwnedFile() {
    if (open_) fs_.Close(id_);
  }
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;

  FileId id() const { return id_; }
  ErrorCode Close() {
    open_ = false;
    return fs_.Close(id_);
  }

 private:
  Platform& fs_;
  FileId id_;
  bool open_ = true;
};

// The platform of the system the program was built for.
std::unique_ptr<Platform> MakeSystemPlatform();

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_PLATFORM_H_
