// The Win32 side of the platform layer.  Names go to the file system as
// built, and GetLastError codes pass through unchanged.  A name longer than
// 259 bytes, which Windows cannot take whole, is refused rather than cut,
// and an output must be a file on disk: DOS device names such as NUL.sqr
// or COM1.sqr, which Windows sends to the device, are refused.
//
// An output is judged on the file actually opened, each time: it is
// opened, or created, without truncating it, looked at through its handle,
// and only then emptied.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "base/path.h"
#include "platform/names.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

HANDLE AsHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }
FileId AsFileId(HANDLE h) { return reinterpret_cast<FileId>(h); }

ErrorCode LastError() { return static_cast<ErrorCode>(GetLastError()); }

DWORD Clamp(std::uint64_t size) { return static_cast<DWORD>(ClampIo(size)); }

FileKey KeyOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return FileKey();
  return {info.dwVolumeSerialNumber,
          (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// The system's own words for an error code.
std::string ErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n > 0 ? std::string(text, n) : "error " + std::to_string(code);
  if (text != nullptr) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
    out.pop_back();
  return out;
}

class Win32Platform final : public Platform {
 public:
  ErrorCode OpenText(const std::string& name, FileId* file) override {
    const ErrorCode code = Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, file);
    if (code == kOk) text_inputs_.push_back(KeyOfHandle(AsHandle(*file)));
    return code;
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    const ErrorCode code =
        Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, file);
    if (code == kOk) sources_.push_back(AsHandle(*file));
    return code;
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    if (IsDosDeviceName(BaseName(name))) return kAccessDenied;
    FileId opened = 0;
    ErrorCode code = Open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          OPEN_ALWAYS, &opened);
    // A read-only file, or one the program reads as text, refuses writing
    // before it can be looked at; it may still be the source, which is
    // skipped rather than refused.
    if ((code == kAccessDenied || code == kSharingViolation) && IsOpenSource(name))
      return kSameFile;
    if (code != kOk) return code;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    HANDLE h = AsHandle(opened);
    code = CheckOutput(h);
    if (code == kOk && existed && !SetEndOfFile(h)) code = LastError();
    if (code != kOk) {
      CloseHandle(h);
      return code;
    }
    *file = opened;
    return kOk;
  }

  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override {
    *existing = FileKey();
    if (const ErrorCode code = CheckName(name); code != kOk) return code;
    if (IsDosDeviceName(BaseName(name))) return kAccessDenied;
    if (IsOpenSource(name)) return kSameFile;
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      // Not there: a new file, if its directory is.
      const ErrorCode code = LastError();
      return code == ERROR_FILE_NOT_FOUND ? kOk : code;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return kAccessDenied;
    // Opened for writing without truncating it, to meet any sharing rule
    // that would refuse Create, and closed again untouched.
    FileId file = 0;
    ErrorCode code =
        Open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, &file);
    if (code != kOk) return code;
    *existing = KeyOfHandle(AsHandle(file));
    code = CheckOutput(AsHandle(file));
    CloseHandle(AsHandle(file));
    return code;
  }

  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override {
    DWORD n = 0;
    *got = 0;
    if (!ReadFile(AsHandle(file), buf, Clamp(size), &n, nullptr)) {
      // A pipe whose writer has gone is simply at its end.
      return GetLastError() == ERROR_BROKEN_PIPE ? kOk : LastError();
    }
    *got = n;
    return kOk;
  }

  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override {
    DWORD n = 0;
    *put = 0;
    if (!WriteFile(AsHandle(file), buf, Clamp(size), &n, nullptr)) return LastError();
    *put = n;
    return kOk;
  }

  ErrorCode Size(FileId file, std::uint64_t* size) override {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(AsHandle(file), &li)) return LastError();
    *size = static_cast<std::uint64_t>(li.QuadPart);
    return kOk;
  }

  ErrorCode Close(FileId file) override {
    std::erase(sources_, AsHandle(file));
    return CloseHandle(AsHandle(file)) ? kOk : LastError();
  }

  FileKey KeyOf(FileId file) override { return KeyOfHandle(AsHandle(file)); }

  std::string SystemName(const std::string& name) override { return name; }
  ErrorCode Locate(const std::string& name, Place* place) override {
    *place = Place();
    if (const ErrorCode code = CheckName(name); code != kOk) return code;
    if (const FileKey key = KeyOfName(name); key != FileKey()) {
      place->file = key;
      return kOk;
    }
    // Nothing there: the directory it would be made in, by its key, and
    // the name there folded, as the file system compares names.
    const std::size_t sep = name.find_last_of("\\/:");
    std::string dir = sep == std::string::npos ? "." : name.substr(0, sep + 1);
    if (dir.back() == ':') dir += '.';
    place->dir = KeyOfName(dir);
    if (place->dir == FileKey()) return kPathNotFound;
    place->leaf = FoldUpper(sep == std::string::npos ? name : name.substr(sep + 1));
    return kOk;
  }

  void ConsoleLine(std::string_view line) override {
    const DWORD error = out_error_;
    WriteLine(STD_OUTPUT_HANDLE, line);
    out_error_ = error;  // the stop lines and the report keep their own exit codes
  }

  void Print(Stream stream, std::string_view line) override {
    WriteLine(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, line);
  }

  ErrorCode FinishOutput(std::string* what) override {
    if (out_error_ == 0) return kOk;
    *what = ErrorText(out_error_);
    // A pipe whose reader has gone answers "the pipe is being closed".
    return out_error_ == ERROR_NO_DATA ? kBrokenPipe : static_cast<ErrorCode>(out_error_);
  }

  bool SlashOptions() const override { return true; }

  std::string ModuleName() override {
    char buf[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n == 0) return "tesvak.exe";
    return std::string(BaseName(std::string_view(buf, n)));
  }

 private:
  // WriteFile on the raw handle: bytes go out unchanged, with no text-mode
  // translation and no code-page conversion, and a line at a time, so
  // nothing is held back.
  void WriteLine(DWORD which, std::string_view line) {
    std::string out(line);
    out += "\r\n";
    HANDLE h = GetStdHandle(which);
    const char* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
      DWORD n = 0;
      if (!WriteFile(h, p, Clamp(left), &n, nullptr) || n == 0) {
        if (which == STD_OUTPUT_HANDLE && out_error_ == 0)
          out_error_ = n == 0 && GetLastError() == 0 ? ERROR_WRITE_FAULT : GetLastError();
        return;
      }
      p += n;
      left -= n;
    }
  }

  // Whether the file open as `h` may be emptied and written: kOk, or
  // kSameFile for the open source, or why not.
  ErrorCode CheckOutput(HANDLE h) const {
    const FileKey key = KeyOfHandle(h);
    for (HANDLE source : sources_)
      if (KeyOfHandle(source) == key) return kSameFile;
    if (GetFileType(h) != FILE_TYPE_DISK) return kAccessDenied;
    if (std::find(text_inputs_.begin(), text_inputs_.end(), key) != text_inputs_.end())
      return kSharingViolation;
    return kOk;
  }

  // The key of the file or directory `name` leads to, or the zero key.
  // Asking for no access at all opens it past any sharing rule.
  static FileKey KeyOfName(const std::string& name) {
    HANDLE h = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FileKey();
    const FileKey key = KeyOfHandle(h);
    CloseHandle(h);
    return key;
  }

  // Whether `name` is a file open through OpenRead.
  bool IsOpenSource(const std::string& name) const {
    if (sources_.empty()) return false;
    // Asking for no access at all opens the file past any sharing rule.
    HANDLE other =
        CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    const FileKey key = KeyOfHandle(other);
    CloseHandle(other);
    return std::any_of(sources_.begin(), sources_.end(),
                       [&](HANDLE source) { return KeyOfHandle(source) == key; });
  }

  static ErrorCode Open(const std::string& name, DWORD access, DWORD share, DWORD disposition,
                        FileId* file) {
    if (const ErrorCode code = CheckName(name); code != kOk) return code;
    HANDLE h = CreateFileA(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    *file = AsFileId(h);
    return kOk;
  }

  std::vector<HANDLE> sources_;       // files open through OpenRead
  std::vector<FileKey> text_inputs_;  // every text file opened this run
  DWORD out_error_ = 0;               // the first failed write to standard output
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace tesvak
