#include "platform/output_win32.h"

#include "base/messages.h"
#include "base/path.h"
#include "platform/names.h"

namespace tesvak {
namespace {

// What Create asks for, and so what Probe asks for too.
constexpr DWORD kOutputAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kOutputSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE OpenForWriting(const std::string& name) {
  return CreateFileA(name.c_str(), kOutputAccess, kOutputSharing, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ErrorCode Win32Outputs::Create(const std::string& name, FileId* file) {
  HandleInfo info;
  ErrorCode code = JudgeName(name, &info);
  if (IsMissing(code)) {
    // A new file, made without following a link: where the name is taken
    // after all, by a link that leads nowhere, it is refused.
    HANDLE h = CreateFileA(name.c_str(), kOutputAccess, kOutputSharing, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) return files_.Keep(h, OpenFiles::Kind::kOutput, file, true);
    code = notes_.Failed();
    return code == kFileExists ? notes_.Refuse(kAccessDenied, kLinkToNowhere) : code;
  }
  if (code != kOk) return code;
  HANDLE h = OpenForWriting(name);
  if (h == INVALID_HANDLE_VALUE) return notes_.Failed();
  // Judged again on the file actually opened, before it is emptied.
  code = Judge(InfoOf(h));
  if (code == kOk && !SetEndOfFile(h)) code = notes_.Failed();
  if (code != kOk) {
    CloseHandle(h);
    return code;
  }
  return files_.Keep(h, OpenFiles::Kind::kOutput, file);
}

ErrorCode Win32Outputs::Probe(const std::string& name, FileKey* existing) {
  HandleInfo info;
  const ErrorCode code = JudgeName(name, &info);
  *existing = info.key;
  if (IsMissing(code)) return ProbeNew(name, code);
  if (code != kOk) return code;
  // Opened as Create opens it, to meet any sharing rule or access right
  // that would refuse it, and closed again untouched.
  HANDLE h = OpenForWriting(name);
  if (h == INVALID_HANDLE_VALUE) return notes_.Failed();
  CloseHandle(h);
  return kOk;
}

ErrorCode Win32Outputs::JudgeName(const std::string& name, HandleInfo* info) {
  if (const ErrorCode code = notes_.Checked(name); code != kOk) return code;
  const std::string_view leaf = BaseName(name);
  if (IsDosDeviceName(leaf)) return notes_.Refuse(kAccessDenied, kIsDeviceName);
  if (leaf.find(':') != std::string_view::npos) return notes_.Refuse(kAccessDenied, kIsStreamName);
  const ErrorCode code = Identify(name, info);
  if (code == kLinkLoop) return notes_.Refuse(kAccessDenied, kLinkInCircle);
  return code == kOk ? Judge(*info) : notes_.Noted(code);
}

ErrorCode Win32Outputs::Judge(const HandleInfo& info) {
  if (files_.IsOpenSource(info.key)) return kSameFile;
  if (files_.IsTextInput(info.key)) return notes_.Refuse(kSharingViolation, kIsTextInput);
  if ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return notes_.Refuse(kAccessDenied, kIsDirectory);
  if (info.type != FILE_TYPE_DISK) return notes_.Refuse(kAccessDenied, kNotRegularFile);
  if ((info.attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return notes_.Refuse(kAccessDenied, kIsReadOnly);
  return kOk;
}

ErrorCode Win32Outputs::ProbeNew(const std::string& name, ErrorCode missing) {
  if (NameTaken(name)) return notes_.Refuse(kAccessDenied, kLinkToNowhere);
  if (missing == kPathNotFound) return notes_.Noted(missing);
  std::string dir, leaf;
  if (!SplitName(name, &dir, &leaf)) return notes_.Failed();
  HANDLE h = CreateFileA(dir.c_str(), FILE_ADD_FILE, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return notes_.Failed();
  CloseHandle(h);
  return kOk;
}

}  // namespace tesvak
