// The Win32 side of the platform layer.  Names go to the file system as
// built, and GetLastError codes pass through unchanged.  A name longer than
// 259 bytes, which Windows cannot take whole, is refused rather than cut,
// and outputs and rules files must be files on disk: DOS device names such
// as NUL, CON.sqr or LPT1:.sqr, which Windows sends to the device, are
// refused by name before anything is opened.
//
// An output is judged each time it is opened, in one order: which file it
// is (the open source, a text input, not a file on disk), then its
// read-only attribute, then what the system says to opening it for
// writing; only then is it emptied.  A missing output is created with
// CREATE_NEW without following a link, so a link that leads nowhere is
// refused, never followed to make a file elsewhere.  Every file's key is
// taken once, when it is opened, and kept with its handle.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <vector>

#include "base/ascii.h"
#include "base/messages.h"
#include "base/path.h"
#include "platform/names.h"
#include "platform/platform.h"
#include "platform/reparse.h"

namespace tesvak {
namespace {

HANDLE AsHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }
FileId AsFileId(HANDLE h) { return reinterpret_cast<FileId>(h); }

ErrorCode SystemError() { return static_cast<ErrorCode>(GetLastError()); }

DWORD Clamp(std::uint64_t size) { return static_cast<DWORD>(ClampIo(size)); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What Create asks for, and so what ProbeCreate asks for too.
constexpr DWORD kOutputAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kOutputSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
// A chain of links that leads round in a circle.
constexpr DWORD kLinkLoop = 1921;  // ERROR_CANT_RESOLVE_FILENAME

// What a handle is: its key, attributes and kind.
struct HandleInfo {
  FileKey key;
  DWORD attributes = 0;
  DWORD type = FILE_TYPE_UNKNOWN;
};

HandleInfo InfoOf(HANDLE h) {
  HandleInfo info;
  info.type = GetFileType(h);
  BY_HANDLE_FILE_INFORMATION by;
  if (GetFileInformationByHandle(h, &by)) {
    info.key = {by.dwVolumeSerialNumber,
                (std::uint64_t{by.nFileIndexHigh} << 32) | by.nFileIndexLow};
    info.attributes = by.dwFileAttributes;
  }
  return info;
}

// Opens what `name` leads to, following links, asking for no access at all,
// which passes any sharing rule; directories too.  kOk and *info, or the
// code opening it gave.
ErrorCode Identify(const std::string& name, HandleInfo* info) {
  HANDLE h = CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SystemError();
  *info = InfoOf(h);
  CloseHandle(h);
  return kOk;
}

// Whether `name` itself is a link (a reparse point), whether or not it
// leads anywhere.  Wine shows a Unix link that leads nowhere as nothing at
// all, so there this finds only what Windows itself would.
bool IsLink(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool link = (InfoOf(h).attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  CloseHandle(h);
  return link;
}

// The directory a name ends in, as a name to open ("." for the current
// one, without a trailing separator unless it is a root), and *leaf, the
// last component.
std::string DirPartOf(const std::string& name, std::string* leaf) {
  const std::size_t sep = name.find_last_of("\\/:");
  *leaf = sep == std::string::npos ? name : name.substr(sep + 1);
  if (sep == std::string::npos) return ".";
  if (name[sep] == ':') return name.substr(0, sep + 1) + ".";  // "C:AREA": C:'s current one
  const bool root = sep == 0 || (sep == 2 && name[1] == ':');
  return name.substr(0, root ? sep + 1 : sep);
}

bool IsMissing(ErrorCode code) { return code == kFileNotFound || code == kPathNotFound; }

// How many links in a row Locate follows before it takes them for a circle.
constexpr int kMaxLinks = 31;

// Where the link `name` leads, as a name to open, when `name` is a symbolic
// link or a junction: read from its reparse point, in the system's code
// page, joined to the link's directory where it is relative.
bool ReadLink(const std::string& name, std::string* target) {
  HANDLE h = CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::vector<std::uint8_t> data(16 * 1024);  // MAXIMUM_REPARSE_DATA_BUFFER_SIZE
  DWORD got = 0;
  const BOOL read = DeviceIoControl(h, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                    static_cast<DWORD>(data.size()), &got, nullptr);
  CloseHandle(h);
  LinkTarget link;
  if (!read || !ParseReparseData(std::span(data.data(), got), &link)) return false;
  const auto* wide = reinterpret_cast<const wchar_t*>(link.path.data());
  const int wide_size = static_cast<int>(link.path.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, wide_size, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::string path(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, wide_size, path.data(), size, nullptr, nullptr);
  if (link.relative) {
    std::string leaf;
    path.insert(0, DirPartOf(name, &leaf) + "\\");
  }
  *target = std::move(path);
  return true;
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
    const ErrorCode code = Open(name, GENERIC_READ, FILE_SHARE_READ, Kind::kText, file);
    if (code == kOk) text_inputs_.push_back(Find(*file)->key);
    return code;
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    // A device is never opened as a rules file: CON would wait for the
    // keyboard, NUL would read as empty.
    if (IsDosDeviceName(BaseName(name))) return Refuse(kAccessDenied, kIsDeviceName);
    const ErrorCode code = Open(name, GENERIC_READ, kOutputSharing, Kind::kSource, file);
    if (code != kOk || Find(*file)->type == FILE_TYPE_DISK) return code;
    Close(*file);
    return Refuse(kAccessDenied, kNotRegularFile);
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    HandleInfo info;
    ErrorCode code = JudgeName(name, &info);
    if (IsMissing(code)) {
      // A new file, made without following a link: where the name is taken
      // after all, by a link that leads nowhere, it is refused.
      HANDLE h = CreateFileA(name.c_str(), kOutputAccess, kOutputSharing, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (h != INVALID_HANDLE_VALUE) return Keep(h, Kind::kOutput, file);
      code = Failed();
      return code == kFileExists ? Refuse(kAccessDenied, kLinkToNowhere) : code;
    }
    if (code != kOk) return code;
    HANDLE h = OpenForWriting(name);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    // Judged again on the file actually opened, before it is emptied.
    code = Judge(InfoOf(h));
    if (code == kOk && !SetEndOfFile(h)) code = Failed();
    if (code != kOk) {
      CloseHandle(h);
      return code;
    }
    return Keep(h, Kind::kOutput, file);
  }

  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override {
    HandleInfo info;
    const ErrorCode code = JudgeName(name, &info);
    *existing = info.key;
    if (IsMissing(code)) return ProbeNewFile(name, code);
    if (code != kOk) return code;
    // Opened as Create opens it, to meet any sharing rule or access right
    // that would refuse it, and closed again untouched.
    HANDLE h = OpenForWriting(name);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    CloseHandle(h);
    return kOk;
  }

  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override {
    DWORD n = 0;
    *got = 0;
    if (!ReadFile(AsHandle(file), buf, Clamp(size), &n, nullptr)) {
      // A pipe whose writer has gone is simply at its end.
      return GetLastError() == ERROR_BROKEN_PIPE ? kOk : Failed();
    }
    *got = n;
    return kOk;
  }

  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override {
    DWORD n = 0;
    *put = 0;
    if (!WriteFile(AsHandle(file), buf, Clamp(size), &n, nullptr)) return Failed();
    *put = n;
    return kOk;
  }

  ErrorCode Size(FileId file, std::uint64_t* size) override {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(AsHandle(file), &li)) return Failed();
    *size = static_cast<std::uint64_t>(li.QuadPart);
    return kOk;
  }

  ErrorCode Close(FileId file) override {
    std::erase_if(open_, [file](const OpenFile& f) { return f.handle == AsHandle(file); });
    return CloseHandle(AsHandle(file)) ? kOk : Failed();
  }

  FileKey KeyOf(FileId file) override {
    const OpenFile* f = Find(file);
    return f == nullptr ? FileKey() : f->key;
  }

  std::string SystemName(const std::string& name) override { return name; }

  std::string FullName(const std::string& name) override {
    char buf[MAX_PATH + 1];
    const DWORD n = GetFullPathNameA(name.c_str(), sizeof buf, buf, nullptr);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : name;
  }

  std::string WhyFailed(ErrorCode code) override {
    return code == note_.code && !note_.why.empty() ? note_.why : ErrorText(code);
  }

  ErrorCode Locate(const std::string& name, Place* place) override {
    *place = Place();
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    std::string path = name;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
      HandleInfo info;
      const ErrorCode code = Identify(path, &info);
      if (code == kOk) {
        place->file = info.key;
        return kOk;
      }
      if (!IsMissing(code)) return Noted(code);
      // A link that leads nowhere yet: where it leads.
      if (std::string target; ReadLink(path, &target)) {
        path = std::move(target);
        continue;
      }
      // Nothing there: the directory it would be made in, by its key, and
      // the name there folded, as the file system compares names.
      std::string leaf;
      HandleInfo dir;
      if (Identify(DirPartOf(path, &leaf), &dir) != kOk) return Noted(kPathNotFound);
      place->dir = dir.key;
      place->leaf = FoldUpper(leaf);
      return kOk;
    }
    return Refuse(kAccessDenied, kLinkInCircle);
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
    // A pipe whose reader has gone answers "the pipe has been ended", "the
    // pipe is being closed" or "no process is on the other end", as the
    // reader went.
    const bool gone = out_error_ == ERROR_BROKEN_PIPE || out_error_ == ERROR_NO_DATA ||
                      out_error_ == ERROR_PIPE_NOT_CONNECTED;
    return gone ? kBrokenPipe : static_cast<ErrorCode>(out_error_);
  }

  bool SlashOptions() const override { return true; }

  std::string ModuleName() override {
    char buf[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n == 0) return "tesvak.exe";
    return std::string(BaseName(std::string_view(buf, n)));
  }

 private:
  enum class Kind : std::uint8_t { kText, kSource, kOutput };
  struct OpenFile {
    HANDLE handle;
    Kind kind;
    FileKey key;  // taken once, when it was opened
    DWORD type;
  };

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

  const OpenFile* Find(FileId file) const {
    for (const OpenFile& f : open_)
      if (f.handle == AsHandle(file)) return &f;
    return nullptr;
  }

  ErrorCode Keep(HANDLE h, Kind kind, FileId* file) {
    const HandleInfo info = InfoOf(h);
    open_.push_back({h, kind, info.key, info.type});
    *file = AsFileId(h);
    return kOk;
  }

  ErrorCode Open(const std::string& name, DWORD access, DWORD share, Kind kind, FileId* file) {
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    HANDLE h = CreateFileA(name.c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Failed();
    return Keep(h, kind, file);
  }

  // What the output `name` is, before anything is opened for writing: kOk
  // and its *info where it is a file that may be written as far as what it
  // is decides (see Judge); kFileNotFound or kPathNotFound where nothing is
  // there; else kSameFile or why not.  A device name is refused by name,
  // a link round in a circle as one that leads nowhere.
  ErrorCode JudgeName(const std::string& name, HandleInfo* info) const {
    if (const ErrorCode code = Checked(name); code != kOk) return code;
    if (IsDosDeviceName(BaseName(name))) return Refuse(kAccessDenied, kIsDeviceName);
    const ErrorCode code = Identify(name, info);
    if (code == kLinkLoop) return Refuse(kAccessDenied, kLinkInCircle);
    return code == kOk ? Judge(*info) : Noted(code);
  }

  // Opens an existing output as Create writes it, without emptying it.
  static HANDLE OpenForWriting(const std::string& name) {
    return CreateFileA(name.c_str(), kOutputAccess, kOutputSharing, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  // Whether the existing file `info` describes may be emptied and written,
  // as far as what it is decides: kOk, or kSameFile for the open source,
  // or why not.  The read-only attribute is the program's rule as much as
  // the system's, kept even for an administrator.
  ErrorCode Judge(const HandleInfo& info) const {
    const bool source = std::any_of(open_.begin(), open_.end(), [&](const OpenFile& f) {
      return f.kind == Kind::kSource && f.key == info.key;
    });
    if (source) return kSameFile;
    if (std::find(text_inputs_.begin(), text_inputs_.end(), info.key) != text_inputs_.end())
      return Refuse(kSharingViolation, kIsTextInput);
    if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Refuse(kAccessDenied, kIsDirectory);
    if (info.type != FILE_TYPE_DISK) return Refuse(kAccessDenied, kNotRegularFile);
    if ((info.attributes & FILE_ATTRIBUTE_READONLY) != 0) return Refuse(kAccessDenied, kIsReadOnly);
    return kOk;
  }

  // What Create would answer for `name`, which opening gave `missing` for:
  // a link that leads nowhere is refused; a new file is made where its
  // directory is and takes one, as opening the directory for adding a file
  // finds out.
  ErrorCode ProbeNewFile(const std::string& name, ErrorCode missing) const {
    if (IsLink(name)) return Refuse(kAccessDenied, kLinkToNowhere);
    if (missing == kPathNotFound) return Noted(missing);
    std::string leaf;
    HANDLE dir = CreateFileA(DirPartOf(name, &leaf).c_str(), FILE_ADD_FILE, kShareAll, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (dir == INVALID_HANDLE_VALUE) return Failed();
    CloseHandle(dir);
    return kOk;
  }

  // Why the last failure happened: the system's words for its code, or the
  // program's rule that refused the file.
  struct Note {
    ErrorCode code = kOk;
    std::string why;  // empty for the system's own words
  };
  ErrorCode Failed() const { return Noted(SystemError()); }
  ErrorCode Noted(ErrorCode code) const {
    note_ = {code, std::string()};
    return code;
  }
  ErrorCode Refuse(ErrorCode code, const char* why) const {
    note_ = {code, why};
    return code;
  }
  // CheckName, with why a name is refused noted.
  ErrorCode Checked(const std::string& name) const {
    const ErrorCode code = CheckName(name);
    if (code == kOk) return kOk;
    return Refuse(code, code == kNameTooLong ? kNameTooLongWhy : kNameHoldsNul);
  }

  mutable Note note_;
  std::vector<OpenFile> open_;
  std::vector<FileKey> text_inputs_;  // every text file opened this run
  DWORD out_error_ = 0;               // the first failed write to standard output
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace tesvak
