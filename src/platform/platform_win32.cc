// The Win32 side of the platform layer.  Names go to the file system as
// built, and GetLastError codes pass through unchanged.  A name longer than
// 259 bytes, which Windows cannot take whole, is refused rather than cut,
// and outputs and rules files must be files on disk: DOS device names such
// as NUL, CON.sqr or LPT1:.sqr, which Windows sends to the device, are
// refused by name before anything is opened (the outputs' rules are in
// output_win32.cc).  Every file's key is taken once, when it is opened, and
// kept with its handle.
#include "base/messages.h"
#include "base/path.h"
#include "platform/console_win32.h"
#include "platform/files_win32.h"
#include "platform/names.h"
#include "platform/output_win32.h"
#include "platform/platform.h"

namespace tesvak {
namespace {

DWORD Clamp(std::uint64_t size) { return static_cast<DWORD>(ClampIo(size)); }

// How many links in a row Locate follows before it takes them for a circle.
constexpr int kMaxLinks = 31;

class Win32Platform final : public Platform {
 public:
  ErrorCode OpenText(const std::string& name, FileId* file) override {
    return Open(name, GENERIC_READ, FILE_SHARE_READ, OpenFiles::Kind::kText, file);
  }

  ErrorCode OpenRead(const std::string& name, FileId* file) override {
    // A device is never opened as a rules file: CON would wait for the
    // keyboard, NUL would read as empty.
    if (IsDosDeviceName(BaseName(name))) return notes_.Refuse(kAccessDenied, kIsDeviceName);
    const ErrorCode code = Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                OpenFiles::Kind::kSource, file);
    if (code != kOk || files_.Find(*file)->type == FILE_TYPE_DISK) return code;
    Close(*file);
    return notes_.Refuse(kAccessDenied, kNotRegularFile);
  }

  ErrorCode Create(const std::string& name, FileId* file) override {
    return outputs_.Create(name, file);
  }

  ErrorCode ProbeCreate(const std::string& name, FileKey* existing) override {
    return outputs_.Probe(name, existing);
  }

  ErrorCode Read(FileId file, void* buf, std::size_t size, std::size_t* got) override {
    DWORD n = 0;
    *got = 0;
    if (!ReadFile(AsHandle(file), buf, Clamp(size), &n, nullptr)) {
      // A pipe whose writer has gone is simply at its end.
      return GetLastError() == ERROR_BROKEN_PIPE ? kOk : notes_.Failed();
    }
    *got = n;
    return kOk;
  }

  ErrorCode Write(FileId file, const void* buf, std::size_t size, std::size_t* put) override {
    DWORD n = 0;
    *put = 0;
    if (!WriteFile(AsHandle(file), buf, Clamp(size), &n, nullptr)) return notes_.Failed();
    *put = n;
    return kOk;
  }

  ErrorCode Size(FileId file, std::uint64_t* size) override {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(AsHandle(file), &li)) return notes_.Failed();
    *size = static_cast<std::uint64_t>(li.QuadPart);
    return kOk;
  }

  ErrorCode Close(FileId file) override {
    files_.Remove(file);
    return CloseHandle(AsHandle(file)) ? kOk : notes_.Failed();
  }

  FileKey KeyOf(FileId file) override {
    const OpenFiles::File* f = files_.Find(file);
    return f == nullptr ? FileKey() : f->key;
  }

  bool IsNew(FileId file) override {
    const OpenFiles::File* f = files_.Find(file);
    return f != nullptr && f->made;
  }

  std::string SystemName(const std::string& name) override { return name; }

  std::string FullName(const std::string& name) override {
    char full[4 * MAX_PATH];
    const DWORD n = GetFullPathNameA(name.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : name;
  }

  std::string WhyFailed(ErrorCode code) override { return notes_.Why(code); }

  ErrorCode Locate(const std::string& name, Place* place) override {
    *place = Place();
    if (const ErrorCode code = notes_.Checked(name); code != kOk) return code;
    std::string path = name;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
      HandleInfo info;
      const ErrorCode code = Identify(path, &info);
      if (code == kOk) {
        place->file = info.key;
        return kOk;
      }
      if (!IsMissing(code)) return notes_.Noted(code);
      // A link that leads nowhere yet: where it leads.
      if (std::string target; ReadLink(path, &target)) {
        path = std::move(target);
        continue;
      }
      // Nothing there: the directory it would be made in, by its key, and
      // its name there as the file system compares names, so that every
      // spelling Windows takes for one name finds one place.
      std::string dir, leaf;
      HandleInfo where;
      if (!SplitName(path, &dir, &leaf) || Identify(dir, &where) != kOk)
        return notes_.Noted(kPathNotFound);
      place->dir = where.key;
      place->leaf = FoldName(leaf);
      return kOk;
    }
    return notes_.Refuse(kAccessDenied, kLinkInCircle);
  }

  void ConsoleLine(std::string_view line) override { console_.Line(line); }
  void Print(Stream stream, std::string_view line) override { console_.Print(stream, line); }
  ErrorCode FinishOutput(std::string* what) override { return console_.Finish(what); }

  bool SlashOptions() const override { return true; }

  std::string ModuleName() override {
    char buf[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n == 0) return "tesvak.exe";
    return std::string(BaseName(std::string_view(buf, n)));
  }

 private:
  ErrorCode Open(const std::string& name, DWORD access, DWORD share, OpenFiles::Kind kind,
                 FileId* file) {
    if (const ErrorCode code = notes_.Checked(name); code != kOk) return code;
    HANDLE h = CreateFileA(name.c_str(), access, share, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return notes_.Failed();
    return files_.Keep(h, kind, file);
  }

  FailureNotes notes_;
  OpenFiles files_;
  Win32Outputs outputs_{files_, notes_};
  Win32Console console_;
};

}  // namespace

std::unique_ptr<Platform> MakeSystemPlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace tesvak
