// The outputs on Windows.  An output is judged each time it is opened, in
// one order: which file it is (the open source, a text input, not a file
// on disk), then its read-only attribute, then what the system says to
// opening it for writing; only then is it emptied.  A missing output is
// created with CREATE_NEW without following a link, so a link that leads
// nowhere is refused, never followed to make a file elsewhere.  A device
// name, or a colon in the last component, which NTFS reads as a stream of
// another file, is refused by name.  Create and Probe ask the same
// questions, the one making and opening what the other only asks about.
#ifndef TESVAK_PLATFORM_OUTPUT_WIN32_H_
#define TESVAK_PLATFORM_OUTPUT_WIN32_H_

#include <string>

#include "platform/files_win32.h"

namespace tesvak {

class Win32Outputs {
 public:
  Win32Outputs(OpenFiles& files, FailureNotes& notes) : files_(files), notes_(notes) {}

  // As Platform::Create and Platform::ProbeCreate.
  ErrorCode Create(const std::string& name, FileId* file);
  ErrorCode Probe(const std::string& name, FileKey* existing);

 private:
  // What the output `name` is, before anything is opened for writing: kOk
  // and its *info where it may be written as far as what it is decides;
  // kFileNotFound or kPathNotFound where nothing is there; else kSameFile
  // or why not.
  ErrorCode JudgeName(const std::string& name, HandleInfo* info);
  // Whether the existing file `info` describes may be emptied and written,
  // as far as what it is decides.  The read-only attribute is the program's
  // rule as much as the system's, kept even for an administrator.
  ErrorCode Judge(const HandleInfo& info);
  // What CREATE_NEW would answer for `name`, which opening gave `missing`
  // for: a name taken, by a link that leads nowhere, is refused; a new file
  // is made where its directory is and takes one.
  ErrorCode ProbeNew(const std::string& name, ErrorCode missing);

  OpenFiles& files_;
  FailureNotes& notes_;
};

}  // namespace tesvak

#endif  // TESVAK_PLATFORM_OUTPUT_WIN32_H_
