// The outputs on POSIX.  An output is judged each time it is opened, in one
// order: which file it is (the open source, a text input, not a regular
// file), then whether it may be written, then any change.  A new name is
// created exclusively, which never follows a link; an existing file is
// opened without truncating it, looked at through its descriptor, and only
// then emptied; where the system will not open it, what it is is looked at
// before the refusal counts.  Nothing seen on an earlier copy is trusted,
// for OutDir may change between two lines: a name that exists as written
// is written as written, and where the resolver's answer is gone, or a name
// it lacked is there, it forgets what it knew and is asked again.
//
// Create and Probe take the same steps, the one opening and making what
// the other only looks at, so that a dry run meets what the run meets.
//
// A directory the run makes a file in (or, in a dry run, would make one
// in) is held open until the run ends.  The names made there are kept by
// the directory's key, and a directory removed during the run would
// otherwise give its inode number to the next one made, which would then
// seem to hold them; held, it keeps its number to itself.
#ifndef TESVAK_PLATFORM_POSIX_OUTPUT_H_
#define TESVAK_PLATFORM_POSIX_OUTPUT_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/names.h"
#include "platform/platform.h"
#include "platform/posix_files.h"

namespace tesvak {

class PosixOutputs {
 public:
  PosixOutputs(OpenFiles& files, NameResolver& names);
  ~PosixOutputs();
  PosixOutputs(const PosixOutputs&) = delete;
  PosixOutputs& operator=(const PosixOutputs&) = delete;

  // As Platform::Create and Platform::ProbeCreate.
  ErrorCode Create(const std::string& name, FileId* file);
  ErrorCode Probe(const std::string& name, FileKey* existing);

 private:
  // Whether the existing file `st` describes may be emptied and written, as
  // far as what it is decides: kOk, or kSameFile for the open source, or
  // why not.  Whether the system lets this user write it comes after.
  ErrorCode Judge(const struct stat& st) const;

  // The output at `path`, which exists or once did: opened and emptied, or
  // kFileNotFound where nothing is there now.
  ErrorCode OpenOutput(const std::string& path, FileId* file);
  // A new output: one exclusive create.  kFileExists when the name turns
  // out to be taken after all.
  ErrorCode CreateNew(const std::string& path, FileKey dir, FileId* file);
  // As OpenOutput and CreateNew, looking only.
  ErrorCode ProbeOutput(const std::string& path, FileKey* existing) const;
  ErrorCode ProbeNew(const std::string& path, FileKey dir);

  static int OpenLent(const std::string& path, const struct stat& st);
  // Whether the directory of the resolver's answer is another one now than
  // the one it was listed as, `where` it gave.
  bool Moved(const NameResolver::Where& where) const;
  // Notes `path` as made in its directory, keyed `dir`, which is held open
  // from then on.
  void NoteMade(const std::string& path, FileKey dir);

  // More directories than a run meets unless OutDir is replaced between
  // nearly every two lines; past them, none more is held.  A run given
  // fewer descriptors than kFewDescriptors holds none.
  static constexpr std::size_t kMaxHeld = 256;
  static constexpr std::uint64_t kFewDescriptors = 64;

  OpenFiles& files_;
  NameResolver& names_;
  // The directories held open, and their descriptors.
  std::vector<std::pair<FileKey, int>> held_;
  std::size_t most_held_ = 0;          // how many directories may be held
  bool new_files_unwritable_ = false;  // the umask leaves a new file's owner no write bit
  std::string path_;                   // the output as written, as a POSIX name
  std::string resolved_;               // and as the resolver finds it
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_POSIX_OUTPUT_H_
