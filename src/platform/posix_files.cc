#include "platform/posix_files.h"

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "base/messages.h"
#include "platform/platform.h"
#include "platform/posix_errors.h"

namespace tesvak {

FileKey KeyOfStat(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

FileKey DirKey(const std::string& dir) {
  struct stat st;
  if (stat(dir.empty() ? "." : dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return FileKey();
  return KeyOfStat(st);
}

bool IsDirectory(const std::string& path) { return DirKey(path) != FileKey(); }

bool IsEntry(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

ErrorCode ListDir(const std::string& dir, std::vector<std::string>* names) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    const int err = errno;
    return err == ENOENT || err == ENOTDIR || err == EACCES ? kOk : Failure(err);
  }
  for (;;) {
    errno = 0;
    const dirent* e = readdir(d);
    if (e == nullptr) break;
    names->emplace_back(e->d_name);
  }
  const int err = errno;
  closedir(d);
  return err == 0 ? kOk : Failure(err);
}

ErrorCode NoDirectory(const std::string& path) {
  return Refusal(kPathNotFound, kNoDirectory + DirOf(path));
}

ErrorCode CodeForPath(int err, const std::string& path) {
  if (err == ENOENT && !IsDirectory(DirOf(path))) return NoDirectory(path);
  return Failure(err);
}

ErrorCode WhyNoFile(const std::string& path, int err) {
  if (err != ENOENT && err != ELOOP) return CodeForPath(err, path);
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) return kFileExists;
    return Refusal(kAccessDenied, err == ELOOP ? kLinkInCircle : kLinkToNowhere);
  }
  return errno == ENOENT ? kFileNotFound : CodeForPath(errno, path);
}

bool ReadLink(const std::string& path, std::string* target) {
  char buf[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return false;
  target->assign(buf, static_cast<std::size_t>(n));
  return true;
}

ErrorCode Checked(const std::string& name) {
  const ErrorCode code = CheckName(name);
  if (code == kOk) return kOk;
  return Refusal(code, code == kNameTooLong ? kNameTooLongWhy : kNameHoldsNul);
}

ErrorCode CloseWith(int fd, ErrorCode code) {
  close(fd);
  return code;
}

ErrorCode MapName(NameResolver& names, const std::string& name, std::string* path,
                  NameResolver::Where* where) {
  if (const ErrorCode code = Checked(name); code != kOk) return code;
  return names.Resolve(name, path, where);
}

}  // namespace tesvak
