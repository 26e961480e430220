// What the Win32 side asks the system about files and names, asked afresh
// each time, why its last failure happened, and what it keeps of the files
// it has open.  Included by the Win32 sources alone.
#ifndef TESVAK_PLATFORM_FILES_WIN32_H_
#define TESVAK_PLATFORM_FILES_WIN32_H_

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/codes.h"
#include "base/file_id.h"

namespace tesvak {

inline HANDLE AsHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }
inline FileId AsFileId(HANDLE h) { return reinterpret_cast<FileId>(h); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A chain of links that leads round in a circle.
constexpr DWORD kLinkLoop = 1921;  // ERROR_CANT_RESOLVE_FILENAME

// What a handle is: its key, attributes and kind.
struct HandleInfo {
  FileKey key;
  DWORD attributes = 0;
  DWORD type = FILE_TYPE_UNKNOWN;
};
HandleInfo InfoOf(HANDLE h);

// Opens what `name` leads to, following links, asking for no access at all,
// which passes any sharing rule; directories too.  kOk and *info, or the
// code opening it gave.
ErrorCode Identify(const std::string& name, HandleInfo* info);
bool IsMissing(ErrorCode code);

// The directory the system would make `name` in, as a name to open (with
// no backslash after it unless it is a root), and the last component there, as the system
// takes the name: relative parts resolved, trailing dots and spaces gone,
// whatever the separators and prefixes ("\\?\M:\", "C:AREA").
bool SplitName(const std::string& name, std::string* dir, std::string* leaf);
// A last component as the file system compares names: in capitals, by the
// system's own case table, for the letters of 0x80 and above too.
std::string FoldName(std::string leaf);
// Whether the name is taken in its directory by anything at all, as an
// exclusive create would find it: Wine shows a Unix link that leads nowhere
// as no file, yet lists its name.
bool NameTaken(const std::string& name);
// Where the link `name` leads, as a name to open, when `name` is a symbolic
// link or a junction.
bool ReadLink(const std::string& name, std::string* target);

// The system's own words for an error code.
std::string ErrorText(DWORD code);

// Why the last failure happened: the system's words for its code, or the
// program's rule that refused the file.
class FailureNotes {
 public:
  // The system's last error, noted.
  ErrorCode Failed() { return Noted(static_cast<ErrorCode>(GetLastError())); }
  ErrorCode Noted(ErrorCode code) {
    code_ = code;
    why_.clear();
    return code;
  }
  ErrorCode Refuse(ErrorCode code, const char* why) {
    code_ = code;
    why_ = why;
    return code;
  }
  // CheckName, with why a name is refused noted.
  ErrorCode Checked(const std::string& name);
  std::string Why(ErrorCode code) const {
    return code == code_ && !why_.empty() ? why_ : ErrorText(code);
  }

 private:
  ErrorCode code_ = kOk;
  std::string why_;  // empty for the system's own words
};

// The files the Win32 side has open, and the keys of the text inputs.
class OpenFiles {
 public:
  enum class Kind : std::uint8_t { kText, kSource, kOutput };
  struct File {
    HANDLE handle;
    Kind kind;
    FileKey key;  // taken once, when it was opened
    DWORD type;
    bool made;  // an output this run made anew
  };

  // Keeps `h`, opened as `kind`, and hands it out as *file.
  ErrorCode Keep(HANDLE h, Kind kind, FileId* file, bool made = false) {
    const HandleInfo info = InfoOf(h);
    open_.push_back({h, kind, info.key, info.type, made});
    if (kind == Kind::kText) text_inputs_.push_back(info.key);
    *file = AsFileId(h);
    return kOk;
  }
  void Remove(FileId file) {
    std::erase_if(open_, [file](const File& f) { return f.handle == AsHandle(file); });
  }
  const File* Find(FileId file) const {
    for (const File& f : open_)
      if (f.handle == AsHandle(file)) return &f;
    return nullptr;
  }
  bool IsOpenSource(FileKey key) const {
    return Known(key) && std::any_of(open_.begin(), open_.end(), [&](const File& f) {
             return f.kind == Kind::kSource && f.key == key;
           });
  }
  bool IsTextInput(FileKey key) const {
    return Known(key) &&
           std::find(text_inputs_.begin(), text_inputs_.end(), key) != text_inputs_.end();
  }

 private:
  std::vector<File> open_;
  std::vector<FileKey> text_inputs_;  // every text file opened this run
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_FILES_WIN32_H_
