// Everything the program asks of the operating system, behind one narrow
// interface.  The POSIX and Win32 implementations are siblings; tests use an
// in-memory fake.  Nothing outside src/platform includes an OS header.
//
// Names are passed exactly as the program builds them, with the backslash as
// directory separator; each implementation maps them for its file system.
// Errors come back as Windows error codes (base/codes.h), because those are
// the codes the failure report is keyed by.  0 means success.
#ifndef TESVAK_PLATFORM_PLATFORM_H_
#define TESVAK_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/codes.h"
#include "base/file_id.h"

namespace tesvak {

// The longest name handed to the file system, as on Windows.
inline constexpr std::size_t kMaxName = 259;

// The most bytes one system call is asked to move; larger requests are
// served in parts.
inline constexpr std::uint64_t kMaxIo = std::uint64_t{1} << 30;
inline std::size_t ClampIo(std::uint64_t size) {
  return static_cast<std::size_t>(size < kMaxIo ? size : kMaxIo);
}

// Whether a name can be handed to the file system whole: kNameTooLong for
// one longer than kMaxName, which Windows would cut, and kInvalidName for
// one holding a NUL byte, which would end it early.  A cut name could be
// another file's, so such names are refused, never cut.
inline ErrorCode CheckName(const std::string& name) {
  if (name.size() > kMaxName) return kNameTooLong;
  if (name.find('\0') != std::string::npos) return kInvalidName;
  return kOk;
}

class Platform {
 public:
  virtual ~Platform() = default;

  // Opens an existing text file for reading, shared with others for
  // reading only.  A directory is refused with kAccessDenied.  The file
  // counts as a text input of the run from then on, open or closed.
  virtual ErrorCode OpenText(const std::string& name, FileId* file) = 0;
  // Opens an existing regular file for reading, shared for reading and
  // writing.  Anything else (a directory, a device by any name, a FIFO, a
  // socket) is refused with kAccessDenied before a byte is read.
  virtual ErrorCode OpenRead(const std::string& name, FileId* file) = 0;
  // Creates a file, or opens an existing one and empties it, for reading
  // and writing, shared for reading and writing.  What the file is comes
  // first, then whether it may be written, then any change; every check is
  // made on the file actually opened, each time, before anything is
  // truncated:
  //  - kSameFile, first, when it is a file the program has open through
  //    OpenRead, under whatever name; it is left untouched;
  //  - kSharingViolation when it is a text input of this run (OpenText),
  //    under whatever name or link;
  //  - kAccessDenied when it is not a regular file (a directory, a device,
  //    a FIFO, a socket, or a link that leads nowhere or round in a
  //    circle), or is read-only, even to root, unless this run created it;
  //  - only then whatever the system says to opening it for writing.
  // A file this run created may be written again whatever its permissions.
  // A link to a regular file is written through; a new file is never
  // created through a link.
  virtual ErrorCode Create(const std::string& name, FileId* file) = 0;
  // Answers as Create would for `name`, with every check it makes, but
  // creates, truncates and writes nothing and leaves no file open: kOk,
  // kSameFile or the error Create would give.  Sets *existing to the key
  // of the file Create would write, or to the zero key for a new file,
  // which from then on the name mapping finds as if it had been created.
  virtual ErrorCode ProbeCreate(const std::string& name, FileKey* existing) = 0;

  // Reads up to `size` bytes; *got == 0 at the end of the file.
  virtual ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) = 0;
  // Writes up to `size` bytes; *put < size means the medium took no more.
  virtual ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) = 0;
  // The size of a file opened with OpenRead or OpenText.
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

  // The key of an open file.
  virtual FileKey KeyOf(FileId file) = 0;
  // Whether Create made the open output `file` anew, so that no earlier
  // copy of the run can have gone to it, whatever its key.
  virtual bool IsNew(FileId file) = 0;

  // The name the file system sees for a program name: on POSIX the name
  // after the DOS name mapping, on Windows the name as built.
  virtual std::string SystemName(const std::string& name) = 0;
  // Where the system looks a program name up: SystemName made absolute, so
  // that a relative name tells which directory it was looked for in.
  virtual std::string FullName(const std::string& name) = 0;

  // Why the last call that failed with `code` failed, in the system's own
  // words or by the rule of the program that refused it ("read-only", "not
  // a regular file"); the system's words for `code` when the last failure
  // gave another code.  Asked right after the failure, for its cause.
  virtual std::string WhyFailed(ErrorCode code) = 0;
  // Where `name` leads, following every link on the way as opening it
  // would (see Place): kOk, or the error met on the way there
  // (kPathNotFound where nothing is and there is no directory to make it
  // in).
  virtual ErrorCode Locate(const std::string& name, Place* place) = 0;

  // Writes one console line to standard output, bytes unchanged, followed
  // by CR LF.
  virtual void ConsoleLine(std::string_view line) = 0;

  // Writes one line to standard output or standard error, bytes unchanged,
  // followed by the system's own newline: LF, or CR LF on Windows.  Each
  // line is written before Print returns, so that a run ended by a signal
  // leaves a log of every copy it made.
  enum class Stream : std::uint8_t { kOut, kErr };
  virtual void Print(Stream stream, std::string_view line) = 0;
  // Tells whether all that Print gave standard output reached it: kOk, or
  // the code of the first write that failed (kBrokenPipe when its reader
  // had gone), with the system's own words for it in *what.
  virtual ErrorCode FinishOutput(std::string* what) = 0;

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
