#include "platform/files_win32.h"

#include <winioctl.h>

#include <span>

#include "base/ascii.h"
#include "base/messages.h"
#include "platform/platform.h"
#include "platform/reparse.h"

namespace tesvak {

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

ErrorCode Identify(const std::string& name, HandleInfo* info) {
  HANDLE h = CreateFileA(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return static_cast<ErrorCode>(GetLastError());
  *info = InfoOf(h);
  CloseHandle(h);
  return kOk;
}

bool IsMissing(ErrorCode code) { return code == kFileNotFound || code == kPathNotFound; }

bool SplitName(const std::string& name, std::string* dir, std::string* leaf) {
  char full[4 * MAX_PATH];
  char* part = nullptr;
  const DWORD n = GetFullPathNameA(name.c_str(), sizeof full, full, &part);
  if (n == 0 || n >= sizeof full || part == nullptr) return false;
  dir->assign(full, static_cast<std::size_t>(part - full));
  leaf->assign(part);
  // A directory is opened by its name without the separator after it, as
  // Wine can open a link that leads nowhere no other way; a root keeps it.
  if (dir->size() > 1 && dir->back() == '\\' && (*dir)[dir->size() - 2] != ':') dir->pop_back();
  return true;
}

std::string FoldName(std::string leaf) {
  // In the system's code page and by its case table, as the file system
  // takes the names of a Windows program; the same length back.
  if (leaf.empty()) return leaf;
  std::string folded(leaf.size(), '\0');
  const int n =
      LCMapStringA(LOCALE_SYSTEM_DEFAULT, LCMAP_UPPERCASE, leaf.data(),
                   static_cast<int>(leaf.size()), folded.data(), static_cast<int>(folded.size()));
  return n == static_cast<int>(leaf.size()) ? folded : FoldUpper(leaf);
}

bool NameTaken(const std::string& name) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(name.c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    FindClose(h);
    return true;
  }
  // Wine finds the entry of a link that leads nowhere, then no file there.
  return GetLastError() == ERROR_NO_MORE_FILES;
}

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
    std::string dir, leaf;
    if (!SplitName(name, &dir, &leaf)) return false;
    if (!dir.ends_with('\\')) dir.push_back('\\');
    path.insert(0, dir);
  }
  *target = std::move(path);
  return true;
}

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

ErrorCode FailureNotes::Checked(const std::string& name) {
  const ErrorCode code = CheckName(name);
  if (code == kOk) return kOk;
  return Refuse(code, code == kNameTooLong ? kNameTooLongWhy : kNameHoldsNul);
}

}  // namespace tesvak
