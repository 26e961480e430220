// The Win32 side of the platform layer.  Names go to the file system as
// built, and GetLastError codes pass through unchanged.  A name longer than
// 259 bytes, which Windows cannot take whole, is refused rather than cut,
// and an output must be a file on disk: DOS device names such as NUL.sqr
// or COM1.sqr, which Windows sends to the device, are refused.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "base/path.h"
#include "platform/names.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

HANDLE AsHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }

ErrorCode LastError() { return static_cast<ErrorCode>(GetLastError()); }

DWORD Clamp(std::uint64_t size) { return static_cast<DWORD>(ClampIo(size)); }

class Win32Platform final : public Platform {
 public:
  ErrorCode OpenText(const std::string& name, FileId* file) override {
    return Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, file);
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    const ErrorCode code =
        Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, file);
    if (code == kOk) reads_.push_back(AsHandle(*file));
    return code;
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    if (const ErrorCode code = Check(name); code != kOk) return code;
    if (IsDosDeviceName(BaseName(name))) return kAccessDenied;
    // The files opened with OpenRead share writing, so creating over one of
    // them would succeed and empty it; look first.
    if (IsOpenForReading(name)) return kSameFile;
    const ErrorCode code = Open(name, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS, file);
    if (code == kOk && GetFileType(AsHandle(*file)) != FILE_TYPE_DISK) {
      CloseHandle(AsHandle(*file));
      return kAccessDenied;
    }
    return code;
  }

  ErrorCode ProbeCreate(const std::string& name) override {
    if (const ErrorCode code = Check(name); code != kOk) return code;
    if (IsDosDeviceName(BaseName(name))) return kAccessDenied;
    if (IsOpenForReading(name)) return kSameFile;
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
    const ErrorCode code =
        Open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, &file);
    if (code != kOk) return code;
    const bool disk = GetFileType(AsHandle(file)) == FILE_TYPE_DISK;
    CloseHandle(AsHandle(file));
    return disk ? kOk : kAccessDenied;
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
    for (auto it = reads_.begin(); it != reads_.end(); ++it) {
      if (*it == AsHandle(file)) {
        reads_.erase(it);
        break;
      }
    }
    return CloseHandle(AsHandle(file)) ? kOk : LastError();
  }

  bool SameFile(FileId a, FileId b) override {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return GetFileInformationByHandle(AsHandle(a), &ia) &&
           GetFileInformationByHandle(AsHandle(b), &ib) && SameFile(ia, ib);
  }

  std::string SystemName(const std::string& name) override { return name; }

  void ConsoleLine(std::string_view line) override { WriteLine(STD_OUTPUT_HANDLE, line); }

  void Print(Stream stream, std::string_view line) override {
    WriteLine(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, line);
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
  static void WriteLine(DWORD which, std::string_view line) {
    std::string out(line);
    out += "\r\n";
    HANDLE h = GetStdHandle(which);
    const char* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
      DWORD n = 0;
      if (!WriteFile(h, p, Clamp(left), &n, nullptr) || n == 0) return;
      p += n;
      left -= n;
    }
  }

  bool IsOpenForReading(const std::string& name) {
    if (reads_.empty()) return false;
    // Asking for no access at all opens the file past any sharing rule.
    HANDLE other =
        CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    bool same = false;
    for (HANDLE h : reads_)
      same = same || SameFile(reinterpret_cast<FileId>(h), reinterpret_cast<FileId>(other));
    CloseHandle(other);
    return same;
  }

  static bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  }

  // A name too long for Windows, or holding a NUL byte, cannot be passed
  // on whole, so it is refused rather than cut.
  static ErrorCode Check(const std::string& name) {
    if (name.size() > kMaxName) return kNameTooLong;
    if (name.find('\0') != std::string::npos) return kInvalidName;
    return kOk;
  }

  static ErrorCode Open(const std::string& name, DWORD access, DWORD share, DWORD disposition,
                        FileId* file) {
    if (const ErrorCode code = Check(name); code != kOk) return code;
    HANDLE h = CreateFileA(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    *file = reinterpret_cast<FileId>(h);
    return kOk;
  }

  std::vector<HANDLE> reads_;  // files open through OpenRead
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace tesvak
