// What the POSIX side asks the system about files and directories, asked
// afresh each time, and what it keeps of the files it has open.
#ifndef TESVAK_PLATFORM_POSIX_FILES_H_
#define TESVAK_PLATFORM_POSIX_FILES_H_

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/codes.h"
#include "base/file_id.h"
#include "platform/names.h"

namespace tesvak {

FileKey KeyOfStat(const struct stat& st);

// The key of directory `dir` ("" for the current one), or the zero key
// where there is none.
FileKey DirKey(const std::string& dir);
bool IsDirectory(const std::string& path);
// Whether `path` is an entry of its directory, whatever it is.
bool IsEntry(const std::string& path);

// A directory's entries.  One that is gone, or that this user may not
// list, has none; one that cannot be listed for want of descriptors or
// memory, or whose listing fails partway, is an error, never a shorter
// list.
ErrorCode ListDir(const std::string& dir, std::vector<std::string>* names);

// The errno `err` met on `path` as a code, with ENOENT told apart: "file
// not found" only when the directory it should be in exists.
ErrorCode CodeForPath(int err, const std::string& path);
// The refusal of `path`, whose directory does not exist.
ErrorCode NoDirectory(const std::string& path);
// Why `path`, which stat or open could not follow (errno `err`), is no file
// to write: a link that leads nowhere or round in a circle is refused, as
// a new file is never made through a link; kFileNotFound when nothing is
// there, for the caller to create; kFileExists when something came back.
ErrorCode WhyNoFile(const std::string& path, int err);
// Where the link `path` leads, as the kernel reads it.
bool ReadLink(const std::string& path, std::string* target);
// CheckName, with why a name is refused noted.
ErrorCode Checked(const std::string& name);
ErrorCode CloseWith(int fd, ErrorCode code);

// Maps a program name to the name to hand to the system, through the
// resolver's cache; `where` as NameResolver::Resolve gives it.
ErrorCode MapName(NameResolver& names, const std::string& name, std::string* path,
                  NameResolver::Where* where = nullptr);

// The files the POSIX side has open, and the keys it must remember after
// they are closed.
class OpenFiles {
 public:
  enum class Kind : std::uint8_t { kText, kSource, kOutput };
  struct File {
    int fd;
    Kind kind;
    FileKey key;  // the zero key until asked for, for an output made new
    std::uint64_t size;
    bool made;  // an output this run made anew
  };

  void Add(File file) { open_.push_back(file); }
  void Remove(int fd) {
    std::erase_if(open_, [fd](const File& f) { return f.fd == fd; });
  }
  File* Find(int fd) {
    for (File& f : open_)
      if (f.fd == fd) return &f;
    return nullptr;
  }

  // A file the program has open as the source of a copy; a key that tells
  // no file apart is nobody's.
  bool IsOpenSource(FileKey key) const {
    return Known(key) && std::any_of(open_.begin(), open_.end(), [&](const File& f) {
             return f.kind == Kind::kSource && f.key == key;
           });
  }
  // A file this run opened as text, open or closed.
  void NoteText(FileKey key) { text_inputs_.push_back(key); }
  bool IsTextInput(FileKey key) const { return Known(key) && Has(text_inputs_, key); }
  // A file this run made under a umask that left its owner no write
  // permission: the run may write it again all the same.
  void NoteMadeUnwritable(FileKey key) { made_unwritable_.push_back(key); }
  bool IsMadeUnwritable(FileKey key) const { return Known(key) && Has(made_unwritable_, key); }

 private:
  static bool Has(const std::vector<FileKey>& keys, FileKey key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
  }

  std::vector<File> open_;
  std::vector<FileKey> text_inputs_;
  std::vector<FileKey> made_unwritable_;
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_POSIX_FILES_H_
